// The writer: value encodings, what a property list leaves out, writing
// against an ancestor definition, and the reader reading back what it wrote.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DefinitionBuilder.h"
#include "Registry.h"
#include "Runtime.h"
#include "StreamingClasses.h"
#include "TestSupport.h"

namespace streaming_test {
namespace {

// What `write` puts out through a writer with a small buffer.
String Written(const std::function<void(TWriter&)>& write) {
  TMemoryStream stream;
  {
    TWriter writer(stream, 32);
    write(writer);
    writer.DropBuffer();
  }
  return BytesOf(stream);
}

// The property list of `component`, written for `root`.
String PropertiesOf(TComponent* component, TComponent* root) {
  return Written([&](TWriter& w) {
    w.SetRoot(root);
    w.WritePropertyList(component);
  });
}

testing::AssertionResult Contains(const String& bytes, const TDef& part) {
  if (bytes.find(part.Bytes) != String::npos) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "missing " << testing::PrintToString(part.Bytes);
}

TEST(Writer, IntegersTakeTheSmallestTagAndLongTextsTheLongTag) {
  const std::pair<std::int32_t, TDef> cases[] = {
      {127, TDef().Int8(127)},     {-128, TDef().Int8(-128)},     {128, TDef().Int16(128)},
      {-129, TDef().Int16(-129)},  {32767, TDef().Int16(32767)},  {32768, TDef().Int32(32768)}};
  for (const auto& [value, bytes] : cases)
    EXPECT_EQ(Written([v = value](TWriter& w) { w.WriteInt(v); }), bytes.Bytes) << value;
  const String s255(255, 's'), s256(256, 'l');
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteText(s255); }), TDef().Str(s255).Bytes);
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteText(s256); }), TDef().LongStr(s256).Bytes);
}

TEST(Writer, IdentifiersFalseTrueAndNilHaveTheirOwnTags) {
  EXPECT_EQ(Written([](TWriter& w) {
              for (const char* id : {"False", "TRUE", "Nil", "clRed"}) w.WriteIdentifier(id);
            }),
            TDef().Byte({tgFalse, tgTrue, tgNil}).Ident("clRed").Bytes);
}

TEST(Writer, DefaultsAreLeftOut) {
  TKindsRoot root(nullptr);
  auto* e = new TEveryKind(&root);
  // No default: NoDefaultInt and Font.Height; a text is compared with empty;
  // a collection is written without an ancestor to compare it with.
  EXPECT_EQ(PropertiesOf(e, &root), TDef()
                                        .Short("NoDefaultInt").Int8(0)
                                        .Short("Font.Height").Int8(-11)
                                        .Short("Font.Name").Str("MS Sans Serif")
                                        .Short("Items").Byte({tgCollection, tgNull})
                                        .Bytes);
}

TEST(Writer, ChangedValuesAreWrittenByKind) {
  TKindsRoot root(nullptr);
  auto* e = new TEveryKind(&root);
  e->Int8 = 5, e->Flag = true, e->Kind = kdThird, e->Char = 'z', e->Smalls = 1 << smA | 1 << smC;
  e->Color = 0x000080, e->Indexed[2] = 300, e->Font()->Color = 0xFFFFFF, e->Font()->Style = 2;
  e->Lines()->Add("x");
  const String bytes = PropertiesOf(e, &root);
  for (const TDef& part : {TDef().Short("Int8").Int8(5), TDef().Short("Flag").Byte({tgTrue}),
                           TDef().Short("Kind").Ident("kdThird"), TDef().Short("Char").Str("z"),
                           TDef().Short("Smalls").Set({"smA", "smC"}),
                           TDef().Short("Color").Ident("clMaroon"),
                           TDef().Short("Indexed2").Int16(300),
                           TDef().Short("Font.Color").Ident("clWhite"),
                           TDef().Short("Font.Style").Set({"fsItalic"}),
                           TDef().Short("Lines.Strings").Byte({tgList}).Str("x").End()})
    EXPECT_TRUE(Contains(bytes, part));
  EXPECT_FALSE(Contains(bytes, TDef().Short("Font.Charset")));
  EXPECT_FALSE(Contains(bytes, TDef().Short("Indexed0")));

  e->Color = 0x123456;  // no name
  EXPECT_TRUE(Contains(PropertiesOf(e, &root), TDef().Short("Color").Int32(0x123456)));
}

TEST(Writer, EventsOnlyWhenBoundToAPublishedMethodOfTheRoot) {
  TKindsRoot root(nullptr);
  auto* e = new TEveryKind(&root);
  e->OnEvent = TNotifyEvent::Of<&TKindsRoot::OtherHandler>(&root);
  EXPECT_TRUE(Contains(PropertiesOf(e, &root), TDef().Short("OnEvent").Ident("OtherHandler")));
  e->OnEvent = TNotifyEvent::Of<&TEveryKind::Handler>(e);
  EXPECT_FALSE(Contains(PropertiesOf(e, &root), TDef().Short("OnEvent")));
}

TEST(Writer, CollectionsAreWrittenAndComparedItemByItem) {
  TKindsRoot root(nullptr);
  auto* e = new TEveryKind(&root);
  auto* item = static_cast<TItem*>(e->Items()->Add());
  item->Value = 5;
  item->Text = "x";
  e->Items()->Add();
  EXPECT_TRUE(Contains(PropertiesOf(e, &root), TDef()
                                                   .Short("Items").Byte({tgCollection, tgList})
                                                   .Short("Value").Int8(5).Short("Text").Str("x")
                                                   .Byte({tgNull, tgList, tgNull, tgNull})));

  TCollection copy(CollectionItemClassOf<TItem>());
  auto* other = static_cast<TItem*>(copy.Add());
  other->Value = 5;
  other->Text = "y";
  copy.Add();
  EXPECT_FALSE(CollectionsEqual(e->Items(), &copy));
  other->Text = "x";
  EXPECT_TRUE(CollectionsEqual(e->Items(), &copy));
}

// A kinds root named Root with TEveryKind children A and B, each with one item.
void Populate(TKindsRoot& root) {
  root.Rename("Root");
  for (const char* name : {"A", "B"}) {
    auto* e = new TEveryKind(&root);
    e->Rename(name);
    e->NoDefaultInt = 4;
    e->Lines()->Add("line");
    static_cast<TItem*>(e->Items()->Add())->Value = 3;
  }
}

TEST(Writer, AgainstAnAncestorOnlyDifferencesAreWritten) {
  TKindsRoot ancestor(nullptr), root(nullptr);
  Populate(ancestor);
  Populate(root);
  auto* b = static_cast<TEveryKind*>(root.FindOwned("B"));
  b->Int32 = 9;
  b->Font()->Height = -20;
  // A, unchanged and without children, leaves nothing.
  EXPECT_EQ(WrittenDefinition(&root, &ancestor), TDef()
                                 .Signature().Byte({0xF1}).Head("TKindsRoot", "Root").End()
                                 .Byte({0xF1}).Head("TEveryKind", "B")
                                 .Short("Int32").Int8(9).Short("Font.Height").Int8(-20).End().End()
                                 .End()
                                 .Bytes);
}

// An erased record leaves nothing behind, even after part of it was flushed.
TEST(Writer, ErasedRecordsLeaveNothingWhateverTheBufferSize) {
  TMainForm ancestor(nullptr), root(nullptr);
  TKeepRootNames keep;
  for (TMainForm* form : {&ancestor, &root}) ReadInto(form, MainFormBytes());
  const String expected =
      TDef().Signature().Byte({0xF1}).Head("TMainForm", "MainForm").End().End().Bytes;
  for (int size : {4096, 24})
    EXPECT_EQ(WrittenDefinition(&root, &ancestor, size), expected) << "buffer of " << size;
}

TObject* ObjectProp(TObject* object, const TPropInfo* prop) {
  return reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(ReadOrdinalProp(object, prop)));
}

// A component's name, another object's class name, or "-" for none.
String NameOf(TObject* o) {
  return !o ? "-" : o->Is<TComponent>() ? static_cast<TComponent*>(o)->Name() : o->ClassName();
}

// Compares every published property of two objects of one class: sub-objects
// by their own properties, components by name, events by method.
void ExpectSameProperties(TObject* a, TObject* b) {
  ASSERT_EQ(a->ClassType(), b->ClassType());
  std::vector<const TPropInfo*> props(PropCount(a->ClassType()));
  ListPropInfos(a->ClassType(), props.data());
  for (const TPropInfo* p : props) {
    SCOPED_TRACE(String(a->ClassName()) + "." + p->Name);
    switch (p->PropType->Kind) {
      case tkFloat: EXPECT_EQ(ReadFloatProp(a, p), ReadFloatProp(b, p)); break;
      case tkString:
      case tkLString: EXPECT_EQ(ReadTextProp(a, p), ReadTextProp(b, p)); break;
      case tkMethod: EXPECT_EQ(ReadMethodProp(a, p).Code, ReadMethodProp(b, p).Code); break;
      case tkClass: {
        TObject *x = ObjectProp(a, p), *y = ObjectProp(b, p);
        if (!x || !y || x->Is<TComponent>())
          EXPECT_EQ(NameOf(x), NameOf(y));
        else if (x->Is<TCollection>())
          EXPECT_TRUE(CollectionsEqual(static_cast<TCollection*>(x), static_cast<TCollection*>(y)));
        else if (x->Is<TStrings>())
          EXPECT_TRUE(static_cast<TStrings*>(x)->Equals(*static_cast<TStrings*>(y)));
        else
          ExpectSameProperties(x, y);
        break;
      }
      default: EXPECT_EQ(ReadOrdinalProp(a, p), ReadOrdinalProp(b, p)); break;
    }
  }
}

void ExpectSameControls(TControl& a, TControl& b) {
  ExpectSameProperties(&a, &b);
  ASSERT_EQ(a.Children().size(), b.Children().size());
  for (std::size_t i = 0; i < a.Children().size(); ++i)
    ExpectSameControls(*a.Children()[i], *b.Children()[i]);
}

void SetEveryKind(TKindsRoot& root, TEveryKind& e, TEveryKind& sibling) {
  e.SetTag(42);
  e.Int8 = -5, e.UInt8 = 200, e.Int16 = -3000, e.UInt16 = 60000, e.Int32 = -100000;
  e.NoDefaultInt = 7, e.Color = 0x000080, e.Char = 'z', e.Kind = kdThird, e.Flag = true;
  e.Smalls = 1 << smB | 1 << smD;
  e.Single = 1.5f, e.Double = -2.25e10, e.Extended = 3.0L / 7.0L, e.Comp = 1234567890123LL;
  e.Currency = TCurrency{123456789};
  e.ShortText = "short text", e.Text = String(300, 't') + "\r\nend";
  e.Reference = &sibling;
  TFont& font = *e.Font();
  font.Charset = 0, font.Color = 0x123456, font.Height = -20, font.Name = "Arial", font.Style = 9;
  for (int i = 0; i < 3; ++i) {
    auto* item = static_cast<TItem*>(e.Items()->Add());
    item->Value = 1000 * i - 1;
    item->Text = "item " + std::to_string(i);
  }
  for (const String& line : {String("first"), String(), String(300, 'L')}) e.Lines()->Add(line);
  e.OnEvent = TNotifyEvent::Of<&TKindsRoot::Handler>(&root);
  e.Indexed[0] = 4, e.Indexed[2] = -9;
  e.Binary = String("\0bin\0\0ary\0", 10);
}

TEST(RoundTrip, EveryKindWritesReadsAndWritesTheSameBytes) {
  TKindsRoot root(nullptr);
  root.Rename("Kinds");
  auto* a = new TEveryKind(&root);
  auto* b = new TEveryKind(&root);
  a->Rename("A");
  b->Rename("B");
  SetEveryKind(root, *a, *b);
  b->Reference = a;
  const String first = WrittenDefinition(&root);

  TKeepRootNames keep;
  TKindsRoot copy(nullptr);
  ReadInto(&copy, first);
  EXPECT_EQ(WrittenDefinition(&copy), first);
  ASSERT_EQ(copy.OwnedCount(), 2);
  for (int i = 0; i < 2; ++i) {
    auto* original = static_cast<TEveryKind*>(root.OwnedAt(i));
    auto* read = static_cast<TEveryKind*>(copy.OwnedAt(i));
    ExpectSameProperties(original, read);
    EXPECT_EQ(read->Binary, original->Binary);
  }
  auto* ca = static_cast<TEveryKind*>(copy.OwnedAt(0));
  EXPECT_EQ(ca->Reference, copy.OwnedAt(1));
  EXPECT_EQ(ca->OnEvent, TNotifyEvent::Of<&TKindsRoot::Handler>(&copy));
  EXPECT_EQ(ca->Int16, -3000);  // a spot check against a fault on both sides
  EXPECT_EQ(ca->Currency, TCurrency{123456789});
}

// One stream receives the binary properties of a read in turn, whatever
// their sizes.
TEST(RoundTrip, BinaryPropertiesOfEverySize) {
  TKindsRoot root(nullptr);
  const int sizes[] = {10, 9000, 8192, 16, 20000, 1};
  for (int size : sizes) {
    auto* e = new TEveryKind(&root);
    for (int i = 0; i < size; ++i) e->Binary += static_cast<char>(i * 7 + size);
  }
  TKindsRoot copy(nullptr);
  ReadInto(&copy, WrittenDefinition(&root));
  ASSERT_EQ(copy.OwnedCount(), 6);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(static_cast<TEveryKind*>(copy.OwnedAt(i))->Binary,
              static_cast<TEveryKind*>(root.OwnedAt(i))->Binary)
        << sizes[i];
}

TEST(RoundTrip, MainFormWrittenAndReadBackIsTheSame) {
  TKeepRootNames keep;
  TMainForm original(nullptr), copy(nullptr);
  ReadInto(&original, MainFormBytes());
  ReadInto(&copy, WrittenDefinition(&original));
  ASSERT_EQ(copy.OwnedCount(), 5);
  ExpectSameControls(original, copy);
}

}  // namespace
}  // namespace streaming_test

int main(int argc, char** argv) {
  InitRuntime();
  streaming_test::RegisterConverters();
  // Children of TKindsRoot are created by class name.
  RegisterClassChain(streaming_test::TKindsRoot::StaticClass());
  RegisterClassChain(streaming_test::TEveryKind::StaticClass());
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
