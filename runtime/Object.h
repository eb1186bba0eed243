// The root of the object model: TObject and its immutable class records.
//
// Every class of the library carries a class record built at compile time: its
// name, its parent's record and the unit it belongs to, plus a slot for the
// published tables (properties, methods, fields, message handlers) that the
// type-information layer attaches. A TClass is a pointer to such a record, so
// class identity is pointer identity.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

using String = std::string;  // Windows-1252 bytes; value semantics

class TObject;
struct TPublishedTables;  // declared by the type-information layer

// A message: a platform message or one of the framework's own. The field
// types are the platform's UINT, WPARAM, LPARAM and LRESULT of this 32-bit
// target, so records pass to and from the platform unchanged.
struct TMessage {
  unsigned int Msg;
  unsigned int WParam;
  long LParam;
  long Result = 0;
};

// One row of a class's message table: a message number and the handler that
// the class declares for it.
using TMessageHandler = void (*)(TObject* self, TMessage& message);
struct TMessageEntry {
  std::uint16_t Msg;
  TMessageHandler Handler;
};

struct TClassRec {
  const char* Name;
  const TClassRec* Parent;  // null for TObject
  const char* UnitName;
  const TPublishedTables* Published;  // null while a class publishes nothing
  std::span<const TMessageEntry> Messages{};  // sorted by message number
  // Bit (n mod 64) is set for each number n in Messages, so that most
  // classes are passed over without searching their table.
  std::uint64_t MessageBits = 0;

  bool InheritsFrom(const TClassRec* ancestor) const;
  // Class names compare without regard to ASCII letter case.
  bool NameIs(const char* name) const;
};
using TClass = const TClassRec*;

// The tables a class keeps beside its class record (message handlers), when
// they name members that are not public: specialised in the class's .cpp file.
template <class T>
struct TClassTables;

// Construction passes through the classes of an object one at a time, from
// TObject down to the object's own class. The member that SONDREL_CLASS
// declares is built as construction reaches its class Self, when the object
// already behaves as a Self; it lets a class above TObject learn what the
// object has become by providing `template <class Self> static void
// ReachClass(Base*)` (TComponent uses it to learn whether the object's Notify
// can react). Without such a function the member does nothing. Copies are
// built without it: the classes that use it cannot be copied.
template <class Self>
class TClassStep {
 public:
  explicit TClassStep(Self* self) {
    if constexpr (requires { Self::template ReachClass<Self>(self); })
      Self::template ReachClass<Self>(self);
  }
  TClassStep(const TClassStep&) noexcept {}
  TClassStep& operator=(const TClassStep&) noexcept { return *this; }
};

// Declares the class record of a class derived from TObject. Place it first in
// the class body; it leaves the access at private.
#define SONDREL_CLASS(Self)                                     \
 public:                                                        \
  static const TClassRec ClassRec;                              \
  static TClass StaticClass() { return &Self::ClassRec; }       \
  TClass ClassType() const override { return &Self::ClassRec; } \
  template <class>                                              \
  friend struct ::TClassTables;                                 \
                                                                \
 private:                                                       \
  [[no_unique_address]] TClassStep<Self> SondrelClassStep{this};

// Defines the class record declared by SONDREL_CLASS; use once in a .cpp file.
#define SONDREL_CLASS_RECORD(Self, ParentClass, Unit) \
  constinit const TClassRec Self::ClassRec{#Self, &ParentClass::ClassRec, Unit, nullptr}

class TObject {
 public:
  static const TClassRec ClassRec;
  static TClass StaticClass() { return &ClassRec; }

  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  virtual TClass ClassType() const { return &ClassRec; }
  String ClassName() const { return ClassType()->Name; }
  bool ClassNameIs(const char* name) const { return ClassType()->NameIs(name); }
  bool InheritsFrom(TClass ancestor) const { return ClassType()->InheritsFrom(ancestor); }
  template <class T>
  bool Is() const {
    return InheritsFrom(T::StaticClass());
  }

  // Runs the handler that the most derived class declares for the message's
  // number, or DefaultHandler when none does. Numbers 0 and 0xC000 and above
  // (registered at run time) always go to DefaultHandler.
  void Dispatch(TMessage& message);
  // What happens to a message that no handler takes; nothing here.
  virtual void DefaultHandler(TMessage& message);

 protected:
  // The inherited handling of a message, from a handler that class
  // `Declaring` declares: the nearest handler above Declaring, else
  // DefaultHandler.
  template <class Declaring>
  void Inherited(TMessage& message) {
    DispatchFrom(Declaring::StaticClass()->Parent, message);
  }

 private:
  void DispatchFrom(TClass cls, TMessage& message);
};

namespace object_detail {
template <class>
struct THandlerOf;
template <class C>
struct THandlerOf<void (C::*)(TMessage&)> {
  using Class = C;
};
}  // namespace object_detail

// A message table row for member function M of its class.
template <auto M>
constexpr TMessageEntry MessageHandler(std::uint16_t msg) {
  using C = typename object_detail::THandlerOf<decltype(M)>::Class;
  return {msg, [](TObject* self, TMessage& message) { (static_cast<C*>(self)->*M)(message); }};
}

// A class's message table, sorted by number at compile time:
//   constexpr auto ControlMessages = MessageTable({
//       MessageHandler<&TControl::WMPaint>(WM_PAINT), ...});
template <std::size_t N>
constexpr std::array<TMessageEntry, N> MessageTable(const TMessageEntry (&entries)[N]) {
  std::array<TMessageEntry, N> table{};
  for (std::size_t i = 0; i < N; ++i) table[i] = entries[i];
  for (std::size_t i = 1; i < N; ++i)  // insertion sort: tables are short
    for (std::size_t j = i; j > 0 && table[j].Msg < table[j - 1].Msg; --j) {
      TMessageEntry t = table[j];
      table[j] = table[j - 1];
      table[j - 1] = t;
    }
  return table;
}

template <std::size_t N>
constexpr std::uint64_t MessageBitsOf(const std::array<TMessageEntry, N>& table) {
  std::uint64_t bits = 0;
  for (const TMessageEntry& e : table) bits |= std::uint64_t{1} << (e.Msg & 63);
  return bits;
}

// Defines the class record of a class that handles messages and publishes
// nothing; `Table` is its message table.
#define SONDREL_MESSAGE_CLASS(Self, ParentClass, Unit, Table) \
  constinit const TClassRec Self::ClassRec{#Self, &ParentClass::ClassRec, Unit, nullptr, Table, MessageBitsOf(Table)}
