// Entry of every test program: the runtime starts as it does in the program.
#include <gtest/gtest.h>

#include "Runtime.h"

int main(int argc, char** argv) {
  InitRuntime();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
