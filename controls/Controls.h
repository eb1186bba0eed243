// The control tree: TControl, the base of every visual control, and
// TWinControl, a control with a platform window of its own that holds child
// controls. A control without a window lives inside its parent's window: the
// parent paints it and forwards the mouse messages under it.
//
// Every platform and framework message reaches a control as a TMessage
// through its WindowProc (normally HandleMessage), which dispatches it by
// number to the handler that the most derived class declares.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "Components.h"
#include "GraphicsObjects.h"
#include "Hosts.h"
#include "Lists.h"
#include "Messages.h"

class TWinControl;
class TDragObject;
class TDragImageSet;
class TControlCanvas;

enum TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TDragMode : std::uint8_t { dmManual, dmAutomatic };
enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };
enum TDragState : std::uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
using TCursor = std::int16_t;
using TTabOrder = std::int16_t;

// Cursor numbers of the screen's cursor table.
constexpr TCursor
  crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -5, crSizeNESW = -6,
  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
  crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
  crAppStart = -19, crHelp = -20;

// ControlStyle: what a class of control does, set by its constructor.
enum : std::uint16_t {
  csAcceptsChildren = 0x0001,  // its window clips its children
  csCapturesMouse = 0x0002,
  csClickEvents = 0x0008,
  csFramed = 0x0010,  // with Ctl3D the parent draws a sunken frame around it
  csCaptionFollowsName = 0x0020,
  csOpaque = 0x0040,  // paints its whole rectangle
  csDoubleClicks = 0x0080,
  csFixedWidth = 0x0100,
  csFixedHeight = 0x0200,
  csHiddenWhileDesigning = 0x0400,
  csReserved11 = 0x0800,  // carried by labels and panels, tested by nothing
  csNoStandardEvents = 0x1000,
  csShowsDragImages = 0x2000,
};
// ControlState: transient state.
enum : std::uint8_t {
  csLeftButtonDown = 0x01,
  csClicked = 0x02,
  csPaletteOwner = 0x04,
  csReadingState = 0x08,
  csAlignmentNeeded = 0x10,
  csFocusing = 0x20,
  csPaintCopy = 0x80,
};
// Scaling for a change of pixel density: while one lives, ApplyScale moves
// and sizes controls but leaves their own fonts alone, which the form has
// already given their heights at the new density (a font keeps its point
// size on every screen).
class TDensityScaling {
 public:
  TDensityScaling() { ++Depth; }
  ~TDensityScaling() { --Depth; }
  TDensityScaling(const TDensityScaling&) = delete;
  TDensityScaling& operator=(const TDensityScaling&) = delete;
  static bool Active() { return Depth > 0; }

 private:
  static inline int Depth = 0;
};

// ScalingFlags: what was set since the last scaling.
enum : std::uint8_t { sfLeft = 0x01, sfTop = 0x02, sfWidth = 0x04, sfHeight = 0x08, sfFont = 0x10 };

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
using TKeyEvent = TEvent<TObject*, std::uint16_t&, TShiftState>;
using TKeyPressEvent = TEvent<TObject*, char&>;
using TDragOverEvent = TEvent<TObject*, TObject*, int, int, TDragState, bool&>;
using TDragDropEvent = TEvent<TObject*, TObject*, int, int>;
using TStartDragEvent = TEvent<TObject*, TDragObject*&>;
using TEndDragEvent = TEvent<TObject*, TObject*, int, int>;

extern const TTypeInfo AlignTypeInfo, DragModeTypeInfo, CursorTypeInfo, CaptionTypeInfo, TabOrderTypeInfo,
    MouseEventTypeInfo, MouseMoveEventTypeInfo, KeyEventTypeInfo, KeyPressEventTypeInfo,
    DragOverEventTypeInfo, DragDropEventTypeInfo, StartDragEventTypeInfo, EndDragEventTypeInfo;
// The type of PopupMenu properties; the menus layer binds it to its pop-up
// menu class at start-up (until then it takes any component).
extern TTypeInfo PopupMenuTypeInfo;

class TControl : public TComponent {
  SONDREL_CLASS(TControl)

 public:
  explicit TControl(const TOwner& owner);
  ~TControl() override;

  // The entry of every message; HandleMessage unless replaced.
  TEvent<TMessage&> WindowProc;
  // Builds a record (Result 0), passes it to WindowProc and returns Result.
  long PerformMessage(unsigned int msg, unsigned int wParam = 0, long lParam = 0);

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int value);
  void SetTop(int value);
  void SetWidth(int value);
  void SetHeight(int value);
  RECT BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  void SetBoundsRect(const RECT& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
  // The client size (read from the window for windowed controls).
  int ClientWidth() const { return const_cast<TControl*>(this)->ClientRect().right; }
  int ClientHeight() const { return const_cast<TControl*>(this)->ClientRect().bottom; }
  void SetClientWidth(int value) { SetClientSize({value, ClientHeight()}); }
  void SetClientHeight(int value) { SetClientSize({ClientWidth(), value}); }
  void SetClientSize(POINT size);
  POINT ClientToScreen(POINT p);
  POINT ScreenToClient(POINT p);

  std::uint16_t ControlStyle() const { return FControlStyle; }
  void SetControlStyle(std::uint16_t style) { FControlStyle = style; }
  std::uint8_t ControlState() const { return FControlState; }
  void IncludeControlState(std::uint8_t flags) { FControlState |= flags; }
  void ExcludeControlState(std::uint8_t flags) { FControlState &= ~flags; }
  std::uint8_t ScalingFlags() const { return FScalingFlags; }
  void SetScalingFlags(std::uint8_t flags) { FScalingFlags = flags; }

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool value) { ChangeVisible(value); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value) { ChangeAlign(value); }
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode value) { ChangeDragMode(value); }
  bool IsControl() const { return FIsControl; }
  void SetIsControl(bool value) { FIsControl = value; }
  String GetText();
  void SetText(const String& text);
  // The Caption property: the control's text.
  String Caption() const { return const_cast<TControl*>(this)->GetText(); }
  void SetCaption(const String& caption) { SetText(caption); }
  void SetTextBuf(const char* text);
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* font) { FFont->AssignFrom(font); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor value) { FDragCursor = value; }
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* menu);
  const String& Hint() const { return FHint; }
  void SetHint(const String& hint) { FHint = hint; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool value);
  // Stored conditions of the inheritable properties.
  bool IsColorStored() const { return !FParentColor; }
  bool IsFontStored() const { return !FParentFont; }
  bool IsShowHintStored() const { return !FParentShowHint; }

  bool MouseCapture();
  void SetMouseCapture(bool value);
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  // Re-orders this control among its parent's non-windowed children.
  virtual void SetZOrderPosition(int position);
  void InvalidateControl(bool isVisible, bool isOpaque);
  bool BackgroundClipped();
  // Asks the parent form to cancel modes (menus, drags) of other controls.
  void CancelActiveModes(TControl* sender);
  // The Font's change callback.
  void NoteFontChange(TObject* sender);
  void RequestAlign();
  // Starts a drag of this control (a form cannot be dragged).
  void BeginDrag(bool immediate);
  bool Dragging() const;

  // Virtual operations, in the order controls introduce them.
  virtual void ApplyScale(int multiplier, int divisor);
  virtual void Click();
  virtual void DoubleClick();
  virtual void DragCancelled() {}
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  virtual void NotifyEndDrag(TObject* target, int x, int y);
  virtual void NotifyStartDrag(TDragObject*& dragObject);
  virtual POINT ClientOrigin();
  virtual RECT ClientRect();
  // A device context for drawing on the control; the caller releases it
  // with ReleaseDC(windowHandle, dc).
  virtual HDC AcquireDeviceContext(HWND& windowHandle);
  virtual TDragImageSet* DragImages() { return nullptr; }
  virtual HPALETTE PaletteHandle() { return nullptr; }
  virtual TComponent* EffectivePopupMenu() { return FPopupMenu; }
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual bool PaletteChanged(bool foreground);
  virtual void ChangeDragMode(TDragMode value) { FDragMode = value; }
  virtual void SetZOrder(bool topMost);
  virtual void VisibleChanging() {}
  virtual void HandleMessage(TMessage& message);
  virtual void DragDrop(TObject* source, int x, int y);
  virtual void Invalidate();
  virtual void Repaint();
  virtual void SetBounds(int left, int top, int width, int height);
  virtual void Update();

  void DefaultHandler(TMessage& message) override;
  void Notify(TComponent* component, TOperation operation) override;
  void ReadContent(TReader& reader) override;
  void Rename(const String& newName) override;
  void AttachToParent(TComponent* parent) override;
  TComponent* ParentComponent() const override;
  bool HasParentComponent() const override;

  TNotifyEvent OnClick, OnDblClick;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TDragDropEvent OnDragDrop;
  TDragOverEvent OnDragOver;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;

 protected:
  void DefineProperties(TFiler& filer) override;
  void ChangeVisible(bool value);
  void ChangeAlign(TAlign value);
  // Runs the pop-up menu step at a client point: the nearest control up the
  // parent chain with an automatic pop-up menu shows it.
  void PopupMenuAt(POINT clientPoint);

  // Message handlers.
  void WMLButtonDown(TMessage& message);
  void WMLButtonDblClk(TMessage& message);
  void WMRButtonDown(TMessage& message);
  void WMRButtonDblClk(TMessage& message);
  void WMMButtonDown(TMessage& message);
  void WMMButtonDblClk(TMessage& message);
  void WMMouseMove(TMessage& message);
  void WMLButtonUp(TMessage& message);
  void WMRButtonUp(TMessage& message);
  void WMMButtonUp(TMessage& message);
  void WMNCLButtonDown(TMessage& message);
  void WMCancelMode(TMessage& message);
  void XMParentColorChanged(TMessage& message);
  void XMParentFontChanged(TMessage& message);
  void XMParentShowHintChanged(TMessage& message);
  void XMVisibleChanged(TMessage& message);
  void XMRepaintOnChange(TMessage& message);  // enabled, colour and font changes
  void XMMouseEnterLeave(TMessage& message);
  void XMHitTest(TMessage& message);
  void XMDesignHitTest(TMessage& message);

 private:
  void ButtonDown(TMessage& message, TMouseButton button, TShiftState extra);
  void ButtonUp(TMessage& message, TMouseButton button);
  bool InDesignState() const { return (ComponentState() & stDesigning) != 0; }
  void ReadIsControl(TReader& reader);
  void WriteIsControl(TWriter& writer);
  friend class TWinControl;

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  std::uint16_t FControlStyle;
  std::uint8_t FControlState = 0;
  bool FVisible = true;
  bool FEnabled = true;
  bool FParentFont = true;
  bool FParentColor = true;
  TAlign FAlign = alNone;
  TDragMode FDragMode = dmManual;
  bool FIsControl = false;
  String FText;  // the caption while there is no window
  std::unique_ptr<TFont> FFont;
  TColor FColor = clWindow;
  TCursor FCursor = crDefault;
  TCursor FDragCursor = crDrag;
  TComponent* FPopupMenu = nullptr;
  String FHint;
  int FFontHeight;
  std::uint8_t FScalingFlags = 0;
  bool FShowHint = false;
  bool FParentShowHint = true;
};

// PerformMessage on a control that may be absent: 0 for none.
inline long PerformMessage(TControl* control, unsigned int msg, unsigned int wParam = 0, long lParam = 0) {
  return control ? control->PerformMessage(msg, wParam, lParam) : 0;
}

// Creation parameters of a control's window.
struct TCreateParams {
  const char* Caption;
  DWORD Style;
  DWORD ExStyle;
  int X, Y, Width, Height;
  HWND WndParent;
  void* Param;
  WNDCLASSA WindowClass;
  char WinClassName[64];
};

class TWinControl : public TControl {
  SONDREL_CLASS(TWinControl)

 public:
  explicit TWinControl(const TOwner& owner);
  ~TWinControl() override;

  // Creates the window on demand (parents first).
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void EnsureHandle();
  void DestroyHandle();
  void RecreateWindow();
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND window);
  bool Showing() const { return FShowing; }
  TBrush* Brush() const { return FBrush.get(); }

  int ControlCount() const;
  TControl* Controls(int index) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  // The child lists only, without notifications.
  void Insert(TControl* control);
  void Remove(TControl* control);
  bool ContainsControl(const TControl* control) const;
  // Hands the message to each child in Controls order until one answers.
  void Broadcast(TMessage& message);
  void NotifyControls(unsigned int msg);
  void UpdateShowing();
  void UpdateControlState();
  void UpdateBounds();
  void ScrollBy(int deltaX, int deltaY);
  void InvalidateFrame();

  // Alignment, z-order and tab order.
  TControl* ControlAtPos(POINT point, bool allowDisabled);
  void RealignFor(TControl* control);
  void Realign() { RealignFor(nullptr); }
  void SuspendAlignment() { ++FAlignLevel; }
  void ResumeAlignment();
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
  bool CanFocus();
  bool Focused() const;
  void FixupTabList();
  void UpdateTabOrder(int value);
  void SetZOrderPosition(int position) override;
  // The windowed children in tab order (the list itself; may be null).
  const TList* TabList() const { return FTabList.get(); }
  // Paints the non-windowed children from `first` up, then the frames of
  // the windowed ones.
  void PaintControls(HDC dc, TControl* first);

  TTabOrder TabOrder() const;
  void SetTabOrder(TTabOrder value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool value);
  bool ParentCtl3D() const { return FParentCtl3D; }
  void SetParentCtl3D(bool value);
  bool IsCtl3DStored() const { return !FParentCtl3D; }
  std::int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(std::int32_t value) { FHelpContext = value; }
  std::uint8_t ImeMode() const { return FImeMode; }
  void SetImeMode(std::uint8_t value) { FImeMode = value; }
  const String& ImeName() const { return FImeName; }
  void SetImeName(const String& value) { FImeName = value; }
  bool InImeComposition() const { return FInImeComposition; }

  // The form at the top of the parent chain, if that is a form.
  virtual IFormHost* AsFormHost() { return nullptr; }

  // Virtual operations, in the order windowed controls introduce them.
  virtual void ArrangeChildren(TControl* control, RECT& rect);
  virtual void AllocateHandle();
  virtual void FillCreateParams(TCreateParams& params);
  virtual void CreatePlatformWindow(const TCreateParams& params);
  virtual void BuildWindow();
  virtual void DestroyPlatformWindow();
  virtual void TearDownWindow();
  virtual void NotifyEnter();
  virtual void NotifyExit();
  virtual void KeyDown(std::uint16_t& key, TShiftState shift);
  virtual void KeyUp(std::uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void PaintSurface(HDC dc);
  virtual void RevealChild(TControl* control);
  virtual void CollectTabOrder(TList& list);
  virtual void SetFocus();

  void ApplyScale(int multiplier, int divisor) override;
  POINT ClientOrigin() override;
  RECT ClientRect() override;
  HDC AcquireDeviceContext(HWND& windowHandle) override;
  bool PaletteChanged(bool foreground) override;
  void SetZOrder(bool topMost) override;
  void HandleMessage(TMessage& message) override;
  void Invalidate() override;
  void Repaint() override;
  void SetBounds(int left, int top, int width, int height) override;
  void Update() override;
  void DefaultHandler(TMessage& message) override;
  void EnumChildren(const std::function<void(TComponent*)>& callback) override;
  void ReadContent(TReader& reader) override;
  void MoveChild(TComponent* child, int position) override;

  // The window procedure's entry: the message goes to WindowProc; an
  // exception goes to the application; borrowed device contexts are given
  // back afterwards.
  LRESULT MainWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

  TNotifyEvent OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

 protected:
  // The reflection step: the control bound to `child` answers the message
  // plus XN_BASE; false when the window is not the framework's.
  bool DoControlMsg(HWND child, TMessage& message);
  // The paint handler for WM_PAINT with or without a device context.
  void PaintHandler(TMessage& message);
  // The keyboard steps; true when the key was swallowed.
  bool DoKeyDown(TMessage& message);
  bool DoKeyUp(TMessage& message);
  bool DoKeyPress(TMessage& message);
  // The menu key test: a pop-up menu up the parent chain, the form's main
  // menu or the application takes the key as a shortcut.
  bool IsMenuKey(TMessage& message);

  void WMPaint(TMessage& message);
  void WMEraseBkgnd(TMessage& message);
  void WMSetCursor(TMessage& message);
  void WMFocusChange(TMessage& message);
  void WMSize(TMessage& message);
  void WMMove(TMessage& message);
  void WMWindowPosChanged(TMessage& message);
  void WMDestroy(TMessage& message);
  void WMNCDestroy(TMessage& message);
  void WMNCHitTest(TMessage& message);
  void WMQueryNewPalette(TMessage& message);
  void WMPaletteChanged(TMessage& message);
  void WMSysColorChange(TMessage& message);
  void WMWinIniChange(TMessage& message);
  void WMFontChange(TMessage& message);
  void WMTimeChange(TMessage& message);
  void WMKeyDown(TMessage& message);
  void WMKeyUp(TMessage& message);
  void WMChar(TMessage& message);
  void WMSysCommand(TMessage& message);
  void WMImeComposition(TMessage& message);
  void WMReflected(TMessage& message);  // notifications for child controls
  void XNKeyDown(TMessage& message);
  void XNKeyUp(TMessage& message);
  void XNChar(TMessage& message);
  void XNSysKeyDown(TMessage& message);
  void XNSysChar(TMessage& message);
  void XMBroadcast(TMessage& message);  // dialog keys and characters, focus and setting changes
  void XMColorChanged(TMessage& message);
  void XMFontChanged(TMessage& message);
  void XMCursorChanged(TMessage& message);
  void XMCtl3DChanged(TMessage& message);
  void XMParentCtl3DChanged(TMessage& message);
  void XMVisibleChanged(TMessage& message);
  void XMEnabledChanged(TMessage& message);
  void XMShowingChanged(TMessage& message);
  void XMEnter(TMessage& message);
  void XMExit(TMessage& message);
  void XMShowHintChanged(TMessage& message);
  void XMPassToParent(TMessage& message);  // list changes and child keys climb the chain
  void XMDesignHitTest(TMessage& message);
  void XMRecreateWnd(TMessage& message);
  void XMInvalidate(TMessage& message);
  void XMDrag(TMessage& message);

 private:
  // The window this control's window goes under: that of the nearest later
  // sibling in the parent's list that has one, else the top.
  HWND UpperSiblingWindow() const;
  bool ForwardMouseToChild(TMessage& message);
  void DestroyChildren();
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
  friend class TControl;

  WNDPROC FDefWndProc = DefWindowProcA;
  std::unique_ptr<TList> FPlainControls, FWinControls, FTabList;
  std::unique_ptr<TBrush> FBrush;
  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  bool FTabStop = false;
  bool FCtl3D = false;
  bool FParentCtl3D = true;
  bool FShowing = false;
  std::int32_t FPendingTabOrder = -1;
  std::int16_t FAlignLevel = 0;
  std::int32_t FHelpContext = 0;
  std::uint8_t FImeMode = 3;
  String FImeName;
  bool FInImeComposition = false;
};

// Windows and the controls bound to them.
TWinControl* FindControl(HWND window);
bool IsOwnWindow(HWND window);
TWinControl* FindOwnWindowAt(POINT screenPoint);
TControl* FindTargetAt(POINT screenPoint, bool allowDisabled);
// The form at the top of a control's parent chain, or null; the checking
// variant raises "Control '%s' has no parent window" when there is none.
IFormHost* ParentFormOf(const TControl* control);
IFormHost& RequireParentForm(const TControl* control);

// The non-windowed control that holds the mouse capture through its parent.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);

// The text before (short hint) and after (long hint) the first '|'.
String ShortHintOf(const String& hint);
String LongHintOf(const String& hint);
// True when `character` is the mnemonic of `caption`: the character after
// the caption's first '&' (which must not be its last), compared by the
// locale without regard to case.
bool MatchesMnemonic(char character, const String& caption);

// Makes every later message of `window` go to `method` (exceptions go to the
// application); Unbind releases the binding once the window is destroyed.
void BindWindowMethod(HWND window, TEvent<TMessage&> method);
void UnbindWindowMethod(HWND window);
// A hidden top-level window whose messages all go to `method`; the drag
// machinery and pop-up menus use them.
HWND AllocateUtilityWindow(TEvent<TMessage&> method);
void DeallocateUtilityWindow(HWND window);

// Starts the controls layer: the window atoms, the device-context cache and
// the cursor identifiers. Safe to call more than once.
void InitControls();
