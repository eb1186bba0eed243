// Entry of the tests of the built program: the first argument names sondrel.exe.
#include <gtest/gtest.h>

#include <cstdio>

#include "AppTest.h"
#include "Runtime.h"
#include "TestSupport.h"

namespace {
std::string Program;
}

const std::string& ProgramPath() { return Program; }

int main(int argc, char** argv) {
  InitRuntime();
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: app_tests PATH-OF-SONDREL.EXE\n");
    return 2;
  }
  Program = WinePath(argv[1]);
  return RUN_ALL_TESTS();
}
