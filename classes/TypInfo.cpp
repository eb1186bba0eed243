#include "TypInfo.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>

#include "NameTable.h"

namespace {
const char* const BooleanNames[] = {"False", "True"};
}

constinit const TTypeInfo IntegerTypeInfo = IntegerType("Integer", otSLong, INT32_MIN, INT32_MAX);
constinit const TTypeInfo LongintTypeInfo = IntegerType("Longint", otSLong, INT32_MIN, INT32_MAX);
constinit const TTypeInfo BooleanTypeInfo = EnumType("Boolean", BooleanNames);
constinit const TTypeInfo StringTypeInfo = StringType("String");
constinit const TTypeInfo NotifyEventTypeInfo = MethodType<TNotifyEvent>("TNotifyEvent", "(Sender: TObject)");

namespace typinfo_detail {
long double ToFloat(long long v) { return static_cast<long double>(v); }
long double ToFloat(TCurrency v) { return static_cast<long double>(v.Scaled) / 10000.0L; }
}  // namespace typinfo_detail

// --- Names -------------------------------------------------------------------

bool SameName(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
  if (aLength != bLength) return false;
  if (aLength && ((a[0] ^ b[0]) & ~0x20)) return false;  // quick filter on the first letter
  for (std::size_t i = 0; i < aLength; ++i)
    if ((a[i] ^ b[i]) & ~0x20) return false;
  return true;
}

bool SameName(const char* a, std::size_t aLength, const char* b) {
  // b's end is found as it is compared rather than measured first.
  for (std::size_t i = 0; i < aLength; ++i)
    if (!b[i] || ((a[i] ^ b[i]) & ~0x20)) return false;
  return !b[aLength];
}

bool SameName(const String& a, const char* b) { return SameName(a.data(), a.size(), b); }

namespace {

const TPublishedTables* TablesOf(TClass cls) { return cls ? cls->Published : nullptr; }

// Method and field names are cut to 255 characters before they are searched.
std::size_t LookupLength(const String& name) { return name.size() > 255 ? 255 : name.size(); }

using TPropTable = TNameTable<const TPropInfo>;

const TPropInfo* FindInTable(const TPropTable& table, const char* name, std::size_t length) {
  const TPropInfo* found = nullptr;
  table.Scan(NameHash(name, length), [&](const TPropInfo* p) {
    if (!SameName(name, length, p->Name)) return false;
    found = p;
    return true;
  });
  return found;
}

// The name table of the properties of `cls` (a class with published tables)
// and its ancestors, built on first use. Like the type information itself it
// lasts as long as the program, so it is never freed.
const TPropTable& PropTableOf(TClass cls) {
  const TPublishedTables* tables = cls->Published;
  if (tables->PropsByName) return *tables->PropsByName;
  TClass parent = cls->Parent;
  while (parent && !parent->Published) parent = parent->Parent;
  if (tables->Props.empty() && parent) {
    tables->PropsByName = &PropTableOf(parent);  // the same properties as the parent's
    return *tables->PropsByName;
  }
  auto table = std::make_unique<TPropTable>();
  // The search order: the class's own properties in declaration order, then
  // each ancestor's; a name already present keeps its first property.
  for (TClass c = cls; c; c = c->Parent)
    if (c->Published)
      for (const TPropInfo& p : c->Published->Props) {
        const std::size_t length = std::char_traits<char>::length(p.Name);
        if (!FindInTable(*table, p.Name, length)) table->Add(&p, NameHash(p.Name, length));
      }
  tables->PropsByName = table.release();
  return *tables->PropsByName;
}

// Gives each property of `cls` its position in the complete list, once.
int IndexClass(TClass cls) {
  if (!cls) return 0;
  const TPublishedTables* tables = TablesOf(cls);
  if (!tables) return IndexClass(cls->Parent);
  if (tables->TotalProps >= 0) return tables->TotalProps;
  int total = IndexClass(cls->Parent);
  for (const TPropInfo& p : tables->Props) {
    const TPropInfo* inherited =
        FindPropInfo(cls->Parent, p.Name, std::char_traits<char>::length(p.Name));
    p.NameIndex = static_cast<std::int16_t>(inherited ? inherited->NameIndex : total++);
  }
  tables->TotalProps = static_cast<std::int16_t>(total);
  return total;
}

std::int32_t Extend(std::int32_t v, TOrdType type) {
  switch (type) {
    case otSByte: return static_cast<std::int8_t>(v);
    case otUByte: return static_cast<std::uint8_t>(v);
    case otSWord: return static_cast<std::int16_t>(v);
    case otUWord: return static_cast<std::uint16_t>(v);
    default: return v;
  }
}

TOrdType WidthOf(const TPropInfo* prop) {
  return prop->PropType->Kind == tkClass ? otSLong : prop->PropType->OrdType;
}

}  // namespace

// --- Properties ----------------------------------------------------------------

const TPropInfo* FindPropInfo(TClass cls, const String& name) {
  return FindPropInfo(cls, name.data(), name.size());
}

const TPropInfo* FindPropInfo(TClass cls, const char* name, std::size_t length) {
  while (cls && !cls->Published) cls = cls->Parent;  // a class without tables adds nothing
  return cls ? FindInTable(PropTableOf(cls), name, length) : nullptr;
}

int PropCount(TClass cls) { return IndexClass(cls); }

void ListPropInfos(TClass cls, const TPropInfo** out) {
  const int count = IndexClass(cls);
  for (int i = 0; i < count; ++i) out[i] = nullptr;
  for (; cls; cls = cls->Parent)
    if (const TPublishedTables* tables = TablesOf(cls))
      for (const TPropInfo& p : tables->Props)
        if (!out[p.NameIndex]) out[p.NameIndex] = &p;
}

int EnumValueByName(const TTypeInfo* type, const String& name) {
  if (!type || name.empty()) return -1;
  const TTypeInfo* base = type->Base();
  for (std::size_t v = 0; v < base->EnumNames.size(); ++v)
    if (SameName(name, base->EnumNames[v])) return static_cast<int>(v);
  return -1;
}

String EnumNameByValue(const TTypeInfo* type, int value) {
  const TTypeInfo* base = type->Base();
  if (value < 0 || static_cast<std::size_t>(value) >= base->EnumNames.size()) return String();
  String name = base->EnumNames[value];
  if (type->Name && std::strcmp(type->Name, "Boolean") == 0)
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

bool IsPropStored(const TObject* object, const TPropInfo* prop) {
  return prop->StoredBy ? prop->StoredBy(object, prop->Index) : prop->StoredConstant;
}

std::int32_t ReadOrdinalProp(const TObject* object, const TPropInfo* prop) {
  return Extend(prop->Get.Ord(object, prop->Index), WidthOf(prop));
}

void WriteOrdinalProp(TObject* object, const TPropInfo* prop, std::int32_t value) {
  if (prop->HasSetter) prop->Set.Ord(object, prop->Index, Extend(value, WidthOf(prop)));
}

// A short text travels as at most 255 characters; a field of the type holds
// at most the type's own maximum.
String ReadTextProp(const TObject* object, const TPropInfo* prop) {
  String value = prop->Get.Text(object, prop->Index);
  if (prop->PropType->Kind == tkString && value.size() > 255) value.resize(255);
  return value;
}

void WriteTextProp(TObject* object, const TPropInfo* prop, const String& value) {
  if (!prop->HasSetter) return;
  const std::size_t limit = prop->SetsField ? prop->PropType->MaxLength : 255;
  if (prop->PropType->Kind == tkString && value.size() > limit)
    prop->Set.Text(object, prop->Index, value.substr(0, limit));
  else
    prop->Set.Text(object, prop->Index, value);
}

long double ReadFloatProp(const TObject* object, const TPropInfo* prop) {
  return prop->Get.Float(object, prop->Index);
}

void WriteFloatProp(TObject* object, const TPropInfo* prop, long double value) {
  if (prop->HasSetter) prop->Set.Float(object, prop->Index, value);
}

TMethod ReadMethodProp(const TObject* object, const TPropInfo* prop) {
  return prop->Get.Method(object, prop->Index);
}

void WriteMethodProp(TObject* object, const TPropInfo* prop, TMethod value) {
  if (prop->HasSetter) prop->Set.Method(object, prop->Index, value);
}

// --- Methods and fields --------------------------------------------------------

const TMethodEntry* FindPublishedMethod(TClass cls, const String& name) {
  const std::size_t length = LookupLength(name);
  for (; cls; cls = cls->Parent)
    if (const TPublishedTables* tables = TablesOf(cls))
      for (const TMethodEntry& m : tables->Methods)
        if (SameName(name.data(), length, m.Name)) return &m;
  return nullptr;
}

void* MethodAddressByName(TClass cls, const String& name) {
  const TMethodEntry* m = FindPublishedMethod(cls, name);
  return m ? m->Code() : nullptr;
}

bool MethodFitsEvent(TClass cls, const String& name, const TTypeInfo* type) {
  const TMethodEntry* m = FindPublishedMethod(cls, name);
  return !m || !m->Shape || !type->Shape || m->Shape == type->Shape;
}

String MethodNameByAddress(TClass cls, const void* code) {
  if (!code) return String();
  for (; cls; cls = cls->Parent)
    if (const TPublishedTables* tables = TablesOf(cls))
      for (const TMethodEntry& m : tables->Methods)
        if (m.Code() == code) return m.Name;
  return String();
}

TObject** FieldAddressByName(TObject* object, const String& name, TClass* fieldClass) {
  const std::size_t length = LookupLength(name);
  for (TClass cls = object->ClassType(); cls; cls = cls->Parent)
    if (const TPublishedTables* tables = TablesOf(cls))
      for (const TFieldEntry& f : tables->Fields)
        if (SameName(name.data(), length, f.Name)) {
          if (fieldClass)
            *fieldClass = f.ClassIndex < tables->FieldClasses.size() ? tables->FieldClasses[f.ClassIndex]
                                                                      : nullptr;
          return f.Address(object);
        }
  return nullptr;
}
