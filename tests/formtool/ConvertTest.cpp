// Conversions between binary definitions, definition trees and their text:
// exact round trips for every value kind and record flag, for definitions the
// writer produces and for random trees; typed errors for damaged binaries and
// located errors for malformed text.
#include <gtest/gtest.h>

#include <random>

#include "DefinitionText.h"
#include "Registry.h"
#include "Runtime.h"
#include "StreamingClasses.h"
#include "TestSupport.h"

namespace streaming_test {
namespace {

String Binary(const TDefComponent& root) {
  TMemoryStream stream;
  WriteDefinitionTree(root, stream);
  return BytesOf(stream);
}
TDefComponent Tree(const String& bytes) {
  TDefStream stream(bytes);
  return ReadDefinitionTree(stream);
}
String TextOf(const String& bytes) { return DefinitionText(Tree(bytes)); }
String BinaryOf(const String& text) { return Binary(ParseDefinitionText(text, "t.frm")); }

// Binary -> text -> binary gives the same bytes, text -> binary -> text the
// same text.
testing::AssertionResult RoundTrips(const String& bytes) {
  const String text = TextOf(bytes);
  if (BinaryOf(text) != bytes) return testing::AssertionFailure() << "bytes differ after\n" << text;
  if (DefinitionText(ParseDefinitionText(text, "t.frm")) != text)
    return testing::AssertionFailure() << "text differs after\n" << text;
  return testing::AssertionSuccess();
}

TEST(Convert, TheProgramsDefinitionRoundTrips) {
  const String bytes = MainFormBytes();
  EXPECT_TRUE(RoundTrips(bytes));
  const String text = TextOf(bytes);
  EXPECT_EQ(text.substr(0, 48), "MainForm: TMainForm\n  Left = 193\n  Top = 109\n  W");
  EXPECT_NE(text.find("\n\n  ExitBtn: TButton\n    Left = 8\n"), String::npos);
  EXPECT_NE(text.find("Caption = \"Programa exemplo de como tocar sons \\xE0 partir de recursos.\\n\\n"),
            String::npos);
}

// One definition holding every value kind, the spellings that keep unusual
// encodings, and every prefix of a component record.
TEST(Convert, EveryValueKindAndRecordFlagKeepsItsBytes) {
  auto extended = [](std::initializer_list<int> bytes) {  // most significant first
    String s(10, '\0');
    int i = 9;
    for (int b : bytes) s[i--] = static_cast<char>(b);
    return TDef().Byte({tgExtended}).Raw(s.data(), 10);
  };
  auto binary = [](const String& data) {
    auto n = static_cast<std::uint32_t>(data.size());
    return TDef().Byte({tgBinary}).Raw(&n, 4).Raw(data.data(), data.size());
  };
  TDef def;
  def.Signature().Head("TRoot", "Root");
  struct TCase {
    const char* Path;
    TDef Value;
    const char* Spelling;  // as the text writes it
  };
  const TCase cases[] = {
      {"I8", TDef().Int8(-128), "-128"},
      {"I16", TDef().Int16(300), "300"},
      {"I32", TDef().Int32(-2147483647 - 1), "-2147483648"},
      {"Wide16", TDef().Int16(5), "Int16(5)"},
      {"Wide32", TDef().Int32(-300), "Int32(-300)"},
      {"Half", extended({0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}), "0.5"},
      {"Tenth", extended({0x3F, 0xFB, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCD}), "0.1"},
      {"NegZero", extended({0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0}), "-0.0"},
      {"Infinity", extended({0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}), "Extended(0x7FFF8000000000000000)"},
      {"Unnormal", extended({0x40, 0x00, 0x40, 0, 0, 0, 0, 0, 0, 0}), "Extended(0x40004000000000000000)"},
      {"Text", TDef().Str("a\"b\\c\n\r\t\x01\xE0\x7F"), "\"a\\\"b\\\\c\\n\\r\\t\\x01\\xE0\\x7F\""},
      {"Empty", TDef().Str(""), "\"\""},
      {"LongShort", TDef().LongStr("x"), "LongString(\"x\")"},
      {"Long", TDef().LongStr(String(300, 'y')), nullptr},
      {"Ident", TDef().Ident("Form2.Button1"), "Form2.Button1"},
      {"OddIdent", TDef().Ident("two words"), "Ident(\"two words\")"},
      {"FalseIdent", TDef().Ident("false"), "Ident(\"false\")"},
      {"F", TDef().Byte({tgFalse}), "False"},
      {"T", TDef().Byte({tgTrue}), "True"},
      {"N", TDef().Byte({tgNil}), "nil"},
      {"Set", TDef().Set({"a", "b c"}), "[a, \"b c\"]"},
      {"NoSet", TDef().Set({}), "[]"},
      {"List", TDef().Byte({tgList}).Str("s").Byte({tgList, tgNull}).Int8(1).End(), "(\n    \"s\"\n    ()\n    1\n  )"},
      {"Items", TDef().Byte({tgCollection}).Byte({tgList}).Short("V").Int8(1).End().Int32(7).Byte({tgList, tgNull}).End(),
       "<\n    item\n      V = 1\n    item Int32(7)\n  >"},
      {"NoItems", TDef().Byte({tgCollection, tgNull}), "<>"},
      {"Data", binary(String("\0\xFF", 2)), "{\n    00FF\n  }"},
      {"NoData", binary(""), "{}"},
      {"Block", binary(String(40, '\x11')), nullptr},
      {"odd path", TDef().Int8(1), nullptr},
  };
  for (const TCase& c : cases) def.Short(c.Path).Append(c.Value);
  def.End();
  def.Byte({0xF1}).Head("TChild", "Inherited").End().End();
  def.Byte({0xF4}).Head("TChild", "Inline").End().End();
  def.Byte({0xF3}).Int16(2).Head("TChild", "Placed").End().End();
  def.Byte({0xF0}).Head("TChild", "").End().End();
  def.Byte({0xF8}).Head("Odd Class", "prefix").End().End();
  def.End();

  ASSERT_TRUE(RoundTrips(def.Bytes));
  const String text = TextOf(def.Bytes);
  for (const TCase& c : cases)
    if (c.Spelling) {
      const String line = String(c.Path) + " = " + c.Spelling + "\n";
      EXPECT_NE(text.find(line), String::npos) << line << "\n" << text;
    }
  for (const char* line : {"\"odd path\" = 1\n", "inherited Inherited: TChild\n", "inline Inline: TChild\n",
                           "Placed: TChild [Int16(2)]\n", "prefix(0) \"\": TChild\n",
                           "prefix(8) prefix: \"Odd Class\"\n"})
    EXPECT_NE(text.find(line), String::npos) << line << "\n" << text;
}

// Random components with random values of every kind, written by the writer.
TEST(Convert, WriterDefinitionsRoundTrip) {
  std::mt19937 random(20261206);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto text = [&](int length) {
    String s;
    for (int i = 0; i < length; ++i) s += static_cast<char>(random());
    return s;
  };
  TKeepRootNames keep;
  for (int round = 0; round < 2000; ++round) {
    TKindsRoot root(nullptr);
    root.Rename("Root");
    const int count = 1 + pick(3);
    for (int i = 0; i < count; ++i) {
      auto* e = new TEveryKind(&root);
      e->Rename("E" + std::to_string(i));
      e->Int8 = static_cast<std::int8_t>(random()), e->Int16 = static_cast<std::int16_t>(random());
      e->Int32 = static_cast<std::int32_t>(random()) >> pick(32), e->Color = pick(2) ? 0x80 : pick(1000);
      e->Char = static_cast<char>(random()), e->Kind = static_cast<TKind>(pick(3)), e->Flag = pick(2);
      e->Smalls = static_cast<std::uint8_t>(pick(16));
      std::uint64_t bits = (std::uint64_t{random()} << 32) | random();
      std::memcpy(&e->Double, &bits, 8);
      if (!std::isfinite(e->Double)) e->Double = 0.25;
      e->Extended = e->Double / 3.0L, e->Single = static_cast<float>(pick(100000)) / 7.0f;
      e->Comp = static_cast<long long>(bits >> pick(64)), e->Currency = TCurrency{static_cast<std::int64_t>(bits >> 20)};
      e->ShortText = text(pick(16)), e->Text = text(pick(4) ? pick(40) : 256 + pick(300));
      for (int n = pick(4); n > 0; --n) static_cast<TItem*>(e->Items()->Add())->Text = text(pick(8));
      for (int n = pick(4); n > 0; --n) e->Lines()->Add(text(pick(20)));
      e->Binary = text(pick(3) ? 0 : pick(70));
      if (pick(2)) e->OnEvent = TNotifyEvent::Of<&TKindsRoot::Handler>(&root);
      e->Font()->Height = -pick(40), e->Font()->Name = text(pick(10));
    }
    for (int i = 0; i < count; ++i)
      static_cast<TEveryKind*>(root.OwnedAt(i))->Reference = root.OwnedAt(pick(count));
    ASSERT_TRUE(RoundTrips(WrittenDefinition(&root))) << "round " << round;
  }
}

// Random trees with the encodings the writer never chooses.
TEST(Convert, RandomTreesRoundTrip) {
  std::mt19937 random(7);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto text = [&](int length, bool nonEmpty) {
    String s;
    for (int i = 0; i < length || (nonEmpty && s.empty()); ++i) s += static_cast<char>(1 + pick(255));
    return s;
  };
  std::function<TDefValue(int)> value = [&](int depth) {
    TDefValue v;
    const TValueTag tags[] = {tgInt8, tgInt16, tgInt32, tgExtended, tgString, tgLongString, tgIdent, tgFalse,
                              tgTrue, tgNil, tgSet, tgBinary, tgList, tgCollection};
    v.Tag = tags[pick(depth > 3 ? 12 : 14)];
    v.Int = v.Tag == tgInt8 ? static_cast<std::int8_t>(random()) : v.Tag == tgInt16 ? static_cast<std::int16_t>(random())
                                                                                     : static_cast<std::int32_t>(random());
    for (auto& b : v.Extended) b = static_cast<std::uint8_t>(random());
    v.Text = text(v.Tag == tgLongString && pick(2) ? 300 : pick(12), false);
    for (int n = pick(3); n > 0; --n) v.Names.push_back(text(1 + pick(6), true));
    for (int n = v.Tag == tgList ? pick(4) : 0; n > 0; --n) v.Items.push_back(value(depth + 1));
    for (int n = v.Tag == tgCollection ? pick(3) : 0; n > 0; --n) {
      TDefItem item;
      if (pick(2)) item.Index.push_back(value(99)), item.Index[0].Tag = tgInt16;
      for (int k = pick(3); k > 0; --k) item.Props.push_back({text(1 + pick(5), true), value(depth + 1), {}});
      v.CollectionItems.push_back(std::move(item));
    }
    return v;
  };
  std::function<TDefComponent(int)> component = [&](int depth) {
    TDefComponent c;
    c.HasPrefix = pick(2);
    c.Flags = c.HasPrefix ? static_cast<std::uint8_t>(pick(16)) : 0;
    c.Position.Tag = tgInt32;
    c.Position.Int = pick(5);
    c.ClassName = text(1 + pick(8), true);
    c.Name = pick(2) ? "C" + std::to_string(depth) : text(pick(8), false);
    for (int n = pick(5); n > 0; --n) c.Props.push_back({text(1 + pick(9), true), value(0), {}});
    for (int n = depth < 3 ? pick(3) : 0; n > 0; --n) c.Children.push_back(component(depth + 1));
    return c;
  };
  for (int round = 0; round < 3000; ++round) ASSERT_TRUE(RoundTrips(Binary(component(0)))) << "round " << round;
}

// Damage ends in the reader's errors; whatever still reads converts exactly.
TEST(Convert, DamagedBinariesEndInReadErrors) {
  std::mt19937 random(11);
  const String good = MainFormBytes();
  int failures = 0;
  auto attempt = [&](const String& bytes) {
    try {
      TDefStream stream(bytes);
      std::int32_t end = 0;
      const String again = Binary(ReadDefinitionTree(stream, &end));
      EXPECT_EQ(again, bytes.substr(0, static_cast<std::size_t>(end)));
    } catch (const EReadError&) {
      ++failures;
    }
  };
  for (std::size_t n = 0; n < good.size(); ++n) attempt(good.substr(0, n));
  EXPECT_EQ(failures, static_cast<int>(good.size()));
  for (int round = 0; round < 5000; ++round) {
    String bytes = good;
    for (int k = 1 + static_cast<int>(random() % 4); k > 0; --k)
      bytes[random() % bytes.size()] = static_cast<char>(random());
    attempt(bytes);
  }
  String deep = "TPF0\x01X\x01Y";
  deep += String(5000, static_cast<char>(tgList));
  attempt(deep);
  attempt(String("TPF0\x01X\x01Y\x01P\x0C\xFF\xFF\xFF\x7F", 14));  // a long text longer than the stream
  // A record without a class name, first or after a prefix byte, has no text
  // form and cannot be instantiated.
  const String classlessChild =
      RootWith("TForm", "F", TDef(), TDef().Byte({0xF0}).Head("", "C").End().End());
  for (const String& bytes : {String("TPF0\0\0\0\0", 8), classlessChild})
    EXPECT_RAISES(EReadError, Tree(bytes), "A component's class name is empty");
}

TEST(Convert, MalformedTextGivesLocatedErrors) {
  struct TCase {
    String Text;
    const char* Message;
  };
  const TCase cases[] = {
      {"", "t.frm:1:1: no component"},
      {"# only a comment\n\n", "t.frm:3:1: no component"},
      {"A: TA\nB: TB\n", "t.frm:2:1: a second root component; children are indented deeper"},
      {"  X = 1\n", "t.frm:1:3: a property outside any component"},
      {"A: TA\n\tX = 1\n", "t.frm:2:1: a tab in the indentation; indent with spaces"},
      {"A: TA\n  X = \"abc\n", "t.frm:2:7: the text is not closed with \""},
      {"A: TA\n  X = \"a\\qb\"\n", "t.frm:2:9: an unknown escape; use \\n, \\r, \\t, \\\\, \\\" or \\xHH"},
      {"A: TA\n  X = \"\xE2\x82\"\n", "t.frm:2:8: the text is not valid UTF-8"},
      {"A: TA\n  X = \"\xE4\xB8\xAD\"\n", "t.frm:2:8: the character U+4E2D is not in the Windows-1252 code page"},
      {"A: TA\n  X = 2147483648\n", "t.frm:2:7: the number is out of the range of 32-bit integers"},
      {"A: TA\n  X = Int8(200)\n", "t.frm:2:12: the number does not fit in Int8"},
      {"A: TA\n  X = 1 2\n", "t.frm:2:9: unexpected text at the end of the line"},
      {"A: TA\n  X = (1\n  2\n", "t.frm:2:7: the list is not closed with )"},
      {"A: TA\n  X = [a,\n", "t.frm:3:1: expected an element name"},
      {"A: TA\n  X = <\n  Y = 1>\n", "t.frm:3:3: expected item or > in a collection"},
      {"A: TA\n  X = {0G}\n", "t.frm:2:8: binary data is written as pairs of hexadecimal digits"},
      {"A: TA\n  X = Extended(1.5)\n", "t.frm:2:16: Extended(...) takes 0x and 20 hexadecimal digits"},
      {"A: TA\n  X =\n", "t.frm:2:6: expected a value"},
      {"A: TA\n  X: TX [a]\n", "t.frm:2:10: expected an integer"},
      {"prefix(2) A: TA\n", "t.frm:1:16: the prefix names a child position; write it as [n] after the class"},
      {"A: \"\"\n", "t.frm:1:4: a class name is empty"},
      {"A: TA\n  " + String(256, 'p') + " = 1\n", "t.frm:2:3: a property path is longer than 255 characters"},
      {"A: TA\n  \"" + String(256, 'p') + "\" = 1\n", "t.frm:2:3: a property path is longer than 255 characters"},
  };
  for (const TCase& c : cases) EXPECT_RAISES(EParserError, ParseDefinitionText(c.Text, "t.frm"), c.Message) << c.Text;
  const String deep = "A: TA\n  X = " + String(300, '(') + "\n";
  EXPECT_RAISES(EParserError, ParseDefinitionText(deep, "t.frm"), "t.frm:2:206: values nested too deeply");
}

// Components nested `depth` deep, each one space deeper than its parent; the
// innermost has `header` after its class and `property` inside.
String Nested(int depth, const char* header, const char* property) {
  String text;
  for (int i = 0; i < depth; ++i)
    text += String(i, ' ') + "C: TC" + (i + 1 == depth ? header : "") + "\n";
  if (*property) text += String(depth, ' ') + property + "\n";
  return text;
}

// The text refuses nesting where the binary reader would, at the record that
// goes too deep; what it accepts reads back.
TEST(Convert, TextAndBinaryShareTheNestingLimit) {
  struct TCase {
    const char* Header;
    const char* Property;
    const char* Refusal;  // one level deeper than the text accepts
  };
  const TCase cases[] = {
      {"", "", "t.frm:201:201: components nested too deeply"},
      {" [1]", "", "t.frm:200:207: values nested too deeply"},
      {"", "X = 1", "t.frm:201:205: values nested too deeply"},
      {"", "X = ( ( 1 ) )", "t.frm:199:207: values nested too deeply"},
      {"", "X = < item 0 >", "t.frm:199:210: values nested too deeply"},
      {"", "X = < item Y = 1 >", "t.frm:199:214: values nested too deeply"},
  };
  for (const TCase& c : cases) {
    int depth = MaxDefinitionDepth + 1;
    for (; depth > 1; --depth) {
      try {
        ParseDefinitionText(Nested(depth, c.Header, c.Property), "t.frm");
        break;
      } catch (const EParserError&) {
      }
    }
    EXPECT_NO_THROW(Tree(BinaryOf(Nested(depth, c.Header, c.Property)))) << c.Header << c.Property;
    EXPECT_RAISES(EParserError,
                  ParseDefinitionText(Nested(depth + 1, c.Header, c.Property), "t.frm"), c.Refusal);
  }
}

// Hand-written text may use UTF-8, comments, CRLF line ends and any
// indentation; it means what the escaped spelling means.
TEST(Convert, WrittenTextIsReadLikeThePrintedText) {
  const String written =
      "# a form\r\nA: TA   # the root\r\n    Caption = \"\xC3\xA0 \xE2\x82\xAC\"\r\n\r\n    B: TB\r\n"
      "        List = ( 1\r\n  \"x\" )\r\n    Tag = 3\r\n";
  EXPECT_EQ(BinaryOf(written), BinaryOf("A: TA\n  Caption = \"\\xE0 \\x80\"\n  Tag = 3\n\n  B: TB\n"
                                        "    List = (\n      1\n      \"x\"\n    )\n"));
}

}  // namespace
}  // namespace streaming_test

int main(int argc, char** argv) {
  streaming_test::PrepareStreamingProgram();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
