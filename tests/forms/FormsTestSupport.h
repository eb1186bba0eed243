// Helpers of the tests of forms and of the programs made of them: message
// boxes shown by the code under test are checked and dismissed from a thread
// timer, which runs inside the box's own modal loop; exceptions handed to the
// application are recorded; a posted quit is looked for.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <vector>

#include "Application.h"

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

// Records the messages of the exceptions handed to the application while it
// lives, in place of the message box.
struct TExceptionLog {
  std::vector<String> Messages;
  TExceptionLog() { Application->OnException = TExceptionEvent::Of<&TExceptionLog::Note>(this); }
  ~TExceptionLog() { Application->OnException = {}; }
  void Note(TObject*, const Exception& e) { Messages.push_back(e.Message()); }
};

// Whether a quit message waits; it is taken.
inline bool QuitPosted() {
  MSG m;
  return PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}
