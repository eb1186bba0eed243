#include "Lists.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Faults.h"

SONDREL_CLASS_RECORD(TList, TObject, "Classes");
SONDREL_CLASS_RECORD(TBits, TObject, "Classes");

// --- TList -----------------------------------------------------------------

TList::~TList() { RemoveAll(); }

void TList::Error() const { throw EListError(TResId::ListIndexOutOfBounds); }

void TList::Fail() const {
  Error();
  throw EListError(TResId::ListIndexOutOfBounds);
}

int TList::GrowthStep(int capacity) {
  if (capacity > 8) return capacity + 16;
  if (capacity > 4) return capacity + 8;
  return capacity + 4;
}

void TList::Grow() { SetCapacity(GrowthStep(FCapacity)); }

int TList::Add(void* item) {
  if (FCount == FCapacity) Grow();
  FItems[FCount] = item;
  return FCount++;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > FCount) Fail();
  if (FCount == FCapacity) Grow();
  if (index < FCount)
    std::memmove(FItems + index + 1, FItems + index, (FCount - index) * sizeof(void*));
  FItems[index] = item;
  ++FCount;
}

void TList::Delete(int index) {
  if (index < 0 || index >= FCount) Fail();
  --FCount;
  if (index < FCount)
    std::memmove(FItems + index, FItems + index + 1, (FCount - index) * sizeof(void*));
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

int TList::IndexOf(void* item) const {
  for (int i = 0; i < FCount; ++i)
    if (FItems[i] == item) return i;
  return -1;
}

void* TList::Items(int index) const {
  if (index < 0 || index >= FCount) Fail();
  return FItems[index];
}

void TList::SetItems(int index, void* item) {
  if (index < 0 || index >= FCount) Fail();
  FItems[index] = item;
}

void* TList::Last() const { return Items(FCount - 1); }

TList* TList::Expand() {
  if (FCount == FCapacity) Grow();
  return this;
}

void TList::RemoveAll() {
  SetCount(0);
  SetCapacity(0);
}

void TList::SetCount(int count) {
  if (count < 0 || count > MaxListSize) Fail();
  if (count > FCapacity) SetCapacity(count);
  if (count > FCount) std::memset(FItems + FCount, 0, (count - FCount) * sizeof(void*));
  FCount = count;
}

void TList::SetCapacity(int capacity) {
  if (capacity < FCount || capacity > MaxListSize) Fail();
  if (capacity == FCapacity) return;
  if (capacity == 0) {
    std::free(FItems);
    FItems = nullptr;
    FAllocated = 0;
  } else if (capacity > FAllocated || capacity < FCapacity) {
    // Growth past the block takes half as much again as the block had, so a
    // long list filled by Add reallocates only now and then (a short one
    // still gets exactly its capacity); a shrink gives the memory back.
    int slots = capacity;
    if (capacity > FAllocated)
      slots = std::max(capacity, std::min(FAllocated + FAllocated / 2, MaxListSize));
    void* block = std::realloc(FItems, slots * sizeof(void*));
    if (!block && slots > capacity)
      block = std::realloc(FItems, (slots = capacity) * sizeof(void*));
    if (!block) RunError(reOutOfMemory);
    FItems = static_cast<void**>(block);
    FAllocated = slots;
  }
  FCapacity = capacity;
}

// --- TBits -----------------------------------------------------------------

namespace {
[[noreturn]] void BitsError() { throw EBitsError(TResId::BitsIndexOutOfRange); }
int ByteLength(int size) { return (size + 31) / 32 * 4; }
}  // namespace

TBits::~TBits() { std::free(FBits); }

void TBits::SetSize(int size) {
  if (size == FSize) return;
  if (size < 0) BitsError();
  int newLength = ByteLength(size), oldLength = ByteLength(FSize);
  if (newLength != oldLength) {
    std::uint32_t* block = nullptr;
    if (newLength) {
      block = static_cast<std::uint32_t*>(std::calloc(newLength, 1));
      if (!block) RunError(reOutOfMemory);
    }
    if (FBits) {
      if (block) std::memcpy(block, FBits, newLength < oldLength ? newLength : oldLength);
      std::free(FBits);
    }
    FBits = block;
  }
  FSize = size;
}

bool TBits::Bits(int index) const {
  if (index < 0 || index >= FSize) BitsError();
  return FBits[index / 32] >> (index % 32) & 1;
}

void TBits::SetBits(int index, bool value) {
  if (static_cast<unsigned>(index) >= static_cast<unsigned>(FSize)) {
    if (index < 0) BitsError();
    SetSize(index + 1);
  }
  if (value)
    FBits[index / 32] |= 1u << (index % 32);
  else
    FBits[index / 32] &= ~(1u << (index % 32));
}

int TBits::FirstClearBit() const {
  int words = ByteLength(FSize) / 4;
  for (int w = 0; w < words; ++w) {
    if (FBits[w] == 0xFFFFFFFFu) continue;
    for (int bit = 0; bit < 32; ++bit)
      if (!(FBits[w] >> bit & 1)) {
        int index = w * 32 + bit;
        return index < FSize ? index : FSize;
      }
  }
  return FSize;
}
