#include "StdCtrls.h"

namespace {
constexpr const char* AlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
constexpr UINT AlignmentFlags[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
}  // namespace

constinit const TTypeInfo AlignmentTypeInfo = EnumType("TAlignment", AlignmentNames);

// --- Buttons ------------------------------------------------------------------------------------

SONDREL_CLASS_RECORD(TButtonControl, TWinControl, "StdCtrls");

template <>
struct TClassTables<TButton> {
  using B = TButton;
  using C = TControl;
  static constexpr auto Messages = MessageTable({
      MessageHandler<&B::XMDialogKey>(XM_DIALOG_KEY),
      MessageHandler<&B::XMDialogChar>(XM_DIALOG_CHAR),
      MessageHandler<&B::XMFocusChanged>(XM_FOCUS_CHANGED),
      MessageHandler<&B::XNCommand>(XN_COMMAND),
  });
  static constexpr TPropInfo Props[] = {
      Prop<&B::Cancel, &B::SetCancel>("Cancel", BooleanTypeInfo).Default(0),
      Prop<&C::Caption, &C::SetText>("Caption", CaptionTypeInfo),
      Prop<&B::Default, &B::SetDefault>("Default", BooleanTypeInfo).Default(0),
      Prop<&C::DragCursor, &C::SetDragCursor>("DragCursor", CursorTypeInfo).Default(crDrag),
      Prop<&C::DragMode, &C::SetDragMode>("DragMode", DragModeTypeInfo).Default(dmManual),
      Prop<&C::Enabled, &C::SetEnabled>("Enabled", BooleanTypeInfo).Default(1),
      Prop<&C::Font, &C::SetFont>("Font", ClassTypeInfo<TFont>).StoredWhen<&C::IsFontStored>(),
      Prop<&B::ModalResult, &B::SetModalResult>("ModalResult", ModalResultTypeInfo).Default(0),
      Prop<&C::ParentFont, &C::SetParentFont>("ParentFont", BooleanTypeInfo).Default(1),
      Prop<&C::ParentShowHint, &C::SetParentShowHint>("ParentShowHint", BooleanTypeInfo).Default(1),
      Prop<&C::PopupMenu, &C::SetPopupMenu>("PopupMenu", PopupMenuTypeInfo),
      Prop<&C::ShowHint, &C::SetShowHint>("ShowHint", BooleanTypeInfo).StoredWhen<&C::IsShowHintStored>(),
      Prop<&TWinControl::TabOrder, &TWinControl::SetTabOrder>("TabOrder", TabOrderTypeInfo).Default(-1),
      Prop<&TWinControl::TabStop, &TWinControl::SetTabStop>("TabStop", BooleanTypeInfo).Default(1),
      Prop<&C::Visible, &C::SetVisible>("Visible", BooleanTypeInfo).Default(1),
      Prop<&C::OnClick>("OnClick", NotifyEventTypeInfo),
      Prop<&C::OnDragDrop>("OnDragDrop", DragDropEventTypeInfo),
      Prop<&C::OnDragOver>("OnDragOver", DragOverEventTypeInfo),
      Prop<&C::OnEndDrag>("OnEndDrag", EndDragEventTypeInfo),
      Prop<&TWinControl::OnEnter>("OnEnter", NotifyEventTypeInfo),
      Prop<&TWinControl::OnExit>("OnExit", NotifyEventTypeInfo),
      Prop<&TWinControl::OnKeyDown>("OnKeyDown", KeyEventTypeInfo),
      Prop<&TWinControl::OnKeyPress>("OnKeyPress", KeyPressEventTypeInfo),
      Prop<&TWinControl::OnKeyUp>("OnKeyUp", KeyEventTypeInfo),
      Prop<&C::OnMouseDown>("OnMouseDown", MouseEventTypeInfo),
      Prop<&C::OnMouseMove>("OnMouseMove", MouseMoveEventTypeInfo),
      Prop<&C::OnMouseUp>("OnMouseUp", MouseEventTypeInfo),
      Prop<&C::OnStartDrag>("OnStartDrag", StartDragEventTypeInfo),
  };
};
SONDREL_PUBLISHED_MESSAGE_CLASS(TButton, TButtonControl, "StdCtrls", TClassTables<TButton>::Messages,
                                {.Props = TClassTables<TButton>::Props, .Create = &NewComponent<TButton>});

void TButtonControl::HandleMessage(TMessage& message) {
  if (!(ComponentState() & stDesigning)) {
    if ((message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK) && !Focused()) {
      // The press first moves the focus here; a refused focus drops it.
      FSuppressClicks = true;
      ::SetFocus(Handle());
      FSuppressClicks = false;
      if (!Focused()) return;
    } else if (message.Msg == XN_COMMAND && FSuppressClicks) {
      return;  // focus changes made by the press click nothing
    }
  }
  TWinControl::HandleMessage(message);
}

TButton::TButton(const TOwner& owner) : TButtonControl(owner) {
  SetControlStyle(csCaptionFollowsName | csOpaque | csDoubleClicks);
  SetBounds(Left(), Top(), 75, 25);
  SetTabStop(true);
}

void TButton::FillCreateParams(TCreateParams& params) {
  TButtonControl::FillCreateParams(params);
  // The platform's button class, taken over under this class's name.
  WNDCLASSA button;
  if (!GetClassInfoA(GetModuleHandleA(nullptr), "BUTTON", &button)) GetClassInfoA(nullptr, "BUTTON", &button);
  params.WindowClass = button;
  params.WindowClass.style &= ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
  params.WindowClass.style |= CS_VREDRAW | CS_HREDRAW;
  params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::BuildWindow() {
  TButtonControl::BuildWindow();
  FDrawnAsDefault = FDefault;
}

void TButton::Click() {
  if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TButtonControl::Click();
}

void TButton::ApplyDefaultStyle(bool isDefault) {
  if (!HandleAllocated()) return;
  const LONG type = GetWindowLongA(Handle(), GWL_STYLE) & 0x0F;
  if (type != (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON))
    SendMessageA(Handle(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 1);
}

void TButton::SetDefault(bool value) {
  FDefault = value;
  if (!HandleAllocated()) return;
  // Every button of the form recomputes its default look.
  if (TForm* form = GetParentForm(this))
    form->PerformMessage(XM_FOCUS_CHANGED, 0, reinterpret_cast<long>(form->ActiveControl()));
}

void TButton::XMDialogKey(TMessage& message) {
  const unsigned key = message.WParam;
  const bool plain = GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && !AltHeld(message.LParam);
  if (((key == VK_RETURN && FDrawnAsDefault) || (key == VK_ESCAPE && FCancel)) && plain && CanFocus()) {
    Click();
    message.Result = 1;
    return;
  }
  Inherited<TButton>(message);
}

void TButton::XMDialogChar(TMessage& message) {
  if (MatchesMnemonic(static_cast<char>(message.WParam), GetText()) && CanFocus()) {
    Click();  // without taking the focus
    message.Result = 1;
    return;
  }
  Inherited<TButton>(message);
}

void TButton::XMFocusChanged(TMessage& message) {
  auto* focused = reinterpret_cast<TControl*>(message.LParam);
  FDrawnAsDefault = focused && focused->Is<TButton>() ? focused == this : FDefault;
  ApplyDefaultStyle(FDrawnAsDefault);
  Inherited<TButton>(message);
}

void TButton::XNCommand(TMessage& message) {
  if (HIWORD(message.WParam) == BN_CLICKED) Click();
}

// --- Labels -------------------------------------------------------------------------------------

template <>
struct TClassTables<TCustomLabel> {
  using L = TCustomLabel;
  static constexpr auto Messages = MessageTable({
      MessageHandler<&L::XMTextChanged>(XM_TEXT_CHANGED),
      MessageHandler<&L::XMFontChanged>(XM_FONT_CHANGED),
      MessageHandler<&L::XMDialogChar>(XM_DIALOG_CHAR),
  });
};
SONDREL_MESSAGE_CLASS(TCustomLabel, TGraphicControl, "StdCtrls", TClassTables<TCustomLabel>::Messages);

template <>
struct TClassTables<TLabel> {
  using L = TCustomLabel;
  using C = TControl;
  static constexpr TPropInfo Props[] = {
      Prop<&C::Align, &C::SetAlign>("Align", AlignTypeInfo).Default(alNone),
      Prop<&L::Alignment, &L::SetAlignment>("Alignment", AlignmentTypeInfo).Default(taLeftJustify),
      Prop<&L::AutoSize, &L::SetAutoSize>("AutoSize", BooleanTypeInfo).Default(1),
      Prop<&C::Caption, &C::SetText>("Caption", CaptionTypeInfo),
      Prop<&C::Color, &C::SetColor>("Color", ColorTypeInfo).StoredWhen<&C::IsColorStored>(),
      Prop<&C::DragCursor, &C::SetDragCursor>("DragCursor", CursorTypeInfo).Default(crDrag),
      Prop<&C::DragMode, &C::SetDragMode>("DragMode", DragModeTypeInfo).Default(dmManual),
      Prop<&C::Enabled, &C::SetEnabled>("Enabled", BooleanTypeInfo).Default(1),
      Prop<&L::FocusControl, &L::SetFocusControl>("FocusControl", ClassTypeInfo<TWinControl>),
      Prop<&C::Font, &C::SetFont>("Font", ClassTypeInfo<TFont>).StoredWhen<&C::IsFontStored>(),
      Prop<&C::ParentColor, &C::SetParentColor>("ParentColor", BooleanTypeInfo).Default(1),
      Prop<&C::ParentFont, &C::SetParentFont>("ParentFont", BooleanTypeInfo).Default(1),
      Prop<&C::ParentShowHint, &C::SetParentShowHint>("ParentShowHint", BooleanTypeInfo).Default(1),
      Prop<&C::PopupMenu, &C::SetPopupMenu>("PopupMenu", PopupMenuTypeInfo),
      Prop<&L::ShowAccelChar, &L::SetShowAccelChar>("ShowAccelChar", BooleanTypeInfo).Default(1),
      Prop<&C::ShowHint, &C::SetShowHint>("ShowHint", BooleanTypeInfo).StoredWhen<&C::IsShowHintStored>(),
      Prop<&L::Transparent, &L::SetTransparent>("Transparent", BooleanTypeInfo).Default(0),
      Prop<&C::Visible, &C::SetVisible>("Visible", BooleanTypeInfo).Default(1),
      Prop<&L::WordWrap, &L::SetWordWrap>("WordWrap", BooleanTypeInfo).Default(0),
      Prop<&C::OnClick>("OnClick", NotifyEventTypeInfo),
      Prop<&C::OnDblClick>("OnDblClick", NotifyEventTypeInfo),
      Prop<&C::OnDragDrop>("OnDragDrop", DragDropEventTypeInfo),
      Prop<&C::OnDragOver>("OnDragOver", DragOverEventTypeInfo),
      Prop<&C::OnEndDrag>("OnEndDrag", EndDragEventTypeInfo),
      Prop<&C::OnMouseDown>("OnMouseDown", MouseEventTypeInfo),
      Prop<&C::OnMouseMove>("OnMouseMove", MouseMoveEventTypeInfo),
      Prop<&C::OnMouseUp>("OnMouseUp", MouseEventTypeInfo),
      Prop<&C::OnStartDrag>("OnStartDrag", StartDragEventTypeInfo),
  };
};
SONDREL_PUBLISHED_CLASS(TLabel, TCustomLabel, "StdCtrls",
                        {.Props = TClassTables<TLabel>::Props, .Create = &NewComponent<TLabel>});

TCustomLabel::TCustomLabel(const TOwner& owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | csOpaque | csReserved11);
  SetBounds(Left(), Top(), 65, 17);
}

void TCustomLabel::SetFocusControl(TWinControl* control) {
  FFocusControl = control;
  if (control) RequestFreeNotice(control);
}

void TCustomLabel::Notify(TComponent* component, TOperation operation) {
  TGraphicControl::Notify(component, operation);
  if (operation == ntRemoved && component == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (value == FShowAccelChar) return;
  FShowAccelChar = value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  AdjustBounds();
}

void TCustomLabel::SetTransparent(bool value) {
  if (value == Transparent()) return;
  SetControlStyle(value ? ControlStyle() & ~csOpaque : ControlStyle() | csOpaque);
  Invalidate();
}

void TCustomLabel::DrawLabelText(RECT& rect, UINT flags) {
  String text = LabelText();
  // An empty label (or a lone mnemonic mark) still measures one line high.
  if (((flags & DT_CALCRECT) && text.empty()) || (FShowAccelChar && text == "&")) text += ' ';
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  if (!Enabled()) canvas->Font()->SetColor(clGrayText);  // drawn flat, without an embossed shadow
  DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  RECT r = ClientRect();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(r);
  }
  canvas->Brush()->SetStyle(bsClear);
  DrawLabelText(r, DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | AlignmentFlags[FAlignment]);
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || (ComponentState() & stReading)) return;
  RECT r = ClientRect();
  HDC dc = GetDC(nullptr);
  Canvas()->SetHandle(dc);
  try {
    DrawLabelText(r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
  } catch (...) {
    Canvas()->SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    throw;
  }
  Canvas()->SetHandle(nullptr);
  ReleaseDC(nullptr, dc);
  // A right-aligned label keeps its right edge.
  const int x = FAlignment == taRightJustify ? Left() + Width() - (r.right - r.left) : Left();
  SetBounds(x, Top(), r.right - r.left, r.bottom - r.top);
}

void TCustomLabel::XMTextChanged(TMessage&) {
  Invalidate();
  AdjustBounds();
}

void TCustomLabel::XMFontChanged(TMessage& message) {
  Inherited<TCustomLabel>(message);
  AdjustBounds();
}

void TCustomLabel::XMDialogChar(TMessage& message) {
  if (FFocusControl && Enabled() && FShowAccelChar && MatchesMnemonic(static_cast<char>(message.WParam), GetText()) &&
      FFocusControl->CanFocus()) {
    FFocusControl->SetFocus();
    message.Result = 1;
  }
}
