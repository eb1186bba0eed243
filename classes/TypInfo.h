// Run-time type information: type records, published properties, published
// methods and published fields, found by name and used without knowing the
// class.
//
// A class publishes its members in one table next to its class record:
//
//   const TPropInfo LabelProps[] = {
//       Prop<&TLabel::FAlignment, &TLabel::SetAlignment>("Alignment", AlignmentType)
//           .Default(taLeftJustify),
//       Prop<&TLabel::Caption, &TLabel::SetCaption>("Caption", CaptionType),
//   };
//   SONDREL_PUBLISHED_CLASS(TLabel, TGraphicControl, "StdCtrls", {.Props = LabelProps});
//
// Read and write accessors are member pointers: a data member, a getter
// (optionally taking the property's index) or a setter (optionally taking the
// index first). Each becomes a plain function pointer at compile time, so a
// lookup or an access never parses text or allocates.
#pragma once

#include <cstdint>
#include <span>
#include <type_traits>

#include "Events.h"
#include "Object.h"

enum TTypeKind : std::uint8_t {
  tkUnknown = 0,
  tkInteger = 1,
  tkChar = 2,
  tkEnumeration = 3,
  tkFloat = 4,
  tkString = 5,  // short text with a maximum length
  tkSet = 6,
  tkClass = 7,
  tkMethod = 8,
  tkLString = 10,  // String
};

enum TOrdType : std::uint8_t { otSByte, otUByte, otSWord, otUWord, otSLong };
enum TFloatType : std::uint8_t { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// A 64-bit integer holding a value times 10000.
struct TCurrency {
  std::int64_t Scaled = 0;
  bool operator==(const TCurrency&) const = default;
};

struct TTypeInfo {
  TTypeKind Kind;
  const char* Name;  // null for class types: the class record names them
  TOrdType OrdType = otSLong;
  std::int32_t MinValue = 0, MaxValue = 0;
  // Enumerations: the full enumeration whose names apply (null: this one)
  // and, in a full enumeration, the value names in value order.
  const TTypeInfo* BaseType = nullptr;
  std::span<const char* const> EnumNames{};
  const TTypeInfo* ElementType = nullptr;  // sets
  TFloatType FloatType = ftExtended;
  std::uint8_t MaxLength = 255;  // short text
  TClass ClassType = nullptr;    // classes
  const char* Signature = nullptr;  // methods: the parameter list as declared
  const void* Shape = nullptr;      // methods: EventShapeOf the event type

  const TTypeInfo* Base() const { return BaseType ? BaseType : this; }
  const char* TypeName() const { return ClassType ? ClassType->Name : Name; }
};

// Builders of type records, for constant initialisation.
constexpr TTypeInfo IntegerType(const char* name, TOrdType ord, std::int32_t min, std::int32_t max) {
  return {.Kind = tkInteger, .Name = name, .OrdType = ord, .MinValue = min, .MaxValue = max};
}
constexpr TTypeInfo CharType(const char* name) {
  return {.Kind = tkChar, .Name = name, .OrdType = otUByte, .MinValue = 0, .MaxValue = 255};
}
template <std::size_t N>
constexpr TTypeInfo EnumType(const char* name, const char* const (&names)[N]) {
  return {.Kind = tkEnumeration, .Name = name, .OrdType = N <= 256 ? otUByte : otUWord,
          .MinValue = 0, .MaxValue = static_cast<std::int32_t>(N - 1), .EnumNames = names};
}
constexpr TTypeInfo EnumSubrange(const char* name, const TTypeInfo& base, std::int32_t min,
                                 std::int32_t max) {
  return {.Kind = tkEnumeration, .Name = name, .OrdType = base.OrdType, .MinValue = min,
          .MaxValue = max, .BaseType = &base};
}
constexpr TTypeInfo SetType(const char* name, const TTypeInfo& element) {
  return {.Kind = tkSet, .Name = name, .OrdType = element.MaxValue < 8 ? otUByte : otSLong,
          .ElementType = &element};
}
constexpr TTypeInfo FloatType(const char* name, TFloatType type) {
  return {.Kind = tkFloat, .Name = name, .FloatType = type};
}
constexpr TTypeInfo ShortTextType(const char* name, std::uint8_t maxLength) {
  return {.Kind = tkString, .Name = name, .MaxLength = maxLength};
}
constexpr TTypeInfo StringType(const char* name) { return {.Kind = tkLString, .Name = name}; }
constexpr TTypeInfo ClassTypeOf(TClass cls) { return {.Kind = tkClass, .Name = nullptr, .ClassType = cls}; }
// The type record of event type E (a TEvent).
template <class E>
constexpr TTypeInfo MethodType(const char* name, const char* signature) {
  return {.Kind = tkMethod, .Name = name, .Signature = signature, .Shape = &EventShapeOf<E>};
}

// The type record of a class, one per class.
template <class T>
constinit const TTypeInfo ClassTypeInfo = ClassTypeOf(&T::ClassRec);

// The named types of the object model.
extern const TTypeInfo IntegerTypeInfo;  // Integer
extern const TTypeInfo LongintTypeInfo;  // Longint
extern const TTypeInfo BooleanTypeInfo;  // Boolean (False, True)
extern const TTypeInfo StringTypeInfo;   // String
extern const TTypeInfo NotifyEventTypeInfo;  // TNotifyEvent

// --- Property records ----------------------------------------------------

inline constexpr std::int32_t NoIndex = INT32_MIN;
inline constexpr std::int32_t NoDefault = INT32_MIN;

using TOrdGet = std::int32_t (*)(const TObject*, std::int32_t index);
using TOrdSet = void (*)(TObject*, std::int32_t index, std::int32_t value);
using TTextGet = String (*)(const TObject*, std::int32_t index);
using TTextSet = void (*)(TObject*, std::int32_t index, const String& value);
using TFloatGet = long double (*)(const TObject*, std::int32_t index);
using TFloatSet = void (*)(TObject*, std::int32_t index, long double value);
using TMethodGet = TMethod (*)(const TObject*, std::int32_t index);
using TMethodSet = void (*)(TObject*, std::int32_t index, TMethod value);
using TStoredGet = bool (*)(const TObject*, std::int32_t index);

union TPropGetter {
  TOrdGet Ord;
  TTextGet Text;
  TFloatGet Float;
  TMethodGet Method;
};
union TPropSetter {
  std::nullptr_t None;
  TOrdSet Ord;
  TTextSet Text;
  TFloatSet Float;
  TMethodSet Method;
};

struct TPropInfo {
  const TTypeInfo* PropType;
  TPropGetter Get;
  TPropSetter Set;  // None for a read-only property
  bool HasSetter;
  bool SetsField = false;  // written straight into a data member
  TStoredGet StoredBy = nullptr;  // consulted when set; else StoredConstant
  bool StoredConstant = true;
  std::int32_t Index = NoIndex;
  std::int32_t DefaultValue = NoDefault;
  const char* Name = "";
  mutable std::int16_t NameIndex = -1;  // position in the class's complete list

  constexpr TPropInfo Default(std::int32_t value) const {
    TPropInfo p = *this;
    p.DefaultValue = value;
    return p;
  }
  constexpr TPropInfo WithIndex(std::int32_t index) const {
    TPropInfo p = *this;
    p.Index = index;
    return p;
  }
  constexpr TPropInfo Stored(bool stored) const {
    TPropInfo p = *this;
    p.StoredConstant = stored;
    return p;
  }
  template <auto Member>
  constexpr TPropInfo StoredWhen() const;
};

// --- Published methods and fields ------------------------------------------

struct TMethodEntry {
  const char* Name;
  void* (*Code)();     // the method's thunk address
  const void* Shape;   // EventShapeOf the event its parameters make
};

struct TFieldEntry {
  const char* Name;
  TObject** (*Address)(TObject*);
  std::uint16_t ClassIndex;  // into the field-class table
};

class TComponent;

template <class T>
class TNameTable;

struct TPublishedTables {
  std::span<const TPropInfo> Props{};
  std::span<const TMethodEntry> Methods{};
  std::span<const TFieldEntry> Fields{};
  std::span<const TClass> FieldClasses{};
  // The virtual constructor of a component class (taking the owner).
  TComponent* (*Create)(TComponent* owner) = nullptr;
  // Filled on first use: the number of published properties of the class
  // and its ancestors.
  mutable std::int16_t TotalProps = -1;
  // Built on the first search: the properties of the class and its
  // ancestors by name, each name with the property a search finds first.
  mutable const TNameTable<const TPropInfo>* PropsByName = nullptr;
};

// Defines the class record of a class that publishes members.
#define SONDREL_PUBLISHED_CLASS(Self, ParentClass, Unit, ...)                            \
  namespace {                                                                          \
  const TPublishedTables Self##_Published __VA_ARGS__;                                  \
  }                                                                                    \
  constinit const TClassRec Self::ClassRec {                                            \
    #Self, &ParentClass::ClassRec, Unit, &Self##_Published                              \
  }

// The same for a class that also handles messages; `Table` is its message
// table (see MessageTable).
#define SONDREL_PUBLISHED_MESSAGE_CLASS(Self, ParentClass, Unit, Table, ...)            \
  namespace {                                                                          \
  const TPublishedTables Self##_Published __VA_ARGS__;                                  \
  }                                                                                    \
  constinit const TClassRec Self::ClassRec {                                            \
    #Self, &ParentClass::ClassRec, Unit, &Self##_Published, Table, MessageBitsOf(Table) \
  }

// --- Lookups and typed access ----------------------------------------------

// Name comparison of the type information: equal lengths, and the bytes
// compared with bit 5 ignored (so ASCII letters compare without regard to
// case).
bool SameName(const char* a, std::size_t aLength, const char* b, std::size_t bLength);
// The same with a zero-terminated `b`.
bool SameName(const char* a, std::size_t aLength, const char* b);
bool SameName(const String& a, const char* b);
// A hash of a name that names equal by SameName share: each byte counts with
// bit 5 cleared.
inline std::uint32_t NameHash(const char* name, std::size_t length) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= static_cast<unsigned char>(name[i]) & 0xDFu;
    hash *= 16777619u;
  }
  return hash ^ hash >> 15;
}
inline std::uint32_t NameHash(const String& name) { return NameHash(name.data(), name.size()); }

const TPropInfo* FindPropInfo(TClass cls, const String& name);
const TPropInfo* FindPropInfo(TClass cls, const char* name, std::size_t length);
// The number of published properties of the class and its ancestors.
int PropCount(TClass cls);
// Fills `out` (PropCount entries) in declaration order, ancestors first, each
// property in its most derived form.
void ListPropInfos(TClass cls, const TPropInfo** out);

int EnumValueByName(const TTypeInfo* type, const String& name);
String EnumNameByValue(const TTypeInfo* type, int value);

bool IsPropStored(const TObject* object, const TPropInfo* prop);
std::int32_t ReadOrdinalProp(const TObject* object, const TPropInfo* prop);
void WriteOrdinalProp(TObject* object, const TPropInfo* prop, std::int32_t value);
String ReadTextProp(const TObject* object, const TPropInfo* prop);
void WriteTextProp(TObject* object, const TPropInfo* prop, const String& value);
long double ReadFloatProp(const TObject* object, const TPropInfo* prop);
void WriteFloatProp(TObject* object, const TPropInfo* prop, long double value);
TMethod ReadMethodProp(const TObject* object, const TPropInfo* prop);
void WriteMethodProp(TObject* object, const TPropInfo* prop, TMethod value);

// The code address of a published method of the class or an ancestor, or null.
const TMethodEntry* FindPublishedMethod(TClass cls, const String& name);
void* MethodAddressByName(TClass cls, const String& name);
// Whether method `name` of `cls` can be bound to an event of `type`: true
// when the class has no such method (the lookup reports that) or when the
// method's parameters are the event's.
bool MethodFitsEvent(TClass cls, const String& name, const TTypeInfo* type);
// The name of the published method with this code address, or empty.
String MethodNameByAddress(TClass cls, const void* code);
// The address of a published field of the object, or null; `fieldClass`, when
// given, receives the class the field holds (from the field-class table).
TObject** FieldAddressByName(TObject* object, const String& name, TClass* fieldClass = nullptr);

// --- Compile-time shims ----------------------------------------------------

namespace typinfo_detail {

template <class>
struct TAccess;

// A data member.
template <class C, class V>
struct TAccess<V C::*> {
  using Class = C;
  using Value = std::remove_cvref_t<V>;
  template <auto M>
  static Value Get(const TObject* o, std::int32_t) {
    return static_cast<const C*>(o)->*M;
  }
  template <auto M>
  static void Set(TObject* o, std::int32_t, const Value& v) {
    static_cast<C*>(o)->*M = v;
  }
};
// A getter, with or without the index.
template <class C, class V>
struct TAccess<V (C::*)() const> {
  using Class = C;
  using Value = std::remove_cvref_t<V>;
  template <auto M>
  static Value Get(const TObject* o, std::int32_t) {
    return (static_cast<const C*>(o)->*M)();
  }
};
template <class C, class V>
struct TAccess<V (C::*)(std::int32_t) const> {
  using Class = C;
  using Value = std::remove_cvref_t<V>;
  template <auto M>
  static Value Get(const TObject* o, std::int32_t index) {
    return (static_cast<const C*>(o)->*M)(index);
  }
};
// A setter, with or without the index.
template <class C, class V>
struct TAccess<void (C::*)(V)> {
  using Class = C;
  using Value = std::remove_cvref_t<V>;
  template <auto M>
  static void Set(TObject* o, std::int32_t, const Value& v) {
    (static_cast<C*>(o)->*M)(v);
  }
};
template <class C, class V>
struct TAccess<void (C::*)(std::int32_t, V)> {
  using Class = C;
  using Value = std::remove_cvref_t<V>;
  template <auto M>
  static void Set(TObject* o, std::int32_t index, const Value& v) {
    (static_cast<C*>(o)->*M)(index, v);
  }
};

template <class V>
constexpr bool IsEvent = false;
template <class... A>
constexpr bool IsEvent<TEvent<A...>> = true;

// How a C++ value travels as one of the four value kinds.
template <class V>
struct TValueKind {
  static constexpr bool Ordinal = (std::is_integral_v<V> && sizeof(V) <= 4) || std::is_enum_v<V> ||
                                  (std::is_pointer_v<V> && std::is_base_of_v<TObject, std::remove_pointer_t<V>>);
  static constexpr bool Float = std::is_floating_point_v<V> || std::is_same_v<V, long long> ||
                                std::is_same_v<V, TCurrency>;
  static constexpr bool Text = std::is_same_v<V, String>;
  static constexpr bool Method = IsEvent<V>;
};

template <class V>
std::int32_t ToOrdinal(const V& v) {
  if constexpr (std::is_pointer_v<V>)
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(static_cast<const TObject*>(v)));
  else
    return static_cast<std::int32_t>(v);
}
template <class V>
V FromOrdinal(std::int32_t v) {
  if constexpr (std::is_pointer_v<V>) {
    auto* o = reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(v)));
    return static_cast<V>(o);
  } else {
    return static_cast<V>(v);
  }
}
long double ToFloat(long long v);
long double ToFloat(TCurrency v);
inline long double ToFloat(long double v) { return v; }
template <class V>
V FromFloat(long double v) {
  if constexpr (std::is_same_v<V, long long>) return static_cast<long long>(__builtin_llroundl(v));
  else if constexpr (std::is_same_v<V, TCurrency>) return TCurrency{__builtin_llroundl(v * 10000.0L)};
  else return static_cast<V>(v);
}

template <auto R>
std::int32_t OrdGet(const TObject* o, std::int32_t i) {
  return ToOrdinal(TAccess<decltype(R)>::template Get<R>(o, i));
}
template <auto W>
void OrdSet(TObject* o, std::int32_t i, std::int32_t v) {
  using V = typename TAccess<decltype(W)>::Value;
  TAccess<decltype(W)>::template Set<W>(o, i, FromOrdinal<V>(v));
}
template <auto R>
String TextGet(const TObject* o, std::int32_t i) {
  return TAccess<decltype(R)>::template Get<R>(o, i);
}
template <auto W>
void TextSet(TObject* o, std::int32_t i, const String& v) {
  TAccess<decltype(W)>::template Set<W>(o, i, v);
}
template <auto R>
long double FloatGet(const TObject* o, std::int32_t i) {
  using V = typename TAccess<decltype(R)>::Value;
  V v = TAccess<decltype(R)>::template Get<R>(o, i);
  if constexpr (std::is_floating_point_v<V>) return static_cast<long double>(v);
  else return ToFloat(v);
}
template <auto W>
void FloatSet(TObject* o, std::int32_t i, long double v) {
  using V = typename TAccess<decltype(W)>::Value;
  TAccess<decltype(W)>::template Set<W>(o, i, FromFloat<V>(v));
}
template <auto R>
TMethod MethodGet(const TObject* o, std::int32_t i) {
  return TAccess<decltype(R)>::template Get<R>(o, i).Method;
}
template <auto W>
void MethodSet(TObject* o, std::int32_t i, TMethod v) {
  using V = typename TAccess<decltype(W)>::Value;
  TAccess<decltype(W)>::template Set<W>(o, i, V(v));
}
template <auto S>
bool StoredGet(const TObject* o, std::int32_t i) {
  return TAccess<decltype(S)>::template Get<S>(o, i);
}

template <class... A>
struct TThunkOf;
template <class C, class... A>
struct TThunkOf<void (C::*)(A...)> {
  template <auto M>
  static void* Code() {
    return reinterpret_cast<void*>(&MethodThunk<M, A...>);
  }
  static constexpr const void* Shape = &EventShapeOf<TEvent<A...>>;
};

}  // namespace typinfo_detail

// A published property read through R and written through W (nullptr: no
// setter).
template <auto R, auto W = R>
constexpr TPropInfo Prop(const char* name, const TTypeInfo& type) {
  using namespace typinfo_detail;
  using V = typename TAccess<decltype(R)>::Value;
  constexpr bool hasSetter = !std::is_same_v<decltype(W), std::nullptr_t>;
  TPropInfo p{.PropType = &type, .Get = {}, .Set = {nullptr}, .HasSetter = hasSetter,
              .SetsField = std::is_member_object_pointer_v<decltype(W)>, .Name = name};
  if constexpr (TValueKind<V>::Ordinal) {
    p.Get.Ord = &OrdGet<R>;
    if constexpr (hasSetter) p.Set.Ord = &OrdSet<W>;
  } else if constexpr (TValueKind<V>::Text) {
    p.Get.Text = &TextGet<R>;
    if constexpr (hasSetter) p.Set.Text = &TextSet<W>;
  } else if constexpr (TValueKind<V>::Float) {
    p.Get.Float = &FloatGet<R>;
    if constexpr (hasSetter) p.Set.Float = &FloatSet<W>;
  } else {
    static_assert(TValueKind<V>::Method, "a property is an ordinal, a text, a float or an event");
    p.Get.Method = &MethodGet<R>;
    if constexpr (hasSetter) p.Set.Method = &MethodSet<W>;
  }
  return p;
}

template <auto Member>
constexpr TPropInfo TPropInfo::StoredWhen() const {
  TPropInfo p = *this;
  p.StoredBy = &typinfo_detail::StoredGet<Member>;
  return p;
}

// A published method; its name binds events to it.
template <auto M>
constexpr TMethodEntry PublishedMethod(const char* name) {
  using Thunk = typinfo_detail::TThunkOf<decltype(M)>;
  return {name, &Thunk::template Code<M>, Thunk::Shape};
}

// A published field holding a component; `classIndex` is its class's position
// in the field-class table.
template <auto F>
constexpr TFieldEntry PublishedField(const char* name, std::uint16_t classIndex) {
  using C = typename typinfo_detail::TAccess<decltype(F)>::Class;
  return {name,
          [](TObject* o) -> TObject** {
            return reinterpret_cast<TObject**>(&(static_cast<C*>(o)->*F));
          },
          classIndex};
}
