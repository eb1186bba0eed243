// The reader and the writer: the main form's definition, values by tag,
// property paths, identifiers, events, references, component prefixes, error
// recovery and clean-up; value encodings, what a property list leaves out,
// writing against an ancestor, and the reader reading back what was written.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "Runtime.h"
#include "StreamingClasses.h"
#include "TestSupport.h"

namespace streaming_test {
namespace {

String KindsWith(const TDef& children) { return RootWith("TKindsRoot", "Kinds", TDef(), children); }

TEveryKind* Owned(TComponent& root, const char* name) {
  return static_cast<TEveryKind*>(root.FindOwned(name));
}

struct TRenamer {
  void OnNaming(TReader&, TComponent*, String& name) {
    if (name == "ExitBtn") name = "QuitBtn";
  }
};

// The main form's definition read with a naming handler that renames one button.
TEST(Reader, MainFormDefinitionBuildsTheTreeThenLoadsIt) {
  TKeepRootNames keep;
  const String bytes = MainFormBytes();
  TDefStream stream(bytes + "more bytes after the definition");
  TMainForm form(nullptr);
  std::vector<String> order;
  TControl::AfterLoadLog = &order;
  {
    TRenamer renamer;
    TReader reader(stream, 4096);
    reader.OnNaming = TReader::TNamingEvent::Of<&TRenamer::OnNaming>(&renamer);
    reader.ReadRoot(&form);
  }
  TControl::AfterLoadLog = nullptr;
  EXPECT_EQ(stream.Position(), static_cast<std::int32_t>(bytes.size()));
  // The root first, then each component in the order its record ended.
  EXPECT_EQ(order, (std::vector<String>{"MainForm", "QuitBtn", "Play1Btn", "Play2Btn", "Label1",
                                        "Panel1"}));
  EXPECT_EQ(form.Left, 193);
  EXPECT_EQ(form.Caption, "Sondrel");
  ASSERT_NE(form.Label1, nullptr);
  EXPECT_EQ(form.Label1->Parent(), form.Panel1);
  EXPECT_EQ(form.Label1->Alignment, taCenter);
  EXPECT_FALSE(form.Label1->AutoSize);
  EXPECT_EQ(form.Label1->Font()->Charset, 0);
  EXPECT_EQ(form.Panel1->BevelOuter, bvLowered);
  EXPECT_EQ(form.ExitBtn, nullptr);
  auto* quit = static_cast<TButton*>(form.FindOwned("QuitBtn"));
  ASSERT_NE(quit, nullptr);
  EXPECT_EQ(quit->Top, 136);
  form.Play1Btn->OnClick(form.Play1Btn);
  EXPECT_EQ(form.Clicked, (decltype(form.Clicked){{"Play1BtnClick", form.Play1Btn}}));

  TMainForm other(nullptr);
  EXPECT_RAISES(EReadError, ReadInto(&other, "TPF1" + bytes.substr(4)), "Invalid stream format");
}

TEST(Reader, ValuesByTagAndByThePropertysType) {
  TMainForm form(nullptr);
  TFont* font = form.Font();
  font->Height = 0, font->Color = 0;
  form.ParentFont = false;
  ReadInto(&form, FormWith(TDef()
                               .Short("Font.Height").Byte({tgInt8, 0xF5})
                               .Short("Top").Byte({tgInt16, 0x88, 0x00})
                               .Short("Width").Int32(70000)
                               .Short("Font.Color").Ident("clWindowText")
                               .Short("Font.Charset").Ident("symbol_charset")
                               .Short("Font.Style").Set({"FSBOLD", "fsunderLINE"})
                               .Short("ParentFont").Byte({tgTrue})));
  EXPECT_EQ(form.Font(), font);  // a path leads into the existing sub-object
  EXPECT_EQ(std::tuple(font->Height, form.Top, form.Width, font->Color, font->Charset + 0,
                       font->Style + 0, form.ParentFont),
            std::tuple(-11, 136, 70000, static_cast<std::int32_t>(0x80000008), 2, 1 | 4, true));
}

// Each refused entry names the component and the property path.
TEST(Reader, RefusedValuesAndPaths) {
  const struct {
    const char* Path;
    TDef Value;
    const char* Error;
  } refused[] = {{"TabOrder", TDef().Ident("clWindowText"), "Invalid property value"},
                 {"Left", TDef().Byte({tgTrue}), "Invalid property value"},
                 {"Font.Style", TDef().Set({"fsHuge"}), "Invalid property value"},
                 {"OnClick", TDef().Ident("NoSuchClick"), "Invalid property value"},
                 {"Caption.Height", TDef().Int8(1), "Invalid property path"}};
  for (const auto& [path, value, error] : refused) {
    TKeepRootNames keep;
    TMainForm form(nullptr);
    EXPECT_RAISES(EReadError, ReadInto(&form, FormWith(TDef().Short(path).Append(value))),
                  "Error reading MainForm." + String(path) + ": " + error);
  }
  // Without a finder the root loses its name and messages use its class.
  TMainForm form(nullptr);
  EXPECT_RAISES(EReadError, ReadInto(&form, FormWith(TDef().Short("Left").Byte({tgTrue}))),
                "Error reading TMainForm.Left: Invalid property value");
}

// Events bind to published methods of the root; references to components of
// the tree once it is read, and only to components of the property's class.
TEST(Reader, EventsAndReferencesResolveAgainstTheRoot) {
  TMainForm form(nullptr);
  ReadInto(&form, FormWith(TDef(), TDef().Head("TButton", "ExitBtn")
                                       .Short("OnClick").Ident("exitbtnclick").End().End()));
  ASSERT_NE(form.ExitBtn, nullptr);
  EXPECT_EQ(form.ExitBtn->OnClick, TNotifyEvent::Of<&TMainForm::ExitBtnClick>(&form));
  form.OnClick = TNotifyEvent::Of<&TMainForm::Play1BtnClick>(&form);
  ReadInto(&form, FormWith(TDef().Short("OnClick").Byte({tgNil})));
  EXPECT_FALSE(form.OnClick.Assigned());

  TKindsRoot root(nullptr);
  ReadInto(&root, KindsWith(TDef()
                                .Head("TEveryKind", "A").Short("Reference").Ident("B").End().End()
                                .Head("TEveryKind", "B").Short("Reference").Ident("Missing")
                                .End().End()));
  ASSERT_NE(Owned(root, "B"), nullptr);
  EXPECT_EQ(Owned(root, "A")->Reference, Owned(root, "B"));
  EXPECT_EQ(Owned(root, "B")->Reference, nullptr);
}

TEST(Reader, ChildPositionAndInheritedPrefixes) {
  TMainForm form(nullptr);
  ReadInto(&form, FormWith(TDef(), TDef().Byte({0xF2, tgInt8, 3}).Head("TButton", "ExitBtn")
                                       .End().End()));
  TButton* exit = form.ExitBtn;
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(form.Moves, (decltype(form.Moves){{exit, 3}}));

  // An inherited record updates the existing component.
  const int live = TCounted::Live;
  ReadInto(&form, FormWith(TDef(), TDef().Byte({0xF1}).Head("TButton", "ExitBtn")
                                       .Short("Left").Int8(5).End().End()));
  EXPECT_EQ(TCounted::Live, live);
  EXPECT_EQ(form.ExitBtn, exit);
  EXPECT_EQ(exit->Left, 5);
  EXPECT_RAISES(EReadError,
                ReadInto(&form, FormWith(TDef(), TDef().Byte({0xF1}).Head("TButton", "X")
                                                     .End().End())),
                "Ancestor for 'X' not found");
}

// A component of another class than the owner's field of its name is refused,
// by the reader and by renaming; one of the field's class is stored.
TEST(Reader, AComponentOfAnotherClassThanItsFieldIsRefused) {
  TMainForm form(nullptr);
  EXPECT_RAISES(EReadError,
                ReadInto(&form, FormWith(TDef(), TDef().Head("TButton", "Panel1").End().End())),
                "Error reading TMainForm.Panel1: Invalid class typecast");
  EXPECT_EQ(form.Panel1, nullptr);
  EXPECT_EQ(form.OwnedCount(), 0);
  TButton button(&form);
  EXPECT_RAISES(EInvalidCast, button.Rename("Panel1"), "Invalid class typecast");
  EXPECT_EQ(button.Name(), "");
  EXPECT_EQ(form.Panel1, nullptr);
  TPanel panel(&form);
  panel.Rename("Panel1");
  EXPECT_EQ(form.Panel1, &panel);
}

struct TErrorLog {
  std::vector<String> Messages;
  void OnError(TReader&, const String& message, bool& handled) {
    Messages.push_back(message);
    handled = true;
  }
};

// A handled error skips the whole value, however it is nested.
TEST(Reader, HandledErrorsSkipTheWholeValue) {
  const TDef values[] = {
      TDef().LongStr(String(300, '\0')),
      TDef().Byte({tgCollection, tgInt8, 0, tgList}).Short("X").Str("y").End()
          .Byte({tgList}).Short("Z").Byte({tgList, tgNull}).End().End(),
  };
  for (const TDef& value : values) {
    TKeepRootNames keep;
    TMainForm form(nullptr);
    TErrorLog log;
    TDefStream stream(FormWith(TDef().Short("Bogus").Append(value).Short("Left").Int8(7)));
    {
      TReader reader(stream, 64);
      reader.OnReadError = TReader::TReadErrorEvent::Of<&TErrorLog::OnError>(&log);
      reader.ReadRoot(&form);
    }
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_EQ(form.Left, 7);
    EXPECT_EQ(log.Messages,
              std::vector<String>{"Error reading MainForm.Bogus: Property does not exist"});
  }
}

TEST(Reader, UnhandledErrorFreesWhatTheReaderCreated) {
  TMainForm form(nullptr);
  const int live = TCounted::Live;
  EXPECT_RAISES(EReadError,
                ReadInto(&form, FormWith(TDef(), TDef().Head("TButton", "ExitBtn")
                                                     .Short("Bogus").LongStr("x").End().End())),
                "Error reading ExitBtn.Bogus: Property does not exist");
  EXPECT_EQ(TCounted::Live, live);
  EXPECT_EQ(form.ExitBtn, nullptr);
  EXPECT_EQ(form.OwnedCount(), 0);

  // A root the reader created from its registered class goes too.
  TDefStream bad(KindsWith(TDef().Head("TEveryKind", "A").Short("Bogus").Int8(1).End().End()));
  EXPECT_RAISES(EReadError, bad.ReadComponentFrom(nullptr),
                "Error reading A.Bogus: Property does not exist");
  EXPECT_EQ(TCounted::Live, live);

  TDefStream good(KindsWith(TDef().Head("TEveryKind", "A").End().End()));
  std::unique_ptr<TComponent> root(good.ReadComponentFrom(nullptr));
  ASSERT_TRUE(root->Is<TKindsRoot>());
  EXPECT_EQ(root->Name(), "Kinds");
  EXPECT_EQ(root->OwnedCount(), 1);
}

// Items are read in place by index; an index beyond the next new item is refused.
TEST(Reader, CollectionItemsAreReadInPlace) {
  TKindsRoot root(nullptr);
  auto* a = new TEveryKind(&root);
  a->Rename("A");
  auto* first = static_cast<TItem*>(a->Items()->Add());
  auto* second = static_cast<TItem*>(a->Items()->Add());
  first->Value = 1;
  ReadInto(&root, KindsWith(TDef().Byte({0xF1}).Head("TEveryKind", "A")
                                .Short("Items").Byte({tgCollection, tgInt8, 1, tgList})
                                .Short("Value").Int8(5).End()
                                .Byte({tgList}).Short("Text").Str("new").End()
                                .End()
                                .End().End()));
  ASSERT_EQ(a->Items()->Count(), 3);
  EXPECT_EQ(a->Items()->Items(1), second);
  EXPECT_EQ(first->Value, 1);
  EXPECT_EQ(second->Value, 5);
  EXPECT_EQ(static_cast<TItem*>(a->Items()->Items(2))->Text, "new");

  for (const TDef& index : {TDef().Int32(0x7FFFFFFF), TDef().Int8(4), TDef().Int8(-1)})
    EXPECT_RAISES(EReadError,
                  ReadInto(&root, KindsWith(TDef().Byte({0xF1}).Head("TEveryKind", "A")
                                                .Short("Items").Byte({tgCollection}).Append(index)
                                                .Byte({tgList}).Short("Value").Int8(7).End()
                                                .End().End().End())),
                  "Error reading A.Items: Invalid property value");
  EXPECT_EQ(a->Items()->Count(), 3);
}

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

TEST(Writer, IntegersTakeTheSmallestTagTextsTheirLengthsTagAndIdentifiersTheirOwn) {
  const std::pair<std::int32_t, TDef> cases[] = {
      {127, TDef().Int8(127)},    {-128, TDef().Int8(-128)},    {128, TDef().Int16(128)},
      {-129, TDef().Int16(-129)}, {32767, TDef().Int16(32767)}, {32768, TDef().Int32(32768)}};
  for (const auto& [value, bytes] : cases)
    EXPECT_EQ(Written([v = value](TWriter& w) { w.WriteInt(v); }), bytes.Bytes) << value;
  const String s255(255, 's'), s256(256, 'l');
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteText(s255); }), TDef().Str(s255).Bytes);
  EXPECT_EQ(Written([&](TWriter& w) { w.WriteText(s256); }), TDef().LongStr(s256).Bytes);
  EXPECT_EQ(Written([](TWriter& w) {
              for (const char* id : {"False", "TRUE", "Nil", "clRed"}) w.WriteIdentifier(id);
            }),
            TDef().Byte({tgFalse, tgTrue, tgNil}).Ident("clRed").Bytes);
}

// Values equal to their defaults are left out; others are written by kind.
TEST(Writer, PropertyListsLeaveOutDefaultsAndWriteOtherValuesByKind) {
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
  e->Int8 = 5, e->Flag = true, e->Kind = kdThird, e->Char = 'z', e->Smalls = 1 << smA | 1 << smC;
  e->Color = 0x000080, e->Indexed[2] = 300, e->Font()->Color = 0xFFFFFF, e->Font()->Style = 2;
  e->Lines()->Add("x");
  e->OnEvent = TNotifyEvent::Of<&TKindsRoot::OtherHandler>(&root);
  const String bytes = PropertiesOf(e, &root);
  for (const TDef& part : {TDef().Short("Int8").Int8(5), TDef().Short("Flag").Byte({tgTrue}),
                           TDef().Short("Kind").Ident("kdThird"), TDef().Short("Char").Str("z"),
                           TDef().Short("Smalls").Set({"smA", "smC"}),
                           TDef().Short("Color").Ident("clMaroon"),
                           TDef().Short("Indexed2").Int16(300),
                           TDef().Short("Font.Color").Ident("clWhite"),
                           TDef().Short("Font.Style").Set({"fsItalic"}),
                           TDef().Short("Lines.Strings").Byte({tgList}).Str("x").End(),
                           TDef().Short("OnEvent").Ident("OtherHandler")})
    EXPECT_TRUE(Contains(bytes, part));
  EXPECT_FALSE(Contains(bytes, TDef().Short("Font.Charset")));
  EXPECT_FALSE(Contains(bytes, TDef().Short("Indexed0")));

  e->Color = 0x123456;  // no name
  // An event bound to anything but a published method of the root is left out.
  e->OnEvent = TNotifyEvent::Of<&TEveryKind::Handler>(e);
  // A set bit that names no element is left out: an empty name would end the set.
  e->Smalls = 1 << smB | 1 << 5;
  EXPECT_TRUE(Contains(PropertiesOf(e, &root), TDef().Short("Color").Int32(0x123456)));
  EXPECT_FALSE(Contains(PropertiesOf(e, &root), TDef().Short("OnEvent")));
  EXPECT_TRUE(Contains(PropertiesOf(e, &root), TDef().Short("Smalls").Set({"smB"})));
  EXPECT_FALSE(Contains(PropertiesOf(e, &root), TDef().Short("Smalls").Set({"smB", ""})));
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

// Collections are compared item by item and written whole.
TEST(Writer, AgainstAnAncestorOnlyDifferencesAreWritten) {
  TKindsRoot ancestor(nullptr), root(nullptr);
  Populate(ancestor);
  Populate(root);
  auto* b = static_cast<TEveryKind*>(root.FindOwned("B"));
  b->Int32 = 9;
  b->Font()->Height = -20;
  static_cast<TItem*>(b->Items()->Items(0))->Value = 5;  // the same count and size of items
  // A, unchanged and without children, leaves nothing.
  EXPECT_EQ(WrittenDefinition(&root, &ancestor),
            TDef()
                .Signature().Byte({0xF1}).Head("TKindsRoot", "Root").End()
                .Byte({0xF1}).Head("TEveryKind", "B")
                .Short("Int32").Int8(9).Short("Font.Height").Int8(-20)
                .Short("Items").Byte({tgCollection, tgList}).Short("Value").Int8(5).End().End()
                .End().End()
                .End()
                .Bytes);
}

// The copy written against the original: no record but the root's is left,
// so every property and child of the tree matched.
String Unchanged(const char* cls, const char* name) {
  return TDef().Signature().Byte({0xF1}).Head(cls, name).End().End().Bytes;
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

  // Every property is written, itself or through its sub-object's properties.
  std::vector<const TPropInfo*> props(PropCount(TEveryKind::StaticClass()));
  ListPropInfos(TEveryKind::StaticClass(), props.data());
  for (const TPropInfo* p : props) {
    const String name = p->Name;
    if (!IsPropStored(a, p)) continue;
    EXPECT_TRUE(first.find(TDef().Short(name).Bytes) != String::npos ||
                first.find(name + ".") != String::npos)
        << name;
  }

  TKeepRootNames keep;
  TKindsRoot copy(nullptr);
  ReadInto(&copy, first);
  EXPECT_EQ(WrittenDefinition(&copy), first);
  EXPECT_EQ(WrittenDefinition(&copy, &root), Unchanged("TKindsRoot", "Kinds"));
  auto* ca = static_cast<TEveryKind*>(copy.FindOwned("A"));
  ASSERT_NE(ca, nullptr);
  EXPECT_EQ(ca->Reference, copy.FindOwned("B"));
  EXPECT_EQ(ca->OnEvent, TNotifyEvent::Of<&TKindsRoot::Handler>(&copy));
  EXPECT_EQ(ca->Int16, -3000);  // spot checks against a fault on both sides
  EXPECT_EQ(ca->Currency, TCurrency{123456789});
  EXPECT_EQ(ca->Binary, a->Binary);
}

// One stream receives the binary properties of a read in turn, whatever
// their sizes.
TEST(RoundTrip, BinaryPropertiesOfEverySize) {
  TKindsRoot root(nullptr), copy(nullptr);
  const int sizes[] = {10, 9000, 8192, 16, 20000, 1};
  for (int size : sizes) {
    auto* e = new TEveryKind(&root);
    for (int i = 0; i < size; ++i) e->Binary += static_cast<char>(i * 7 + size);
  }
  ReadInto(&copy, WrittenDefinition(&root));
  ASSERT_EQ(copy.OwnedCount(), 6);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(static_cast<TEveryKind*>(copy.OwnedAt(i))->Binary,
              static_cast<TEveryKind*>(root.OwnedAt(i))->Binary)
        << sizes[i];
}

// Unchanged records are erased, even after part of them was flushed.
TEST(RoundTrip, MainFormWrittenAndReadBackIsTheSame) {
  TKeepRootNames keep;
  TMainForm original(nullptr), copy(nullptr);
  ReadInto(&original, MainFormBytes());
  ReadInto(&copy, WrittenDefinition(&original));
  EXPECT_EQ(copy.OwnedCount(), 5);
  for (int size : {4096, 24})
    EXPECT_EQ(WrittenDefinition(&copy, &original, size), Unchanged("TMainForm", "MainForm"))
        << "buffer of " << size;
}

}  // namespace
}  // namespace streaming_test

int main(int argc, char** argv) {
  streaming_test::PrepareStreamingProgram();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
