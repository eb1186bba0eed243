// The control base: alignment changes, scaling, inherited colour and font,
// captions and hints, and the mouse rules of non-windowed controls inside a
// real window.
#include <gtest/gtest.h>

#include <type_traits>

#include "ControlsTestSupport.h"
#include "TestSupport.h"

namespace controls_test {
namespace {

TEST(Control, AlignmentSwapsTheSizeOnlyBetweenTheVerticalAndHorizontalPairs) {
  const struct {
    TAlign From, To;
    TBounds Expected;
  } cases[] = {{alTop, alLeft, {0, 0, 20, 100}},    {alTop, alBottom, {0, 0, 100, 20}},
               {alLeft, alRight, {0, 0, 100, 20}},  {alNone, alLeft, {0, 0, 100, 20}},
               {alTop, alClient, {0, 0, 100, 20}},  {alClient, alLeft, {0, 0, 100, 20}}};
  for (const auto& c : cases) {
    TControl control(nullptr);
    control.SetAlign(c.From);
    control.SetBounds(0, 0, 100, 20);
    control.SetAlign(c.To);
    EXPECT_EQ(Bounds(&control), c.Expected) << c.From << "->" << c.To;
  }
}

TEST(Control, ScalingMovesEdgesHonoursFixedSizesAndScalesAnOwnFont) {
  TControl control(nullptr);
  control.SetBounds(3, 4, 5, 6);
  control.ApplyScale(2, 1);
  EXPECT_EQ(Bounds(&control), (TBounds{6, 8, 10, 12}));  // width MulDiv(3 + 5, 2, 1) - 6
  control.SetControlStyle(control.ControlStyle() | csFixedWidth);
  control.SetBounds(3, 4, 5, 6);
  control.Font()->SetSize(10);
  control.ApplyScale(2, 1);
  EXPECT_EQ(Bounds(&control), (TBounds{6, 8, 5, 12}));
  EXPECT_EQ(control.Font()->Size(), 20);
  control.SetLeft(1);  // marked as set; M = D changes nothing but the flags
  EXPECT_EQ(control.ScalingFlags(), sfLeft);
  control.ApplyScale(7, 7);
  EXPECT_EQ(control.Left(), 1);
  EXPECT_EQ(control.ScalingFlags(), 0);
}

TEST(Control, ColourFontAndHintSettingFollowTheParentUntilSetOwnValues) {
  TTestForm form;
  TControl child(nullptr);
  child.SetParent(&form);
  form.SetColor(clYellow);
  form.Font()->SetHeight(-20);
  form.SetShowHint(true);
  EXPECT_EQ(child.Color(), clYellow);
  EXPECT_EQ(child.Font()->Height(), -20);
  EXPECT_TRUE(child.ShowHint());
  EXPECT_TRUE(child.ParentColor() && child.ParentFont() && child.ParentShowHint());
  child.SetColor(clRed);
  child.Font()->SetHeight(-9);
  EXPECT_FALSE(child.ParentColor() || child.ParentFont());
  form.SetColor(clBlue);
  form.Font()->SetHeight(-30);
  EXPECT_EQ(child.Color(), clRed);
  EXPECT_EQ(child.Font()->Height(), -9);
  child.SetParent(nullptr);
}

TEST(Control, CaptionsLiveInTheTextBufferAndFollowTheNameUntilEdited) {
  TControl control(nullptr);
  char buffer[4] = "xyz";
  control.SetText("Hello");
  EXPECT_EQ(control.PerformMessage(WM_GETTEXT, 4, reinterpret_cast<long>(buffer)), 3);
  EXPECT_STREQ(buffer, "Hel");
  control.SetText("");
  control.Rename("Button1");
  control.Rename("Button2");
  EXPECT_EQ(control.GetText(), "Button2");
  control.SetText("Edited");
  control.Rename("Button3");
  EXPECT_EQ(control.GetText(), "Edited");
}

TEST(Control, HintsSplitAtTheFirstBarAndMnemonicsFollowTheFirstAmpersand) {
  const struct {
    const char *Hint, *Short, *Long;
  } hints[] = {{"Save|Saves the file", "Save", "Saves the file"}, {"Plain", "Plain", "Plain"}, {"a|b|c", "a", "b|c"},
               {"|long", "", "long"}};
  for (const auto& h : hints) EXPECT_EQ(ShortHintOf(h.Hint) + "/" + LongHintOf(h.Hint), String(h.Short) + "/" + h.Long);
  const struct {
    char Typed;
    const char* Caption;
    bool Matches;
  } mnemonics[] = {{'r', "Sai&r", true},  {'R', "Sai&r", true},  {'1', "Tocar Som &1", true},
                   {'a', "Sai&r", false}, {'x', "Box&", false},  {'&', "A&&B", true},
                   {'b', "A&&B", false},  {'c', "No mnemonic", false}};
  for (const auto& m : mnemonics) EXPECT_EQ(MatchesMnemonic(m.Typed, m.Caption), m.Matches) << m.Typed << m.Caption;
}

TEST(Control, InvalidRequestsRaiseAndChangeNothing) {
  TControl control(nullptr);
  control.Rename("Lonely");
  EXPECT_RAISES(EInvalidOperation, control.SetParent(reinterpret_cast<TWinControl*>(&control)),
                "A control cannot have itself as its parent");
  EXPECT_EQ(control.Parent(), nullptr);
  // Nor can it take one of its children, or theirs, as its parent.
  TWinControl outer(nullptr);
  auto *inner = new TWinControl(&outer), *innermost = new TWinControl(&outer);
  inner->SetParent(&outer);
  innermost->SetParent(inner);
  for (TWinControl* descendant : {inner, innermost})
    EXPECT_RAISES(EInvalidOperation, outer.SetParent(descendant),
                  "A control cannot have one of its own children as its parent");
  EXPECT_EQ(outer.Parent(), nullptr);
  EXPECT_EQ(innermost->Parent(), inner);
  EXPECT_RAISES(EInvalidOperation, control.ClientOrigin(), "Control 'Lonely' has no parent window");
  HWND window;
  EXPECT_RAISES(EInvalidOperation, control.AcquireDeviceContext(window), "Control 'Lonely' has no parent window");
}

// A control that records its mouse events: button, double, position, and
// whether it held the capture (a non-windowed one through its parent's
// window).
template <class Base>
class TMouseRecorder : public Base {
 public:
  using Base::Base;
  std::vector<String> Events;
  void Click() override { Events.push_back("click"); }
  void DoubleClick() override { Events.push_back("double"); }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override { Note("down", b, s, x, y); }
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override { Note("up", b, s, x, y); }

 private:
  void Note(const char* what, TMouseButton b, TShiftState s, int x, int y) {
    HWND holder;
    if constexpr (std::is_base_of_v<TWinControl, Base>)
      holder = this->Handle();
    else
      holder = this->Parent()->Handle();
    const bool captured = GetCaptureControl() == this && GetCapture() == holder;
    Events.push_back(Format("%s %d %d %d,%d%s", {what, static_cast<int>(b), s & ssDouble ? 1 : 0, x, y,
                                                 captured ? " captured" : ""}));
  }
};

using TMouseControl = TMouseRecorder<TGraphicControl>;
using TMouseWinControl = TMouseRecorder<TCustomControl>;

// The mouse messages of a shown form's window that fall on its non-windowed
// child (at 40, 30) reach the child in its own coordinates.
class Mouse : public testing::Test {
 protected:
  Mouse() : Child(new TMouseControl(&Form)) {
    Child->SetParent(&Form);
    Child->SetBounds(40, 30, 50, 20);
    Form.Show();
  }
  void Send(UINT msg, int x, int y, WPARAM keys = 0) { SendMessageA(Form.Handle(), msg, keys, MAKELPARAM(x, y)); }
  TTestForm Form;
  TMouseControl* Child;
};

TEST_F(Mouse, AClickNeedsThePressAndTheReleaseInsideAndTheCaptureKeepsAReleaseOutside) {
  Send(WM_LBUTTONDOWN, 45, 35, MK_LBUTTON);
  Send(WM_LBUTTONUP, 45, 35);
  Send(WM_LBUTTONDOWN, 45, 35, MK_LBUTTON);
  Send(WM_LBUTTONUP, 150, 80);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Child->Events, (std::vector<String>{"down 0 0 5,5 captured", "click", "up 0 0 5,5",
                                                "down 0 0 5,5 captured", "up 0 0 110,50"}));
}

TEST_F(Mouse, WithoutDoubleClicksADoubleClickIsASecondPress) {
  Send(WM_LBUTTONDBLCLK, 45, 35, MK_LBUTTON);
  Send(WM_LBUTTONUP, 45, 35);
  Child->SetControlStyle(Child->ControlStyle() & ~csDoubleClicks);
  Send(WM_LBUTTONDBLCLK, 45, 35, MK_LBUTTON);
  Send(WM_LBUTTONUP, 45, 35);
  EXPECT_EQ(Child->Events, (std::vector<String>{"double", "down 0 1 5,5 captured", "up 0 0 5,5",
                                                "down 0 0 5,5 captured", "click", "up 0 0 5,5"}));
}

TEST_F(Mouse, CancelModeReleasesOutsideSoNoClickFollowsAndOtherPressesStayWithTheWindow) {
  Send(WM_LBUTTONDOWN, 45, 35, MK_LBUTTON);
  SendMessageA(Form.Handle(), WM_CANCELMODE, 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  Send(WM_RBUTTONDOWN, 5, 5, MK_RBUTTON);
  Send(WM_RBUTTONDOWN, 41, 31, MK_RBUTTON);
  EXPECT_EQ(Child->Events, (std::vector<String>{"down 0 0 5,5 captured", "up 0 0 -1,-1", "down 1 0 1,1"}));
}

// A windowed control ends its press on cancel mode too, although the
// platform releases its capture first: no click follows the next release.
TEST_F(Mouse, CancelModeEndsTheGripOfAWindowedControl) {
  auto* windowed = new TMouseWinControl(&Form);
  windowed->SetBounds(100, 30, 50, 20);
  windowed->SetParent(&Form);
  const HWND window = windowed->Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(window, WM_CANCELMODE, 0, 0);
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(windowed->Events,
            (std::vector<String>{"down 0 0 5,5 captured", "up 0 0 -1,-1", "up 0 0 5,5"}));
}

}  // namespace
}  // namespace controls_test
