// The hint window: a borderless, disabled pop-up that shows a control's short
// hint near the mouse. The application object decides when and where.
#pragma once

#include "Painting.h"

class THintWindow : public TCustomControl {
  SONDREL_CLASS(THintWindow)

 public:
  explicit THintWindow(const TOwner& owner);

  void FillCreateParams(TCreateParams& params) override;
  void Paint() override;
  // Shows the window with `hint` at `rect`, moved to lie fully on the screen,
  // topmost and not activated.
  virtual void ActivateHint(RECT rect, const String& hint);
  // Whether a message arriving while the hint shows should hide it.
  virtual bool IsHintMsg(const TMessage& message);

 protected:
  void XMTextChanged(TMessage& message);
};
