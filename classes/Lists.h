// TList, the general growable array of untyped pointers, and TBits, a growable
// set of bits. Neither owns what it holds.
#pragma once

#include <cstdint>

#include "Exceptions.h"
#include "Object.h"

class TList : public TObject {
  SONDREL_CLASS(TList)

 public:
  static constexpr int MaxListSize = 0x7FFFFFF;

  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  ~TList() override;

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  int Remove(void* item);
  int IndexOf(void* item) const;
  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* Last() const;
  // Makes sure one free slot exists and returns the list itself.
  TList* Expand();
  void RemoveAll();

  int Count() const { return FCount; }
  void SetCount(int count);
  int Capacity() const { return FCapacity; }
  void SetCapacity(int capacity);

  // The capacity that Grow moves to from `capacity`: +4 up to 4 slots, +8 up
  // to 8, then +16 (linear, never doubling). Shared with the string list.
  static int GrowthStep(int capacity);

 protected:
  // The reaction to a bad index or size: raises EListError. A derived list
  // may raise something else; if it returns, EListError is raised anyway.
  virtual void Error() const;
  virtual void Grow();

 private:
  [[noreturn]] void Fail() const;

  void** FItems = nullptr;
  int FCount = 0;
  int FCapacity = 0;
  // The slots the block really has, at least FCapacity: growing allocates
  // ahead, so that a long list filled by Add reallocates only now and then.
  int FAllocated = 0;
};

class TBits : public TObject {
  SONDREL_CLASS(TBits)

 public:
  TBits() = default;
  TBits(const TBits&) = delete;
  TBits& operator=(const TBits&) = delete;
  ~TBits() override;

  int Size() const { return FSize; }
  void SetSize(int size);
  bool Bits(int index) const;
  // Sets or clears one bit, enlarging the set to index + 1 bits if needed.
  void SetBits(int index, bool value);
  // The lowest index whose bit is clear, or Size() when every bit is set.
  int FirstClearBit() const;

 private:
  int FSize = 0;
  std::uint32_t* FBits = nullptr;
};
