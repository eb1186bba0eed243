#include "Format.h"

#include <cstdio>

#include "Exceptions.h"

namespace {

[[noreturn]] void BadFormat(const String& format) {
  throw EConvertError("Invalid format directive or argument in \"" + format + "\"");
}

class TFormatter {
 public:
  TFormatter(const String& format, TFormatArgs args) : Fmt(format), Args(args) {}

  String Run() {
    String out;
    out.reserve(Fmt.size() + 16);
    for (std::size_t i = 0; i < Fmt.size();) {
      char c = Fmt[i++];
      if (c != '%') {
        out += c;
        continue;
      }
      if (i < Fmt.size() && Fmt[i] == '%') {
        out += '%';
        ++i;
        continue;
      }
      i = Directive(i, out);
    }
    return out;
  }

 private:
  const String& Fmt;
  TFormatArgs Args;
  std::size_t NextArg = 0;

  const TFormatArg& Take() {
    if (NextArg >= Args.size()) BadFormat(Fmt);
    return Args.begin()[NextArg++];
  }

  // Widths and precisions, written or given by '*', are bounded so that a
  // directive can never ask for unbounded memory.
  static constexpr long long MaxNumber = 100000;

  // Reads a decimal number or '*'; -1 when neither is there.
  int Number(std::size_t& i) {
    if (i < Fmt.size() && Fmt[i] == '*') {
      ++i;
      const TFormatArg& a = Take();
      if (a.Kind != TFormatArg::TKind::Integer && a.Kind != TFormatArg::TKind::Unsigned)
        BadFormat(Fmt);
      if (a.Int > MaxNumber || a.Int < -MaxNumber) BadFormat(Fmt);
      return static_cast<int>(a.Int);
    }
    if (i >= Fmt.size() || Fmt[i] < '0' || Fmt[i] > '9') return -1;
    long long n = 0;
    while (i < Fmt.size() && Fmt[i] >= '0' && Fmt[i] <= '9') {
      n = n * 10 + (Fmt[i++] - '0');
      if (n > MaxNumber) BadFormat(Fmt);
    }
    return static_cast<int>(n);
  }

  std::size_t Directive(std::size_t i, String& out) {
    // Optional argument index "n:".
    std::size_t digits = i;
    while (digits < Fmt.size() && Fmt[digits] >= '0' && Fmt[digits] <= '9') ++digits;
    if (digits > i && digits < Fmt.size() && Fmt[digits] == ':') {
      int index = Number(i);
      if (static_cast<std::size_t>(index) >= Args.size()) BadFormat(Fmt);
      NextArg = index;
      i = digits + 1;
    }
    bool left = false;
    if (i < Fmt.size() && Fmt[i] == '-') {
      left = true;
      ++i;
    }
    int width = Number(i);
    int precision = -1;
    if (i < Fmt.size() && Fmt[i] == '.') {
      ++i;
      precision = Number(i);
      if (precision < 0) precision = 0;
    }
    if (i >= Fmt.size()) BadFormat(Fmt);
    char type = static_cast<char>(Fmt[i++] | 0x20);  // directives ignore case
    const TFormatArg& a = Take();
    String body = Convert(type, a, precision);
    Pad(out, body, width, left);
    return i;
  }

  String Convert(char type, const TFormatArg& a, int precision) {
    using K = TFormatArg::TKind;
    char buf[32];
    switch (type) {
      case 'd':
        if (a.Kind != K::Integer && a.Kind != K::Unsigned) break;
        return Digits(a.Int < 0, a.Int < 0 ? 0ULL - static_cast<unsigned long long>(a.Int)
                                            : static_cast<unsigned long long>(a.Int),
                      precision, 10);
      case 'u':
        if (a.Kind != K::Integer && a.Kind != K::Unsigned) break;
        return Digits(false, static_cast<unsigned long long>(a.Int) & 0xFFFFFFFFULL, precision, 10);
      case 'x':
        if (a.Kind != K::Integer && a.Kind != K::Unsigned) break;
        return Digits(false, static_cast<unsigned long long>(a.Int) & 0xFFFFFFFFULL, precision, 16);
      case 'p':
        if (a.Kind != K::Pointer) break;
        std::snprintf(buf, sizeof buf, "%08lX", static_cast<unsigned long>(a.Int));
        return buf;
      case 's':
        if (a.Kind != K::Text) break;
        return String(a.TextData, precision >= 0 && static_cast<std::size_t>(precision) < a.TextSize
                                      ? precision
                                      : a.TextSize);
      default:
        break;
    }
    BadFormat(Fmt);
  }

  static String Digits(bool negative, unsigned long long value, int precision, unsigned base) {
    char buf[24];
    int n = 0;
    do {
      buf[n++] = "0123456789ABCDEF"[value % base];
      value /= base;
    } while (value);
    String s = negative ? "-" : "";
    for (int k = n; k < precision; ++k) s += '0';
    while (n) s += buf[--n];
    return s;
  }

  static void Pad(String& out, const String& body, int width, bool left) {
    std::size_t fill = width > 0 && static_cast<std::size_t>(width) > body.size() ? width - body.size() : 0;
    if (!left) out.append(fill, ' ');
    out += body;
    if (left) out.append(fill, ' ');
  }
};

}  // namespace

String Format(const String& format, TFormatArgs args) { return TFormatter(format, args).Run(); }
