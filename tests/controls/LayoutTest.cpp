// Alignment of children, z-order of windowed children, tab order and the
// focus moves along it, and the child under a point.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "TestSupport.h"

namespace controls_test {
namespace {

// A 200 x 100 client area holding aligned children; it may offer them less
// than its client area, as bevelled panels do.
class TInsetForm : public TTestForm {
 public:
  int Inset = 0;
  void ArrangeChildren(TControl* control, RECT& rect) override {
    InflateRect(&rect, -Inset, -Inset);
    TTestForm::ArrangeChildren(control, rect);
  }
};
class Layout : public testing::Test {
 protected:
  Layout() {
    Form.SetBounds(0, 0, 200, 100);
    Form.Handle();
  }
  TControl* Add(TAlign align, TBounds bounds) {
    auto* c = new TControl(&Form);
    c->SetBounds(bounds[0], bounds[1], bounds[2], bounds[3]);
    c->SetAlign(align);
    c->SetParent(&Form);
    return c;
  }
  TInsetForm Form;
};

TEST_F(Layout, EdgesAreTakenTopBottomLeftRightThenTheClientGetsTheRest) {
  Form.SuspendAlignment();
  TControl* lower = Add(alTop, {0, 50, 10, 20});
  TControl* upper = Add(alTop, {0, 10, 10, 30});
  TControl* client = Add(alClient, {0, 0, 5, 5});
  Form.ResumeAlignment();
  EXPECT_EQ(Bounds(upper), (TBounds{0, 0, 200, 30}));
  EXPECT_EQ(Bounds(lower), (TBounds{0, 30, 200, 20}));
  EXPECT_EQ(Bounds(client), (TBounds{0, 50, 200, 50}));
  TControl* bottom = Add(alBottom, {0, 0, 10, 10});
  TControl* left = Add(alLeft, {0, 0, 15, 10});
  TControl* right = Add(alRight, {0, 0, 25, 10});
  EXPECT_EQ(Bounds(bottom), (TBounds{0, 90, 200, 10}));
  EXPECT_EQ(Bounds(left), (TBounds{0, 50, 15, 40}));
  EXPECT_EQ(Bounds(right), (TBounds{175, 50, 25, 40}));
  EXPECT_EQ(Bounds(client), (TBounds{15, 50, 160, 40}));
}

TEST_F(Layout, TiesKeepChildOrderButTheChangedControlGoesFirst) {
  TControl* a = Add(alLeft, {0, 0, 30, 10});
  TControl* b = Add(alLeft, {0, 0, 40, 10});
  EXPECT_EQ(b->Left(), 0);  // the control being inserted wins the tie
  EXPECT_EQ(a->Left(), 40);
  Form.SuspendAlignment();
  a->SetLeft(0);
  Form.ResumeAlignment();  // one pass with no changed control: child order
  EXPECT_EQ(a->Left(), 0);
  EXPECT_EQ(b->Left(), 30);
}

TEST_F(Layout, NegativeOrEmptyRemaindersKeepTheChildsOwnSize) {
  Form.Inset = 3;
  Form.SetBounds(0, 0, 4, 100);  // 2 pixels narrower than its insets
  TControl* top = Add(alTop, {1, 2, 33, 4});
  TControl* client = Add(alClient, {1, 2, 33, 4});
  EXPECT_EQ(Bounds(top), (TBounds{3, 3, 33, 4}));     // the free width is negative
  EXPECT_EQ(Bounds(client), (TBounds{1, 2, 33, 4}));  // nothing left for it
}

TEST_F(Layout, WithoutAWindowAlignmentWaitsForIt) {
  Form.DestroyHandle();
  TControl* c = Add(alClient, {5, 5, 10, 10});
  EXPECT_EQ(Bounds(c), (TBounds{5, 5, 10, 10}));
  Form.Handle();  // the window's WM_SIZE aligns
  EXPECT_EQ(Bounds(c), (TBounds{0, 0, 200, 100}));
}

TEST_F(Layout, ControlAtPosAnswersTheTopmostEnabledVisibleChildUnderThePoint) {
  TControl* below = Add(alNone, {10, 10, 20, 20});
  TControl* above = Add(alNone, {10, 10, 20, 20});
  EXPECT_EQ(Form.ControlAtPos({15, 15}, false), above);
  EXPECT_EQ(Form.ControlAtPos({9, 15}, false), nullptr);
  above->SetEnabled(false);
  EXPECT_EQ(Form.ControlAtPos({15, 15}, false), below);
  EXPECT_EQ(Form.ControlAtPos({15, 15}, true), above);
  above->SetVisible(false);
  EXPECT_EQ(Form.ControlAtPos({15, 15}, true), below);
}

// Four windowed children (bottom first) on a form with a window.
class Order : public testing::Test {
 protected:
  Order() {
    for (int i = 0; i < 4; ++i) {
      auto* c = new TWinControl(&Form);
      c->Rename(Format("C%d", {i}));
      c->SetTabStop(i != 2);
      c->SetBounds(10 * i, 0, 10, 10);
      c->SetParent(&Form);
      Children.push_back(c);
    }
    Form.Show();
  }
  // The children's windows from the top of the z-order down.
  std::vector<TWinControl*> WindowOrder() {
    std::vector<TWinControl*> order;
    for (HWND w = GetWindow(Form.Handle(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) order.push_back(FindControl(w));
    return order;
  }
  TTestForm Form;
  std::vector<TWinControl*> Children;
};

TEST_F(Order, ZOrderMovesPlaceTheWindowUnderItsNewUpperSibling) {
  auto& c = Children;
  EXPECT_EQ(WindowOrder(), (std::vector<TWinControl*>{c[3], c[2], c[1], c[0]}));
  c[0]->SetZOrderPosition(2);
  EXPECT_EQ(Form.Controls(2), c[0]);
  EXPECT_EQ(WindowOrder(), (std::vector<TWinControl*>{c[3], c[0], c[2], c[1]}));
  c[0]->SendToBack();
  EXPECT_EQ(WindowOrder(), (std::vector<TWinControl*>{c[3], c[2], c[1], c[0]}));
  c[1]->BringToFront();
  EXPECT_EQ(WindowOrder().front(), c[1]);
  // A sibling above without a window yet is passed over: C1 goes under C3.
  c[2]->DestroyHandle();
  c[1]->SetZOrderPosition(1);  // the list from the bottom: C0, C1, C2, C3
  EXPECT_EQ(WindowOrder(), (std::vector<TWinControl*>{c[3], c[1], c[0]}));
}

// A window made again, or first made when a child hidden at insertion is
// shown, takes its place among its siblings' windows: the screen follows
// Controls.
TEST_F(Order, NewWindowsTakeTheirPlaceAmongTheSiblingsWindows) {
  auto& c = Children;
  c[1]->RecreateWindow();
  EXPECT_EQ(WindowOrder(), (std::vector<TWinControl*>{c[3], c[2], c[1], c[0]}));
  c[2]->DestroyHandle();
  c[2]->Handle();
  EXPECT_EQ(WindowOrder(), (std::vector<TWinControl*>{c[3], c[2], c[1], c[0]}));
  auto* hidden = new TWinControl(&Form);
  hidden->SetVisible(false);
  hidden->SetParent(&Form);
  auto* later = new TWinControl(&Form);
  later->SetParent(&Form);
  hidden->SetVisible(true);
  EXPECT_EQ(WindowOrder(), (std::vector<TWinControl*>{later, hidden, c[3], c[2], c[1], c[0]}));
}

TEST(ZOrder, AGraphicControlWithoutAFormRaisesAndStaysInPlace) {
  TWinControl parent(nullptr);
  auto* a = new TGraphicControl(&parent);
  a->Rename("A");
  a->SetParent(&parent);
  (new TGraphicControl(&parent))->SetParent(&parent);
  EXPECT_RAISES(EInvalidOperation, a->SetZOrderPosition(1), "Control 'A' has no parent window");
  EXPECT_EQ(parent.Controls(0), a);
}

TEST_F(Order, TabOrderWritesAreClampedAndNavigationWraps) {
  auto& c = Children;
  c[1]->SetTabOrder(99);
  EXPECT_EQ(c[1]->TabOrder(), 3);
  c[1]->SetTabOrder(-5);
  EXPECT_EQ(c[1]->TabOrder(), 0);
  // Tab order now 1, 0, 2, 3; C2 is no tab stop.
  EXPECT_EQ(Form.FindNextControl(c[3], true, true, false), c[1]);  // wraps
  EXPECT_EQ(Form.FindNextControl(c[0], true, true, false), c[3]);
  EXPECT_EQ(Form.FindNextControl(c[0], true, false, false), c[2]);
  EXPECT_EQ(Form.FindNextControl(c[1], false, true, false), c[3]);
  EXPECT_EQ(Form.FindNextControl(nullptr, true, true, false), c[1]);
  for (int i : {0, 1, 3}) c[i]->SetEnabled(false);
  EXPECT_EQ(Form.FindNextControl(c[2], true, false, false), c[2]);  // the only one left is itself
}

TEST_F(Order, PendingTabOrdersApplyInSlotOrder) {
  auto& c = Children;
  for (TWinControl* child : c) child->IncludeControlState(csReadingState);
  const int pending[] = {2, 0, 7, 1};  // 7 is out of range and ignored
  for (int i = 0; i < 4; ++i) c[i]->SetTabOrder(static_cast<TTabOrder>(pending[i]));
  for (TWinControl* child : c) child->ExcludeControlState(csReadingState);
  Form.FixupTabList();
  EXPECT_EQ(c[1]->TabOrder(), 0);
  EXPECT_EQ(c[3]->TabOrder(), 1);
  EXPECT_EQ(c[0]->TabOrder(), 2);
  EXPECT_EQ(c[2]->TabOrder(), 3);
}

}  // namespace
}  // namespace controls_test
