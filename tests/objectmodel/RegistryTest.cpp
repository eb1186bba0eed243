// The class registry, identifier converters, global fix-ups, loading lists and
// definitions read from the program's resources.
#include <gtest/gtest.h>

#include <vector>

#include "Lists.h"
#include "Registry.h"
#include "StreamingClasses.h"
#include "TestSupport.h"

namespace objectmodel_test {
namespace {

using namespace streaming_test;

// Two classes whose records carry the same name.
namespace first {
class TTwin : public TPersistent {
  SONDREL_CLASS(TTwin)
};
SONDREL_CLASS_RECORD(TTwin, TPersistent, "Tests");
}  // namespace first
namespace second {
class TTwin : public TComponent {
  SONDREL_CLASS(TTwin)
 public:
  using TComponent::TComponent;
};
SONDREL_CLASS_RECORD(TTwin, TComponent, "Tests");
}  // namespace second

// A form that checks, when loaded, that its whole definition has been read.
class TLoadedForm : public TMainForm {
  SONDREL_CLASS(TLoadedForm)
 public:
  using TMainForm::TMainForm;
  void AfterLoad() override {
    WholeTreeRead = Label1 && !Label1->Caption.empty() && Label1->Parent() == Panel1;
    TMainForm::AfterLoad();
  }
  bool WholeTreeRead = false;
};
SONDREL_CLASS_RECORD(TLoadedForm, TMainForm, "Tests");

constinit const TTypeInfo LookAlikeColorType = IntegerType("TColor", otSLong, INT32_MIN, INT32_MAX);
constinit const TTypeInfo LocalType = IntegerType("TLocal", otSLong, INT32_MIN, INT32_MAX);

TComponent* FoundRoot = nullptr;
TComponent* FindRoot(const String& name) {
  return FoundRoot && SameName(name, FoundRoot->Name().c_str()) ? FoundRoot : nullptr;
}

// Leaves no finder and none of the roots' fix-ups behind.
struct TFixupCleanup {
  std::vector<TComponent*> Roots;
  ~TFixupCleanup() {
    SetGlobalComponentFinder(nullptr);
    FoundRoot = nullptr;
    for (TComponent* root : Roots) DiscardFixups(root, String());
  }
};

class RegistryTest : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(TCounted::Live, Live); }
  const int Live = TCounted::Live;
};

TEST_F(RegistryTest, RegisterClassChainStopsAtTPersistent) {
  RegisterClassChain(TEveryKind::StaticClass());
  EXPECT_EQ(LookupClass("teverykind"), TEveryKind::StaticClass());
  EXPECT_EQ(LookupClass("TCOMPONENT"), TComponent::StaticClass());
  EXPECT_EQ(LookupClass("TPersistent"), TPersistent::StaticClass());
  EXPECT_EQ(LookupClass("TObject"), nullptr);
  EXPECT_EQ(LookupClass("TEveryKin"), nullptr);
  const TClass list[] = {TKindsRoot::StaticClass(), TItem::StaticClass()};
  RegisterClassList(list, 1);
  EXPECT_EQ(LookupClass("TKindsRoot"), TKindsRoot::StaticClass());
  EXPECT_EQ(LookupClass("TCollectionItem"), TCollectionItem::StaticClass());
  EXPECT_RAISES(EClassNotFound, RequireClass("TNoSuch"), "Class TNoSuch not found");
  EXPECT_EQ(RequireClass("tkindsroot"), TKindsRoot::StaticClass());
}

TEST_F(RegistryTest, AnotherClassOfARegisteredNameIsRefused) {
  RegisterClassChain(first::TTwin::StaticClass());
  RegisterClassChain(first::TTwin::StaticClass());  // again: nothing happens
  EXPECT_RAISES(EFilerError, RegisterClassChain(second::TTwin::StaticClass()),
                "A class named TTwin already exists");
  EXPECT_EQ(LookupClass("ttwin"), first::TTwin::StaticClass());
}

TEST_F(RegistryTest, FindFieldClassUsesTheRootsFieldClasses) {
  TMainForm form(nullptr);
  ASSERT_EQ(LookupClass("TButton"), nullptr);  // never registered here
  EXPECT_EQ(FindFieldClass(&form, "tbutton"), TButton::StaticClass());
  EXPECT_EQ(FindFieldClass(&form, "TLabel"), TLabel::StaticClass());
  TLoadedForm derived(nullptr);
  EXPECT_EQ(FindFieldClass(&derived, "TPANEL"), TPanel::StaticClass());
  // Other names go to the registry.
  RegisterClassChain(TKindsRoot::StaticClass());
  EXPECT_EQ(FindFieldClass(&form, "TKindsRoot"), TKindsRoot::StaticClass());
  EXPECT_RAISES(EClassNotFound, FindFieldClass(&form, "TNoSuch"), "Class TNoSuch not found");
}

TEST_F(RegistryTest, ConvertersServeExactlyTheirTypeRecord) {
  std::int32_t value = 0;
  EXPECT_TRUE(IdentifierToInteger(&ColorType, "CLWHITE", value));
  EXPECT_EQ(value, 0xFFFFFF);
  EXPECT_FALSE(IdentifierToInteger(&IntegerTypeInfo, "clWhite", value));
  EXPECT_FALSE(IdentifierToInteger(&LookAlikeColorType, "clWhite", value));
  EXPECT_FALSE(IdentifierToInteger(&ColorType, "clNoSuch", value));
  ASSERT_NE(FindIntConst(&ColorType), nullptr);
  EXPECT_EQ(FindIntConst(&LookAlikeColorType), nullptr);

  // Converters of one type are tried in registration order.
  TIdentToInt one = [](const String& id, std::int32_t& v) { return id == "one" && (v = 1); };
  TIdentToInt oneAndTwo = [](const String& id, std::int32_t& v) {
    return (id == "one" && (v = 11)) || (id == "two" && (v = 2));
  };
  RegisterIdentConverter(&LocalType, one, nullptr);
  RegisterIdentConverter(&LocalType, oneAndTwo, nullptr);
  EXPECT_TRUE(IdentifierToInteger(&LocalType, "one", value));
  EXPECT_EQ(value, 1);
  EXPECT_TRUE(IdentifierToInteger(&LocalType, "two", value));
  EXPECT_EQ(value, 2);
  EXPECT_FALSE(IdentifierToInteger(&LocalType, "three", value));
  EXPECT_EQ(FindIntConst(&LocalType)->IdentToInt, one);
}

TEST_F(RegistryTest, GlobalFixupResolvesThroughTheFinder) {
  TKindsRoot source(nullptr), other(nullptr);
  other.Rename("OtherRoot");
  auto* target = new TComponent(&other);
  target->Rename("Target");
  auto* holder = new TEveryKind(&source);
  TFixupCleanup cleanup{{&source}};
  const TPropInfo* reference = FindPropInfo(TEveryKind::StaticClass(), "Reference");
  const int before = GlobalFixupCount();
  AddGlobalFixup(new TPropFixup(holder, &source, reference, "otherroot", "TARGET"));
  EXPECT_EQ(GlobalFixupCount(), before + 1);
  FoundRoot = &other;
  SetGlobalComponentFinder(&FindRoot);
  EXPECT_EQ(GlobalComponentFinder(), &FindRoot);
  ResolveGlobalFixups();
  EXPECT_EQ(holder->Reference, target);
  EXPECT_EQ(GlobalFixupCount(), before);
}

TEST_F(RegistryTest, GlobalFixupWaitsForItsRootAndIsDiscardedByRoot) {
  TKindsRoot source(nullptr), source2(nullptr);
  auto* holder = new TEveryKind(&source);
  auto* holder2 = new TEveryKind(&source2);
  TFixupCleanup cleanup{{&source, &source2}};
  const TPropInfo* reference = FindPropInfo(TEveryKind::StaticClass(), "Reference");
  const int before = GlobalFixupCount();
  AddGlobalFixup(new TPropFixup(holder, &source, reference, "Missing", "Target"));
  AddGlobalFixup(new TPropFixup(holder2, &source2, reference, "Missing", "Target"));
  SetGlobalComponentFinder(&FindRoot);  // finds nothing
  ResolveGlobalFixups();
  EXPECT_EQ(GlobalFixupCount(), before + 2);
  EXPECT_EQ(holder->Reference, nullptr);
  DiscardFixups(&source, String());
  EXPECT_EQ(GlobalFixupCount(), before + 1);
  DiscardFixups(&source2, String());
  EXPECT_EQ(GlobalFixupCount(), before);
}

TEST_F(RegistryTest, LoadInheritedDefinitionsReadsTheResourceThenLoads) {
  TList* const outer = GlobalLoadingList();
  TMainForm form(nullptr);
  ASSERT_TRUE(LoadInheritedDefinitions(&form, TControl::StaticClass()));
  EXPECT_EQ(GlobalLoadingList(), outer);
  EXPECT_EQ(form.Caption, "Sondrel");
  EXPECT_EQ(form.OwnedCount(), 5);
  for (TControl* c : std::vector<TControl*>{&form, form.ExitBtn, form.Play1Btn, form.Play2Btn,
                                            form.Panel1, form.Label1}) {
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->AfterLoadCalls, 1) << c->Name();
    EXPECT_FALSE(c->ComponentState() & (stLoading | stReading)) << c->Name();
  }

  // The definition of an ancestor class is read into a derived instance.
  TLoadedForm derived(nullptr);
  ASSERT_TRUE(LoadInheritedDefinitions(&derived, TControl::StaticClass()));
  EXPECT_TRUE(derived.WholeTreeRead);
  EXPECT_EQ(derived.AfterLoadCalls, 1);
  EXPECT_EQ(derived.OwnedCount(), 5);
}

TEST_F(RegistryTest, LoadInheritedDefinitionsWithoutAResource) {
  TButton button(nullptr);
  EXPECT_FALSE(LoadInheritedDefinitions(&button, TComponent::StaticClass()));
  EXPECT_EQ(button.AfterLoadCalls, 0);
  // The chain ends below the given ancestor.
  TMainForm form(nullptr);
  EXPECT_FALSE(LoadInheritedDefinitions(&form, TMainForm::StaticClass()));
  EXPECT_EQ(form.AfterLoadCalls, 0);
  EXPECT_EQ(form.OwnedCount(), 0);
  EXPECT_FALSE(ReadDefinitionResource("TNoSuchForm", &form));
}

TEST_F(RegistryTest, GlobalLoadingListsNest) {
  TList* const start = GlobalLoadingList();
  BeginGlobalLoad();
  TList* const outer = GlobalLoadingList();
  ASSERT_NE(outer, nullptr);
  BeginGlobalLoad();
  EXPECT_NE(GlobalLoadingList(), outer);
  EndGlobalLoad();
  EXPECT_EQ(GlobalLoadingList(), outer);
  {
    // A load inside the bracket keeps to its own list.
    TMainForm form(nullptr);
    EXPECT_TRUE(LoadInheritedDefinitions(&form, TControl::StaticClass()));
    EXPECT_EQ(form.AfterLoadCalls, 1);
    EXPECT_EQ(GlobalLoadingList(), outer);
    EXPECT_EQ(outer->Count(), 0);
  }
  EndGlobalLoad();
  EXPECT_EQ(GlobalLoadingList(), start);
}

}  // namespace
}  // namespace objectmodel_test
