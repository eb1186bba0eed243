// TControl: bounds, visibility, caption, inherited font, colour and hint,
// mouse handling, scaling and the message entry point.
#include <algorithm>

#include "Controls.h"
#include "Reader.h"
#include "Registry.h"
#include "Writer.h"

namespace {
constexpr const char* AlignNames[] = {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};
constexpr const char* DragModeNames[] = {"dmManual", "dmAutomatic"};
}  // namespace

constinit const TTypeInfo AlignTypeInfo = EnumType("TAlign", AlignNames);
constinit const TTypeInfo DragModeTypeInfo = EnumType("TDragMode", DragModeNames);
constinit const TTypeInfo CursorTypeInfo = IntegerType("TCursor", otSWord, -32768, 32767);
constinit const TTypeInfo CaptionTypeInfo = StringType("TCaption");
constinit const TTypeInfo TabOrderTypeInfo = IntegerType("TTabOrder", otSWord, -1, 32767);
constinit const TTypeInfo MouseEventTypeInfo =
    MethodType<TMouseEvent>("TMouseEvent", "(Sender: TObject; Button: TMouseButton; Shift: TShiftState; X, Y: Integer)");
constinit const TTypeInfo MouseMoveEventTypeInfo =
    MethodType<TMouseMoveEvent>("TMouseMoveEvent", "(Sender: TObject; Shift: TShiftState; X, Y: Integer)");
constinit const TTypeInfo KeyEventTypeInfo =
    MethodType<TKeyEvent>("TKeyEvent", "(Sender: TObject; var Key: Word; Shift: TShiftState)");
constinit const TTypeInfo KeyPressEventTypeInfo = MethodType<TKeyPressEvent>("TKeyPressEvent", "(Sender: TObject; var Key: Char)");
constinit const TTypeInfo DragOverEventTypeInfo =
    MethodType<TDragOverEvent>("TDragOverEvent",
               "(Sender, Source: TObject; X, Y: Integer; State: TDragState; var Accept: Boolean)");
constinit const TTypeInfo DragDropEventTypeInfo =
    MethodType<TDragDropEvent>("TDragDropEvent", "(Sender, Source: TObject; X, Y: Integer)");
constinit const TTypeInfo StartDragEventTypeInfo =
    MethodType<TStartDragEvent>("TStartDragEvent", "(Sender: TObject; var DragObject: TDragObject)");
constinit const TTypeInfo EndDragEventTypeInfo =
    MethodType<TEndDragEvent>("TEndDragEvent", "(Sender, Target: TObject; X, Y: Integer)");
TTypeInfo PopupMenuTypeInfo = ClassTypeOf(&TComponent::ClassRec);

template <>
struct TClassTables<TControl> {
  static constexpr auto Messages = MessageTable({
      MessageHandler<&TControl::WMLButtonDown>(WM_LBUTTONDOWN),
      MessageHandler<&TControl::WMLButtonDblClk>(WM_LBUTTONDBLCLK),
      MessageHandler<&TControl::WMRButtonDown>(WM_RBUTTONDOWN),
      MessageHandler<&TControl::WMRButtonDblClk>(WM_RBUTTONDBLCLK),
      MessageHandler<&TControl::WMMButtonDown>(WM_MBUTTONDOWN),
      MessageHandler<&TControl::WMMButtonDblClk>(WM_MBUTTONDBLCLK),
      MessageHandler<&TControl::WMMouseMove>(WM_MOUSEMOVE),
      MessageHandler<&TControl::WMLButtonUp>(WM_LBUTTONUP),
      MessageHandler<&TControl::WMRButtonUp>(WM_RBUTTONUP),
      MessageHandler<&TControl::WMMButtonUp>(WM_MBUTTONUP),
      MessageHandler<&TControl::WMNCLButtonDown>(WM_NCLBUTTONDOWN),
      MessageHandler<&TControl::WMCancelMode>(WM_CANCELMODE),
      MessageHandler<&TControl::XMParentColorChanged>(XM_PARENT_COLOR_CHANGED),
      MessageHandler<&TControl::XMParentFontChanged>(XM_PARENT_FONT_CHANGED),
      MessageHandler<&TControl::XMParentShowHintChanged>(XM_PARENT_SHOW_HINT_CHANGED),
      MessageHandler<&TControl::XMVisibleChanged>(XM_VISIBLE_CHANGED),
      MessageHandler<&TControl::XMRepaintOnChange>(XM_ENABLED_CHANGED),
      MessageHandler<&TControl::XMRepaintOnChange>(XM_COLOR_CHANGED),
      MessageHandler<&TControl::XMRepaintOnChange>(XM_FONT_CHANGED),
      MessageHandler<&TControl::XMMouseEnterLeave>(XM_MOUSE_ENTER),
      MessageHandler<&TControl::XMMouseEnterLeave>(XM_MOUSE_LEAVE),
      MessageHandler<&TControl::XMHitTest>(XM_HIT_TEST),
      MessageHandler<&TControl::XMDesignHitTest>(XM_DESIGN_HIT_TEST),
  });
  static constexpr TPropInfo Props[] = {
      Prop<&TControl::Left, &TControl::SetLeft>("Left", IntegerTypeInfo),
      Prop<&TControl::Top, &TControl::SetTop>("Top", IntegerTypeInfo),
      Prop<&TControl::Width, &TControl::SetWidth>("Width", IntegerTypeInfo),
      Prop<&TControl::Height, &TControl::SetHeight>("Height", IntegerTypeInfo),
      Prop<&TControl::Cursor, &TControl::SetCursor>("Cursor", CursorTypeInfo).Default(crDefault),
      Prop<&TControl::Hint, &TControl::SetHint>("Hint", StringTypeInfo),
  };
};

SONDREL_PUBLISHED_MESSAGE_CLASS(TControl, TComponent, "Controls", TClassTables<TControl>::Messages,
                                {.Props = TClassTables<TControl>::Props, .Create = &NewComponent<TControl>});

// --- Construction --------------------------------------------------------------------------

TControl::TControl(const TOwner& owner)
    : TComponent(owner),
      FControlStyle(csCapturesMouse | csClickEvents | csCaptionFollowsName | csDoubleClicks),
      FFont(std::make_unique<TFont>()) {
  WindowProc = TEvent<TMessage&>::Of<&TControl::HandleMessage>(this);
  FFontHeight = FFont->Height();
  FFont->OnChange = TNotifyEvent::Of<&TControl::NoteFontChange>(this);
}

TControl::~TControl() {
  AppHost().ControlDestroyed(this);
  FFont.reset();
  FText.clear();
  SetParent(nullptr);
}

long TControl::PerformMessage(unsigned int msg, unsigned int wParam, long lParam) {
  TMessage message{msg, wParam, lParam, 0};
  WindowProc(message);
  return message.Result;
}

// --- Properties ----------------------------------------------------------------------------

void TControl::SetLeft(int value) {
  SetBounds(value, FTop, FWidth, FHeight);
  FScalingFlags |= sfLeft;
}
void TControl::SetTop(int value) {
  SetBounds(FLeft, value, FWidth, FHeight);
  FScalingFlags |= sfTop;
}
void TControl::SetWidth(int value) {
  SetBounds(FLeft, FTop, value, FHeight);
  FScalingFlags |= sfWidth;
}
void TControl::SetHeight(int value) {
  SetBounds(FLeft, FTop, FWidth, value);
  FScalingFlags |= sfHeight;
}

void TControl::SetClientSize(POINT size) {
  RECT r = ClientRect();
  SetBounds(FLeft, FTop, FWidth - r.right + size.x, FHeight - r.bottom + size.y);
}

POINT TControl::ClientToScreen(POINT p) {
  POINT origin = ClientOrigin();
  return {p.x + origin.x, p.y + origin.y};
}

POINT TControl::ScreenToClient(POINT p) {
  POINT origin = ClientOrigin();
  return {p.x - origin.x, p.y - origin.y};
}

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  PerformMessage(XM_ENABLED_CHANGED);
}

void TControl::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  FParentColor = false;
  PerformMessage(XM_COLOR_CHANGED);
}

void TControl::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (FParent) PerformMessage(XM_PARENT_COLOR_CHANGED);
}

void TControl::SetParentFont(bool value) {
  if (value == FParentFont) return;
  FParentFont = value;
  if (FParent) PerformMessage(XM_PARENT_FONT_CHANGED);
}

void TControl::SetShowHint(bool value) {
  if (value == FShowHint) return;
  FShowHint = value;
  FParentShowHint = false;
  PerformMessage(XM_SHOW_HINT_CHANGED);
}

void TControl::SetParentShowHint(bool value) {
  if (value == FParentShowHint) return;
  FParentShowHint = value;
  if (FParent) PerformMessage(XM_PARENT_SHOW_HINT_CHANGED);
}

void TControl::SetCursor(TCursor value) {
  if (value == FCursor) return;
  FCursor = value;
  PerformMessage(XM_CURSOR_CHANGED);
}

void TControl::SetPopupMenu(TComponent* menu) {
  FPopupMenu = menu;
  if (menu) RequestFreeNotice(menu);
}

void TControl::NoteFontChange(TObject*) {
  FParentFont = false;
  if (FFont->Height() != FFontHeight) {
    FScalingFlags |= sfFont;
    FFontHeight = FFont->Height();
  }
  PerformMessage(XM_FONT_CHANGED);
}

// --- Caption -------------------------------------------------------------------------------

String TControl::GetText() {
  const long length = PerformMessage(WM_GETTEXTLENGTH);
  String text(length > 0 ? length : 0, '\0');
  if (length > 0) {
    // The buffer has room for the terminating zero after `length` characters.
    long copied = PerformMessage(WM_GETTEXT, length + 1, reinterpret_cast<long>(text.data()));
    text.resize(std::clamp<long>(copied, 0, length));
  }
  return text;
}

void TControl::SetText(const String& text) {
  if (GetText() != text) SetTextBuf(text.c_str());
}

void TControl::SetTextBuf(const char* text) {
  PerformMessage(WM_SETTEXT, 0, reinterpret_cast<long>(text));
  PerformMessage(XM_TEXT_CHANGED);
}

void TControl::DefaultHandler(TMessage& message) {
  switch (message.Msg) {
    case WM_SETTEXT:
      FText = message.LParam ? reinterpret_cast<const char*>(message.LParam) : "";
      break;
    case WM_GETTEXT: {
      if (message.WParam == 0) break;
      const std::size_t n = std::min<std::size_t>(message.WParam - 1, FText.size());
      char* out = reinterpret_cast<char*>(message.LParam);
      FText.copy(out, n);
      out[n] = '\0';
      message.Result = static_cast<long>(n);
      break;
    }
    case WM_GETTEXTLENGTH:
      message.Result = static_cast<long>(FText.size());
      break;
    default:
      break;
  }
}

void TControl::Rename(const String& newName) {
  const TComponent* owner = Owner();
  bool follows = (FControlStyle & csCaptionFollowsName) && GetText() == Name() &&
                 !(owner && owner->Is<TControl>() && (owner->ComponentState() & stLoading));
  TComponent::Rename(newName);
  if (follows) SetText(newName);
}

// --- Bounds, alignment, visibility, parent --------------------------------------------------

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  InvalidateControl(FVisible, false);
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
  PerformMessage(WM_WINDOWPOSCHANGED);
  RequestAlign();
}

void TControl::RequestAlign() {
  if (FParent) FParent->RealignFor(this);
}

void TControl::ChangeAlign(TAlign value) {
  if (value != FAlign) {
    const TAlign old = FAlign;
    FAlign = value;
    auto vertical = [](TAlign a) { return a == alTop || a == alBottom; };
    auto horizontal = [](TAlign a) { return a == alLeft || a == alRight; };
    auto sized = [](TAlign a) { return a != alNone && a != alClient; };
    if (!(ComponentState() & stLoading) && sized(old) && sized(value) && vertical(old) == horizontal(value))
      SetBounds(FLeft, FTop, FHeight, FWidth);
  }
  RequestAlign();
}

void TControl::ChangeVisible(bool value) {
  if (value == FVisible) return;
  VisibleChanging();
  FVisible = value;
  PerformMessage(XM_VISIBLE_CHANGED);
  RequestAlign();
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  // The new parent may be neither the control nor one of its descendants: the
  // tree would become a cycle.
  for (const TControl* p = parent; p; p = p->Parent())
    if (p == this)
      throw EInvalidOperation(p == parent ? TResId::ControlParentIsSelf
                                          : TResId::ControlParentIsDescendant);
  if (FParent) FParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

POINT TControl::ClientOrigin() {
  if (!FParent) throw EInvalidOperation(TResId::NoParentWindow, {Name()});
  POINT p = FParent->ClientOrigin();
  return {p.x + FLeft, p.y + FTop};
}

RECT TControl::ClientRect() { return {0, 0, FWidth, FHeight}; }

void TControl::AttachToParent(TComponent* parent) {
  if (parent && parent->Is<TWinControl>()) SetParent(static_cast<TWinControl*>(parent));
}

TComponent* TControl::ParentComponent() const { return FParent; }
bool TControl::HasParentComponent() const { return FParent != nullptr; }

void TControl::SetZOrder(bool topMost) {
  if (!FParent || !FParent->FPlainControls) return;
  SetZOrderPosition(topMost ? FParent->FPlainControls->Count() - 1 : 0);
}

void TControl::SetZOrderPosition(int position) {
  if (!FParent || !FParent->FPlainControls) return;
  TList& list = *FParent->FPlainControls;
  const int index = list.IndexOf(this);
  if (index < 0) return;
  position = std::clamp(position, 0, list.Count() - 1);
  if (position == index) return;
  TControl* form = RequireParentForm(this).FormControl();  // before anything moves
  list.Delete(index);
  list.Insert(position, this);
  InvalidateControl(FVisible, true);
  if (form->ControlState() & csPaletteOwner) form->PaletteChanged(true);
}

// --- Streaming -----------------------------------------------------------------------------

void TControl::ReadContent(TReader& reader) {
  FControlState |= csReadingState;
  try {
    if (reader.Parent() && reader.Parent()->Is<TWinControl>())
      SetParent(static_cast<TWinControl*>(reader.Parent()));
    TComponent::ReadContent(reader);
  } catch (...) {
    FControlState &= ~csReadingState;
    throw;
  }
  FControlState &= ~csReadingState;
  if (FParent) {
    PerformMessage(XM_PARENT_COLOR_CHANGED);
    PerformMessage(XM_PARENT_FONT_CHANGED);
    PerformMessage(XM_PARENT_SHOW_HINT_CHANGED);
  }
}

void TControl::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  TPersistent* a = filer.Ancestor();
  const bool differs = a && a->Is<TControl>() ? static_cast<TControl*>(a)->FIsControl != FIsControl
                                              : FIsControl;
  filer.DeclareProperty("IsControl", TReaderProc::Of<&TControl::ReadIsControl>(this),
                        TWriterProc::Of<&TControl::WriteIsControl>(this), differs);
}

void TControl::ReadIsControl(TReader& reader) { FIsControl = reader.ReadBool(); }
void TControl::WriteIsControl(TWriter& writer) { writer.WriteBool(FIsControl); }

void TControl::Notify(TComponent* component, TOperation operation) {
  TComponent::Notify(component, operation);
  if (operation == ntRemoved && component == FPopupMenu) FPopupMenu = nullptr;
}

// --- Scaling -------------------------------------------------------------------------------

void TControl::ApplyScale(int multiplier, int divisor) {
  if (multiplier == divisor) {
    FScalingFlags = 0;
    return;
  }
  const std::uint8_t flags = (ComponentState() & stLoading) ? FScalingFlags
                                                            : sfLeft | sfTop | sfWidth | sfHeight | sfFont;
  const int x = flags & sfLeft ? MulDiv(FLeft, multiplier, divisor) : FLeft;
  const int y = flags & sfTop ? MulDiv(FTop, multiplier, divisor) : FTop;
  // Scaling the right and bottom edges keeps adjacent controls adjacent.
  const int w = (flags & sfWidth) && !(FControlStyle & csFixedWidth)
                    ? MulDiv(FLeft + FWidth, multiplier, divisor) - x
                    : FWidth;
  const int h = (flags & sfHeight) && !(FControlStyle & csFixedHeight)
                    ? MulDiv(FTop + FHeight, multiplier, divisor) - y
                    : FHeight;
  SetBounds(x, y, w, h);
  if (!FParentFont && (flags & sfFont) && !TDensityScaling::Active())
    FFont->SetSize(MulDiv(FFont->Size(), multiplier, divisor));
  FScalingFlags = 0;
}

// --- Events --------------------------------------------------------------------------------

void TControl::Click() {
  if (OnClick.Assigned()) OnClick(this);
}
void TControl::DoubleClick() {
  if (OnDblClick.Assigned()) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown.Assigned()) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove.Assigned()) OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp.Assigned()) OnMouseUp(this, button, shift, x, y);
}
void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  accept = true;
  if (OnDragOver.Assigned())
    OnDragOver(this, source, x, y, state, accept);
  else
    accept = false;
}
void TControl::DragDrop(TObject* source, int x, int y) {
  if (OnDragDrop.Assigned()) OnDragDrop(this, source, x, y);
}
void TControl::NotifyEndDrag(TObject* target, int x, int y) {
  if (OnEndDrag.Assigned()) OnEndDrag(this, target, x, y);
}
void TControl::NotifyStartDrag(TDragObject*& dragObject) {
  if (OnStartDrag.Assigned()) OnStartDrag(this, dragObject);
}

// --- Messages ------------------------------------------------------------------------------

void TControl::HandleMessage(TMessage& message) {
  if (InDesignState())
    if (IFormHost* form = ParentFormOf(this); form && form->DesignerTakes(this, message)) return;
  if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST) {
    if (!(FControlStyle & csDoubleClicks) &&
        (message.Msg == WM_LBUTTONDBLCLK || message.Msg == WM_RBUTTONDBLCLK || message.Msg == WM_MBUTTONDBLCLK))
      message.Msg -= 2;  // the matching button-down
    switch (message.Msg) {
      case WM_MOUSEMOVE:
        AppHost().HintMouseMove(this, message);
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (FDragMode == dmAutomatic) {
          BeginDrag(true);
          return;
        }
        FControlState |= csLeftButtonDown;
        break;
      case WM_LBUTTONUP:
        FControlState &= ~csLeftButtonDown;
        break;
      default:
        break;
    }
  }
  Dispatch(message);
}

void TControl::ButtonDown(TMessage& message, TMouseButton button, TShiftState extra) {
  if (FControlStyle & csNoStandardEvents) return;
  POINT p = MessagePoint(message);
  MouseDown(button, ShiftStateFromKeys(message.WParam) | extra, p.x, p.y);
}

void TControl::ButtonUp(TMessage& message, TMouseButton button) {
  if (FControlStyle & csNoStandardEvents) return;
  POINT p = MessagePoint(message);
  MouseUp(button, ShiftStateFromKeys(message.WParam), p.x, p.y);
}

void TControl::WMLButtonDown(TMessage& message) {
  CancelActiveModes(this);
  Inherited<TControl>(message);
  if (FControlStyle & csCapturesMouse) SetMouseCapture(true);
  if (FControlStyle & csClickEvents) FControlState |= csClicked;
  ButtonDown(message, mbLeft, 0);
}

void TControl::WMLButtonDblClk(TMessage& message) {
  CancelActiveModes(this);
  Inherited<TControl>(message);
  if (FControlStyle & csCapturesMouse) SetMouseCapture(true);
  if (FControlStyle & csClickEvents) DoubleClick();
  ButtonDown(message, mbLeft, ssDouble);
}

void TControl::WMRButtonDown(TMessage& message) {
  Inherited<TControl>(message);
  ButtonDown(message, mbRight, 0);
}
void TControl::WMRButtonDblClk(TMessage& message) {
  Inherited<TControl>(message);
  ButtonDown(message, mbRight, ssDouble);
}
void TControl::WMMButtonDown(TMessage& message) {
  Inherited<TControl>(message);
  ButtonDown(message, mbMiddle, 0);
}
void TControl::WMMButtonDblClk(TMessage& message) {
  Inherited<TControl>(message);
  ButtonDown(message, mbMiddle, ssDouble);
}

void TControl::WMMouseMove(TMessage& message) {
  Inherited<TControl>(message);
  if (FControlStyle & csNoStandardEvents) return;
  POINT p = MessagePoint(message);
  MouseMove(ShiftStateFromKeys(message.WParam), p.x, p.y);
}

void TControl::WMLButtonUp(TMessage& message) {
  Inherited<TControl>(message);
  if (FControlStyle & csCapturesMouse) SetMouseCapture(false);
  if (FControlState & csClicked) {
    FControlState &= ~csClicked;
    RECT r = ClientRect();
    if (PtInRect(&r, MessagePoint(message))) Click();
  }
  ButtonUp(message, mbLeft);
}

void TControl::WMRButtonUp(TMessage& message) {
  Inherited<TControl>(message);
  ButtonUp(message, mbRight);
  PopupMenuAt(MessagePoint(message));
}

void TControl::WMMButtonUp(TMessage& message) {
  Inherited<TControl>(message);
  ButtonUp(message, mbMiddle);
}

void TControl::WMNCLButtonDown(TMessage& message) {
  CancelActiveModes(this);
  Inherited<TControl>(message);
}

void TControl::WMCancelMode(TMessage& message) {
  // The platform's handling releases a window's capture, so whether the
  // control held it is asked first.
  const bool captured = MouseCapture();
  Inherited<TControl>(message);
  if (!captured) return;
  SetMouseCapture(false);
  // Released at (-1, -1), outside the control, so no click follows.
  if (FControlState & csLeftButtonDown) PerformMessage(WM_LBUTTONUP, 0, -1);
}

void TControl::PopupMenuAt(POINT clientPoint) {
  if (InDesignState()) return;
  for (TControl* c = this; c; c = c->FParent) {
    auto* menu = dynamic_cast<IPopupMenu*>(c->EffectivePopupMenu());
    if (!menu || !menu->AutoPopup()) continue;
    c->CancelActiveModes(nullptr);
    menu->SetPopupComponent(c);
    POINT screen = ClientToScreen(clientPoint);
    menu->Popup(screen.x, screen.y);
    return;
  }
}

void TControl::CancelActiveModes(TControl* sender) {
  if (IFormHost* form = ParentFormOf(this)) form->CancelActiveModes(sender);
}

// A control inherits colour, font and hint setting from its parent while
// its Parent… flag is set; the setter clears the flag, which is set again.
void TControl::XMParentColorChanged(TMessage&) {
  if (!FParentColor || !FParent) return;
  SetColor(FParent->Color());
  FParentColor = true;
}

void TControl::XMParentFontChanged(TMessage&) {
  if (!FParentFont || !FParent) return;
  SetFont(FParent->Font());
  FParentFont = true;
}

void TControl::XMParentShowHintChanged(TMessage&) {
  if (!FParentShowHint || !FParent) return;
  SetShowHint(FParent->ShowHint());
  FParentShowHint = true;
}

void TControl::XMVisibleChanged(TMessage&) {
  if (!InDesignState() || (FControlStyle & csHiddenWhileDesigning))
    InvalidateControl(true, FVisible && (FControlStyle & csOpaque));
}

void TControl::XMRepaintOnChange(TMessage&) { Invalidate(); }

void TControl::XMMouseEnterLeave(TMessage& message) {
  if (FParent) FParent->PerformMessage(message.Msg, message.WParam, reinterpret_cast<long>(this));
}

void TControl::XMHitTest(TMessage& message) { message.Result = 1; }
void TControl::XMDesignHitTest(TMessage& message) { message.Result = 0; }

// --- Capture -------------------------------------------------------------------------------

namespace {
TControl* CaptureControl = nullptr;
}

TControl* GetCaptureControl() {
  TControl* control = FindControl(GetCapture());
  if (control && CaptureControl && CaptureControl->Parent() == control) control = CaptureControl;
  return control;
}

void SetCaptureControl(TControl* control) {
  ReleaseCapture();
  CaptureControl = nullptr;
  if (!control) return;
  if (!control->Is<TWinControl>()) {
    if (!control->Parent()) return;
    CaptureControl = control;
    control = control->Parent();
  }
  SetCapture(static_cast<TWinControl*>(control)->Handle());
}

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool value) {
  if (value == MouseCapture()) return;
  SetCaptureControl(value ? this : nullptr);
}

// --- Module helpers ------------------------------------------------------------------------

String ShortHintOf(const String& hint) { return hint.substr(0, hint.find('|')); }

String LongHintOf(const String& hint) {
  const std::size_t bar = hint.find('|');
  return bar == String::npos ? hint : hint.substr(bar + 1);
}

bool MatchesMnemonic(char character, const String& caption) {
  const std::size_t amp = caption.find('&');
  if (amp == String::npos || amp + 1 >= caption.size()) return false;
  const char a[2] = {caption[amp + 1], 0}, b[2] = {character, 0};
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, 1, b, 1) == CSTR_EQUAL;
}

TShiftState ShiftStateFromKeys(unsigned int keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (keys & MK_LBUTTON) shift |= ssLeft;
  if (keys & MK_RBUTTON) shift |= ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

TShiftState ShiftStateFromKeyData(long keyData) {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (AltHeld(keyData)) shift |= ssAlt;
  return shift;
}
