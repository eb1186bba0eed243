// The sound player's window tree made directly with the platform's calls,
// for the launch benchmark: a hidden owner window, the form window, three
// buttons and a panel that draws its lowered bevel and the label's text.
#include <windows.h>
#include <mmsystem.h>

namespace {

HFONT FormFont, LabelFont;
const char LabelText[] = "Programa exemplo de como tocar sons \xE0 partir de recursos.\n\nfeito por\n Dorvane";

LRESULT CALLBACK PanelProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_PAINT) return DefWindowProcA(window, msg, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT r;
  GetClientRect(window, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HGDIOBJ old = SelectObject(dc, shadow);
  MoveToEx(dc, 0, r.bottom - 1, nullptr);
  LineTo(dc, 0, 0);
  LineTo(dc, r.right - 1, 0);
  SelectObject(dc, highlight);
  LineTo(dc, r.right - 1, r.bottom - 1);
  LineTo(dc, -1, r.bottom - 1);
  SelectObject(dc, old);
  DeleteObject(shadow);
  DeleteObject(highlight);
  RECT text{16, 16, 16 + 281, 16 + 121};
  SetBkMode(dc, TRANSPARENT);
  old = SelectObject(dc, LabelFont);
  DrawTextA(dc, LabelText, -1, &text, DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS);
  SelectObject(dc, old);
  EndPaint(window, &paint);
  return 0;
}

LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
          case 1: PostQuitMessage(0); break;
          case 2: PlaySoundA(MAKEINTRESOURCEA(100), GetModuleHandleA(nullptr), 0x42007); break;
          case 3: PlaySoundA("SONDREL2", GetModuleHandleA(nullptr), 0x42007); break;
        }
      }
      return 0;
    case WM_CLOSE:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, msg, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA cls{};
  cls.hInstance = instance;
  cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  cls.lpfnWndProc = DefWindowProcA;
  cls.lpszClassName = "BaselineApplication";
  RegisterClassA(&cls);
  cls.lpfnWndProc = FormProc;
  cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  cls.hIcon = LoadIconA(instance, "MAINICON");
  cls.lpszClassName = "BaselineForm";
  RegisterClassA(&cls);
  cls.lpfnWndProc = PanelProc;
  cls.hIcon = nullptr;
  cls.lpszClassName = "BaselinePanel";
  RegisterClassA(&cls);
  FormFont = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
  LabelFont = CreateFontA(-19, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");

  HWND owner = CreateWindowExA(0, "BaselineApplication", "Sondrel", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
                               512, 384, 0, 0, nullptr, nullptr, instance, nullptr);
  HWND form = CreateWindowExA(0, "BaselineForm", "Sondrel",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 193, 109, 409, 197, owner,
                              nullptr, instance, nullptr);
  const struct {
    const char* Caption;
    int Id, Top;
  } buttons[] = {{"Sai&r", 1, 136}, {"Tocar Som &1", 2, 8}, {"Tocar Som &2", 3, 40}};
  for (const auto& b : buttons) {
    HWND button = CreateWindowExA(0, "BUTTON", b.Caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 8,
                                  b.Top, 75, 25, form, reinterpret_cast<HMENU>(b.Id), instance, nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont), 1);
  }
  CreateWindowExA(0, "BaselinePanel", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 88, 8, 305, 153, form, nullptr,
                  instance, nullptr);
  ShowWindow(form, SW_SHOWNORMAL);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(form, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DestroyWindow(owner);
  DeleteObject(FormFont);
  DeleteObject(LabelFont);
  return 0;
}
