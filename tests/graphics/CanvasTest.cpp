// The canvas on a memory context: what it selects and when, read back from the
// context and from the pixels it paints.
#include <gtest/gtest.h>

#include "Canvas.h"
#include "GraphicsTestSupport.h"
#include "TestSupport.h"

namespace canvas_test {

constexpr COLORREF kBackground = RGB(0x12, 0x34, 0x56), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);
const char* const kCannotDraw = "Canvas does not allow drawing";

// A canvas over a 64x16 bitmap of one colour; the canvas lets go of it first.
class CanvasOnBitmap : public testing::Test {
 protected:
  CanvasOnBitmap() : Bitmap(64, 16) {
    Bitmap.Fill(kBackground);
    Canvas.SetHandle(Bitmap.DC);
  }
  HGDIOBJ Selected(UINT kind) const { return GetCurrentObject(Bitmap.DC, kind); }
  void Line(int y) {
    const POINT line[] = {{0, y}, {63, y}};
    Canvas.Polyline(line, 1);
  }
  // The pixels of row y, x in [0, 60), that have the colour.
  int CountInRow(int y, COLORREF color) const {
    int n = 0;
    for (int x = 0; x < 60; ++x) n += Bitmap.Pixel(x, y) == color;
    return n;
  }

  TBitmapContext Bitmap;
  TCanvas Canvas;
};

TEST_F(CanvasOnBitmap, SolidBrushPaintsClearBrushLeavesThePixelsAndTheHandleAnnouncesChangingOnly) {
  TNotifications notes;
  Canvas.OnChanging = TNotifyEvent::Of<&TNotifications::OnChanging>(&notes);
  notes.Watch(Canvas);
  Canvas.Brush()->SetColor(clRed);
  Canvas.FillRect(RECT{2, 2, 10, 10});
  EXPECT_EQ(Bitmap.Pixel(2, 2), kRed);
  EXPECT_EQ(Bitmap.Pixel(9, 9), kRed);
  EXPECT_EQ(Bitmap.Pixel(10, 10), kBackground);
  EXPECT_EQ(notes.Changing, 1);
  EXPECT_EQ(notes.Change, 1);
  EXPECT_EQ(Canvas.Handle(), Bitmap.DC);
  EXPECT_EQ(notes.Changing, 2);
  EXPECT_EQ(notes.Change, 1);
  EXPECT_EQ(Canvas.State(), TCanvas::csAllValid);

  Canvas.Brush()->SetStyle(bsClear);
  Canvas.FillRect(RECT{0, 0, 64, 16});
  EXPECT_EQ(Bitmap.Pixel(30, 8), kBackground);
}

TEST_F(CanvasOnBitmap, DashedPenDrawsPenColouredDashesAndSelectsTheBrushAgainForTheGaps) {
  Canvas.Brush()->SetColor(clBlue);
  Line(2);  // a solid pen: now font aside, everything is selected
  ASSERT_EQ(Canvas.State(), TCanvas::csAllValid & ~TCanvas::csFontValid);
  // Someone else changes the background; the brush itself stays valid.
  SetBkColor(Canvas.CurrentHandle(), RGB(0, 255, 0));
  SetBkMode(Canvas.CurrentHandle(), TRANSPARENT);
  Canvas.Pen()->SetStyle(psDash);
  Line(8);
  const int dashes = CountInRow(8, RGB(0, 0, 0)), gaps = CountInRow(8, kBlue);
  EXPECT_GT(dashes, 0);
  EXPECT_GT(gaps, 0);
  EXPECT_EQ(dashes + gaps, 60);
  EXPECT_EQ(CountInRow(7, kBackground), 60);
}

TEST_F(CanvasOnBitmap, FontChangeAfterTextWidthDeselectsOnlyTheFont) {
  const int width = Canvas.TextWidth("Hello");
  EXPECT_GT(width, 0);
  EXPECT_GT(Canvas.TextHeight("Hello"), 0);
  Canvas.FillRect(RECT{0, 0, 1, 1});
  Line(15);
  ASSERT_EQ(Canvas.State(), TCanvas::csAllValid);
  EXPECT_EQ(Selected(OBJ_FONT), Canvas.Font()->Handle());
  Canvas.Font()->SetColor(clRed);
  EXPECT_EQ(Canvas.State(), TCanvas::csAllValid & ~TCanvas::csFontValid);
  EXPECT_EQ(Selected(OBJ_FONT), StockFont());
  EXPECT_EQ(Selected(OBJ_PEN), Canvas.Pen()->Handle());
  EXPECT_EQ(Selected(OBJ_BRUSH), Canvas.Brush()->Handle());
  Canvas.TextWidth("Hello");
  EXPECT_EQ(GetTextColor(Bitmap.DC), kRed);
}

TEST_F(CanvasOnBitmap, SameContextAgainDoesNothingAnotherKeepsThePenPosition) {
  Canvas.MoveTo(17, 5);
  Canvas.FillRect(RECT{0, 0, 1, 1});
  const std::uint8_t state = Canvas.State();
  ASSERT_TRUE(state & TCanvas::csBrushValid);
  Canvas.SetHandle(Bitmap.DC);
  EXPECT_EQ(Canvas.State(), state);
  EXPECT_EQ(Selected(OBJ_BRUSH), Canvas.Brush()->Handle());

  TBitmapContext other(8, 8);
  Canvas.SetHandle(other.DC);
  EXPECT_EQ(Canvas.State(), TCanvas::csHandleValid);
  EXPECT_EQ(Selected(OBJ_BRUSH), StockBrush());  // the old context is left clean
  const POINT position = Canvas.PenPos();
  EXPECT_EQ(position.x, 17);
  EXPECT_EQ(position.y, 5);
  Canvas.SetHandle(nullptr);
}

TEST(Canvas, WithoutAContextDrawingRaisesAndTheStateStays) {
  TCanvas canvas;
  EXPECT_RAISES(EInvalidOperation, canvas.FillRect(RECT{0, 0, 2, 2}), kCannotDraw);
  EXPECT_EQ(canvas.State(), 0);
  TBitmapContext bitmap(4, 4);
  canvas.SetHandle(bitmap.DC);
  canvas.TextWidth("x");
  canvas.SetHandle(nullptr);
  EXPECT_RAISES(EInvalidOperation, canvas.Handle(), kCannotDraw);
  EXPECT_EQ(canvas.State(), 0);
  EXPECT_FALSE(canvas.HandleAllocated());
}

TEST(SystemColors, ChangeRenewsSystemColouredHandlesOnly) {
  TBrush face, red;
  TPen text;
  face.SetColor(clBtnFace);
  red.SetColor(clRed);
  text.SetColor(clWindowText);
  HBRUSH oldFace = face.Handle(), redHandle = red.Handle();
  HPEN oldText = text.Handle();
  TBitmapContext bitmap(4, 4);
  TCanvas canvas;
  canvas.SetHandle(bitmap.DC);
  canvas.Brush()->SetColor(clBtnFace);
  canvas.FillRect(RECT{0, 0, 4, 4});
  ASSERT_EQ(GetCurrentObject(bitmap.DC, OBJ_BRUSH), oldFace);

  SystemColorsChanged();
  EXPECT_EQ(canvas.State(), TCanvas::csHandleValid);
  EXPECT_EQ(GetObjectType(oldFace), 0u);
  EXPECT_EQ(GetObjectType(oldText), 0u);
  EXPECT_EQ(GetObjectType(face.Handle()), static_cast<DWORD>(OBJ_BRUSH));  // made anew
  EXPECT_EQ(red.Handle(), redHandle);
  EXPECT_EQ(GetObjectType(redHandle), static_cast<DWORD>(OBJ_BRUSH));
  canvas.FillRect(RECT{0, 0, 4, 4});
  EXPECT_EQ(bitmap.Pixel(1, 1), GetSysColor(COLOR_BTNFACE));
}

}  // namespace canvas_test
