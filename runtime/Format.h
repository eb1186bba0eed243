// The one formatting routine behind every message of the system.
//
// Directives: %[index:][-][width][.precision]type with the types
//   d  signed decimal (precision = minimum digits)
//   u  unsigned decimal
//   x  hexadecimal, upper-case digits (precision = minimum digits)
//   p  pointer: eight upper-case hexadecimal digits
//   s  String (precision = maximum characters)
// Width and precision may be '*' (taken from the next integer argument); "%%"
// is a literal percent sign. A directive that does not match its argument, or
// that runs out of arguments, raises EConvertError.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "Object.h"

// One argument of Format; it refers to the caller's text, so it lives only for
// the call it is passed to.
class TFormatArg {
 public:
  enum class TKind { Integer, Unsigned, Pointer, Text };

  TFormatArg(int v) : Kind(TKind::Integer), Int(v) {}
  TFormatArg(long v) : Kind(TKind::Integer), Int(v) {}
  TFormatArg(long long v) : Kind(TKind::Integer), Int(v) {}
  TFormatArg(unsigned v) : Kind(TKind::Unsigned), Int(v) {}
  TFormatArg(unsigned long v) : Kind(TKind::Unsigned), Int(v) {}
  TFormatArg(const void* v) : Kind(TKind::Pointer), Int(reinterpret_cast<std::uintptr_t>(v)) {}
  TFormatArg(const char* v) : Kind(TKind::Text), TextData(v ? v : ""), TextSize(std::strlen(TextData)) {}
  TFormatArg(const String& v) : Kind(TKind::Text), TextData(v.data()), TextSize(v.size()) {}

  TKind Kind;
  long long Int = 0;
  const char* TextData = "";
  std::size_t TextSize = 0;
};

using TFormatArgs = std::initializer_list<TFormatArg>;

String Format(const String& format, TFormatArgs args);
