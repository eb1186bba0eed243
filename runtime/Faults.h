// Runtime errors, processor faults and platform exceptions turned into
// exceptions of the mapped classes.
#pragma once

#include <windows.h>

#include <memory>

#include "Exceptions.h"

// Runtime error numbers of the runtime-error hook.
enum TRuntimeError : int {
  reInOutError = 0,
  reOutOfMemory = 1,
  reInvalidPointer = 2,
  reDivByZero = 3,
  reRangeError = 4,
  reIntOverflow = 5,
  reInvalidOp = 6,
  reZeroDivide = 7,
  reOverflow = 8,
  reUnderflow = 9,
  reInvalidCast = 10,
  reAccessViolation = 11,
  rePrivilege = 12,
  reControlBreak = 13,
  reStackOverflow = 14,
  reVariantFirst = 15,
  reVariantLast = 20,
  reExternalException = 21,
};

// The runtime's per-thread input/output result (0 when there is none).
int& InOutRes();

// Raises the exception of runtime error `number`, recorded as raised at
// `address`. 0 and numbers above 20 raise the input/output error for the
// current InOutRes (and reset it to 0); 1 raises the pre-built out-of-memory
// exception.
[[noreturn]] void RunError(int number, const void* address = nullptr);

// The runtime error number that a platform exception code maps to.
int RuntimeErrorOfCode(DWORD exceptionCode);
// The class of the exception built for a platform exception record.
TClass ExceptionClassOfRecord(const EXCEPTION_RECORD& record);
// A new exception object for a platform exception record.
std::unique_ptr<Exception> ExceptionOfRecord(const EXCEPTION_RECORD& record);

// The pre-built instance raised when memory runs out; it needs no allocation.
const EOutOfMemory& OutOfMemoryInstance();

// Builds the out-of-memory instance and installs the handler that turns
// processor faults in this program's code, and platform exceptions that it
// raises with RaiseException, into C++ exceptions thrown at the fault.
void InstallFaultMapping();
