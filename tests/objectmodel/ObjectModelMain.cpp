// Entry of the object-model tests: the runtime starts as in the program and the
// test types' identifier converters are registered once.
#include <gtest/gtest.h>

#include "Runtime.h"
#include "StreamingClasses.h"

int main(int argc, char** argv) {
  InitRuntime();
  streaming_test::RegisterConverters();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
