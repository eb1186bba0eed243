// Windowed controls on real windows: creation on demand and the messages it
// brings, re-creation, destruction, showing and hiding, focus rules, bad
// requests, and the handles a tree of controls leaves behind.
#include <gtest/gtest.h>

#include <cstdio>

#include "ControlsTestSupport.h"
#include "TestSupport.h"

namespace controls_test {
namespace {

// A windowed child that notes its own destruction.
std::vector<String> Deaths;
struct TNoted : TWinControl {
  using TWinControl::TWinControl;
  ~TNoted() override { Deaths.push_back(Name()); }
};

class Windows : public testing::Test {
 protected:
  Windows() : Child(new TWinControl(&Form)) {
    Form.Rename("Form");
    Child->Rename("Child");
    Child->SetBounds(10, 20, 60, 30);
  }
  TTestForm Form;
  TWinControl* Child;
};

TEST_F(Windows, TheWindowIsMadeOnDemandUnderItsParentAndItsFirstMessagesReachTheObject) {
  const int windows = ThreadWindowCount();
  EXPECT_RAISES(EInvalidOperation, Child->Handle(), "Control 'Child' has no parent window");
  EXPECT_FALSE(Child->HandleAllocated());
  EXPECT_EQ(ThreadWindowCount(), windows);  // nothing made, nothing left behind
  Child->SetParent(&Form);
  EXPECT_FALSE(Child->HandleAllocated());
  TMessageLog log(Child);
  const HWND window = Child->Handle();
  ASSERT_TRUE(window);
  EXPECT_EQ(GetParent(window), Form.Handle());  // the parent's window made first
  EXPECT_EQ(FindControl(window), Child);
  EXPECT_TRUE(IsOwnWindow(window));
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, Form.Handle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom - r.top, 30);
  EXPECT_TRUE(MatchesSequence(log.Log, {{WM_GETMINMAXINFO, Optional},
                                        {WM_NCCREATE},
                                        {WM_NCCALCSIZE, Optional},
                                        {WM_CREATE},
                                        {WM_SETFONT, CheckL, 0, 1}}));
}

TEST_F(Windows, ReCreationKeepsCaptionBoundsAndFocus) {
  Child->SetParent(&Form);
  Child->SetText("Caption");
  Form.Show();
  SetForegroundWindow(Form.Handle());
  ::SetFocus(Child->Handle());
  ASSERT_TRUE(Child->Focused());
  const HWND old = Child->Handle();
  TMessageLog log(Child);
  Child->RecreateWindow();
  EXPECT_TRUE(MatchesSequence(log.Log, {{XM_RECREATE_WND},
                                        {WM_DESTROY},
                                        {WM_NCDESTROY},
                                        {WM_NCCREATE},
                                        {WM_CREATE},
                                        {WM_SETFOCUS}}));
  EXPECT_FALSE(IsWindow(old));
  EXPECT_NE(Child->Handle(), old);
  EXPECT_TRUE(Child->Focused());
  EXPECT_EQ(Child->GetText(), "Caption");
  EXPECT_EQ(Child->Top(), 20);
  EXPECT_TRUE(IsWindowVisible(Child->Handle()));

  Child->DestroyHandle();
  EXPECT_FALSE(Child->HandleAllocated());
  EXPECT_EQ(FindControl(old), nullptr);
  EXPECT_EQ(Child->GetText(), "Caption");  // kept in the object
}

TEST_F(Windows, HidingAControlDefocusesItBeforeItsWindowHides) {
  Child->SetParent(&Form);
  Form.Show();
  ASSERT_TRUE(IsWindowVisible(Child->Handle()));
  Form.Log.clear();
  TMessageLog log(Child);
  Child->SetVisible(false);
  EXPECT_EQ(Form.Log, (std::vector<String>{"defocus Child"}));
  EXPECT_FALSE(IsWindowVisible(Child->Handle()));
  EXPECT_FALSE(Child->Showing());
  // The form was told before the window was hidden.
  EXPECT_TRUE(MatchesSequence(log.Log, {{XM_VISIBLE_CHANGED}, {XM_SHOWING_CHANGED}, {WM_WINDOWPOSCHANGED}}));
}

TEST_F(Windows, FocusNeedsAFormAndAVisibleEnabledChain) {
  auto* inner = new TWinControl(&Form);
  inner->SetParent(Child);
  EXPECT_FALSE(inner->CanFocus());  // no form at the top yet
  EXPECT_RAISES(EInvalidOperation, inner->SetFocus(), "Control '' has no parent window");
  Child->SetParent(&Form);
  EXPECT_TRUE(inner->CanFocus());
  Child->SetEnabled(false);
  EXPECT_FALSE(inner->CanFocus());
  Child->SetEnabled(true);
  Child->SetVisible(false);
  EXPECT_FALSE(inner->CanFocus());
  Form.SetEnabled(false);  // the form's own state does not count
  Child->SetVisible(true);
  EXPECT_TRUE(inner->CanFocus());
}

TEST(WindowTree, ChildrenAreDestroyedLastFirst) {
  {
    TTestForm form;
    for (const char* name : {"A", "B", "C"}) {
      auto* c = new TNoted(&form);
      c->Rename(name);
      c->SetParent(&form);
    }
    (new TControl(nullptr))->SetParent(&form);
    form.Show();
  }
  EXPECT_EQ(Deaths, (std::vector<String>{"C", "B", "A"}));
}

TEST(WindowHandles, UtilityWindowsLeaveNoWindowAndNoMemoryBehind) {
  struct TSink {
    void Handle(TMessage&) {}
  } sink;
  const int windows = ThreadWindowCount();
  const long blocks = LiveBlocks;
  for (int i = 0; i < 10; ++i)
    DeallocateUtilityWindow(AllocateUtilityWindow(TEvent<TMessage&>::Of<&TSink::Handle>(&sink)));
  EXPECT_EQ(ThreadWindowCount(), windows);
  EXPECT_EQ(LiveBlocks, blocks);
}

TEST(WindowHandles, ATreeOfFiftyControlsLeavesNoWindowOrGdiObjectBehind) {
  auto makeTree = [] {
    auto* form = new TTestForm;
    for (int p = 0; p < 10; ++p) {
      auto* panel = new TCustomControl(form);
      panel->SetParent(form);
      panel->SetBounds(p * 20, 0, 20, 100);
      for (int c = 0; c < 2; ++c) (new TWinControl(form))->SetParent(panel);
      for (int c = 0; c < 2; ++c) (new TGraphicControl(form))->SetParent(panel);
    }
    form->Show();
    return form;
  };
  delete makeTree();  // warms the caches of classes and brushes
  Pump();
  const int windows = ThreadWindowCount();
  const long gdi = GdiTableCount();
  int withTree = 0;
  for (int i = 0; i < TreeRounds; ++i) {
    TTestForm* form = makeTree();
    if (i == 0) withTree = ThreadWindowCount();
    ASSERT_EQ(ThreadWindowCount(), withTree) << i;
    delete form;
    if (i % 100 == 0) Pump();
  }
  EXPECT_GE(withTree, windows + 31);
  Pump();
  std::printf("50-control trees x %d: windows %d -> %d, GDI objects %ld -> %ld\n", TreeRounds, windows,
              ThreadWindowCount(), gdi, GdiTableCount());
  EXPECT_EQ(ThreadWindowCount(), windows);
  EXPECT_EQ(GdiTableCount(), gdi);
}

}  // namespace
}  // namespace controls_test
