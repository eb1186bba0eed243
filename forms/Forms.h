// TForm: a top-level window whose children come from a form definition. It
// tracks the focus among its controls, turns its border style and icons,
// position and window state into window styles, scales itself to the
// screen's text size, and decides what closing means.
#pragma once

#include "Graphic.h"
#include "Painting.h"
#include "Scrolling.h"

enum TBorderIconBit : std::uint8_t { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = std::uint8_t;  // bit n is TBorderIconBit n
// Form border styles; panels use the first two (TBorderStyle).
enum TFormBorderStyle : std::uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TWindowState : std::uint8_t { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle : std::uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition : std::uint8_t { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TPrintScale : std::uint8_t { poNone, poProportional, poPrintToFit };
enum TCloseAction : std::uint8_t { caNone, caHide, caFree, caMinimize };
using TModalResult = std::int32_t;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7;
// FormFlags.
enum : std::uint8_t { ffCreating = 1, ffShowRequested = 2, ffInShowHide = 4, ffModal = 8, ffMdiCreated = 16 };

using TCloseEvent = TEvent<TObject*, TCloseAction&>;
using TCloseQueryEvent = TEvent<TObject*, bool&>;

extern const TTypeInfo BorderStyleTypeInfo;  // TBorderStyle: bsNone, bsSingle
extern const TTypeInfo FormBorderStyleTypeInfo, BorderIconsTypeInfo, WindowStateTypeInfo, FormStyleTypeInfo,
    PositionTypeInfo, PrintScaleTypeInfo, ModalResultTypeInfo;

// A form's main menu and the menu items it refers to, as the form sees them;
// the menus layer implements both and binds the property types below to its
// classes at start-up.
class IMainMenu {
 public:
  virtual TComponent* MenuComponent() = 0;
  virtual HMENU Handle() = 0;
  virtual bool AutoMerge() = 0;
  // The window that receives the menu's messages (0: none).
  virtual void SetWindowHandle(HWND window) = 0;
  virtual bool IsShortCut(TMessage& keyMessage) = 0;
  virtual bool DispatchCommand(unsigned command) = 0;
  virtual bool DispatchPopup(HMENU menu) = 0;
  // The long hint of the item with that command (or submenu handle); false
  // when there is no such item.
  virtual bool ItemHint(unsigned value, bool byHandle, String& hint) = 0;
  virtual int HelpContextFor(unsigned value, bool byHandle) = 0;
  virtual void Merge(IMainMenu* other) = 0;
  virtual void Unmerge(IMainMenu* other) = 0;

 protected:
  ~IMainMenu() = default;
};
class IMenuItem {
 public:
  virtual HMENU Handle() = 0;
  virtual void SetEnabled(bool enabled) = 0;

 protected:
  ~IMenuItem() = default;
};
extern TTypeInfo MainMenuTypeInfo, MenuItemTypeInfo;

class TForm : public TScrollingWinControl, public IFormHost {
  SONDREL_CLASS(TForm)

 public:
  // The bare form; loading its definition happens in AfterConstruction.
  explicit TForm(const TOwner& owner);
  ~TForm() override;
  // Loads the definitions of the form's class and its ancestors down to
  // TForm, then fires OnCreate and shows the form when the definition asked.
  void AfterConstruction() override;

  void Close();
  bool CloseQuery();
  // Shows the form modally: the program's other windows are disabled and
  // messages are handled until ModalResult is set (by a button, by code, or
  // mrCancel when the form is closed and agrees to close); then the form is
  // hidden, the other windows are enabled again, the window that was active
  // gets the activation back and the result is returned. An exception that
  // reaches the loop goes to the application's handling and the loop goes
  // on. Raises EInvalidOperation, changing nothing, for a form that is
  // visible, disabled, already modal or an MDI child.
  TModalResult ShowModal();
  // Frees the form once the messages being handled are done.
  void Release();
  void Show();
  void Hide() { SetVisible(false); }
  void SetVisible(bool value) override;
  void SetFocus() override;
  // Cancels modes of the other controls (sent to the active control).
  void CancelActiveModes(TControl* sender) override;

  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  TWinControl* FocusedControl() const { return FFocusedControl; }
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value);
  TPrintScale PrintScale() const { return FPrintScale; }
  void SetPrintScale(TPrintScale value) { FPrintScale = value; }
  bool KeyPreview() override { return FKeyPreview; }
  bool GetKeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }
  bool Active() const { return FActive; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  std::uint8_t FormFlags() const { return FFormFlags; }
  TIcon* Icon() const { return FIcon.get(); }
  void SetIcon(TIcon* icon) { FIcon->AssignFrom(icon); }
  TComponent* Menu() const { return FMenu; }
  void SetMenu(TComponent* menu);
  TComponent* WindowMenu() const { return FWindowMenu; }
  void SetWindowMenu(TComponent* item);
  TComponent* ObjectMenuItem() const { return FObjectMenuItem; }
  void SetObjectMenuItem(TComponent* item);
  int PixelsPerInch() const;
  void SetPixelsPerInch(int value);
  bool Scaled() const { return FPixelsPerInch != 0; }
  void SetScaled(bool value);
  int TextHeight() const { return FTextHeight; }
  void SetClientWidth(int value);
  void SetClientHeight(int value);
  TControlCanvas* Canvas() const { return FCanvas.get(); }
  HWND ClientHandle() const { return FClientHandle; }
  // The icon the window shows: its own, else the application's.
  HICON CurrentIcon();
  // The height of "0" in the form's font.
  int MeasureTextHeight();
  // Whether the form follows the pixel density of its screen: a form read
  // from a definition with Scaled on.
  bool ScalesWithDensity() const { return FPixelsPerInch != 0 && FTextHeight > 0; }
  // The window size the form's layout takes at `dpi` pixels per inch: the
  // client area scaled as the children are, with the frame of that density.
  SIZE SizeAtDensity(int dpi);
  // Rescales the form for a screen of `dpi` pixels per inch, as reading its
  // definition there would have: fonts keep their point sizes, children and
  // scroll ranges follow the new text height. The window's size is the
  // caller's (SizeAtDensity, or what the platform suggests).
  void RescaleToDensity(int dpi);

  // Stored conditions of the property table.
  bool IsForm() const { return !IsControl(); }
  bool IsAutoScrollStored() const;
  bool IsClientSizeStored() const;
  bool IsFormSizeStored() const;
  bool IsFormColorStored() const;
  bool IsIconStored() const { return IsForm() && !FIcon->Empty(); }

  // IFormHost.
  TWinControl* FormControl() override { return this; }
  bool SetFocusedControl(TWinControl* control) override;
  void DefocusControl(TWinControl* control, bool removing) override;
  void FocusControl(TWinControl* control) override;
  bool IsMenuShortCut(TMessage& keyMessage) override;
  bool DesignerTakes(TControl*, TMessage&) override { return false; }
  IFormHost* AsFormHost() override { return this; }

  // Virtual operations that forms add.
  virtual void NotifyActivate();
  virtual void ActiveControlChanged() {}
  virtual void NotifyDeactivate();
  virtual void NotifyHide();
  virtual void NotifyShow();
  virtual void Paint();
  virtual void NotifyResize();

  void FillCreateParams(TCreateParams& params) override;
  void CreatePlatformWindow(const TCreateParams& params) override;
  void BuildWindow() override;
  void DestroyPlatformWindow() override;
  void PaintSurface(HDC dc) override;
  void ReadContent(TReader& reader) override;
  void ApplyScale(int multiplier, int divisor) override;
  RECT ClientRect() override;
  void EnumChildren(const std::function<void(TComponent*)>& callback) override;
  void MoveChild(TComponent* child, int position) override;
  void Notify(TComponent* component, TOperation operation) override;
  void DefaultHandler(TMessage& message) override;
  void HandleMessage(TMessage& message) override;

  TNotifyEvent OnActivate, OnCreate, OnDeactivate, OnDestroy, OnHide, OnPaint, OnResize, OnShow;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  void DefineProperties(TFiler& filer) override;

  void WMPaint(TMessage& message);
  void WMEraseBkgnd(TMessage& message);
  void WMIconEraseBkgnd(TMessage& message);
  void WMQueryDragIcon(TMessage& message);
  void WMSize(TMessage& message);
  void WMClose(TMessage& message);
  void WMQueryEndSession(TMessage& message);
  void WMSysCommand(TMessage& message);
  void WMCommand(TMessage& message);
  void WMInitMenuPopup(TMessage& message);
  void WMMenuSelect(TMessage& message);
  void WMEnterMenuLoop(TMessage& message);
  void WMHelp(TMessage& message);
  void WMActivate(TMessage& message);
  void WMMDIActivate(TMessage& message);
  // Gives the focus that reached the form's own window to the window that
  // keeps it (the active MDI child, or ActiveControl); false when none does.
  bool PassFocusOn();
  void WMDpiChanged(TMessage& message);
  void WMGetDpiScaledSize(TMessage& message);
  void WMShowWindow(TMessage& message);
  void WMWindowPosChanging(TMessage& message);
  void WMNCCreate(TMessage& message);
  void WMDestroy(TMessage& message);
  void WMNextDlgCtl(TMessage& message);
  void XMAppSysCommand(TMessage& message);
  void XMColorChanged(TMessage& message);
  void XMFontChanged(TMessage& message);
  void XMCtl3DChanged(TMessage& message);
  void XMTextChanged(TMessage& message);
  void XMMenuChanged(TMessage& message);
  void XMIconChanged(TMessage& message);
  void XMRelease(TMessage& message);
  void XMFormFocused(TMessage& message);
  void XMActivate(TMessage& message);
  void XMDeactivate(TMessage& message);
  void XMShowingChanged(TMessage& message);
  void XMDialogKey(TMessage& message);

 private:
  IMainMenu* MainMenu() const;
  // The modal form's answer to a result being set: it closes as Close would
  // (the close query and OnClose), and stays when the action is caNone.
  void CloseModal();
  void SetActive(bool value);
  void SetWindowFocus();
  void MergeMenu(bool mergeState);
  void ApplyMenu();
  void RefreshMDIMenu();
  void IconChanged(TObject* sender);
  void ShowingChanged();
  void ReadPixelsPerInch(TReader& reader);
  void WritePixelsPerInch(TWriter& writer);
  void ReadTextHeight(TReader& reader);
  void WriteTextHeight(TWriter& writer);
  bool IsMDIChild() const { return FFormStyle == fsMDIChild; }
  // What the window's frame, caption and menu bar add to its client area at
  // `dpi` pixels per inch.
  SIZE FrameAt(int dpi);
  // The window size whose client area is the present one (inside the frame
  // of `fromDpi`) scaled by multiplier / divisor, inside the frame of `toDpi`.
  SIZE ScaledWindowSize(int fromDpi, int toDpi, int multiplier, int divisor);
  // Sends a focus message and tells whether another focus change overtook it.
  bool SendFocusMessage(TControl* control, unsigned msg);
  void RecreateUnlessDesigning();
  void FrameClientWindowProc(TMessage& message);

  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TBorderIcons FBorderIcons = (1 << biSystemMenu) | (1 << biMinimize) | (1 << biMaximize);
  TFormBorderStyle FBorderStyle = bsSizeable;
  TWindowState FWindowState = wsNormal;
  std::uint8_t FSavedShowState = 0;
  bool FKeyPreview = false;
  bool FActive = false;
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  std::uint8_t FFormFlags = 0;
  TPrintScale FPrintScale = poProportional;
  std::unique_ptr<TControlCanvas> FCanvas;
  std::unique_ptr<TIcon> FIcon;
  TComponent* FMenu = nullptr;
  TModalResult FModalResult = mrNone;
  HWND FClientHandle = nullptr;
  WNDPROC FDefClientProc = nullptr;
  TComponent* FWindowMenu = nullptr;
  int FPixelsPerInch = 0;
  TComponent* FObjectMenuItem = nullptr;
  int FPendingClientWidth = 0, FPendingClientHeight = 0;
  int FTextHeight = 0;
};

// A scrolling area inside a form: its children scroll within its client area
// (with AutoScroll the bars follow the children's extent). It has a sunken
// edge by default.
class TScrollBox : public TScrollingWinControl {
  SONDREL_CLASS(TScrollBox)

 public:
  explicit TScrollBox(const TOwner& owner);

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);

  void FillCreateParams(TCreateParams& params) override;

 private:
  TFormBorderStyle FBorderStyle = bsSingle;
};

// The form at the top of a control's parent chain, or null.
TForm* GetParentForm(const TControl* control);

// Creates a form of class T with its definition, owned by `owner`.
template <class T>
T* NewForm(TComponent* owner) {
  std::unique_ptr<T> form(new T(owner));
  form->AfterConstruction();
  return form.release();
}
