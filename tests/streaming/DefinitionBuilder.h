// Helpers of the streaming tests: definitions built byte by byte, streams
// holding them, reading and writing whole definitions, and the names of roots
// kept while reading.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "Filer.h"
#include "Registry.h"
#include "Streams.h"
#include "Writer.h"

namespace streaming_test {

// Appends the pieces of a definition: raw bytes, short texts and tagged values.
struct TDef {
  String Bytes;

  TDef& Byte(std::initializer_list<int> bytes) {
    for (int b : bytes) Bytes += static_cast<char>(b);
    return *this;
  }
  TDef& Raw(const void* data, std::size_t count) {
    Bytes.append(static_cast<const char*>(data), count);
    return *this;
  }
  TDef& Short(const String& s) {
    return Byte({static_cast<int>(s.size())}).Raw(s.data(), s.size());
  }
  TDef& Signature() { return Raw("TPF0", 4); }
  TDef& Head(const String& className, const String& name) { return Short(className).Short(name); }
  TDef& End() { return Byte({tgNull}); }
  TDef& Int8(std::int8_t v) { return Byte({tgInt8}).Raw(&v, 1); }
  TDef& Int16(std::int16_t v) { return Byte({tgInt16}).Raw(&v, 2); }
  TDef& Int32(std::int32_t v) { return Byte({tgInt32}).Raw(&v, 4); }
  TDef& Str(const String& s) { return Byte({tgString}).Short(s); }
  TDef& LongStr(const String& s) {
    auto n = static_cast<std::uint32_t>(s.size());
    return Byte({tgLongString}).Raw(&n, 4).Raw(s.data(), s.size());
  }
  TDef& Ident(const String& s) { return Byte({tgIdent}).Short(s); }
  TDef& Set(std::initializer_list<const char*> names) {
    Byte({tgSet});
    for (const char* name : names) Short(name);
    return Short("");
  }
  TDef& Append(const TDef& other) {
    Bytes += other.Bytes;
    return *this;
  }
};

// A memory stream holding the given bytes, positioned at 0.
struct TDefStream : TMemoryStream {
  explicit TDefStream(const String& bytes) {
    WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    SetPosition(0);
  }
};

inline String BytesOf(TCustomMemoryStream& stream) {
  return String(static_cast<const char*>(stream.Memory()), stream.Size());
}

// Reads the definition in `bytes` into `root`.
inline void ReadInto(TComponent* root, const String& bytes) {
  TDefStream stream(bytes);
  stream.ReadComponentFrom(root);
}

// What the writer puts out for `root` against `ancestor`.
inline String WrittenDefinition(TComponent* root, TComponent* ancestor = nullptr,
                                int bufferSize = 256) {
  TMemoryStream stream;
  {
    TWriter writer(stream, bufferSize);
    writer.WriteRootDefinition(root, ancestor);
  }
  return BytesOf(stream);
}

// The definition of the main form as compiled into the program's resources.
inline String MainFormBytes() {
  TResourceStream stream(GetModuleHandleA(nullptr), "TMAINFORM", RT_RCDATA);
  return BytesOf(stream);
}

// While alive, a global component finder that finds nothing is installed, so
// that a root read into an existing component keeps the name it is given.
struct TKeepRootNames {
  TKeepRootNames() {
    SetGlobalComponentFinder([](const String&) -> TComponent* { return nullptr; });
  }
  ~TKeepRootNames() { SetGlobalComponentFinder(nullptr); }
  TKeepRootNames(const TKeepRootNames&) = delete;
  TKeepRootNames& operator=(const TKeepRootNames&) = delete;
};

}  // namespace streaming_test
