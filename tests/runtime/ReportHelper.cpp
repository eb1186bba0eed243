// A program that lets an exception escape, so that the last-resort report
// runs. Built twice: as a console program and as a windowed program.
//   exception TEXT   an EInOutError with the message TEXT
//   object           a plain TObject, which is not an Exception
//   fault            a write to address 0
//   systemfault      a fault inside the system's memcpy, called with a bad pointer
#include <windows.h>

#include <cstring>
#include <string>

#include "Exceptions.h"
#include "Runtime.h"

namespace {
__attribute__((noinline)) void WriteNull(int* p) {
  asm("" : "+r"(p));
  *static_cast<volatile int*>(p) = 0;
}
__attribute__((noinline)) void CopyToNull(void* p, std::size_t n) {
  asm("" : "+r"(p), "+r"(n));
  std::memcpy(p, "fault", n);
}
}  // namespace

int main(int argc, char** argv) {
  InitRuntime();
  std::string what = argc > 1 ? argv[1] : "";
  if (what == "exception") {
    std::string message;
    for (int i = 2; i < argc; ++i) message += (i > 2 ? " " : "") + std::string(argv[i]);
    throw EInOutError(message);
  }
  if (what == "object") throw TObject();
  if (what == "fault") WriteNull(nullptr);
  if (what == "systemfault") CopyToNull(nullptr, 6);
  return 0;
}
