// Message boxes shown by the code under test are checked and dismissed from
// a thread timer, which runs inside the box's own modal loop.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>

#include "Object.h"

namespace box_watcher {
inline std::function<void(HWND)> Check;
inline bool Seen = false;

inline BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  char cls[16];
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, timer);
  Seen = true;
  if (Check) Check(box);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}
}  // namespace box_watcher

// Runs `check` on the next message box of this thread, then presses OK.
inline void WatchNextBox(std::function<void(HWND)> check) {
  box_watcher::Check = std::move(check);
  box_watcher::Seen = false;
  SetTimer(nullptr, 0, 30, box_watcher::Tick);
}

inline String WindowText(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The message of a message box (its static text control).
inline String BoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }
