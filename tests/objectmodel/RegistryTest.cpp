// The class registry, identifier converters, references between roots,
// loading lists and definitions read from the program's resources; the entry
// of the object-model tests.
#include <gtest/gtest.h>

#include <vector>

#include "Lists.h"
#include "Runtime.h"
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

class RegistryTest : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(TCounted::Live, Live); }
  const int Live = TCounted::Live;
};

TEST_F(RegistryTest, ClassChainsRegisterUpToTPersistentAndNamesStayUnique) {
  RegisterClassChain(TEveryKind::StaticClass());
  EXPECT_EQ(LookupClass("teverykind"), TEveryKind::StaticClass());
  EXPECT_EQ(LookupClass("TPersistent"), TPersistent::StaticClass());
  EXPECT_EQ(LookupClass("TObject"), nullptr);
  EXPECT_EQ(LookupClass("TEveryKin"), nullptr);
  const TClass list[] = {TKindsRoot::StaticClass(), TItem::StaticClass()};
  RegisterClassList(list, 1);
  EXPECT_EQ(LookupClass("TCollectionItem"), TCollectionItem::StaticClass());
  EXPECT_RAISES(EClassNotFound, RequireClass("TNoSuch"), "Class TNoSuch not found");
  EXPECT_EQ(RequireClass("tkindsroot"), TKindsRoot::StaticClass());

  RegisterClassChain(first::TTwin::StaticClass());
  RegisterClassChain(first::TTwin::StaticClass());  // again: nothing happens
  EXPECT_RAISES(EFilerError, RegisterClassChain(second::TTwin::StaticClass()),
                "A class named TTwin already exists");
  EXPECT_EQ(LookupClass("ttwin"), first::TTwin::StaticClass());
}

TEST_F(RegistryTest, FindFieldClassUsesTheRootsFieldClasses) {
  TLoadedForm form(nullptr);
  ASSERT_EQ(LookupClass("TButton"), nullptr);  // never registered here
  EXPECT_EQ(FindFieldClass(&form, "tbutton"), TButton::StaticClass());
  EXPECT_EQ(FindFieldClass(&form, "TPANEL"), TPanel::StaticClass());
  // Other names go to the registry.
  RegisterClassChain(TKindsRoot::StaticClass());
  EXPECT_EQ(FindFieldClass(&form, "TKindsRoot"), TKindsRoot::StaticClass());
  EXPECT_RAISES(EClassNotFound, FindFieldClass(&form, "TNoSuch"), "Class TNoSuch not found");
}

constinit const TTypeInfo LookAlikeColorType = IntegerType("TColor", otSLong, INT32_MIN, INT32_MAX);
constinit const TTypeInfo LocalType = IntegerType("TLocal", otSLong, INT32_MIN, INT32_MAX);

TEST_F(RegistryTest, ConvertersServeExactlyTheirTypeRecord) {
  std::int32_t value = 0;
  EXPECT_TRUE(IdentifierToInteger(&ColorType, "CLWHITE", value));
  EXPECT_EQ(value, 0xFFFFFF);
  EXPECT_FALSE(IdentifierToInteger(&IntegerTypeInfo, "clWhite", value));
  EXPECT_FALSE(IdentifierToInteger(&LookAlikeColorType, "clWhite", value));
  EXPECT_FALSE(IdentifierToInteger(&ColorType, "clNoSuch", value));
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

TComponent* FoundRoot = nullptr;
TComponent* FindRoot(const String& name) {
  return FoundRoot && SameName(name, FoundRoot->Name().c_str()) ? FoundRoot : nullptr;
}

// Leaves no finder and none of the roots' references behind.
struct TFixupCleanup {
  std::vector<TComponent*> Roots;
  ~TFixupCleanup() {
    SetGlobalComponentFinder(nullptr);
    FoundRoot = nullptr;
    for (TComponent* root : Roots) DiscardFixups(root, String());
  }
};

// A reference read as Root.Name waits for the finder to know that root.
TEST_F(RegistryTest, ReferencesIntoOtherRootsWaitForTheirRoot) {
  RegisterClassChain(TEveryKind::StaticClass());
  TKindsRoot other(nullptr), source(nullptr), waiting(nullptr);
  other.Rename("OtherRoot");
  auto* target = new TComponent(&other);
  target->Rename("Target");
  TFixupCleanup cleanup{{&source, &waiting}};
  auto read = [](TKindsRoot& root, const char* reference) {
    ReadInto(&root, RootWith("TKindsRoot", "Root", TDef(),
                             TDef().Head("TEveryKind", "A").Short("Reference").Ident(reference)
                                 .End().End()));
    return static_cast<TEveryKind*>(root.FindOwned("A"));
  };
  const int before = GlobalFixupCount();
  TEveryKind* holder = read(source, "otherroot.TARGET");
  read(waiting, "Missing.Target");
  SetGlobalComponentFinder(&FindRoot);  // finds nothing yet
  ResolveGlobalFixups();
  EXPECT_EQ(GlobalFixupCount(), before + 2);
  EXPECT_EQ(holder->Reference, nullptr);
  DiscardFixups(&waiting, String());
  EXPECT_EQ(GlobalFixupCount(), before + 1);
  FoundRoot = &other;
  ResolveGlobalFixups();
  EXPECT_EQ(holder->Reference, target);
  EXPECT_EQ(GlobalFixupCount(), before);
}

TEST_F(RegistryTest, LoadInheritedDefinitionsReadsTheClassChainThenLoads) {
  TList* const start = GlobalLoadingList();
  BeginGlobalLoad();
  TList* const outer = GlobalLoadingList();
  {
    // The definition of an ancestor class is read into a derived instance,
    // which is loaded once the whole tree is read.
    TLoadedForm form(nullptr);
    ASSERT_TRUE(LoadInheritedDefinitions(&form, TControl::StaticClass()));
    EXPECT_EQ(GlobalLoadingList(), outer);
    EXPECT_EQ(outer->Count(), 0);  // the load kept to a list of its own
    EXPECT_TRUE(form.WholeTreeRead);
    EXPECT_EQ(form.OwnedCount(), 5);
    for (TControl* c : std::vector<TControl*>{&form, form.ExitBtn, form.Panel1, form.Label1}) {
      ASSERT_NE(c, nullptr);
      EXPECT_EQ(c->AfterLoadCalls, 1) << c->Name();
      EXPECT_FALSE(c->ComponentState() & (stLoading | stReading)) << c->Name();
    }
  }
  EndGlobalLoad();
  EXPECT_EQ(GlobalLoadingList(), start);
  // The chain ends below the given ancestor.
  TMainForm none(nullptr);
  EXPECT_FALSE(LoadInheritedDefinitions(&none, TMainForm::StaticClass()));
  EXPECT_EQ(none.AfterLoadCalls + none.OwnedCount(), 0);
  EXPECT_FALSE(ReadDefinitionResource("TNoSuchForm", &none));
}

}  // namespace
}  // namespace objectmodel_test

int main(int argc, char** argv) {
  InitRuntime();
  streaming_test::RegisterConverters();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
