#include "Components.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "NameTable.h"
#include "Reader.h"
#include "Writer.h"

constinit const TTypeInfo ComponentNameTypeInfo = StringType("TComponentName");

namespace {
const TPropInfo ComponentProps[] = {
    Prop<&TComponent::Name, &TComponent::Rename>("Name", ComponentNameTypeInfo).Stored(false),
    Prop<&TComponent::Tag, &TComponent::SetTag>("Tag", LongintTypeInfo).Default(0),
};
}  // namespace

SONDREL_PUBLISHED_CLASS(TComponent, TPersistent, "Classes",
                        {.Props = ComponentProps, .Create = &NewComponent<TComponent>});

bool IsValidIdent(const String& name) {
  if (name.empty()) return false;
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!letter(name[0])) return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

// What an owner keeps beside its list of owned components: a table of their
// names for FindOwned, and the owned components that can react to a
// notification, for Notify. FOrder grows with each insertion, so the owned
// list is sorted by it, and so is the list of listeners.
struct TComponent::TOwnedIndex {
  // A PassOn in progress: the insertion order of the component it is calling
  // and how many components placed before that one have been removed since
  // the call began (or that the whole list has gone); or, once the list is
  // numbered afresh, the position that component had when the call began.
  struct TPassing {
    std::uint32_t Order = 0;
    int RemovedBefore = 0;
    int Position = -1;  // known once the orders change
    bool Emptied = false;
    TPassing* Outer = nullptr;
  };

  TNameTable<TComponent> Names;
  std::vector<TComponent*> Listeners;
  std::uint32_t NextOrder = 0;
  TPassing* Passing = nullptr;  // the innermost PassOn on this owner

  // The index of the first listener inserted at or after `order`.
  std::size_t ListenerFrom(std::uint32_t order) const {
    auto at = std::lower_bound(Listeners.begin(), Listeners.end(), order,
                               [](const TComponent* c, std::uint32_t o) { return c->FOrder < o; });
    return static_cast<std::size_t>(at - Listeners.begin());
  }

  void Unlist(const TComponent* component) {
    if (!Listeners.empty() && Listeners.back() == component) {
      Listeners.pop_back();
      return;
    }
    std::size_t i = ListenerFrom(component->FOrder);
    if (i < Listeners.size() && Listeners[i] == component) Listeners.erase(Listeners.begin() + i);
  }

  // The first component in list order with this name.
  TComponent* Find(const String& name) const {
    TComponent* first = nullptr;
    Names.Scan(NameHash(name), [&](TComponent* c) {
      if (SameName(name.data(), name.size(), c->FName.data(), c->FName.size()) &&
          (!first || c->FOrder < first->FOrder))
        first = c;
      return false;  // a later slot may hold an earlier component of the name
    });
    return first;
  }
};

namespace {
// Counts the changes to every owned list and list of listeners, so that
// passing a notification on can tell whether the list it walks changed while
// a component heard it.
std::uint64_t OwnershipChanges = 0;
}  // namespace

TOwner::TOwner(TComponent* owner) noexcept : FOwner(owner), FUncaught(std::uncaught_exceptions()) {}

TOwner::~TOwner() noexcept(false) {
  const bool unwinding = std::uncaught_exceptions() > FUncaught;
  while (TComponent* component = FInserted) {
    Forget(component);
    if (!unwinding) {
      component->AnnounceInsertion();
      continue;
    }
    // Another part of the expression failed after the component was built:
    // the owner still hears of it, but nothing may propagate from here now.
    try {
      component->AnnounceInsertion();
    } catch (...) {
    }
  }
}

void TOwner::Forget(TComponent* component) const {
  TComponent** link = &FInserted;
  while (*link != component) link = &(*link)->FNextAnnounced;
  *link = component->FNextAnnounced;
  component->FNextAnnounced = nullptr;
  component->FAnnouncer = nullptr;
}

TComponent::TComponent(const TOwner& owner) : FStyle(1) {
  if (!owner.FOwner) return;
  owner.FOwner->InsertOwned(this);
  // Announced in the order built, when the argument goes.
  TComponent** last = &owner.FInserted;
  while (*last) last = &(*last)->FNextAnnounced;
  *last = this;
  FAnnouncer = &owner;
}

void TComponent::AnnounceInsertion() {
  if (FOwner) FOwner->Notify(this, ntInserted);
}

TComponent::~TComponent() {
  // Freed within the expression that built it: the owner hears of the
  // insertion first. When the construction itself failed it hears of
  // neither (RemoveOwned below passes over such a component).
  if (FAnnouncer && std::uncaught_exceptions() <= FAnnouncer->FUncaught) {
    FAnnouncer->Forget(this);
    AnnounceInsertion();
  }
  if (FFreeNotices) {
    // Each notified component takes itself out of the list as it hears.
    std::unique_ptr<TList> notices = std::move(FFreeNotices);
    for (int i = 0; i < notices->Count(); ++i)
      static_cast<TComponent*>(notices->Items(i))->Notify(this, ntRemoved);
  }
  MarkDestroying();
  DestroyOwned();
  if (FOwner) FOwner->RemoveOwned(this);
}

void TComponent::CheckOwnerField(const TComponent* owner, const String& name) const {
  if (!owner || name.empty()) return;
  TClass fieldClass = nullptr;
  if (FieldAddressByName(const_cast<TComponent*>(owner), name, &fieldClass) && fieldClass &&
      !InheritsFrom(fieldClass))
    throw EInvalidCast(TResId::InvalidCast);
}

void TComponent::BindOwnerField(const String& name, TComponent* value) {
  if (!FOwner || name.empty()) return;
  if (TObject** field = FieldAddressByName(FOwner, name)) *field = value;
}

void TComponent::AddOwned(TComponent* component) {
  InsertOwned(component);
  Notify(component, ntInserted);
}

void TComponent::InsertOwned(TComponent* component) {
  CheckRename(component, String(), component->FName);
  component->CheckOwnerField(this, component->FName);
  if (!FOwned) {
    ListWithOwner();
    auto index = std::make_unique<TOwnedIndex>();
    FOwned = std::make_unique<TList>();
    FIndex = std::move(index);
  }
  TOwnedIndex& index = *FIndex;
  if (index.NextOrder == UINT32_MAX) Renumber();
  // Whatever may fail to allocate comes before the first change.
  index.Names.Reserve(1);
  const bool listens = component->CanReact();
  if (listens) index.Listeners.push_back(component);  // the latest insertion comes last
  try {
    FOwned->Add(component);
  } catch (...) {
    if (listens) index.Listeners.pop_back();
    throw;
  }
  component->FOrder = index.NextOrder++;
  component->FListed = listens;
  if (!component->FName.empty()) index.Names.Add(component, NameHash(component->FName));
  ++OwnershipChanges;
  component->FOwner = this;
  component->BindOwnerField(component->FName, component);
  if (FState & stDesigning) component->SetDesigning(true);
}

void TComponent::RemoveOwned(TComponent* component) {
  if (component->FAnnouncer) {
    // Taken out before this owner heard of it: it hears of neither.
    component->FAnnouncer->Forget(component);
  } else {
    Notify(component, ntRemoved);
  }
  component->BindOwnerField(component->FName, nullptr);
  const int position = OwnedPosition(component);
  if (position >= 0) {
    FOwned->Delete(position);
    DropFromIndex(component);
  }
  component->FOwner = nullptr;
  if (FOwned->Count() == 0) DropOwnedList();
  component->SetDesigning(false);
  CheckRename(component, component->FName, String());
}

void TComponent::SetDesigning(bool designing) {
  if (designing)
    FState |= stDesigning;
  else
    FState &= ~stDesigning;
  for (int i = 0; i < OwnedCount(); ++i) OwnedAt(i)->SetDesigning(designing);
}

TComponent* TComponent::FindOwned(const String& name) const {
  if (name.empty() || !FIndex) return nullptr;
  return FIndex->Find(name);
}

int TComponent::OwnedBefore(std::uint32_t order) const {
  int low = 0, high = OwnedCount();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (OwnedAt(middle)->FOrder < order)
      low = middle + 1;
    else
      high = middle;
  }
  return low;
}

int TComponent::OwnedPosition(const TComponent* component) const {
  if (!FOwned || component->FOwner != this) return -1;
  const int position = OwnedBefore(component->FOrder);
  return position < FOwned->Count() && OwnedAt(position) == component ? position : -1;
}

void TComponent::DropFromIndex(TComponent* component) {
  if (!component->FName.empty()) FIndex->Names.Remove(component, NameHash(component->FName));
  FIndex->Unlist(component);
  for (TOwnedIndex::TPassing* p = FIndex->Passing; p; p = p->Outer)
    if (component->FOrder < p->Order) ++p->RemovedBefore;
  component->FListed = false;
  ++OwnershipChanges;
}

void TComponent::KeepPassingPositions() {
  for (TOwnedIndex::TPassing* p = FIndex->Passing; p; p = p->Outer)
    if (p->Position < 0) p->Position = OwnedBefore(p->Order) + p->RemovedBefore;
}

void TComponent::Renumber() {
  KeepPassingPositions();
  for (int i = 0; i < FOwned->Count(); ++i) OwnedAt(i)->FOrder = static_cast<std::uint32_t>(i);
  FIndex->NextOrder = static_cast<std::uint32_t>(FOwned->Count());
}

void TComponent::DropOwnedList() {
  for (TOwnedIndex::TPassing* p = FIndex->Passing; p; p = p->Outer) p->Emptied = true;
  FOwned.reset();
  FIndex.reset();
  UnlistIfQuiet();
}

void TComponent::ListWithOwner() {
  if (FListed || !FOwner || !FOwner->FIndex) return;
  std::vector<TComponent*>& listeners = FOwner->FIndex->Listeners;
  listeners.insert(listeners.begin() + FOwner->FIndex->ListenerFrom(FOrder), this);
  FListed = true;
  ++OwnershipChanges;
}

void TComponent::UnlistIfQuiet() {
  if (!FListed || CanReact() || !FOwner || !FOwner->FIndex) return;
  FOwner->FIndex->Unlist(this);
  FListed = false;
  ++OwnershipChanges;
}

void TComponent::HearNotifications() {
  if (FHears) return;
  ListWithOwner();
  FHears = true;
}

TComponent* TComponent::OwnedAt(int index) const {
  if (!FOwned) throw EListError(TResId::ListIndexOutOfBounds);
  return static_cast<TComponent*>(FOwned->Items(index));
}

int TComponent::ComponentIndex() const { return FOwner ? FOwner->OwnedPosition(this) : -1; }

void TComponent::SetComponentIndex(int index) {
  const int current = ComponentIndex();
  if (current < 0) return;
  TComponent& owner = *FOwner;
  TList& list = *owner.FOwned;
  if (index < 0) index = 0;
  if (index >= list.Count()) index = list.Count() - 1;
  if (index == current) return;
  owner.KeepPassingPositions();  // while the list still follows the orders
  list.Delete(current);
  list.Insert(index, this);
  // The orders follow the list again, and the listeners the orders.
  owner.Renumber();
  std::vector<TComponent*>& listeners = owner.FIndex->Listeners;
  listeners.clear();
  for (int i = 0; i < list.Count(); ++i)
    if (owner.OwnedAt(i)->FListed) listeners.push_back(owner.OwnedAt(i));
  ++OwnershipChanges;
}

void TComponent::DestroyOwned() {
  while (FOwned) {
    auto* c = static_cast<TComponent*>(FOwned->Last());
    FOwned->Delete(FOwned->Count() - 1);
    DropFromIndex(c);
    c->FOwner = nullptr;
    if (FOwned->Count() == 0) DropOwnedList();
    delete c;
  }
}

void TComponent::MarkDestroying() {
  if (FState & stDestroying) return;
  FState |= stDestroying;
  for (int i = 0; i < OwnedCount(); ++i) OwnedAt(i)->MarkDestroying();
}

void TComponent::RequestFreeNotice(TComponent* component) {
  if (FOwner && component->FOwner == FOwner) return;
  if (!FFreeNotices) {
    ListWithOwner();
    FFreeNotices = std::make_unique<TList>();
  }
  if (FFreeNotices->IndexOf(component) < 0) {
    FFreeNotices->Add(component);
    component->RequestFreeNotice(this);
  }
}

void TComponent::EnumChildren(const std::function<void(TComponent*)>&) {}
TComponent* TComponent::ChildOwner() { return nullptr; }
TComponent* TComponent::ChildParent() { return this; }
void TComponent::AfterLoad() { FState &= ~stLoading; }

void TComponent::Notify(TComponent* component, TOperation operation) {
  if (operation == ntRemoved && FFreeNotices) {
    FFreeNotices->Remove(component);
    if (FFreeNotices->Count() == 0) {
      FFreeNotices.reset();
      UnlistIfQuiet();
    }
  }
  PassOn(component, operation);
}

// Reaches the owned components as a walk by position through the owned list
// would, one that reads the list afresh after each call, except that it steps
// over the components that cannot react.
void TComponent::PassOn(TComponent* component, TOperation operation) {
  if (!FIndex) return;
  TOwnedIndex::TPassing passing;
  TOwnedIndex* index = nullptr;
  auto enter = [&] {
    index = FIndex.get();
    passing.Emptied = false;
    passing.Outer = index->Passing;
    index->Passing = &passing;
  };
  struct TLeave {
    TOwnedIndex::TPassing& Passing;
    TOwnedIndex*& Index;
    ~TLeave() {
      if (!Passing.Emptied) Index->Passing = Passing.Outer;  // a list that went took it along
    }
  } leave{passing, index};
  enter();
  for (std::size_t k = 0; k < index->Listeners.size();) {
    TComponent* listener = index->Listeners[k];
    passing.Order = listener->FOrder;
    passing.RemovedBefore = 0;
    passing.Position = -1;
    const std::uint64_t changes = OwnershipChanges;
    listener->Notify(component, operation);
    if (OwnershipChanges == changes) {
      ++k;
      continue;
    }
    // The lists changed under the call: go on from the position after the
    // one the listener had, in the list as it is now.
    const int position = passing.Position >= 0 ? passing.Position
                         : passing.Emptied     ? passing.RemovedBefore
                                               : OwnedBefore(passing.Order) + passing.RemovedBefore;
    const int next = position + 1;
    if (next >= OwnedCount()) break;
    if (passing.Emptied) enter();  // a new list: follow that one
    k = index->ListenerFrom(OwnedAt(next)->FOrder);
  }
}

void TComponent::ReadContent(TReader& reader) { reader.ReadComponentData(this); }

void TComponent::Rename(const String& newName) {
  if (newName == FName) return;
  if (!newName.empty() && !IsValidIdent(newName))
    throw EComponentError(TResId::InvalidComponentName, {newName});
  if (FOwner)
    FOwner->CheckRename(this, FName, newName);
  else
    CheckRename(nullptr, FName, newName);
  CheckOwnerField(FOwner, newName);
  // The owner's name table changes once the name has: room for the new
  // entry is made first, so nothing can fail after the name changed.
  TNameTable<TComponent>* names = FOwner ? &FOwner->FIndex->Names : nullptr;
  if (names) names->Reserve(1);
  const bool named = !FName.empty();
  const std::uint32_t oldHash = names && named ? NameHash(FName) : 0;
  BindOwnerField(FName, nullptr);
  FName = newName;
  if (names && named) names->Remove(this, oldHash);
  if (names && !FName.empty()) names->Add(this, NameHash(FName));
  BindOwnerField(FName, this);
}

void TComponent::MoveChild(TComponent*, int) {}
void TComponent::AttachToParent(TComponent*) {}
void TComponent::MarkUpdating() { FState |= stUpdating; }
void TComponent::MarkUpdated() { FState &= ~stUpdating; }

void TComponent::CheckRename(TComponent* component, const String& currentName,
                             const String& newName) {
  if (component && !SameName(currentName, newName.c_str()) && FindOwned(newName))
    throw EComponentError(TResId::DuplicateComponentName, {newName});
  if ((FState & stDesigning) && FOwner) FOwner->CheckRename(component, currentName, newName);
}

void TComponent::WriteContent(TWriter& writer) { writer.WriteComponentData(this); }
TComponent* TComponent::ParentComponent() const { return nullptr; }
bool TComponent::HasParentComponent() const { return false; }

void TComponent::DefineProperties(TFiler& filer) {
  TPersistent* a = filer.Ancestor();
  auto* ancestor = a && a->Is<TComponent>() ? static_cast<TComponent*>(a) : nullptr;
  bool leftDiffers = ancestor ? FLeft != ancestor->FLeft : FLeft != 0;
  bool topDiffers = ancestor ? FTop != ancestor->FTop : FTop != 0;
  filer.DeclareProperty("Left", TReaderProc::Of<&TComponent::ReadLeft>(this),
                        TWriterProc::Of<&TComponent::WriteLeft>(this), leftDiffers);
  filer.DeclareProperty("Top", TReaderProc::Of<&TComponent::ReadTop>(this),
                        TWriterProc::Of<&TComponent::WriteTop>(this), topDiffers);
}

void TComponent::ReadLeft(TReader& reader) { FLeft = static_cast<std::int16_t>(reader.ReadInt()); }
void TComponent::ReadTop(TReader& reader) { FTop = static_cast<std::int16_t>(reader.ReadInt()); }
void TComponent::WriteLeft(TWriter& writer) { writer.WriteInt(FLeft); }
void TComponent::WriteTop(TWriter& writer) { writer.WriteInt(FTop); }
