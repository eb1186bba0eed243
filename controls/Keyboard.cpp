// The keyboard path of windowed controls. The message loop sends each key
// message to the focused control reflected (XN_…) before translating it: the
// control offers it to the menus' shortcuts, to its parents (XM_CHILD_KEY)
// and to its form as a dialog key or character; only what nobody takes goes
// on to the window as WM_KEYDOWN/WM_CHAR, where the key events run (the
// form's first when it previews keys).
#include "Controls.h"

namespace {

bool IsArrow(unsigned key) { return key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN; }

// The WM_GETDLGCODE bits that tell whether a control wants a key itself.
unsigned WantMask(unsigned key) {
  if (key == VK_TAB) return DLGC_WANTTAB;
  if (IsArrow(key)) return DLGC_WANTARROWS;
  if (key == VK_RETURN || key == VK_EXECUTE || key == VK_ESCAPE || key == VK_CANCEL) return DLGC_WANTALLKEYS;
  return 0;
}

long PerformOnForm(TControl* control, unsigned msg, unsigned wParam, long lParam) {
  IFormHost* form = ParentFormOf(control);
  return form ? form->FormControl()->PerformMessage(msg, wParam, lParam) : 0;
}

}  // namespace

bool TWinControl::IsMenuKey(TMessage& message) {
  if (!(ComponentState() & stDesigning)) {
    for (TControl* c = this; c; c = c->Parent())
      if (auto* menu = dynamic_cast<IPopupMenu*>(c->EffectivePopupMenu()); menu && menu->IsShortCut(message))
        return true;
    if (IFormHost* form = ParentFormOf(this); form && form->IsMenuShortCut(message)) return true;
  }
  HWND app = AppHost().Handle();
  return app && SendMessageA(app, XM_APP_KEY_DOWN, message.WParam, message.LParam) != 0;
}

void TWinControl::XNKeyDown(TMessage& message) {
  message.Result = 1;
  if (IsMenuKey(message)) return;
  if (!(ComponentState() & stDesigning)) {
    if (PerformMessage(XM_CHILD_KEY, message.WParam, reinterpret_cast<long>(this)) != 0) return;
    const unsigned mask = WantMask(message.WParam);
    if (mask && PerformMessage(XM_WANT_SPECIAL_KEY, message.WParam) == 0 &&
        !(PerformMessage(WM_GETDLGCODE) & mask) &&
        PerformOnForm(this, XM_DIALOG_KEY, message.WParam, message.LParam) != 0)
      return;
  }
  message.Result = 0;
}

void TWinControl::XNKeyUp(TMessage& message) {
  const unsigned key = message.WParam;
  message.Result = 0;
  if (!(ComponentState() & stDesigning) &&
      (key == VK_CANCEL || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE || IsArrow(key) ||
       key == VK_EXECUTE))
    message.Result = PerformMessage(XM_WANT_SPECIAL_KEY, key);
}

void TWinControl::XNChar(TMessage& message) {
  if (ComponentState() & stDesigning) return;
  message.Result = 1;
  if (!(PerformMessage(WM_GETDLGCODE) & DLGC_WANTCHARS) &&
      PerformOnForm(this, XM_DIALOG_CHAR, message.WParam, message.LParam) != 0)
    return;
  message.Result = 0;
}

void TWinControl::XNSysKeyDown(TMessage& message) {
  message.Result = 1;
  if (IsMenuKey(message)) return;
  if (!(ComponentState() & stDesigning)) {
    if (PerformMessage(XM_CHILD_KEY, message.WParam, reinterpret_cast<long>(this)) != 0) return;
    if (PerformOnForm(this, XM_DIALOG_KEY, message.WParam, message.LParam) != 0) return;
  }
  message.Result = 0;
}

void TWinControl::XNSysChar(TMessage& message) {
  if (!(ComponentState() & stDesigning) && message.WParam != ' ')
    message.Result = PerformOnForm(this, XM_DIALOG_CHAR, message.WParam, message.LParam);
}

// The key steps: the form previews first when it asks to; a key or
// character set to 0 by the events is swallowed.
namespace {
TWinControl* PreviewingForm(TWinControl* control) {
  IFormHost* form = ParentFormOf(control);
  if (!form || form->FormControl() == control || !form->KeyPreview()) return nullptr;
  return static_cast<TWinControl*>(form->FormControl());
}
}  // namespace

bool TWinControl::DoKeyDown(TMessage& message) {
  if (TWinControl* form = PreviewingForm(this); form && form->DoKeyDown(message)) return true;
  auto key = static_cast<std::uint16_t>(message.WParam);
  const TShiftState shift = ShiftStateFromKeyData(message.LParam);
  if (!(ControlStyle() & csNoStandardEvents)) {
    KeyDown(key, shift);
    message.WParam = key;
    if (key == 0) return true;
  }
  if (key == VK_APPS && shift == 0) PopupMenuAt({0, 0});
  return false;
}

bool TWinControl::DoKeyUp(TMessage& message) {
  if (TWinControl* form = PreviewingForm(this); form && form->DoKeyUp(message)) return true;
  if (ControlStyle() & csNoStandardEvents) return false;
  auto key = static_cast<std::uint16_t>(message.WParam);
  KeyUp(key, ShiftStateFromKeyData(message.LParam));
  message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& message) {
  if (TWinControl* form = PreviewingForm(this); form && form->DoKeyPress(message)) return true;
  if (ControlStyle() & csNoStandardEvents) return false;
  auto character = static_cast<char>(message.WParam);
  KeyPress(character);
  message.WParam = static_cast<unsigned char>(character);
  return character == 0;
}

void TWinControl::WMKeyDown(TMessage& message) {
  if (!DoKeyDown(message)) Inherited<TWinControl>(message);
}

void TWinControl::WMKeyUp(TMessage& message) {
  if (!DoKeyUp(message)) Inherited<TWinControl>(message);
}

void TWinControl::WMChar(TMessage& message) {
  if (!DoKeyPress(message)) Inherited<TWinControl>(message);
}

void TWinControl::KeyDown(std::uint16_t& key, TShiftState shift) {
  if (OnKeyDown.Assigned()) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(std::uint16_t& key, TShiftState shift) {
  if (OnKeyUp.Assigned()) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress.Assigned()) OnKeyPress(this, key);
}
