// TComponent: named, owned objects that form definitions describe. An owner
// destroys what it owns; names are unique among the components of one owner;
// a component put into an owner under a name is stored into the owner's
// published field of that name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>

#include "Lists.h"
#include "Persistent.h"
#include "TypInfo.h"

class TReader;
class TWriter;

// Component state flags.
enum : std::uint8_t {
  stLoading = 0x01,
  stReading = 0x02,
  stWriting = 0x04,
  stDestroying = 0x08,
  stDesigning = 0x10,
  stUpdating = 0x40,
};
using TComponentState = std::uint8_t;

enum TOperation : std::uint8_t { ntInserted, ntRemoved };

extern const TTypeInfo ComponentNameTypeInfo;  // TComponentName

class TComponent;

// The owner argument of every component constructor. It is made from the
// owner pointer where the outermost constructor is called, so it lives until
// the end of the expression that creates the component: its destructor tells
// the owner of the insertion once the whole object is built, when the owner
// sees the component's real class (a base constructor runs while the object
// is still of the base class). A class that inherits its constructors
// (`using TButton::TButton;`) or takes `const TOwner&` itself is seen as
// what it is; one whose constructor takes a plain `TComponent*` is announced
// once the part built from that pointer is complete.
class TOwner {
 public:
  TOwner(TComponent* owner) noexcept;  // NOLINT: converts implicitly, on purpose
  TOwner(const TOwner&) = delete;
  TOwner& operator=(const TOwner&) = delete;
  // A failure of the owner's reaction propagates from here; the component
  // stays with its owner.
  ~TOwner() noexcept(false);
  operator TComponent*() const { return FOwner; }
  TComponent* operator->() const { return FOwner; }

 private:
  friend class TComponent;
  // Takes a component off the list of those to announce.
  void Forget(TComponent* component) const;

  TComponent* FOwner;
  int FUncaught;  // exceptions in flight when the expression began
  // The components built with this argument and not yet announced, in the
  // order built, linked through FNextAnnounced.
  mutable TComponent* FInserted = nullptr;
};

class TComponent : public TPersistent {
  SONDREL_CLASS(TComponent)

 public:
  // Called as construction reaches each class of a component (see
  // TClassStep in Object.h): a component whose class has a Notify of its own
  // from then on hears every notification its owner passes on. A class that
  // overrides Notify needs nothing for this but its SONDREL_CLASS line; the
  // owner passes notifications on only to such components and to those that
  // own components or hold free notices, since for any other the base Notify
  // does nothing.
  template <class Self>
  static void ReachClass(TComponent* self) {
    if constexpr (!InheritsBaseNotify<Self>()) self->HearNotifications();
  }

  explicit TComponent(const TOwner& owner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  const String& Name() const { return FName; }
  std::int32_t Tag() const { return FTag; }
  void SetTag(std::int32_t tag) { FTag = tag; }
  TComponentState ComponentState() const { return FState; }
  void IncludeState(TComponentState flags) { FState |= flags; }
  void ExcludeState(TComponentState flags) { FState &= ~flags; }
  std::uint8_t ComponentStyle() const { return FStyle; }
  // The design position kept for components without a position of their own.
  std::int16_t DesignLeft() const { return FLeft; }
  std::int16_t DesignTop() const { return FTop; }
  void SetDesignPosition(std::int16_t left, std::int16_t top) {
    FLeft = left;
    FTop = top;
  }

  // Inserts a component built elsewhere and tells this owner at once.
  void AddOwned(TComponent* component);
  void RemoveOwned(TComponent* component);
  TComponent* FindOwned(const String& name) const;
  int OwnedCount() const { return FOwned ? FOwned->Count() : 0; }
  TComponent* OwnedAt(int index) const;
  // The position in the owner's list of owned components (-1 without owner);
  // setting it moves the component there (clamped to the list).
  int ComponentIndex() const;
  void SetComponentIndex(int index);
  void DestroyOwned();
  void MarkDestroying();
  // Each of the two components hears of the other's destruction.
  void RequestFreeNotice(TComponent* component);

  // Calls `callback` for each child to be written.
  virtual void EnumChildren(const std::function<void(TComponent*)>& callback);
  // The owner for components read as children of this one (null: the root).
  virtual TComponent* ChildOwner();
  // The parent for components read as children of this one.
  virtual TComponent* ChildParent();
  // Called once the component's whole definition has been read.
  virtual void AfterLoad();
  // Called by the virtual constructor once the object is constructed, when
  // its class is known to be the most derived one (forms read their
  // definition here).
  virtual void AfterConstruction() {}
  virtual void Notify(TComponent* component, TOperation operation);
  virtual void ReadContent(TReader& reader);
  // The setter of Name: validates, checks uniqueness, rebinds the owner's field.
  virtual void Rename(const String& newName);
  virtual void MoveChild(TComponent* child, int position);
  virtual void AttachToParent(TComponent* parent);
  virtual void MarkUpdating();
  virtual void MarkUpdated();
  virtual void CheckRename(TComponent* component, const String& currentName, const String& newName);
  virtual void WriteContent(TWriter& writer);
  virtual TComponent* ParentComponent() const;
  virtual bool HasParentComponent() const;

  void DefineProperties(TFiler& filer) override;

 private:
  friend class TOwner;
  struct TOwnedIndex;

  // Puts the component into the owned list; AddOwned and the constructor
  // then tell this owner (the constructor through the TOwner argument).
  void InsertOwned(TComponent* component);
  // Tells the owner of the insertion that construction held back.
  void AnnounceInsertion();

  // Whether class Self's Notify is TComponent's own. A Notify declared below
  // TComponent that cannot be named from here (one that is not public) counts
  // as an override.
  template <class Self>
  static constexpr bool InheritsBaseNotify() {
    if constexpr (requires { NotifyDeclarer(&Self::Notify); })
      return std::is_same_v<decltype(NotifyDeclarer(&Self::Notify)), TComponent*>;
    else
      return false;
  }
  template <class C>
  static C* NotifyDeclarer(void (C::*)(TComponent*, TOperation));

  // Whether Notify may do anything: a Notify of the class's own, or owned
  // components or free notices to pass it on to or act on.
  bool CanReact() const { return FHears || FOwned || FFreeNotices; }
  void HearNotifications();
  // Puts this component among those its owner passes notifications on to.
  // Called before the change that makes it able to react, so that a failure
  // leaves it reached needlessly rather than missed.
  void ListWithOwner();
  // Takes it out again once it can no longer react.
  void UnlistIfQuiet();
  // The number of owned components inserted before insertion order `order`
  // (the list is sorted by insertion order).
  int OwnedBefore(std::uint32_t order) const;
  // The position of an owned component in the list, or -1.
  int OwnedPosition(const TComponent* component) const;
  // Takes an owned component out of the name table and the notification list.
  void DropFromIndex(TComponent* component);
  // Frees the emptied owned list and its index.
  void DropOwnedList();
  // Lets each walk passing a notification on here keep the position it has
  // reached, before the insertion orders change.
  void KeepPassingPositions();
  // Numbers the owned components afresh in list order.
  void Renumber();
  // Passes a notification on to the owned components that can react.
  void PassOn(TComponent* component, TOperation operation);

  // Raises EInvalidCast when `owner` publishes a field named `name` that
  // holds a class this component does not inherit from.
  void CheckOwnerField(const TComponent* owner, const String& name) const;
  void BindOwnerField(const String& name, TComponent* value);
  void ReadLeft(TReader& reader);
  void ReadTop(TReader& reader);
  void WriteLeft(TWriter& writer);
  void WriteTop(TWriter& writer);
  void SetDesigning(bool designing);

  TComponent* FOwner = nullptr;
  String FName;
  std::int32_t FTag = 0;
  std::unique_ptr<TList> FOwned;
  std::unique_ptr<TOwnedIndex> FIndex;  // exists with FOwned
  std::unique_ptr<TList> FFreeNotices;
  // Sorts the owner's list: grows with each insertion, renumbered when a
  // component moves within the list.
  std::uint32_t FOrder = 0;
  std::int16_t FLeft = 0, FTop = 0;
  TComponentState FState = 0;
  std::uint8_t FStyle = 0;
  bool FHears = false;   // the class has a Notify of its own
  bool FListed = false;  // in the owner's notification list
  // While the owner has yet to hear of the insertion: the owner argument the
  // component was built with.
  const TOwner* FAnnouncer = nullptr;
  TComponent* FNextAnnounced = nullptr;
};

// True for a non-empty name of ASCII letters, digits and "_" that does not
// begin with a digit.
bool IsValidIdent(const String& name);

// The virtual constructor of component class T.
template <class T>
TComponent* NewComponent(TComponent* owner) {
  return new T(owner);
}
