#include <gtest/gtest.h>

#include "Collections.h"
#include "TestSupport.h"

namespace collections_test {

int Destroyed = 0;

class TValueItem : public TCollectionItem {
  SONDREL_CLASS(TValueItem)

 public:
  using TCollectionItem::TCollectionItem;
  ~TValueItem() override { ++Destroyed; }

  void AssignFrom(const TObject* source) override {
    if (!source || !source->Is<TValueItem>()) return TCollectionItem::AssignFrom(source);
    Value = static_cast<const TValueItem*>(source)->Value;
  }

  int Value = 0;
};

SONDREL_CLASS_RECORD(TValueItem, TCollectionItem, "Tests");

// Counts the whole-collection updates.
class TCountingCollection : public TCollection {
 public:
  TCountingCollection() : TCollection(CollectionItemClassOf<TValueItem>()) {}
  int Updates = 0;

 protected:
  void Update(TCollectionItem* item) override { Updates += !item; }
};

TValueItem* At(const TCollection& collection, int index) {
  return static_cast<TValueItem*>(collection.Items(index));
}

void AddValues(TCollection& collection, std::initializer_list<int> values) {
  for (int v : values) static_cast<TValueItem*>(collection.Add())->Value = v;
}

TEST(Collection, ItemsJoinInOrderAndLeaveWhenDestroyed) {
  TCollection collection(CollectionItemClassOf<TValueItem>());
  AddValues(collection, {0, 1, 2});
  ASSERT_EQ(collection.Count(), 3);
  EXPECT_EQ(collection.Items(2)->ClassType(), TValueItem::StaticClass());
  delete collection.Items(1);
  ASSERT_EQ(collection.Count(), 2);
  EXPECT_EQ(At(collection, 1)->Value, 2);
  EXPECT_EQ(collection.Items(1)->Index(), 1);
  EXPECT_RAISES(EListError, collection.Items(2), "List index out of bounds");
}

TEST(Collection, UpdatesAndDestruction) {
  TCountingCollection collection;
  collection.BeginUpdate();
  collection.BeginUpdate();
  AddValues(collection, {1, 2, 3});
  collection.EndUpdate();
  EXPECT_EQ(collection.Updates, 0);
  collection.EndUpdate();
  EXPECT_EQ(collection.Updates, 1);  // once per outermost bracket
  Destroyed = 0;
  collection.RemoveAll();
  EXPECT_EQ(Destroyed, 3);
  EXPECT_EQ(collection.Count(), 0);

  auto* owned = new TCollection(CollectionItemClassOf<TValueItem>());
  AddValues(*owned, {1, 2});
  delete owned;
  EXPECT_EQ(Destroyed, 5);
}

TEST(Collection, AssignFrom) {
  TCollection source(CollectionItemClassOf<TValueItem>());
  TCollection target(CollectionItemClassOf<TValueItem>());
  AddValues(source, {7, 8, 9});
  AddValues(target, {1, 2, 3, 4, 5});
  target.AssignFrom(&source);
  ASSERT_EQ(target.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(At(target, i)->Value, 7 + i);
    EXPECT_NE(target.Items(i), source.Items(i));
  }
  target.AssignFrom(&target);
  TBits bits;
  EXPECT_RAISES(EConvertError, target.AssignFrom(&bits), "Cannot assign a TBits to a TCollection");
  EXPECT_RAISES(EConvertError, At(target, 0)->AssignFrom(&bits),
                "Cannot assign a TBits to a TValueItem");
  ASSERT_EQ(target.Count(), 3);
  EXPECT_EQ(At(target, 0)->Value, 7);
}

}  // namespace collections_test
