#include "HintWindow.h"

template <>
struct TClassTables<THintWindow> {
  static constexpr auto Messages = MessageTable({MessageHandler<&THintWindow::XMTextChanged>(XM_TEXT_CHANGED)});
};
SONDREL_MESSAGE_CLASS(THintWindow, TCustomControl, "Controls", TClassTables<THintWindow>::Messages);

THintWindow::THintWindow(const TOwner& owner) : TCustomControl(owner) {
  SetColor(0x80FFFF);  // a pale yellow
  // The platform's status-bar font; the default font when it is not known.
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = 340;
  TFont* font = Canvas()->Font();
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0)) {
    font->SetHandle(CreateFontIndirectA(&metrics.lfStatusFont));
  } else {
    font->SetName("MS Sans Serif");
    font->SetHeight(DefaultFontDescription().Height);
  }
  Canvas()->Brush()->SetStyle(bsClear);
}

void THintWindow::FillCreateParams(TCreateParams& params) {
  TCustomControl::FillCreateParams(params);
  params.Style = WS_POPUP | WS_DISABLED | WS_BORDER;
  params.WindowClass.style |= CS_SAVEBITS;
  if (LOBYTE(LOWORD(GetVersion())) > 3) params.ExStyle = WS_EX_TOOLWINDOW;
}

void THintWindow::Paint() {
  RECT r = ClientRect();
  r.left += 1;
  Canvas()->Font()->SetColor(clInfoText);
  const String caption = GetText();
  DrawTextA(Canvas()->Handle(), caption.c_str(), -1, &r, DT_NOPREFIX | DT_WORDBREAK);
}

void THintWindow::XMTextChanged(TMessage& message) {
  Inherited<THintWindow>(message);
  const String caption = GetText();
  SetWidth(Canvas()->TextWidth(caption) + 6);
  SetHeight(Canvas()->TextHeight(caption) + 4);
}

void THintWindow::ActivateHint(RECT rect, const String& hint) {
  SetText(hint);
  SetBoundsRect(rect);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (rect.top + Height() > screenHeight) rect.top = screenHeight - Height();
  if (rect.left + Width() > screenWidth) rect.left = screenWidth - Width();
  if (rect.left < 0) rect.left = 0;
  if (rect.top < 0) rect.top = 0;
  SetWindowPos(Handle(), HWND_TOPMOST, rect.left, rect.top, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
}

bool THintWindow::IsHintMsg(const TMessage& message) {
  const unsigned m = message.Msg;
  return IsKeyMessage(m) || m == XM_ACTIVATE || m == XM_DEACTIVATE || m == XM_APP_KEY_DOWN ||
         m == XM_APP_SYS_COMMAND || m == WM_COMMAND ||
         (m >= WM_LBUTTONDOWN && m <= WM_MBUTTONDBLCLK) || m == WM_NCMOUSEMOVE;
}
