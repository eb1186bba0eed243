#include "Forms.h"

#include <algorithm>
#include <functional>

#include "Application.h"
#include "Density.h"
#include "Reader.h"
#include "Registry.h"
#include "Screen.h"
#include "Writer.h"

namespace {
constexpr const char* BorderStyleNames[] = {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                                            "bsSizeToolWin"};
constexpr const char* BorderIconNames[] = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};
constexpr const char* WindowStateNames[] = {"wsNormal", "wsMinimized", "wsMaximized"};
constexpr const char* FormStyleNames[] = {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"};
constexpr const char* PositionNames[] = {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                         "poScreenCenter"};
constexpr const char* PrintScaleNames[] = {"poNone", "poProportional", "poPrintToFit"};
constinit const TTypeInfo BorderIconTypeInfo = EnumType("TBorderIcon", BorderIconNames);
constinit const TTypeInfo CloseEventTypeInfo = MethodType<TCloseEvent>("TCloseEvent", "(Sender: TObject; var Action: TCloseAction)");
constinit const TTypeInfo CloseQueryEventTypeInfo =
    MethodType<TCloseQueryEvent>("TCloseQueryEvent", "(Sender: TObject; var CanClose: Boolean)");

bool NewShellStyle() { return LOBYTE(LOWORD(GetVersion())) > 3; }

// The process-wide count of focus changes: a focus message that changes it
// was overtaken by another focus change.
int FocusCount = 0;
}  // namespace

constinit const TTypeInfo FormBorderStyleTypeInfo = EnumType("TFormBorderStyle", BorderStyleNames);
constinit const TTypeInfo BorderStyleTypeInfo = EnumSubrange("TBorderStyle", FormBorderStyleTypeInfo, bsNone, bsSingle);
constinit const TTypeInfo BorderIconsTypeInfo = SetType("TBorderIcons", BorderIconTypeInfo);
constinit const TTypeInfo WindowStateTypeInfo = EnumType("TWindowState", WindowStateNames);
constinit const TTypeInfo FormStyleTypeInfo = EnumType("TFormStyle", FormStyleNames);
constinit const TTypeInfo PositionTypeInfo = EnumType("TPosition", PositionNames);
constinit const TTypeInfo PrintScaleTypeInfo = EnumType("TPrintScale", PrintScaleNames);
constinit const TTypeInfo ModalResultTypeInfo = IntegerType("TModalResult", otSLong, INT32_MIN, INT32_MAX);
TTypeInfo MainMenuTypeInfo = ClassTypeOf(&TComponent::ClassRec);
TTypeInfo MenuItemTypeInfo = ClassTypeOf(&TComponent::ClassRec);

template <>
struct TClassTables<TForm> {
  using F = TForm;
  using C = TControl;
  static constexpr auto Messages = MessageTable({
      MessageHandler<&F::WMPaint>(WM_PAINT),
      MessageHandler<&F::WMEraseBkgnd>(WM_ERASEBKGND),
      MessageHandler<&F::WMIconEraseBkgnd>(WM_ICONERASEBKGND),
      MessageHandler<&F::WMQueryDragIcon>(WM_QUERYDRAGICON),
      MessageHandler<&F::WMSize>(WM_SIZE),
      MessageHandler<&F::WMClose>(WM_CLOSE),
      MessageHandler<&F::WMQueryEndSession>(WM_QUERYENDSESSION),
      MessageHandler<&F::WMSysCommand>(WM_SYSCOMMAND),
      MessageHandler<&F::WMCommand>(WM_COMMAND),
      MessageHandler<&F::WMInitMenuPopup>(WM_INITMENUPOPUP),
      MessageHandler<&F::WMMenuSelect>(WM_MENUSELECT),
      MessageHandler<&F::WMEnterMenuLoop>(WM_ENTERMENULOOP),
      MessageHandler<&F::WMHelp>(WM_HELP),
      MessageHandler<&F::WMActivate>(WM_ACTIVATE),
      MessageHandler<&F::WMMDIActivate>(WM_MDIACTIVATE),
      MessageHandler<&F::WMShowWindow>(WM_SHOWWINDOW),
      MessageHandler<&F::WMWindowPosChanging>(WM_WINDOWPOSCHANGING),
      MessageHandler<&F::WMNCCreate>(WM_NCCREATE),
      MessageHandler<&F::WMDpiChanged>(WM_DPICHANGED_MSG),
      MessageHandler<&F::WMGetDpiScaledSize>(WM_GETDPISCALEDSIZE_MSG),
      MessageHandler<&F::WMDestroy>(WM_DESTROY),
      MessageHandler<&F::WMNextDlgCtl>(WM_NEXTDLGCTL),
      MessageHandler<&F::XMAppSysCommand>(XM_APP_SYS_COMMAND),
      MessageHandler<&F::XMColorChanged>(XM_COLOR_CHANGED),
      MessageHandler<&F::XMFontChanged>(XM_FONT_CHANGED),
      MessageHandler<&F::XMCtl3DChanged>(XM_CTL3D_CHANGED),
      MessageHandler<&F::XMTextChanged>(XM_TEXT_CHANGED),
      MessageHandler<&F::XMMenuChanged>(XM_MENU_CHANGED),
      MessageHandler<&F::XMIconChanged>(XM_ICON_CHANGED),
      MessageHandler<&F::XMRelease>(XM_RELEASE),
      MessageHandler<&F::XMActivate>(XM_ACTIVATE),
      MessageHandler<&F::XMDeactivate>(XM_DEACTIVATE),
      MessageHandler<&F::XMShowingChanged>(XM_SHOWING_CHANGED),
      MessageHandler<&F::XMDialogKey>(XM_DIALOG_KEY),
  });
  static constexpr TPropInfo Props[] = {
      Prop<&F::ActiveControl, &F::SetActiveControl>("ActiveControl", ClassTypeInfo<TWinControl>)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::BorderIcons, &F::SetBorderIcons>("BorderIcons", BorderIconsTypeInfo)
          .Default(7)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::BorderStyle, &F::SetBorderStyle>("BorderStyle", FormBorderStyleTypeInfo)
          .Default(bsSizeable)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::AutoScroll, &F::SetAutoScroll>("AutoScroll", BooleanTypeInfo)
          .Default(1)
          .StoredWhen<&F::IsAutoScrollStored>(),
      Prop<&C::Caption, &C::SetText>("Caption", CaptionTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&C::ClientHeight, &F::SetClientHeight>("ClientHeight", IntegerTypeInfo)
          .StoredWhen<&F::IsClientSizeStored>(),
      Prop<&C::ClientWidth, &F::SetClientWidth>("ClientWidth", IntegerTypeInfo)
          .StoredWhen<&F::IsClientSizeStored>(),
      Prop<&TWinControl::Ctl3D, &TWinControl::SetCtl3D>("Ctl3D", BooleanTypeInfo)
          .Default(1)
          .StoredWhen<&TWinControl::IsCtl3DStored>(),
      Prop<&C::Color, &C::SetColor>("Color", ColorTypeInfo).Default(clWindow).StoredWhen<&F::IsFormColorStored>(),
      Prop<&C::Enabled, &C::SetEnabled>("Enabled", BooleanTypeInfo).Default(1),
      Prop<&C::Font, &C::SetFont>("Font", ClassTypeInfo<TFont>).StoredWhen<&C::IsFontStored>(),
      Prop<&F::FormStyle, &F::SetFormStyle>("FormStyle", FormStyleTypeInfo)
          .Default(fsNormal)
          .StoredWhen<&F::IsForm>(),
      Prop<&C::Height, &C::SetHeight>("Height", IntegerTypeInfo).StoredWhen<&F::IsFormSizeStored>(),
      Prop<&F::HorzScrollBar, &F::SetHorzScrollBar>("HorzScrollBar", ClassTypeInfo<TControlScrollBar>)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::Icon, &F::SetIcon>("Icon", ClassTypeInfo<TIcon>).StoredWhen<&F::IsIconStored>(),
      Prop<&F::GetKeyPreview, &F::SetKeyPreview>("KeyPreview", BooleanTypeInfo)
          .Default(0)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::Menu, &F::SetMenu>("Menu", MainMenuTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::ObjectMenuItem, &F::SetObjectMenuItem>("ObjectMenuItem", MenuItemTypeInfo)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::PixelsPerInch, &F::SetPixelsPerInch>("PixelsPerInch", IntegerTypeInfo).Stored(false),
      Prop<&C::PopupMenu, &C::SetPopupMenu>("PopupMenu", PopupMenuTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::Position, &F::SetPosition>("Position", PositionTypeInfo)
          .Default(poDesigned)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::PrintScale, &F::SetPrintScale>("PrintScale", PrintScaleTypeInfo)
          .Default(poProportional)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::Scaled, &F::SetScaled>("Scaled", BooleanTypeInfo).Default(1).StoredWhen<&F::IsForm>(),
      Prop<&C::ShowHint, &C::SetShowHint>("ShowHint", BooleanTypeInfo).StoredWhen<&C::IsShowHintStored>(),
      Prop<&F::VertScrollBar, &F::SetVertScrollBar>("VertScrollBar", ClassTypeInfo<TControlScrollBar>)
          .StoredWhen<&F::IsForm>(),
      Prop<&C::Visible, &C::SetVisible>("Visible", BooleanTypeInfo).Default(0),
      Prop<&C::Width, &C::SetWidth>("Width", IntegerTypeInfo).StoredWhen<&F::IsFormSizeStored>(),
      Prop<&F::WindowMenu, &F::SetWindowMenu>("WindowMenu", MenuItemTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::WindowState, &F::SetWindowState>("WindowState", WindowStateTypeInfo)
          .Default(wsNormal)
          .StoredWhen<&F::IsForm>(),
      Prop<&F::OnActivate>("OnActivate", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&C::OnClick>("OnClick", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnClose>("OnClose", CloseEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnCloseQuery>("OnCloseQuery", CloseQueryEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnCreate>("OnCreate", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&C::OnDblClick>("OnDblClick", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnDestroy>("OnDestroy", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnDeactivate>("OnDeactivate", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&C::OnDragDrop>("OnDragDrop", DragDropEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&C::OnDragOver>("OnDragOver", DragOverEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnHide>("OnHide", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&TWinControl::OnKeyDown>("OnKeyDown", KeyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&TWinControl::OnKeyPress>("OnKeyPress", KeyPressEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&TWinControl::OnKeyUp>("OnKeyUp", KeyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&C::OnMouseDown>("OnMouseDown", MouseEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&C::OnMouseMove>("OnMouseMove", MouseMoveEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&C::OnMouseUp>("OnMouseUp", MouseEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnPaint>("OnPaint", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnResize>("OnResize", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
      Prop<&F::OnShow>("OnShow", NotifyEventTypeInfo).StoredWhen<&F::IsForm>(),
  };
};

SONDREL_PUBLISHED_MESSAGE_CLASS(TForm, TScrollingWinControl, "Forms", TClassTables<TForm>::Messages,
                                {.Props = TClassTables<TForm>::Props, .Create = &NewComponent<TForm>});

template <>
struct TClassTables<TScrollBox> {
  using B = TScrollBox;
  using S = TScrollingWinControl;
  using C = TControl;
  using W = TWinControl;
  static constexpr TPropInfo Props[] = {
      Prop<&C::Align, &C::SetAlign>("Align", AlignTypeInfo).Default(alNone),
      Prop<&S::AutoScroll, &S::SetAutoScroll>("AutoScroll", BooleanTypeInfo).Default(1),
      Prop<&B::BorderStyle, &B::SetBorderStyle>("BorderStyle", BorderStyleTypeInfo).Default(bsSingle),
      Prop<&C::Color, &C::SetColor>("Color", ColorTypeInfo).Default(clWindow).StoredWhen<&C::IsColorStored>(),
      Prop<&W::Ctl3D, &W::SetCtl3D>("Ctl3D", BooleanTypeInfo).StoredWhen<&W::IsCtl3DStored>(),
      Prop<&C::DragCursor, &C::SetDragCursor>("DragCursor", CursorTypeInfo).Default(crDrag),
      Prop<&C::DragMode, &C::SetDragMode>("DragMode", DragModeTypeInfo).Default(dmManual),
      Prop<&C::Enabled, &C::SetEnabled>("Enabled", BooleanTypeInfo).Default(1),
      Prop<&C::Font, &C::SetFont>("Font", ClassTypeInfo<TFont>).StoredWhen<&C::IsFontStored>(),
      Prop<&S::HorzScrollBar, &S::SetHorzScrollBar>("HorzScrollBar", ClassTypeInfo<TControlScrollBar>),
      Prop<&C::ParentColor, &C::SetParentColor>("ParentColor", BooleanTypeInfo).Default(0),
      Prop<&W::ParentCtl3D, &W::SetParentCtl3D>("ParentCtl3D", BooleanTypeInfo).Default(1),
      Prop<&C::ParentFont, &C::SetParentFont>("ParentFont", BooleanTypeInfo).Default(1),
      Prop<&C::ParentShowHint, &C::SetParentShowHint>("ParentShowHint", BooleanTypeInfo).Default(1),
      Prop<&C::PopupMenu, &C::SetPopupMenu>("PopupMenu", PopupMenuTypeInfo),
      Prop<&C::ShowHint, &C::SetShowHint>("ShowHint", BooleanTypeInfo).StoredWhen<&C::IsShowHintStored>(),
      Prop<&W::TabOrder, &W::SetTabOrder>("TabOrder", TabOrderTypeInfo).Default(-1),
      Prop<&W::TabStop, &W::SetTabStop>("TabStop", BooleanTypeInfo).Default(0),
      Prop<&S::VertScrollBar, &S::SetVertScrollBar>("VertScrollBar", ClassTypeInfo<TControlScrollBar>),
      Prop<&C::Visible, &C::SetVisible>("Visible", BooleanTypeInfo).Default(1),
      Prop<&C::OnClick>("OnClick", NotifyEventTypeInfo),
      Prop<&C::OnDblClick>("OnDblClick", NotifyEventTypeInfo),
      Prop<&C::OnDragDrop>("OnDragDrop", DragDropEventTypeInfo),
      Prop<&C::OnDragOver>("OnDragOver", DragOverEventTypeInfo),
      Prop<&C::OnEndDrag>("OnEndDrag", EndDragEventTypeInfo),
      Prop<&W::OnEnter>("OnEnter", NotifyEventTypeInfo),
      Prop<&W::OnExit>("OnExit", NotifyEventTypeInfo),
      Prop<&C::OnMouseDown>("OnMouseDown", MouseEventTypeInfo),
      Prop<&C::OnMouseMove>("OnMouseMove", MouseMoveEventTypeInfo),
      Prop<&C::OnMouseUp>("OnMouseUp", MouseEventTypeInfo),
      Prop<&C::OnStartDrag>("OnStartDrag", StartDragEventTypeInfo),
  };
};
SONDREL_PUBLISHED_CLASS(TScrollBox, TScrollingWinControl, "Forms",
                        {.Props = TClassTables<TScrollBox>::Props, .Create = &NewComponent<TScrollBox>});

TScrollBox::TScrollBox(const TOwner& owner) : TScrollingWinControl(owner) {
  SetControlStyle(csAcceptsChildren | csCapturesMouse | csClickEvents | csDoubleClicks);
  SetBounds(Left(), Top(), 185, 41);
  SetColor(clWindow);
  SetParentColor(false);
}

void TScrollBox::SetBorderStyle(TFormBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  RecreateWindow();
}

void TScrollBox::FillCreateParams(TCreateParams& params) {
  TScrollingWinControl::FillCreateParams(params);
  if (FBorderStyle != bsSingle) return;
  if (NewShellStyle() && Ctl3D())
    params.ExStyle |= WS_EX_CLIENTEDGE;  // a sunken edge instead of the line
  else
    params.Style |= WS_BORDER;
}

TForm* GetParentForm(const TControl* control) {
  IFormHost* host = ParentFormOf(control);
  TWinControl* form = host ? host->FormControl() : nullptr;
  return form && form->Is<TForm>() ? static_cast<TForm*>(form) : nullptr;
}

// --- Construction and destruction ---------------------------------------------------------------

TForm::TForm(const TOwner& owner)
    : TScrollingWinControl(owner), FCanvas(std::make_unique<TControlCanvas>()), FIcon(std::make_unique<TIcon>()) {
  SetControlStyle(csAcceptsChildren | csCapturesMouse | csClickEvents | csCaptionFollowsName | csDoubleClicks);
  SetBounds(0, 0, 320, 240);
  SetVisible(false);
  SetParentColor(false);
  SetParentFont(false);
  SetCtl3D(true);
  FIcon->OnChange = TNotifyEvent::Of<&TForm::IconChanged>(this);
  FCanvas->SetControl(this);
  FPixelsPerInch = Screen->PixelsPerInch();
  Screen->AddForm(this);
}

void TForm::AfterConstruction() {
  if (ClassType() != TForm::StaticClass()) {
    FFormFlags |= ffCreating;
    try {
      if (!LoadInheritedDefinitions(this, TForm::StaticClass()))
        throw EResNotFound(TResId::ResourceNotFound, {ClassName()});
    } catch (...) {
      FFormFlags &= ~ffCreating;
      throw;
    }
    FFormFlags &= ~ffCreating;
  }
  if (OnCreate.Assigned()) {
    try {
      OnCreate(this);
    } catch (...) {
      Application->HandleException(this);
    }
  }
  if (FFormFlags & ffShowRequested) SetVisible(true);
}

TForm::~TForm() {
  // Before destruction: the form is hidden and tells OnDestroy.
  MarkDestroying();
  DiscardFixups(this, String());
  if (!IsMDIChild()) {
    try {
      Hide();
    } catch (...) {
      Application->HandleException(this);
    }
  }
  if (OnDestroy.Assigned()) {
    try {
      OnDestroy(this);
    } catch (...) {
      Application->HandleException(this);
    }
  }
  MergeMenu(false);
  if (HandleAllocated()) {
    FreeDeviceContexts();
    DestroyPlatformWindow();
  }
  Screen->RemoveForm(this);
  FCanvas.reset();
  FIcon.reset();
  delete FMenu;
  FMenu = nullptr;
}

void TForm::Release() { PostMessageA(Handle(), XM_RELEASE, 0, 0); }

void TForm::XMRelease(TMessage&) { delete this; }

// --- Closing ------------------------------------------------------------------------------------

bool TForm::CloseQuery() {
  if (FFormStyle == fsMDIForm)
    for (int i = 0; i < Screen->FormCount(); ++i)
      if (TForm* f = Screen->Forms(i); f->IsMDIChild() && !f->CloseQuery()) return false;
  bool canClose = true;
  if (OnCloseQuery.Assigned()) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (FFormFlags & ffModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = !IsMDIChild() ? caHide : (FBorderIcons & (1 << biMinimize)) ? caMinimize : caNone;
  if (OnClose.Assigned()) OnClose(this, action);
  if (action == caNone) return;
  if (Application->GetMainForm() == this) {
    Application->Terminate();  // whatever the action
    return;
  }
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
  }
}

TModalResult TForm::ShowModal() {
  if (Visible() || !Enabled() || (FFormFlags & ffModal) || IsMDIChild())
    throw EInvalidOperation(TResId::CannotShowModal);
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  const HWND active = GetActiveWindow();
  TDisabledWindow* disabled = DisableThreadWindows(nullptr);
  FFormFlags |= ffModal;
  auto restore = [&] {
    FFormFlags &= ~ffModal;
    EnableThreadWindows(disabled);
    if (active && IsWindow(active)) SetActiveWindow(active);
  };
  TModalResult result;
  try {
    Show();
    FModalResult = mrNone;
    do {
      try {
        Application->HandleNextMessage();
      } catch (...) {
        Application->HandleException(this);
      }
      if (Application->Terminated()) {
        FModalResult = mrCancel;
      } else if (FModalResult != mrNone) {
        try {
          CloseModal();
        } catch (...) {
          FModalResult = mrNone;  // a close that failed leaves the form open
          Application->HandleException(this);
        }
      }
    } while (FModalResult == mrNone);
    result = FModalResult;
    Hide();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

void TForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    if (OnClose.Assigned()) OnClose(this, action);
  }
  if (action == caNone)
    FModalResult = mrNone;
  else if (action == caFree)
    Release();
}

void TForm::WMClose(TMessage&) { Close(); }

void TForm::WMQueryEndSession(TMessage& message) { message.Result = CloseQuery(); }

// --- Visibility and showing ---------------------------------------------------------------------

void TForm::SetVisible(bool value) {
  if (FFormFlags & ffCreating) {
    // Honoured once OnCreate has run.
    if (value)
      FFormFlags |= ffShowRequested;
    else
      FFormFlags &= ~ffShowRequested;
    return;
  }
  if (value != Visible() && IsMDIChild() && Visible()) throw EInvalidOperation(TResId::CannotHideMDIChild);
  TScrollingWinControl::SetVisible(value);
}

void TForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TForm::XMShowingChanged(TMessage&) {
  const bool designing = ComponentState() & stDesigning;
  if (!designing && (FFormFlags & ffInShowHide)) throw EInvalidOperation(TResId::VisibleChangedInShow);
  FFormFlags |= ffInShowHide;
  try {
    if (!designing) ShowingChanged();
  } catch (...) {
    FFormFlags &= ~ffInShowHide;
    throw;
  }
  FFormFlags &= ~ffInShowHide;
}

void TForm::ShowingChanged() {
  static constexpr int ShowCommands[] = {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};
  if (Showing()) {
    try {
      NotifyShow();
    } catch (...) {
      Application->HandleException(this);
    }
    if (FPosition == poScreenCenter) {
      int w = Screen->Width(), h = Screen->Height();
      if (IsMDIChild() && Application->GetMainForm()) {
        w = Application->GetMainForm()->ClientWidth();
        h = Application->GetMainForm()->ClientHeight();
      }
      SetBounds(std::max((w - Width()) / 2, 0), std::max((h - Height()) / 2, 0), Width(), Height());
    }
    FPosition = poDesigned;  // centring happens on the first showing only
    if (IsMDIChild()) {
      if (FWindowState == wsMaximized) {
        SendMessageA(Application->GetMainForm()->ClientHandle(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(Handle()), 0);
        ShowWindow(Handle(), SW_SHOWMAXIMIZED);
      } else {
        ShowWindow(Handle(), ShowCommands[FWindowState]);
        CallWindowProcA(DefMDIChildProcA, Handle(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(Width(), Height()));
        Realign();
      }
      RefreshMDIMenu();
    } else {
      ShowWindow(Handle(), ShowCommands[FWindowState]);
    }
    return;
  }
  try {
    NotifyHide();
  } catch (...) {
    Application->HandleException(this);
  }
  if (Screen->ActiveForm() == this) MergeMenu(false);
  if (IsMDIChild()) {
    DestroyHandle();
  } else if (FFormFlags & ffModal) {
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  } else {
    HWND other = nullptr;
    if (Handle() == GetActiveWindow() && !IsIconic(Handle())) other = FindFocusableWindow(Handle());
    if (other) {
      SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
      SetActiveWindow(other);
    } else {
      ShowWindow(Handle(), SW_HIDE);
    }
  }
}

void TForm::WMShowWindow(TMessage& message) {
  switch (message.LParam) {
    case SW_PARENTCLOSING:
      FSavedShowState = IsIconic(Handle()) ? 2 : IsZoomed(Handle()) ? 3 : 1;
      Inherited<TForm>(message);
      break;
    case SW_PARENTOPENING:
      if (FSavedShowState) {
        static constexpr int Commands[] = {0, SW_SHOWNOACTIVATE, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};
        ShowWindow(Handle(), Commands[FSavedShowState]);
        FSavedShowState = 0;
      }
      break;
    default:
      Inherited<TForm>(message);
      break;
  }
}

// --- Focus --------------------------------------------------------------------------------------

void TForm::SetFocus() {
  if (FActive) return;
  if (!Visible() || !Enabled()) throw EInvalidOperation(TResId::CannotFocus);
  SetWindowFocus();
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  if (control && (control == this || GetParentForm(control) != this || !control->CanFocus()))
    throw EInvalidOperation(TResId::CannotFocus);
  FActiveControl = control;
  if (FActive) SetWindowFocus();
  ActiveControlChanged();
}

void TForm::FocusControl(TWinControl* control) {
  const bool wasActive = FActive;
  SetActiveControl(control);
  if (!wasActive) SetFocus();
}

void TForm::DefocusControl(TWinControl* control, bool removing) {
  if (removing && control->ContainsControl(FFocusedControl)) FFocusedControl = control->Parent();
  if (control->ContainsControl(FActiveControl)) SetActiveControl(nullptr);
}

void TForm::CancelActiveModes(TControl* sender) {
  if (FActive && FActiveControl)
    FActiveControl->PerformMessage(XM_CANCEL_MODE, 0, reinterpret_cast<long>(sender));
  if (FFormStyle == fsMDIForm && HandleAllocated() && FClientHandle)
    if (auto* child = FindControl(reinterpret_cast<HWND>(SendMessageA(FClientHandle, WM_MDIGETACTIVE, 0, 0))))
      if (TForm* form = GetParentForm(child)) form->CancelActiveModes(sender);
}

bool TForm::SendFocusMessage(TControl* control, unsigned msg) {
  const int count = FocusCount;
  auto* windowed = static_cast<TWinControl*>(control);
  SendMessageA(windowed->Handle(), msg, 0, 0);
  return FocusCount == count;
}

bool TForm::SetFocusedControl(TWinControl* control) {
  ++FocusCount;
  FActiveControl = control == this ? nullptr : control;
  Screen->SetActiveControl(control);
  Screen->SetActiveForm(this);
  Screen->MoveFormToFront(this);
  if (control->ControlState() & csFocusing) return false;
  control->IncludeControlState(csFocusing);
  struct TClearFocusing {
    TWinControl* Control;
    ~TClearFocusing() { Control->ExcludeControlState(csFocusing); }
  } clear{control};
  if (Screen->FocusedForm() != this) {
    if (TForm* old = Screen->FocusedForm()) {
      Screen->SetFocusedForm(nullptr);
      if (!SendFocusMessage(old, XM_DEACTIVATE)) return false;
    }
    Screen->SetFocusedForm(this);
    if (!SendFocusMessage(this, XM_ACTIVATE)) return false;
  }
  if (!FFocusedControl) FFocusedControl = this;
  if (FFocusedControl != control) {
    // Leave the old chain up to the common ancestor, innermost first ...
    while (FFocusedControl && !FFocusedControl->ContainsControl(control)) {
      if (!SendFocusMessage(FFocusedControl, XM_EXIT)) return false;
      FFocusedControl = FFocusedControl->Parent();
    }
    // ... then enter the new one, outermost first.
    while (FFocusedControl != control) {
      TWinControl* next = control;
      while (next->Parent() != FFocusedControl) next = next->Parent();
      FFocusedControl = next;
      if (!SendFocusMessage(next, XM_ENTER)) return false;
    }
    for (TWinControl* p = control->Parent(); p; p = p->Parent())
      if (p->Is<TScrollingWinControl>()) static_cast<TScrollingWinControl*>(p)->ScrollIntoView(control);
    PerformMessage(XM_FOCUS_CHANGED, 0, reinterpret_cast<long>(control));
  }
  Screen->NotifyChanges();
  return true;
}

void TForm::SetWindowFocus() {
  TWinControl* target = FActiveControl ? FActiveControl : this;
  ::SetFocus(target->Handle());
  if (GetFocus() == target->Handle()) target->PerformMessage(XM_FORM_FOCUSED);
}

void TForm::SetActive(bool value) {
  FActive = value;
  if (!value) return;
  if (!FActiveControl && !(ComponentState() & stDesigning))
    SetActiveControl(FindNextControl(nullptr, true, true, false));
  MergeMenu(true);
  SetWindowFocus();
}

void TForm::WMActivate(TMessage& message) {
  Inherited<TForm>(message);
  if (FFormStyle == fsMDIForm && !(ComponentState() & stDesigning)) return;
  SetActive(LOWORD(message.WParam) != WA_INACTIVE);
}

void TForm::WMMDIActivate(TMessage& message) {
  Inherited<TForm>(message);
  if (!IsMDIChild()) return;
  const bool active = reinterpret_cast<HWND>(message.LParam) == Handle();
  TForm* main = Application->GetMainForm();
  if (active && main && (main->ControlState() & csPaletteOwner)) main->PaletteChanged(true);
  SetActive(active);
}

bool TForm::PassFocusOn() {
  if (ComponentState() & stDesigning) return false;
  HWND target = nullptr;
  if (FFormStyle == fsMDIForm && FClientHandle)
    target = reinterpret_cast<HWND>(SendMessageA(FClientHandle, WM_MDIGETACTIVE, 0, 0));
  else if (FActiveControl && FActiveControl != this)
    target = FActiveControl->Handle();
  if (!target) return false;
  ::SetFocus(target);
  return true;
}

void TForm::XMActivate(TMessage&) { NotifyActivate(); }
void TForm::XMDeactivate(TMessage&) { NotifyDeactivate(); }

void TForm::NotifyActivate() {
  if (OnActivate.Assigned()) OnActivate(this);
}
void TForm::NotifyDeactivate() {
  if (OnDeactivate.Assigned()) OnDeactivate(this);
}
void TForm::NotifyHide() {
  if (OnHide.Assigned()) OnHide(this);
}
void TForm::NotifyShow() {
  if (OnShow.Assigned()) OnShow(this);
}
void TForm::Paint() {
  if (OnPaint.Assigned()) OnPaint(this);
}
void TForm::NotifyResize() {
  if (OnResize.Assigned()) OnResize(this);
}

// Tab and the arrow keys move the focus (unless Alt is held); the other
// dialog keys are offered to the controls.
void TForm::XMDialogKey(TMessage& message) {
  if (GetKeyState(VK_MENU) >= 0) {
    const unsigned key = message.WParam;
    if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
      SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
      message.Result = 1;
      return;
    }
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) {
      if (FActiveControl) {
        FActiveControl->Parent()->SelectNext(FActiveControl, key == VK_RIGHT || key == VK_DOWN, false);
        message.Result = 1;
      }
      return;
    }
  }
  Inherited<TForm>(message);
}

void TForm::WMNextDlgCtl(TMessage& message) {
  if (message.LParam)
    ::SetFocus(reinterpret_cast<HWND>(message.WParam));
  else
    SelectNext(FActiveControl, message.WParam == 0, true);
}

// --- Window styles --------------------------------------------------------------------------------

void TForm::FillCreateParams(TCreateParams& params) {
  TScrollingWinControl::FillCreateParams(params);
  if (!Parent() && !ParentWindow()) {
    params.WndParent = Application->Handle();
    params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
  }
  params.WindowClass.style = CS_DBLCLKS;
  if (ComponentState() & stDesigning) {
    params.Style |= WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    return;
  }
  if (FPosition == poDefault || FPosition == poDefaultPosOnly) params.X = params.Y = CW_USEDEFAULT;
  TBorderIcons icons = FBorderIcons;
  TFormBorderStyle style = FBorderStyle;
  if (IsMDIChild() && (style == bsNone || style == bsDialog)) style = bsSizeable;
  switch (style) {
    case bsNone:
      if (!Parent() && !ParentWindow()) params.Style |= WS_POPUP;
      icons = 0;
      break;
    case bsSingle:
    case bsToolWindow:
      params.Style |= WS_CAPTION;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_THICKFRAME;
      if (FPosition == poDefault || FPosition == poDefaultSizeOnly) params.Width = params.Height = CW_USEDEFAULT;
      break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION;
      if (!NewShellStyle()) params.Style |= DS_MODALFRAME;
      params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      params.WindowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
      icons &= (1 << biSystemMenu) | (1 << biHelp);
      break;
  }
  if (style == bsToolWindow || style == bsSizeToolWin) {
    params.ExStyle = WS_EX_TOOLWINDOW;
    icons &= 1 << biSystemMenu;
  }
  if (style == bsSingle || style == bsSizeable) {
    if (!(IsMDIChild() && !(icons & (1 << biSystemMenu)))) {
      if (icons & (1 << biMinimize)) params.Style |= WS_MINIMIZEBOX;
      if (icons & (1 << biMaximize)) params.Style |= WS_MAXIMIZEBOX;
    }
    if (FWindowState == wsMinimized) params.Style |= WS_MINIMIZE;
    if (FWindowState == wsMaximized) params.Style |= WS_MAXIMIZE;
  } else {
    FWindowState = wsNormal;
  }
  if (icons & (1 << biSystemMenu)) params.Style |= WS_SYSMENU;
  if (icons & (1 << biHelp)) params.ExStyle |= WS_EX_CONTEXTHELP;
  if (IsMDIChild()) params.WindowClass.lpfnWndProc = DefMDIChildProcA;
}

void TForm::CreatePlatformWindow(const TCreateParams& params) {
  if (!IsMDIChild()) {
    TScrollingWinControl::CreatePlatformWindow(params);
    return;
  }
  TForm* main = Application->GetMainForm();
  if (!main || !main->FClientHandle) throw EInvalidOperation(TResId::NoActiveMDIForm);
  MDICREATESTRUCTA create{params.WinClassName, params.Caption, GetModuleHandleA(nullptr), params.X, params.Y,
                          params.Width, params.Height, params.Style, reinterpret_cast<LPARAM>(params.Param)};
  SendMessageA(main->FClientHandle, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create));
  FFormFlags |= ffMdiCreated;
}

void TForm::BuildWindow() {
  TScrollingWinControl::BuildWindow();
  if (NewShellStyle())
    SendMessageA(Handle(), WM_SETICON, ICON_BIG,
                 FBorderStyle == bsDialog ? 0 : reinterpret_cast<LPARAM>(CurrentIcon()));
  if (ComponentState() & stDesigning) return;
  if (FFormStyle == fsMDIForm) {
    CLIENTCREATESTRUCT data{nullptr, 0xFF00};
    if (auto* item = dynamic_cast<IMenuItem*>(FWindowMenu)) data.hWindowMenu = item->Handle();
    RECT r;
    GetClientRect(Handle(), &r);
    FClientHandle = CreateWindowExA(0, "MDICLIENT", nullptr, 0x56330001, 0, 0, r.right, r.bottom, Handle(),
                                    nullptr, GetModuleHandleA(nullptr), &data);
    FDefClientProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(FClientHandle, GWLP_WNDPROC));
    BindWindowMethod(FClientHandle, TEvent<TMessage&>::Of<&TForm::FrameClientWindowProc>(this));
  }
  if (FFormStyle == fsStayOnTop)
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // A window made on a screen of another density than the one the form was
  // laid out for takes that screen's layout.
  if (ScalesWithDensity() && !(ComponentState() & stLoading)) {
    const int dpi = Screen->PixelsPerInchOf(this);
    if (dpi != PixelsPerInch()) {
      const SIZE size = SizeAtDensity(dpi);
      RescaleToDensity(dpi);
      SetBounds(Left(), Top(), size.cx, size.cy);
    }
  }
}

// The MDI client window fills its background with the form's brush and lets
// mouse hit tests through to the frame.
void TForm::FrameClientWindowProc(TMessage& message) {
  if (message.Msg == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(FClientHandle, &r);
    FillRect(reinterpret_cast<HDC>(message.WParam), &r, Brush()->Handle());
    message.Result = 1;
    return;
  }
  message.Result = CallWindowProcA(FDefClientProc, FClientHandle, message.Msg, message.WParam, message.LParam);
  if (message.Msg == WM_NCHITTEST && message.Result == HTCLIENT) message.Result = HTTRANSPARENT;
  if (message.Msg == WM_NCDESTROY) UnbindWindowMethod(FClientHandle);
}

void TForm::DestroyPlatformWindow() {
  if (IsMDIChild() && (FFormFlags & ffMdiCreated)) {
    HWND window = Handle();
    if (TForm* main = Application->GetMainForm(); main && main->FClientHandle)
      SendMessageA(main->FClientHandle, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
    else
      DestroyWindow(window);
    FFormFlags &= ~ffMdiCreated;
    return;
  }
  TScrollingWinControl::DestroyPlatformWindow();
  FClientHandle = nullptr;
}

void TForm::DefaultHandler(TMessage& message) {
  if (HandleAllocated() && FClientHandle && message.Msg != WM_SIZE && message.Msg < XM_BASE) {
    message.Result = DefFrameProcA(Handle(), FClientHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  TScrollingWinControl::DefaultHandler(message);
}

void TForm::HandleMessage(TMessage& message) {
  // Dropped while the application forwards a system command to the main form.
  if (!FocusMessages && (message.Msg == WM_SETFOCUS || message.Msg == WM_KILLFOCUS || message.Msg == WM_ACTIVATE))
    return;
  // The focus passes through the form's own window on its way to the control
  // that keeps it (the platform's activation focuses the form first): it is
  // handed on before the form would note itself as the focused control,
  // which would clear ActiveControl.
  if (message.Msg == WM_SETFOCUS && PassFocusOn()) return;
  TScrollingWinControl::HandleMessage(message);
}

void TForm::RecreateUnlessDesigning() {
  if (!(ComponentState() & stDesigning)) RecreateWindow();
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  SetAutoScroll(value == bsSizeable || value == bsSizeToolWin);
  RecreateUnlessDesigning();
}

void TForm::SetBorderIcons(TBorderIcons value) {
  if (value == FBorderIcons) return;
  FBorderIcons = value;
  RecreateUnlessDesigning();
}

void TForm::SetPosition(TPosition value) {
  if (value == FPosition) return;
  FPosition = value;
  RecreateUnlessDesigning();
}

void TForm::SetWindowState(TWindowState value) {
  if (value == FWindowState) return;
  FWindowState = value;
  static constexpr int Commands[] = {SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMAXIMIZED};
  if (!(ComponentState() & stDesigning) && Showing()) ShowWindow(Handle(), Commands[value]);
}

void TForm::SetFormStyle(TFormStyle value) {
  if (value == FFormStyle) return;
  const TFormStyle old = FFormStyle;
  if (value == fsMDIChild && FPosition == poDesigned) SetPosition(poDefault);
  const bool designing = ComponentState() & stDesigning;
  if (!designing) DestroyHandle();
  FFormStyle = value;
  if ((value == fsMDIForm || old == fsMDIForm) && !Ctl3D()) SetColor(value == fsMDIForm ? clAppWorkSpace : clWindow);
  if (!designing) UpdateControlState();
  if (value == fsMDIChild) SetVisible(true);
}

void TForm::WMNCCreate(TMessage& message) {
  Inherited<TForm>(message);
  ApplyMenu();
  if ((ComponentState() & stDesigning) || FBorderStyle == bsNone || !(FBorderIcons & (1 << biSystemMenu)) ||
      IsMDIChild())
    return;
  HMENU system = GetSystemMenu(Handle(), FALSE);
  if (FBorderStyle == bsDialog) {
    DeleteMenu(system, SC_TASKLIST, MF_BYCOMMAND);
    DeleteMenu(system, 7, MF_BYPOSITION);
    DeleteMenu(system, 5, MF_BYPOSITION);
    for (UINT command : {SC_MAXIMIZE, SC_MINIMIZE, SC_SIZE, SC_RESTORE}) DeleteMenu(system, command, MF_BYCOMMAND);
  } else {
    if (!(FBorderIcons & (1 << biMinimize))) EnableMenuItem(system, SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
    if (!(FBorderIcons & (1 << biMaximize))) EnableMenuItem(system, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
  }
}

void TForm::WMDestroy(TMessage& message) {
  if (NewShellStyle()) SendMessageA(Handle(), WM_SETICON, ICON_BIG, 0);
  if (IMainMenu* menu = MainMenu(); menu && !IsMDIChild()) {
    ::SetMenu(Handle(), nullptr);
    menu->SetWindowHandle(nullptr);
  }
  Inherited<TForm>(message);
}

void TForm::WMWindowPosChanging(TMessage& message) {
  if ((ComponentState() & stLoading) && !(ComponentState() & stDesigning)) {
    auto* pos = reinterpret_cast<WINDOWPOS*>(message.LParam);
    // The platform's default position and size stay.
    if ((FPosition == poDefault || FPosition == poDefaultPosOnly) && FWindowState != wsMaximized)
      pos->flags |= SWP_NOMOVE;
    if (FPosition == poDefault || FPosition == poDefaultSizeOnly) pos->flags |= SWP_NOSIZE;
  }
  Inherited<TForm>(message);
}

// --- Icon ---------------------------------------------------------------------------------------

HICON TForm::CurrentIcon() { return FIcon->Empty() ? Application->CurrentIcon() : FIcon->Handle(); }

void TForm::IconChanged(TObject*) {
  if (NewShellStyle()) {
    if (HandleAllocated() && FBorderStyle != bsDialog)
      SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(CurrentIcon()));
  } else if (HandleAllocated() && IsIconic(Handle())) {
    InvalidateRect(Handle(), nullptr, TRUE);
  }
}

void TForm::XMIconChanged(TMessage&) {
  if (FIcon->Empty()) IconChanged(this);
}

void TForm::WMQueryDragIcon(TMessage& message) { message.Result = reinterpret_cast<long>(CurrentIcon()); }

// --- Painting -----------------------------------------------------------------------------------

void TForm::WMPaint(TMessage& message) {
  if (HandleAllocated() && IsIconic(Handle())) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    DrawIcon(dc, 0, 0, CurrentIcon());
    EndPaint(Handle(), &paint);
  } else {
    PaintHandler(message);  // so that OnPaint runs also on a form without children
  }
}

void TForm::PaintSurface(HDC dc) {
  FCanvas->SetHandle(dc);
  try {
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    throw;
  }
  FCanvas->SetHandle(nullptr);
}

void TForm::WMEraseBkgnd(TMessage& message) {
  if (HandleAllocated() && IsIconic(Handle())) {
    message.Msg = WM_ICONERASEBKGND;
    DefaultHandler(message);
  } else {
    Inherited<TForm>(message);
  }
}

void TForm::WMIconEraseBkgnd(TMessage& message) {
  if (!IsMDIChild()) return;
  if (ComponentState() & stDesigning) {
    DefaultHandler(message);
  } else if (TForm* main = Application->GetMainForm()) {
    RECT r = ClientRect();
    FillRect(reinterpret_cast<HDC>(message.WParam), &r, main->Brush()->Handle());
  }
}

void TForm::XMColorChanged(TMessage& message) {
  Inherited<TForm>(message);
  if (FCanvas) FCanvas->Brush()->SetColor(Color());
}

void TForm::XMFontChanged(TMessage& message) {
  Inherited<TForm>(message);
  if (FCanvas) FCanvas->SetFont(Font());
}

void TForm::XMCtl3DChanged(TMessage& message) {
  Inherited<TForm>(message);
  const TColor normal = FFormStyle == fsMDIForm ? clAppWorkSpace : clWindow;
  if (Ctl3D() && Color() == normal)
    SetColor(clBtnFace);
  else if (!Ctl3D() && Color() == clBtnFace)
    SetColor(normal);
}

void TForm::XMTextChanged(TMessage& message) {
  Inherited<TForm>(message);
  if (IsMDIChild()) RefreshMDIMenu();
}

// --- Size, scaling and the form definition ----------------------------------------------------------

void TForm::WMSize(TMessage& message) {
  Inherited<TForm>(message);
  if (!(ComponentState() & stDesigning)) {
    switch (message.WParam) {
      case SIZE_RESTORED: FWindowState = wsNormal; break;
      case SIZE_MINIMIZED: FWindowState = wsMinimized; break;
      case SIZE_MAXIMIZED: FWindowState = wsMaximized; break;
      default: break;
    }
  }
  if (!(ComponentState() & stLoading)) NotifyResize();
  CalcAutoRange();
}

RECT TForm::ClientRect() {
  if (!HandleAllocated() || !IsIconic(Handle())) return TScrollingWinControl::ClientRect();
  RECT grown{0, 0, 0, 0};
  AdjustWindowRectEx(&grown, GetWindowLongA(Handle(), GWL_STYLE), FMenu != nullptr,
                     GetWindowLongA(Handle(), GWL_EXSTYLE));
  return {0, 0, Width() - (grown.right - grown.left), Height() - (grown.bottom - grown.top)};
}

int TForm::PixelsPerInch() const { return FPixelsPerInch ? FPixelsPerInch : Screen->PixelsPerInch(); }

void TForm::SetPixelsPerInch(int value) {
  if (value == PixelsPerInch() || (value != 0 && value <= 35)) return;
  if ((ComponentState() & stLoading) && FPixelsPerInch == 0) return;
  FPixelsPerInch = value;
}

void TForm::SetScaled(bool value) { FPixelsPerInch = value ? Screen->PixelsPerInch() : 0; }

void TForm::SetClientWidth(int value) {
  if (ControlState() & csReadingState) {
    FPendingClientWidth = value;
    SetScalingFlags(ScalingFlags() | sfWidth);
  } else {
    TScrollingWinControl::SetClientWidth(value);
  }
}

void TForm::SetClientHeight(int value) {
  if (ControlState() & csReadingState) {
    FPendingClientHeight = value;
    SetScalingFlags(ScalingFlags() | sfHeight);
  } else {
    TScrollingWinControl::SetClientHeight(value);
  }
}

bool TForm::IsFormSizeStored() const {
  return AutoScroll() || HorzScrollBar()->Range() != 0 || VertScrollBar()->Range() != 0;
}
bool TForm::IsClientSizeStored() const { return !IsFormSizeStored(); }
bool TForm::IsAutoScrollStored() const {
  return IsForm() && AutoScroll() != (FBorderStyle == bsSizeable || FBorderStyle == bsSizeToolWin);
}
bool TForm::IsFormColorStored() const {
  return Ctl3D() ? Color() != clBtnFace : Color() != clWindow;
}

namespace {
// The height of "0" in a font, measured on the screen.
int TextHeightOf(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, "0", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cy;
}

// Calls `visit` for the control and every control below it, parents first.
void ForEachControl(TControl* control, const std::function<void(TControl*)>& visit) {
  visit(control);
  if (!control->Is<TWinControl>()) return;
  auto* parent = static_cast<TWinControl*>(control);
  for (int i = 0; i < parent->ControlCount(); ++i) ForEachControl(parent->Controls(i), visit);
}
}  // namespace

int TForm::MeasureTextHeight() { return TextHeightOf(Font()->Handle()); }

void TForm::ReadContent(TReader& reader) {
  SuspendAlignment();
  try {
    FPendingClientWidth = FPendingClientHeight = FTextHeight = 0;
    TScrollingWinControl::ReadContent(reader);
    bool scaled = false;
    if (FPixelsPerInch != 0 && FTextHeight > 0) {
      const int screen = Screen->PixelsPerInch(), designed = FPixelsPerInch;
      if ((ScalingFlags() & sfFont) && screen != designed)
        Font()->SetHeight(MulDiv(Font()->Height(), screen, designed));
      FPixelsPerInch = screen;
      const int textHeight = MeasureTextHeight();
      if (textHeight != FTextHeight) {
        ScaleScrollBars(textHeight, FTextHeight);
        for (int i = 0; i < ControlCount(); ++i) Controls(i)->ApplyScale(textHeight, FTextHeight);
        if (ScalingFlags() & sfWidth) FPendingClientWidth = MulDiv(FPendingClientWidth, textHeight, FTextHeight);
        if (ScalingFlags() & sfHeight) FPendingClientHeight = MulDiv(FPendingClientHeight, textHeight, FTextHeight);
        // A definition that gives the window's outer size: the client area it
        // was designed with (inside the frame of its own density) scales as
        // the children did, so the layout keeps its margins.
        const bool outerWidth = (ScalingFlags() & sfWidth) && FPendingClientWidth == 0;
        const bool outerHeight = (ScalingFlags() & sfHeight) && FPendingClientHeight == 0;
        if (outerWidth || outerHeight) {
          const SIZE size = ScaledWindowSize(designed, screen, textHeight, FTextHeight);
          SetBounds(Left(), Top(), outerWidth ? size.cx : Width(), outerHeight ? size.cy : Height());
        }
        scaled = true;
      }
    }
    if (FPendingClientWidth > 0) SetClientWidth(FPendingClientWidth);
    if (FPendingClientHeight > 0) SetClientHeight(FPendingClientHeight);
    SetScalingFlags(0);
    if (!scaled) {
      ScaleScrollBars(1, 1);
      for (int i = 0; i < ControlCount(); ++i) Controls(i)->ApplyScale(1, 1);
    }
  } catch (...) {
    ResumeAlignment();
    throw;
  }
  ResumeAlignment();
}

// --- Pixel density -------------------------------------------------------------------------------

SIZE TForm::FrameAt(int dpi) {
  DWORD style, exStyle;
  if (HandleAllocated()) {
    style = GetWindowLongA(Handle(), GWL_STYLE);
    exStyle = GetWindowLongA(Handle(), GWL_EXSTYLE);
  } else {
    TCreateParams params;
    FillCreateParams(params);
    style = params.Style;
    exStyle = params.ExStyle;
  }
  return FrameExtent(style, exStyle, FMenu && !IsMDIChild(), dpi);
}

SIZE TForm::ScaledWindowSize(int fromDpi, int toDpi, int multiplier, int divisor) {
  const SIZE from = FrameAt(fromDpi), to = FrameAt(toDpi);
  return {MulDiv(Width() - from.cx, multiplier, divisor) + to.cx,
          MulDiv(Height() - from.cy, multiplier, divisor) + to.cy};
}

SIZE TForm::SizeAtDensity(int dpi) {
  const int current = PixelsPerInch();
  TFont font;
  font.AssignFrom(Font());
  font.SetHeight(MulDiv(Font()->Height(), dpi, current));
  return ScaledWindowSize(current, dpi, TextHeightOf(font.Handle()), MeasureTextHeight());
}

void TForm::RescaleToDensity(int dpi) {
  const int current = PixelsPerInch();
  if (dpi == current) return;
  const int currentText = MeasureTextHeight();
  // Every font keeps its point size: first each learns the new density, then
  // the form's and the children's own fonts take their heights at it (the
  // others follow their parents').
  ForEachControl(this, [dpi](TControl* c) { c->Font()->SetPixelsPerInch(dpi); });
  ForEachControl(this, [&](TControl* c) {
    if (c == this || !c->ParentFont()) c->Font()->SetHeight(MulDiv(c->Font()->Height(), dpi, current));
  });
  FPixelsPerInch = dpi;
  const int text = MeasureTextHeight();
  SuspendAlignment();
  try {
    ScaleScrollBars(text, currentText);
    TDensityScaling fontsDone;
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->ApplyScale(text, currentText);
  } catch (...) {
    ResumeAlignment();
    throw;
  }
  ResumeAlignment();
}

// A screen of another density: the layout follows it, in the rectangle the
// platform suggests. Forms made in code and forms with Scaled off are left
// as they are.
void TForm::WMDpiChanged(TMessage& message) {
  if (!ScalesWithDensity()) return;
  RescaleToDensity(LOWORD(message.WParam));
  if (const auto* r = reinterpret_cast<const RECT*>(message.LParam))
    SetBounds(r->left, r->top, r->right - r->left, r->bottom - r->top);
}

// Asked before a change of density for the window size wanted there.
void TForm::WMGetDpiScaledSize(TMessage& message) {
  if (!ScalesWithDensity() || !message.LParam) return;
  *reinterpret_cast<SIZE*>(message.LParam) = SizeAtDensity(LOWORD(message.WParam));
  message.Result = TRUE;
}

void TForm::ApplyScale(int multiplier, int divisor) {
  ScaleScrollBars(multiplier, divisor);
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->ApplyScale(multiplier, divisor);
  if (IsClientSizeStored()) {
    const int height = ClientHeight();
    SetClientWidth(MulDiv(ClientWidth(), multiplier, divisor));
    SetClientHeight(MulDiv(height, multiplier, divisor));
  }
  Font()->SetSize(MulDiv(Font()->Size(), multiplier, divisor));
}

void TForm::DefineProperties(TFiler& filer) {
  TScrollingWinControl::DefineProperties(filer);
  filer.DeclareProperty("PixelsPerInch", TReaderProc::Of<&TForm::ReadPixelsPerInch>(this),
                        TWriterProc::Of<&TForm::WritePixelsPerInch>(this), IsForm());
  filer.DeclareProperty("TextHeight", TReaderProc::Of<&TForm::ReadTextHeight>(this),
                        TWriterProc::Of<&TForm::WriteTextHeight>(this), true);
}

void TForm::ReadPixelsPerInch(TReader& reader) { SetPixelsPerInch(reader.ReadInt()); }
void TForm::WritePixelsPerInch(TWriter& writer) { writer.WriteInt(PixelsPerInch()); }
void TForm::ReadTextHeight(TReader& reader) { FTextHeight = reader.ReadInt(); }
void TForm::WriteTextHeight(TWriter& writer) { writer.WriteInt(MeasureTextHeight()); }

void TForm::EnumChildren(const std::function<void(TComponent*)>& callback) {
  TScrollingWinControl::EnumChildren(callback);
  for (int i = 0; i < OwnedCount(); ++i)
    if (TComponent* c = OwnedAt(i); !c->HasParentComponent()) callback(c);
}

void TForm::MoveChild(TComponent* child, int position) {
  if (child->Is<TControl>()) {
    TScrollingWinControl::MoveChild(child, position);
    return;
  }
  // Non-control children are numbered after the child controls, in owned order.
  int n = position - ControlCount();
  for (int i = 0; i < OwnedCount(); ++i) {
    TComponent* c = OwnedAt(i);
    if (c->HasParentComponent()) continue;
    if (n-- == 0) {
      child->SetComponentIndex(i);
      return;
    }
  }
}

void TForm::Notify(TComponent* component, TOperation operation) {
  TScrollingWinControl::Notify(component, operation);
  if (operation == ntRemoved) {
    if (component == FMenu) {
      FMenu = nullptr;
      if (!(ComponentState() & stDestroying) && HandleAllocated()) ::SetMenu(Handle(), nullptr);
    }
    if (component == FWindowMenu) FWindowMenu = nullptr;
    if (component == FObjectMenuItem) FObjectMenuItem = nullptr;
  } else if (!FMenu && component->Owner() == this && !(ComponentState() & stLoading) &&
             dynamic_cast<IMainMenu*>(component)) {
    SetMenu(component);
  }
}

// --- Menus --------------------------------------------------------------------------------------

IMainMenu* TForm::MainMenu() const { return FMenu ? dynamic_cast<IMainMenu*>(FMenu) : nullptr; }

bool TForm::IsMenuShortCut(TMessage& keyMessage) {
  IMainMenu* menu = MainMenu();
  return menu && menu->IsShortCut(keyMessage);
}

void TForm::SetMenu(TComponent* menu) {
  if (menu)
    for (int i = 0; i < Screen->FormCount(); ++i)
      if (TForm* f = Screen->Forms(i); f != this && f->FMenu == menu)
        throw EInvalidOperation(TResId::MenuUsedByOtherForm, {menu->Name()});
  if (IMainMenu* old = MainMenu()) old->SetWindowHandle(nullptr);
  FMenu = menu;
  if (menu) RequestFreeNotice(menu);
  ApplyMenu();
  if (FActive) MergeMenu(true);
  RefreshMDIMenu();
}

void TForm::ApplyMenu() {
  const bool designing = ComponentState() & stDesigning;
  IMainMenu* menu = MainMenu();
  if (menu && (designing || FBorderStyle != bsDialog)) {
    if ((!menu->AutoMerge() && !IsMDIChild()) || designing) {
      if (HandleAllocated()) {
        if (GetMenu(Handle()) != menu->Handle()) ::SetMenu(Handle(), menu->Handle());
        menu->SetWindowHandle(Handle());
      }
    } else if (!IsMDIChild() && HandleAllocated()) {
      ::SetMenu(Handle(), nullptr);
    }
  } else if (HandleAllocated()) {
    ::SetMenu(Handle(), nullptr);
  }
}

void TForm::SetWindowMenu(TComponent* item) {
  FWindowMenu = item;
  if (item) RequestFreeNotice(item);
  RefreshMDIMenu();
}

void TForm::SetObjectMenuItem(TComponent* item) {
  FObjectMenuItem = item;
  if (auto* menuItem = dynamic_cast<IMenuItem*>(item)) menuItem->SetEnabled(false);
}

void TForm::MergeMenu(bool mergeState) {
  if (FFormFlags & ffModal) return;
  TForm* main = Application ? Application->GetMainForm() : nullptr;
  if (!main || main == this || !main->MainMenu()) return;
  if (!IsMDIChild() && main->FFormStyle == fsMDIForm) return;
  IMainMenu* menu = (ComponentState() & stDesigning) ? nullptr : MainMenu();
  if (menu && !menu->AutoMerge() && !IsMDIChild()) menu = nullptr;
  if (mergeState)
    main->MainMenu()->Merge(menu);
  else
    main->MainMenu()->Unmerge(menu);
  if (mergeState && IsMDIChild() && FWindowState == wsMaximized) {
    const RECT r = ClientRect();
    SendMessageA(Handle(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right, r.bottom));
    SendMessageA(Handle(), WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(r.right, r.bottom));
  }
}

void TForm::RefreshMDIMenu() {
  TForm* main = Application ? Application->GetMainForm() : nullptr;
  if (main && main->FClientHandle && main->HandleAllocated()) {
    HMENU frame = main->MainMenu() ? main->MainMenu()->Handle() : nullptr;
    HMENU window = nullptr;
    if (auto* item = dynamic_cast<IMenuItem*>(main->FWindowMenu)) window = item->Handle();
    SendMessageA(main->FClientHandle, WM_MDISETMENU, reinterpret_cast<WPARAM>(frame),
                 reinterpret_cast<LPARAM>(window));
    DrawMenuBar(main->Handle());
  }
}

void TForm::XMMenuChanged(TMessage&) {
  RefreshMDIMenu();
  ApplyMenu();
}

void TForm::WMCommand(TMessage& message) {
  if (message.LParam == 0)
    if (IMainMenu* menu = MainMenu(); menu && menu->DispatchCommand(LOWORD(message.WParam))) return;
  Inherited<TForm>(message);
}

void TForm::WMInitMenuPopup(TMessage& message) {
  if (IMainMenu* menu = MainMenu()) menu->DispatchPopup(reinterpret_cast<HMENU>(message.WParam));
}

void TForm::WMMenuSelect(TMessage& message) {
  IMainMenu* menu = MainMenu();
  if (!menu) return;
  const unsigned flags = HIWORD(message.WParam);
  if (flags == 0xFFFF && message.LParam == 0) return;  // the menu closed
  String hint;
  bool found;
  if (flags & MF_POPUP) {
    HMENU sub = GetSubMenu(reinterpret_cast<HMENU>(message.LParam), LOWORD(message.WParam));
    found = menu->ItemHint(static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(sub)), true, hint);
  } else {
    found = menu->ItemHint(LOWORD(message.WParam), false, hint);
  }
  Application->SetHint(found ? LongHintOf(hint) : String());
}

void TForm::WMEnterMenuLoop(TMessage& message) {
  CancelActiveModes(nullptr);
  Inherited<TForm>(message);
}

void TForm::WMHelp(TMessage& message) {
  const auto* info = reinterpret_cast<const HELPINFO*>(message.LParam);
  int context = 0;
  if (info->iContextType == HELPINFO_WINDOW) {
    for (TWinControl* c = FindControl(static_cast<HWND>(info->hItemHandle)); c && !context; c = c->Parent())
      context = c->HelpContext();
    if (!context) return;
  } else if (IMainMenu* menu = MainMenu()) {
    context = menu->HelpContextFor(static_cast<unsigned>(info->iCtrlId), false);
  }
  if (FBorderIcons & (1 << biHelp))
    Application->HelpCommand(HELP_CONTEXTPOPUP, context);
  else
    Application->HelpContext(context);
}

void TForm::WMSysCommand(TMessage& message) {
  if ((message.WParam & 0xFFF0) == SC_MINIMIZE && Application->GetMainForm() == this)
    Application->Minimize();
  else
    Inherited<TForm>(message);
}

void TForm::XMAppSysCommand(TMessage& message) {
  message.Result = 0;
  if (IMainMenu* menu = MainMenu();
      menu && !menu->AutoMerge() && !(ComponentState() & stDesigning) && !IsMDIChild())
    return;
  CancelActiveModes(nullptr);
  const auto* system = reinterpret_cast<const TMessage*>(message.LParam);
  if (SendMessageA(Application->Handle(), XM_APP_SYS_COMMAND, system->WParam, system->LParam) != 0)
    message.Result = 1;
}
