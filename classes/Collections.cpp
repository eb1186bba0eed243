#include "Collections.h"

#include <memory>

SONDREL_CLASS_RECORD(TCollectionItem, TPersistent, "Classes");
SONDREL_CLASS_RECORD(TCollection, TPersistent, "Classes");

TCollectionItem::TCollectionItem(TCollection& collection) : FCollection(collection) {
  FCollection.FItems.Add(this);
}

TCollectionItem::~TCollectionItem() { FCollection.FItems.Remove(this); }

int TCollectionItem::Index() const { return FCollection.FItems.IndexOf(const_cast<TCollectionItem*>(this)); }

TCollection::~TCollection() {
  FUpdateCount = 1;
  RemoveAll();
}

TCollectionItem* TCollection::Add() { return FItemClass.Create(*this); }

void TCollection::EndUpdate() {
  --FUpdateCount;
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::RemoveAll() {
  if (FItems.Count() == 0) return;
  BeginUpdate();
  while (FItems.Count() > 0) delete static_cast<TCollectionItem*>(FItems.Last());
  EndUpdate();
}

void TCollection::AssignFrom(const TObject* source) {
  if (!source || !source->Is<TCollection>()) return TPersistent::AssignFrom(source);
  const auto& other = *static_cast<const TCollection*>(source);
  if (&other == this) return;  // clearing first would lose the items
  BeginUpdate();
  try {
    RemoveAll();
    for (int i = 0; i < other.Count(); ++i) Add()->AssignFrom(other.Items(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::Update(TCollectionItem*) {}
