#include "Faults.h"

#include "Runtime.h"

#include <cstdint>
#include <cstring>

namespace {

thread_local int InOutResult = 0;

template <class E>
std::unique_ptr<Exception> New(TResId message) {
  return std::make_unique<E>(message);
}

struct TRuntimeErrorRow {
  TClass Class;
  TResId Message;
  std::unique_ptr<Exception> (*Create)(TResId message);
};

#define ROW(E, message) {E::StaticClass(), TResId::message, &New<E>}

// Rows 2 to 20 of the runtime error table; row 1 is the pre-built instance.
const TRuntimeErrorRow* RuntimeErrorRow(int number) {
  static const TRuntimeErrorRow rows[] = {
      ROW(EInvalidPointer, InvalidPointer),
      ROW(EDivByZero, DivisionByZero),
      ROW(ERangeError, RangeCheckError),
      ROW(EIntOverflow, IntegerOverflow),
      ROW(EInvalidOp, InvalidFloatOperation),
      ROW(EZeroDivide, FloatDivisionByZero),
      ROW(EOverflow, FloatOverflow),
      ROW(EUnderflow, FloatUnderflow),
      ROW(EInvalidCast, InvalidCast),
      ROW(EAccessViolation, AccessViolation),
      ROW(EPrivilege, PrivilegedInstruction),
      ROW(EControlC, ControlCHit),
      ROW(EStackOverflow, StackOverflow),
      ROW(EVariantError, InvalidVariantCast),
      ROW(EVariantError, InvalidVariantOperation),
      ROW(EVariantError, VariantDispatch),
      ROW(EVariantError, VariantArrayCreate),
      ROW(EVariantError, VariantNotArray),
      ROW(EVariantError, VariantArrayBounds),
  };
  return number >= 2 && number <= 20 ? &rows[number - 2] : nullptr;
}

#undef ROW

struct TInOutRow {
  int Code;
  TResId Message;
};
constexpr TInOutRow InOutRows[] = {
    {2, TResId::FileNotFound},      {3, TResId::InvalidFilename},
    {4, TResId::TooManyOpenFiles},  {5, TResId::FileAccessDenied},
    {100, TResId::ReadBeyondEndOfFile}, {101, TResId::DiskFull},
    {106, TResId::InvalidNumericInput},
};

EInOutError InOutErrorFor(int code) {
  for (const TInOutRow& row : InOutRows)
    if (row.Code == code) {
      EInOutError e(row.Message);
      e.ErrorCode = code;
      return e;
    }
  EInOutError e(TResId::InOutError, {code});
  e.ErrorCode = code;
  return e;
}

std::unique_ptr<EOutOfMemory> OutOfMemory;

}  // namespace

int& InOutRes() { return InOutResult; }

const EOutOfMemory& OutOfMemoryInstance() {
  if (!OutOfMemory) OutOfMemory = std::make_unique<EOutOfMemory>(TResId::OutOfMemory);
  return *OutOfMemory;
}

void RunError(int number, const void* address) {
  if (number == reOutOfMemory) {
    EOutOfMemory e = OutOfMemoryInstance();
    e.SetAddress(address);
    throw e;
  }
  if (const TRuntimeErrorRow* row = RuntimeErrorRow(number)) {
    std::unique_ptr<Exception> e = row->Create(row->Message);
    e->SetAddress(address);
    e->Raise();
  }
  EInOutError e = InOutErrorFor(InOutResult);
  InOutResult = 0;
  e.SetAddress(address);
  throw e;
}

int RuntimeErrorOfCode(DWORD code) {
  switch (code) {
    case STATUS_ACCESS_VIOLATION: return reAccessViolation;
    case STATUS_ARRAY_BOUNDS_EXCEEDED: return reRangeError;
    case STATUS_FLOAT_DENORMAL_OPERAND: return reUnderflow;
    case STATUS_FLOAT_DIVIDE_BY_ZERO: return reZeroDivide;
    case STATUS_FLOAT_INEXACT_RESULT: return reInvalidOp;
    case STATUS_FLOAT_INVALID_OPERATION: return reInvalidOp;
    case STATUS_FLOAT_OVERFLOW: return reOverflow;
    case STATUS_FLOAT_STACK_CHECK: return reInvalidOp;
    case STATUS_FLOAT_UNDERFLOW: return reUnderflow;
    case STATUS_INTEGER_DIVIDE_BY_ZERO: return reDivByZero;
    case STATUS_INTEGER_OVERFLOW: return reIntOverflow;
    case STATUS_PRIVILEGED_INSTRUCTION: return rePrivilege;
    case STATUS_STACK_OVERFLOW: return reStackOverflow;
    case STATUS_CONTROL_C_EXIT: return reControlBreak;
    default: return reExternalException;
  }
}

TClass ExceptionClassOfRecord(const EXCEPTION_RECORD& record) {
  int number = RuntimeErrorOfCode(record.ExceptionCode);
  if (number == reExternalException) return EExternalException::StaticClass();
  return RuntimeErrorRow(number)->Class;
}

std::unique_ptr<Exception> ExceptionOfRecord(const EXCEPTION_RECORD& record) {
  int number = RuntimeErrorOfCode(record.ExceptionCode);
  std::unique_ptr<Exception> e;
  if (number == reAccessViolation) {
    bool write = record.NumberParameters > 0 && record.ExceptionInformation[0] != 0;
    const void* data = record.NumberParameters > 1
                           ? reinterpret_cast<const void*>(record.ExceptionInformation[1])
                           : nullptr;
    e = std::make_unique<EAccessViolation>(
        TResId::AccessViolation,
        TFormatArgs{record.ExceptionAddress,
                    LoadResString(write ? TResId::AccessWrite : TResId::AccessRead), data});
  } else if (number == reExternalException) {
    auto external = std::make_unique<EExternalException>(
        TResId::ExternalException, TFormatArgs{static_cast<unsigned long>(record.ExceptionCode)});
    external->ExceptionRecord = record;
    external->ExceptionRecord.ExceptionRecord = nullptr;
    e = std::move(external);
  } else {
    const TRuntimeErrorRow* row = RuntimeErrorRow(number);
    e = row->Create(row->Message);
  }
  e->SetAddress(record.ExceptionAddress);
  return e;
}

// ---------------------------------------------------------------------------
// Turning platform exceptions into C++ exceptions.
//
// The vectored handler cannot throw: it runs inside the platform's exception
// dispatcher. Instead it saves the record and makes the faulting thread resume
// in ThrowPendingException, with a stack that looks as if the faulting code had
// called it. The DWARF unwinder then unwinds from there through the program's
// own frames (everything is compiled with -fnon-call-exceptions, so trapping
// instructions are covered by the unwind tables).
//
// Two cases are handled:
//  - a processor fault inside this program's code: the thread resumes in the
//    thrower with the faulting address + 1 as its return address (the
//    unwinder looks up return address - 1, which is inside the faulting
//    instruction);
//  - RaiseException called directly from this program's code: its return
//    address on the stack is redirected to a trampoline and the exception is
//    continued, so RaiseException returns normally, restoring every register,
//    and the trampoline calls the thrower as if from the original call site.
// Exceptions elsewhere (inside system libraries, which handle their own) are
// left to the platform.

extern "C" [[noreturn]] __attribute__((used, force_align_arg_pointer)) void
SondrelThrowPending() asm("sondrel_throw_pending");

extern "C" __attribute__((used)) DWORD SondrelTakeReturnAddress() asm("sondrel_take_return");

extern "C" void SondrelRaiseTrampoline() asm("sondrel_raise_trampoline");

namespace {

thread_local EXCEPTION_RECORD PendingRecord;
thread_local DWORD PendingReturnAddress;

std::uintptr_t CodeStart, CodeEnd;

bool InOwnCode(std::uintptr_t address) { return address >= CodeStart && address < CodeEnd; }

// True when `ret` follows a call whose target is known to be RaiseException:
// a call through the import slot, or a relative call to the import thunk.
bool IsDirectRaiseExceptionCall(const unsigned char* p) {
  const void* target = reinterpret_cast<const void*>(&RaiseException);
  if (p[-6] == 0xFF && p[-5] == 0x15) {  // call dword ptr [import slot]
    auto slot = *reinterpret_cast<const std::uintptr_t*>(p - 4);
    return *reinterpret_cast<const void* const*>(slot) == target;
  }
  if (p[-5] == 0xE8) {  // call rel32 to an import thunk: jmp dword ptr [slot]
    std::uintptr_t thunk = reinterpret_cast<std::uintptr_t>(p) + *reinterpret_cast<const std::int32_t*>(p - 4);
    if (!InOwnCode(thunk)) return false;
    const auto* t = reinterpret_cast<const unsigned char*>(thunk);
    if (t[0] != 0xFF || t[1] != 0x25) return false;
    auto slot = *reinterpret_cast<const std::uintptr_t*>(t + 2);
    return *reinterpret_cast<const void* const*>(slot) == target;
  }
  return false;
}

// True when `ret` follows an indirect call through a register or through
// memory addressed by a register (FF /2), the forms the compiler uses when it
// keeps RaiseException's address in a register. The target cannot be read
// back from the bytes, so the caller checks the call's arguments instead.
bool IsRegisterCall(const unsigned char* p) {
  auto modrm = [](unsigned char m, unsigned char mod) { return (m & 0xF8) == (mod << 6 | 0x10); };
  if (p[-2] == 0xFF && (modrm(p[-1], 3) || (modrm(p[-1], 0) && (p[-1] & 7) != 4 && (p[-1] & 7) != 5)))
    return true;  // call reg; call [reg]
  if (p[-3] == 0xFF && modrm(p[-2], 1) && (p[-2] & 7) != 4) return true;  // call [reg+disp8]
  if (p[-6] == 0xFF && modrm(p[-5], 2) && (p[-5] & 7) != 4) return true;  // call [reg+disp32]
  if (p[-3] == 0xFF && p[-2] == 0x14 && (p[-1] & 7) != 5) return true;      // call [sib]
  if (p[-4] == 0xFF && p[-3] == 0x54) return true;                          // call [sib+disp8]
  if (p[-7] == 0xFF && p[-6] == 0x94) return true;                          // call [sib+disp32]
  return false;
}

// Finds the stack slot holding the return address of the RaiseException call
// that raised `record`, searching up from the dispatcher's stack pointer. The
// slot is followed by the call's arguments (code, flags, count, arguments),
// which tells it from copies of the address in the platform's own frames; for
// an indirect call every argument must match, the argument block included.
DWORD* FindRaiseReturnSlot(const EXCEPTION_RECORD* record, DWORD esp) {
  NT_TIB* tib;
  asm("movl %%fs:0x18, %0" : "=r"(tib));
  auto stackBase = reinterpret_cast<std::uintptr_t>(tib->StackBase);
  auto recStart = reinterpret_cast<std::uintptr_t>(record);
  auto recEnd = recStart + sizeof(EXCEPTION_RECORD);
  auto onStack = [&](std::uintptr_t a, std::size_t size) { return a >= esp && a + size <= stackBase; };
  for (std::uintptr_t a = esp; a + 20 <= stackBase && a < esp + 4096; a += 4) {
    if (a >= recStart && a < recEnd) continue;  // the record holds addresses too
    auto* slot = reinterpret_cast<DWORD*>(a);
    DWORD count = slot[3] > EXCEPTION_MAXIMUM_PARAMETERS ? EXCEPTION_MAXIMUM_PARAMETERS : slot[3];
    if (slot[1] != record->ExceptionCode || count != record->NumberParameters) continue;
    std::uintptr_t ret = slot[0];
    if (!InOwnCode(ret) || ret < CodeStart + 7) continue;
    const auto* p = reinterpret_cast<const unsigned char*>(ret);
    if (IsDirectRaiseExceptionCall(p)) return slot;
    if (!IsRegisterCall(p)) continue;
    if ((slot[2] & EXCEPTION_NONCONTINUABLE) != (record->ExceptionFlags & EXCEPTION_NONCONTINUABLE))
      continue;
    const std::size_t size = count * sizeof(ULONG_PTR);
    if (count == 0 || (onStack(slot[4], size) && std::memcmp(reinterpret_cast<const void*>(slot[4]),
                                                             record->ExceptionInformation, size) == 0))
      return slot;
  }
  return nullptr;
}

LONG CALLBACK FaultHandler(EXCEPTION_POINTERS* info) {
  EXCEPTION_RECORD* record = info->ExceptionRecord;
  CONTEXT* context = info->ContextRecord;
  const DWORD code = record->ExceptionCode;
  const bool isError = (code & 0xC0000000u) == 0xC0000000u;

  if (isError && InOwnCode(context->Eip)) {
    PendingRecord = *record;
    auto* sp = reinterpret_cast<DWORD*>(context->Esp) - 1;
    *sp = context->Eip + 1;
    context->Esp = reinterpret_cast<DWORD>(sp);
    context->Eip = reinterpret_cast<DWORD>(&SondrelThrowPending);
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  if (DWORD* slot = FindRaiseReturnSlot(record, context->Esp)) {
    PendingRecord = *record;
    PendingReturnAddress = *slot;
    *slot = reinterpret_cast<DWORD>(&SondrelRaiseTrampoline);
    record->ExceptionFlags &= ~EXCEPTION_NONCONTINUABLE;
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void SondrelThrowPending() {
  EXCEPTION_RECORD record = PendingRecord;
  ExceptionOfRecord(record)->Raise();
  __builtin_unreachable();
}

DWORD SondrelTakeReturnAddress() { return PendingReturnAddress; }

// Entered when RaiseException returns, which has already removed its four
// arguments from the stack. The thrower must see the stack as it was during
// the call, as a callee that raises never returns: the landing pads of the
// calling function expect its stack pointer where it stood then. So the
// trampoline moves back over the arguments and the return address slot, puts
// the original call site there and jumps to the thrower.
asm(".text\n"
    ".globl sondrel_raise_trampoline\n"
    "sondrel_raise_trampoline:\n"
    "  subl $20, %esp\n"
    "  call sondrel_take_return\n"
    "  movl %eax, (%esp)\n"
    "  jmp sondrel_throw_pending\n");

void InstallFaultMapping() {
  OutOfMemoryInstance();
  const IMAGE_OPTIONAL_HEADER32& image = ProgramHeaders().OptionalHeader;
  CodeStart = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr)) + image.BaseOfCode;
  CodeEnd = CodeStart + image.SizeOfCode;
  AddVectoredExceptionHandler(1, FaultHandler);
}
