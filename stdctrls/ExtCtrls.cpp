#include "ExtCtrls.h"

namespace {
constexpr const char* PanelBevelNames[] = {"bvNone", "bvLowered", "bvRaised"};
constinit const TTypeInfo BevelWidthTypeInfo = IntegerType("TBevelWidth", otSLong, 1, INT32_MAX);
constinit const TTypeInfo BorderWidthTypeInfo = IntegerType("TBorderWidth", otSLong, 0, INT32_MAX);
constexpr UINT AlignmentFlags[] = {DT_LEFT, DT_RIGHT, DT_CENTER};

bool NewShellStyle() { return LOBYTE(LOWORD(GetVersion())) > 3; }
}  // namespace

constinit const TTypeInfo PanelBevelTypeInfo = EnumType("TPanelBevel", PanelBevelNames);

template <>
struct TClassTables<TCustomPanel> {
  using P = TCustomPanel;
  static constexpr auto Messages = MessageTable({
      MessageHandler<&P::XMTextChanged>(XM_TEXT_CHANGED),
      MessageHandler<&P::XMCtl3DChanged>(XM_CTL3D_CHANGED),
      MessageHandler<&P::XMContainerQuery>(XM_CONTAINER_QUERY),
      MessageHandler<&P::WMSize>(WM_SIZE),
  });
};
SONDREL_MESSAGE_CLASS(TCustomPanel, TCustomControl, "ExtCtrls", TClassTables<TCustomPanel>::Messages);

template <>
struct TClassTables<TPanel> {
  using P = TCustomPanel;
  using C = TControl;
  using W = TWinControl;
  static constexpr TPropInfo Props[] = {
      Prop<&C::Align, &C::SetAlign>("Align", AlignTypeInfo).Default(alNone),
      Prop<&P::Alignment, &P::SetAlignment>("Alignment", AlignmentTypeInfo).Default(taCenter),
      Prop<&P::BevelInner, &P::SetBevelInner>("BevelInner", PanelBevelTypeInfo).Default(bvNone),
      Prop<&P::BevelOuter, &P::SetBevelOuter>("BevelOuter", PanelBevelTypeInfo).Default(bvRaised),
      Prop<&P::BevelWidth, &P::SetBevelWidth>("BevelWidth", BevelWidthTypeInfo).Default(1),
      Prop<&P::BorderWidth, &P::SetBorderWidth>("BorderWidth", BorderWidthTypeInfo).Default(0),
      Prop<&P::BorderStyle, &P::SetBorderStyle>("BorderStyle", BorderStyleTypeInfo).Default(bsNone),
      Prop<&C::DragCursor, &C::SetDragCursor>("DragCursor", CursorTypeInfo).Default(crDrag),
      Prop<&C::DragMode, &C::SetDragMode>("DragMode", DragModeTypeInfo).Default(dmManual),
      Prop<&C::Enabled, &C::SetEnabled>("Enabled", BooleanTypeInfo).Default(1),
      Prop<&C::Caption, &C::SetText>("Caption", CaptionTypeInfo),
      Prop<&C::Color, &C::SetColor>("Color", ColorTypeInfo).Default(clBtnFace).StoredWhen<&C::IsColorStored>(),
      Prop<&W::Ctl3D, &W::SetCtl3D>("Ctl3D", BooleanTypeInfo).StoredWhen<&W::IsCtl3DStored>(),
      Prop<&C::Font, &C::SetFont>("Font", ClassTypeInfo<TFont>).StoredWhen<&C::IsFontStored>(),
      Prop<&P::Locked, &P::SetLocked>("Locked", BooleanTypeInfo).Default(0),
      Prop<&C::ParentColor, &C::SetParentColor>("ParentColor", BooleanTypeInfo).Default(0),
      Prop<&W::ParentCtl3D, &W::SetParentCtl3D>("ParentCtl3D", BooleanTypeInfo).Default(1),
      Prop<&C::ParentFont, &C::SetParentFont>("ParentFont", BooleanTypeInfo).Default(1),
      Prop<&C::ParentShowHint, &C::SetParentShowHint>("ParentShowHint", BooleanTypeInfo).Default(1),
      Prop<&C::PopupMenu, &C::SetPopupMenu>("PopupMenu", PopupMenuTypeInfo),
      Prop<&C::ShowHint, &C::SetShowHint>("ShowHint", BooleanTypeInfo).StoredWhen<&C::IsShowHintStored>(),
      Prop<&W::TabOrder, &W::SetTabOrder>("TabOrder", TabOrderTypeInfo).Default(-1),
      Prop<&W::TabStop, &W::SetTabStop>("TabStop", BooleanTypeInfo).Default(0),
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
      Prop<&P::OnResize>("OnResize", NotifyEventTypeInfo),
      Prop<&C::OnStartDrag>("OnStartDrag", StartDragEventTypeInfo),
  };
};
SONDREL_PUBLISHED_CLASS(TPanel, TCustomPanel, "ExtCtrls",
                        {.Props = TClassTables<TPanel>::Props, .Create = &NewComponent<TPanel>});

TCustomPanel::TCustomPanel(const TOwner& owner) : TCustomControl(owner) {
  SetControlStyle(csAcceptsChildren | csCapturesMouse | csClickEvents | csCaptionFollowsName | csOpaque |
                  csDoubleClicks | csReserved11);
  SetBounds(Left(), Top(), 185, 41);
  SetColor(clBtnFace);
}

// Bevels and border change the room offered to the children and the picture;
// setting them realigns and repaints even when the value is the same.
void TCustomPanel::LayoutChanged() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment value) {
  FAlignment = value;
  Invalidate();
}
void TCustomPanel::SetBevelInner(TPanelBevel value) {
  FBevelInner = value;
  LayoutChanged();
}
void TCustomPanel::SetBevelOuter(TPanelBevel value) {
  FBevelOuter = value;
  LayoutChanged();
}
void TCustomPanel::SetBevelWidth(int value) {
  FBevelWidth = value;
  LayoutChanged();
}
void TCustomPanel::SetBorderWidth(int value) {
  FBorderWidth = value;
  LayoutChanged();
}

void TCustomPanel::SetBorderStyle(TFormBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  RecreateWindow();
}

void TCustomPanel::FillCreateParams(TCreateParams& params) {
  TCustomControl::FillCreateParams(params);
  if (FBorderStyle != bsSingle) return;
  if (NewShellStyle() && Ctl3D())
    params.ExStyle |= WS_EX_CLIENTEDGE;  // a sunken edge instead of the line
  else
    params.Style |= WS_BORDER;
}

void TCustomPanel::ArrangeChildren(TControl* control, RECT& rect) {
  int inset = FBorderWidth;
  if (FBevelOuter != bvNone) inset += FBevelWidth;
  if (FBevelInner != bvNone) inset += FBevelWidth;
  InflateRect(&rect, -inset, -inset);
  TCustomControl::ArrangeChildren(control, rect);
}

void DrawBevelFrame(TCanvas& canvas, RECT& rect, TColor topLeft, TColor bottomRight, int width) {
  canvas.Pen()->SetWidth(1);
  --rect.bottom;
  --rect.right;
  for (int i = 0; i < width; ++i) {
    // A polyline leaves out its last point: the top-right corner takes the
    // bottom-right colour and the second line covers the bottom-left one.
    canvas.Pen()->SetColor(topLeft);
    const POINT upper[] = {{rect.left, rect.bottom}, {rect.left, rect.top}, {rect.right, rect.top}};
    canvas.Polyline(upper, 2);
    canvas.Pen()->SetColor(bottomRight);
    const POINT lower[] = {{rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left - 1, rect.bottom}};
    canvas.Polyline(lower, 2);
    InflateRect(&rect, -1, -1);
  }
  ++rect.bottom;
  ++rect.right;
}

void TCustomPanel::Paint() {
  TCanvas& canvas = *Canvas();
  RECT r = ClientRect();
  auto bevel = [&](TPanelBevel kind) {
    const bool lowered = kind == bvLowered;
    DrawBevelFrame(canvas, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
                   FBevelWidth);
  };
  if (FBevelOuter != bvNone) bevel(FBevelOuter);
  DrawBevelFrame(canvas, r, Color(), Color(), FBorderWidth);
  if (FBevelInner != bvNone) bevel(FBevelInner);
  canvas.Brush()->SetColor(Color());
  canvas.FillRect(r);
  canvas.Brush()->SetStyle(bsClear);
  canvas.SetFont(Font());
  // One text line, centred vertically by hand; the text is clipped to it.
  const int h = canvas.TextHeight("W");
  r.top = (r.top + r.bottom - h) / 2;
  r.bottom = r.top + h;
  const String caption = GetText();
  DrawTextA(canvas.Handle(), caption.c_str(), -1, &r, DT_EXPANDTABS | DT_VCENTER | AlignmentFlags[FAlignment]);
}

void TCustomPanel::NotifyResize() {
  if (FRepaintOnResize) Invalidate();
  if (OnResize.Assigned()) OnResize(this);
}

void TCustomPanel::XMTextChanged(TMessage&) { Invalidate(); }

void TCustomPanel::XMCtl3DChanged(TMessage& message) {
  if (NewShellStyle() && FBorderStyle == bsSingle) RecreateWindow();
  Inherited<TCustomPanel>(message);
}

void TCustomPanel::XMContainerQuery(TMessage& message) {
  if (!FLocked) message.Result = 1;
}

void TCustomPanel::WMSize(TMessage& message) {
  Inherited<TCustomPanel>(message);
  if (!(ComponentState() & stLoading)) NotifyResize();
}
