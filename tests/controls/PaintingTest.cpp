// Painting on real windows: graphic children painted by their parent in
// z-order and clipped out of its surface, what an invalidation repaints, the
// shared cache of device contexts, and the frames of windowed children.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "TestSupport.h"

namespace controls_test {
namespace {

// An opaque box that fills itself with one colour and counts its paints.
class TBox : public TGraphicControl {
 public:
  TBox(TWinControl* parent, TColor fill, RECT bounds) : TGraphicControl(parent), Fill(fill) {
    SetControlStyle(ControlStyle() | csOpaque);
    SetParent(parent);
    SetBoundsRect(bounds);
  }
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(Fill);
    Canvas()->FillRect(ClientRect());
  }
  TColor Fill;
  int Paints = 0;
};

class Painting : public testing::Test {
 protected:
  Painting() {
    Lower = new TBox(&Form, clRed, {10, 10, 60, 40});
    Upper = new TBox(&Form, clBlue, {40, 20, 90, 50});
    Form.Show();
    SetForegroundWindow(Form.Handle());
    UpdateWindow(Form.Handle());
  }
  COLORREF Pixel(int x, int y) {
    HDC dc = GetDC(Form.Handle());
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(Form.Handle(), dc);
    return c;
  }
  // The paints of the form, Lower and Upper since the last call.
  using TPaints = std::array<int, 3>;
  TPaints TakePaints() {
    const TPaints paints{Form.Paints, Lower->Paints, Upper->Paints};
    Form.Paints = Lower->Paints = Upper->Paints = 0;
    return paints;
  }
  TTestForm Form;
  TBox *Lower, *Upper;
};

TEST_F(Painting, GraphicChildrenPaintOverTheSurfaceInZOrder) {
  EXPECT_EQ(Pixel(5, 5), RGB(255, 255, 255));  // the form's own surface
  EXPECT_EQ(Pixel(15, 15), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(50, 30), RGB(0, 0, 255));  // the overlap: the later child is on top
  EXPECT_EQ(Pixel(85, 45), RGB(0, 0, 255));
  Lower->BringToFront();
  UpdateWindow(Form.Handle());
  EXPECT_EQ(Pixel(50, 30), RGB(255, 0, 0));
  EXPECT_EQ(Form.ControlAtPos({50, 30}, false), Lower);
}

TEST_F(Painting, InvalidationAndRepaintPaintOnlyWhatTheyCover) {
  TakePaints();
  RECT away{150, 60, 160, 70};
  InvalidateRect(Form.Handle(), &away, TRUE);
  UpdateWindow(Form.Handle());
  EXPECT_EQ(TakePaints(), (TPaints{1, 0, 0}));  // outside the children: the surface alone
  Lower->Invalidate();
  UpdateWindow(Form.Handle());
  EXPECT_EQ(TakePaints(), (TPaints{0, 1, 1}));  // Upper overlaps; the opaque children cover the surface
  Lower->Repaint();  // at once: the control and the siblings above it
  EXPECT_EQ(TakePaints(), (TPaints{0, 1, 1}));
  Upper->Repaint();
  EXPECT_EQ(TakePaints(), (TPaints{0, 0, 1}));
  Lower->SetVisible(false);
  UpdateWindow(Form.Handle());
  Lower->Invalidate();  // an invisible control invalidates nothing
  EXPECT_FALSE(GetUpdateRect(Form.Handle(), nullptr, FALSE));
}

TEST_F(Painting, ALabelOverAnOpaqueSiblingInvalidatesWithoutErasing) {
  auto* label = new TGraphicControl(&Form);
  label->SetParent(&Form);
  label->SetBounds(15, 15, 20, 10);  // inside Lower, not opaque
  UpdateWindow(Form.Handle());
  TMessageLog log(&Form);
  label->Invalidate();
  UpdateWindow(Form.Handle());
  EXPECT_EQ(log.Count(WM_PAINT), 1);
  EXPECT_EQ(log.Count(WM_ERASEBKGND), 0);
  label->SetBounds(100, 60, 20, 10);  // the old and new places are erased
  UpdateWindow(Form.Handle());
  EXPECT_EQ(log.Count(WM_ERASEBKGND), 1);
}

TEST_F(Painting, AtMostFourCanvasesHoldADeviceContext) {
  std::vector<TBox*> boxes{Lower, Upper};
  for (int i = 0; i < 3; ++i) boxes.push_back(new TBox(&Form, clGreen, {100 + 10 * i, 60, 108 + 10 * i, 68}));
  for (TBox* box : boxes) box->Canvas()->FillRect({0, 0, 2, 2});
  EXPECT_EQ(BorrowedDeviceContexts(), 4);
  EXPECT_FALSE(Lower->Canvas()->HandleAllocated());  // pushed out by the fifth
  EXPECT_TRUE(boxes[4]->Canvas()->HandleAllocated());
  Lower->Canvas()->FillRect({0, 0, 2, 2});  // borrows again
  EXPECT_TRUE(Lower->Canvas()->HandleAllocated());
  EXPECT_FALSE(Upper->Canvas()->HandleAllocated());
  FreeDeviceContexts();
  EXPECT_EQ(BorrowedDeviceContexts(), 0);
  // Every message handled by a window gives them back.
  Lower->Canvas()->FillRect({0, 0, 2, 2});
  SendMessageA(Form.Handle(), WM_NULL, 0, 0);
  EXPECT_EQ(BorrowedDeviceContexts(), 0);
}

TEST_F(Painting, AFramedChildGetsASunkenEdgeOnItsParent) {
  auto* framed = new TWinControl(&Form);
  framed->SetControlStyle(framed->ControlStyle() | csFramed);
  framed->SetCtl3D(true);
  framed->SetBounds(120, 30, 40, 30);
  framed->SetParent(&Form);
  InvalidateRect(Form.Handle(), nullptr, TRUE);
  UpdateWindow(Form.Handle());
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  using TEdges = std::array<COLORREF, 4>;  // left, top, right, bottom
  EXPECT_EQ((TEdges{Pixel(119, 40), Pixel(130, 29), Pixel(160, 40), Pixel(130, 60)}),
            (TEdges{shadow, shadow, highlight, highlight}));
}

}  // namespace
}  // namespace controls_test
