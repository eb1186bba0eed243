#include <gtest/gtest.h>

#include <vector>

#include "Lists.h"
#include "TestSupport.h"

namespace {

using TPointers = std::vector<void*>;

void* P(std::uintptr_t n) { return reinterpret_cast<void*>(n); }

TPointers Contents(const TList& list) {
  TPointers items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Items(i));
  return items;
}

const char* const kBounds = "List index out of bounds";

// However far ahead the block grows, the capacity reads as the fixed steps
// give it (4, 8, then by 16), an explicit one is kept exactly, and slots a
// larger count brings back are zeros.
TEST(List, CapacityKeepsTheFixedStepsOfLongLists) {
  TList list;
  for (int n = 1; n <= 3000; ++n) {
    ASSERT_EQ(list.Add(P(n)), n - 1);
    ASSERT_EQ(list.Capacity(), n <= 4 ? 4 : n <= 8 ? 8 : (n + 15) / 16 * 16) << n;
  }
  for (int capacity : {5000, 3001}) list.SetCapacity(capacity);
  list.Add(P(3001));
  list.Add(P(3002));
  EXPECT_EQ(list.Capacity(), 3017);
  list.SetCount(10);
  list.SetCount(3002);
  for (int i = 0; i < 3002; ++i) ASSERT_EQ(list.Items(i), i < 10 ? P(i + 1) : nullptr) << i;
}

TEST(List, CountAndCapacity) {
  TList list;
  list.Add(P(1));
  list.SetCount(5);  // beyond the capacity
  EXPECT_EQ(Contents(list), (TPointers{P(1), nullptr, nullptr, nullptr, nullptr}));
  list.SetCount(1);
  list.SetCapacity(1);
  EXPECT_EQ(list.Expand()->Capacity(), 5);
  EXPECT_EQ(list.Expand()->Capacity(), 5);  // already has a free slot
  list.RemoveAll();
  EXPECT_EQ(list.Count() + list.Capacity(), 0);
}

TEST(List, InsertDeleteAndRemove) {
  TList list;
  for (auto n : {1, 2, 3}) list.Add(P(n));
  list.Insert(3, P(9));  // index == Count appends
  list.Insert(0, P(2));
  EXPECT_EQ(Contents(list), (TPointers{P(2), P(1), P(2), P(3), P(9)}));
  list.Delete(4);
  EXPECT_EQ(list.Last(), P(3));
  EXPECT_EQ(list.Remove(P(2)), 0);  // the first of two
  EXPECT_EQ(list.Remove(P(7)), -1);
  EXPECT_EQ(Contents(list), (TPointers{P(1), P(2), P(3)}));
}

TEST(List, BadIndexesRaiseAndChangeNothing) {
  TList list;
  for (auto n : {1, 2, 3}) list.Add(P(n));
  for (int i : {-1, 4}) EXPECT_RAISES(EListError, list.Insert(i, P(9)), kBounds) << i;
  for (int i : {-1, 3}) EXPECT_RAISES(EListError, list.Delete(i), kBounds) << i;
  EXPECT_RAISES(EListError, list.Items(3), kBounds);
  EXPECT_RAISES(EListError, list.SetItems(-1, P(9)), kBounds);
  EXPECT_RAISES(EListError, list.SetCount(-1), kBounds);
  for (int capacity : {2, -1, TList::MaxListSize + 1})
    EXPECT_RAISES(EListError, list.SetCapacity(capacity), kBounds) << capacity;
  EXPECT_EQ(Contents(list), (TPointers{P(1), P(2), P(3)}));
  EXPECT_EQ(list.Capacity(), 4);
  TList empty;
  EXPECT_RAISES(EListError, empty.Last(), kBounds);
}

struct TStrictList : TList {
  bool Silent = false;
  void Error() const override {
    if (!Silent) throw ERangeError("strict");
  }
};

TEST(List, DerivedErrorChoosesTheException) {
  TStrictList list;
  list.Add(P(1));
  EXPECT_RAISES(ERangeError, list.Delete(1), "strict");
  list.Silent = true;  // an Error that returns still fails the operation
  EXPECT_RAISES(EListError, list.Delete(1), kBounds);
  EXPECT_EQ(list.Count(), 1);
}

const char* const kBits = "Bits index out of range";

TEST(Bits, GrowsToTheWrittenBitAndFindsClearBits) {
  TBits bits;
  EXPECT_EQ(bits.FirstClearBit(), 0);
  bits.SetBits(40, true);
  EXPECT_EQ(bits.Size(), 41);
  EXPECT_FALSE(bits.Bits(39));
  for (int i = 0; i < 40; ++i) bits.SetBits(i, true);
  EXPECT_EQ(bits.FirstClearBit(), 41);
  bits.SetSize(38);  // the bits left beyond the size do not count
  EXPECT_EQ(bits.FirstClearBit(), 38);
  bits.SetBits(7, false);
  EXPECT_EQ(bits.FirstClearBit(), 7);
}

TEST(Bits, ResizingKeepsOrDropsWordsAndBadIndexesRaise) {
  TBits bits;
  for (int i : {0, 32, 63}) bits.SetBits(i, true);
  bits.SetSize(33);
  EXPECT_TRUE(bits.Bits(0) && bits.Bits(32));
  bits.SetSize(32);
  for (int i : {-1, 32}) EXPECT_RAISES(EBitsError, bits.Bits(i), kBits) << i;
  EXPECT_RAISES(EBitsError, bits.SetBits(-1, true), kBits);
  EXPECT_RAISES(EBitsError, bits.SetSize(-1), kBits);
  bits.SetSize(64);
  EXPECT_TRUE(bits.Bits(0));
  for (int i = 32; i < 64; ++i) EXPECT_FALSE(bits.Bits(i)) << i;
}

}  // namespace
