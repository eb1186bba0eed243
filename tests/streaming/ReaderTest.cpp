// The reader: the main form's definition, values by tag, property paths,
// identifiers, events, references, component prefixes, error recovery and
// clean-up.
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
  EXPECT_EQ(font->Height, -11);
  EXPECT_EQ(form.Top, 136);
  EXPECT_EQ(form.Width, 70000);
  EXPECT_EQ(font->Color, static_cast<std::int32_t>(0x80000008));
  EXPECT_EQ(font->Charset, 2);
  EXPECT_EQ(font->Style, 1 | 4);
  EXPECT_TRUE(form.ParentFont);
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

TEST(Reader, EventsBindToPublishedMethodsOfTheRoot) {
  TMainForm form(nullptr);
  ReadInto(&form, FormWithChild(TDef().Head("TButton", "ExitBtn")
                                    .Short("OnClick").Ident("exitbtnclick").End().End()));
  ASSERT_NE(form.ExitBtn, nullptr);
  EXPECT_EQ(form.ExitBtn->OnClick, TNotifyEvent::Of<&TMainForm::ExitBtnClick>(&form));
  form.OnClick = TNotifyEvent::Of<&TMainForm::Play1BtnClick>(&form);
  ReadInto(&form, FormWith(TDef().Short("OnClick").Byte({tgNil})));
  EXPECT_FALSE(form.OnClick.Assigned());
}

TEST(Reader, LocalReferencesResolveOnceTheTreeIsRead) {
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
  ReadInto(&form,
           FormWithChild(TDef().Byte({0xF2, tgInt8, 3}).Head("TButton", "ExitBtn").End().End()));
  TButton* exit = form.ExitBtn;
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(form.Moves, (decltype(form.Moves){{exit, 3}}));

  // An inherited record updates the existing component.
  const int live = TCounted::Live;
  ReadInto(&form, FormWithChild(TDef().Byte({0xF1}).Head("TButton", "ExitBtn")
                                    .Short("Left").Int8(5).End().End()));
  EXPECT_EQ(TCounted::Live, live);
  EXPECT_EQ(form.ExitBtn, exit);
  EXPECT_EQ(exit->Left, 5);
  EXPECT_RAISES(EReadError, ReadInto(&form, FormWithChild(TDef().Byte({0xF1}).Head("TButton", "X")
                                                              .End().End())),
                "Ancestor for 'X' not found");
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
}

}  // namespace
}  // namespace streaming_test
