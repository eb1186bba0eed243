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
  String Written;  // what the short-text setter received
  void SetShort(const String& value) { Written = value; }
  String Short() const { return String(300, 's'); }
};
constinit const TTypeInfo WideSWord = IntegerType("SmallInt", otSWord, -32768, 32767);
constinit const TTypeInfo WideUByte = IntegerType("Byte", otUByte, 0, 255);
constinit const TTypeInfo WideShortText = ShortTextType("TShortText15", 15);
const TPropInfo WideProps[] = {
    Prop<&TWide::Narrow16>("Narrow16", WideSWord),
    Prop<&TWide::Narrow8>("Narrow8", WideUByte).StoredWhen<&TWide::StoreIt>(),
    Prop<&TWide::Fixed, nullptr>("Fixed", IntegerTypeInfo),
    Prop<&TWide::Short, &TWide::SetShort>("Short", WideShortText),
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

const TPropInfo* P(TClass cls, const char* name) {
  const TPropInfo* p = FindPropInfo(cls, name);
  EXPECT_NE(p, nullptr) << name;
  return p;
}

TEST(TypInfo, SameNameNeedsEqualLengthAndIgnoresLetterCase) {
  EXPECT_TRUE(SameName("autoSIZE", 8, "AutoSize", 8));
  EXPECT_TRUE(SameName("AutoSizeX", 8, "AutoSize", 8));  // only the given lengths count
  EXPECT_FALSE(SameName("AutoSize", 8, "AutoSizeX", 9));
  EXPECT_FALSE(SameName("Butosize", 8, "AutoSize", 8));
  EXPECT_FALSE(SameName("AutoSizf", 8, "AutoSize", 8));
  EXPECT_FALSE(SameName(String("Tag\0", 4), "Tag"));
}

// Every name of a class chain, in other letter case, cut short or made
// longer, finds the property a search through the chain in declaration order
// meets first; a redeclared property is found in its derived form.
TEST(TypInfo, FindPropInfoFindsWhatASearchInDeclarationOrderFindsFirst) {
  auto props = [](TClass c) {
    return c->Published ? c->Published->Props : std::span<const TPropInfo>{};
  };
  for (TClass cls : {TRelabel::StaticClass(), TSubForm::StaticClass(), TEveryKind::StaticClass(),
                     TWide::StaticClass(), TKindsRoot::StaticClass(), TPanel::StaticClass()})
    for (TClass owner = cls; owner; owner = owner->Parent)
      for (const TPropInfo& declared : props(owner)) {
        const String name = declared.Name;
        for (String lookup : {name, name + "x", name.substr(0, name.size() - 1)}) {
          for (char& c : lookup) c = static_cast<char>(c ^ 0x20 * (c >= 'A'));
          const TPropInfo* first = nullptr;
          for (TClass c = cls; c; c = c->Parent)
            for (const TPropInfo& p : props(c))
              first = first || !SameName(lookup, p.Name) ? first : &p;
          EXPECT_EQ(FindPropInfo(cls, lookup), first) << cls->Name << " " << lookup;
        }
      }
  EXPECT_EQ(FindPropInfo(TRelabel::StaticClass(), "AutoSize"), &RelabelProps[0]);
  for (const char* missing : {"font.height", "PixelsPerInch" /* a sibling's */})
    EXPECT_EQ(FindPropInfo(TLabel::StaticClass(), missing), nullptr) << missing;
}

// The names of the complete property list; those the class itself declares
// are marked "*", an empty place "?".
String ListedNames(TClass cls) {
  std::vector<const TPropInfo*> list(PropCount(cls));
  ListPropInfos(cls, list.data());
  String names;
  for (const TPropInfo* p : list)
    names += !p ? String("? ")
                : String(p->Name) + (p == FindPropInfo(cls->Parent, p->Name) ? " " : "* ");
  return names;
}

TEST(TypInfo, ListPropInfosPutsAncestorsFirstInDeclarationOrder) {
  EXPECT_EQ(ListedNames(TLabel::StaticClass()),
            "Name Tag Left Top Width Height Caption Font ParentFont TabOrder OnClick Alignment* "
            "AutoSize* WordWrap* ");
  // Redeclarations keep their ancestor's place; only new names extend the list.
  EXPECT_EQ(ListedNames(TRelabel::StaticClass()),
            "Name Tag* Left Top Width Height Caption Font ParentFont TabOrder OnClick Alignment "
            "AUTOSIZE* WordWrap Extra* ");
  EXPECT_EQ(PropCount(TObject::StaticClass()), 0);
}

const char* const FourNames[] = {"fnZero", "fnOne", "fnTwo", "fnThree"};
constinit const TTypeInfo FourType = EnumType("TFour", FourNames);
constinit const TTypeInfo LowFourType = EnumSubrange("TLowFour", FourType, 0, 1);

// A sub-range looks its names up in its base type; Boolean names are given
// in lower case.
TEST(TypInfo, EnumerationNames) {
  const std::tuple<const TTypeInfo*, const char*, int> byName[] = {
      {&FourType, "FNTWO", 2},          {&FourType, "fnFour", -1}, {&FourType, "", -1},
      {&LowFourType, "fnTwo", 2},       {&BooleanTypeInfo, "TRUE", 1}};
  for (auto [type, name, value] : byName) EXPECT_EQ(EnumValueByName(type, name), value) << name;
  const std::tuple<const TTypeInfo*, int, const char*> byValue[] = {
      {&LowFourType, 1, "fnOne"}, {&BooleanTypeInfo, 0, "false"}, {&FourType, 3, "fnThree"},
      {&FourType, 4, ""}};
  for (auto [type, value, name] : byValue) EXPECT_EQ(EnumNameByValue(type, value), name) << value;
}

// The type record's width decides, not the width of the C++ member; indexed
// accessors pass their index.
TEST(TypInfo, OrdinalsFollowTheWidthOfTheirTypeRecord) {
  TEveryKind every(nullptr);
  every.Char = '\xE9';
  EXPECT_EQ(ReadOrdinalProp(&every, P(TEveryKind::StaticClass(), "Char")), 0xE9);
  WriteOrdinalProp(&every, P(TEveryKind::StaticClass(), "Indexed2"), 7);
  WriteOrdinalProp(&every, P(TEveryKind::StaticClass(), "indexed0"), -3);
  EXPECT_EQ(every.Indexed[0], -3);
  EXPECT_EQ(every.Indexed[2], 7);
  EXPECT_EQ(ReadOrdinalProp(&every, P(TEveryKind::StaticClass(), "Indexed2")), 7);

  TWide wide(nullptr);
  TClass cls = TWide::StaticClass();
  wide.Narrow16 = 0xFFF4;
  wide.Narrow8 = -1;
  EXPECT_EQ(ReadOrdinalProp(&wide, P(cls, "Narrow16")), -12);
  EXPECT_EQ(ReadOrdinalProp(&wide, P(cls, "Narrow8")), 255);
  WriteOrdinalProp(&wide, P(cls, "Narrow16"), 0x18000);
  EXPECT_EQ(wide.Narrow16, -32768);
  WriteOrdinalProp(&wide, P(cls, "Narrow8"), -2);
  EXPECT_EQ(wide.Narrow8, 254);
  WriteOrdinalProp(&wide, P(cls, "Fixed"), 7);  // read-only: ignored
  EXPECT_EQ(ReadOrdinalProp(&wide, P(cls, "Fixed")), 42);
  EXPECT_FALSE(IsPropStored(&wide, P(cls, "Narrow8")));
  wide.StoreIt = true;
  EXPECT_TRUE(IsPropStored(&wide, P(cls, "Narrow8")));
  EXPECT_FALSE(IsPropStored(&wide, P(cls, "Name")));
}

TEST(TypInfo, ShortTextsAndFloatKinds) {
  // A field holds at most the type's maximum; a setter and a getter pass
  // through a short text of at most 255 characters.
  TEveryKind every(nullptr);
  TClass cls = TEveryKind::StaticClass();
  WriteTextProp(&every, P(cls, "ShortText"), "0123456789ABCDEFGHIJ");
  EXPECT_EQ(every.ShortText, "0123456789ABCDE");
  TWide wide(nullptr);
  WriteTextProp(&wide, P(TWide::StaticClass(), "Short"), "0123456789ABCDEFGHIJ");
  EXPECT_EQ(wide.Written, "0123456789ABCDEFGHIJ");
  WriteTextProp(&wide, P(TWide::StaticClass(), "Short"), String(400, 'w'));
  EXPECT_EQ(wide.Written.size(), 255u);
  EXPECT_EQ(ReadTextProp(&wide, P(TWide::StaticClass(), "Short")).size(), 255u);

  const long double third = 1.0L / 3;
  WriteFloatProp(&every, P(cls, "Single"), third);
  EXPECT_EQ(ReadFloatProp(&every, P(cls, "Single")), static_cast<float>(third));
  for (auto [value, rounded] : {std::pair{2.6L, 3LL}, {-2.6L, -3LL}}) {
    WriteFloatProp(&every, P(cls, "Comp"), value);
    EXPECT_EQ(every.Comp, rounded);
  }
  for (auto [value, scaled] : {std::pair{1.23456L, 12346LL}, {-0.00007L, -1LL}}) {
    WriteFloatProp(&every, P(cls, "Currency"), value);
    EXPECT_EQ(every.Currency.Scaled, scaled);
  }
  EXPECT_EQ(ReadFloatProp(&every, P(cls, "Currency")), -1 / 10000.0L);
}

// Lookups ignore letter case and search the ancestors; names are cut to 255
// characters.
TEST(TypInfo, PublishedMethodsAndFields) {
  TSubForm form(nullptr);
  void* exit = TNotifyEvent::Of<&TMainForm::ExitBtnClick>(&form).Method.Code;
  void* play2 = TNotifyEvent::Of<&TMainForm::Play2BtnClick>(&form).Method.Code;
  EXPECT_EQ(MethodAddressByName(TMainForm::StaticClass(), "exitbtnclick"), exit);
  EXPECT_EQ(MethodAddressByName(TSubForm::StaticClass(), "PLAY2BTNCLICK"), play2);
  EXPECT_EQ(MethodAddressByName(TMainForm::StaticClass(), "ExitBtnClic"), nullptr);
  EXPECT_EQ(MethodNameByAddress(TSubForm::StaticClass(), play2), "Play2BtnClick");
  EXPECT_EQ(MethodNameByAddress(TMainForm::StaticClass(), nullptr), "");
  TKindsRoot root(nullptr);
  void* other = TNotifyEvent::Of<&TKindsRoot::Handler>(&root).Method.Code;
  EXPECT_EQ(MethodNameByAddress(TMainForm::StaticClass(), other), "");
  EXPECT_EQ(FieldAddressByName(&form, "LABEL1"), reinterpret_cast<TObject**>(&form.Label1));
  EXPECT_EQ(FieldAddressByName(&form, "Label"), nullptr);
  EXPECT_EQ(FieldAddressByName(&form, "PixelsPerInch"), nullptr);  // a property, not a field

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
