// TCollection: an owned list of items of one item class. An item puts itself
// into its collection when created and takes itself out when destroyed.
#pragma once

#include "Lists.h"
#include "Persistent.h"

class TCollection;

class TCollectionItem : public TPersistent {
  SONDREL_CLASS(TCollectionItem)

 public:
  explicit TCollectionItem(TCollection& collection);
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;
  ~TCollectionItem() override;

  TCollection& Collection() const { return FCollection; }
  int Index() const;

 private:
  TCollection& FCollection;
};

// The item class of a collection: its class record and its constructor.
struct TCollectionItemClass {
  TClass Class;
  TCollectionItem* (*Create)(TCollection& collection);
};

template <class T>
TCollectionItemClass CollectionItemClassOf() {
  return {T::StaticClass(), [](TCollection& c) -> TCollectionItem* { return new T(c); }};
}

class TCollection : public TPersistent {
  SONDREL_CLASS(TCollection)

 public:
  explicit TCollection(TCollectionItemClass itemClass) : FItemClass(itemClass) {}
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;
  ~TCollection() override;

  TCollectionItemClass ItemClass() const { return FItemClass; }
  // Creates a new item of the item class at the end and returns it.
  TCollectionItem* Add();
  int Count() const { return FItems.Count(); }
  TCollectionItem* Items(int index) const { return static_cast<TCollectionItem*>(FItems.Items(index)); }
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Destroys every item.
  void RemoveAll();
  // Replaces the items with copies of another collection's items.
  void AssignFrom(const TObject* source) override;

 protected:
  // Reports a change: of `item`, or of the whole collection when null.
  virtual void Update(TCollectionItem* item);

 private:
  friend class TCollectionItem;

  TCollectionItemClass FItemClass;
  TList FItems;
  int FUpdateCount = 0;
};
