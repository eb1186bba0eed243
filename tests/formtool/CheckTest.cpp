// The checker against the streaming test classes, which are shaped like the
// program's: each kind of mistake with its located message, and the program's
// own definition accepted.
#include <gtest/gtest.h>

#include <algorithm>

#include "DefinitionCheck.h"
#include "DefinitionText.h"
#include "StreamingClasses.h"
#include "TestSupport.h"

namespace streaming_test {
namespace {

// A root whose published methods have other parameters than TNotifyEvent.
class TShapeRoot : public TComponent {
  SONDREL_CLASS(TShapeRoot)
 public:
  using TComponent::TComponent;
  void Fits(TObject*) {}
  void TakesKey(TObject*, char&) {}
};
const TMethodEntry ShapeRootMethods[] = {PublishedMethod<&TShapeRoot::Fits>("Fits"),
                                         PublishedMethod<&TShapeRoot::TakesKey>("TakesKey")};

// A component class whose constructor fails.
class TUnmakable : public TComponent {
  SONDREL_CLASS(TUnmakable)
 public:
  explicit TUnmakable(TComponent* owner) : TComponent(owner) { throw Exception("no, thanks"); }
};
}  // namespace
}  // namespace streaming_test
using streaming_test::TShapeRoot;
using streaming_test::TUnmakable;
SONDREL_PUBLISHED_CLASS(TShapeRoot, TComponent, "Tests",
                        {.Methods = streaming_test::ShapeRootMethods, .Create = &NewComponent<TShapeRoot>});
SONDREL_PUBLISHED_CLASS(TUnmakable, TComponent, "Tests", {.Create = &NewComponent<TUnmakable>});

namespace streaming_test {
namespace {

std::vector<String> Check(const String& text) { return CheckDefinition(ParseDefinitionText(text, "t.frm"), "t.frm"); }

String ProgramText() {
  TDefStream stream(MainFormBytes());
  return DefinitionText(ReadDefinitionTree(stream));
}

String Replaced(String text, const String& from, const String& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, String::npos) << from;
  return at == String::npos ? text : text.replace(at, from.size(), to);
}

class Checker : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterClassChain(TMainForm::StaticClass());
    RegisterClassChain(TShapeRoot::StaticClass());
    RegisterClassChain(TUnmakable::StaticClass());
  }
};

TEST_F(Checker, AcceptsTheProgramsDefinition) {
  EXPECT_EQ(Check(ProgramText()), std::vector<String>{});
  TDefStream stream(MainFormBytes());
  EXPECT_EQ(CheckDefinition(ReadDefinitionTree(stream), "bin"), std::vector<String>{});
}

TEST_F(Checker, NamesEachMistakeWhereItStands) {
  struct TCase {
    const char* From;
    const char* To;
    const char* Problem;
  };
  const TCase cases[] = {
      {"ExitBtn: TButton", "ExitBtn: TButon",
       "t.frm:15:3: ExitBtn: unknown class TButon (neither registered nor a field class of TMainForm)"},
      {"    OnClick = ExitBtnClick", "    OnClik = ExitBtnClick",
       "t.frm:22:5: ExitBtn.OnClik: TButton has no published property \"OnClik\""},
      {"  Font.Height = -11", "  Font.Heigth = -11", "t.frm:9:3: MainForm.Font.Heigth: TFont has no published property \"Heigth\""},
      {"  Left = 193", "  Left.X = 193", "t.frm:2:3: MainForm.Left.X: Left of TMainForm holds no object to set properties of"},
      {"Caption = \"Sai&r\"", "Caption = 5", "t.frm:20:15: ExitBtn.Caption: TCaption takes a text, not an integer"},
      {"TabOrder = 0", "TabOrder = \"0\"", "t.frm:21:16: ExitBtn.TabOrder: TTabOrder takes a number, not a text"},
      {"BevelOuter = bvLowered", "BevelOuter = bvLowerd", "t.frm:47:18: Panel1.BevelOuter: \"bvLowerd\" is not a value of TPanelBevel"},
      {"Font.Color = clBlack", "Font.Color = clBlak", "t.frm:59:20: Label1.Font.Color: \"clBlak\" is not an identifier of TColor"},
      {"  Font.Style = []", "  Font.Style = [fsBlod]", "t.frm:11:16: MainForm.Font.Style: \"fsBlod\" is not an element of TFontStyles"},
      {"OnClick = ExitBtnClick", "OnClick = ExitBtnClik", "t.frm:22:15: ExitBtn.OnClick: TMainForm has no published method \"ExitBtnClik\""},
      {"Label1: TLabel", "Label2: TLabel", "t.frm:1:1: MainForm: published field Label1 (TLabel) of TMainForm has no component"},
      {"Label1: TLabel", "Label1: TButton", "t.frm:50:5: Label1: field Label1 of TMainForm holds a TLabel, not a TButton"},
      {"Play2Btn: TButton", "Play1Btn: TButton", "t.frm:33:3: Play1Btn: a component named Play1Btn already exists"},
  };
  for (const TCase& c : cases) {
    const std::vector<String> problems = Check(Replaced(ProgramText(), c.From, c.To));
    EXPECT_NE(std::find(problems.begin(), problems.end(), c.Problem), problems.end())
        << c.Problem << "\namong\n" << testing::PrintToString(problems);
  }
}

TEST_F(Checker, FollowsReferencesCollectionsAndDeclaredProperties) {
  const String text =
      "Root: TKindsRoot\n\n  A: TEveryKind\n    Reference = B\n    Items = <\n      item\n        Value = 1\n"
      "      item\n        Valu = 2\n    >\n    Lines.Strings = (\n      \"x\"\n    )\n    Data = {00}\n"
      "    Char = \"z\"\n    Kind = True\n\n  B: TEveryKind\n    Reference = Nobody\n    Data = 5\n"
      "    Char = \"zz\"\n    Int8 = Black\n    OnEvent = Handler\n    Smalls = 3\n";
  EXPECT_EQ(Check(text), (std::vector<String>{
                             "t.frm:9:9: A.Items[1].Valu: TItem has no published property \"Valu\"",
                             "t.frm:16:12: A.Kind: \"True\" is not a value of TKind",
                             "t.frm:19:17: B.Reference: no component named \"Nobody\"",
                             "t.frm:20:12: B.Data: Data takes binary data, not an integer",
                             "t.frm:21:12: B.Char: Char takes a text of one character, not a text",
                             "t.frm:22:12: B.Int8: ShortInt takes a number, not an identifier",
                             "t.frm:24:14: B.Smalls: TSmalls takes a set, not an integer",
                         }));
}

// A component without a name is named by its class.
TEST_F(Checker, NamesAComponentWithoutANameByItsClass) {
  EXPECT_EQ(Check("Root: TShapeRoot\n\n  \"\": TUnmakable\n"),
            std::vector<String>{
                "t.frm:3:3: TUnmakable: cannot make a TUnmakable to check against: no, thanks"});
}

// A method with other parameters than the event's is refused by the checker
// and by the reader, which would otherwise bind it and call it with
// arguments it does not take.
TEST_F(Checker, EventsNeedMethodsOfTheirShape) {
  const String text = "Root: TShapeRoot\n\n  E: TEveryKind\n    OnEvent = TakesKey\n";
  EXPECT_EQ(Check(text), std::vector<String>{"t.frm:4:15: E.OnEvent: TakesKey of TShapeRoot does not take the "
                                              "parameters of TNotifyEvent (Sender: TObject)"});
  EXPECT_EQ(Check(Replaced(text, "TakesKey", "Fits")), std::vector<String>{});

  TMemoryStream stream;
  WriteDefinitionTree(ParseDefinitionText(text, "t.frm"), stream);
  stream.SetPosition(0);
  TShapeRoot root(nullptr);
  EXPECT_RAISES(EReadError, stream.ReadComponentFrom(&root), "Error reading E.OnEvent: Invalid property value");
}

}  // namespace
}  // namespace streaming_test
