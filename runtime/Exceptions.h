// The exception class tree. Every error of the system is an object of a class
// derived from Exception, thrown by value and caught by reference.
//
// Each class is built in one of three ways: from a String; from a string
// resource identifier; from a string resource identifier and arguments for
// Format.
#pragma once

#include <windows.h>

#include "Format.h"
#include "Object.h"
#include "ResStrings.h"

class Exception : public TObject {
  SONDREL_CLASS(Exception)

 public:
  explicit Exception(const String& message);
  explicit Exception(TResId id);
  Exception(TResId id, TFormatArgs args);

  const String& Message() const { return FMessage; }
  void SetMessage(const String& message) { FMessage = message; }

  // The code address the exception was raised at: the faulting instruction
  // for processor faults, otherwise the code that constructed the object.
  const void* Address() const { return FAddress; }
  void SetAddress(const void* address) { FAddress = address; }

  // Throws a copy of this object with its dynamic class.
  [[noreturn]] virtual void Raise() const { throw *this; }

 private:
  String FMessage;
  const void* FAddress = nullptr;
};

// Declares an exception class that adds nothing to its base but its name.
#define SONDREL_EXCEPTION(Name, Base)                     \
  class Name : public Base {                              \
    SONDREL_CLASS(Name)                                   \
                                                          \
   public:                                                \
    using Base::Base;                                     \
    [[noreturn]] void Raise() const override { throw *this; } \
  };

SONDREL_EXCEPTION(EAbort, Exception)
SONDREL_EXCEPTION(EOutOfMemory, Exception)
SONDREL_EXCEPTION(EOutOfResources, EOutOfMemory)

class EInOutError : public Exception {
  SONDREL_CLASS(EInOutError)

 public:
  using Exception::Exception;
  [[noreturn]] void Raise() const override { throw *this; }

  int ErrorCode = 0;  // the runtime's input/output error number
};

SONDREL_EXCEPTION(EIntError, Exception)
SONDREL_EXCEPTION(EDivByZero, EIntError)
SONDREL_EXCEPTION(ERangeError, EIntError)
SONDREL_EXCEPTION(EIntOverflow, EIntError)
SONDREL_EXCEPTION(EMathError, Exception)
SONDREL_EXCEPTION(EInvalidOp, EMathError)
SONDREL_EXCEPTION(EZeroDivide, EMathError)
SONDREL_EXCEPTION(EOverflow, EMathError)
SONDREL_EXCEPTION(EUnderflow, EMathError)
SONDREL_EXCEPTION(EInvalidPointer, Exception)
SONDREL_EXCEPTION(EInvalidCast, Exception)
SONDREL_EXCEPTION(EConvertError, Exception)
SONDREL_EXCEPTION(EAccessViolation, Exception)
SONDREL_EXCEPTION(EPrivilege, Exception)
SONDREL_EXCEPTION(EStackOverflow, Exception)
SONDREL_EXCEPTION(EControlC, Exception)
SONDREL_EXCEPTION(EVariantError, Exception)

class EExternalException : public Exception {
  SONDREL_CLASS(EExternalException)

 public:
  using Exception::Exception;
  [[noreturn]] void Raise() const override { throw *this; }

  // A copy of the platform's record of the fault (its chain link cleared).
  EXCEPTION_RECORD ExceptionRecord{};
};

// Raised by the class library and the layers above it.
SONDREL_EXCEPTION(EStreamError, Exception)
SONDREL_EXCEPTION(EFCreateError, EStreamError)
SONDREL_EXCEPTION(EFOpenError, EStreamError)
SONDREL_EXCEPTION(EFilerError, EStreamError)
SONDREL_EXCEPTION(EReadError, EFilerError)
SONDREL_EXCEPTION(EWriteError, EFilerError)
SONDREL_EXCEPTION(EClassNotFound, EFilerError)
SONDREL_EXCEPTION(EResNotFound, Exception)
SONDREL_EXCEPTION(EListError, Exception)
SONDREL_EXCEPTION(EBitsError, Exception)
SONDREL_EXCEPTION(EComponentError, Exception)
SONDREL_EXCEPTION(EInvalidOperation, Exception)
SONDREL_EXCEPTION(EInvalidGraphic, Exception)
SONDREL_EXCEPTION(EInvalidGraphicOperation, Exception)
SONDREL_EXCEPTION(EMenuError, Exception)
