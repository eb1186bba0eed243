// The arrangement of a windowed control's children: alignment inside the
// client area, z-order, tab order and the focus moves along it, and the
// non-windowed child under a point.
#include <algorithm>
#include <vector>

#include "Controls.h"

// --- Alignment --------------------------------------------------------------------------------

void TWinControl::RealignFor(TControl* control) {
  if (!FHandle) return;
  if (FAlignLevel != 0) {
    IncludeControlState(csAlignmentNeeded);
    return;
  }
  SuspendAlignment();
  try {
    RECT rect = ClientRect();
    ArrangeChildren(control, rect);
  } catch (...) {
    ExcludeControlState(csAlignmentNeeded);
    ResumeAlignment();
    throw;
  }
  // Requests made by the children's own SetBounds during the passes only
  // set the flag; they cause no further pass.
  ExcludeControlState(csAlignmentNeeded);
  ResumeAlignment();
}

void TWinControl::ResumeAlignment() {
  if (--FAlignLevel == 0 && (ControlState() & csAlignmentNeeded)) Realign();
}

namespace {

bool IsAlignCandidate(const TControl* c) {
  return c->Visible() ||
         ((c->ComponentState() & stDesigning) && !(c->ControlStyle() & csHiddenWhileDesigning));
}

// Whether child k goes before entry e of the pass for `align`.
bool Precedes(const TControl* k, const TControl* e, TAlign align) {
  switch (align) {
    case alTop: return k->Top() < e->Top();
    case alBottom: return k->Top() + k->Height() > e->Top() + e->Height();
    case alLeft: return k->Left() < e->Left();
    case alRight: return k->Left() + k->Width() > e->Left() + e->Width();
    default: return false;  // client-aligned children keep their order
  }
}

// A free extent when it is not negative, else the child's own.
int Extent(int free, int own) { return free >= 0 ? free : own; }

void Position(TControl* k, TAlign align, RECT& r) {
  const int w = k->Width(), h = k->Height();
  switch (align) {
    case alTop:
      r.top += h;
      k->SetBounds(r.left, r.top - h, Extent(r.right - r.left, w), h);
      break;
    case alBottom:
      r.bottom -= h;
      k->SetBounds(r.left, r.bottom, Extent(r.right - r.left, w), h);
      break;
    case alLeft:
      r.left += w;
      k->SetBounds(r.left - w, r.top, w, Extent(r.bottom - r.top, h));
      break;
    case alRight:
      r.right -= w;
      k->SetBounds(r.right, r.top, w, Extent(r.bottom - r.top, h));
      break;
    case alClient:
      if (!IsRectEmpty(&r)) k->SetBoundsRect(r);
      break;
    default:
      break;
  }
}

}  // namespace

void TWinControl::ArrangeChildren(TControl* control, RECT& rect) {
  bool anyAligned = false;
  for (int i = 0; i < ControlCount() && !anyAligned; ++i) anyAligned = Controls(i)->Align() != alNone;
  if (!anyAligned) return;
  TList list;
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    list.RemoveAll();
    // The control whose change caused the alignment wins ties.
    if (control && IsAlignCandidate(control) && control->Align() == align) list.Add(control);
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* k = Controls(i);
      if (k == control || !IsAlignCandidate(k) || k->Align() != align) continue;
      int at = 0;
      while (at < list.Count() && !Precedes(k, static_cast<TControl*>(list.Items(at)), align)) ++at;
      list.Insert(at, k);
    }
    for (int i = 0; i < list.Count(); ++i) Position(static_cast<TControl*>(list.Items(i)), align, rect);
  }
}

// --- Z-order ----------------------------------------------------------------------------------

void TWinControl::SetZOrder(bool topMost) {
  if (Parent()) {
    const int plain = Parent()->FPlainControls ? Parent()->FPlainControls->Count() : 0;
    const int last = Parent()->FWinControls ? Parent()->FWinControls->Count() - 1 : 0;
    SetZOrderPosition((topMost ? last : 0) + plain);
  } else if (FHandle) {
    SetWindowPos(FHandle, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
}

// The window of the nearest sibling above this control in its parent's list
// that has one (siblings without a window yet have no place in the
// platform's order), else the top.
HWND TWinControl::UpperSiblingWindow() const {
  const TList& siblings = *Parent()->FWinControls;
  for (int i = siblings.IndexOf(const_cast<TWinControl*>(this)) + 1; i < siblings.Count(); ++i)
    if (HWND window = static_cast<TWinControl*>(siblings.Items(i))->FHandle) return window;
  return HWND_TOP;
}

void TWinControl::SetZOrderPosition(int position) {
  if (!Parent() || !Parent()->FWinControls) return;
  TList& list = *Parent()->FWinControls;
  position -= Parent()->FPlainControls ? Parent()->FPlainControls->Count() : 0;
  const int index = list.IndexOf(this);
  if (index < 0) return;
  position = std::clamp(position, 0, list.Count() - 1);
  if (position != index) {
    list.Delete(index);
    list.Insert(position, this);
  }
  if (!FHandle) return;
  HWND after;
  if (position == 0)
    after = HWND_BOTTOM;
  else if (position == list.Count() - 1)
    after = HWND_TOP;
  else if (position != index)
    after = UpperSiblingWindow();
  else
    return;
  SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// --- Tab order and focus ------------------------------------------------------------------------

TTabOrder TWinControl::TabOrder() const {
  if (!Parent() || !Parent()->FTabList) return -1;
  return static_cast<TTabOrder>(Parent()->FTabList->IndexOf(const_cast<TWinControl*>(this)));
}

void TWinControl::SetTabOrder(TTabOrder value) {
  if (ControlState() & csReadingState)
    FPendingTabOrder = value;
  else
    UpdateTabOrder(value);
}

void TWinControl::UpdateTabOrder(int value) {
  const int current = TabOrder();
  if (current < 0) return;
  TList& list = *Parent()->FTabList;
  value = std::clamp(value, 0, list.Count() - 1);
  if (value == current) return;
  list.Delete(current);
  list.Insert(value, this);
}

void TWinControl::FixupTabList() {
  if (!FWinControls) return;
  const int count = FWinControls->Count();
  std::vector<TWinControl*> slots(count, nullptr);
  for (int i = 0; i < count; ++i) {
    auto* child = static_cast<TWinControl*>(FWinControls->Items(i));
    if (child->FPendingTabOrder >= 0 && child->FPendingTabOrder < count) slots[child->FPendingTabOrder] = child;
  }
  for (int j = 0; j < count; ++j)
    if (slots[j]) slots[j]->UpdateTabOrder(j);
}

void TWinControl::CollectTabOrder(TList& list) {
  if (!FTabList) return;
  for (int i = 0; i < FTabList->Count(); ++i) {
    auto* child = static_cast<TWinControl*>(FTabList->Items(i));
    list.Add(child);
    child->CollectTabOrder(list);
  }
}

bool TWinControl::CanFocus() {
  IFormHost* form = ParentFormOf(this);
  if (!form) return false;
  for (TControl* c = this; c && c != form->FormControl(); c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) {
  TList list;
  CollectTabOrder(list);
  const int count = list.Count();
  if (count == 0) return nullptr;
  int start = list.IndexOf(current);
  if (start < 0) start = goForward ? count - 1 : 0;
  int i = start;
  do {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    auto* candidate = static_cast<TWinControl*>(list.Items(i));
    if (candidate->CanFocus() && (!checkTabStop || candidate->TabStop()) &&
        (!checkParent || candidate->Parent() == this))
      return candidate;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop)) next->SetFocus();
}

// --- The child under a point ---------------------------------------------------------------------

TControl* TWinControl::ControlAtPos(POINT point, bool allowDisabled) {
  if (!FPlainControls) return nullptr;
  for (int i = FPlainControls->Count() - 1; i >= 0; --i) {
    auto* c = static_cast<TControl*>(FPlainControls->Items(i));
    POINT p{point.x - c->Left(), point.y - c->Top()};
    RECT r = c->ClientRect();
    if (!PtInRect(&r, p)) continue;
    if ((c->ComponentState() & stDesigning) && (c->Visible() || !(c->ControlStyle() & csHiddenWhileDesigning)))
      return c;
    if (c->Visible() && (c->Enabled() || allowDisabled) &&
        c->PerformMessage(XM_HIT_TEST, 0, PointToLParam(p.x, p.y)) != 0)
      return c;
  }
  return nullptr;
}
