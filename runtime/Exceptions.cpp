#include "Exceptions.h"

SONDREL_CLASS_RECORD(Exception, TObject, "SysUtils");

// The constructors are kept out of line so that the return address names the
// code that built the exception.
__attribute__((noinline)) Exception::Exception(const String& message)
    : FMessage(message), FAddress(__builtin_return_address(0)) {}

__attribute__((noinline)) Exception::Exception(TResId id)
    : FMessage(LoadResString(id)), FAddress(__builtin_return_address(0)) {}

__attribute__((noinline)) Exception::Exception(TResId id, TFormatArgs args)
    : FMessage(Format(LoadResString(id), args)), FAddress(__builtin_return_address(0)) {}


SONDREL_CLASS_RECORD(EAbort, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EOutOfMemory, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EOutOfResources, EOutOfMemory, "SysUtils");
SONDREL_CLASS_RECORD(EInOutError, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EIntError, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EDivByZero, EIntError, "SysUtils");
SONDREL_CLASS_RECORD(ERangeError, EIntError, "SysUtils");
SONDREL_CLASS_RECORD(EIntOverflow, EIntError, "SysUtils");
SONDREL_CLASS_RECORD(EMathError, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EInvalidOp, EMathError, "SysUtils");
SONDREL_CLASS_RECORD(EZeroDivide, EMathError, "SysUtils");
SONDREL_CLASS_RECORD(EOverflow, EMathError, "SysUtils");
SONDREL_CLASS_RECORD(EUnderflow, EMathError, "SysUtils");
SONDREL_CLASS_RECORD(EInvalidPointer, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EInvalidCast, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EConvertError, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EAccessViolation, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EPrivilege, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EStackOverflow, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EControlC, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EVariantError, Exception, "SysUtils");
SONDREL_CLASS_RECORD(EExternalException, Exception, "SysUtils");

SONDREL_CLASS_RECORD(EStreamError, Exception, "Classes");
SONDREL_CLASS_RECORD(EFCreateError, EStreamError, "Classes");
SONDREL_CLASS_RECORD(EFOpenError, EStreamError, "Classes");
SONDREL_CLASS_RECORD(EFilerError, EStreamError, "Classes");
SONDREL_CLASS_RECORD(EReadError, EFilerError, "Classes");
SONDREL_CLASS_RECORD(EWriteError, EFilerError, "Classes");
SONDREL_CLASS_RECORD(EClassNotFound, EFilerError, "Classes");
SONDREL_CLASS_RECORD(EResNotFound, Exception, "Classes");
SONDREL_CLASS_RECORD(EListError, Exception, "Classes");
SONDREL_CLASS_RECORD(EBitsError, Exception, "Classes");
SONDREL_CLASS_RECORD(EComponentError, Exception, "Classes");
SONDREL_CLASS_RECORD(EInvalidOperation, Exception, "Controls");
SONDREL_CLASS_RECORD(EInvalidGraphic, Exception, "Graphics");
SONDREL_CLASS_RECORD(EInvalidGraphicOperation, Exception, "Graphics");
SONDREL_CLASS_RECORD(EMenuError, Exception, "Menus");
