// Components: ownership, names and the owner's fields, notifications, free
// notices, state flags and the order of destruction.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "Components.h"
#include "StreamingClasses.h"
#include "TestSupport.h"

namespace objectmodel_test {
namespace {

using namespace streaming_test;

// Components are told apart by address, even after their destruction.
std::uintptr_t Id(const void* component) { return reinterpret_cast<std::uintptr_t>(component); }

using THeard = std::vector<std::pair<std::uintptr_t, TOperation>>;

// Records what it hears and, in a shared log, its own destruction.
class TProbe : public TComponent {
  SONDREL_CLASS(TProbe)
 public:
  explicit TProbe(TComponent* owner, const String& name = String(),
                  std::vector<String>* deaths = nullptr)
      : TComponent(owner), Deaths(deaths) {
    Rename(name);
  }
  ~TProbe() override {
    if (!Deaths) return;
    String entry = Name();
    if (Owner()) entry += " owned";
    if (!(ComponentState() & stDestroying)) entry += " alive";
    Deaths->push_back(entry);
  }
  void Notify(TComponent* component, TOperation operation) override {
    Heard.push_back({Id(component), operation});
    TComponent::Notify(component, operation);
  }
  std::vector<String>* Deaths;
  THeard Heard;
  TCounted Counted;
};
SONDREL_CLASS_RECORD(TProbe, TComponent, "Tests");

class ComponentsTest : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(TCounted::Live, Live); }
  const int Live = TCounted::Live;
};

TEST_F(ComponentsTest, OwnedComponentsAndFindOwned) {
  TComponent owner(nullptr);
  auto* first = new TProbe(&owner, "First");
  auto* second = new TProbe(&owner, "Second");
  EXPECT_EQ(owner.FindOwned("SECOND"), second);
  EXPECT_EQ(owner.FindOwned("Firs"), nullptr);
  new TProbe(&owner);  // components without names do not clash
  new TProbe(&owner);
  EXPECT_EQ(owner.FindOwned(""), nullptr);
  delete first;
  ASSERT_EQ(owner.OwnedCount(), 3);
  EXPECT_EQ(owner.OwnedAt(0), second);
  EXPECT_RAISES(EListError, owner.OwnedAt(3), "List index out of bounds");
  TComponent empty(nullptr);
  EXPECT_RAISES(EListError, empty.OwnedAt(0), "List index out of bounds");
}

TEST_F(ComponentsTest, OwnerFieldFollowsTheName) {
  TMainForm form(nullptr);
  auto* exit = new TButton(&form);
  exit->Rename("ExitBtn");
  EXPECT_EQ(form.ExitBtn, exit);
  exit->Rename("EXITBTN");  // only the case differs: no duplicate, still bound
  EXPECT_EQ(form.ExitBtn, exit);
  exit->Rename("Play1Btn");
  EXPECT_EQ(form.ExitBtn, nullptr);
  EXPECT_EQ(form.Play1Btn, exit);
  exit->Rename("");
  EXPECT_EQ(form.Play1Btn, nullptr);

  // A named component put into the owner binds; taken out or destroyed, it unbinds.
  auto* play = new TButton(nullptr);
  play->Rename("play2btn");
  form.AddOwned(play);
  EXPECT_EQ(form.Play2Btn, play);
  form.RemoveOwned(play);
  EXPECT_EQ(form.Play2Btn, nullptr);
  delete play;
  (new TButton(&form))->Rename("Play2Btn");
  delete form.Play2Btn;
  EXPECT_EQ(form.Play2Btn, nullptr);
}

TEST_F(ComponentsTest, DuplicateAndInvalidNamesAreRefused) {
  TMainForm form(nullptr);
  auto* exit = new TButton(&form);
  exit->Rename("ExitBtn");
  auto* other = new TButton(&form);
  other->Rename("Other");
  EXPECT_RAISES(EComponentError, other->Rename("exitbtn"),
                "A component named exitbtn already exists");
  EXPECT_EQ(other->Name(), "Other");
  EXPECT_EQ(form.ExitBtn, exit);

  TButton stray(nullptr);
  stray.Rename("EXITBTN");
  EXPECT_RAISES(EComponentError, form.AddOwned(&stray),
                "A component named EXITBTN already exists");
  EXPECT_EQ(form.OwnedCount(), 2);

  for (const char* bad : {"1abc", "a-b", "caf\xE9", "a b"})
    EXPECT_RAISES(EComponentError, exit->Rename(bad),
                  "''" + String(bad) + "'' is not a valid component name");
  EXPECT_EQ(form.ExitBtn, exit);
  exit->Rename("_a1");
  EXPECT_EQ(exit->Name(), "_a1");
}

TEST_F(ComponentsTest, OwnerDestroysOwnedLastInsertedFirst) {
  std::vector<String> deaths;
  auto* owner = new TProbe(nullptr, "Owner", &deaths);
  new TProbe(owner, "A", &deaths);
  auto* b = new TProbe(owner, "B", &deaths);
  new TProbe(b, "B1", &deaths);
  new TProbe(owner, "C", &deaths);
  delete owner;
  // The owner's own destructor body runs first; then its owned components,
  // each detached from the owner and marked as being destroyed.
  EXPECT_EQ(deaths, (std::vector<String>{"Owner alive", "C", "B", "B1", "A"}));
}

TEST_F(ComponentsTest, NotificationsReachTheOwnershipSubtree) {
  TComponent root(nullptr);
  auto* middle = new TProbe(&root, "Middle");
  auto* leaf = new TProbe(middle, "Leaf");
  middle->Heard.clear();
  auto* inserted = new TComponent(&root);
  const std::uintptr_t id = Id(inserted);
  delete inserted;
  EXPECT_EQ(middle->Heard, (THeard{{id, ntInserted}, {id, ntRemoved}}));
  EXPECT_EQ(leaf->Heard, (THeard{{id, ntInserted}, {id, ntRemoved}}));
}

TEST_F(ComponentsTest, FreeNotices) {
  TComponent ownerA(nullptr), ownerB(nullptr);
  // Within one owner the owner's notice suffices: it is heard once.
  auto* a = new TProbe(&ownerA, "A");
  auto* sibling = new TProbe(&ownerA, "Sibling");
  a->RequestFreeNotice(sibling);
  a->Heard.clear();
  std::uintptr_t gone = Id(sibling);
  delete sibling;
  EXPECT_EQ(a->Heard, (THeard{{gone, ntRemoved}}));

  // Between owners either side hears of the other.
  auto* c = new TProbe(&ownerB, "C");
  a->RequestFreeNotice(c);
  gone = Id(a);
  delete a;
  EXPECT_EQ(c->Heard, (THeard{{gone, ntRemoved}}));

  // Having heard, a component drops the other from its list: an object later
  // built at the same address hears nothing.
  auto* d = new TProbe(&ownerA, "D");
  alignas(TProbe) unsigned char slot[sizeof(TProbe)];
  auto* e = new (slot) TProbe(&ownerB, "E");
  d->RequestFreeNotice(e);
  e->~TProbe();
  EXPECT_EQ(d->Heard, (THeard{{Id(e), ntRemoved}}));
  auto* stranger = new (slot) TProbe(nullptr, "Stranger");
  delete d;
  EXPECT_TRUE(stranger->Heard.empty());
  stranger->~TProbe();
  delete c;
}

TEST_F(ComponentsTest, DestroyingAndDesigningStatesPropagate) {
  TComponent root(nullptr);
  auto* grandchild = new TComponent(new TComponent(&root));
  root.MarkDestroying();
  EXPECT_TRUE(grandchild->ComponentState() & stDestroying);

  TComponent designer(nullptr);
  designer.IncludeState(stDesigning);
  EXPECT_TRUE((new TComponent(&designer))->ComponentState() & stDesigning);
  auto* subtree = new TComponent(nullptr);
  auto* inner = new TComponent(subtree);
  designer.AddOwned(subtree);
  EXPECT_TRUE(inner->ComponentState() & stDesigning);
  designer.RemoveOwned(subtree);
  EXPECT_FALSE(subtree->ComponentState() & stDesigning);
  EXPECT_FALSE(inner->ComponentState() & stDesigning);
  delete subtree;
}

}  // namespace
}  // namespace objectmodel_test
