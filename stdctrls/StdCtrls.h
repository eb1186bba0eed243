// Push buttons over the platform's "BUTTON" class, and labels drawn on their
// parent's surface.
#pragma once

#include "Forms.h"
#include "Painting.h"

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
extern const TTypeInfo AlignmentTypeInfo;

// The common base of push buttons: a mouse press focuses the button before
// the platform may report a click.
class TButtonControl : public TWinControl {
  SONDREL_CLASS(TButtonControl)

 public:
  using TWinControl::TWinControl;
  void HandleMessage(TMessage& message) override;

 private:
  bool FSuppressClicks = false;  // a press is moving the focus to the button
};

class TButton : public TButtonControl {
  SONDREL_CLASS(TButton)

 public:
  explicit TButton(const TOwner& owner);

  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool value) { FCancel = value; }
  // The button has the default look and answers Enter.
  bool DrawnAsDefault() const { return FDrawnAsDefault; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }

  virtual void ApplyDefaultStyle(bool isDefault);
  void Click() override;
  void FillCreateParams(TCreateParams& params) override;
  void BuildWindow() override;

 protected:
  void XMDialogKey(TMessage& message);
  void XMDialogChar(TMessage& message);
  void XMFocusChanged(TMessage& message);
  void XNCommand(TMessage& message);

 private:
  bool FDefault = false;
  bool FCancel = false;
  bool FDrawnAsDefault = false;
  TModalResult FModalResult = mrNone;
};

class TCustomLabel : public TGraphicControl {
  SONDREL_CLASS(TCustomLabel)

 public:
  explicit TCustomLabel(const TOwner& owner);

  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* control);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  bool Transparent() const { return !(ControlStyle() & csOpaque); }
  void SetTransparent(bool value);

  // The text to draw: the caption.
  virtual String LabelText() { return GetText(); }
  void Paint() override;
  void Notify(TComponent* component, TOperation operation) override;

 protected:
  void DrawLabelText(RECT& rect, UINT flags);
  void AdjustBounds();
  void XMTextChanged(TMessage& message);
  void XMFontChanged(TMessage& message);
  void XMDialogChar(TMessage& message);

 private:
  TWinControl* FFocusControl = nullptr;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
};

class TLabel : public TCustomLabel {
  SONDREL_CLASS(TLabel)

 public:
  using TCustomLabel::TCustomLabel;
};
