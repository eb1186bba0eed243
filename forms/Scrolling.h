// Windowed controls whose children may reach beyond the client area: the
// platform's own window scroll bars, described by two TControlScrollBar
// objects, move the children. With AutoScroll the ranges follow the
// children's extent.
#pragma once

#include "Controls.h"

class TScrollingWinControl;

enum TScrollBarKind : std::uint8_t { sbHorizontal, sbVertical };

class TControlScrollBar : public TPersistent {
  SONDREL_CLASS(TControlScrollBar)

 public:
  TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind) : FControl(control), FKind(kind) {}

  std::uint16_t Increment() const { return FIncrement; }
  void SetIncrement(std::uint16_t value) { FIncrement = value; }
  int Position() const { return FPosition; }
  void SetPosition(int value);
  int Range() const { return FRange; }
  // Switches the control's AutoScroll off and sets the range.
  void SetRange(int value);
  std::uint16_t Margin() const { return FMargin; }
  void SetMargin(std::uint16_t value) { FMargin = value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool Tracking() const { return FTracking; }
  void SetTracking(bool value) { FTracking = value; }
  TScrollBarKind Kind() const { return FKind; }
  // Range - visible size, at least 0; 0 while the bar is not Visible.
  int LargestPosition() const { return FLargestPosition; }
  bool IsRangeStored() const;

  // The client extent the bar scrolls over: the control's client width or
  // height, corrected for the other bar appearing (assumeOther) or going away.
  int VisibleExtent(bool controlSB, bool assumeOther);
  // The range exceeds the visible extent.
  bool Needed();
  void Update(bool controlSB, bool assumeOther);
  // The platform scroll code of a WM_HSCROLL/WM_VSCROLL message.
  void ScrollMessage(const TMessage& message);
  void SetRangeInternal(int value);
  void Scale(int multiplier, int divisor);
  void MarkRangeSet(bool value) { FRangeSet = value; }
  bool RangeSet() const { return FRangeSet; }

  void AssignFrom(const TObject* source) override;

 private:
  TScrollingWinControl* FControl;
  std::uint16_t FIncrement = 8;
  int FPosition = 0;
  int FRange = 0;
  int FLargestPosition = 0;
  TScrollBarKind FKind;
  std::uint16_t FMargin = 0;
  bool FVisible = true;
  bool FTracking = false;
  bool FRangeSet = false;
};

class TScrollingWinControl : public TWinControl {
  SONDREL_CLASS(TScrollingWinControl)

 public:
  explicit TScrollingWinControl(const TOwner& owner);
  ~TScrollingWinControl() override;

  TControlScrollBar* HorzScrollBar() const { return FHorzScrollBar.get(); }
  void SetHorzScrollBar(TControlScrollBar* bar) { FHorzScrollBar->AssignFrom(bar); }
  TControlScrollBar* VertScrollBar() const { return FVertScrollBar.get(); }
  void SetVertScrollBar(TControlScrollBar* bar) { FVertScrollBar->AssignFrom(bar); }
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool value);
  // Scrolls so that the control (a descendant) is in view, with the bars'
  // margins around it.
  void ScrollIntoView(TControl* control);
  void UpdateScrollBars();
  // Recomputes the automatic ranges from the children's extent.
  void CalcAutoRange();
  // Scales both bars; see TControlScrollBar::Scale.
  void ScaleScrollBars(int multiplier, int divisor);

  void ArrangeChildren(TControl* control, RECT& rect) override;
  void BuildWindow() override;
  void ApplyScale(int multiplier, int divisor) override;

 protected:
  void WMSize(TMessage& message);
  void WMScroll(TMessage& message);
  friend class TControlScrollBar;

 private:
  std::unique_ptr<TControlScrollBar> FHorzScrollBar, FVertScrollBar;
  bool FAutoScroll = true;
  bool FIgnoreResize = false;
  bool FUpdatingScrollBars = false;
};
