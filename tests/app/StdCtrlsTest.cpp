// Buttons, labels and panels: the keyboard rules of buttons on the player's
// form, the default look following the focus, and the measuring and drawing
// rules of labels and panels.
#include <gtest/gtest.h>

#include "Application.h"
#include "PlayerTest.h"
#include "Screen.h"
#include "TestSupport.h"

namespace player_test {
namespace {

// The keys as the message loop hands them to the focused control: reflected
// first, then (when nobody took them) to the window itself.
long Reflect(TWinControl* focused, UINT msg, WPARAM key, LPARAM data = 0) {
  return SendMessageA(focused->Handle(), XN_BASE + msg, key, data);
}

TEST_F(TPlayerForm, EnterClicksTheFocusedButtonAndEscapeNothingWithoutCancel) {
  Form->Play2Btn->SetFocus();
  EXPECT_TRUE(Form->Play2Btn->DrawnAsDefault());  // the default look follows the focus
  EXPECT_FALSE(Form->ExitBtn->DrawnAsDefault());
  EXPECT_EQ(GetWindowLongA(Form->Play2Btn->Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_EQ(Reflect(Form->Play2Btn, WM_KEYDOWN, VK_RETURN), 1);
  EXPECT_EQ(Reflect(Form->Play2Btn, WM_KEYDOWN, VK_ESCAPE), 0);  // no Cancel button: the key goes on
  EXPECT_EQ(Reflect(Form->Play2Btn, WM_KEYDOWN, VK_RETURN, 0x20000000), 0);  // not with Alt
  ASSERT_EQ(Played.Calls.size(), 1u);
  EXPECT_EQ(Played.Calls[0].Sound, "SONDREL2");
  // Focused elsewhere than on a button, Enter clicks the Default button only.
  Form->Play1Btn->SetDefault(true);
  Form->SetActiveControl(nullptr);
  Form->PerformMessage(XM_FOCUS_CHANGED, 0, reinterpret_cast<long>(Form->Panel1));
  EXPECT_TRUE(Form->Play1Btn->DrawnAsDefault());
  EXPECT_EQ(Form->PerformMessage(XM_DIALOG_KEY, VK_RETURN, 0), 1);
  EXPECT_EQ(Played.Calls.back().Sound, "#100");
}

TEST_F(TPlayerForm, MnemonicsClickTheirButtonWhereverTheFocusIs) {
  Form->ExitBtn->SetFocus();
  EXPECT_EQ(Reflect(Form->ExitBtn, WM_CHAR, '1'), 1);         // the bare character
  EXPECT_EQ(Reflect(Form->ExitBtn, WM_SYSCHAR, '2'), 1);      // Alt with the character
  EXPECT_EQ(Reflect(Form->ExitBtn, WM_CHAR, 'x'), 0);         // nobody's mnemonic
  EXPECT_EQ(Screen->ActiveControl(), Form->ExitBtn);          // clicked without taking the focus
  ASSERT_EQ(Played.Calls.size(), 2u);
  EXPECT_EQ(Played.Calls[0].Sound, "#100");
  EXPECT_EQ(Played.Calls[1].Sound, "SONDREL2");
  // Only the first ampersand counts: in "A&&B" the mnemonic is "&".
  Form->Play1Btn->SetText("A&&B");
  EXPECT_EQ(Reflect(Form->ExitBtn, WM_CHAR, 'b'), 0);
  EXPECT_EQ(Reflect(Form->ExitBtn, WM_CHAR, '&'), 1);
  EXPECT_EQ(Played.Calls.size(), 3u);
}

TEST_F(TPlayerForm, AMousePressThatCannotTakeTheFocusClicksNothing) {
  struct TRefuse {
    void Enter(TObject*) { ::SetFocus(nullptr); }  // another window takes the focus away
  } refuse;
  Form->Play1Btn->OnEnter = TNotifyEvent::Of<&TRefuse::Enter>(&refuse);
  SendMessageA(Form->Play1Btn->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(Form->Play1Btn->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(Played.Calls.empty());
  Form->Play1Btn->OnEnter = {};
  SendMessageA(Form->Play1Btn->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(Form->Play1Btn->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(Played.Calls.size(), 1u);
  EXPECT_EQ(Form->ModalResult(), mrNone);  // a click hands its (zero) modal result to the form
}

TEST_F(TPlayerForm, LabelsMeasureThemselvesAndPanelsOfferTheirInside) {
  auto* label = new TLabel(Form);
  label->SetParent(Form->Panel1);
  label->SetText("x");
  for (const char* caption : {"", "&"}) {
    label->SetText(caption);
    EXPECT_EQ(label->Height(), Form->Canvas()->TextHeight("W")) << caption;  // one line, never zero
  }
  label->SetAlignment(taRightJustify);
  label->SetBounds(200, 5, 50, 10);
  label->SetText("Wider text");
  EXPECT_EQ(label->Left() + label->Width(), 250);  // grows to the left
  label->SetShowAccelChar(false);
  const int withAmpersand = (label->SetText("A&B"), label->Width());
  label->SetShowAccelChar(true);
  label->SetText("AB");
  EXPECT_GT(withAmpersand, label->Width());  // "&" drawn as itself

  auto* child = new TPanel(Form);
  child->SetAlign(alClient);
  child->SetParent(Form->Panel1);
  EXPECT_EQ(child->BoundsRect().left, 1);  // inside the one-pixel lowered bevel
  Form->Panel1->SetBevelInner(bvRaised);
  Form->Panel1->SetBevelWidth(3);
  Form->Panel1->SetBorderWidth(2);
  EXPECT_EQ(child->Left(), 8);  // 3 + 2 + 3
  EXPECT_EQ(child->Width(), Form->Panel1->ClientWidth() - 16);
}

}  // namespace
}  // namespace player_test
