// The root of the object model: TObject and its immutable class records.
//
// Every class of the library carries a class record built at compile time: its
// name, its parent's record and the unit it belongs to, plus a slot for the
// published tables (properties, methods, fields, message handlers) that the
// type-information layer attaches. A TClass is a pointer to such a record, so
// class identity is pointer identity.
#pragma once

#include <string>

using String = std::string;  // Windows-1252 bytes; value semantics

struct TPublishedTables;  // declared by the type-information layer

struct TClassRec {
  const char* Name;
  const TClassRec* Parent;  // null for TObject
  const char* UnitName;
  const TPublishedTables* Published;  // null while a class publishes nothing

  bool InheritsFrom(const TClassRec* ancestor) const;
  // Class names compare without regard to ASCII letter case.
  bool NameIs(const char* name) const;
};
using TClass = const TClassRec*;

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
};
