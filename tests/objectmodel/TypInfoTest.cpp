// Type information: property lookup and listing, enumeration names, typed
// property access, published methods and fields.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "StreamingClasses.h"
#include "TypInfo.h"

namespace objectmodel_test {
namespace {

using namespace streaming_test;

// A label that redeclares two inherited properties and adds one.
class TRelabel : public TLabel {
  SONDREL_CLASS(TRelabel)
 public:
  using TLabel::TLabel;
  std::int32_t Extra = 0;
};
const TPropInfo RelabelProps[] = {
    Prop<&TLabel::AutoSize>("AUTOSIZE", BooleanTypeInfo).Default(0),
    Prop<&TComponent::Tag, &TComponent::SetTag>("Tag", LongintTypeInfo).Default(5),
    Prop<&TRelabel::Extra>("Extra", IntegerTypeInfo),
};
SONDREL_PUBLISHED_CLASS(TRelabel, TLabel, "Tests", {.Props = RelabelProps});

// Values stored wider than their type records say, a read-only property and a
// property stored on a condition.
class TWide : public TComponent {
  SONDREL_CLASS(TWide)
 public:
  using TComponent::TComponent;
  std::int32_t Narrow16 = 0, Narrow8 = 0;
  bool StoreIt = false;
  std::int32_t Fixed() const { return 42; }
  TCounted Counted;
};
constinit const TTypeInfo WideSWord = IntegerType("SmallInt", otSWord, -32768, 32767);
constinit const TTypeInfo WideUByte = IntegerType("Byte", otUByte, 0, 255);
const TPropInfo WideProps[] = {
    Prop<&TWide::Narrow16>("Narrow16", WideSWord),
    Prop<&TWide::Narrow8>("Narrow8", WideUByte).StoredWhen<&TWide::StoreIt>(),
    Prop<&TWide::Fixed, nullptr>("Fixed", IntegerTypeInfo),
};
SONDREL_PUBLISHED_CLASS(TWide, TComponent, "Tests", {.Props = WideProps});

// A field and a method whose names have the longest length a lookup uses.
constexpr auto LongName = [] {
  std::array<char, 256> s{};
  s[0] = 'L';
  for (int i = 1; i < 255; ++i) s[i] = 'n';
  return s;
}();
class TLongNames : public TComponent {
  SONDREL_CLASS(TLongNames)
 public:
  using TComponent::TComponent;
  TComponent* Field = nullptr;
  void Method(TObject*) {}
  TCounted Counted;
};
const TMethodEntry LongMethods[] = {PublishedMethod<&TLongNames::Method>(LongName.data())};
const TFieldEntry LongFields[] = {PublishedField<&TLongNames::Field>(LongName.data(), 0)};
const TClass LongFieldClasses[] = {&TComponent::ClassRec};
SONDREL_PUBLISHED_CLASS(TLongNames, TComponent, "Tests",
                        {.Methods = LongMethods, .Fields = LongFields,
                         .FieldClasses = LongFieldClasses});

// A form class that publishes nothing of its own.
class TSubForm : public TMainForm {
  SONDREL_CLASS(TSubForm)
 public:
  using TMainForm::TMainForm;
};
SONDREL_CLASS_RECORD(TSubForm, TMainForm, "Tests");

const char* const FourNames[] = {"fnZero", "fnOne", "fnTwo", "fnThree"};
constinit const TTypeInfo FourType = EnumType("TFour", FourNames);
constinit const TTypeInfo LowFourType = EnumSubrange("TLowFour", FourType, 0, 1);

class TypInfoTest : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(TCounted::Live, Live); }
  const int Live = TCounted::Live;
};

const TPropInfo* P(TClass cls, const char* name) {
  const TPropInfo* p = FindPropInfo(cls, name);
  EXPECT_NE(p, nullptr) << name;
  return p;
}

TEST_F(TypInfoTest, SameNameNeedsEqualLengthAndIgnoresLetterCase) {
  EXPECT_TRUE(SameName("autoSIZE", 8, "AutoSize", 8));
  EXPECT_TRUE(SameName("AutoSizeX", 8, "AutoSize", 8));  // only the given lengths count
  EXPECT_FALSE(SameName("AutoSize", 8, "AutoSizeX", 9));
  EXPECT_FALSE(SameName("Butosize", 8, "AutoSize", 8));
  EXPECT_FALSE(SameName("AutoSizf", 8, "AutoSize", 8));
  EXPECT_TRUE(SameName(String(), ""));
  EXPECT_FALSE(SameName(String("Tag\0", 4), "Tag"));
}

TEST_F(TypInfoTest, FindPropInfoSearchesAncestorsWithoutCase) {
  EXPECT_STREQ(P(TLabel::StaticClass(), "autosize")->Name, "AutoSize");
  EXPECT_EQ(FindPropInfo(TLabel::StaticClass(), "font.height"), nullptr);
  EXPECT_EQ(FindPropInfo(TLabel::StaticClass(), "AutoSiz"), nullptr);
  EXPECT_EQ(FindPropInfo(TLabel::StaticClass(), "PixelsPerInch"), nullptr);  // a sibling's
  EXPECT_EQ(FindPropInfo(TLabel::StaticClass(), "name"),
            FindPropInfo(TComponent::StaticClass(), "Name"));
  // A redeclared property is found in its derived form.
  EXPECT_EQ(FindPropInfo(TRelabel::StaticClass(), "AutoSize"), &RelabelProps[0]);
  EXPECT_EQ(P(TRelabel::StaticClass(), "tag")->DefaultValue, 5);
}

TEST_F(TypInfoTest, ListPropInfosPutsAncestorsFirstInDeclarationOrder) {
  const char* const expected[] = {"Name",    "Tag",        "Left",     "Top",      "Width",
                                  "Height",  "Caption",    "Font",     "ParentFont", "TabOrder",
                                  "OnClick", "Alignment",  "AutoSize", "WordWrap"};
  ASSERT_EQ(PropCount(TLabel::StaticClass()), 14);
  std::vector<const TPropInfo*> list(14);
  ListPropInfos(TLabel::StaticClass(), list.data());
  for (int i = 0; i < 14; ++i) {
    ASSERT_NE(list[i], nullptr) << i;
    EXPECT_STREQ(list[i]->Name, expected[i]) << i;
  }
  EXPECT_EQ(PropCount(TComponent::StaticClass()), 2);
  EXPECT_EQ(PropCount(TObject::StaticClass()), 0);
  // Redeclarations keep their ancestor's place; only new names extend the list.
  ASSERT_EQ(PropCount(TRelabel::StaticClass()), 15);
  std::vector<const TPropInfo*> derived(15);
  ListPropInfos(TRelabel::StaticClass(), derived.data());
  EXPECT_EQ(derived[1], &RelabelProps[1]);
  EXPECT_EQ(derived[12], &RelabelProps[0]);
  EXPECT_EQ(derived[14], &RelabelProps[2]);
  for (int i : {0, 2, 11, 13}) EXPECT_EQ(derived[i], list[i]) << i;
}

TEST_F(TypInfoTest, EnumerationNames) {
  EXPECT_EQ(EnumValueByName(&FourType, "FNTWO"), 2);
  EXPECT_EQ(EnumValueByName(&FourType, "fnFour"), -1);
  EXPECT_EQ(EnumValueByName(&FourType, ""), -1);
  // A sub-range looks its names up in its base type.
  EXPECT_EQ(EnumValueByName(&LowFourType, "fnTwo"), 2);
  EXPECT_EQ(EnumNameByValue(&LowFourType, 1), "fnOne");
  EXPECT_EQ(EnumValueByName(&BooleanTypeInfo, "TRUE"), 1);
  EXPECT_EQ(EnumNameByValue(&BooleanTypeInfo, 1), "true");
  EXPECT_EQ(EnumNameByValue(&BooleanTypeInfo, 0), "false");
  EXPECT_EQ(EnumNameByValue(&FontStyleType, 3), "fsStrikeOut");
  EXPECT_EQ(EnumNameByValue(&FourType, 4), "");
}

TEST_F(TypInfoTest, OrdinalsFollowTheWidthOfTheirType) {
  TEveryKind every(nullptr);
  TClass cls = TEveryKind::StaticClass();
  every.Int16 = -12;
  every.UInt8 = 255;
  every.Char = '\xE9';
  EXPECT_EQ(ReadOrdinalProp(&every, P(cls, "Int16")), -12);
  EXPECT_EQ(ReadOrdinalProp(&every, P(cls, "UInt8")), 255);
  EXPECT_EQ(ReadOrdinalProp(&every, P(cls, "Char")), 0xE9);

  // The type record's width decides, not the width of the C++ member.
  TWide wide(nullptr);
  TClass wideCls = TWide::StaticClass();
  wide.Narrow16 = 0xFFF4;
  wide.Narrow8 = -1;
  EXPECT_EQ(ReadOrdinalProp(&wide, P(wideCls, "Narrow16")), -12);
  EXPECT_EQ(ReadOrdinalProp(&wide, P(wideCls, "Narrow8")), 255);
  WriteOrdinalProp(&wide, P(wideCls, "Narrow16"), 0x18000);
  EXPECT_EQ(wide.Narrow16, -32768);
  WriteOrdinalProp(&wide, P(wideCls, "Narrow16"), 0x12345);
  EXPECT_EQ(wide.Narrow16, 0x2345);
  WriteOrdinalProp(&wide, P(wideCls, "Narrow8"), -2);
  EXPECT_EQ(wide.Narrow8, 254);
  WriteOrdinalProp(&wide, P(wideCls, "Fixed"), 7);  // read-only: ignored
  EXPECT_EQ(ReadOrdinalProp(&wide, P(wideCls, "Fixed")), 42);
}

TEST_F(TypInfoTest, IndexedAccessorsReceiveTheirIndex) {
  TEveryKind every(nullptr);
  TClass cls = TEveryKind::StaticClass();
  WriteOrdinalProp(&every, P(cls, "Indexed2"), 7);
  WriteOrdinalProp(&every, P(cls, "indexed0"), -3);
  EXPECT_EQ(every.Indexed[0], -3);
  EXPECT_EQ(every.Indexed[2], 7);
  every.Indexed[0] = 11;
  EXPECT_EQ(ReadOrdinalProp(&every, P(cls, "Indexed0")), 11);
  EXPECT_EQ(ReadOrdinalProp(&every, P(cls, "Indexed2")), 7);
}

TEST_F(TypInfoTest, TextsAndShortTexts) {
  TEveryKind every(nullptr);
  TClass cls = TEveryKind::StaticClass();
  WriteTextProp(&every, P(cls, "ShortText"), "0123456789ABCDEFGHIJ");
  EXPECT_EQ(every.ShortText, "0123456789ABCDE");
  EXPECT_EQ(ReadTextProp(&every, P(cls, "ShortText")), "0123456789ABCDE");
  WriteTextProp(&every, P(cls, "Text"), String(300, 'x'));
  EXPECT_EQ(ReadTextProp(&every, P(cls, "Text")), String(300, 'x'));
}

TEST_F(TypInfoTest, FloatKindsConvertOnWrite) {
  TEveryKind every(nullptr);
  TClass cls = TEveryKind::StaticClass();
  const long double third = 1.0L / 3;
  WriteFloatProp(&every, P(cls, "Single"), third);
  EXPECT_EQ(ReadFloatProp(&every, P(cls, "Single")), static_cast<float>(third));
  WriteFloatProp(&every, P(cls, "Double"), third);
  EXPECT_EQ(every.Double, static_cast<double>(third));
  WriteFloatProp(&every, P(cls, "Extended"), third);
  EXPECT_EQ(ReadFloatProp(&every, P(cls, "Extended")), third);
  WriteFloatProp(&every, P(cls, "Comp"), 2.6L);
  EXPECT_EQ(every.Comp, 3);
  WriteFloatProp(&every, P(cls, "Comp"), -2.6L);
  EXPECT_EQ(every.Comp, -3);
  every.Comp = 123456789012345LL;
  EXPECT_EQ(ReadFloatProp(&every, P(cls, "Comp")), 123456789012345.0L);
  WriteFloatProp(&every, P(cls, "Currency"), 1.23456L);
  EXPECT_EQ(every.Currency.Scaled, 12346);
  WriteFloatProp(&every, P(cls, "Currency"), -0.00007L);
  EXPECT_EQ(every.Currency.Scaled, -1);
  every.Currency.Scaled = 12345;
  EXPECT_EQ(ReadFloatProp(&every, P(cls, "Currency")), 12345 / 10000.0L);
}

TEST_F(TypInfoTest, MethodPropertiesAndStoredFlags) {
  TMainForm form(nullptr);
  TButton button(nullptr);
  const TPropInfo* onClick = P(TButton::StaticClass(), "onclick");
  const TMethod method = TNotifyEvent::Of<&TMainForm::ExitBtnClick>(&form).Method;
  WriteMethodProp(&button, onClick, method);
  EXPECT_EQ(button.OnClick.Method, method);
  EXPECT_EQ(ReadMethodProp(&button, onClick), method);
  button.OnClick(&button);
  ASSERT_EQ(form.Clicked.size(), 1u);
  EXPECT_EQ(form.Clicked[0].first, "ExitBtnClick");
  EXPECT_FALSE(IsPropStored(&button, P(TButton::StaticClass(), "Name")));
  EXPECT_TRUE(IsPropStored(&button, P(TButton::StaticClass(), "Caption")));
  TWide wide(nullptr);
  EXPECT_FALSE(IsPropStored(&wide, P(TWide::StaticClass(), "Narrow8")));
  wide.StoreIt = true;
  EXPECT_TRUE(IsPropStored(&wide, P(TWide::StaticClass(), "Narrow8")));
}

TEST_F(TypInfoTest, PublishedMethodsByNameAndAddress) {
  TMainForm form(nullptr);
  void* exit = TNotifyEvent::Of<&TMainForm::ExitBtnClick>(&form).Method.Code;
  void* play2 = TNotifyEvent::Of<&TMainForm::Play2BtnClick>(&form).Method.Code;
  EXPECT_EQ(MethodAddressByName(TMainForm::StaticClass(), "exitbtnclick"), exit);
  EXPECT_EQ(MethodAddressByName(TSubForm::StaticClass(), "PLAY2BTNCLICK"), play2);
  EXPECT_EQ(MethodAddressByName(TMainForm::StaticClass(), "ExitBtnClic"), nullptr);
  EXPECT_EQ(MethodAddressByName(TMainForm::StaticClass(), ""), nullptr);
  EXPECT_EQ(MethodNameByAddress(TMainForm::StaticClass(), exit), "ExitBtnClick");
  EXPECT_EQ(MethodNameByAddress(TSubForm::StaticClass(), play2), "Play2BtnClick");
  EXPECT_EQ(MethodNameByAddress(TMainForm::StaticClass(), nullptr), "");
  TKindsRoot root(nullptr);
  void* other = TNotifyEvent::Of<&TKindsRoot::Handler>(&root).Method.Code;
  EXPECT_EQ(MethodNameByAddress(TMainForm::StaticClass(), other), "");
  EXPECT_EQ(MethodNameByAddress(TKindsRoot::StaticClass(), other), "Handler");
}

TEST_F(TypInfoTest, PublishedFieldsByName) {
  TSubForm form(nullptr);
  EXPECT_EQ(FieldAddressByName(&form, "exitbtn"), reinterpret_cast<TObject**>(&form.ExitBtn));
  EXPECT_EQ(FieldAddressByName(&form, "LABEL1"), reinterpret_cast<TObject**>(&form.Label1));
  EXPECT_EQ(FieldAddressByName(&form, "Label"), nullptr);
  EXPECT_EQ(FieldAddressByName(&form, "PixelsPerInch"), nullptr);  // a property, not a field
}

TEST_F(TypInfoTest, LookupNamesAreCutTo255Characters) {
  TLongNames object(nullptr);
  const String exact(LongName.data());
  ASSERT_EQ(exact.size(), 255u);
  const String longer = "l" + exact.substr(1) + "Tail";
  EXPECT_EQ(FieldAddressByName(&object, longer), reinterpret_cast<TObject**>(&object.Field));
  EXPECT_EQ(FieldAddressByName(&object, exact.substr(0, 254)), nullptr);
  void* code = TNotifyEvent::Of<&TLongNames::Method>(&object).Method.Code;
  EXPECT_EQ(MethodAddressByName(TLongNames::StaticClass(), longer), code);
  EXPECT_EQ(MethodAddressByName(TLongNames::StaticClass(), exact.substr(0, 254)), nullptr);
}

}  // namespace
}  // namespace objectmodel_test
