// The framework's own message numbers, the reflected platform notifications,
// and the views of a message record's words that handlers use.
#pragma once

#include <windows.h>

#include <cstdint>

#include "Object.h"

static_assert(sizeof(TMessage::WParam) == sizeof(WPARAM) && sizeof(TMessage::LParam) == sizeof(LPARAM),
              "a message record carries the platform's words unchanged");

// Control messages between the framework's objects.
enum : unsigned int {
  XM_BASE = 0xB000,
  XM_ACTIVATE = XM_BASE + 0x00,
  XM_DEACTIVATE = XM_BASE + 0x01,
  XM_CANCEL_MODE = XM_BASE + 0x04,
  XM_DIALOG_KEY = XM_BASE + 0x05,
  XM_DIALOG_CHAR = XM_BASE + 0x06,
  XM_FOCUS_CHANGED = XM_BASE + 0x07,
  XM_PARENT_FONT_CHANGED = XM_BASE + 0x08,
  XM_PARENT_COLOR_CHANGED = XM_BASE + 0x09,
  XM_HIT_TEST = XM_BASE + 0x0A,
  XM_VISIBLE_CHANGED = XM_BASE + 0x0B,
  XM_ENABLED_CHANGED = XM_BASE + 0x0C,
  XM_COLOR_CHANGED = XM_BASE + 0x0D,
  XM_FONT_CHANGED = XM_BASE + 0x0E,
  XM_CURSOR_CHANGED = XM_BASE + 0x0F,
  XM_CTL3D_CHANGED = XM_BASE + 0x10,
  XM_PARENT_CTL3D_CHANGED = XM_BASE + 0x11,
  XM_TEXT_CHANGED = XM_BASE + 0x12,
  XM_MOUSE_ENTER = XM_BASE + 0x13,
  XM_MOUSE_LEAVE = XM_BASE + 0x14,
  XM_MENU_CHANGED = XM_BASE + 0x15,
  XM_APP_KEY_DOWN = XM_BASE + 0x16,
  XM_APP_SYS_COMMAND = XM_BASE + 0x17,
  XM_SHOWING_CHANGED = XM_BASE + 0x19,
  XM_ENTER = XM_BASE + 0x1A,
  XM_EXIT = XM_BASE + 0x1B,
  XM_DESIGN_HIT_TEST = XM_BASE + 0x1C,
  XM_ICON_CHANGED = XM_BASE + 0x1D,
  XM_WANT_SPECIAL_KEY = XM_BASE + 0x1E,
  XM_INVOKE_HELP = XM_BASE + 0x1F,
  XM_WINDOW_HOOK = XM_BASE + 0x20,
  XM_RELEASE = XM_BASE + 0x21,
  XM_SHOW_HINT_CHANGED = XM_BASE + 0x22,
  XM_PARENT_SHOW_HINT_CHANGED = XM_BASE + 0x23,
  XM_SYS_COLOR_CHANGE = XM_BASE + 0x24,
  XM_WIN_INI_CHANGE = XM_BASE + 0x25,
  XM_FONT_CHANGE = XM_BASE + 0x26,
  XM_TIME_CHANGE = XM_BASE + 0x27,
  XM_TAB_STOP_CHANGED = XM_BASE + 0x28,
  XM_FORM_FOCUSED = XM_BASE + 0x29,
  XM_AUX_FOCUS_LOST = XM_BASE + 0x2A,
  XM_AUX_FORM_ACTIVE = XM_BASE + 0x2B,
  XM_CONTROL_LIST_CHANGE = XM_BASE + 0x2C,
  XM_CHILD_KEY = XM_BASE + 0x2E,
  XM_DRAG = XM_BASE + 0x2F,
  XM_HINT_SHOW = XM_BASE + 0x30,
  XM_APP_WINDOW_VALUE = XM_BASE + 0x31,
  XM_CONTAINER_QUERY = XM_BASE + 0x32,
  XM_RECREATE_WND = XM_BASE + 0x33,
  XM_INVALIDATE = XM_BASE + 0x34,
};

// Platform notifications reflected by a parent to the child control they
// concern: the platform number plus XN_BASE.
enum : unsigned int {
  XN_BASE = 0xBC00,
  XN_KEYDOWN = XN_BASE + WM_KEYDOWN,
  XN_KEYUP = XN_BASE + WM_KEYUP,
  XN_CHAR = XN_BASE + WM_CHAR,
  XN_SYSKEYDOWN = XN_BASE + WM_SYSKEYDOWN,
  XN_SYSCHAR = XN_BASE + WM_SYSCHAR,
  XN_COMMAND = XN_BASE + WM_COMMAND,
  XN_NOTIFY = XN_BASE + WM_NOTIFY,
  XN_HSCROLL = XN_BASE + WM_HSCROLL,
  XN_VSCROLL = XN_BASE + WM_VSCROLL,
  XN_DRAWITEM = XN_BASE + WM_DRAWITEM,
  XN_MEASUREITEM = XN_BASE + WM_MEASUREITEM,
  XN_DELETEITEM = XN_BASE + WM_DELETEITEM,
  XN_COMPAREITEM = XN_BASE + WM_COMPAREITEM,
  XN_VKEYTOITEM = XN_BASE + WM_VKEYTOITEM,
  XN_CHARTOITEM = XN_BASE + WM_CHARTOITEM,
  XN_PARENTNOTIFY = XN_BASE + WM_PARENTNOTIFY,
  XN_CTLCOLORMSGBOX = XN_BASE + WM_CTLCOLORMSGBOX,
  XN_CTLCOLOREDIT = XN_BASE + WM_CTLCOLOREDIT,
  XN_CTLCOLORLISTBOX = XN_BASE + WM_CTLCOLORLISTBOX,
  XN_CTLCOLORBTN = XN_BASE + WM_CTLCOLORBTN,
  XN_CTLCOLORDLG = XN_BASE + WM_CTLCOLORDLG,
  XN_CTLCOLORSCROLLBAR = XN_BASE + WM_CTLCOLORSCROLLBAR,
  XN_CTLCOLORSTATIC = XN_BASE + WM_CTLCOLORSTATIC,
};

// The key messages, WM_KEYDOWN to 0x0108: the range that ends a hint, that
// the application offers its controls before dispatching, and that a drag
// swallows. (The platform header's WM_KEYLAST also takes in WM_UNICHAR.)
inline constexpr unsigned int KeyMessageFirst = 0x0100, KeyMessageLast = 0x0108;
inline bool IsKeyMessage(unsigned int msg) {
  return msg >= KeyMessageFirst && msg <= KeyMessageLast;
}

// The shift state: keys, mouse buttons and the double-click mark.
enum : std::uint8_t {
  ssShift = 0x01,
  ssAlt = 0x02,
  ssCtrl = 0x04,
  ssLeft = 0x08,
  ssRight = 0x10,
  ssMiddle = 0x20,
  ssDouble = 0x40,
};
using TShiftState = std::uint8_t;

// Mouse messages: the client point packed into LParam as two signed halves.
inline POINT MessagePoint(const TMessage& message) {
  return {static_cast<std::int16_t>(message.LParam & 0xFFFF),
          static_cast<std::int16_t>((message.LParam >> 16) & 0xFFFF)};
}
inline long PointToLParam(int x, int y) {
  return static_cast<long>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                           static_cast<std::uint16_t>(x));
}

// Shift state from the key flags of a mouse message (Alt read from the
// keyboard).
TShiftState ShiftStateFromKeys(unsigned int keys);
// Shift state of a key message: Shift and Ctrl read from the keyboard, Alt
// from bit 29 of the key data.
TShiftState ShiftStateFromKeyData(long keyData);
inline bool AltHeld(long keyData) { return (keyData & 0x20000000) != 0; }
