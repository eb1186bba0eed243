// TCanvas: a drawing surface over a platform device context. Its font, pen
// and brush are selected only when an operation needs them; a change to one
// of them merely deselects it until the next operation.
#pragma once

#include <windows.h>

#include <cstdint>

#include "GraphicsObjects.h"

class TCanvas : public TPersistent {
  SONDREL_CLASS(TCanvas)

 public:
  // Validity flags of the canvas state.
  enum : std::uint8_t { csHandleValid = 1, csFontValid = 2, csPenValid = 4, csBrushValid = 8 };
  static constexpr std::uint8_t csAllValid = 15;

  TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  ~TCanvas() override;

  // Selects everything, so the caller can draw on the context directly;
  // announces OnChanging (never OnChange).
  HDC Handle();
  // Attaches a context (0 detaches); the pen position carries over.
  void SetHandle(HDC handle);
  bool HandleAllocated() const { return FHandle != nullptr; }
  // The attached context as it is, selecting nothing.
  HDC CurrentHandle() const { return FHandle; }
  std::uint8_t State() const { return FState; }

  TFont* Font() const { return FFont; }
  void SetFont(TFont* font) { FFont->AssignFrom(font); }
  TPen* Pen() const { return FPen; }
  void SetPen(TPen* pen) { FPen->AssignFrom(pen); }
  TBrush* Brush() const { return FBrush; }
  void SetBrush(TBrush* brush) { FBrush->AssignFrom(brush); }
  std::int32_t CopyMode() const { return FCopyMode; }
  void SetCopyMode(std::int32_t mode) { FCopyMode = mode; }

  void FillRect(const RECT& rect);
  void MoveTo(int x, int y);
  POINT PenPos();
  void SetPenPos(POINT position) { MoveTo(position.x, position.y); }
  // Draws lines through points[0] … points[lastIndex].
  void Polyline(const POINT* points, int lastIndex);
  int TextWidth(const String& text);
  int TextHeight(const String& text);
  // Puts the stock objects back into the context.
  void DeselectObjects();
  // Selects what `wanted` names that is not selected yet; raises
  // EInvalidOperation "Canvas does not allow drawing" without a context.
  void RequiredState(std::uint8_t wanted);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  // Supplies a context on demand; the base has none.
  virtual void AcquireHandle();

 private:
  void FontChanged(TObject* sender);
  void PenChanged(TObject* sender);
  void BrushChanged(TObject* sender);
  SIZE TextExtent(const String& text);

  HDC FHandle = nullptr;
  std::uint8_t FState = 0;
  TFont* FFont;
  TPen* FPen;
  TBrush* FBrush;
  POINT FPenPos{0, 0};
  std::int32_t FCopyMode = SRCCOPY;
};

// Every live canvas.
int CanvasCount();

// The platform's system colours changed: canvases let go of their objects,
// and cached pens and brushes of system colours drop their handles.
void SystemColorsChanged();
