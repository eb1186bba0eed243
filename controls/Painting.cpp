// How control surfaces get painted: device contexts for controls, the
// windowed paint handler (the window's own surface, then its non-windowed
// children in z-order, then the frames of its windowed children), and
// invalidation and immediate repainting.
#include "Painting.h"

#include <algorithm>

SONDREL_CLASS_RECORD(TControlCanvas, TCanvas, "Controls");

template <>
struct TClassTables<TGraphicControl> {
  static constexpr auto Messages = MessageTable({MessageHandler<&TGraphicControl::WMPaint>(WM_PAINT)});
};
SONDREL_MESSAGE_CLASS(TGraphicControl, TControl, "Controls", TClassTables<TGraphicControl>::Messages);

template <>
struct TClassTables<TCustomControl> {
  static constexpr auto Messages = MessageTable({MessageHandler<&TCustomControl::WMPaint>(WM_PAINT)});
};
SONDREL_MESSAGE_CLASS(TCustomControl, TWinControl, "Controls", TClassTables<TCustomControl>::Messages);

namespace {

constexpr int CachedDeviceContexts = 4;

TList& Cache() {
  static TList cache;
  static const bool sized = (cache.SetCapacity(CachedDeviceContexts), true);
  (void)sized;
  return cache;
}

// Restores a device context's saved state however the scope ends.
class TSavedDC {
 public:
  explicit TSavedDC(HDC dc) : DC(dc), Saved(SaveDC(dc)) {}
  ~TSavedDC() { RestoreDC(DC, Saved); }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  HDC DC;
  int Saved;
};

bool IsShowing(const TControl* c) {
  return c->Visible() ||
         ((c->ComponentState() & stDesigning) && !(c->ControlStyle() & csHiddenWhileDesigning));
}

}  // namespace

// --- The control canvas -------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* control) {
  if (control == FControl) return;
  FreeHandle();
  FControl = control;
}

void TControlCanvas::AcquireHandle() {
  if (!FControl) {
    TCanvas::AcquireHandle();
    return;
  }
  if (!FDeviceContext) {
    TList& cache = Cache();
    if (cache.Count() >= CachedDeviceContexts) static_cast<TControlCanvas*>(cache.Items(0))->FreeHandle();
    FDeviceContext = FControl->AcquireDeviceContext(FWindowHandle);
    cache.Add(this);
  }
  SetHandle(FDeviceContext);
}

void TControlCanvas::FreeHandle() {
  if (!FDeviceContext) return;
  SetHandle(nullptr);
  Cache().Remove(this);
  ReleaseDC(FWindowHandle, FDeviceContext);
  FDeviceContext = nullptr;
}

void FreeDeviceContexts() {
  TList& cache = Cache();
  while (cache.Count() > 0) static_cast<TControlCanvas*>(cache.Items(0))->FreeHandle();
}

int BorrowedDeviceContexts() { return Cache().Count(); }

// --- Device contexts of controls ----------------------------------------------------------------

HDC TControl::AcquireDeviceContext(HWND& windowHandle) {
  if (!FParent) throw EInvalidOperation(TResId::NoParentWindow, {Name()});
  HDC dc = FParent->AcquireDeviceContext(windowHandle);
  SetViewportOrgEx(dc, FLeft, FTop, nullptr);
  IntersectClipRect(dc, 0, 0, FWidth, FHeight);
  return dc;
}

HDC TWinControl::AcquireDeviceContext(HWND& windowHandle) {
  HDC dc = (ComponentState() & stDesigning) ? GetDCEx(Handle(), nullptr, DCX_CACHE | DCX_CLIPSIBLINGS)
                                            : GetDC(Handle());
  if (!dc) throw EOutOfResources(TResId::WindowDCError);
  windowHandle = FHandle;
  return dc;
}

// --- Invalidation and repainting ----------------------------------------------------------------

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
  const bool designing = (ComponentState() & stDesigning) && !(FControlStyle & csHiddenWhileDesigning);
  if (!(isVisible || designing) || !FParent || !FParent->HandleAllocated()) return;
  RECT r = BoundsRect();
  const bool erase = !(isOpaque || (FParent->ControlStyle() & csOpaque) || BackgroundClipped());
  InvalidateRect(FParent->FHandle, &r, erase);
}

bool TControl::BackgroundClipped() {
  if (!FParent || !FParent->FPlainControls) return false;
  const TList& siblings = *FParent->FPlainControls;
  const RECT bounds = BoundsRect();
  for (int i = siblings.IndexOf(this) - 1; i >= 0; --i) {
    auto* c = static_cast<TControl*>(siblings.Items(i));
    if (!IsShowing(c) || !(c->FControlStyle & csOpaque)) continue;
    RECT other = c->BoundsRect(), common;
    IntersectRect(&common, &other, &bounds);
    if (EqualRect(&common, &bounds)) return true;
  }
  return false;
}

void TControl::Invalidate() { InvalidateControl(FVisible, (FControlStyle & csOpaque) != 0); }

void TControl::Repaint() {
  if (!IsShowing(this) || !FParent || !FParent->HandleAllocated()) return;
  if (!(FControlStyle & csOpaque)) {
    Invalidate();
    Update();
    return;
  }
  // Painted at once: this control and every sibling above it that overlaps it.
  HWND window = FParent->FHandle;
  HDC dc = GetDC(window);
  try {
    IntersectClipRect(dc, FLeft, FTop, FLeft + FWidth, FTop + FHeight);
    FParent->PaintControls(dc, this);
  } catch (...) {
    ReleaseDC(window, dc);
    throw;
  }
  ReleaseDC(window, dc);
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TWinControl::Invalidate() { PerformMessage(XM_INVALIDATE); }

void TWinControl::XMInvalidate(TMessage& message) {
  if (!FHandle) return;
  if (Parent()) Parent()->PerformMessage(XM_INVALIDATE, 1);
  if (message.WParam == 0) InvalidateRect(FHandle, nullptr, !(ControlStyle() & csOpaque));
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

// --- Painting windows -----------------------------------------------------------------------------

void TWinControl::WMPaint(TMessage& message) {
  if (ControlCount() == 0)
    Inherited<TWinControl>(message);
  else
    PaintHandler(message);
}

void TWinControl::WMEraseBkgnd(TMessage& message) {
  RECT r = ClientRect();
  FillRect(reinterpret_cast<HDC>(message.WParam), &r, FBrush->Handle());
  message.Result = 1;
}

void TWinControl::PaintHandler(TMessage& message) {
  PAINTSTRUCT paint;
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  const bool began = !dc;
  if (began) dc = BeginPaint(FHandle, &paint);
  try {
    if (FPlainControls) {
      // Opaque graphic children are clipped out of the window's own surface.
      // Whether anything is left is read from the clip box: some platforms'
      // ExcludeClipRect reports a complex region even when nothing remains.
      TSavedDC saved(dc);
      bool covered = false;
      for (int i = 0; i < FPlainControls->Count() && !covered; ++i) {
        auto* c = static_cast<TControl*>(FPlainControls->Items(i));
        if (!IsShowing(c) || !(c->ControlStyle() & csOpaque)) continue;
        ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
        RECT box;
        covered = GetClipBox(dc, &box) == NULLREGION;
      }
      if (!covered) PaintSurface(dc);
    } else {
      PaintSurface(dc);
    }
    PaintControls(dc, nullptr);
  } catch (...) {
    if (began) EndPaint(FHandle, &paint);
    throw;
  }
  if (began) EndPaint(FHandle, &paint);
}

void TWinControl::PaintSurface(HDC dc) {
  TMessage paint{WM_PAINT, reinterpret_cast<unsigned int>(dc), 0, 0};
  DefaultHandler(paint);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  if (FPlainControls) {
    const int start = std::max(first ? FPlainControls->IndexOf(first) : 0, 0);
    for (int i = start; i < FPlainControls->Count(); ++i) {
      auto* c = static_cast<TControl*>(FPlainControls->Items(i));
      RECT bounds = c->BoundsRect();
      if (!IsShowing(c) || !RectVisible(dc, &bounds)) continue;
      if (ControlState() & csPaintCopy)
        c->IncludeControlState(csPaintCopy);
      else
        c->ExcludeControlState(csPaintCopy);
      {
        TSavedDC saved(dc);
        POINT origin;
        GetWindowOrgEx(dc, &origin);
        SetWindowOrgEx(dc, origin.x - c->Left(), origin.y - c->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
        c->PerformMessage(WM_PAINT, reinterpret_cast<unsigned int>(dc), 0);
      }
      c->ExcludeControlState(csPaintCopy);
    }
  }
  if (FWinControls)
    for (int i = 0; i < FWinControls->Count(); ++i) {
      auto* c = static_cast<TWinControl*>(FWinControls->Items(i));
      if (!c->Ctl3D() || !(c->ControlStyle() & csFramed) || !c->Showing()) continue;
      // A sunken edge just outside the child's window.
      const struct {
        TColor Color;
        RECT Frame;
      } frames[] = {
          {clBtnShadow, {c->Left() - 1, c->Top() - 1, c->Left() + c->Width(), c->Top() + c->Height()}},
          {clBtnHighlight, {c->Left(), c->Top(), c->Left() + c->Width() + 1, c->Top() + c->Height() + 1}},
      };
      for (const auto& f : frames) {
        HBRUSH brush = CreateSolidBrush(ResolveColor(f.Color));
        FrameRect(dc, &f.Frame, brush);
        DeleteObject(brush);
      }
    }
}

// --- Painted base classes -----------------------------------------------------------------------

namespace {
// Paints on the canvas with the given device context, detaching it afterwards.
template <class F>
void PaintOn(TControlCanvas& canvas, HDC dc, F paint) {
  canvas.SetHandle(dc);
  try {
    paint();
  } catch (...) {
    canvas.SetHandle(nullptr);
    throw;
  }
  canvas.SetHandle(nullptr);
}
}  // namespace

TGraphicControl::TGraphicControl(const TOwner& owner)
    : TControl(owner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WMPaint(TMessage& message) {
  if (message.WParam) PaintOn(*FCanvas, reinterpret_cast<HDC>(message.WParam), [this] { Paint(); });
}

TCustomControl::TCustomControl(const TOwner& owner)
    : TWinControl(owner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintSurface(HDC dc) { PaintOn(*FCanvas, dc, [this] { Paint(); }); }

void TCustomControl::WMPaint(TMessage& message) { PaintHandler(message); }
