// Components: ownership, names and the owner's fields, notifications, free
// notices, state flags and the order of destruction.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <new>
#include <random>
#include <utility>
#include <vector>

#include "Components.h"
#include "Registry.h"
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

TEST_F(ComponentsTest, NamesAreUniqueValidIdentifiersAndBindTheOwnersField) {
  TMainForm form(nullptr);
  auto* exit = new TButton(&form);
  exit->Rename("ExitBtn");
  EXPECT_EQ(form.ExitBtn, exit);
  exit->Rename("EXITBTN");  // only the case differs: no duplicate, still bound
  EXPECT_EQ(form.ExitBtn, exit);
  auto* other = new TButton(&form);
  other->Rename("Other");
  EXPECT_RAISES(EComponentError, other->Rename("exitbtn"),
                "A component named exitbtn already exists");
  EXPECT_EQ(other->Name(), "Other");
  TButton stray(nullptr);
  stray.Rename("ExitBtn");
  EXPECT_RAISES(EComponentError, form.AddOwned(&stray), "A component named ExitBtn already exists");
  for (const char* bad : {"1abc", "a-b", "caf\xE9", "a b"})
    EXPECT_RAISES(EComponentError, exit->Rename(bad),
                  "''" + String(bad) + "'' is not a valid component name");
  EXPECT_EQ(form.ExitBtn, exit);
  new TButton(&form);  // components without names do not clash
  new TButton(&form);
  EXPECT_EQ(form.FindOwned(""), nullptr);
  ASSERT_EQ(form.OwnedCount(), 4);
  EXPECT_RAISES(EListError, form.OwnedAt(4), "List index out of bounds");
  EXPECT_RAISES(EListError, stray.OwnedAt(0), "List index out of bounds");

  exit->Rename("Play1Btn");
  EXPECT_EQ(form.ExitBtn, nullptr);
  EXPECT_EQ(form.Play1Btn, exit);
  exit->Rename("_a1");
  EXPECT_EQ(form.Play1Btn, nullptr);
  // A named component put into the owner binds; taken out or destroyed, it unbinds.
  auto* play = new TButton(nullptr);
  play->Rename("play2btn");
  form.AddOwned(play);
  EXPECT_EQ(form.Play2Btn, play);
  form.RemoveOwned(play);
  EXPECT_EQ(form.Play2Btn, nullptr);
  form.AddOwned(play);
  delete play;
  EXPECT_EQ(form.Play2Btn, nullptr);
  EXPECT_EQ(form.OwnedCount(), 4);
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

TEST_F(ComponentsTest, NotificationsReachTheOwnershipSubtreeAndFreeNoticesTheOtherSide) {
  TComponent ownerA(nullptr), ownerB(nullptr);
  auto* a = new TProbe(&ownerA, "A");
  auto* leaf = new TProbe(a, "Leaf");
  a->Heard.clear();
  auto* inserted = new TComponent(&ownerA);
  const std::uintptr_t id = Id(inserted);
  delete inserted;
  EXPECT_EQ(a->Heard, (THeard{{id, ntInserted}, {id, ntRemoved}}));
  EXPECT_EQ(leaf->Heard, (THeard{{id, ntInserted}, {id, ntRemoved}}));

  // Within one owner the owner's notice suffices: it is heard once.
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

// Lets an owner hold several components of one name.
class TLenient : public TComponent {
  SONDREL_CLASS(TLenient)
 public:
  using TComponent::TComponent;
  void CheckRename(TComponent*, const String&, const String&) override {}
};
SONDREL_CLASS_RECORD(TLenient, TComponent, "Tests");

std::mt19937 Random(13);
int Pick(int n) { return static_cast<int>(Random() % n); }

TEST_F(ComponentsTest, FindOwnedFindsTheFirstOfTheNameInListOrder) {
  // Bit 5 of every byte is ignored: "B_1" and "b\1771" are one name.
  const String names[] = {"", "a", "A", "b_1", "B_1", "Kind7", "kINd7", "x"};
  const String lookups[] = {"a", "b\1771", "KIND7", "x", "y", "Kind", String("a\0", 2)};
  TLenient owner(nullptr);
  for (int step = 0; step < 4000; ++step) {
    const int count = owner.OwnedCount(), action = Pick(count > 600 ? 4 : 6);
    if (action >= 4) (new TComponent(&owner))->Rename(names[Pick(8)]);
    if (action == 1 && count) owner.OwnedAt(Pick(count))->Rename(names[Pick(8)]);
    if (action == 2 && count) delete owner.OwnedAt(Pick(count));
    if (action == 3 && count) owner.OwnedAt(Pick(count))->SetComponentIndex(Pick(count));
    for (const String& name : lookups) {
      TComponent* first = nullptr;
      for (int i = owner.OwnedCount() - 1; i >= 0; --i)
        if (SameName(name, owner.OwnedAt(i)->Name().c_str())) first = owner.OwnedAt(i);
      ASSERT_EQ(owner.FindOwned(name), first) << step << " " << name;
    }
  }
}

// Components that log their names as they hear: TEar with a Notify of its own
// (not public), TKinEar inheriting it, and TLateEar, one only after its TBusy
// part has made its owner notify.
std::vector<String> Log;
class TEar : public TComponent {
  SONDREL_CLASS(TEar)
 public:
  using TComponent::TComponent;
  std::function<void()> OnHear;  // run on the next notification

 protected:
  void Notify(TComponent* component, TOperation operation) override {
    Log.push_back(Name());
    if (auto action = std::exchange(OnHear, nullptr)) action();
    TComponent::Notify(component, operation);
  }
};
class TKinEar : public TEar {
  SONDREL_CLASS(TKinEar)
  using TEar::TEar;
};
class TBusy : public TComponent {
  SONDREL_CLASS(TBusy)
 public:
  explicit TBusy(TComponent* owner) : TComponent(owner) { delete new TComponent(owner); }
};
class TLateEar : public TBusy {
  SONDREL_CLASS(TLateEar)
 public:
  using TBusy::TBusy;
  void Notify(TComponent* component, TOperation operation) override {
    Log.push_back(Name());
    TBusy::Notify(component, operation);
  }
};
SONDREL_CLASS_RECORD(TEar, TComponent, "Tests");
SONDREL_CLASS_RECORD(TKinEar, TEar, "Tests");
SONDREL_CLASS_RECORD(TBusy, TComponent, "Tests");
SONDREL_CLASS_RECORD(TLateEar, TBusy, "Tests");

// An owner that notes, for each notification, the class the component shows.
class TClassNoter : public TComponent {
  SONDREL_CLASS(TClassNoter)
 public:
  using TComponent::TComponent;
  std::vector<String> Seen;
  void Notify(TComponent* component, TOperation operation) override {
    Seen.push_back((operation == ntInserted ? "+" : "-") + component->ClassName());
    TComponent::Notify(component, operation);
  }
};
// A button whose own constructor fails after its base parts were built.
class TFailingButton : public TButton {
  SONDREL_CLASS(TFailingButton)
 public:
  explicit TFailingButton(const TOwner& owner) : TButton(owner) {
    throw EComponentError("refused");
  }
};
SONDREL_CLASS_RECORD(TClassNoter, TComponent, "Tests");
SONDREL_CLASS_RECORD(TFailingButton, TButton, "Tests");

// The owner hears of a component once it is whole, whether code or the
// reader's virtual constructor made it; of one whose construction failed it
// hears nothing.
TEST_F(ComponentsTest, AnOwnerHearsOfAComponentOnceItIsFullyConstructed) {
  TClassNoter owner(nullptr);
  new TButton(&owner);
  CreateComponent(TButton::StaticClass(), &owner);
  EXPECT_THROW(new TFailingButton(&owner), EComponentError);
  EXPECT_EQ(owner.Seen, (std::vector<String>{"+TButton", "+TButton"}));
  EXPECT_EQ(owner.OwnedCount(), 2);
}

// The ears of a subtree, in the order a walk through every owned list meets them.
void Ears(TComponent* c, std::vector<String>& out) {
  if (c->Is<TEar>() || c->Is<TLateEar>()) out.push_back(c->Name());
  for (int i = 0; i < c->OwnedCount(); ++i) Ears(c->OwnedAt(i), out);
}

TEST_F(ComponentsTest, EveryComponentThatCanReactHearsInListOrder) {
  TComponent root(nullptr);
  std::vector<TComponent*> all{&root};
  for (int i = 0; i < 400; ++i) {
    TComponent* owner = all[Pick(static_cast<int>(all.size()))];
    const int kind = Pick(5);
    all.push_back(kind == 0   ? new TEar(owner)
                  : kind == 1 ? new TKinEar(owner)
                  : kind == 2 ? static_cast<TComponent*>(new TLateEar(owner))
                              : new TComponent(owner));
    all.back()->Rename("C" + std::to_string(i));
  }
  for (int round = 0; round < 200; ++round) {
    all[1 + Pick(400)]->SetComponentIndex(Pick(3));
    TComponent* owner = all[Pick(static_cast<int>(all.size()))];
    std::vector<String> expected;
    Ears(owner, expected);  // on the insertion
    Ears(owner, expected);  // on the removal
    Log.clear();
    delete new TComponent(owner);
    ASSERT_EQ(Log, expected) << round;
  }
}

// A component with the base Notify is reached while it holds free notices or
// owns components.
TEST_F(ComponentsTest, QuietComponentsAreReachedWhileTheyHoldFreeNoticesOrOwnComponents) {
  TComponent w(nullptr);
  auto* x = new TComponent(new TComponent(&w));
  auto* z = new TProbe(&w, "Z");
  x->RequestFreeNotice(z);  // each holds the other
  w.RemoveOwned(z);         // heard by x: x lets go of z
  z->Notify(x, ntRemoved);  // z lets go of x
  z->Heard.clear();
  delete x;  // would tell z, had x held on
  EXPECT_TRUE(z->Heard.empty());
  delete z;
  auto* v = new TComponent(&w);
  (new TEar(v))->Rename("Ear");
  TProbe other(nullptr);
  v->RequestFreeNotice(&other);
  v->Notify(&other, ntRemoved);  // no free notices left, but v owns the ear
  Log.clear();
  delete new TComponent(&w);
  EXPECT_EQ(Log, (std::vector<String>{"Ear", "Ear"}));
}

// When the owned list changes while B hears, the notification goes on from
// the position after B's, in the list as it is then. B's own changes notify
// too (the middle part of each log); a component being destroyed hears as a
// bare TComponent.
TEST_F(ComponentsTest, ChangesWhileHearingContinueByPosition) {
  struct TCase {
    const char* Change;  // what B deletes when it hears ("+": inserts, "^": moves first)
    std::vector<String> Heard;
  } cases[] = {
      {"", {"A", "B", "D", "C"}},
      {"A", {"A", "B", /**/ "B", "D", "C", /**/ "C"}},  // D takes B's place
      {"q", {"A", "B", /**/ "A", "B", "D", "C", /**/ "C"}},
      {"D", {"A", "B", /**/ "A", "B", "C", /**/ "C"}},
      {"+E",
       {"A", "B", /**/ "A", "B", "D", "C", "E", /**/ "D", "C", "E"}},  // E hears of itself, whole
      {"^D", {"A", "B", "B", "C"}},  // B moves D to the front: B comes again
  };
  for (const TCase& c : cases) {
    TComponent owner(nullptr);
    for (const char* name : {"A", "q", "B", "D", "C"})
      (*name == 'q' ? new TComponent(&owner) : new TEar(&owner))->Rename(name);
    static_cast<TEar*>(owner.FindOwned("B"))->OnHear = [&] {
      if (*c.Change == '+')
        (new TEar(&owner))->Rename(c.Change + 1);
      else if (*c.Change == '^')
        owner.FindOwned(c.Change + 1)->SetComponentIndex(0);
      else
        delete owner.FindOwned(c.Change);
    };
    Log.clear();
    new TComponent(&owner);
    EXPECT_EQ(Log, c.Heard) << c.Change;
  }
}

}  // namespace
}  // namespace objectmodel_test
