// TReader: reads a form definition into a tree of components, creating
// children by class name, setting properties by name through the type
// information, binding events to published methods of the root and
// resolving references between components once the tree is read.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Components.h"
#include "Filer.h"
#include "Lists.h"
#include "TypInfo.h"

class TCollection;

class TReader : public TFiler {
  SONDREL_CLASS(TReader)

 public:
  // (reader, method name, in/out code address, in/out error flag)
  using TMethodLookupEvent = TEvent<TReader&, const String&, void*&, bool&>;
  // (reader, component, in/out name)
  using TNamingEvent = TEvent<TReader&, TComponent*, String&>;
  // (reader, message, in/out handled flag)
  using TReadErrorEvent = TEvent<TReader&, const String&, bool&>;

  TReader(TStream& stream, int bufferSize);
  // Leaves the stream right after the last byte consumed.
  ~TReader() override;

  void DeclareProperty(const String& name, TReaderProc reader, TWriterProc writer,
                       bool hasData) override;
  void DeclareBinaryProperty(const String& name, TStreamProc reader, TStreamProc writer,
                             bool hasData) override;
  void DropBuffer() override;

  virtual bool HandleError(const String& message);
  virtual void* LookupMethod(TComponent* root, const String& name);
  virtual void AssignComponentName(TComponent* component, const String& name);

  void ReadRaw(void* destination, std::int32_t count);
  // Raises the stream read error unless `count` more bytes can be read.
  void CheckAvailable(std::uint32_t count);
  TValueTag ReadTag();
  TValueTag PeekTag();
  bool AtListEnd();
  void ExpectTag(TValueTag tag);
  void ExpectListStart() { ExpectTag(tgList); }
  void ExpectListEnd() { ExpectTag(tgNull); }

  std::int32_t ReadInt();
  long double ReadReal();
  String ReadText();
  String ReadIdentifier();
  bool ReadBool();
  char ReadCharacter();
  std::int32_t ReadSetValue(const TTypeInfo* elementType);
  String ReadShortText();
  void CheckSignature();
  // Reads an optional prefix byte: its flags, and the child position when
  // pfChildPos is set (otherwise `childPosition` is left alone).
  std::uint8_t ReadFlagsPrefix(std::int32_t& childPosition);
  void SkipTagged();
  void SkipComponent(bool skipHeader);

  // Reads a whole definition (signature and root record) into `root`, or
  // into a new instance of the class it names when `root` is null.
  TComponent* ReadRoot(TComponent* root);
  TComponent* ReadChildComponent(TComponent* component);
  void ReadComponentData(TComponent* instance);
  void ReadPropertyEntry(TPersistent* instance);
  void ReadCollectionItems(TCollection* collection);

  TComponent* Owner() const { return FOwner; }
  TComponent* Parent() const { return FParent; }

  TMethodLookupEvent OnMethodLookup;
  TNamingEvent OnNaming;
  TReadErrorEvent OnReadError;

 private:
  void Refill();
  void SkipBytes(std::uint32_t count);
  void SkipShortText();
  void SkipPropertyEntry();
  [[noreturn]] void PropertyValueError();
  void ReadPropertyValue(TPersistent* instance, const TPropInfo* prop);
  void ResolveLocalFixups();
  TComponent* CreateChild(std::uint8_t flags, const String& className, const String& name);

  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  TMemoryStream FBinary;  // receives each binary property in turn
  bool FBinaryInUse = false;
  // A reference to a component of the root, set once the root is read.
  struct TLocalFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    String Name;
  };
  std::vector<TLocalFixup>* FFixups = nullptr;  // while ReadComponentData runs
  TList* FLoaded = nullptr;
  bool FErrorsRecoverable = false;
  String FPropName;
  int FDepth = 0;  // nesting of components, lists and collections, bounded
  bool FTooDeep = false;  // the bound was passed: the read fails as a whole
};
