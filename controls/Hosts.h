// What the controls layer asks of the layers above it. The application and
// screen objects, forms and pop-up menus live in higher layers; each
// implements one of these small interfaces, and the application object
// installs itself at start-up.
#pragma once

#include <windows.h>

#include "Messages.h"
#include "Object.h"

class TComponent;
class TControl;
class TWinControl;

// The application and screen objects, as controls see them.
class IApplicationHost {
 public:
  // Shows the exception being handled (called inside a catch block); the
  // handler that raised it simply ends.
  virtual void HandleException(TObject* sender) = 0;
  // A mouse move over `control`: hints are timed from here.
  virtual void HintMouseMove(TControl* control, TMessage& message) = 0;
  // Drops every reference kept to a control that is being destroyed.
  virtual void ControlDestroyed(TControl* control) = 0;
  // The hidden application window (0 when there is none).
  virtual HWND Handle() = 0;
  virtual void ActivateLastPopup() = 0;
  virtual TWinControl* MainForm() = 0;
  // The screen's global cursor override (0: none) and its cursor table.
  virtual int ScreenCursor() = 0;
  virtual HCURSOR Cursors(int cursor) = 0;

 protected:
  ~IApplicationHost() = default;
};

// The installed application host, or one that shows exceptions with the
// last-resort report (without ending the program) and keeps nothing.
IApplicationHost& AppHost();
void SetAppHost(IApplicationHost* host);

// A form: the top of a control tree, which tracks the focus among its
// controls and sees their keys first when it asks to.
class IFormHost {
 public:
  virtual TWinControl* FormControl() = 0;
  // Called by a control that received the platform focus; false when the
  // change was overtaken by another one.
  virtual bool SetFocusedControl(TWinControl* control) = 0;
  virtual void DefocusControl(TWinControl* control, bool removing) = 0;
  virtual void FocusControl(TWinControl* control) = 0;
  virtual void CancelActiveModes(TControl* sender) = 0;
  virtual bool KeyPreview() = 0;
  // True when the form's main menu takes the key message as a shortcut.
  virtual bool IsMenuShortCut(TMessage& keyMessage) = 0;
  // A design-time tool may claim the messages of design-state controls.
  virtual bool DesignerTakes(TControl* control, TMessage& message) = 0;

 protected:
  ~IFormHost() = default;
};

// A pop-up menu, as the controls that refer to it see it.
class IPopupMenu {
 public:
  virtual bool AutoPopup() = 0;
  virtual void SetPopupComponent(TComponent* component) = 0;
  virtual void Popup(int x, int y) = 0;
  virtual bool IsShortCut(TMessage& keyMessage) = 0;

 protected:
  ~IPopupMenu() = default;
};
