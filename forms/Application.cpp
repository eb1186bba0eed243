#include "Application.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <new>

#include "Density.h"
#include "Faults.h"
#include "Registry.h"
#include "Report.h"
#include "Screen.h"

SONDREL_CLASS_RECORD(TApplication, TComponent, "Forms");

TApplication* Application = nullptr;
bool FocusMessages = true;

// --- Thread windows -------------------------------------------------------------------------------

namespace {

// Nested calls keep their own state: saved and restored around each one.
HWND DisableExcept = nullptr;
TDisabledWindow* DisableList = nullptr;

BOOL CALLBACK DisableWindow(HWND window, LPARAM) {
  if (window != DisableExcept && IsWindowVisible(window) && IsWindowEnabled(window)) {
    DisableList = new TDisabledWindow{DisableList, window};
    EnableWindow(window, FALSE);
  }
  return TRUE;
}

struct TFocusable {
  HWND Except, First, FirstTopmost;
};

BOOL CALLBACK CheckFocusable(HWND window, LPARAM data) {
  auto* f = reinterpret_cast<TFocusable*>(data);
  if (window == f->Except || window == Application->Handle() || !IsWindowVisible(window) || !IsWindowEnabled(window))
    return TRUE;
  if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) {
    if (!f->FirstTopmost) f->FirstTopmost = window;
    return TRUE;
  }
  f->First = window;
  return FALSE;
}

BOOL CALLBACK FindThreadWindow(HWND window, LPARAM found) {
  if (window != *reinterpret_cast<HWND*>(found)) return TRUE;
  *reinterpret_cast<HWND*>(found) = nullptr;
  return FALSE;
}

}  // namespace

TDisabledWindow* DisableThreadWindows(HWND except) {
  const HWND savedExcept = DisableExcept;
  TDisabledWindow* const savedList = DisableList;
  DisableExcept = except;
  DisableList = nullptr;
  try {
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, 0);
  } catch (...) {
    EnableThreadWindows(DisableList);
    DisableExcept = savedExcept;
    DisableList = savedList;
    throw;
  }
  TDisabledWindow* result = DisableList;
  DisableExcept = savedExcept;
  DisableList = savedList;
  return result;
}

void EnableThreadWindows(TDisabledWindow* list) {
  while (list) {
    TDisabledWindow* next = list->Next;
    if (IsWindow(list->Window)) EnableWindow(list->Window, TRUE);
    delete list;
    list = next;
  }
}

HWND FindFocusableWindow(HWND except) {
  TFocusable f{except, nullptr, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), CheckFocusable, reinterpret_cast<LPARAM>(&f));
  return f.First ? f.First : f.FirstTopmost;
}

bool IsForegroundThread() {
  HWND active = GetActiveWindow();
  if (!active) return false;
  HWND sought = active;
  EnumThreadWindows(GetCurrentThreadId(), FindThreadWindow, reinterpret_cast<LPARAM>(&sought));
  return sought == nullptr;
}

void ShowWindowNoAnimation(HWND window, int command) {
  ANIMATIONINFO animation{sizeof animation, 0};
  const bool animated = SystemParametersInfoA(SPI_GETANIMATION, sizeof animation, &animation, 0) &&
                        animation.iMinAnimate;
  if (animated) {
    animation.iMinAnimate = 0;
    SystemParametersInfoA(SPI_SETANIMATION, sizeof animation, &animation, 0);
  }
  ShowWindow(window, command);
  if (animated) {
    animation.iMinAnimate = 1;
    SystemParametersInfoA(SPI_SETANIMATION, sizeof animation, &animation, 0);
  }
}

// --- Construction -------------------------------------------------------------------------------

TApplication::TApplication(const TOwner& owner) : TComponent(owner), FIcon(std::make_unique<TIcon>()) {
  FIcon->SetHandle(LoadIconA(GetModuleHandleA(nullptr), "MAINICON"));
  FIcon->OnChange = TNotifyEvent::Of<&TApplication::IconChanged>(this);
  // The default title: the module's file name without folder and extension,
  // all but its first letter in lower case.
  char path[256];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  path[n < sizeof path ? n : sizeof path - 1] = '\0';
  OemToCharA(path, path);
  String title = path;
  title.erase(0, title.rfind('\\') + 1);
  title = title.substr(0, title.find('.'));
  if (title.size() > 1) CharLowerA(title.data() + 1);
  FTitle = title;
  CreateHandle();
  FUpdateFormatSettings = true;
  FShowMainForm = true;
}

TApplication::~TApplication() {
  FActive = false;
  CancelHint();
  MarkDestroying();
  DestroyOwned();
  FHintWindow.reset();
  if (FHandle && FHandleCreated) {
    if (LOBYTE(LOWORD(GetVersion())) > 3) SendMessageA(FHandle, WM_SETICON, ICON_BIG, 0);
    DestroyWindow(FHandle);
    UnbindWindowMethod(FHandle);
  }
  for (int i = 0; i < FWindowHooks.Count(); ++i) delete static_cast<TWindowHook*>(FWindowHooks.Items(i));
  if (Application == this) {
    Application = nullptr;
    SetAppHost(nullptr);
  }
}

void TApplication::CreateHandle() {
  if (FHandleCreated) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA existing;
  if (!GetClassInfoA(instance, "TApplication", &existing)) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = instance;
    cls.lpszClassName = "TApplication";
    if (!RegisterClassA(&cls)) throw EOutOfResources(TResId::WindowClassError);
  }
  FHandle = CreateWindowExA(0, "TApplication", FTitle.c_str(),
                            WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, instance, nullptr);
  if (!FHandle) throw EOutOfResources(TResId::WindowCreateError);
  FTitle.clear();  // the window text holds it now
  FHandleCreated = true;
  ShowWindowNoAnimation(FHandle, SW_RESTORE);
  BindWindowMethod(FHandle, TEvent<TMessage&>::Of<&TApplication::WndProc>(this));
  const bool newShell = LOBYTE(LOWORD(GetVersion())) > 3;
  if (newShell) SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(CurrentIcon()));
  HMENU system = GetSystemMenu(FHandle, FALSE);
  DeleteMenu(system, SC_MAXIMIZE, MF_BYCOMMAND);
  DeleteMenu(system, SC_SIZE, MF_BYCOMMAND);
  if (newShell) DeleteMenu(system, SC_MOVE, MF_BYCOMMAND);
}

HICON TApplication::CurrentIcon() { return FIcon->Empty() ? LoadIconA(nullptr, IDI_APPLICATION) : FIcon->Handle(); }

void TApplication::IconChanged(TObject*) {
  if (LOBYTE(LOWORD(GetVersion())) > 3)
    SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(CurrentIcon()));
  else if (IsIconic(FHandle))
    InvalidateRect(FHandle, nullptr, TRUE);
  for (int i = 0; Screen && i < Screen->FormCount(); ++i) Screen->Forms(i)->PerformMessage(XM_ICON_CHANGED);
}

void TApplication::Initialize() {
  if (InitProc) InitProc();
}

String TApplication::Title() const {
  if (!FHandleCreated) return FTitle;
  char text[256];
  const int n = GetWindowTextA(FHandle, text, sizeof text);
  return String(text, n > 0 ? n : 0);
}

void TApplication::SetTitle(const String& title) {
  if (FHandleCreated)
    SetWindowTextA(FHandle, title.c_str());
  else
    FTitle = title;
}

void TApplication::SetHint(const String& hint) {
  if (hint == FHint) return;
  FHint = hint;
  if (OnHint.Assigned()) OnHint(this);
}

// --- Forms --------------------------------------------------------------------------------------

void TApplication::CreateForm(TClass formClass, void* reference) {
  auto& ref = *static_cast<TComponent**>(reference);
  TComponent* instance = ConstructComponent(formClass, this);
  ref = instance;
  try {
    instance->AfterConstruction();
  } catch (...) {
    ref = nullptr;
    delete instance;
    throw;
  }
  if (!FMainForm && instance->Is<TForm>()) {
    static_cast<TForm*>(instance)->EnsureHandle();
    FMainForm = static_cast<TForm*>(instance);
  }
}

TWinControl* TApplication::MainForm() { return FMainForm; }

namespace {
void DestroyApplicationForms() {
  if (!Application) return;
  if (Application->Handle()) ShowOwnedPopups(Application->Handle(), FALSE);
  Application->MarkDestroying();
  Application->DestroyOwned();
}
}  // namespace

void TApplication::Run() {
  FRunning = true;
  try {
    std::atexit(DestroyApplicationForms);
    if (FMainForm) {
      if (FShowMainForm) FMainForm->SetVisible(true);
      do {
        HandleNextMessage();
      } while (!FTerminated);
    }
  } catch (...) {
    FRunning = false;
    throw;
  }
  FRunning = false;
}

void TApplication::HandleNextMessage() {
  if (!ProcessMessage()) Idle();
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (!IsKeyMessage(msg.message) || GetCapture()) return false;
  HWND target = msg.hwnd;
  if (FMainForm && FMainForm->FormStyle() == fsMDIForm && target == FMainForm->ClientHandle())
    target = FMainForm->Handle();
  return SendMessageA(target, XN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::ProcessMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool handled = false;
  if (OnMessage.Assigned()) OnMessage(msg, handled);
  if (FHintWindow && FHintWindow->IsHintMsg(TMessage{msg.message, msg.wParam, msg.lParam})) CancelHint();
  if (handled) return true;
  if (FMainForm && FMainForm->FormStyle() == fsMDIForm && Screen->ActiveForm() &&
      Screen->ActiveForm()->FormStyle() == fsMDIChild && TranslateMDISysAccel(FMainForm->ClientHandle(), &msg))
    return true;
  if (IsKeyMsg(msg)) return true;
  if (FDialogHandle && IsDialogMessageA(FDialogHandle, &msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void TApplication::Idle() {
  POINT p;
  GetCursorPos(&p);
  TControl* control = FindTargetAt(p, true);
  if (control && (control->ComponentState() & stDesigning)) control = nullptr;
  TControl* capture = GetCaptureControl();
  if (control != FMouseControl) {
    if (FMouseControl && (!capture || capture == FMouseControl)) FMouseControl->PerformMessage(XM_MOUSE_LEAVE);
    FMouseControl = control;
    if (FMouseControl && (!capture || capture == FMouseControl)) FMouseControl->PerformMessage(XM_MOUSE_ENTER);
  }
  if (FShowHint && (!FMouseControl || FMouseControl == FHintWindow.get())) CancelHint();
  TControl* withHint = FMouseControl;
  while (withHint && withHint->Hint().empty()) withHint = withHint->Parent();
  SetHint(withHint ? LongHintOf(withHint->Hint()) : String());
  bool done = true;
  if (OnIdle.Assigned()) OnIdle(this, done);
  if (done) WaitMessage();
}

// --- Message boxes and exceptions ---------------------------------------------------------------

int TApplication::MessageBox(const char* text, const char* caption, std::uint16_t flags) {
  HWND active = GetActiveWindow();
  TDisabledWindow* disabled = DisableThreadWindows(nullptr);
  int result;
  try {
    result = ::MessageBoxA(FHandle, text, caption, flags);
  } catch (...) {
    EnableThreadWindows(disabled);
    SetActiveWindow(active);
    throw;
  }
  EnableThreadWindows(disabled);
  SetActiveWindow(active);
  return result;
}

void TApplication::ShowException(const Exception& e) {
  const String text = e.Message() + ".";
  const String title = Title();
  MessageBox(text.c_str(), title.c_str(), MB_ICONERROR);
}

void TApplication::HandleException(TObject* sender) {
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  try {
    throw;
  } catch (const Exception& e) {
    if (e.Is<EAbort>()) return;  // silent
    if (OnException.Assigned())
      OnException(sender, e);
    else
      ShowException(e);
  } catch (const std::bad_alloc&) {
    const EOutOfMemory& e = OutOfMemoryInstance();
    if (OnException.Assigned())
      OnException(sender, e);
    else
      ShowException(e);
  } catch (...) {
    ShowExceptionReport(std::current_exception());
  }
}

// --- Window and state ---------------------------------------------------------------------------

void TApplication::Minimize() {
  if (IsIconic(FHandle)) return;
  DemoteTopmostWindows();
  SetActiveWindow(FHandle);
  ShowWindowNoAnimation(FHandle, SW_MINIMIZE);
  if (OnMinimize.Assigned()) OnMinimize(this);
}

void TApplication::Restore() {
  if (!IsIconic(FHandle)) return;
  SetActiveWindow(FHandle);
  ShowWindowNoAnimation(FHandle, SW_RESTORE);
  RestoreTopmostWindows();
  if (Screen && Screen->ActiveControl()) ::SetFocus(Screen->ActiveControl()->Handle());
  if (OnRestore.Assigned()) OnRestore(this);
}

namespace {
struct TTopmostSearch {
  TApplication* App;
  TList* List;
  HWND TopWindow;
};

BOOL CALLBACK CollectTopmost(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<TTopmostSearch*>(data);
  if (GetWindow(window, GW_OWNER) != s->App->Handle()) return TRUE;
  const bool topmost = GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST;
  const TWinControl* main = s->App->MainForm();
  if (topmost && !(main && main->HandleAllocated() && const_cast<TWinControl*>(main)->Handle() == window)) {
    s->List->Add(window);
    return TRUE;
  }
  s->TopWindow = window;
  return FALSE;
}
}  // namespace

void TApplication::DemoteTopmostWindows() {
  if (!FHandle) return;
  if (FTopmostLevel == 0) {
    TTopmostSearch search{this, &FTopmostList, FHandle};
    EnumWindows(CollectTopmost, reinterpret_cast<LPARAM>(&search));
    if (FTopmostList.Count() > 0) {
      HWND after = GetWindow(search.TopWindow, GW_HWNDPREV);
      if (GetWindowLongA(after, GWL_EXSTYLE) & WS_EX_TOPMOST) after = HWND_NOTOPMOST;
      for (int i = FTopmostList.Count() - 1; i >= 0; --i)
        SetWindowPos(static_cast<HWND>(FTopmostList.Items(i)), after, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  ++FTopmostLevel;
}

void TApplication::RestoreTopmostWindows() {
  if (!FHandle) return;
  if (--FTopmostLevel != 0) return;
  for (int i = FTopmostList.Count() - 1; i >= 0; --i)
    SetWindowPos(static_cast<HWND>(FTopmostList.Items(i)), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  FTopmostList.RemoveAll();
}

void TApplication::ActivateLastPopup() {
  if (!FHandle) return;
  HWND popup = GetLastActivePopup(FHandle);
  if (popup && popup != FHandle && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetForegroundWindow(popup);
}

void TApplication::ControlDestroyed(TControl* control) {
  if (FMouseControl == control) FMouseControl = nullptr;
  if (FMainForm == control) FMainForm = nullptr;
  if (Screen) Screen->ControlDestroyed(control);
  if (FHintControl == control) FHintControl = nullptr;
  if (Screen) Screen->NotifyChanges();
}

int TApplication::ScreenCursor() { return Screen ? Screen->Cursor() : crDefault; }

HCURSOR TApplication::Cursors(int cursor) {
  return Screen ? Screen->Cursors(cursor) : LoadCursorA(nullptr, IDC_ARROW);
}

// --- Hooks and help -------------------------------------------------------------------------------

void TApplication::AddWindowHook(TWindowHook hook) {
  if (FHandleCreated)
    FWindowHooks.Add(new TWindowHook(hook));
  else if (FHandle)
    SendMessageA(FHandle, XM_WINDOW_HOOK, 0, reinterpret_cast<LPARAM>(&hook));
}

void TApplication::RemoveWindowHook(TWindowHook hook) {
  if (!FHandleCreated) {
    if (FHandle) SendMessageA(FHandle, XM_WINDOW_HOOK, 1, reinterpret_cast<LPARAM>(&hook));
    return;
  }
  for (int i = 0; i < FWindowHooks.Count(); ++i)
    if (auto* h = static_cast<TWindowHook*>(FWindowHooks.Items(i)); *h == hook) {
      FWindowHooks.Delete(i);
      delete h;
      return;
    }
}

bool TApplication::InvokeHelp(std::uint16_t command, std::int32_t data) {
  bool callHelp = true, result = false;
  if (OnHelp.Assigned()) OnHelp(command, data, callHelp, result);
  if (!callHelp) return result;
  if (!FHelpFile.empty()) {
    HWND owner = FMainForm && FMainForm->HandleAllocated() ? FMainForm->Handle() : nullptr;
    return WinHelpA(owner, FHelpFile.c_str(), command, static_cast<ULONG_PTR>(data)) != 0;
  }
  if (!FHandleCreated && FHandle) PostMessageA(FHandle, XM_INVOKE_HELP, command, data);
  return result;
}

// The application window's procedure.
void TApplication::WndProc(TMessage& message) {
  message.Result = 0;
  for (int i = 0; i < FWindowHooks.Count(); ++i) {
    bool handled = false;
    (*static_cast<TWindowHook*>(FWindowHooks.Items(i)))(message, handled);
    if (handled) return;
  }
  auto defaultProc = [&] { message.Result = DefWindowProcA(FHandle, message.Msg, message.WParam, message.LParam); };
  try {
    switch (message.Msg) {
      case WM_SETFOCUS:
        PostMessageA(FHandle, XM_ENTER, 0, 0);
        defaultProc();
        break;
      case WM_ENABLE:
        if (message.WParam) {
          RestoreTopmostWindows();
          if (FDisabledWindows) {
            EnableThreadWindows(FDisabledWindows);
            FDisabledWindows = nullptr;
          }
          defaultProc();
        } else {
          defaultProc();
          if (!FDisabledWindows) FDisabledWindows = DisableThreadWindows(FHandle);
          DemoteTopmostWindows();
        }
        break;
      case WM_PAINT:
        if (IsIconic(FHandle)) {
          PAINTSTRUCT paint;
          HDC dc = BeginPaint(FHandle, &paint);
          DrawIcon(dc, 0, 0, CurrentIcon());
          EndPaint(FHandle, &paint);
        } else {
          defaultProc();
        }
        break;
      case WM_CLOSE:
        if (FMainForm) FMainForm->Close();
        break;
      case WM_ERASEBKGND:
        message.Msg = WM_ICONERASEBKGND;
        defaultProc();
        break;
      case WM_SYSCOLORCHANGE:
        break;  // the old three-dimensional control library is treated as absent
      case WM_ENDSESSION:
        if (message.WParam) ExitProcess(0);
        break;
      case WM_ACTIVATEAPP:
        defaultProc();
        FActive = message.WParam != 0;
        if (FActive) {
          RestoreTopmostWindows();
          PostMessageA(FHandle, XM_ACTIVATE, 0, 0);
        } else {
          DemoteTopmostWindows();
          PostMessageA(FHandle, XM_DEACTIVATE, 0, 0);
        }
        break;
      case WM_QUERYDRAGICON:
        message.Result = reinterpret_cast<long>(CurrentIcon());
        break;
      case WM_SYSCOMMAND:
        switch (message.WParam & 0xFFF0) {
          case SC_MINIMIZE: Minimize(); break;
          case SC_RESTORE: Restore(); break;
          default: defaultProc(); break;
        }
        break;
      case XM_ACTIVATE:
        if (OnActivate.Assigned()) OnActivate(this);
        break;
      case XM_DEACTIVATE:
        if (OnDeactivate.Assigned()) OnDeactivate(this);
        break;
      case XM_APP_KEY_DOWN:
        if (FMainForm && FMainForm->Menu() && IsWindowEnabled(FMainForm->Handle()) &&
            FMainForm->IsMenuShortCut(message))
          message.Result = 1;
        break;
      case XM_APP_SYS_COMMAND:
        if (FMainForm && FMainForm->HandleAllocated() && IsWindowEnabled(FMainForm->Handle()) &&
            IsWindowVisible(FMainForm->Handle())) {
          FocusMessages = false;
          HWND focused = GetFocus();
          ::SetFocus(FMainForm->Handle());
          FMainForm->PerformMessage(WM_SYSCOMMAND, message.WParam, message.LParam);
          ::SetFocus(focused);
          FocusMessages = true;
          message.Result = 1;
        }
        break;
      case XM_ENTER:
        if (!IsIconic(FHandle) && GetFocus() == FHandle)
          if (HWND window = FindFocusableWindow(nullptr)) ::SetFocus(window);
        break;
      case XM_INVOKE_HELP:
        InvokeHelp(LOWORD(message.WParam), message.LParam);
        break;
      case XM_WINDOW_HOOK:
        if (message.WParam == 0)
          AddWindowHook(*reinterpret_cast<TWindowHook*>(message.LParam));
        else
          RemoveWindowHook(*reinterpret_cast<TWindowHook*>(message.LParam));
        break;
      case XM_APP_WINDOW_VALUE:
        if (message.WParam == 1)
          message.Result = reinterpret_cast<long>(FDialogHandle);
        else
          FDialogHandle = reinterpret_cast<HWND>(message.LParam);
        break;
      default:
        if (message.Msg >= WM_CTLCOLORMSGBOX && message.Msg <= WM_CTLCOLORSTATIC)
          message.Result = SendMessageA(reinterpret_cast<HWND>(message.LParam), XN_BASE + message.Msg,
                                        message.WParam, message.LParam);
        else
          defaultProc();
        break;
    }
  } catch (...) {
    FocusMessages = true;
    HandleException(this);
  }
}

// --- Start-up -----------------------------------------------------------------------------------

namespace {

TComponent* FindGlobalComponent(const String& name) { return Screen ? Screen->FindGlobalComponent(name) : nullptr; }

void DoneForms() {
  delete Application;
  Application = nullptr;
  delete Screen;
  Screen = nullptr;
}

}  // namespace

void InitForms() {
  if (Application) return;
  DeclareDensityAwareness();  // before the first window
  InitControls();
  Screen = new TScreen(nullptr);
  Application = new TApplication(nullptr);
  SetAppHost(Application);
  Application->SetShowHint(true);
  SetGlobalComponentFinder(FindGlobalComponent);
  std::atexit(DoneForms);
}
