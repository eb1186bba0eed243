// When and where hints appear: the application times a hint from the mouse
// moves over controls with ShowHint, shows the short hint under the control
// and hides it again after a while, on a click or key, or when the mouse
// leaves the control.
#include "Application.h"
#include "Screen.h"

namespace {

// The watcher thread touches no object of the program: it asks the
// user-interface thread, through a thread message that the message hook
// receives, to cancel the hint. (Cancelling from the watcher itself would
// stop a timer it does not own and race the user-interface thread.)
UINT CancelHintMessage = 0;
DWORD UserInterfaceThread = 0;

}  // namespace

void CALLBACK HintTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (Application) Application->HintTimerExpired();
}

// While the program runs no loop of its own, hint messages are watched from
// a hook, and a thread watches for the mouse leaving the program's windows.
LRESULT CALLBACK HintGetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
  if (code >= 0 && Application) {
    const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
    if (!msg.hwnd && msg.message == CancelHintMessage)
      Application->CancelHint();
    else if (Application->FHintWindow &&
             Application->FHintWindow->IsHintMsg(TMessage{msg.message, msg.wParam, msg.lParam}))
      Application->CancelHint();
  }
  return result;
}

// Polls once a second until its stop event is set.
DWORD WINAPI HintMouseThread(void* stop) {
  while (WaitForSingleObject(static_cast<HANDLE>(stop), 1000) == WAIT_TIMEOUT) {
    POINT p;
    if (GetCursorPos(&p) && !FindOwnWindowAt(p)) PostThreadMessageA(UserInterfaceThread, CancelHintMessage, 0, 0);
  }
  return 0;
}

void TApplication::SetShowHint(bool value) {
  if (value == FShowHint) return;
  FShowHint = value;
  if (value) {
    FHintWindow = std::make_unique<THintWindow>(nullptr);
    FHintWindow->SetColor(FHintColor);
  } else {
    CancelHint();
    FHintWindow.reset();
  }
}

void TApplication::DestroyHintWindowHandle() {
  if (FHintWindow) FHintWindow->DestroyHandle();
}

void TApplication::StartHintTimer(int delay, int mode) {
  StopHintTimer();
  FTimerHandle = SetTimer(nullptr, 1, static_cast<UINT>(delay), HintTimerProc);
  FTimerActive = FTimerHandle != 0;
  FTimerMode = mode;
  if (!FTimerActive) CancelHint();
}

void TApplication::StopHintTimer() {
  if (!FTimerActive) return;
  KillTimer(nullptr, FTimerHandle);
  FTimerActive = false;
}

void TApplication::HintTimerExpired() {
  StopHintTimer();
  if (FTimerMode == 0) {
    POINT p;
    GetCursorPos(&p);
    PopUpHint(p);
  } else {
    HideHint();
  }
}

void TApplication::HideHint() {
  if (FHintWindow && FHintWindow->HandleAllocated() && IsWindowVisible(FHintWindow->Handle()))
    ShowWindow(FHintWindow->Handle(), SW_HIDE);
}

void TApplication::CancelHint() {
  if (!FHintControl) return;
  HideHint();
  FHintControl = nullptr;
  FHintActive = false;
  RemoveHintHooks();
  StopHintTimer();
}

void TApplication::HintMouseMove(TControl* control, TMessage& message) {
  POINT p = MessagePoint(message);
  try {
    p = control->ClientToScreen(p);
  } catch (const EInvalidOperation&) {
    return;  // a control outside any window has no place on the screen
  }
  TControl* target = FindTargetAt(p, true);
  while (target && !target->ShowHint()) target = target->Parent();
  if (target && (target->ComponentState() & stDesigning)) target = nullptr;
  if (!target) {
    CancelHint();
    return;
  }
  if (target == FHintControl && PtInRect(&FHintCursorRect, p)) return;
  const int delay = FHintActive ? FHintShortPause : FHintPause;
  const bool active = FHintActive;
  CancelHint();
  FHintActive = active;
  FHintControl = target;
  StartHintTimer(delay, 0);
}

void TApplication::PopUpHint(POINT cursorPos) {
  FHintActive = false;
  if (!FShowHint || !FHintControl || !FHintWindow || !IsForegroundThread()) {
    CancelHint();
    return;
  }
  TControl* control = FHintControl;
  THintInfo info{};
  info.HintControl = control;
  const POINT origin = control->ClientOrigin();
  info.HintPos = {origin.x, origin.y + control->Height() + 6};
  info.HintMaxWidth = Screen->Width();
  info.HintColor = FHintColor;
  info.CursorRect = control->BoundsRect();
  const POINT parentOrigin = control->Parent() ? control->Parent()->ClientOrigin() : POINT{0, 0};
  OffsetRect(&info.CursorRect, parentOrigin.x - origin.x, parentOrigin.y - origin.y);
  info.CursorPos = control->ScreenToClient(cursorPos);
  const TControl* withHint = control;
  while (withHint && withHint->Hint().empty()) withHint = withHint->Parent();
  String text = withHint ? ShortHintOf(withHint->Hint()) : String();
  bool canShow = control->PerformMessage(XM_HINT_SHOW, 0, reinterpret_cast<long>(&info)) == 0;
  if (canShow && OnShowHint.Assigned()) OnShowHint(text, canShow, info);
  FHintActive = canShow;
  if (!canShow || text.empty()) {
    CancelHint();
    return;
  }
  RECT rect{0, 0, info.HintMaxWidth, 0};
  DrawTextA(FHintWindow->Canvas()->Handle(), text.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  OffsetRect(&rect, info.HintPos.x, info.HintPos.y);
  rect.right += 6;
  rect.bottom += 2;
  const POINT topLeft = control->ClientToScreen({info.CursorRect.left, info.CursorRect.top});
  const POINT bottomRight = control->ClientToScreen({info.CursorRect.right, info.CursorRect.bottom});
  FHintCursorRect = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  FHintWindow->SetColor(info.HintColor);
  FHintWindow->ActivateHint(rect, text);
  InstallHintHooks();
  StartHintTimer(FHintHidePause, 1);
}

void TApplication::InstallHintHooks() {
  if (FRunning || FHintHook) return;
  if (!CancelHintMessage) CancelHintMessage = RegisterWindowMessageA("SondrelCancelHint");
  UserInterfaceThread = GetCurrentThreadId();
  FHintHook = SetWindowsHookExA(WH_GETMESSAGE, HintGetMessageHook, nullptr, UserInterfaceThread);
  FHintThreadStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (FHintThreadStop) FHintThread = CreateThread(nullptr, 1000, HintMouseThread, FHintThreadStop, 0, nullptr);
}

void TApplication::RemoveHintHooks() {
  if (FHintHook) {
    UnhookWindowsHookEx(FHintHook);
    FHintHook = nullptr;
  }
  // The watcher ends at once when told, so it is joined rather than killed
  // (a killed thread may leave a lock of the process held).
  if (FHintThread) {
    SetEvent(FHintThreadStop);
    WaitForSingleObject(FHintThread, INFINITE);
    CloseHandle(FHintThread);
    FHintThread = nullptr;
  }
  if (FHintThreadStop) {
    CloseHandle(FHintThreadStop);
    FHintThreadStop = nullptr;
  }
}
