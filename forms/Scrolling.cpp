#include "Scrolling.h"

#include <algorithm>

namespace {
constinit const TTypeInfo ScrollBarIncTypeInfo = IntegerType("TScrollBarInc", otUWord, 1, 32767);
constinit const TTypeInfo WordTypeInfo = IntegerType("Word", otUWord, 0, 65535);
}  // namespace

template <>
struct TClassTables<TControlScrollBar> {
  using B = TControlScrollBar;
  static constexpr TPropInfo Props[] = {
      Prop<&B::Margin, &B::SetMargin>("Margin", WordTypeInfo).Default(0),
      Prop<&B::Increment, &B::SetIncrement>("Increment", ScrollBarIncTypeInfo).Default(8),
      Prop<&B::Range, &B::SetRange>("Range", IntegerTypeInfo).Default(0).StoredWhen<&B::IsRangeStored>(),
      Prop<&B::Position, &B::SetPosition>("Position", IntegerTypeInfo).Default(0),
      Prop<&B::Tracking, &B::SetTracking>("Tracking", BooleanTypeInfo).Default(0),
      Prop<&B::Visible, &B::SetVisible>("Visible", BooleanTypeInfo).Default(1),
  };
};
SONDREL_PUBLISHED_CLASS(TControlScrollBar, TPersistent, "Forms", {.Props = TClassTables<TControlScrollBar>::Props});

template <>
struct TClassTables<TScrollingWinControl> {
  using S = TScrollingWinControl;
  static constexpr auto Messages = MessageTable({MessageHandler<&S::WMSize>(WM_SIZE),
                                                 MessageHandler<&S::WMScroll>(WM_HSCROLL),
                                                 MessageHandler<&S::WMScroll>(WM_VSCROLL)});
  static constexpr TPropInfo Props[] = {
      Prop<&S::HorzScrollBar, &S::SetHorzScrollBar>("HorzScrollBar", ClassTypeInfo<TControlScrollBar>),
      Prop<&S::VertScrollBar, &S::SetVertScrollBar>("VertScrollBar", ClassTypeInfo<TControlScrollBar>),
  };
};
SONDREL_PUBLISHED_MESSAGE_CLASS(TScrollingWinControl, TWinControl, "Forms", TClassTables<TScrollingWinControl>::Messages,
                                {.Props = TClassTables<TScrollingWinControl>::Props,
                                 .Create = &NewComponent<TScrollingWinControl>});

// --- One bar ------------------------------------------------------------------------------------

bool TControlScrollBar::IsRangeStored() const { return !FControl->AutoScroll(); }

void TControlScrollBar::SetRange(int value) {
  FControl->FAutoScroll = false;  // directly: the setter's recomputation is not wanted
  FRangeSet = true;
  SetRangeInternal(value);
}

void TControlScrollBar::SetRangeInternal(int value) {
  FRange = std::max(value, 0);
  FControl->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool value) {
  FVisible = value;
  FControl->UpdateScrollBars();
}

int TControlScrollBar::VisibleExtent(bool controlSB, bool assumeOther) {
  const LONG style = GetWindowLongA(FControl->Handle(), GWL_STYLE);
  const int border = (style & (WS_BORDER | WS_THICKFRAME)) ? 1 : 0;
  const bool vertical = FKind == sbVertical;
  const int base = vertical ? FControl->ClientHeight() : FControl->ClientWidth();
  const bool otherShown = style & (vertical ? WS_HSCROLL : WS_VSCROLL);
  const int thickness = GetSystemMetrics(vertical ? SM_CYHSCROLL : SM_CXVSCROLL);
  int correction = 0;
  if (!controlSB) {
    if (assumeOther && !otherShown)
      correction = border - thickness;  // the other bar will appear and take room
    else if (!assumeOther && otherShown)
      correction = thickness - border;  // it will go away
  }
  return base + correction;
}

bool TControlScrollBar::Needed() { return FRange > VisibleExtent(false, false); }

void TControlScrollBar::Update(bool controlSB, bool assumeOther) {
  const int visible = VisibleExtent(controlSB, assumeOther);
  FLargestPosition = FVisible ? std::max(FRange - visible, 0) : 0;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  info.nMax = FLargestPosition > 0 ? FRange : 0;
  info.nPage = static_cast<UINT>(visible + 1);
  info.nPos = FPosition;
  SetScrollInfo(FControl->Handle(), FKind == sbHorizontal ? SB_HORZ : SB_VERT, &info, TRUE);
  SetPosition(FPosition);
}

void TControlScrollBar::SetPosition(int value) {
  if (FControl->ControlState() & csReadingState) {
    FPosition = value;  // clamped when the bars are next updated
    return;
  }
  const int position = value > FLargestPosition ? FLargestPosition : std::max(value, 0);
  if (position != FPosition) {
    const int old = FPosition;
    FPosition = position;
    if (FKind == sbHorizontal)
      FControl->ScrollBy(old - position, 0);
    else
      FControl->ScrollBy(0, old - position);
  }
  if (!FControl->HandleAllocated()) return;
  const int bar = FKind == sbHorizontal ? SB_HORZ : SB_VERT;
  if (GetScrollPos(FControl->Handle(), bar) != FPosition) SetScrollPos(FControl->Handle(), bar, FPosition, TRUE);
}

void TControlScrollBar::ScrollMessage(const TMessage& message) {
  const int thumb = HIWORD(message.WParam);
  switch (LOWORD(message.WParam)) {
    case SB_LINEUP: SetPosition(FPosition - FIncrement); break;
    case SB_LINEDOWN: SetPosition(FPosition + FIncrement); break;
    case SB_PAGEUP: SetPosition(FPosition - VisibleExtent(true, false)); break;
    case SB_PAGEDOWN: SetPosition(FPosition + VisibleExtent(true, false)); break;
    case SB_THUMBPOSITION: SetPosition(thumb); break;
    case SB_THUMBTRACK:
      if (FTracking) SetPosition(thumb);
      break;
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(FLargestPosition); break;
    default: break;
  }
}

void TControlScrollBar::AssignFrom(const TObject* source) {
  if (!source || !source->Is<TControlScrollBar>()) return TPersistent::AssignFrom(source);
  const auto* bar = static_cast<const TControlScrollBar*>(source);
  SetVisible(bar->FVisible);
  SetRange(bar->FRange);
  SetPosition(bar->FPosition);
  SetIncrement(bar->FIncrement);
}

// --- The scrolling control ------------------------------------------------------------------------

TScrollingWinControl::TScrollingWinControl(const TOwner& owner)
    : TWinControl(owner),
      FHorzScrollBar(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVertScrollBar(std::make_unique<TControlScrollBar>(this, sbVertical)) {}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool value) {
  if (value == FAutoScroll) return;
  FAutoScroll = value;
  if (value) {
    CalcAutoRange();
  } else {
    FHorzScrollBar->SetRange(0);
    FVertScrollBar->SetRange(0);
  }
}

void TScrollingWinControl::BuildWindow() {
  TWinControl::BuildWindow();
  UpdateScrollBars();
}

// Each bar is updated knowing whether the other will show, so that one
// appearing or going away is accounted for.
void TScrollingWinControl::UpdateScrollBars() {
  if (FUpdatingScrollBars || !HandleAllocated()) return;
  FUpdatingScrollBars = true;
  try {
    if (FVertScrollBar->Needed()) {
      FHorzScrollBar->Update(false, true);
      FVertScrollBar->Update(true, false);
    } else {
      FVertScrollBar->Update(false, FHorzScrollBar->Needed());
      FHorzScrollBar->Update(true, false);
    }
  } catch (...) {
    FUpdatingScrollBars = false;
    throw;
  }
  FUpdatingScrollBars = false;
}

void TScrollingWinControl::CalcAutoRange() {
  if (FIgnoreResize) return;
  for (TControlScrollBar* bar : {FHorzScrollBar.get(), FVertScrollBar.get()}) {
    if (!FAutoScroll) continue;
    const bool horizontal = bar->Kind() == sbHorizontal;
    int range = 0, aligned = 0;
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      if (!c->Visible()) continue;
      if (c->Align() == alNone)
        range = std::max(range, bar->Position() + (horizontal ? c->Left() + c->Width() : c->Top() + c->Height()));
      else if (c->Align() == (horizontal ? alRight : alBottom))
        aligned += horizontal ? c->Width() : c->Height();
    }
    bar->SetRangeInternal(range + aligned + bar->Margin());
  }
}

void TScrollingWinControl::ArrangeChildren(TControl* control, RECT& rect) {
  CalcAutoRange();
  const int left = -FHorzScrollBar->Position(), top = -FVertScrollBar->Position();
  rect = {left, top, left + std::max(FHorzScrollBar->Range(), ClientWidth()),
          top + std::max(ClientHeight(), FVertScrollBar->Range())};
  TWinControl::ArrangeChildren(control, rect);
}

void TScrollingWinControl::WMSize(TMessage& message) {
  FIgnoreResize = true;
  try {
    Inherited<TScrollingWinControl>(message);
  } catch (...) {
    FIgnoreResize = false;
    throw;
  }
  FIgnoreResize = false;
  UpdateScrollBars();
}

void TScrollingWinControl::WMScroll(TMessage& message) {
  if (message.LParam)
    Inherited<TScrollingWinControl>(message);  // a scroll-bar control's notification
  else
    (message.Msg == WM_HSCROLL ? FHorzScrollBar : FVertScrollBar)->ScrollMessage(message);
}

void TScrollingWinControl::ScaleScrollBars(int multiplier, int divisor) {
  if (multiplier != divisor) {
    for (TControlScrollBar* bar : {FHorzScrollBar.get(), FVertScrollBar.get()}) {
      if (!(ComponentState() & stLoading)) bar->MarkRangeSet(true);
      bar->SetPosition(0);
      if (!FAutoScroll && bar->RangeSet()) bar->SetRangeInternal(MulDiv(bar->Range(), multiplier, divisor));
    }
  }
  FHorzScrollBar->MarkRangeSet(false);
  FVertScrollBar->MarkRangeSet(false);
}

void TScrollingWinControl::ApplyScale(int multiplier, int divisor) {
  ScaleScrollBars(multiplier, divisor);
  TWinControl::ApplyScale(multiplier, divisor);
}

void TScrollingWinControl::ScrollIntoView(TControl* control) {
  if (!control || (control->ComponentState() & stLoading) || (ComponentState() & stLoading)) return;
  RECT r = control->ClientRect();
  r.left -= FHorzScrollBar->Margin();
  r.right += FHorzScrollBar->Margin();
  r.top -= FVertScrollBar->Margin();
  r.bottom += FVertScrollBar->Margin();
  POINT topLeft = ScreenToClient(control->ClientToScreen({r.left, r.top}));
  POINT bottomRight = ScreenToClient(control->ClientToScreen({r.right, r.bottom}));
  auto scroll = [](TControlScrollBar* bar, int low, int high, int extent) {
    if (low < 0) {
      bar->SetPosition(bar->Position() + low);
    } else if (high > extent) {
      if (high - low > extent) high = low + extent;
      bar->SetPosition(bar->Position() + high - extent);
    }
  };
  scroll(FHorzScrollBar.get(), topLeft.x, bottomRight.x, ClientWidth());
  scroll(FVertScrollBar.get(), topLeft.y, bottomRight.y, ClientHeight());
}
