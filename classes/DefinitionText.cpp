#include "DefinitionText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Components.h"
#include "TypInfo.h"

SONDREL_CLASS_RECORD(EParserError, Exception, "Classes");

String PlacePrefix(const String& fileName, TTextPlace place) {
  if (place.Line == 0) return fileName + ": ";
  return fileName + ":" + std::to_string(place.Line) + ":" + std::to_string(place.Column) + ": ";
}

namespace {

// --- Characters --------------------------------------------------------------

// Code points of the Windows-1252 bytes 0x80 to 0x9F; 0 where the code page
// defines no character. Bytes from 0xA0 up are the code points of the same
// number.
constexpr char16_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int ByteOfCodePoint(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (HighControls[i] && HighControls[i] == c) return 0x80 + i;
  return -1;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// A name without dots, or a dotted path of such names.
bool IsWord(const String& s, bool dotted) {
  if (s.empty()) return false;
  bool start = true;
  for (char c : s) {
    if (c == '.' && dotted && !start) {
      start = true;
    } else if (IsLetter(c) || (!start && IsDigit(c))) {
      start = false;
    } else {
      return false;
    }
  }
  return !start;
}

bool IsKeywordValue(const String& s) {
  return SameName(s, "False") || SameName(s, "True") || SameName(s, "nil");
}

// --- Parsing -------------------------------------------------------------------

class TTextParser {
 public:
  TTextParser(const String& text, const String& fileName) : Text(text), File(fileName) {}

  TDefComponent Parse() {
    // The open components, innermost last, with the indentation of their
    // headers. The component at open[i] stands at nesting level i + 1.
    std::vector<std::pair<int, TDefComponent*>> open;
    TDefComponent root;
    bool haveRoot = false;
    for (;;) {
      const int indent = LineStart();
      if (AtEnd()) break;
      const TTextPlace place = Here();
      while (!open.empty() && open.back().first >= indent) open.pop_back();
      if (IsHeader()) {
        if (open.empty() && haveRoot) Fail(place, "a second root component; children are indented deeper");
        const int level = static_cast<int>(open.size()) + 1;
        if (level > MaxDefinitionDepth) Fail(place, "components nested too deeply");
        TDefComponent* c;
        if (open.empty()) {
          haveRoot = true;
          c = &root;
        } else {
          open.back().second->Children.emplace_back();
          c = &open.back().second->Children.back();
        }
        Header(*c, level);
        c->Place = place;
        open.emplace_back(indent, c);
      } else {
        if (open.empty()) Fail(place, "a property outside any component");
        TDefProperty p = Property(static_cast<int>(open.size()) + 1);
        open.back().second->Props.push_back(std::move(p));
      }
      SkipSpace(false);
      if (!AtEnd() && Peek() != '\n') Fail(Here(), "unexpected text at the end of the line");
    }
    if (!haveRoot) Fail(Here(), "no component");
    return root;
  }

 private:
  // Moves to the first character of the next line that holds anything but
  // spaces and comments; returns its indentation.
  int LineStart() {
    for (;;) {
      if (Pos == 0 || (Pos <= Text.size() && Text[Pos - 1] == '\n')) {
        // at the start of a line
      } else {
        while (!AtEnd() && Peek() != '\n') ++Pos;
        if (AtEnd()) return 0;
        NewLine();
      }
      int indent = 0;
      while (!AtEnd() && Peek() == ' ') ++Pos, ++indent;
      if (AtEnd()) return 0;
      std::size_t rest = Pos;  // a line of blanks is empty, tabs or not
      while (rest < Text.size() && (Text[rest] == ' ' || Text[rest] == '\t')) ++rest;
      const char c = rest < Text.size() ? Text[rest] : '\n';
      const bool empty = c == '\n' || c == '#' || (c == '\r' && rest + 1 < Text.size() && Text[rest + 1] == '\n');
      if (!empty && Peek() == '\t') Fail(Here(), "a tab in the indentation; indent with spaces");
      if (empty) {
        while (!AtEnd() && Peek() != '\n') ++Pos;
        if (AtEnd()) return 0;
        NewLine();
        continue;
      }
      return indent;
    }
  }

  bool IsHeader() {
    const std::size_t start = Pos;
    const int line = Line;
    const std::size_t lineBegin = LineBegin;
    while (Modifier()) SkipSpace(false);
    NameOrPath();
    SkipSpace(false);
    const bool header = !AtEnd() && Peek() == ':';
    Pos = start;
    Line = line;
    LineBegin = lineBegin;
    return header;
  }

  // Consumes one of the header's leading words when it stands before a name.
  bool Modifier(TDefComponent* c = nullptr) {
    if (!IsLetter(Peek())) return false;
    const std::size_t start = Pos;
    const String word = Word(false);
    if (word == "prefix" && Peek() == '(') {
      ++Pos;
      SkipSpace(false);
      const TTextPlace place = Here();
      const std::int64_t n = IntegerLiteral();
      if (n < 0 || n > 15) Fail(place, "prefix flags range from 0 to 15");
      Expect(')');
      if (c) {
        c->HasPrefix = true;
        c->Flags |= static_cast<std::uint8_t>(n);
      }
      return true;
    }
    if (word == "inherited" || word == "inline") {
      const std::size_t after = Pos;
      SkipSpace(false);
      if (!AtEnd() && (IsLetter(Peek()) || Peek() == '"')) {
        if (c) {
          c->HasPrefix = true;
          c->Flags |= word == "inherited" ? pfInherited : pfInline;
        }
        return true;
      }
      Pos = after;
    }
    Pos = start;
    return false;
  }

  void Header(TDefComponent& c, int level) {
    while (Modifier(&c)) SkipSpace(false);
    c.Name = Name("a component name");
    SkipSpace(false);
    Expect(':');
    SkipSpace(false);
    const TTextPlace classPlace = Here();
    c.ClassName = Name("a class name");
    SkipSpace(false);
    if (!AtEnd() && Peek() == '[') {
      ++Pos;
      SkipSpace(false);
      c.Position = IntegerValue(level + 1);
      SkipSpace(false);
      Expect(']');
      c.HasPrefix = true;
      c.Flags |= pfChildPos;
    } else if (c.Flags & pfChildPos) {
      Fail(Here(), "the prefix names a child position; write it as [n] after the class");
    }
    // A record starts with the class name's length unless a prefix byte
    // comes first: 0 would end the list of children, 240 and more would read
    // as a prefix.
    if (c.ClassName.empty()) Fail(classPlace, "a class name is empty");
    if (c.ClassName.size() >= 240 && !c.HasPrefix)
      Fail(classPlace, "a class name of 240 or more characters needs prefix(0) before the component name");
  }

  // `level`: the nesting level of the property's value.
  TDefProperty Property(int level) {
    TDefProperty p;
    p.Place = Here();
    p.Path = PathName();
    SkipSpace(false);
    Expect('=');
    SkipSpace(false);
    p.Value = Value(level);
    return p;
  }

  String PathName() {
    const TTextPlace place = Here();
    if (AtEnd() || (Peek() != '"' && !IsLetter(Peek())))
      Fail(place, "expected a component or a property");
    String path = Name("a property path", true);
    if (path.empty()) Fail(place, "a property path is empty");
    return path;
  }

  // A word (with `dotted`, dotted words) or a quoted text; stored as a short
  // text, so of at most 255 characters.
  String Name(const char* what, bool dotted = false) {
    const TTextPlace place = Here();
    String name;
    if (!AtEnd() && Peek() == '"') {
      name = Quoted();
    } else if (!AtEnd() && IsLetter(Peek())) {
      name = Word(dotted);
    } else {
      Fail(place, String("expected ") + what);
    }
    if (name.size() > 255) Fail(place, String(what) + " is longer than 255 characters");
    return name;
  }

  void NameOrPath() {
    if (AtEnd()) return;
    if (Peek() == '"') {
      Quoted();
    } else if (IsLetter(Peek())) {
      Word(true);
    }
  }

  // Letters, digits and underscores, and with `dotted` dots between them.
  String Word(bool dotted) {
    const std::size_t start = Pos;
    while (!AtEnd() && (IsLetter(Peek()) || IsDigit(Peek()) ||
                        (dotted && Peek() == '.' && Pos + 1 < Text.size() && IsLetter(Text[Pos + 1]))))
      ++Pos;
    return Text.substr(start, Pos - start);
  }

  // --- Values

  // Nesting levels are those ReadDefinitionTree counts, so the text holds
  // exactly what the binary reader reads back.
  void CheckLevel(int level) const {
    if (level > MaxDefinitionDepth) Fail(Here(), "values nested too deeply");
  }

  TDefValue Value(int level) {
    CheckLevel(level);
    if (AtEnd()) Fail(Here(), "expected a value");
    TDefValue v;
    const TTextPlace place = Here();
    v.Place = place;
    const char c = Peek();
    if (c == '"') {
      v = TextValue(Quoted());
      v.Place = place;
    } else if (c == '-' || IsDigit(c)) {
      Number(v);
    } else if (c == '[') {
      Set(v);
    } else if (c == '(') {
      List(v, level);
    } else if (c == '<') {
      Collection(v, level);
    } else if (c == '{') {
      Binary(v);
    } else if (IsLetter(c)) {
      String word = Word(true);
      if (!AtEnd() && Peek() == '(' && Explicit(word, v)) {
        // an explicit spelling
      } else if (SameName(word, "False")) {
        v.Tag = tgFalse;
      } else if (SameName(word, "True")) {
        v.Tag = tgTrue;
      } else if (SameName(word, "nil")) {
        v.Tag = tgNil;
      } else {
        if (word.size() > 255) Fail(place, "an identifier is longer than 255 characters");
        v.Tag = tgIdent;
        v.Text = std::move(word);
      }
      v.Place = place;
    } else {
      Fail(Here(), "expected a value");
    }
    return v;
  }

  // Int8(n), Int16(n), Int32(n), Extended(0x...), LongString("..."), Ident("...").
  bool Explicit(const String& word, TDefValue& v) {
    if (word == "Int8" || word == "Int16" || word == "Int32") {
      ++Pos;
      SkipSpace(false);
      const TTextPlace at = Here();
      const std::int64_t n = IntegerLiteral();
      v.Tag = word == "Int8" ? tgInt8 : word == "Int16" ? tgInt16 : tgInt32;
      const std::int64_t limit = v.Tag == tgInt8 ? 128 : v.Tag == tgInt16 ? 32768 : 2147483648LL;
      if (n < -limit || n >= limit) Fail(at, "the number does not fit in " + word);
      v.Int = static_cast<std::int32_t>(n);
    } else if (word == "Extended") {
      ++Pos;
      SkipSpace(false);
      const TTextPlace at = Here();
      if (Text.compare(Pos, 2, "0x") != 0) Fail(at, "Extended(...) takes 0x and 20 hexadecimal digits");
      Pos += 2;
      v.Tag = tgExtended;
      for (int i = 9; i >= 0; --i) {  // most significant byte first
        if (Pos + 1 >= Text.size() || !IsHex(Text[Pos]) || !IsHex(Text[Pos + 1]))
          Fail(at, "Extended(...) takes 0x and 20 hexadecimal digits");
        v.Extended[i] = static_cast<std::uint8_t>(HexValue(Text[Pos]) * 16 + HexValue(Text[Pos + 1]));
        Pos += 2;
      }
    } else if (word == "LongString" || word == "Ident") {
      ++Pos;
      SkipSpace(false);
      const TTextPlace at = Here();
      if (AtEnd() || Peek() != '"') Fail(at, word + "(...) takes a quoted text");
      v.Text = Quoted();
      v.Tag = word == "Ident" ? tgIdent : tgLongString;
      if (v.Tag == tgIdent && v.Text.size() > 255) Fail(at, "an identifier is longer than 255 characters");
    } else {
      return false;
    }
    SkipSpace(false);
    Expect(')');
    return true;
  }

  std::int64_t IntegerLiteral() {
    const TTextPlace place = Here();
    const std::size_t start = Pos;
    if (!AtEnd() && Peek() == '-') ++Pos;
    if (AtEnd() || !IsDigit(Peek())) Fail(place, "expected a number");
    std::int64_t n = 0;
    while (!AtEnd() && IsDigit(Peek())) {
      n = n * 10 + (Peek() - '0');
      if (n > 2147483648LL) Fail(place, "the number is out of the range of 32-bit integers");
      ++Pos;
    }
    if (Text[start] == '-') n = -n;
    if (n > 2147483647LL) Fail(place, "the number is out of the range of 32-bit integers");
    return n;
  }

  TDefValue IntegerValue(int level) {
    CheckLevel(level);
    TDefValue v;
    v.Place = Here();
    if (IsLetter(Peek())) {
      const String word = Word(false);
      if ((word == "Int8" || word == "Int16" || word == "Int32") && Peek() == '(' && Explicit(word, v)) return v;
      Fail(v.Place, "expected an integer");
    }
    v.Int = static_cast<std::int32_t>(IntegerLiteral());
    v.Tag = IntegerTagFor(v.Int);
    return v;
  }

  void Number(TDefValue& v) {
    const std::size_t start = Pos;
    std::size_t end = Pos;
    if (Text[end] == '-') ++end;
    while (end < Text.size() && IsDigit(Text[end])) ++end;
    const bool fraction = end + 1 < Text.size() && Text[end] == '.' && IsDigit(Text[end + 1]);
    const bool exponent = end < Text.size() && (Text[end] == 'e' || Text[end] == 'E');
    if (!fraction && !exponent) {
      v.Int = static_cast<std::int32_t>(IntegerLiteral());
      v.Tag = IntegerTagFor(v.Int);
      return;
    }
    std::size_t stop = start;  // the characters a float literal may hold
    while (stop < Text.size() && stop - start < 80 &&
           (IsDigit(Text[stop]) || std::strchr("+-.eE", Text[stop])))
      ++stop;
    const String literal = Text.substr(start, stop - start);
    char* last = nullptr;
    const long double value = std::strtold(literal.c_str(), &last);
    const std::size_t length = static_cast<std::size_t>(last - literal.c_str());
    if (length == 0 || !std::isfinite(value)) Fail(Here(), "a number out of the range of floats");
    Pos += length;
    v.Tag = tgExtended;
    std::memcpy(v.Extended, &value, 10);
  }

  void Set(TDefValue& v) {
    v.Tag = tgSet;
    ++Pos;
    SkipSpace(true);
    if (!AtEnd() && Peek() == ']') {
      ++Pos;
      return;
    }
    for (;;) {
      const TTextPlace place = Here();
      String name = Name("an element name");
      if (name.empty()) Fail(place, "an element name is empty");
      v.Names.push_back(std::move(name));
      SkipSpace(true);
      if (!AtEnd() && Peek() == ']') break;
      Expect(',');
      SkipSpace(true);
    }
    ++Pos;
  }

  void List(TDefValue& v, int level) {
    v.Tag = tgList;
    ++Pos;
    for (;;) {
      SkipSpace(true);
      if (AtEnd()) Fail(v.Place, "the list is not closed with )");
      if (Peek() == ')') break;
      v.Items.push_back(Value(level + 1));
    }
    ++Pos;
  }

  bool AtExplicitInteger() const {
    for (const char* word : {"Int8(", "Int16(", "Int32("})
      if (Text.compare(Pos, std::strlen(word), word) == 0) return true;
    return false;
  }

  // `item` starts an item when no "=" follows it (else it is a property).
  bool AtItem() {
    if (Text.compare(Pos, 4, "item") != 0) return false;
    if (Pos + 4 < Text.size() && (IsLetter(Text[Pos + 4]) || IsDigit(Text[Pos + 4]) || Text[Pos + 4] == '.'))
      return false;
    std::size_t after = Pos + 4;
    while (after < Text.size() && (Text[after] == ' ' || Text[after] == '\t')) ++after;
    return after >= Text.size() || Text[after] != '=';
  }

  void Collection(TDefValue& v, int level) {
    v.Tag = tgCollection;
    ++Pos;
    SkipSpace(true);
    while (AtEnd() || Peek() != '>') {
      if (AtEnd() || !AtItem()) Fail(Here(), "expected item or > in a collection");
      CheckLevel(level + 1);
      TDefItem item;
      item.Place = Here();
      Pos += 4;
      SkipSpace(false);
      if (!AtEnd() && (Peek() == '-' || IsDigit(Peek()) || AtExplicitInteger()))
        item.Index.push_back(IntegerValue(level + 2));
      for (;;) {
        SkipSpace(true);
        if (AtEnd() || Peek() == '>' || AtItem()) break;
        item.Props.push_back(Property(level + 2));
      }
      v.CollectionItems.push_back(std::move(item));
    }
    ++Pos;
  }

  void Binary(TDefValue& v) {
    v.Tag = tgBinary;
    ++Pos;
    for (;;) {
      SkipSpace(true);
      if (AtEnd()) Fail(v.Place, "the binary data is not closed with }");
      if (Peek() == '}') break;
      if (!IsHex(Peek()) || Pos + 1 >= Text.size() || !IsHex(Text[Pos + 1]))
        Fail(Here(), "binary data is written as pairs of hexadecimal digits");
      v.Text += static_cast<char>(HexValue(Text[Pos]) * 16 + HexValue(Text[Pos + 1]));
      Pos += 2;
    }
    ++Pos;
  }

  // A text in double quotes, converted to the Windows-1252 code page. Printed
// texts are plain ASCII (other characters as \xHH), so they read the same in
// any editor; written ones may hold UTF-8 as well.
  String Quoted() {
    const TTextPlace open = Here();
    ++Pos;
    String out;
    for (;;) {
      if (AtEnd() || Peek() == '\n' || (Peek() == '\r' && Next() == '\n'))
        Fail(open, "the text is not closed with \"");
      const TTextPlace place = Here();
      const auto c = static_cast<unsigned char>(Text[Pos++]);
      if (c == '"') break;
      if (c == '\\') {
        const char e = AtEnd() ? '\0' : Text[Pos++];
        switch (e) {
          case 'n': out += '\n'; break;
          case 'r': out += '\r'; break;
          case 't': out += '\t'; break;
          case '\\': out += '\\'; break;
          case '"': out += '"'; break;
          case 'x':
            if (Pos + 1 >= Text.size() || !IsHex(Text[Pos]) || !IsHex(Text[Pos + 1]))
              Fail(place, "\\x takes two hexadecimal digits");
            out += static_cast<char>(HexValue(Text[Pos]) * 16 + HexValue(Text[Pos + 1]));
            Pos += 2;
            break;
          default: Fail(place, "an unknown escape; use \\n, \\r, \\t, \\\\, \\\" or \\xHH");
        }
      } else if (c < 0x20 && c != '\t') {
        Fail(place, "a control character in a text; write it as \\xHH");
      } else if (c < 0x80) {
        out += static_cast<char>(c);
      } else {
        const char32_t code = Utf8(c, place);
        const int b = ByteOfCodePoint(code);
        if (b < 0) {
          char hex[16];
          std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
          Fail(place, String("the character ") + hex + " is not in the Windows-1252 code page");
        }
        out += static_cast<char>(b);
      }
    }
    return out;
  }

  char32_t Utf8(unsigned char lead, TTextPlace place) {
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (lead > 0xF4) extra = -1;
    if (extra < 0) Fail(place, "the text is not valid UTF-8");
    char32_t code = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
      if (AtEnd() || (static_cast<unsigned char>(Peek()) & 0xC0) != 0x80) Fail(place, "the text is not valid UTF-8");
      code = code << 6 | (static_cast<unsigned char>(Text[Pos++]) & 0x3F);
    }
    const char32_t least = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      Fail(place, "the text is not valid UTF-8");
    return code;
  }

  // --- Position

  bool AtEnd() const { return Pos >= Text.size(); }
  char Peek() const { return Pos < Text.size() ? Text[Pos] : '\0'; }
  char Next() const { return Pos + 1 < Text.size() ? Text[Pos + 1] : '\0'; }
  TTextPlace Here() const { return {Line, static_cast<int>(Pos - LineBegin) + 1}; }

  void NewLine() {
    ++Pos;
    ++Line;
    LineBegin = Pos;
  }

  // Spaces, tabs and comments; with `lines` also line ends.
  void SkipSpace(bool lines) {
    while (!AtEnd()) {
      const char c = Peek();
      if (c == ' ' || c == '\t' || (c == '\r' && Next() == '\n')) {
        ++Pos;
      } else if (c == '#') {
        while (!AtEnd() && Peek() != '\n') ++Pos;
      } else if (c == '\n' && lines) {
        NewLine();
      } else {
        break;
      }
    }
  }

  void Expect(char c) {
    if (AtEnd() || Peek() != c) Fail(Here(), String("expected ") + c);
    ++Pos;
  }

  [[noreturn]] void Fail(TTextPlace place, const String& message) const {
    throw EParserError(PlacePrefix(File, place) + message);
  }

  const String& Text;
  const String& File;
  std::size_t Pos = 0;
  int Line = 1;
  std::size_t LineBegin = 0;
};

// --- Printing ------------------------------------------------------------------

void AppendQuoted(String& out, const String& text) {
  out += '"';
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  out += '"';
}

void AppendName(String& out, const String& name, bool dotted) {
  if (IsWord(name, dotted)) out += name;
  else AppendQuoted(out, name);
}

// The shortest decimal that reads back as the same 80 bits, or nothing.
bool DecimalOf(const std::uint8_t* bytes, String& out) {
  long double value = 0;
  std::memcpy(&value, bytes, 10);
  if (!std::isfinite(value)) return false;
  char text[64];
  for (int precision = 1; precision <= 21; ++precision) {
    __mingw_snprintf(text, sizeof text, "%.*Lg", precision, value);
    long double back = std::strtold(text, nullptr);
    if (std::memcmp(&back, bytes, 10) == 0) {
      out = text;
      if (out.find_first_of(".e") == String::npos) out += ".0";
      return true;
    }
  }
  return false;
}

class TTextPrinter {
 public:
  String Print(const TDefComponent& root) {
    Component(root, 0);
    return std::move(Out);
  }

 private:
  void Indent(int n) { Out.append(static_cast<std::size_t>(n), ' '); }

  void Component(const TDefComponent& c, int indent) {
    Indent(indent);
    const std::uint8_t odd = c.Flags & ~(pfInherited | pfInline | pfChildPos);
    if (odd || (c.HasPrefix && c.Flags == 0)) Out += "prefix(" + std::to_string(odd) + ") ";
    if (c.Flags & pfInherited) Out += "inherited ";
    if (c.Flags & pfInline) Out += "inline ";
    AppendName(Out, c.Name, false);
    Out += ": ";
    AppendName(Out, c.ClassName, false);
    if (c.Flags & pfChildPos) {
      Out += " [";
      Value(c.Position, indent);
      Out += ']';
    }
    Out += '\n';
    for (const TDefProperty& p : c.Props) Property(p, indent + 2);
    for (const TDefComponent& child : c.Children) {
      Out += '\n';
      Component(child, indent + 2);
    }
  }

  void Property(const TDefProperty& p, int indent) {
    Indent(indent);
    AppendName(Out, p.Path, true);
    Out += " = ";
    Value(p.Value, indent);
    Out += '\n';
  }

  void Value(const TDefValue& v, int indent) {
    switch (v.Tag) {
      case tgInt8:
      case tgInt16:
      case tgInt32:
        if (IntegerTagFor(v.Int) == v.Tag) Out += std::to_string(v.Int);
        else Out += (v.Tag == tgInt16 ? "Int16(" : "Int32(") + std::to_string(v.Int) + ")";
        break;
      case tgExtended: {
        String decimal;
        if (DecimalOf(v.Extended, decimal)) {
          Out += decimal;
        } else {
          Out += "Extended(0x";
          char hex[4];
          for (int i = 9; i >= 0; --i) {
            std::snprintf(hex, sizeof hex, "%02X", v.Extended[i]);
            Out += hex;
          }
          Out += ')';
        }
        break;
      }
      case tgString:
        AppendQuoted(Out, v.Text);
        break;
      case tgLongString:
        if (v.Text.size() < 256) {
          Out += "LongString(";
          AppendQuoted(Out, v.Text);
          Out += ')';
        } else {
          AppendQuoted(Out, v.Text);
        }
        break;
      case tgIdent:
        if (IsWord(v.Text, true) && !IsKeywordValue(v.Text)) {
          Out += v.Text;
        } else {
          Out += "Ident(";
          AppendQuoted(Out, v.Text);
          Out += ')';
        }
        break;
      case tgFalse:
      case tgTrue:
      case tgNil:
        Out += v.Identifier();
        break;
      case tgSet:
        Out += '[';
        for (std::size_t i = 0; i < v.Names.size(); ++i) {
          if (i) Out += ", ";
          AppendName(Out, v.Names[i], false);
        }
        Out += ']';
        break;
      case tgList:
        if (v.Items.empty()) {
          Out += "()";
          break;
        }
        Out += "(\n";
        for (const TDefValue& item : v.Items) {
          Indent(indent + 2);
          Value(item, indent + 2);
          Out += '\n';
        }
        Indent(indent);
        Out += ')';
        break;
      case tgCollection:
        if (v.CollectionItems.empty()) {
          Out += "<>";
          break;
        }
        Out += "<\n";
        for (const TDefItem& item : v.CollectionItems) {
          Indent(indent + 2);
          Out += "item";
          for (const TDefValue& index : item.Index) {
            Out += ' ';
            Value(index, indent + 2);
          }
          Out += '\n';
          for (const TDefProperty& p : item.Props) Property(p, indent + 4);
        }
        Indent(indent);
        Out += '>';
        break;
      case tgBinary:
        if (v.Text.empty()) {
          Out += "{}";
          break;
        }
        Out += "{";
        for (std::size_t i = 0; i < v.Text.size(); ++i) {
          if (i % 32 == 0) {
            Out += '\n';
            Indent(indent + 2);
          }
          char hex[4];
          std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(v.Text[i]));
          Out += hex;
        }
        Out += '\n';
        Indent(indent);
        Out += '}';
        break;
      default:
        break;
    }
  }

  String Out;
};

}  // namespace

TDefComponent ParseDefinitionText(const String& text, const String& fileName) {
  return TTextParser(text, fileName).Parse();
}

String DefinitionText(const TDefComponent& root) { return TTextPrinter().Print(root); }
