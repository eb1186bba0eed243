// The reader: values by tag, property paths, identifiers, events, references,
// component prefixes, error recovery and clean-up, and declared properties.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "DefinitionBuilder.h"
#include "StreamingClasses.h"
#include "TestSupport.h"

namespace streaming_test {
namespace {

// A main form record: signature, header, then the given entries and an empty
// child list.
String FormWith(const TDef& entries) {
  return TDef().Signature().Head("TMainForm", "MainForm").Append(entries).End().End().Bytes;
}

// A main form with one child record made of `child` (header included).
String FormWithChild(const TDef& child) {
  return TDef().Signature().Head("TMainForm", "MainForm").End().Append(child).End().Bytes;
}

// A kinds root with the given child records.
String KindsWith(const TDef& children) {
  return TDef().Signature().Head("TKindsRoot", "Kinds").End().Append(children).End().Bytes;
}

void ReadInto(TComponent* root, const String& bytes) {
  TDefStream stream(bytes);
  stream.ReadComponentFrom(root);
}

TEveryKind* Owned(TComponent& root, const char* name) {
  return static_cast<TEveryKind*>(root.FindOwned(name));
}

struct TErrorLog {
  std::vector<String> Messages;
  void OnError(TReader&, const String& message, bool& handled) {
    Messages.push_back(message);
    handled = true;
  }
};

TEST(Reader, MainFormDefinitionBeginsWithSignatureAndRootHeader) {
  static const char head[] = "TPF0\x09TMainForm\x08MainForm\x04Left\x03\xC1\x00";
  EXPECT_EQ(MainFormBytes().substr(0, sizeof head - 1), String(head, sizeof head - 1));
}

TEST(Reader, IntegerTagsAndPathsThroughSubObjects) {
  TMainForm form(nullptr);
  TFont* font = form.Font();
  font->Height = 0;
  ReadInto(&form, FormWith(TDef()
                               .Short("Font.Height").Byte({tgInt8, 0xF5})
                               .Short("Top").Byte({tgInt16, 0x88, 0x00})
                               .Short("Width").Int32(70000)));
  EXPECT_EQ(form.Font(), font);
  EXPECT_EQ(font->Height, -11);
  EXPECT_EQ(form.Top, 136);
  EXPECT_EQ(form.Width, 70000);
}

TEST(Reader, PathThroughNonObjectIsInvalid) {
  String bytes = FormWith(TDef().Short("Caption.Height").Int8(1));
  {
    TKeepRootNames keep;
    TMainForm form(nullptr);
    EXPECT_RAISES(EReadError, ReadInto(&form, bytes),
                  "Error reading MainForm.Caption.Height: Invalid property path");
  }
  // Without a finder the root loses its name and messages use its class.
  TMainForm form(nullptr);
  EXPECT_RAISES(EReadError, ReadInto(&form, bytes),
                "Error reading TMainForm.Caption.Height: Invalid property path");
}

TEST(Reader, BooleansAndIntegersAreNotInterchangeable) {
  TKeepRootNames keep;
  TLabel label(nullptr);
  auto def = [](const TDef& entries) {
    return TDef().Signature().Head("TLabel", "Label1").Append(entries).End().End().Bytes;
  };
  ReadInto(&label, def(TDef().Short("AutoSize").Byte({tgFalse}).Short("WordWrap").Byte({tgTrue})));
  EXPECT_FALSE(label.AutoSize);
  EXPECT_TRUE(label.WordWrap);
  EXPECT_RAISES(EReadError, ReadInto(&label, def(TDef().Short("Left").Byte({tgTrue}))),
                "Error reading Label1.Left: Invalid property value");
}

TEST(Reader, SetElementNamesInAnyCase) {
  TKeepRootNames keep;
  TMainForm form(nullptr);
  ReadInto(&form, FormWith(TDef().Short("Font.Style").Set({"FSBOLD", "fsunderLINE"})));
  EXPECT_EQ(form.Font()->Style, 1 | 4);
  EXPECT_RAISES(EReadError, ReadInto(&form, FormWith(TDef().Short("Font.Style").Set({"fsHuge"}))),
                "Error reading MainForm.Font.Style: Invalid property value");
}

TEST(Reader, IdentifiersUseTheConvertersOfThePropertysType) {
  TKeepRootNames keep;
  TMainForm form(nullptr);
  form.Font()->Color = 0;
  ReadInto(&form, FormWith(TDef()
                               .Short("Font.Color").Ident("clWindowText")
                               .Short("Font.Charset").Ident("symbol_charset")));
  EXPECT_EQ(form.Font()->Color, static_cast<std::int32_t>(0x80000008));
  EXPECT_EQ(form.Font()->Charset, 2);
  EXPECT_RAISES(EReadError,
                ReadInto(&form, FormWith(TDef().Short("TabOrder").Ident("clWindowText"))),
                "Error reading MainForm.TabOrder: Invalid property value");
}

TEST(Reader, EventsBindToPublishedMethodsOfTheRoot) {
  TKeepRootNames keep;
  TMainForm form(nullptr);
  ReadInto(&form, FormWithChild(TDef().Head("TButton", "ExitBtn")
                                    .Short("OnClick").Ident("exitbtnclick").End().End()));
  ASSERT_NE(form.ExitBtn, nullptr);
  EXPECT_EQ(form.ExitBtn->OnClick.Method.Data, &form);
  form.ExitBtn->OnClick(form.ExitBtn);
  ASSERT_EQ(form.Clicked.size(), 1u);
  EXPECT_EQ(form.Clicked[0].first, "ExitBtnClick");

  form.OnClick = TNotifyEvent::Of<&TMainForm::Play1BtnClick>(&form);
  ReadInto(&form, FormWith(TDef().Short("OnClick").Byte({tgNil})));
  EXPECT_FALSE(form.OnClick.Assigned());

  TMainForm other(nullptr);
  const int live = TCounted::Live;
  const String unknown = FormWithChild(
      TDef().Head("TButton", "ExitBtn").Short("OnClick").Ident("NoSuchClick").End().End());
  EXPECT_RAISES(EReadError, ReadInto(&other, unknown),
                "Error reading ExitBtn.OnClick: Invalid property value");
  EXPECT_EQ(TCounted::Live, live);
  EXPECT_EQ(other.ExitBtn, nullptr);
}

TEST(Reader, LocalReferencesResolveOnceTheTreeIsRead) {
  TKindsRoot root(nullptr);
  ReadInto(&root, KindsWith(TDef()
                                .Head("TEveryKind", "A").Short("Reference").Ident("B").End().End()
                                .Head("TEveryKind", "B").Short("Reference").Ident("Missing")
                                .End().End()));
  ASSERT_NE(Owned(root, "A"), nullptr);
  ASSERT_NE(Owned(root, "B"), nullptr);
  EXPECT_EQ(Owned(root, "A")->Reference, Owned(root, "B"));
  EXPECT_EQ(Owned(root, "B")->Reference, nullptr);
}

TComponent* OtherRoot = nullptr;

TEST(Reader, ReferencesIntoAnotherRootWaitForTheFinder) {
  TKindsRoot other(nullptr);
  other.Rename("Other");
  auto* target = new TEveryKind(&other);
  target->Rename("Comp");
  const int pending = GlobalFixupCount();
  TKindsRoot root(nullptr);
  ReadInto(&root, KindsWith(TDef().Head("TEveryKind", "A").Short("Reference").Ident("Other.Comp")
                                .End().End()));
  EXPECT_EQ(GlobalFixupCount(), pending + 1);
  EXPECT_EQ(Owned(root, "A")->Reference, nullptr);

  OtherRoot = &other;
  SetGlobalComponentFinder(
      [](const String& name) { return SameName(name, "Other") ? OtherRoot : nullptr; });
  ResolveGlobalFixups();
  SetGlobalComponentFinder(nullptr);
  EXPECT_EQ(GlobalFixupCount(), pending);
  EXPECT_EQ(Owned(root, "A")->Reference, target);
  DiscardFixups(&root, String());
}

TEST(Reader, ChildPositionPrefixMovesTheNewChild) {
  TMainForm form(nullptr);
  ReadInto(&form,
           FormWithChild(TDef().Byte({0xF2, tgInt8, 3}).Head("TButton", "ExitBtn").End().End()));
  ASSERT_NE(form.ExitBtn, nullptr);
  ASSERT_EQ(form.Moves.size(), 1u);
  EXPECT_EQ(form.Moves[0].first, form.ExitBtn);
  EXPECT_EQ(form.Moves[0].second, 3);
}

TEST(Reader, InheritedPrefixUpdatesTheExistingComponent) {
  TMainForm form(nullptr);
  auto* exit = new TButton(&form);
  exit->Rename("ExitBtn");
  const int live = TCounted::Live;
  ReadInto(&form, FormWithChild(TDef().Byte({0xF1}).Head("TButton", "ExitBtn")
                                    .Short("Left").Int8(5).End().End()));
  EXPECT_EQ(TCounted::Live, live);
  EXPECT_EQ(form.OwnedCount(), 1);
  EXPECT_EQ(form.ExitBtn, exit);
  EXPECT_EQ(exit->Left, 5);
  EXPECT_RAISES(EReadError, ReadInto(&form, FormWithChild(TDef().Byte({0xF1}).Head("TButton", "X")
                                                              .End().End())),
                "Ancestor for 'X' not found");
}

// Reads `entries` of a main form with an error handler that goes on; returns
// the messages it was given.
std::vector<String> ReadHandlingErrors(TMainForm& form, const TDef& entries) {
  TKeepRootNames keep;
  TErrorLog log;
  TDefStream stream(FormWith(entries));
  {
    TReader reader(stream, 64);
    reader.OnReadError = TReader::TReadErrorEvent::Of<&TErrorLog::OnError>(&log);
    reader.ReadRoot(&form);
  }
  EXPECT_EQ(stream.Position(), stream.Size());
  return log.Messages;
}

TEST(Reader, HandledErrorsSkipAWholeLongText) {
  TMainForm form(nullptr);
  std::vector<String> messages = ReadHandlingErrors(
      form, TDef().Short("Bogus").LongStr(String(300, '\0')).Short("Left").Int8(7));
  EXPECT_EQ(form.Left, 7);
  EXPECT_EQ(messages, std::vector<String>{"Error reading MainForm.Bogus: Property does not exist"});
}

// A skipped collection is skipped item by item, entry by entry.
TEST(Reader, HandledErrorsSkipAWholeCollection) {
  TMainForm form(nullptr);
  std::vector<String> messages =
      ReadHandlingErrors(form, TDef()
                                   .Short("Bogus").Byte({tgCollection, tgInt8, 0, tgList})
                                   .Short("X").Str("y").End()
                                   .Byte({tgList}).Short("Z").Byte({tgList, tgNull}).End()
                                   .End()
                                   .Short("Left").Int8(7));
  EXPECT_EQ(form.Left, 7);
  EXPECT_EQ(messages, std::vector<String>{"Error reading MainForm.Bogus: Property does not exist"});
}

TEST(Reader, UnhandledErrorFreesWhatTheReaderCreated) {
  TMainForm form(nullptr);
  const int live = TCounted::Live;
  EXPECT_RAISES(EReadError,
                ReadInto(&form, FormWithChild(TDef().Head("TButton", "ExitBtn")
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

TEST(Reader, DamagedStreams) {
  TKeepRootNames keep;
  TMainForm form(nullptr);
  String bytes = MainFormBytes();
  EXPECT_RAISES(EReadError, ReadInto(&form, "TPF1" + bytes.substr(4)), "Invalid stream format");
  const std::size_t inLeft = String("TPF0\x09TMainForm\x08MainForm\x04Left\x03\xC1").size();
  EXPECT_RAISES(EReadError, ReadInto(&form, bytes.substr(0, inLeft)),
                "Error reading MainForm.Left: Stream read error");
  TMainForm other(nullptr);
  EXPECT_RAISES(EReadError, ReadInto(&other, bytes.substr(0, bytes.size() - 1)),
                "Stream read error");
}

TEST(Reader, StreamIsLeftRightAfterTheDefinition) {
  const String bytes = MainFormBytes();
  TDefStream stream(bytes + "more bytes after the definition");
  TMainForm form(nullptr);
  stream.ReadComponentFrom(&form);
  EXPECT_EQ(stream.Position(), static_cast<std::int32_t>(bytes.size()));

  TMainForm second(nullptr);
  stream.SetPosition(0);
  {
    TReader reader(stream, 16);
    reader.ReadRoot(&second);
  }
  EXPECT_EQ(stream.Position(), static_cast<std::int32_t>(bytes.size()));
}

TEST(Reader, AfterLoadRootFirstThenEachComponentWhenFinished) {
  TKeepRootNames keep;
  TMainForm form(nullptr);
  std::vector<String> order;
  TControl::AfterLoadLog = &order;
  ReadInto(&form, MainFormBytes());
  TControl::AfterLoadLog = nullptr;
  EXPECT_EQ(order, (std::vector<String>{"MainForm", "ExitBtn", "Play1Btn", "Play2Btn", "Label1",
                                        "Panel1"}));
  for (TControl* c : {static_cast<TControl*>(&form), static_cast<TControl*>(form.ExitBtn),
                      static_cast<TControl*>(form.Label1), static_cast<TControl*>(form.Panel1)})
    EXPECT_EQ(c->AfterLoadCalls, 1) << c->Name();
}

struct TRenamer {
  void OnNaming(TReader&, TComponent*, String& name) {
    if (name == "ExitBtn") name = "QuitBtn";
  }
};

TEST(Reader, NamingHandlerRenames) {
  TMainForm form(nullptr);
  TRenamer renamer;
  TDefStream stream(MainFormBytes());
  {
    TReader reader(stream, 4096);
    reader.OnNaming = TReader::TNamingEvent::Of<&TRenamer::OnNaming>(&renamer);
    reader.ReadRoot(&form);
  }
  EXPECT_EQ(form.ExitBtn, nullptr);
  auto* quit = dynamic_cast<TButton*>(form.FindOwned("QuitBtn"));
  ASSERT_NE(quit, nullptr);
  EXPECT_EQ(quit->Top, 136);
  EXPECT_NE(form.Play1Btn, nullptr);
}

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
  EXPECT_EQ(a->Items()->Items(0), first);
  EXPECT_EQ(a->Items()->Items(1), second);
  EXPECT_EQ(first->Value, 1);
  EXPECT_EQ(second->Value, 5);
  EXPECT_EQ(static_cast<TItem*>(a->Items()->Items(2))->Text, "new");

  const String beyond = KindsWith(TDef().Byte({0xF1}).Head("TEveryKind", "A")
                                      .Short("Items").Byte({tgCollection, tgInt8, 9, tgList})
                                      .End().End().End().End());
  EXPECT_RAISES(EReadError, ReadInto(&root, beyond),
                "Error reading A.Items: Invalid property value");
}

TEST(Reader, DeclaredStringsAndBinaryProperties) {
  TKindsRoot root(nullptr);
  const String data("a\0b\0\0c", 6);
  const String longLine(300, 'L');
  ReadInto(&root, KindsWith(TDef().Head("TEveryKind", "A")
                                .Short("Lines.Strings").Byte({tgList}).Str("one").LongStr(longLine)
                                .Str("").End()
                                .Short("Data").Binary(data)
                                .Short("Int32").Int8(9)
                                .End().End()));
  TEveryKind* a = Owned(root, "A");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Lines()->Count(), 3);
  EXPECT_EQ(a->Lines()->StringAt(0), "one");
  EXPECT_EQ(a->Lines()->StringAt(1), longLine);
  EXPECT_EQ(a->Lines()->StringAt(2), "");
  EXPECT_EQ(a->Binary, data);
  EXPECT_EQ(a->Int32, 9);
}

}  // namespace
}  // namespace streaming_test
