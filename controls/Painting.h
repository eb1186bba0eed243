// Painting controls: the canvas bound to a control, which borrows device
// contexts from a small shared cache, and the two painted base classes.
#pragma once

#include "Canvas.h"
#include "Controls.h"

// A canvas that draws on a control. Outside painting it borrows the control's
// device context on first use; at most four canvases hold one at a time, and
// every one is given back after the message being handled.
class TControlCanvas : public TCanvas {
  SONDREL_CLASS(TControlCanvas)

 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;

  TControl* Control() const { return FControl; }
  void SetControl(TControl* control);
  // Gives a borrowed device context back.
  void FreeHandle();

 protected:
  void AcquireHandle() override;

 private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

// Gives back every device context borrowed by a control canvas.
void FreeDeviceContexts();
// The number of canvases holding a borrowed device context.
int BorrowedDeviceContexts();

// A control without a window, painted by its parent on the parent's surface.
class TGraphicControl : public TControl {
  SONDREL_CLASS(TGraphicControl)

 public:
  explicit TGraphicControl(const TOwner& owner);
  ~TGraphicControl() override;

  TControlCanvas* Canvas() const { return FCanvas.get(); }
  virtual void Paint() {}

 protected:
  void WMPaint(TMessage& message);

 private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A control with a window of its own that paints itself on a canvas.
class TCustomControl : public TWinControl {
  SONDREL_CLASS(TCustomControl)

 public:
  explicit TCustomControl(const TOwner& owner);
  ~TCustomControl() override;

  TControlCanvas* Canvas() const { return FCanvas.get(); }
  virtual void Paint() {}
  void PaintSurface(HDC dc) override;

 protected:
  void WMPaint(TMessage& message);

 private:
  std::unique_ptr<TControlCanvas> FCanvas;
};
