// TWriter: writes components in the form-definition format, each property
// only where it differs from its default or from the matching object of an
// ancestor definition.
#pragma once

#include <cstdint>

#include "Components.h"
#include "Filer.h"
#include "TypInfo.h"

class TCollection;

class TWriter : public TFiler {
  SONDREL_CLASS(TWriter)

 public:
  TWriter(TStream& stream, int bufferSize);
  // Writes out what is still buffered. Call DropBuffer first where a write
  // error must be reported as an exception: a destructor cannot raise one.
  ~TWriter() override;

  void DeclareProperty(const String& name, TReaderProc reader, TWriterProc writer,
                       bool hasData) override;
  void DeclareBinaryProperty(const String& name, TStreamProc reader, TStreamProc writer,
                             bool hasData) override;
  void DropBuffer() override;
  virtual void WriteComponentData(TComponent* component);

  std::int32_t Position();
  void SeekTo(std::int32_t position);
  void WriteRaw(const void* bytes, std::int32_t count);
  void WriteTag(TValueTag tag);
  void WriteListOpen() { WriteTag(tgList); }
  void WriteListClose() { WriteTag(tgNull); }
  void WriteInt(std::int32_t value);
  void WriteBool(bool value);
  void WriteCharacter(char c);
  void WriteReal(long double value);
  void WriteText(const String& s);
  void WriteShortText(const String& s);
  void WriteIdentifier(const String& s);
  void WriteFlagsPrefix(std::uint8_t flags, std::int32_t childPosition);
  void WriteCollectionItems(TCollection* collection);
  void WritePropertyList(TPersistent* object);
  void WriteOneProperty(TPersistent* object, const TPropInfo* prop);
  void WriteChildComponent(TComponent* component);
  // A whole definition: the signature, then `root` written against
  // `ancestor` (a component of the same class, or null). Bytes of erased
  // records that had already reached the end of the stream are cut off.
  void WriteRootDefinition(TComponent* root, TComponent* ancestor);

  TComponent* RootAncestor() const { return FRootAncestor; }
  void SetRootAncestor(TComponent* ancestor) { FRootAncestor = ancestor; }

 private:
  bool AncestorValid(const TPersistent* object) const;
  void WriteName(const TPropInfo* prop);
  void WriteClassProperty(TPersistent* object, const TPropInfo* prop);

  TComponent* FRootAncestor = nullptr;
  String FPropPath;
  TList* FAncestorList = nullptr;
  std::int32_t FAncestorPos = 0;
  std::int32_t FChildPos = 0;
};

// Equal when of the same class and count and written to the same bytes.
bool CollectionsEqual(TCollection* a, TCollection* b);
