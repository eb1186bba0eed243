#include "StreamingClasses.h"

#include <algorithm>
#include <tuple>

#include "Registry.h"
#include "Runtime.h"

namespace streaming_test {

namespace {

const char* const FontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
const char* const AlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
const char* const PanelBevelNames[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
const char* const KindNames[] = {"kdFirst", "kdSecond", "kdThird"};
const char* const SmallNames[] = {"smA", "smB", "smC", "smD"};

constinit const TTypeInfo CharsetType = IntegerType("TFontCharset", otUByte, 0, 255);
constinit const TTypeInfo FontStyleType = EnumType("TFontStyle", FontStyleNames);
constinit const TTypeInfo FontStylesType = SetType("TFontStyles", FontStyleType);
constinit const TTypeInfo TabOrderType = IntegerType("TTabOrder", otSWord, -1, 32767);
constinit const TTypeInfo CaptionType = StringType("TCaption");
constinit const TTypeInfo FontNameType = ShortTextType("TFontName", 31);
constinit const TTypeInfo AlignmentType = EnumType("TAlignment", AlignmentNames);
constinit const TTypeInfo PanelBevelType = EnumType("TPanelBevel", PanelBevelNames);
constinit const TTypeInfo KindType = EnumType("TKind", KindNames);
constinit const TTypeInfo SmallType = EnumType("TSmall", SmallNames);
constinit const TTypeInfo SmallsType = SetType("TSmalls", SmallType);
constinit const TTypeInfo Int8Type = IntegerType("ShortInt", otSByte, -128, 127);
constinit const TTypeInfo UInt8Type = IntegerType("Byte", otUByte, 0, 255);
constinit const TTypeInfo Int16Type = IntegerType("SmallInt", otSWord, -32768, 32767);
constinit const TTypeInfo UInt16Type = IntegerType("Word", otUWord, 0, 65535);
constinit const TTypeInfo CharTypeInfo = CharType("Char");
constinit const TTypeInfo SingleType = FloatType("Single", ftSingle);
constinit const TTypeInfo DoubleType = FloatType("Double", ftDouble);
constinit const TTypeInfo ExtendedType = FloatType("Extended", ftExtended);
constinit const TTypeInfo CompType = FloatType("Comp", ftComp);
constinit const TTypeInfo CurrencyType = FloatType("Currency", ftCurr);
constinit const TTypeInfo ShortText15Type = ShortTextType("TShortText15", 15);

struct TIdent {
  std::int32_t Value;
  const char* Name;
};
const TIdent Colors[] = {{0, "clBlack"},
                         {0x000080, "clMaroon"},
                         {0xFFFFFF, "clWhite"},
                         {static_cast<std::int32_t>(0x80000008), "clWindowText"},
                         {static_cast<std::int32_t>(0x8000000F), "clBtnFace"}};
const TIdent Charsets[] = {{0, "ANSI_CHARSET"}, {1, "DEFAULT_CHARSET"}, {2, "SYMBOL_CHARSET"}};

template <const auto& Table>
bool IdentToInt(const String& identifier, std::int32_t& value) {
  for (const TIdent& e : Table)
    if (SameName(identifier, e.Name)) return value = e.Value, true;
  return false;
}

template <const auto& Table>
bool IntToIdent(std::int32_t value, String& identifier) {
  for (const TIdent& e : Table)
    if (e.Value == value) return identifier = e.Name, true;
  return false;
}

}  // namespace

constinit const TTypeInfo ColorType = IntegerType("TColor", otSLong, INT32_MIN, INT32_MAX);

void RegisterConverters() {
  RegisterIdentConverter(&ColorType, &IdentToInt<Colors>, &IntToIdent<Colors>);
  RegisterIdentConverter(&CharsetType, &IdentToInt<Charsets>, &IntToIdent<Charsets>);
}

void PrepareStreamingProgram() {
  InitRuntime();
  RegisterConverters();
  RegisterClassChain(TKindsRoot::StaticClass());
  RegisterClassChain(TEveryKind::StaticClass());
}

// --- Published tables ------------------------------------------------------------

namespace {
const TPropInfo FontProps[] = {
    Prop<&TFont::Charset>("Charset", CharsetType).Default(1),
    Prop<&TFont::Color>("Color", ColorType).Default(static_cast<std::int32_t>(0x80000008)),
    Prop<&TFont::Height>("Height", IntegerTypeInfo),
    Prop<&TFont::Name>("Name", FontNameType),
    Prop<&TFont::Style>("Style", FontStylesType).Default(0),
};
const TPropInfo ControlProps[] = {
    Prop<&TControl::Left>("Left", IntegerTypeInfo),
    Prop<&TControl::Top>("Top", IntegerTypeInfo),
    Prop<&TControl::Width>("Width", IntegerTypeInfo),
    Prop<&TControl::Height>("Height", IntegerTypeInfo),
    Prop<&TControl::Caption>("Caption", CaptionType),
    Prop<&TControl::Font, &TControl::SetFont>("Font", ClassTypeInfo<TFont>),
    Prop<&TControl::ParentFont>("ParentFont", BooleanTypeInfo).Default(1),
    Prop<&TControl::TabOrder>("TabOrder", TabOrderType).Default(-1),
    Prop<&TControl::OnClick>("OnClick", NotifyEventTypeInfo),
};
const TPropInfo PanelProps[] = {
    Prop<&TPanel::BevelOuter>("BevelOuter", PanelBevelType).Default(bvRaised),
};
const TPropInfo LabelProps[] = {
    Prop<&TLabel::Alignment>("Alignment", AlignmentType).Default(taLeftJustify),
    Prop<&TLabel::AutoSize>("AutoSize", BooleanTypeInfo).Default(1),
    Prop<&TLabel::WordWrap>("WordWrap", BooleanTypeInfo).Default(0),
};
const TPropInfo MainFormProps[] = {
    Prop<&TMainForm::PixelsPerInch>("PixelsPerInch", IntegerTypeInfo),
    Prop<&TMainForm::TextHeight>("TextHeight", IntegerTypeInfo),
};
const TMethodEntry MainFormMethods[] = {
    PublishedMethod<&TMainForm::ExitBtnClick>("ExitBtnClick"),
    PublishedMethod<&TMainForm::Play1BtnClick>("Play1BtnClick"),
    PublishedMethod<&TMainForm::Play2BtnClick>("Play2BtnClick"),
};
const TFieldEntry MainFormFields[] = {
    PublishedField<&TMainForm::ExitBtn>("ExitBtn", 0),
    PublishedField<&TMainForm::Play1Btn>("Play1Btn", 0),
    PublishedField<&TMainForm::Play2Btn>("Play2Btn", 0),
    PublishedField<&TMainForm::Panel1>("Panel1", 1),
    PublishedField<&TMainForm::Label1>("Label1", 2),
};
const TClass MainFormFieldClasses[] = {&TButton::ClassRec, &TPanel::ClassRec, &TLabel::ClassRec};
const TPropInfo ItemProps[] = {
    Prop<&TItem::Value>("Value", IntegerTypeInfo).Default(0),
    Prop<&TItem::Text>("Text", StringTypeInfo),
};
const TPropInfo EveryKindProps[] = {
    Prop<&TEveryKind::Int8>("Int8", Int8Type).Default(0),
    Prop<&TEveryKind::UInt8>("UInt8", UInt8Type).Default(0),
    Prop<&TEveryKind::Int16>("Int16", Int16Type).Default(0),
    Prop<&TEveryKind::UInt16>("UInt16", UInt16Type).Default(0),
    Prop<&TEveryKind::Int32>("Int32", IntegerTypeInfo).Default(0),
    Prop<&TEveryKind::NoDefaultInt>("NoDefaultInt", IntegerTypeInfo),
    Prop<&TEveryKind::Color>("Color", ColorType).Default(0),
    Prop<&TEveryKind::Char>("Char", CharTypeInfo).Default('A'),
    Prop<&TEveryKind::Kind>("Kind", KindType).Default(kdFirst),
    Prop<&TEveryKind::Flag>("Flag", BooleanTypeInfo).Default(0),
    Prop<&TEveryKind::Smalls>("Smalls", SmallsType).Default(0),
    Prop<&TEveryKind::Single>("Single", SingleType),
    Prop<&TEveryKind::Double>("Double", DoubleType),
    Prop<&TEveryKind::Extended>("Extended", ExtendedType),
    Prop<&TEveryKind::Comp>("Comp", CompType),
    Prop<&TEveryKind::Currency>("Currency", CurrencyType),
    Prop<&TEveryKind::ShortText>("ShortText", ShortText15Type),
    Prop<&TEveryKind::Text>("Text", StringTypeInfo),
    Prop<&TEveryKind::Reference>("Reference", ClassTypeInfo<TComponent>),
    Prop<&TEveryKind::Font, &TEveryKind::SetFont>("Font", ClassTypeInfo<TFont>),
    Prop<&TEveryKind::Items, &TEveryKind::SetItems>("Items", ClassTypeInfo<TCollection>),
    Prop<&TEveryKind::Lines, &TEveryKind::SetLines>("Lines", ClassTypeInfo<TStringList>),
    Prop<&TEveryKind::OnEvent>("OnEvent", NotifyEventTypeInfo),
    Prop<&TEveryKind::GetIndexed, &TEveryKind::SetIndexed>("Indexed0", IntegerTypeInfo)
        .WithIndex(0)
        .Default(0),
    Prop<&TEveryKind::GetIndexed, &TEveryKind::SetIndexed>("Indexed2", IntegerTypeInfo)
        .WithIndex(2)
        .Default(0),
};
const TMethodEntry KindsRootMethods[] = {
    PublishedMethod<&TKindsRoot::Handler>("Handler"),
    PublishedMethod<&TKindsRoot::OtherHandler>("OtherHandler"),
};
}  // namespace

SONDREL_PUBLISHED_CLASS(TFont, TPersistent, "Graphics", {.Props = FontProps});
SONDREL_PUBLISHED_CLASS(TControl, TComponent, "Controls",
                        {.Props = ControlProps, .Create = &NewComponent<TControl>});
SONDREL_PUBLISHED_CLASS(TButton, TControl, "StdCtrls", {.Create = &NewComponent<TButton>});
SONDREL_PUBLISHED_CLASS(TPanel, TControl, "ExtCtrls",
                        {.Props = PanelProps, .Create = &NewComponent<TPanel>});
SONDREL_PUBLISHED_CLASS(TLabel, TControl, "StdCtrls",
                        {.Props = LabelProps, .Create = &NewComponent<TLabel>});
SONDREL_PUBLISHED_CLASS(TMainForm, TControl, "MainFrm",
                        {.Props = MainFormProps,
                         .Methods = MainFormMethods,
                         .Fields = MainFormFields,
                         .FieldClasses = MainFormFieldClasses,
                         .Create = &NewComponent<TMainForm>});
SONDREL_PUBLISHED_CLASS(TItem, TCollectionItem, "Tests", {.Props = ItemProps});
SONDREL_PUBLISHED_CLASS(TEveryKind, TComponent, "Tests",
                        {.Props = EveryKindProps, .Create = &NewComponent<TEveryKind>});
SONDREL_PUBLISHED_CLASS(TKindsRoot, TComponent, "Tests",
                        {.Methods = KindsRootMethods, .Create = &NewComponent<TKindsRoot>});

// --- Behaviour -------------------------------------------------------------------

void TFont::AssignFrom(const TObject* source) {
  if (!source || !source->Is<TFont>()) return TPersistent::AssignFrom(source);
  auto* f = static_cast<const TFont*>(source);
  std::tie(Charset, Color, Height, Name, Style) =
      std::tie(f->Charset, f->Color, f->Height, f->Name, f->Style);
}

TControl::~TControl() {
  for (TControl* child : FChildren) child->FParent = nullptr;
  if (FParent) std::erase(FParent->FChildren, this);
}

void TControl::AttachToParent(TComponent* parent) {
  if (!parent || !parent->Is<TControl>() || parent == this) return;
  FParent = static_cast<TControl*>(parent);
  FParent->FChildren.push_back(this);
}

void TControl::MoveChild(TComponent* child, int position) {
  Moves.push_back({static_cast<TControl*>(child), position});
  auto it = std::find(FChildren.begin(), FChildren.end(), child);
  if (it == FChildren.end() || position < 0 || position >= static_cast<int>(FChildren.size())) return;
  FChildren.erase(it);
  FChildren.insert(FChildren.begin() + position, static_cast<TControl*>(child));
}

void TControl::AfterLoad() {
  ++AfterLoadCalls;
  if (AfterLoadLog) AfterLoadLog->push_back(Name());
  TComponent::AfterLoad();
}

void TItem::AssignFrom(const TObject* source) {
  if (!source || !source->Is<TItem>()) return TCollectionItem::AssignFrom(source);
  Value = static_cast<const TItem*>(source)->Value;
  Text = static_cast<const TItem*>(source)->Text;
}

void TEveryKind::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  TPersistent* a = filer.Ancestor();
  bool differs = a && a->Is<TEveryKind>() ? Binary != static_cast<TEveryKind*>(a)->Binary
                                          : !Binary.empty();
  filer.DeclareBinaryProperty("Data", TStreamProc::Of<&TEveryKind::ReadData>(this),
                              TStreamProc::Of<&TEveryKind::WriteData>(this), differs);
}

void TEveryKind::ReadData(TStream& stream) {
  Binary.assign(stream.Size(), '\0');
  stream.ReadBuffer(Binary.data(), static_cast<std::int32_t>(Binary.size()));
}

void TEveryKind::WriteData(TStream& stream) {
  stream.WriteBuffer(Binary.data(), static_cast<std::int32_t>(Binary.size()));
}

}  // namespace streaming_test
