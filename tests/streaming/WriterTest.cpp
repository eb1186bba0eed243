// The writer: value encodings, what a property list leaves out, and writing
// against an ancestor definition.
#include <gtest/gtest.h>

#include <functional>

#include "DefinitionBuilder.h"
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

TEST(Writer, IntegersTakeTheSmallestTag) {
  auto bytesOf = [](std::int32_t v) { return Written([v](TWriter& w) { w.WriteInt(v); }); };
  EXPECT_EQ(bytesOf(127), TDef().Byte({tgInt8, 0x7F}).Bytes);
  EXPECT_EQ(bytesOf(128), TDef().Byte({tgInt16, 0x80, 0x00}).Bytes);
  EXPECT_EQ(bytesOf(-128), TDef().Byte({tgInt8, 0x80}).Bytes);
  EXPECT_EQ(bytesOf(-129), TDef().Byte({tgInt16, 0x7F, 0xFF}).Bytes);
  EXPECT_EQ(bytesOf(32767), TDef().Byte({tgInt16, 0xFF, 0x7F}).Bytes);
  EXPECT_EQ(bytesOf(32768), TDef().Byte({tgInt32, 0x00, 0x80, 0x00, 0x00}).Bytes);
}

TEST(Writer, TextsOver255CharactersAreLong) {
  const String s255(255, 's'), s256(256, 'l');
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteText(s255); }),
            TDef().Byte({tgString, 255}).Bytes + s255);
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteText(s256); }),
            TDef().Byte({tgLongString, 0x00, 0x01, 0x00, 0x00}).Bytes + s256);
}

TEST(Writer, IdentifiersFalseTrueAndNilHaveTheirOwnTags) {
  EXPECT_EQ(Written([](TWriter& w) {
              w.WriteIdentifier("False");
              w.WriteIdentifier("TRUE");
              w.WriteIdentifier("nil");
              w.WriteIdentifier("clRed");
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
  e->Int8 = 5;
  e->Flag = true;
  e->Kind = kdThird;
  e->Char = 'z';
  e->Smalls = 1 << smA | 1 << smC;
  e->Color = 0x000080;
  e->Indexed[2] = 300;
  e->Font()->Color = 0xFFFFFF;
  e->Font()->Style = 2;
  const String bytes = PropertiesOf(e, &root);
  EXPECT_TRUE(Contains(bytes, TDef().Short("Int8").Int8(5)));
  EXPECT_TRUE(Contains(bytes, TDef().Short("Flag").Byte({tgTrue})));
  EXPECT_TRUE(Contains(bytes, TDef().Short("Kind").Ident("kdThird")));
  EXPECT_TRUE(Contains(bytes, TDef().Short("Char").Str("z")));
  EXPECT_TRUE(Contains(bytes, TDef().Short("Smalls").Set({"smA", "smC"})));
  EXPECT_TRUE(Contains(bytes, TDef().Short("Color").Ident("clMaroon")));
  EXPECT_TRUE(Contains(bytes, TDef().Short("Indexed2").Int16(300)));
  EXPECT_TRUE(Contains(bytes, TDef().Short("Font.Color").Ident("clWhite")));
  EXPECT_TRUE(Contains(bytes, TDef().Short("Font.Style").Set({"fsItalic"})));
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

TEST(Writer, CollectionsAreWrittenItemByItem) {
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
}

TEST(Writer, CollectionsEqual) {
  TCollection a(CollectionItemClassOf<TItem>()), b(CollectionItemClassOf<TItem>());
  EXPECT_TRUE(CollectionsEqual(&a, &b));
  for (TCollection* c : {&a, &b}) {
    static_cast<TItem*>(c->Add())->Value = 3;
    static_cast<TItem*>(c->Add())->Text = "t";
  }
  EXPECT_TRUE(CollectionsEqual(&a, &b));
  static_cast<TItem*>(b.Items(1))->Text = "u";
  EXPECT_FALSE(CollectionsEqual(&a, &b));
  static_cast<TItem*>(b.Items(1))->Text = "t";
  b.Add();
  EXPECT_FALSE(CollectionsEqual(&a, &b));
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
  TMemoryStream stream;
  {
    TWriter writer(stream, 4096);
    writer.WriteRootDefinition(&root, &ancestor);
  }
  // A, unchanged and without children, leaves nothing.
  EXPECT_EQ(BytesOf(stream), TDef()
                                 .Signature().Byte({0xF1}).Head("TKindsRoot", "Root").End()
                                 .Byte({0xF1}).Head("TEveryKind", "B")
                                 .Short("Int32").Int8(9).Short("Font.Height").Int8(-20).End().End()
                                 .End()
                                 .Bytes);
}

// An erased record leaves nothing behind, even after part of it was flushed.
TEST(Writer, ErasedRecordsLeaveNothingWhateverTheBufferSize) {
  TMainForm ancestor(nullptr), root(nullptr);
  for (TMainForm* form : {&ancestor, &root}) {
    TKeepRootNames keep;
    TDefStream stream(MainFormBytes());
    stream.ReadComponentFrom(form);
  }
  const String expected =
      TDef().Signature().Byte({0xF1}).Head("TMainForm", "MainForm").End().End().Bytes;
  for (int size : {4096, 24}) {
    TMemoryStream stream;
    {
      TWriter writer(stream, size);
      writer.WriteRootDefinition(&root, &ancestor);
    }
    EXPECT_EQ(BytesOf(stream), expected) << "buffer of " << size;
  }
}

}  // namespace
}  // namespace streaming_test
