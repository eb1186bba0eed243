// The code generated for a form class from its definition.
#include <gtest/gtest.h>

#include <algorithm>

#include "DefinitionText.h"
#include "FormCode.h"

namespace {

// Whether the last #line directive names the generated file itself and the
// true number of the line after it.
bool NumbersItselfAfter(const String& code, const String& self) {
  const std::size_t at = code.rfind("#line ");
  return std::stoi(code.substr(at + 6)) == 2 + std::count(code.begin(), code.begin() + static_cast<long>(at), '\n') &&
         code.find("\"" + self + "\"", at) != String::npos;
}

// A field for each named component that no inherited definition declares;
// the classes they hold once each in the order of the text (known ones by
// their unit's header, the others declared); each handler an event names
// once; every field and handler marked with the line that names it.
TEST(FormCode, AFieldPerComponentAndAHandlerPerEventOfTheText) {
  const String text =
      "Dialog: TDialog\n"             // 1
      "  OnShow = DialogShow\n"       // 2
      "  inherited Ok: TButton\n"     // 3
      "  Frame: TPanel\n"             // 4
      "    OnClick = FrameClick\n"    // 5
      "    Online = olYes\n"          // 6: not an event
      "    Gauge: TGauge\n"           // 7
      "      OnClick = FrameClick\n"  // 8: the same handler
      "      Font.Color = clRed\n";   // 9
  const TFormCode code =
      GenerateFormCode(ParseDefinitionText(text, "d.frm"), {"d.frm", "Dialogs.h", "d.frm.h", "d.frm.cpp"},
                       [](const String& c) { return c == "TPanel" ? String("ExtCtrls") : String(); });
  EXPECT_NE(code.Header.find("#include \"ExtCtrls.h\"\n#include \"Forms.h\"\n\nclass TGauge;\n"), String::npos);
  EXPECT_NE(code.Header.find("class TDialogBase : public TForm {"), String::npos);
  EXPECT_NE(code.Header.find(
                "#line 4 \"d.frm\"\n  TPanel* Frame = nullptr;\n#line 7 \"d.frm\"\n  TGauge* Gauge = nullptr;\n"),
            String::npos);
  EXPECT_EQ(code.Header.find("Ok"), String::npos);
  EXPECT_TRUE(NumbersItselfAfter(code.Header, "d.frm.h"));

  EXPECT_NE(code.Source.find("#include \"Dialogs.h\""), String::npos);
  EXPECT_NE(code.Source.find("PublishedField<&TDialog::Frame>(\"Frame\", 0),\n"
                             "    PublishedField<&TDialog::Gauge>(\"Gauge\", 1),"),
            String::npos);
  EXPECT_NE(code.Source.find("{&TPanel::ClassRec, &TGauge::ClassRec}"), String::npos);
  EXPECT_NE(code.Source.find("#line 2 \"d.frm\"\n    PublishedMethod<&TDialog::DialogShow>(\"DialogShow\"),\n"
                             "#line 5 \"d.frm\"\n    PublishedMethod<&TDialog::FrameClick>(\"FrameClick\"),\n#line"),
            String::npos);
  EXPECT_EQ(code.Source.find("olYes"), String::npos);
  EXPECT_NE(code.Source.find("SONDREL_PUBLISHED_CLASS(TDialog, TForm, \"Dialogs\","), String::npos);
  EXPECT_TRUE(NumbersItselfAfter(code.Source, "d.frm.cpp"));
}

}  // namespace
