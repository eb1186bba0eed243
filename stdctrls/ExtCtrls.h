// Panels: windowed containers that paint a bevelled frame and a one-line
// caption, and lay their children out inside the frame.
#pragma once

#include "StdCtrls.h"

enum TPanelBevel : std::uint8_t { bvNone, bvLowered, bvRaised };
extern const TTypeInfo PanelBevelTypeInfo;

class TCustomPanel : public TCustomControl {
  SONDREL_CLASS(TCustomPanel)

 public:
  explicit TCustomPanel(const TOwner& owner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TPanelBevel BevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel value);
  TPanelBevel BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  bool RepaintOnResize() const { return FRepaintOnResize; }
  void SetRepaintOnResize(bool value) { FRepaintOnResize = value; }
  bool Locked() const { return FLocked; }
  void SetLocked(bool value) { FLocked = value; }

  void Paint() override;
  // Fired after the size changed.
  virtual void NotifyResize();
  void ArrangeChildren(TControl* control, RECT& rect) override;
  void FillCreateParams(TCreateParams& params) override;

  TNotifyEvent OnResize;

 protected:
  void XMTextChanged(TMessage& message);
  void XMCtl3DChanged(TMessage& message);
  void XMContainerQuery(TMessage& message);
  void WMSize(TMessage& message);

 private:
  void LayoutChanged();

  TPanelBevel FBevelInner = bvNone;
  TPanelBevel FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TFormBorderStyle FBorderStyle = bsNone;
  bool FRepaintOnResize = true;
  bool FLocked = false;
  TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
  SONDREL_CLASS(TPanel)

 public:
  using TCustomPanel::TCustomPanel;
};

// Draws `width` one-pixel rings inside `rect`, top-left edges in one colour
// and bottom-right edges in the other, and leaves `rect` inside them.
void DrawBevelFrame(TCanvas& canvas, RECT& rect, TColor topLeft, TColor bottomRight, int width);
