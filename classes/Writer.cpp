#include "Writer.h"

#include <cstring>
#include <exception>
#include <memory>

#include "Collections.h"
#include "Registry.h"

SONDREL_CLASS_RECORD(TWriter, TFiler, "Classes");

namespace {

TObject* AsObject(std::int32_t ordinal) {
  return reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(ordinal)));
}

bool IsComponent(const TObject* o) { return o && o->Is<TComponent>(); }

}  // namespace

TWriter::TWriter(TStream& stream, int bufferSize) : TFiler(stream, bufferSize) {}

TWriter::~TWriter() {
  // Only reached with bytes left when the caller skipped DropBuffer; a failing
  // write here ends the program through the last-resort report.
  if (FBufferPos > 0 && std::uncaught_exceptions() == 0) DropBuffer();
}

void TWriter::DropBuffer() {
  FStream.WriteBuffer(FBuffer.get(), FBufferPos);
  FBufferPos = 0;
}

std::int32_t TWriter::Position() { return FStream.Position() + FBufferPos; }

void TWriter::SeekTo(std::int32_t position) {
  std::int32_t streamPosition = FStream.Position();
  if (position >= streamPosition && position <= streamPosition + FBufferPos) {
    FBufferPos = position - streamPosition;
  } else {
    DropBuffer();
    FStream.SetPosition(position);
  }
}

void TWriter::WriteRaw(const void* bytes, std::int32_t count) {
  const auto* in = static_cast<const char*>(bytes);
  while (count > 0) {
    if (FBufferPos == FBufferSize) DropBuffer();
    std::int32_t n = FBufferSize - FBufferPos;
    if (n > count) n = count;
    std::memcpy(FBuffer.get() + FBufferPos, in, n);
    FBufferPos += n;
    in += n;
    count -= n;
  }
}

void TWriter::WriteTag(TValueTag tag) { WriteRaw(&tag, 1); }

void TWriter::WriteInt(std::int32_t value) {
  if (value >= -128 && value <= 127) {
    WriteTag(tgInt8);
    std::int8_t v = static_cast<std::int8_t>(value);
    WriteRaw(&v, 1);
  } else if (value >= -32768 && value <= 32767) {
    WriteTag(tgInt16);
    std::int16_t v = static_cast<std::int16_t>(value);
    WriteRaw(&v, 2);
  } else {
    WriteTag(tgInt32);
    WriteRaw(&value, 4);
  }
}

void TWriter::WriteBool(bool value) { WriteTag(value ? tgTrue : tgFalse); }

void TWriter::WriteCharacter(char c) { WriteText(String(1, c)); }

void TWriter::WriteReal(long double value) {
  WriteTag(tgExtended);
  WriteRaw(&value, 10);
}

void TWriter::WriteText(const String& s) {
  if (s.size() < 256) {
    WriteTag(tgString);
    std::uint8_t n = static_cast<std::uint8_t>(s.size());
    WriteRaw(&n, 1);
  } else {
    WriteTag(tgLongString);
    std::uint32_t n = static_cast<std::uint32_t>(s.size());
    WriteRaw(&n, 4);
  }
  WriteRaw(s.data(), static_cast<std::int32_t>(s.size()));
}

void TWriter::WriteShortText(const String& s) {
  std::uint8_t n = static_cast<std::uint8_t>(s.size() > 255 ? 255 : s.size());
  WriteRaw(&n, 1);
  WriteRaw(s.data(), n);
}

void TWriter::WriteIdentifier(const String& s) {
  if (SameName(s, "False")) {
    WriteTag(tgFalse);
  } else if (SameName(s, "True")) {
    WriteTag(tgTrue);
  } else if (SameName(s, "nil")) {
    WriteTag(tgNil);
  } else {
    WriteTag(tgIdent);
    WriteShortText(s);
  }
}

void TWriter::WriteFlagsPrefix(std::uint8_t flags, std::int32_t childPosition) {
  if (!flags) return;
  std::uint8_t prefix = flags | 0xF0;
  WriteRaw(&prefix, 1);
  if (flags & pfChildPos) WriteInt(childPosition);
}

void TWriter::WriteCollectionItems(TCollection* collection) {
  WriteTag(tgCollection);
  for (int i = 0; i < collection->Count(); ++i) {
    WriteListOpen();
    WritePropertyList(collection->Items(i));
    WriteListClose();
  }
  WriteListClose();
}

// --- Properties ----------------------------------------------------------------

bool TWriter::AncestorValid(const TPersistent* object) const {
  return FAncestor && (FAncestor->ClassType() == object->ClassType() || object == FRoot);
}

void TWriter::WriteName(const TPropInfo* prop) { WriteShortText(FPropPath + prop->Name); }

void TWriter::WritePropertyList(TPersistent* object) {
  const int count = PropCount(object->ClassType());
  std::unique_ptr<const TPropInfo*[]> props(new const TPropInfo*[count]);
  ListPropInfos(object->ClassType(), props.get());
  for (int i = 0; i < count; ++i)
    if (props[i] && IsPropStored(object, props[i])) WriteOneProperty(object, props[i]);
  object->DefineProperties(*this);
}

void TWriter::WriteOneProperty(TPersistent* object, const TPropInfo* prop) {
  if (!prop->HasSetter) return;
  const TTypeInfo* type = prop->PropType;
  const bool ancestorValid = AncestorValid(object);
  switch (type->Kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet: {
      std::int32_t value = ReadOrdinalProp(object, prop);
      bool isDefault = ancestorValid ? value == ReadOrdinalProp(FAncestor, prop)
                                     : value == prop->DefaultValue;
      if (isDefault) return;
      WriteName(prop);
      if (type->Kind == tkInteger) {
        String identifier;
        const TIntConst* converter = FindIntConst(type);
        if (converter && converter->IntToIdent && converter->IntToIdent(value, identifier))
          WriteIdentifier(identifier);
        else
          WriteInt(value);
      } else if (type->Kind == tkChar) {
        WriteCharacter(static_cast<char>(value));
      } else if (type->Kind == tkEnumeration) {
        WriteIdentifier(EnumNameByValue(type, value));
      } else {
        // Only the bits that name an element: an empty name would end the
        // set early and leave the rest of the definition unreadable.
        WriteTag(tgSet);
        for (int bit = 0; bit < 32; ++bit)
          if (static_cast<std::uint32_t>(value) >> bit & 1)
            if (const String name = EnumNameByValue(type->ElementType, bit); !name.empty()) WriteShortText(name);
        WriteShortText(String());
      }
      break;
    }
    case tkFloat: {
      long double value = ReadFloatProp(object, prop);
      long double reference = ancestorValid ? ReadFloatProp(FAncestor, prop) : 0.0L;
      if (value == reference) return;
      WriteName(prop);
      WriteReal(value);
      break;
    }
    case tkString:
    case tkLString: {
      String value = ReadTextProp(object, prop);
      if (ancestorValid ? value == ReadTextProp(FAncestor, prop) : value.empty()) return;
      WriteName(prop);
      WriteText(value);
      break;
    }
    case tkMethod: {
      TMethod value = ReadMethodProp(object, prop);
      void* reference = ancestorValid ? ReadMethodProp(FAncestor, prop).Code : nullptr;
      if (value.Code == reference) return;
      String name = MethodNameByAddress(FRoot->ClassType(), value.Code);
      if (value.Code && name.empty()) return;  // not a published method of the root
      WriteName(prop);
      if (value.Code)
        WriteIdentifier(name);
      else
        WriteTag(tgNil);
      break;
    }
    case tkClass:
      WriteClassProperty(object, prop);
      break;
    default:
      break;
  }
}

void TWriter::WriteClassProperty(TPersistent* object, const TPropInfo* prop) {
  const bool ancestorValid = AncestorValid(object);
  TObject* value = AsObject(ReadOrdinalProp(object, prop));
  TObject* ancestorValue = ancestorValid ? AsObject(ReadOrdinalProp(FAncestor, prop)) : nullptr;
  if (!value) {
    if (!ancestorValue) return;
    WriteName(prop);
    WriteTag(tgNil);
    return;
  }
  if (IsComponent(value)) {
    auto* component = static_cast<TComponent*>(value);
    if (value == ancestorValue) return;
    if (IsComponent(ancestorValue)) {
      auto* inherited = static_cast<TComponent*>(ancestorValue);
      if (inherited->Owner() == FRootAncestor && component->Owner() == FRoot &&
          SameName(component->Name(), inherited->Name().c_str()))
        return;
    }
    String reference;
    if (component->Owner() == FRoot)
      reference = component->Name();
    else if (component->Owner())
      reference = component->Owner()->Name() + "." + component->Name();
    if (reference.empty()) return;
    WriteName(prop);
    WriteIdentifier(reference);
    return;
  }
  if (value->Is<TCollection>()) {
    auto* collection = static_cast<TCollection*>(value);
    if (ancestorValid && ancestorValue && ancestorValue->Is<TCollection>() &&
        CollectionsEqual(collection, static_cast<TCollection*>(ancestorValue)))
      return;
    WriteName(prop);
    String savedPath = FPropPath;
    FPropPath.clear();
    WriteCollectionItems(collection);
    FPropPath = savedPath;
    return;
  }
  if (value->Is<TPersistent>()) {
    String savedPath = FPropPath;
    TPersistent* savedAncestor = FAncestor;
    FPropPath += String(prop->Name) + ".";
    if (ancestorValid)
      FAncestor = ancestorValue && ancestorValue->Is<TPersistent>()
                      ? static_cast<TPersistent*>(ancestorValue)
                      : nullptr;
    try {
      WritePropertyList(static_cast<TPersistent*>(value));
    } catch (...) {
      FPropPath = savedPath;
      FAncestor = savedAncestor;
      throw;
    }
    FPropPath = savedPath;
    FAncestor = savedAncestor;
  }
}

// --- Components ----------------------------------------------------------------

void TWriter::WriteChildComponent(TComponent* component) {
  component->IncludeState(stWriting);
  TPersistent* savedAncestor = FAncestor;
  if (FAncestorList) {
    FAncestor = nullptr;
    for (int i = 0; i < FAncestorList->Count(); ++i) {
      auto* candidate = static_cast<TComponent*>(FAncestorList->Items(i));
      if (SameName(component->Name(), candidate->Name().c_str())) {
        FAncestor = candidate;
        break;
      }
    }
  }
  try {
    component->WriteContent(*this);
  } catch (...) {
    component->ExcludeState(stWriting);
    FAncestor = savedAncestor;
    throw;
  }
  component->ExcludeState(stWriting);
  FAncestor = savedAncestor;
}

void TWriter::WriteComponentData(TComponent* component) {
  const String className = component->ClassName();
  if (FBufferSize - FBufferPos < static_cast<std::int32_t>(className.size() + component->Name().size() + 9))
    DropBuffer();
  const std::int32_t start = Position();
  std::uint8_t flags = FAncestor ? pfInherited : 0;
  const bool inList = FAncestorList && FAncestorPos < FAncestorList->Count();
  if (inList && (!FAncestor || FAncestorList->Items(FAncestorPos) != FAncestor)) flags |= pfChildPos;
  WriteFlagsPrefix(flags, FChildPos);
  WriteShortText(className);
  WriteShortText(component->Name());
  const std::int32_t afterHeader = Position();
  if (inList) {
    if (FAncestor) ++FAncestorPos;
    ++FChildPos;
  }
  WritePropertyList(component);
  WriteListClose();

  TList* savedList = FAncestorList;
  std::int32_t savedAncestorPos = FAncestorPos, savedChildPos = FChildPos;
  FAncestorList = nullptr;
  FAncestorPos = FChildPos = 0;
  std::unique_ptr<TList> ancestorList;
  try {
    if (!FIgnoreChildren) {
      if (IsComponent(FAncestor)) {
        ancestorList = std::make_unique<TList>();
        static_cast<TComponent*>(FAncestor)->EnumChildren(
            [&](TComponent* child) { ancestorList->Add(child); });
        FAncestorList = ancestorList.get();
      }
      component->EnumChildren([this](TComponent* child) { WriteChildComponent(child); });
    }
  } catch (...) {
    FAncestorList = savedList;
    FAncestorPos = savedAncestorPos;
    FChildPos = savedChildPos;
    throw;
  }
  FAncestorList = savedList;
  FAncestorPos = savedAncestorPos;
  FChildPos = savedChildPos;
  WriteListClose();

  if (component != FRoot && flags == pfInherited && Position() == afterHeader + 2) SeekTo(start);
}

void TWriter::WriteRootDefinition(TComponent* root, TComponent* ancestor) {
  const std::int32_t initialSize = FStream.Size();
  FRoot = root;
  FRootAncestor = ancestor;
  FAncestor = ancestor;
  WriteRaw("TPF0", 4);
  WriteChildComponent(root);
  DropBuffer();
  // An unchanged inherited record is erased by seeking back over it; when
  // part of it was already written out it still lies beyond the end.
  std::int32_t end = FStream.Position();
  if (FStream.Size() > end && end >= initialSize) FStream.SetSize(end);
}

// --- Declared properties --------------------------------------------------------

void TWriter::DeclareProperty(const String& name, TReaderProc, TWriterProc writer, bool hasData) {
  if (!hasData) return;
  WriteShortText(FPropPath + name);
  writer(*this);
}

void TWriter::DeclareBinaryProperty(const String& name, TStreamProc, TStreamProc writer,
                                    bool hasData) {
  if (!hasData) return;
  WriteShortText(FPropPath + name);
  TMemoryStream data;
  writer(data);
  WriteTag(tgBinary);
  std::uint32_t size = static_cast<std::uint32_t>(data.Size());
  WriteRaw(&size, 4);
  WriteRaw(data.Memory(), static_cast<std::int32_t>(size));
}

bool CollectionsEqual(TCollection* a, TCollection* b) {
  if (a->ClassType() != b->ClassType() || a->Count() != b->Count()) return false;
  TMemoryStream sa, sb;
  {
    TWriter wa(sa, 1024);
    wa.WriteCollectionItems(a);
    wa.DropBuffer();
  }
  {
    TWriter wb(sb, 1024);
    wb.WriteCollectionItems(b);
    wb.DropBuffer();
  }
  return sa.Size() == sb.Size() && std::memcmp(sa.Memory(), sb.Memory(), sa.Size()) == 0;
}
