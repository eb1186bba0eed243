// Entry of the graphics tests: the runtime and the graphics layer start as
// they do in the program.
#include <gtest/gtest.h>

#include "GraphicsObjects.h"
#include "Runtime.h"

int main(int argc, char** argv) {
  InitRuntime();
  InitGraphics();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
