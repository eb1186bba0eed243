// Processor faults, platform exceptions and runtime errors arrive as typed
// exceptions.
#include <gtest/gtest.h>
#include <windows.h>

#include "Faults.h"

namespace {

// Kept out of line and opaque to the optimiser, so the faults really happen
// at run time inside these functions.
__attribute__((noinline)) int Divide(int a, int b) {
  asm("" : "+r"(b));
  return a / b;
}

__attribute__((noinline)) int ReadAt(int* p) {
  asm("" : "+r"(p));
  return *static_cast<volatile int*>(p);
}

__attribute__((noinline)) void WriteAt(int* p) {
  asm("" : "+r"(p));
  *static_cast<volatile int*>(p) = 1;
}

String Hex8(const void* p) {
  char buf[16];
  wsprintfA(buf, "%08lX", reinterpret_cast<unsigned long>(p));
  return buf;
}

// Local objects are destroyed as the fault unwinds; the mapping keeps working
// for a second fault on the same thread.
TEST(Faults, IntegerDivisionByZeroIsEDivByZero) {
  struct TGuard {
    int* Counter;
    ~TGuard() { ++*Counter; }
  };
  int destroyed = 0;
  try {
    TGuard guard{&destroyed};
    Divide(1, 0);
    FAIL() << "no exception";
  } catch (const EDivByZero& e) {
    EXPECT_EQ(e.Message(), "Division by zero");
    EXPECT_NE(e.Address(), nullptr);
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_THROW(Divide(7, 0), EDivByZero);
  EXPECT_EQ(Divide(7, 2), 3);
}

TEST(Faults, NullReadAndWriteAreAccessViolations) {
  try {
    ReadAt(nullptr);
    FAIL() << "no exception";
  } catch (const EAccessViolation& e) {
    String expected = "Access violation at address " + Hex8(e.Address()) +
                      ". Read of address 00000000";
    EXPECT_EQ(e.Message(), expected);
    // The faulting instruction lies inside ReadAt.
    auto fault = reinterpret_cast<std::uintptr_t>(e.Address());
    auto start = reinterpret_cast<std::uintptr_t>(&ReadAt);
    EXPECT_GE(fault, start);
    EXPECT_LT(fault, start + 64);
  }
  try {
    WriteAt(reinterpret_cast<int*>(16));
    FAIL() << "no exception";
  } catch (const EAccessViolation& e) {
    EXPECT_EQ(e.Message(), "Access violation at address " + Hex8(e.Address()) +
                               ". Write of address 00000010");
  }
}

TEST(Faults, RaisedPlatformExceptionBecomesEExternalExceptionWithItsRecord) {
  ULONG_PTR args[2] = {0x1234, 0x5678};
  try {
    RaiseException(0xC0000008, 0, 2, args);
    FAIL() << "no exception";
  } catch (const EExternalException& e) {
    EXPECT_EQ(e.Message(), "External exception C0000008");
    EXPECT_EQ(e.ExceptionRecord.ExceptionCode, 0xC0000008u);
    EXPECT_EQ(e.ExceptionRecord.NumberParameters, 2u);
    EXPECT_EQ(e.ExceptionRecord.ExceptionInformation[0], 0x1234u);
    EXPECT_EQ(e.ExceptionRecord.ExceptionInformation[1], 0x5678u);
  }
}

TEST(Faults, NonContinuableRaiseIsMappedByItsCode) {
  EXPECT_THROW(RaiseException(STATUS_INTEGER_DIVIDE_BY_ZERO, EXCEPTION_NONCONTINUABLE, 0, nullptr),
               EDivByZero);
  // Registers survive the detour through the platform's dispatcher.
  volatile int kept = 41;
  try {
    RaiseException(0xE0000001, 0, 0, nullptr);
  } catch (const EExternalException& e) {
    EXPECT_EQ(e.Message(), "External exception E0000001");
    kept = kept + 1;
  }
  EXPECT_EQ(kept, 42);
  // After a caught raise the function's stack is where its code expects it:
  // a second raise from the same frame carries its own record.
  ULONG_PTR args[2] = {0x1234, 0x5678};
  try {
    RaiseException(0xC0000008, 0, 2, args);
  } catch (const EExternalException& e) {
    EXPECT_EQ(e.ExceptionRecord.ExceptionInformation[1], 0x5678u);
  }
}

// Calls RaiseException twice through a register, as the compiler does when a
// function raises more than once:
//   mov  __imp__RaiseException@16, %esi
//   ...
//   call *%esi          (ff d6)
//   ...
//   call *%esi          (ff d6)
__attribute__((noinline)) void RaiseTwiceThroughRegister(DWORD first, DWORD second) {
  auto raise = &RaiseException;
  asm("" : "+S"(raise));
  ULONG_PTR args[1] = {first};
  if (first) raise(first, 0, 1, args);
  raise(second, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

TEST(Faults, RaiseThroughARegisterCallIsMapped) {
  EXPECT_THROW(RaiseTwiceThroughRegister(0xE0000002, 0), EExternalException);
  EXPECT_THROW(RaiseTwiceThroughRegister(0, STATUS_INTEGER_DIVIDE_BY_ZERO), EDivByZero);
}

TEST(Faults, ExceptionCodesMapToTheirClasses) {
  struct {
    DWORD Code;
    TClass Class;
    const char* Message;
  } rows[] = {
      {STATUS_ARRAY_BOUNDS_EXCEEDED, ERangeError::StaticClass(), "Range check error"},
      {STATUS_FLOAT_DENORMAL_OPERAND, EUnderflow::StaticClass(), "Floating point underflow"},
      {STATUS_FLOAT_DIVIDE_BY_ZERO, EZeroDivide::StaticClass(), "Floating point division by zero"},
      {STATUS_FLOAT_INEXACT_RESULT, EInvalidOp::StaticClass(), "Invalid floating point operation"},
      {STATUS_FLOAT_STACK_CHECK, EInvalidOp::StaticClass(), "Invalid floating point operation"},
      {STATUS_FLOAT_OVERFLOW, EOverflow::StaticClass(), "Floating point overflow"},
      {STATUS_INTEGER_OVERFLOW, EIntOverflow::StaticClass(), "Integer overflow"},
      {STATUS_PRIVILEGED_INSTRUCTION, EPrivilege::StaticClass(), "Privileged instruction"},
      {STATUS_STACK_OVERFLOW, EStackOverflow::StaticClass(), "Stack overflow"},
      {STATUS_CONTROL_C_EXIT, EControlC::StaticClass(), "Control-C hit"},
      {0xC0000008, EExternalException::StaticClass(), "External exception C0000008"},
  };
  for (const auto& row : rows) {
    EXCEPTION_RECORD record{};
    record.ExceptionCode = row.Code;
    EXPECT_EQ(ExceptionClassOfRecord(record), row.Class) << std::hex << row.Code;
    auto e = ExceptionOfRecord(record);
    EXPECT_EQ(e->ClassType(), row.Class) << std::hex << row.Code;
    EXPECT_EQ(e->Message(), row.Message);
  }
}

// Runtime error numbers raise their classes at the given address; the I/O
// error (any number without a class) takes its message from the pending I/O
// result, which it resets. Out of memory raises a copy of the pre-built instance.
TEST(RuntimeErrors, NumbersRaiseTheirClasses) {
  const struct {
    int Number, Code;
    TClass Class;
    const char* Message;
  } rows[] = {{reInvalidPointer, 0, EInvalidPointer::StaticClass(), "Invalid pointer operation"},
              {reInvalidCast, 0, EInvalidCast::StaticClass(), "Invalid class typecast"},
              {reVariantLast, 0, EVariantError::StaticClass(), "Variant array index out of bounds"},
              {reOutOfMemory, 0, EOutOfMemory::StaticClass(), "Out of memory"},
              {0, 2, EInOutError::StaticClass(), "File not found"},
              {0, 5, EInOutError::StaticClass(), "File access denied"},
              {21, 101, EInOutError::StaticClass(), "Disk full"},
              {0, 106, EInOutError::StaticClass(), "Invalid numeric input"},
              {0, 103, EInOutError::StaticClass(), "I/O error 103"},
              {0, 0, EInOutError::StaticClass(), "I/O error 0"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Message);
    InOutRes() = row.Code;
    try {
      RunError(row.Number, reinterpret_cast<void*>(0x401234));
      ADD_FAILURE() << "nothing raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassType(), row.Class);
      EXPECT_EQ(e.Message(), row.Message);
      EXPECT_EQ(e.Address(), reinterpret_cast<void*>(0x401234));
      auto* io = dynamic_cast<const EInOutError*>(&e);
      EXPECT_EQ(io ? io->ErrorCode : row.Code, row.Code);
    }
    EXPECT_EQ(InOutRes(), 0);
  }
  EXPECT_EQ(&OutOfMemoryInstance(), &OutOfMemoryInstance());
}

}  // namespace
