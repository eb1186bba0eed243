// The form-definition format's value tags and TFiler, the common base of the
// reader and the writer.
#pragma once

#include <cstdint>
#include <memory>

#include "Events.h"
#include "Streams.h"

class TComponent;
class TPersistent;
class TReader;
class TWriter;

enum TValueTag : std::uint8_t {
  tgNull = 0,  // end of a list
  tgList = 1,
  tgInt8 = 2,
  tgInt16 = 3,
  tgInt32 = 4,
  tgExtended = 5,
  tgString = 6,
  tgIdent = 7,
  tgFalse = 8,
  tgTrue = 9,
  tgBinary = 10,
  tgSet = 11,
  tgLongString = 12,
  tgNil = 13,
  tgCollection = 14,
};

// Flags of a component record's prefix byte. An inline child is a component
// whose own definition stands inside its parent's; readers treat it as any
// other child.
enum : std::uint8_t { pfInherited = 0x01, pfChildPos = 0x02, pfInline = 0x04 };

// Deeper nesting of components, lists or collections than this is refused as
// a damaged definition, so corrupt input cannot exhaust the stack.
inline constexpr int MaxDefinitionDepth = 200;

// Counts one level of nesting while alive. Past the bound it raises EReadError
// "Invalid stream format" and sets `tooDeep` when given: the error describes
// the whole stream, so it is neither wrapped in a property's message nor
// offered to a recovering handler.
class TDepthGuard {
 public:
  TDepthGuard(int& depth, bool* tooDeep = nullptr) : Depth(depth) {
    if (++Depth > MaxDefinitionDepth) {
      --Depth;
      if (tooDeep) *tooDeep = true;
      throw EReadError(TResId::InvalidStreamFormat);
    }
  }
  ~TDepthGuard() { --Depth; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;

 private:
  int& Depth;
};

using TReaderProc = TEvent<TReader&>;
using TWriterProc = TEvent<TWriter&>;
using TStreamProc = TEvent<TStream&>;

class TFiler : public TObject {
  SONDREL_CLASS(TFiler)

 public:
  TFiler(TStream& stream, int bufferSize);
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;

  // A property streamed through handlers (DefineProperties protocol).
  virtual void DeclareProperty(const String& name, TReaderProc reader, TWriterProc writer,
                               bool hasData) = 0;
  virtual void DeclareBinaryProperty(const String& name, TStreamProc reader, TStreamProc writer,
                                     bool hasData) = 0;
  virtual void DropBuffer() = 0;

  TStream& Stream() const { return FStream; }
  TComponent* Root() const { return FRoot; }
  void SetRoot(TComponent* root) { FRoot = root; }
  // The object of the ancestor definition matching the one being written.
  TPersistent* Ancestor() const { return FAncestor; }
  void SetAncestor(TPersistent* ancestor) { FAncestor = ancestor; }
  bool IgnoreChildren() const { return FIgnoreChildren; }
  void SetIgnoreChildren(bool ignore) { FIgnoreChildren = ignore; }

 protected:
  // Has `object` declare the properties it streams through handlers.
  void AskDeclarations(TPersistent& object);

  TStream& FStream;
  std::unique_ptr<char[]> FBuffer;
  std::int32_t FBufferSize;
  std::int32_t FBufferPos = 0;
  std::int32_t FBufferEnd = 0;
  TComponent* FRoot = nullptr;
  TPersistent* FAncestor = nullptr;
  bool FIgnoreChildren = false;
};
