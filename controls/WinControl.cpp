// TWinControl: child lists, the platform window created on demand and bound
// to its object, showing and hiding, bounds kept in step with the window,
// and the windowed handling of messages: reflection of notifications to the
// child controls they concern, the keyboard path and the cursor.
#include <algorithm>
#include <cstring>

#include "Controls.h"
#include "Painting.h"
#include "Reader.h"
#include "Registry.h"
#include "Report.h"

template <>
struct TClassTables<TWinControl> {
  static constexpr auto Messages = MessageTable({
      MessageHandler<&TWinControl::WMPaint>(WM_PAINT),
      MessageHandler<&TWinControl::WMEraseBkgnd>(WM_ERASEBKGND),
      MessageHandler<&TWinControl::WMSetCursor>(WM_SETCURSOR),
      MessageHandler<&TWinControl::WMFocusChange>(WM_SETFOCUS),
      MessageHandler<&TWinControl::WMFocusChange>(WM_KILLFOCUS),
      MessageHandler<&TWinControl::WMSize>(WM_SIZE),
      MessageHandler<&TWinControl::WMMove>(WM_MOVE),
      MessageHandler<&TWinControl::WMWindowPosChanged>(WM_WINDOWPOSCHANGED),
      MessageHandler<&TWinControl::WMDestroy>(WM_DESTROY),
      MessageHandler<&TWinControl::WMNCDestroy>(WM_NCDESTROY),
      MessageHandler<&TWinControl::WMNCHitTest>(WM_NCHITTEST),
      MessageHandler<&TWinControl::WMQueryNewPalette>(WM_QUERYNEWPALETTE),
      MessageHandler<&TWinControl::WMPaletteChanged>(WM_PALETTECHANGED),
      MessageHandler<&TWinControl::WMSysColorChange>(WM_SYSCOLORCHANGE),
      MessageHandler<&TWinControl::WMWinIniChange>(WM_WININICHANGE),
      MessageHandler<&TWinControl::WMFontChange>(WM_FONTCHANGE),
      MessageHandler<&TWinControl::WMTimeChange>(WM_TIMECHANGE),
      MessageHandler<&TWinControl::WMKeyDown>(WM_KEYDOWN),
      MessageHandler<&TWinControl::WMKeyDown>(WM_SYSKEYDOWN),
      MessageHandler<&TWinControl::WMKeyUp>(WM_KEYUP),
      MessageHandler<&TWinControl::WMKeyUp>(WM_SYSKEYUP),
      MessageHandler<&TWinControl::WMChar>(WM_CHAR),
      MessageHandler<&TWinControl::WMSysCommand>(WM_SYSCOMMAND),
      MessageHandler<&TWinControl::WMImeComposition>(WM_IME_STARTCOMPOSITION),
      MessageHandler<&TWinControl::WMImeComposition>(WM_IME_ENDCOMPOSITION),
      MessageHandler<&TWinControl::WMReflected>(WM_COMMAND),
      MessageHandler<&TWinControl::WMReflected>(WM_NOTIFY),
      MessageHandler<&TWinControl::WMReflected>(WM_HSCROLL),
      MessageHandler<&TWinControl::WMReflected>(WM_VSCROLL),
      MessageHandler<&TWinControl::WMReflected>(WM_DRAWITEM),
      MessageHandler<&TWinControl::WMReflected>(WM_MEASUREITEM),
      MessageHandler<&TWinControl::WMReflected>(WM_DELETEITEM),
      MessageHandler<&TWinControl::WMReflected>(WM_COMPAREITEM),
      MessageHandler<&TWinControl::WMReflected>(WM_CHARTOITEM),
      MessageHandler<&TWinControl::WMReflected>(WM_VKEYTOITEM),
      MessageHandler<&TWinControl::WMReflected>(WM_PARENTNOTIFY),
      MessageHandler<&TWinControl::XNKeyDown>(XN_KEYDOWN),
      MessageHandler<&TWinControl::XNKeyUp>(XN_KEYUP),
      MessageHandler<&TWinControl::XNChar>(XN_CHAR),
      MessageHandler<&TWinControl::XNSysKeyDown>(XN_SYSKEYDOWN),
      MessageHandler<&TWinControl::XNSysChar>(XN_SYSCHAR),
      MessageHandler<&TWinControl::XMBroadcast>(XM_DIALOG_KEY),
      MessageHandler<&TWinControl::XMBroadcast>(XM_DIALOG_CHAR),
      MessageHandler<&TWinControl::XMBroadcast>(XM_FOCUS_CHANGED),
      MessageHandler<&TWinControl::XMBroadcast>(XM_SYS_COLOR_CHANGE),
      MessageHandler<&TWinControl::XMBroadcast>(XM_WIN_INI_CHANGE),
      MessageHandler<&TWinControl::XMBroadcast>(XM_FONT_CHANGE),
      MessageHandler<&TWinControl::XMBroadcast>(XM_TIME_CHANGE),
      MessageHandler<&TWinControl::XMColorChanged>(XM_COLOR_CHANGED),
      MessageHandler<&TWinControl::XMFontChanged>(XM_FONT_CHANGED),
      MessageHandler<&TWinControl::XMCursorChanged>(XM_CURSOR_CHANGED),
      MessageHandler<&TWinControl::XMCtl3DChanged>(XM_CTL3D_CHANGED),
      MessageHandler<&TWinControl::XMParentCtl3DChanged>(XM_PARENT_CTL3D_CHANGED),
      MessageHandler<&TWinControl::XMVisibleChanged>(XM_VISIBLE_CHANGED),
      MessageHandler<&TWinControl::XMEnabledChanged>(XM_ENABLED_CHANGED),
      MessageHandler<&TWinControl::XMShowingChanged>(XM_SHOWING_CHANGED),
      MessageHandler<&TWinControl::XMEnter>(XM_ENTER),
      MessageHandler<&TWinControl::XMExit>(XM_EXIT),
      MessageHandler<&TWinControl::XMShowHintChanged>(XM_SHOW_HINT_CHANGED),
      MessageHandler<&TWinControl::XMPassToParent>(XM_CONTROL_LIST_CHANGE),
      MessageHandler<&TWinControl::XMPassToParent>(XM_CHILD_KEY),
      MessageHandler<&TWinControl::XMDesignHitTest>(XM_DESIGN_HIT_TEST),
      MessageHandler<&TWinControl::XMRecreateWnd>(XM_RECREATE_WND),
      MessageHandler<&TWinControl::XMInvalidate>(XM_INVALIDATE),
      MessageHandler<&TWinControl::XMDrag>(XM_DRAG),
  });
  static constexpr TPropInfo Props[] = {
      Prop<&TWinControl::HelpContext, &TWinControl::SetHelpContext>("HelpContext", IntegerTypeInfo).Default(0),
  };
};

SONDREL_PUBLISHED_MESSAGE_CLASS(TWinControl, TControl, "Controls", TClassTables<TWinControl>::Messages,
                                {.Props = TClassTables<TWinControl>::Props,
                                 .Create = &NewComponent<TWinControl>});

// --- Windows bound to objects --------------------------------------------------------------

namespace {

ATOM WindowAtom = 0, ControlAtom = 0;
// The control whose window CreateWindowExA is making right now.
TWinControl* CreationControl = nullptr;

class TDefaultAppHost final : public IApplicationHost {
 public:
  void HandleException(TObject*) override { ShowExceptionReport(std::current_exception()); }
  void HintMouseMove(TControl*, TMessage&) override {}
  void ControlDestroyed(TControl*) override {}
  HWND Handle() override { return nullptr; }
  void ActivateLastPopup() override {}
  TWinControl* MainForm() override { return nullptr; }
  int ScreenCursor() override { return 0; }
  HCURSOR Cursors(int) override { return LoadCursorA(nullptr, IDC_ARROW); }
};
TDefaultAppHost DefaultAppHost;
IApplicationHost* InstalledAppHost = nullptr;

}  // namespace

IApplicationHost& AppHost() { return InstalledAppHost ? *InstalledAppHost : DefaultAppHost; }
void SetAppHost(IApplicationHost* host) { InstalledAppHost = host; }

// The one window procedure of every control window. The object is found
// through the window's user data (set when its first message arrives, inside
// CreateWindowExA, and cleared after WM_NCDESTROY).
LRESULT CALLBACK ControlWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!control) {
    control = CreationControl;
    if (!control) return DefWindowProcA(window, msg, wParam, lParam);
    CreationControl = nullptr;
    control->FHandle = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    // Child notifications that carry only a control identifier (owner-draw
    // records) are routed by handle.
    if ((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && GetWindowLongA(window, GWL_ID) == 0)
      SetWindowLongA(window, GWL_ID, static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)));
    SetPropA(window, MAKEINTATOM(ControlAtom), control);
    SetPropA(window, MAKEINTATOM(WindowAtom), control);
  }
  return control->MainWindowProc(msg, wParam, lParam);
}

TWinControl* FindControl(HWND window) {
  if (!window || !ControlAtom) return nullptr;
  return static_cast<TWinControl*>(GetPropA(window, MAKEINTATOM(ControlAtom)));
}

bool IsOwnWindow(HWND window) { return window && WindowAtom && GetPropA(window, MAKEINTATOM(WindowAtom)); }

TWinControl* FindOwnWindowAt(POINT screenPoint) {
  for (HWND window = WindowFromPoint(screenPoint); window; window = GetParent(window))
    if (TWinControl* control = FindControl(window)) return control;
  return nullptr;
}

TControl* FindTargetAt(POINT screenPoint, bool allowDisabled) {
  TWinControl* window = FindOwnWindowAt(screenPoint);
  if (!window) return nullptr;
  if (TControl* child = window->ControlAtPos(window->ScreenToClient(screenPoint), allowDisabled)) return child;
  return window;
}

IFormHost* ParentFormOf(const TControl* control) {
  while (control->Parent()) control = control->Parent();
  return control->Is<TWinControl>() ? const_cast<TWinControl*>(static_cast<const TWinControl*>(control))->AsFormHost()
                                    : nullptr;
}

IFormHost& RequireParentForm(const TControl* control) {
  IFormHost* form = ParentFormOf(control);
  if (!form) throw EInvalidOperation(TResId::NoParentWindow, {control->Name()});
  return *form;
}

LRESULT TWinControl::MainWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  try {
    WindowProc(message);
  } catch (...) {
    // Nothing unwinds into the platform's frames.
    AppHost().HandleException(this);
  }
  FreeDeviceContexts();
  return message.Result;
}

// --- Utility windows -----------------------------------------------------------------------

namespace {

LRESULT CALLBACK MethodWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* method = reinterpret_cast<TEvent<TMessage&>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!method) return DefWindowProcA(window, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  try {
    (*method)(message);
  } catch (...) {
    AppHost().HandleException(nullptr);
  }
  return message.Result;
}

}  // namespace

void BindWindowMethod(HWND window, TEvent<TMessage&> method) {
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TEvent<TMessage&>(method)));
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MethodWindowProc));
}

void UnbindWindowMethod(HWND window) {
  delete reinterpret_cast<TEvent<TMessage&>*>(SetWindowLongPtrA(window, GWLP_USERDATA, 0));
}

HWND AllocateUtilityWindow(TEvent<TMessage&> method) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA existing;
  const bool registered = GetClassInfoA(instance, "TPUtilWindow", &existing);
  if (!registered || existing.lpfnWndProc != DefWindowProcA) {
    if (registered) UnregisterClassA("TPUtilWindow", instance);
    WNDCLASSA cls{};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = instance;
    cls.lpszClassName = "TPUtilWindow";
    RegisterClassA(&cls);
  }
  HWND window = CreateWindowExA(0, "TPUtilWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (window) BindWindowMethod(window, method);
  return window;
}

void DeallocateUtilityWindow(HWND window) {
  UnbindWindowMethod(window);  // while the window still holds its handler
  DestroyWindow(window);
}

// --- Construction ---------------------------------------------------------------------------

TWinControl::TWinControl(const TOwner& owner) : TControl(owner), FBrush(std::make_unique<TBrush>()) {
  FBrush->SetColor(Color());
}

TWinControl::~TWinControl() {
  MarkDestroying();
  if (Parent())
    if (IFormHost* form = ParentFormOf(this)) form->DefocusControl(this, true);
  if (FHandle) {
    FreeDeviceContexts();
    DestroyPlatformWindow();
  }
  DestroyChildren();
  FBrush.reset();
  // Leaves the parent while this object is still a windowed control (the
  // base destructor would be too late to tell which list holds it).
  SetParent(nullptr);
}

void TWinControl::DestroyChildren() {
  while (ControlCount() > 0) {
    TControl* child = Controls(ControlCount() - 1);
    Remove(child);
    delete child;
  }
}

// --- Child lists ------------------------------------------------------------------------------

int TWinControl::ControlCount() const {
  return (FPlainControls ? FPlainControls->Count() : 0) + (FWinControls ? FWinControls->Count() : 0);
}

TControl* TWinControl::Controls(int index) const {
  const int plain = FPlainControls ? FPlainControls->Count() : 0;
  if (index < plain) return static_cast<TControl*>(FPlainControls->Items(index));
  if (!FWinControls) throw EListError(TResId::ListIndexOutOfBounds);
  return static_cast<TControl*>(FWinControls->Items(index - plain));
}

namespace {
void AddTo(std::unique_ptr<TList>& list, void* item) {
  if (!list) list = std::make_unique<TList>();
  list->Add(item);
}
void RemoveFrom(std::unique_ptr<TList>& list, void* item) {
  if (!list) return;
  list->Remove(item);
  if (list->Count() == 0) list.reset();
}
}  // namespace

void TWinControl::Insert(TControl* control) {
  if (!control) return;
  if (control->Is<TWinControl>()) {
    AddTo(FWinControls, control);
    AddTo(FTabList, control);
  } else {
    AddTo(FPlainControls, control);
  }
  control->FParent = this;
}

void TWinControl::Remove(TControl* control) {
  if (control->Is<TWinControl>()) {
    RemoveFrom(FTabList, control);
    RemoveFrom(FWinControls, control);
  } else {
    RemoveFrom(FPlainControls, control);
  }
  control->FParent = nullptr;
}

void TWinControl::InsertControl(TControl* control) {
  PerformMessage(XM_CONTROL_LIST_CHANGE, reinterpret_cast<unsigned int>(control), 1);
  Insert(control);
  if (control->ControlState() & csReadingState) return;
  control->PerformMessage(XM_PARENT_COLOR_CHANGED);
  control->PerformMessage(XM_PARENT_FONT_CHANGED);
  control->PerformMessage(XM_PARENT_SHOW_HINT_CHANGED);
  if (control->Is<TWinControl>()) {
    control->PerformMessage(XM_PARENT_CTL3D_CHANGED);
    UpdateControlState();
  } else if (FHandle) {
    control->Invalidate();
  }
  RealignFor(control);
}

void TWinControl::RemoveControl(TControl* control) {
  if (control->Is<TWinControl>()) {
    if (IFormHost* form = ParentFormOf(this)) form->DefocusControl(static_cast<TWinControl*>(control), true);
    static_cast<TWinControl*>(control)->DestroyHandle();
  } else if (FHandle) {
    control->InvalidateControl(control->Visible(), false);
  }
  Remove(control);
  PerformMessage(XM_CONTROL_LIST_CHANGE, reinterpret_cast<unsigned int>(control), 0);
  Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (; control; control = control->Parent())
    if (control == this) return true;
  return false;
}

void TWinControl::Broadcast(TMessage& message) {
  for (int i = 0; i < ControlCount(); ++i) {
    Controls(i)->WindowProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(unsigned int msg) {
  TMessage message{msg, 0, 0, 0};
  Broadcast(message);
}

void TWinControl::EnumChildren(const std::function<void(TComponent*)>& callback) {
  IFormHost* form = ParentFormOf(this);
  TComponent* owner = form ? form->FormControl() : nullptr;
  for (int i = 0; i < ControlCount(); ++i)
    if (Controls(i)->Owner() == owner) callback(Controls(i));
}

void TWinControl::MoveChild(TComponent* child, int position) {
  if (child->Is<TControl>()) static_cast<TControl*>(child)->SetZOrderPosition(position);
}

void TWinControl::ReadContent(TReader& reader) {
  SuspendAlignment();
  try {
    TControl::ReadContent(reader);
  } catch (...) {
    ResumeAlignment();
    throw;
  }
  ResumeAlignment();
  FixupTabList();
  if (Parent()) PerformMessage(XM_PARENT_CTL3D_CHANGED);
  UpdateControlState();
}

// --- The window -------------------------------------------------------------------------------

HWND TWinControl::Handle() {
  EnsureHandle();
  return FHandle;
}

void TWinControl::EnsureHandle() {
  if (FHandle) return;
  if (Parent()) Parent()->EnsureHandle();
  AllocateHandle();
}

void TWinControl::AllocateHandle() {
  if (FHandle) return;
  BuildWindow();
  SetPropA(FHandle, MAKEINTATOM(WindowAtom), this);
  SetPropA(FHandle, MAKEINTATOM(ControlAtom), this);
  // A new window takes its place in the z-order among its siblings' windows.
  if (Parent())
    SetWindowPos(FHandle, UpperSiblingWindow(), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::FillCreateParams(TCreateParams& params) {
  std::memset(&params, 0, sizeof params);
  params.Caption = FText.c_str();
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle() & csAcceptsChildren) params.Style |= WS_CLIPCHILDREN;
  if (!(ComponentState() & stDesigning) && !Enabled()) params.Style |= WS_DISABLED;
  if (FTabStop) params.Style |= WS_TABSTOP;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.WndParent = Parent() ? Parent()->Handle() : FParentWindow;
  params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = DefWindowProcA;
  params.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  ClassName().copy(params.WinClassName, sizeof params.WinClassName - 1);
}

void TWinControl::CreatePlatformWindow(const TCreateParams& params) {
  FHandle = CreateWindowExA(params.ExStyle, params.WinClassName, params.Caption, params.Style, params.X,
                            params.Y, params.Width, params.Height, params.WndParent, nullptr,
                            GetModuleHandleA(nullptr), params.Param);
}

void TWinControl::BuildWindow() {
  TCreateParams params;
  FillCreateParams(params);
  if (!params.WndParent && (params.Style & WS_CHILD))
    throw EInvalidOperation(TResId::NoParentWindow, {Name()});
  FDefWndProc = params.WindowClass.lpfnWndProc;
  // One platform class per control class name, registered on first use.
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA existing;
  const bool registered = GetClassInfoA(instance, params.WinClassName, &existing);
  if (!registered || existing.lpfnWndProc != ControlWindowProc) {
    if (registered) UnregisterClassA(params.WinClassName, instance);
    params.WindowClass.lpfnWndProc = ControlWindowProc;
    params.WindowClass.hInstance = instance;
    params.WindowClass.lpszClassName = params.WinClassName;
    if (!RegisterClassA(&params.WindowClass)) throw EOutOfResources(TResId::WindowClassError);
  }
  CreationControl = this;
  try {
    CreatePlatformWindow(params);
  } catch (...) {
    CreationControl = nullptr;
    throw;
  }
  CreationControl = nullptr;
  if (!FHandle) throw EOutOfResources(TResId::WindowCreateError);
  FText.clear();  // the caption lives in the window now
  UpdateBounds();
  PerformMessage(WM_SETFONT, reinterpret_cast<unsigned int>(Font()->Handle()), 1);
}

void TWinControl::DestroyPlatformWindow() {
  DestroyWindow(FHandle);
  FHandle = nullptr;
}

void TWinControl::TearDownWindow() {
  const long length = PerformMessage(WM_GETTEXTLENGTH);
  if (length > 0) {
    String text(length, '\0');
    const long copied = PerformMessage(WM_GETTEXT, length + 1, reinterpret_cast<long>(text.data()));
    text.resize(std::clamp<long>(copied, 0, length));
    FText = text;
  } else {
    FText.clear();
  }
  FreeDeviceContexts();
  DestroyPlatformWindow();
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  if (FWinControls)
    for (int i = 0; i < FWinControls->Count(); ++i)
      static_cast<TWinControl*>(FWinControls->Items(i))->DestroyHandle();
  TearDownWindow();
}

void TWinControl::RecreateWindow() {
  if (FHandle) PerformMessage(XM_RECREATE_WND);
}

void TWinControl::XMRecreateWnd(TMessage&) {
  const bool wasFocused = Focused();
  DestroyHandle();
  UpdateControlState();
  if (wasFocused && FHandle) ::SetFocus(FHandle);
}

void TWinControl::SetParentWindow(HWND window) {
  if (Parent() || window == FParentWindow) return;
  if (FHandle && window)
    ::SetParent(FHandle, window);
  else
    DestroyHandle();
  FParentWindow = window;
  UpdateControlState();
}

// --- Showing ----------------------------------------------------------------------------------

void TWinControl::UpdateShowing() {
  const bool designing = ComponentState() & stDesigning;
  const bool show = (Visible() || (designing && !(ControlStyle() & csHiddenWhileDesigning))) &&
                    !(ControlState() & csReadingState);
  if (show) {
    if (!FHandle) AllocateHandle();
    if (FWinControls)
      for (int i = 0; i < FWinControls->Count(); ++i)
        static_cast<TWinControl*>(FWinControls->Items(i))->UpdateShowing();
  }
  if (!FHandle || FShowing == show) return;
  FShowing = show;
  try {
    PerformMessage(XM_SHOWING_CHANGED);
  } catch (...) {
    FShowing = !show;
    throw;
  }
}

void TWinControl::UpdateControlState() {
  TWinControl* top = this;
  while (top->Parent()) {
    top = top->Parent();
    if (!top->FShowing) return;
  }
  if (top->AsFormHost() || top->FParentWindow) UpdateShowing();
}

void TWinControl::XMShowingChanged(TMessage&) {
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                   (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::XMVisibleChanged(TMessage&) {
  if (!Visible() && Parent())
    if (IFormHost* form = ParentFormOf(this)) form->DefocusControl(this, false);
  if (!(ComponentState() & stDesigning) || (ControlStyle() & csHiddenWhileDesigning)) UpdateControlState();
}

void TWinControl::XMEnabledChanged(TMessage&) {
  if (!Enabled() && Parent())
    if (IFormHost* form = ParentFormOf(this)) form->DefocusControl(this, false);
  if (FHandle && !(ComponentState() & stDesigning)) EnableWindow(FHandle, Enabled());
}

// --- Bounds -----------------------------------------------------------------------------------

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  if (FHandle && !IsIconic(FHandle)) {
    // The fields follow from the window's WM_WINDOWPOSCHANGED.
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (FHandle) {
      WINDOWPLACEMENT placement{};
      placement.length = sizeof placement;
      GetWindowPlacement(FHandle, &placement);
      placement.rcNormalPosition = {left, top, left + width, top + height};
      SetWindowPlacement(FHandle, &placement);
    }
  }
  RequestAlign();
}

void TWinControl::UpdateBounds() {
  RECT r;
  if (IsIconic(FHandle)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(FHandle, &placement);
    r = placement.rcNormalPosition;
  } else {
    GetWindowRect(FHandle, &r);
  }
  if (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD)
    if (HWND parent = GetParent(FHandle)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

void TWinControl::InvalidateFrame() {
  if (!Parent() || !Parent()->FHandle) return;
  RECT r = BoundsRect();
  InflateRect(&r, 1, 1);
  InvalidateRect(Parent()->FHandle, &r, TRUE);
}

void TWinControl::ScrollBy(int deltaX, int deltaY) {
  const bool scrolled = FHandle && IsWindowVisible(FHandle);
  if (scrolled) ScrollWindow(FHandle, deltaX, deltaY, nullptr, nullptr);
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    auto* windowed = child->Is<TWinControl>() ? static_cast<TWinControl*>(child) : nullptr;
    if (!windowed || !windowed->FHandle) {
      child->FLeft += deltaX;
      child->FTop += deltaY;
    } else if (!scrolled) {
      SetWindowPos(windowed->FHandle, nullptr, child->Left() + deltaX, child->Top() + deltaY, 0, 0,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    }
  }
  Realign();
}

void TWinControl::WMSize(TMessage& message) {
  UpdateBounds();
  Inherited<TWinControl>(message);
  Realign();
}

void TWinControl::WMMove(TMessage& message) {
  Inherited<TWinControl>(message);
  UpdateBounds();
}

void TWinControl::WMWindowPosChanged(TMessage& message) {
  const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
  const UINT flags = pos ? pos->flags : 0;
  const bool framed = FCtl3D && (ControlStyle() & csFramed) && Parent() && !(flags & SWP_NOREDRAW);
  const bool moved = !((flags & SWP_NOMOVE) && (flags & SWP_NOSIZE)) && IsWindowVisible(FHandle);
  if (moved && framed) InvalidateFrame();
  UpdateBounds();
  Inherited<TWinControl>(message);
  if (framed && (moved || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))) InvalidateFrame();
}

void TWinControl::WMDestroy(TMessage& message) {
  Inherited<TWinControl>(message);
  RemovePropA(FHandle, MAKEINTATOM(ControlAtom));
  RemovePropA(FHandle, MAKEINTATOM(WindowAtom));
}

void TWinControl::WMNCDestroy(TMessage& message) {
  HWND window = FHandle;
  Inherited<TWinControl>(message);
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  FHandle = nullptr;
  FShowing = false;
}

POINT TWinControl::ClientOrigin() {
  POINT p{0, 0};
  ::ClientToScreen(Handle(), &p);
  return p;
}

RECT TWinControl::ClientRect() {
  RECT r;
  GetClientRect(Handle(), &r);
  return r;
}

void TWinControl::ApplyScale(int multiplier, int divisor) {
  SuspendAlignment();
  try {
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->ApplyScale(multiplier, divisor);
    TControl::ApplyScale(multiplier, divisor);
  } catch (...) {
    ResumeAlignment();
    throw;
  }
  ResumeAlignment();
}

// --- Properties ---------------------------------------------------------------------------------

void TWinControl::SetTabStop(bool value) {
  if (value == FTabStop) return;
  FTabStop = value;
  if (FHandle) {
    LONG style = GetWindowLongA(FHandle, GWL_STYLE);
    SetWindowLongA(FHandle, GWL_STYLE, value ? style | WS_TABSTOP : style & ~WS_TABSTOP);
  }
  PerformMessage(XM_TAB_STOP_CHANGED);
}

void TWinControl::SetCtl3D(bool value) {
  if (value == FCtl3D) return;
  FCtl3D = value;
  FParentCtl3D = false;
  PerformMessage(XM_CTL3D_CHANGED);
}

void TWinControl::SetParentCtl3D(bool value) {
  if (value == FParentCtl3D) return;
  FParentCtl3D = value;
  if (Parent()) PerformMessage(XM_PARENT_CTL3D_CHANGED);
}

void TWinControl::XMColorChanged(TMessage& message) {
  Inherited<TWinControl>(message);
  FBrush->SetColor(Color());
  NotifyControls(XM_PARENT_COLOR_CHANGED);
}

void TWinControl::XMFontChanged(TMessage& message) {
  Inherited<TWinControl>(message);
  if (FHandle) PerformMessage(WM_SETFONT, reinterpret_cast<unsigned int>(Font()->Handle()), 0);
  NotifyControls(XM_PARENT_FONT_CHANGED);
}

void TWinControl::XMCtl3DChanged(TMessage&) {
  if (ControlStyle() & csFramed) InvalidateFrame();
  NotifyControls(XM_PARENT_CTL3D_CHANGED);
}

void TWinControl::XMParentCtl3DChanged(TMessage&) {
  if (!FParentCtl3D || !Parent()) return;
  SetCtl3D(Parent()->Ctl3D());
  FParentCtl3D = true;
}

void TWinControl::XMShowHintChanged(TMessage& message) {
  Inherited<TWinControl>(message);
  NotifyControls(XM_PARENT_SHOW_HINT_CHANGED);
}

void TWinControl::XMCursorChanged(TMessage&) {
  if (GetCapture()) return;
  POINT p;
  GetCursorPos(&p);
  if (FHandle && FindTargetAt(p, false) == this)
    PerformMessage(WM_SETCURSOR, reinterpret_cast<unsigned int>(FHandle), HTCLIENT);
}

// --- Messages -----------------------------------------------------------------------------------

void TWinControl::HandleMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFOCUS:
      if (IFormHost* form = ParentFormOf(this); form && !form->SetFocusedControl(this)) return;
      break;
    case WM_KILLFOCUS:
      if (ControlState() & csFocusing) return;
      break;
    case WM_CANCELMODE:
      if (FHandle && GetCapture() == FHandle)
        if (TControl* capture = GetCaptureControl(); capture && capture != this && capture->Parent() == this)
          capture->PerformMessage(WM_CANCELMODE);
      break;
    case WM_NCHITTEST: {
      TControl::HandleMessage(message);
      if (message.Result == HTTRANSPARENT) {
        POINT p = ScreenToClient(MessagePoint(message));
        if (ControlAtPos(p, false)) message.Result = HTCLIENT;
      }
      return;
    }
    default:
      if (IsKeyMessage(message.Msg) && Dragging()) return;
      if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST && ForwardMouseToChild(message)) return;
      break;
  }
  TControl::HandleMessage(message);
}

bool TWinControl::ForwardMouseToChild(TMessage& message) {
  TControl* target = nullptr;
  if (FHandle && GetCapture() == FHandle) {
    TControl* capture = GetCaptureControl();
    if (capture && capture != this && capture->Parent() == this) target = capture;
  } else {
    target = ControlAtPos(MessagePoint(message), false);
  }
  if (!target) return false;
  POINT p = MessagePoint(message);
  target->PerformMessage(message.Msg, message.WParam, PointToLParam(p.x - target->Left(), p.y - target->Top()));
  return true;
}

void TWinControl::XMDesignHitTest(TMessage& message) {
  if (!ForwardMouseToChild(message)) message.Result = 0;
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (!FHandle) {
    TControl::DefaultHandler(message);
    return;
  }
  if (message.Msg >= WM_CTLCOLORMSGBOX && message.Msg <= WM_CTLCOLORSTATIC) {
    // The child being coloured answers.
    message.Result = SendMessageA(reinterpret_cast<HWND>(message.LParam), message.Msg + XN_BASE,
                                  message.WParam, message.LParam);
  } else if (message.Msg >= XN_CTLCOLORMSGBOX && message.Msg <= XN_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, ResolveColor(Font()->Color()));
    SetBkColor(dc, ResolveColor(FBrush->Color()));
    message.Result = reinterpret_cast<long>(FBrush->Handle());
  } else {
    message.Result = CallWindowProcA(FDefWndProc, FHandle, message.Msg, message.WParam, message.LParam);
  }
}

bool TWinControl::DoControlMsg(HWND child, TMessage& message) {
  TWinControl* control = FindControl(child);
  if (!control) return false;
  message.Result = control->PerformMessage(message.Msg + XN_BASE, message.WParam, message.LParam);
  return true;
}

void TWinControl::WMReflected(TMessage& message) {
  HWND child = nullptr;
  switch (message.Msg) {
    case WM_NOTIFY:
      child = reinterpret_cast<const NMHDR*>(message.LParam)->hwndFrom;
      break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
      // The control identifier, second field of each of these records, is
      // the child's handle for framework windows.
      child = reinterpret_cast<HWND>(reinterpret_cast<const UINT*>(message.LParam)[1]);
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY)
        child = reinterpret_cast<HWND>(message.LParam);
      break;
    default:  // WM_COMMAND, scroll bars and list notifications
      child = reinterpret_cast<HWND>(message.LParam);
      break;
  }
  if (!child || !DoControlMsg(child, message)) Inherited<TWinControl>(message);
}

void TWinControl::WMSetCursor(TMessage& message) {
  if (reinterpret_cast<HWND>(message.WParam) != FHandle) {
    Inherited<TWinControl>(message);
    return;
  }
  const auto hit = static_cast<std::int16_t>(LOWORD(message.LParam));
  if (hit == HTERROR) {
    HWND app = AppHost().Handle();
    if (HIWORD(message.LParam) == WM_LBUTTONDOWN && app && GetLastActivePopup(app) != GetForegroundWindow()) {
      AppHost().ActivateLastPopup();
      return;
    }
  } else if (hit == HTCLIENT) {
    const bool designing = ComponentState() & stDesigning;
    int cursor = designing ? crArrow : AppHost().ScreenCursor();
    if (cursor == crDefault) {
      POINT p;
      GetCursorPos(&p);
      if (TControl* child = ControlAtPos(ScreenToClient(p), false)) cursor = child->Cursor();
      if (cursor == crDefault) cursor = Cursor();
    }
    if (cursor != crDefault) {
      ::SetCursor(AppHost().Cursors(cursor));
      message.Result = 1;
      return;
    }
  }
  Inherited<TWinControl>(message);
}

void TWinControl::WMFocusChange(TMessage& message) { Inherited<TWinControl>(message); }

void TWinControl::WMNCHitTest(TMessage& message) {
  if ((ComponentState() & stDesigning) && Parent())
    message.Result = HTCLIENT;
  else
    Inherited<TWinControl>(message);
}

void TWinControl::WMQueryNewPalette(TMessage& message) {
  IncludeControlState(csPaletteOwner);
  message.Result = PaletteChanged(true);
}

void TWinControl::WMPaletteChanged(TMessage& message) { message.Result = PaletteChanged(false); }

void TWinControl::WMSysColorChange(TMessage&) {
  SystemColorsChanged();
  PerformMessage(XM_SYS_COLOR_CHANGE);
}

void TWinControl::WMWinIniChange(TMessage& message) {
  PerformMessage(XM_WIN_INI_CHANGE, message.WParam, message.LParam);
}
void TWinControl::WMFontChange(TMessage&) { PerformMessage(XM_FONT_CHANGE); }
void TWinControl::WMTimeChange(TMessage&) { PerformMessage(XM_TIME_CHANGE); }

void TWinControl::WMImeComposition(TMessage& message) {
  FInImeComposition = message.Msg == WM_IME_STARTCOMPOSITION;
  Inherited<TWinControl>(message);
}

void TWinControl::WMSysCommand(TMessage& message) {
  const unsigned key = LOWORD(message.LParam);
  if ((message.WParam & 0xFFF0) == SC_KEYMENU && key != ' ' && key != '-' && !IsIconic(FHandle) &&
      !GetCapture() && AppHost().MainForm() != this)
    if (IFormHost* form = ParentFormOf(this))
      if (form->FormControl()->PerformMessage(XM_APP_SYS_COMMAND, 0, reinterpret_cast<long>(&message)) != 0)
        return;
  Inherited<TWinControl>(message);
}

void TWinControl::XMBroadcast(TMessage& message) { Broadcast(message); }

void TWinControl::XMPassToParent(TMessage& message) {
  if (Parent()) Parent()->WindowProc(message);
}

void TWinControl::XMEnter(TMessage&) { NotifyEnter(); }
void TWinControl::XMExit(TMessage&) { NotifyExit(); }

void TWinControl::NotifyEnter() {
  if (OnEnter.Assigned()) OnEnter(this);
}
void TWinControl::NotifyExit() {
  if (OnExit.Assigned()) OnExit(this);
}
void TWinControl::RevealChild(TControl*) {
  if (Parent()) Parent()->RevealChild(this);
}
void TWinControl::SetFocus() { RequireParentForm(this).FocusControl(this); }

// --- Palettes -----------------------------------------------------------------------------------

bool TControl::PaletteChanged(bool foreground) {
  HPALETTE palette = PaletteHandle();
  if (!palette) return false;
  HWND window;
  HDC dc = AcquireDeviceContext(window);
  HPALETTE old = SelectPalette(dc, palette, !foreground);
  if (RealizePalette(dc) != 0) Invalidate();
  SelectPalette(dc, old, TRUE);
  RealizePalette(dc);
  ReleaseDC(window, dc);
  return true;
}

bool TWinControl::PaletteChanged(bool foreground) {
  bool result = TControl::PaletteChanged(foreground);
  for (int i = ControlCount() - 1; i >= 0; --i) {
    if (foreground && result) break;
    result = Controls(i)->PaletteChanged(foreground) || result;
  }
  return result;
}

// --- Start-up -----------------------------------------------------------------------------------

namespace {

struct TCursorName {
  const char* Name;
  TCursor Value;
};
constexpr TCursorName CursorNames[] = {
    {"crDefault", crDefault},     {"crArrow", crArrow},     {"crCross", crCross},
    {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW}, {"crSizeNS", crSizeNS},
    {"crSizeNWSE", crSizeNWSE},   {"crSizeWE", crSizeWE},   {"crUpArrow", crUpArrow},
    {"crHourGlass", crHourGlass}, {"crDrag", crDrag},       {"crNoDrop", crNoDrop},
    {"crHSplit", crHSplit},       {"crVSplit", crVSplit},   {"crMultiDrag", crMultiDrag},
    {"crSQLWait", crSQLWait},     {"crNo", crNo},           {"crAppStart", crAppStart},
    {"crHelp", crHelp},           {"crSize", crSize},
};

bool IdentToCursor(const String& identifier, std::int32_t& value) {
  for (const TCursorName& c : CursorNames)
    if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, identifier.c_str(), -1, c.Name, -1) ==
        CSTR_EQUAL) {
      value = c.Value;
      return true;
    }
  return false;
}

bool CursorToIdent(std::int32_t value, String& identifier) {
  for (const TCursorName& c : CursorNames)
    if (c.Value == value) {
      identifier = c.Name;
      return true;
    }
  return false;
}

void DoneControls() {
  GlobalDeleteAtom(WindowAtom);
  GlobalDeleteAtom(ControlAtom);
  WindowAtom = ControlAtom = 0;
}

}  // namespace

void InitControls() {
  if (ControlAtom) return;
  WindowAtom = GlobalAddAtomA(Format("Corvex%.8X", {static_cast<unsigned>(GetCurrentProcessId())}).c_str());
  ControlAtom = GlobalAddAtomA(
      Format("ControlOfs%.8X%.8X", {static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr))),
                                     static_cast<unsigned>(GetCurrentThreadId())})
          .c_str());
  RegisterIdentConverter(&CursorTypeInfo, IdentToCursor, CursorToIdent);
  std::atexit(DoneControls);
}
