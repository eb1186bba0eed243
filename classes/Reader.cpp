#include "Reader.h"

#include <cstring>

#include "Collections.h"
#include "Registry.h"

SONDREL_CLASS_RECORD(TReader, TFiler, "Classes");

namespace {

// Runs an action when the scope ends, however it ends.
template <class F>
class TFinally {
 public:
  explicit TFinally(F action) : Action(action) {}
  ~TFinally() { Action(); }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

 private:
  F Action;
};

String InstanceName(const TPersistent* instance) {
  if (instance->Is<TComponent>()) {
    const String& name = static_cast<const TComponent*>(instance)->Name();
    if (!name.empty()) return name;
  }
  return instance->ClassName();
}

TComponent* AsComponent(std::int32_t ordinal) {
  return reinterpret_cast<TComponent*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(ordinal)));
}

std::int32_t AsOrdinal(const TObject* object) {
  return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(object));
}

// Copies up to 32 bytes in fixed-size pieces, which the compiler moves
// inline: most reads are a tag, a number or a short name, and a call into the
// C library would cost more than the copy.
void CopySmall(char* out, const char* in, std::int32_t count) {
  if (count >= 16) {
    std::memcpy(out, in, 16);
    std::memcpy(out + count - 16, in + count - 16, 16);
  } else if (count >= 8) {
    std::memcpy(out, in, 8);
    std::memcpy(out + count - 8, in + count - 8, 8);
  } else if (count >= 4) {
    std::memcpy(out, in, 4);
    std::memcpy(out + count - 4, in + count - 4, 4);
  } else if (count >= 2) {
    std::memcpy(out, in, 2);
    std::memcpy(out + count - 2, in + count - 2, 2);
  } else if (count == 1) {
    *out = *in;
  }
}

}  // namespace

TReader::TReader(TStream& stream, int bufferSize) : TFiler(stream, bufferSize) {}

TReader::~TReader() {
  if (FBufferPos != FBufferEnd) FStream.Reposition(FBufferPos - FBufferEnd, soFromCurrent);
}

void TReader::DropBuffer() {
  if (FBufferPos != FBufferEnd) FStream.Reposition(FBufferPos - FBufferEnd, soFromCurrent);
  FBufferPos = FBufferEnd = 0;
}

// --- Bytes and tags ----------------------------------------------------------

void TReader::Refill() {
  std::int32_t n = FStream.ReadSome(FBuffer.get(), FBufferSize);
  if (n <= 0) throw EReadError(TResId::StreamReadError);
  FBufferEnd = n;
  FBufferPos = 0;
}

void TReader::ReadRaw(void* destination, std::int32_t count) {
  auto* out = static_cast<char*>(destination);
  if (count <= 32 && count <= FBufferEnd - FBufferPos) {
    CopySmall(out, FBuffer.get() + FBufferPos, count);
    FBufferPos += count > 0 ? count : 0;
    return;
  }
  while (count > 0) {
    if (FBufferPos >= FBufferEnd) Refill();
    std::int32_t n = FBufferEnd - FBufferPos;
    if (n > count) n = count;
    std::memcpy(out, FBuffer.get() + FBufferPos, n);
    FBufferPos += n;
    out += n;
    count -= n;
  }
}

void TReader::SkipBytes(std::uint32_t count) {
  while (count > 0) {
    if (FBufferPos >= FBufferEnd) Refill();
    const auto available = static_cast<std::uint32_t>(FBufferEnd - FBufferPos);
    const std::uint32_t n = count < available ? count : available;
    FBufferPos += static_cast<std::int32_t>(n);
    count -= n;
  }
}

// A length read from the stream is checked against the bytes that remain
// before anything is allocated for it.
void TReader::CheckAvailable(std::uint32_t count) {
  std::int64_t available = std::int64_t{FBufferEnd} - FBufferPos;
  available += std::int64_t{FStream.Size()} - FStream.Position();
  if (count > available) throw EReadError(TResId::StreamReadError);
}

TValueTag TReader::ReadTag() {
  if (FBufferPos >= FBufferEnd) Refill();
  return static_cast<TValueTag>(static_cast<std::uint8_t>(FBuffer[FBufferPos++]));
}

TValueTag TReader::PeekTag() {
  if (FBufferPos >= FBufferEnd) Refill();
  return static_cast<TValueTag>(static_cast<std::uint8_t>(FBuffer[FBufferPos]));
}

bool TReader::AtListEnd() { return PeekTag() == tgNull; }

void TReader::PropertyValueError() { throw EReadError(TResId::InvalidPropertyValue); }

void TReader::ExpectTag(TValueTag tag) {
  if (ReadTag() == tag) return;
  --FBufferPos;  // the tag byte just read is still in the buffer
  SkipTagged();
  PropertyValueError();
}

// --- Values ------------------------------------------------------------------

std::int32_t TReader::ReadInt() {
  switch (ReadTag()) {
    case tgInt8: {
      std::int8_t v;
      ReadRaw(&v, 1);
      return v;
    }
    case tgInt16: {
      std::int16_t v;
      ReadRaw(&v, 2);
      return v;
    }
    case tgInt32: {
      std::int32_t v;
      ReadRaw(&v, 4);
      return v;
    }
    default:
      PropertyValueError();
  }
}

long double TReader::ReadReal() {
  if (ReadTag() == tgExtended) {
    long double v = 0;
    static_assert(sizeof(long double) >= 10, "the 80-bit extended type");
    ReadRaw(&v, 10);
    return v;
  }
  --FBufferPos;
  return ReadInt();
}

String TReader::ReadShortText() {
  std::uint8_t length;
  ReadRaw(&length, 1);
  String s(length, '\0');
  ReadRaw(s.data(), length);
  return s;
}

void TReader::SkipShortText() {
  std::uint8_t length;
  ReadRaw(&length, 1);
  SkipBytes(length);
}

String TReader::ReadText() {
  std::uint32_t length;
  switch (ReadTag()) {
    case tgString: {
      std::uint8_t n;
      ReadRaw(&n, 1);
      length = n;
      break;
    }
    case tgLongString:
      ReadRaw(&length, 4);
      CheckAvailable(length);
      break;
    default:
      PropertyValueError();
  }
  String s(length, '\0');
  ReadRaw(s.data(), static_cast<std::int32_t>(length));
  return s;
}

String TReader::ReadIdentifier() {
  switch (ReadTag()) {
    case tgIdent: return ReadShortText();
    case tgFalse: return "False";
    case tgTrue: return "True";
    case tgNil: return "nil";
    default: PropertyValueError();
  }
}

bool TReader::ReadBool() { return ReadTag() == tgTrue; }

char TReader::ReadCharacter() {
  ExpectTag(tgString);
  std::uint8_t length;
  ReadRaw(&length, 1);
  if (length != 1) {
    --FBufferPos;
    SkipShortText();
    PropertyValueError();
  }
  char c;
  ReadRaw(&c, 1);
  return c;
}

std::int32_t TReader::ReadSetValue(const TTypeInfo* elementType) {
  // A value with another tag is skipped whole, keeping the stream aligned.
  ExpectTag(tgSet);
  std::uint32_t set = 0;
  for (;;) {
    String name = ReadShortText();
    if (name.empty()) break;
    int value = EnumValueByName(elementType, name);
    if (value < 0) {
      for (std::uint8_t length = 1; length;) {
        ReadRaw(&length, 1);
        SkipBytes(length);
      }
      PropertyValueError();
    }
    if (value <= 31) set |= 1u << value;
  }
  return static_cast<std::int32_t>(set);
}

void TReader::CheckSignature() {
  char signature[4];
  ReadRaw(signature, 4);
  if (std::memcmp(signature, "TPF0", 4) != 0) throw EReadError(TResId::InvalidStreamFormat);
}

std::uint8_t TReader::ReadFlagsPrefix(std::int32_t& childPosition) {
  std::uint8_t prefix = PeekTag();
  if (prefix < 0xF0) return 0;
  ReadTag();
  std::uint8_t flags = prefix & 0x0F;
  if (flags & pfChildPos) childPosition = ReadInt();
  return flags;
}

void TReader::SkipTagged() {
  TDepthGuard depth(FDepth, &FTooDeep);
  switch (ReadTag()) {
    case tgList:
      while (!AtListEnd()) SkipTagged();
      ReadTag();
      break;
    case tgInt8: SkipBytes(1); break;
    case tgInt16: SkipBytes(2); break;
    case tgInt32: SkipBytes(4); break;
    case tgExtended: SkipBytes(10); break;
    case tgString:
    case tgIdent: SkipShortText(); break;
    case tgBinary:
    case tgLongString: {
      std::uint32_t count;
      ReadRaw(&count, 4);
      SkipBytes(count);
      break;
    }
    case tgSet:
      for (std::uint8_t length = 1; length;) {
        ReadRaw(&length, 1);
        SkipBytes(length);
      }
      break;
    case tgCollection:
      // Each item: an optional index, then a list of property entries (names
      // with values, not bare values).
      while (!AtListEnd()) {
        TValueTag tag = PeekTag();
        if (tag == tgInt8 || tag == tgInt16 || tag == tgInt32) ReadInt();
        ExpectTag(tgList);
        while (!AtListEnd()) SkipPropertyEntry();
        ReadTag();
      }
      ReadTag();
      break;
    default:  // tgNull, tgFalse, tgTrue, tgNil and unknown tags carry nothing
      break;
  }
}

void TReader::SkipPropertyEntry() {
  SkipShortText();
  SkipTagged();
}

void TReader::SkipComponent(bool skipHeader) {
  TDepthGuard depth(FDepth, &FTooDeep);
  if (skipHeader) {
    std::int32_t position = 0;
    ReadFlagsPrefix(position);
    SkipShortText();
    SkipShortText();
  }
  while (!AtListEnd()) SkipPropertyEntry();
  ReadTag();
  while (!AtListEnd()) SkipComponent(true);
  ReadTag();
}

// --- Structure ---------------------------------------------------------------

TComponent* TReader::ReadRoot(TComponent* root) {
  CheckSignature();
  bool created = false;
  std::unique_ptr<TList> ownLoaded;
  try {
    std::int32_t position = 0;
    ReadFlagsPrefix(position);
    if (root) {
      ReadShortText();
      String name = ReadShortText();
      if (!(root->ComponentState() & stDesigning)) {
        String unique;
        if (TGlobalComponentFinder finder = GlobalComponentFinder()) {
          unique = name;
          for (int i = 1;; ++i) {
            TComponent* found = finder(unique);
            if (!found || found == root) break;
            unique = Format("%s_%d", {name, i});
          }
        }
        root->Rename(unique);
      }
    } else {
      root = CreateComponent(RequireClass(ReadShortText()), nullptr);
      created = true;
      root->Rename(ReadShortText());
    }
    FRoot = root;
    if (TList* global = GlobalLoadingList()) {
      FLoaded = global;
    } else {
      ownLoaded = std::make_unique<TList>();
      FLoaded = ownLoaded.get();
    }
    FLoaded->Add(root);
    FOwner = root;
    root->IncludeState(stLoading | stReading);
    root->ReadContent(*this);
    root->ExcludeState(stReading);
    if (ownLoaded)
      for (int i = 0; i < ownLoaded->Count(); ++i)
        static_cast<TComponent*>(ownLoaded->Items(i))->AfterLoad();
    FLoaded = nullptr;
    ResolveGlobalFixups();
  } catch (...) {
    FLoaded = nullptr;
    // Only this root's pending references go: other roots' stay pending.
    if (root) {
      DiscardFixups(root, String());
      root->ExcludeState(stReading);
    }
    if (created) delete root;
    throw;
  }
  return root;
}

void TReader::ReadComponentData(TComponent* instance) {
  TDepthGuard depth(FDepth, &FTooDeep);
  // The outermost call collects the references of the whole tree.
  std::vector<TLocalFixup> fixups;
  const bool outermost = !FFixups;
  if (outermost) FFixups = &fixups;
  TFinally releaseFixups([&] {
    if (outermost) FFixups = nullptr;
  });

  while (!AtListEnd()) ReadPropertyEntry(instance);
  ExpectListEnd();
  {
    TComponent* savedOwner = FOwner;
    TComponent* savedParent = FParent;
    TFinally restore([&] {
      FOwner = savedOwner;
      FParent = savedParent;
    });
    FParent = instance->ChildParent();
    FOwner = instance->ChildOwner();
    if (!FOwner) FOwner = FRoot;
    while (!AtListEnd()) ReadChildComponent(nullptr);
    ExpectListEnd();
  }
  if (outermost) ResolveLocalFixups();
}

void TReader::ResolveLocalFixups() {
  for (std::size_t i = 0; i < FFixups->size(); ++i) {
    const TLocalFixup& fixup = (*FFixups)[i];
    TComponent* target = FRoot->FindOwned(fixup.Name);
    // A component of another class than the property holds is not stored.
    if (target && !target->InheritsFrom(fixup.Prop->PropType->ClassType)) target = nullptr;
    WriteOrdinalProp(fixup.Instance, fixup.Prop, AsOrdinal(target));
  }
}

TComponent* TReader::CreateChild(std::uint8_t flags, const String& className, const String& name) {
  if (flags & pfInherited) {
    TComponent* inherited = FRoot->FindOwned(name);
    if (!inherited) throw EReadError(TResId::AncestorNotFound, {name});
    return inherited;
  }
  TComponent* component = CreateComponent(FindFieldClass(FRoot, className), FOwner);
  component->IncludeState(stLoading);
  return component;
}

TComponent* TReader::ReadChildComponent(TComponent* component) {
  TDepthGuard depth(FDepth, &FTooDeep);
  std::int32_t position = 0;
  std::uint8_t flags = ReadFlagsPrefix(position);
  String className = ReadShortText();
  String name = ReadShortText();
  bool created = false;
  try {
    if (!component) {
      component = CreateChild(flags, className, name);
      created = !(flags & pfInherited);
    }
    component->IncludeState(stLoading);
    if (!(flags & pfInherited)) {
      component->AttachToParent(FParent);
      AssignComponentName(component, name);
    }
  } catch (...) {
    if (created) delete component;
    try {
      throw;
    } catch (const Exception& e) {
      SkipComponent(false);
      if (HandleError(e.Message())) return nullptr;
      throw;
    }
  }
  try {
    component->IncludeState(stReading);
    component->ReadContent(*this);
    component->ExcludeState(stReading);
    if ((flags & pfChildPos) && FParent) FParent->MoveChild(component, position);
    FLoaded->Add(component);
  } catch (...) {
    if (created)
      delete component;
    else
      component->ExcludeState(stReading);
    throw;
  }
  return component;
}

void TReader::ReadPropertyEntry(TPersistent* instance) {
  // The path goes into a buffer of this call's own: entries nest (the items
  // of a collection are read within the entry that names it).
  char path[255];
  std::uint8_t pathLength = 0;
  try {
    std::uint8_t length;
    ReadRaw(&length, 1);
    ReadRaw(path, length);
    pathLength = length;
    FErrorsRecoverable = true;
    TPersistent* object = instance;
    const char* const end = path + pathLength;
    const char* name = path;
    for (const char* dot = name;; name = ++dot) {
      while (dot != end && *dot != '.') ++dot;
      if (dot == end) break;
      const TPropInfo* prop = FindPropInfo(object->ClassType(), name, dot - name);
      if (!prop) {
        SkipTagged();
        throw EReadError(TResId::PropertyDoesNotExist);
      }
      TObject* next = prop->PropType->Kind == tkClass ? AsComponent(ReadOrdinalProp(object, prop))
                                                      : nullptr;
      if (!next || !next->Is<TPersistent>()) {
        SkipTagged();
        throw EReadError(TResId::InvalidPropertyPath);
      }
      object = static_cast<TPersistent*>(next);
    }
    if (const TPropInfo* prop = FindPropInfo(object->ClassType(), name, end - name)) {
      ReadPropertyValue(object, prop);
    } else {
      FPropName.assign(name, end - name);  // the property DefineProperties should declare
      FErrorsRecoverable = false;
      object->DefineProperties(*this);
      FErrorsRecoverable = true;
      if (!FPropName.empty()) {
        SkipTagged();
        throw EReadError(TResId::PropertyDoesNotExist);
      }
    }
  } catch (const Exception& e) {
    if (FTooDeep) throw;
    EReadError wrapped(TResId::ErrorReadingProperty,
                       {InstanceName(instance), String(path, pathLength), e.Message()});
    if (FErrorsRecoverable && HandleError(wrapped.Message())) return;
    throw wrapped;
  }
}

void TReader::ReadPropertyValue(TPersistent* object, const TPropInfo* prop) {
  const TTypeInfo* type = prop->PropType;
  if (!prop->HasSetter) {
    SkipTagged();  // so that a recovering handler can go on with the next entry
    throw EReadError(TResId::PropertyIsReadOnly);
  }
  switch (type->Kind) {
    case tkInteger: {
      std::int32_t value;
      if (PeekTag() == tgIdent) {
        if (!IdentifierToInteger(type, ReadIdentifier(), value)) PropertyValueError();
      } else {
        value = ReadInt();
      }
      WriteOrdinalProp(object, prop, value);
      break;
    }
    case tkChar:
      WriteOrdinalProp(object, prop, static_cast<std::uint8_t>(ReadCharacter()));
      break;
    case tkEnumeration: {
      int value = EnumValueByName(type, ReadIdentifier());
      // Out of the type's range (a sub-range of its base) is no value of it.
      if (value < type->MinValue || value > type->MaxValue) PropertyValueError();
      WriteOrdinalProp(object, prop, value);
      break;
    }
    case tkFloat:
      WriteFloatProp(object, prop, ReadReal());
      break;
    case tkString:
    case tkLString:
      WriteTextProp(object, prop, ReadText());
      break;
    case tkSet:
      WriteOrdinalProp(object, prop, ReadSetValue(type->ElementType));
      break;
    case tkClass: {
      TValueTag tag = PeekTag();
      if (tag == tgNil) {
        ReadTag();
        WriteOrdinalProp(object, prop, 0);
      } else if (tag == tgCollection) {
        ReadTag();
        TObject* current = AsComponent(ReadOrdinalProp(object, prop));
        if (!current || !current->Is<TCollection>()) {
          --FBufferPos;
          SkipTagged();
          PropertyValueError();
        }
        ReadCollectionItems(static_cast<TCollection*>(current));
      } else {
        // "Root.Name" names a component of another root; "Name" or ".Name"
        // one of this root.
        String identifier = ReadIdentifier();
        const std::size_t dot = identifier.find('.');
        if (dot != String::npos && dot > 0) {
          auto fixup = std::make_unique<TPropFixup>(object, FRoot, prop, identifier.substr(0, dot),
                                                    identifier.substr(dot + 1));
          AddGlobalFixup(fixup.get());
          fixup.release();
        } else if (FFixups) {
          if (dot != String::npos) identifier.erase(0, dot + 1);
          FFixups->push_back({object, prop, std::move(identifier)});
        } else {
          throw EReadError(TResId::InvalidPropertyValue);
        }
      }
      break;
    }
    case tkMethod:
      if (PeekTag() == tgNil) {
        ReadTag();
        WriteMethodProp(object, prop, TMethod{});
      } else {
        // A method with other parameters than the event's would be called
        // with arguments it does not expect.
        const String name = ReadIdentifier();
        if (!MethodFitsEvent(FRoot->ClassType(), name, type)) PropertyValueError();
        if (void* code = LookupMethod(FRoot, name)) WriteMethodProp(object, prop, TMethod{FRoot, code});
      }
      break;
    default:
      break;
  }
}

void TReader::ReadCollectionItems(TCollection* collection) {
  TDepthGuard depth(FDepth, &FTooDeep);
  collection->BeginUpdate();
  TFinally endUpdate([&] { collection->EndUpdate(); });
  int index = 0;
  while (!AtListEnd()) {
    TValueTag tag = PeekTag();
    if (tag == tgInt8 || tag == tgInt16 || tag == tgInt32) index = ReadInt();
    // An index may name an existing item or the next new one; a larger one
    // would make a damaged definition create items without end.
    if (index < 0 || index > collection->Count()) PropertyValueError();
    if (index == collection->Count()) collection->Add();
    TCollectionItem* item = collection->Items(index);
    ExpectListStart();
    while (!AtListEnd()) ReadPropertyEntry(item);
    ExpectListEnd();
    ++index;
  }
  ExpectListEnd();
}

// --- Declared properties and hooks ---------------------------------------------

void TReader::DeclareProperty(const String& name, TReaderProc reader, TWriterProc, bool) {
  if (!SameName(FPropName, name.c_str())) return;
  reader(*this);
  FPropName.clear();
}

void TReader::DeclareBinaryProperty(const String& name, TStreamProc reader, TStreamProc, bool) {
  if (!SameName(FPropName, name.c_str())) return;
  if (ReadTag() != tgBinary) {
    --FBufferPos;
    SkipTagged();
    FErrorsRecoverable = true;
    PropertyValueError();
  }
  std::uint32_t count;
  ReadRaw(&count, 4);
  CheckAvailable(count);
  const auto size = static_cast<std::int32_t>(count);
  // One stream serves every binary property of the read; it keeps its block
  // when the block has the capacity a fresh one would have. A handler that
  // reads another binary property with this reader gets a stream of its own.
  TMemoryStream local;
  TMemoryStream& data = FBinaryInUse ? local : FBinary;
  if (data.Capacity() > 0 && data.Capacity() == TMemoryStream::CapacityFor(size)) {
    data.SetSize(size);
    data.SetPosition(0);
  } else {
    data.SetSizeDiscarding(size);
  }
  ReadRaw(data.Memory(), size);
  FErrorsRecoverable = true;
  const bool wasInUse = FBinaryInUse;
  FBinaryInUse = true;
  TFinally release([&] { FBinaryInUse = wasInUse; });
  reader(data);
  FPropName.clear();
}

bool TReader::HandleError(const String& message) {
  bool handled = false;
  if (OnReadError.Assigned()) OnReadError(*this, message, handled);
  return handled;
}

void* TReader::LookupMethod(TComponent* root, const String& name) {
  void* code = MethodAddressByName(root->ClassType(), name);
  bool error = code == nullptr;
  if (OnMethodLookup.Assigned()) OnMethodLookup(*this, name, code, error);
  if (error) PropertyValueError();
  return code;
}

void TReader::AssignComponentName(TComponent* component, const String& name) {
  String newName = name;
  if (OnNaming.Assigned()) OnNaming(*this, component, newName);
  try {
    component->Rename(newName);
  } catch (const EInvalidCast& e) {
    // The owner's published field of that name holds another class.
    const TComponent* owner = component->Owner() ? component->Owner() : FRoot;
    throw EReadError(TResId::ErrorReadingProperty, {InstanceName(owner), newName, e.Message()});
  }
}
