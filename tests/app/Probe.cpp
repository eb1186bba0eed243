// Reports, for the end-to-end tests, what a running program shows: run beside
// it under the same Wine server, it finds the program's windows.
//
//   probe form [TITLE]  the form with that title (default "Sondrel"):
//                 "form L T R B clientW clientH definedW definedH scrollbars
//                 clientX clientY" (scrollbars: 0 none, 1 horizontal, 2 vertical,
//                 3 both; clientX, clientY: the client area's origin), then
//                 "control CLASS L T R B focused scrollbars TEXT" for each child
//                 window
//   probe popup   the pop-up menu shown: "popup L T R B"
//   probe hint    the hint shown: "hint TEXT"
//   probe box     a message box: "box TITLE|TEXT"
//   probe text H  the height of "0" in MS Sans Serif of height H
//   probe color N the system colour N: "color srgb(R,G,B)"
// Coordinates are screen coordinates. Exit code 1 when nothing is found.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

std::string Text(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string Title = "Sondrel";

BOOL CALLBACK FindForm(HWND window, LPARAM found) {
  RECT r;
  GetWindowRect(window, &r);
  if (Text(window) == Title && IsWindowVisible(window) && r.right - r.left > 1 && ClassOf(window) != "#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// The first visible top-level window of the class named by `found`'s text.
BOOL CALLBACK FindClass(HWND window, LPARAM found) {
  auto* wanted = reinterpret_cast<std::pair<const char*, HWND>*>(found);
  if (ClassOf(window) == wanted->first && IsWindowVisible(window)) {
    wanted->second = window;
    return FALSE;
  }
  return TRUE;
}

HWND Shown(const char* windowClass) {
  std::pair<const char*, HWND> wanted{windowClass, nullptr};
  EnumWindows(FindClass, reinterpret_cast<LPARAM>(&wanted));
  return wanted.second;
}

int Bars(HWND window) {
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  return (style & WS_HSCROLL ? 1 : 0) | (style & WS_VSCROLL ? 2 : 0);
}

HWND Focused;
BOOL CALLBACK PrintChild(HWND window, LPARAM) {
  RECT r;
  GetWindowRect(window, &r);
  std::printf("control %s %ld %ld %ld %ld %d %d %s\n", ClassOf(window).c_str(), r.left, r.top, r.right, r.bottom,
              window == Focused, Bars(window), Text(window).c_str());
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "form") {
    if (argc > 2) Title = argv[2];
    HWND form = nullptr;
    EnumWindows(FindForm, reinterpret_cast<LPARAM>(&form));
    if (!form) return 1;
    RECT r, client, frame{0, 0, 0, 0};
    GetWindowRect(form, &r);
    GetClientRect(form, &client);
    // The client area that the definition's window size leaves on this platform.
    AdjustWindowRectEx(&frame, GetWindowLongA(form, GWL_STYLE), FALSE, GetWindowLongA(form, GWL_EXSTYLE));
    const int definedWidth = 409 - (frame.right - frame.left), definedHeight = 197 - (frame.bottom - frame.top);
    POINT origin{0, 0};
    ClientToScreen(form, &origin);
    std::printf("form %ld %ld %ld %ld %ld %ld %d %d %d %ld %ld\n", r.left, r.top, r.right, r.bottom, client.right,
                client.bottom, definedWidth, definedHeight, Bars(form), origin.x, origin.y);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
    Focused = info.hwndFocus;
    EnumChildWindows(form, PrintChild, 0);
    return 0;
  }
  if (what == "popup" || what == "hint") {
    HWND window = Shown(what == "popup" ? "#32768" : "THintWindow");
    if (!window) return 1;
    RECT r;
    GetWindowRect(window, &r);
    if (what == "popup")
      std::printf("popup %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    else
      std::printf("hint %s\n", Text(window).c_str());
    return 0;
  }
  if (what == "box") {
    HWND box = Shown("#32770");
    if (!box) return 1;
    std::printf("box %s|%s\n", Text(box).c_str(), Text(GetDlgItem(box, 0xFFFF)).c_str());
    return 0;
  }
  if (what == "text" && argc > 2) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontA(std::atoi(argv[2]), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             "MS Sans Serif");
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size;
    GetTextExtentPoint32A(dc, "0", 1, &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    std::printf("text %ld\n", size.cy);
    return 0;
  }
  if (what == "color" && argc > 2) {
    const COLORREF c = GetSysColor(std::atoi(argv[2]));
    std::printf("color srgb(%d,%d,%d)\n", GetRValue(c), GetGValue(c), GetBValue(c));
    return 0;
  }
  return 2;
}
