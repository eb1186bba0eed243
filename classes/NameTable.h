// TNameTable: a hash table of named items (owned components, published
// properties) keyed by the hash of their names (NameHash in TypInfo.h, which
// agrees with SameName). It holds pointers only; the caller compares the
// names of the items a hash leads to, so a table may hold several items of
// one name and the caller decides which one counts.
#pragma once

#include <cstdint>
#include <memory>

template <class T>
class TNameTable {
 public:
  // Makes room for `extra` more items, so that adding them cannot fail.
  void Reserve(int extra) {
    const std::uint64_t needed = 2 * (std::uint64_t{static_cast<std::uint32_t>(FCount)} + extra);
    if (needed <= FSize) return;
    std::uint32_t size = 8;
    while (size < needed) size *= 2;
    auto slots = std::make_unique<TSlot[]>(size);
    for (std::uint32_t i = 0; i < FSize; ++i)
      if (FSlots[i].Item) Place(slots.get(), size - 1, FSlots[i]);
    FSlots = std::move(slots);
    FSize = size;
  }

  void Add(T* item, std::uint32_t hash) {
    Reserve(1);
    Place(FSlots.get(), FSize - 1, TSlot{item, hash});
    ++FCount;
  }

  // Takes the item out; an item the table does not hold is ignored.
  void Remove(const T* item, std::uint32_t hash) {
    if (!FSize) return;
    const std::uint32_t mask = FSize - 1;
    std::uint32_t hole = hash & mask;
    while (FSlots[hole].Item != item) {
      if (!FSlots[hole].Item) return;
      hole = (hole + 1) & mask;
    }
    // Close the gap: move up each following item whose probe sequence passes
    // over the hole, so that no search stops early at an empty slot.
    for (std::uint32_t next = (hole + 1) & mask; FSlots[next].Item; next = (next + 1) & mask) {
      const std::uint32_t home = FSlots[next].Hash & mask;
      if (((next - home) & mask) >= ((next - hole) & mask)) {
        FSlots[hole] = FSlots[next];
        hole = next;
      }
    }
    FSlots[hole] = TSlot{};
    --FCount;
  }

  // Calls `visit(item)` for each item of this hash until it returns true.
  template <class F>
  void Scan(std::uint32_t hash, F&& visit) const {
    if (!FSize) return;
    const std::uint32_t mask = FSize - 1;
    for (std::uint32_t i = hash & mask; FSlots[i].Item; i = (i + 1) & mask)
      if (FSlots[i].Hash == hash && visit(FSlots[i].Item)) return;
  }

 private:
  struct TSlot {
    T* Item = nullptr;  // null: empty
    std::uint32_t Hash = 0;
  };

  // Linear probing in a table kept at most half full.
  static void Place(TSlot* slots, std::uint32_t mask, TSlot slot) {
    std::uint32_t i = slot.Hash & mask;
    while (slots[i].Item) i = (i + 1) & mask;
    slots[i] = slot;
  }

  std::unique_ptr<TSlot[]> FSlots;
  std::uint32_t FSize = 0;  // a power of two, or 0
  int FCount = 0;
};
