#include "Canvas.h"

#include <cstddef>

#include "Lists.h"

namespace {

TList& Canvases() {
  static TList canvases;
  return canvases;
}

const TPropInfo CanvasProps[] = {
    Prop<&TCanvas::Brush, &TCanvas::SetBrush>("Brush", ClassTypeInfo<TBrush>),
    Prop<&TCanvas::CopyMode, &TCanvas::SetCopyMode>("CopyMode", IntegerTypeInfo).Default(SRCCOPY),
    Prop<&TCanvas::Font, &TCanvas::SetFont>("Font", ClassTypeInfo<TFont>),
    Prop<&TCanvas::Pen, &TCanvas::SetPen>("Pen", ClassTypeInfo<TPen>),
};

}  // namespace

SONDREL_PUBLISHED_CLASS(TCanvas, TPersistent, "Graphics", {.Props = CanvasProps});

TCanvas::TCanvas() : FFont(new TFont), FPen(new TPen), FBrush(new TBrush) {
  FFont->OnChange = TNotifyEvent::Of<&TCanvas::FontChanged>(this);
  FPen->OnChange = TNotifyEvent::Of<&TCanvas::PenChanged>(this);
  FBrush->OnChange = TNotifyEvent::Of<&TCanvas::BrushChanged>(this);
  Canvases().Add(this);
}

TCanvas::~TCanvas() {
  Canvases().Remove(this);
  SetHandle(nullptr);
  delete FFont;
  delete FPen;
  delete FBrush;
}

void TCanvas::Changed() {
  if (OnChange.Assigned()) OnChange(this);
}

void TCanvas::Changing() {
  if (OnChanging.Assigned()) OnChanging(this);
}

void TCanvas::AcquireHandle() {}

HDC TCanvas::Handle() {
  Changing();
  RequiredState(csAllValid);
  return FHandle;
}

void TCanvas::SetHandle(HDC handle) {
  if (handle == FHandle) return;
  if (FHandle) {
    DeselectObjects();
    GetCurrentPositionEx(FHandle, &FPenPos);
    FHandle = nullptr;
    FState &= ~csHandleValid;
  }
  if (handle) {
    FState |= csHandleValid;
    FHandle = handle;
    MoveToEx(FHandle, FPenPos.x, FPenPos.y, nullptr);
  }
}

void TCanvas::RequiredState(std::uint8_t wanted) {
  std::uint8_t missing = wanted & ~FState;
  if (!missing) return;
  if (missing & csHandleValid) {
    AcquireHandle();
    if (!FHandle) throw EInvalidOperation(TResId::CanvasCannotDraw);
  }
  if (missing & csFontValid) {
    SelectObject(FHandle, FFont->Handle());
    SetTextColor(FHandle, ResolveColor(FFont->Color()));
  }
  if (missing & csPenValid) {
    SelectObject(FHandle, FPen->Handle());
    SetROP2(FHandle, PenModeRop2(FPen->Mode()));
    // The gaps of a styled line take the background that the brush sets.
    TPenStyle style = FPen->Style();
    if (style >= psDash && style <= psDashDotDot) missing |= csBrushValid;
  }
  if (missing & csBrushValid) {
    HBRUSH brush = FBrush->Handle();
    UnrealizeObject(brush);
    SelectObject(FHandle, brush);
    COLORREF color = ResolveColor(FBrush->Color());
    if (FBrush->Style() == bsSolid) {
      SetBkColor(FHandle, color);
      SetBkMode(FHandle, OPAQUE);
    } else {
      SetBkColor(FHandle, ~color & 0xFFFFFF);
      SetBkMode(FHandle, TRANSPARENT);
    }
  }
  FState |= missing;
}

void TCanvas::DeselectObjects() {
  if (!FHandle || !(FState & (csFontValid | csPenValid | csBrushValid))) return;
  SelectObject(FHandle, StockPen());
  SelectObject(FHandle, StockBrush());
  SelectObject(FHandle, StockFont());
  FState &= ~(csFontValid | csPenValid | csBrushValid);
}

void TCanvas::FontChanged(TObject*) {
  if (!(FState & csFontValid)) return;
  FState &= ~csFontValid;
  SelectObject(FHandle, StockFont());
}

void TCanvas::PenChanged(TObject*) {
  if (!(FState & csPenValid)) return;
  FState &= ~csPenValid;
  SelectObject(FHandle, StockPen());
}

void TCanvas::BrushChanged(TObject*) {
  if (!(FState & csBrushValid)) return;
  FState &= ~csBrushValid;
  SelectObject(FHandle, StockBrush());
}

void TCanvas::FillRect(const RECT& rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::FillRect(FHandle, &rect, FBrush->Handle());
  Changed();
}

void TCanvas::MoveTo(int x, int y) {
  RequiredState(csHandleValid);
  MoveToEx(FHandle, x, y, nullptr);
}

POINT TCanvas::PenPos() {
  RequiredState(csHandleValid);
  POINT position{0, 0};
  GetCurrentPositionEx(FHandle, &position);
  return position;
}

void TCanvas::Polyline(const POINT* points, int lastIndex) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Polyline(FHandle, points, lastIndex + 1);
  Changed();
}

SIZE TCanvas::TextExtent(const String& text) {
  RequiredState(csHandleValid | csFontValid);
  SIZE size{0, 0};
  if (!GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &size))
    size = SIZE{0, 0};
  return size;
}

int TCanvas::TextWidth(const String& text) { return TextExtent(text).cx; }

int TCanvas::TextHeight(const String& text) { return TextExtent(text).cy; }

int CanvasCount() { return Canvases().Count(); }

void SystemColorsChanged() {
  TList& canvases = Canvases();
  for (int i = 0; i < canvases.Count(); ++i) static_cast<TCanvas*>(canvases.Items(i))->DeselectObjects();
  PenManager().DropSystemColorHandles(offsetof(TPenDescription, Color));
  BrushManager().DropSystemColorHandles(offsetof(TBrushDescription, Color));
}
