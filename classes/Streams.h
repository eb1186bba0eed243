// Streams: the byte sources and sinks of the class library.
//
//   TStream               abstract: ReadSome, WriteSome, Reposition
//   THandleStream         over a platform file handle
//   TFileStream           opens or creates a file and owns its handle
//   TCustomMemoryStream   over a block of memory it does not own
//   TMemoryStream         owns its block and grows it in 8 KB steps
//   TResourceStream       read-only view of a resource of a module
#pragma once

#include <windows.h>

#include <cstdint>

#include "Exceptions.h"
#include "Object.h"

class TComponent;

// Origins of Reposition.
enum : unsigned short { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// File stream modes: an access in the low two bits, a sharing in bits 4 to 7,
// or fmCreate alone.
enum : unsigned short {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

class TStream : public TObject {
  SONDREL_CLASS(TStream)

 public:
  // Reads or writes up to `count` bytes and returns how many were moved;
  // these never raise, they report by their result.
  virtual std::int32_t ReadSome(void* buffer, std::int32_t count) = 0;
  virtual std::int32_t WriteSome(const void* buffer, std::int32_t count) = 0;
  // Moves the position relative to an origin and returns the new position.
  virtual std::int32_t Reposition(std::int32_t offset, unsigned short origin) = 0;

  std::int32_t Position() { return Reposition(0, soFromCurrent); }
  void SetPosition(std::int32_t position) { Reposition(position, soFromBeginning); }
  std::int32_t Size();
  // Cuts or extends the stream to `size` bytes; a stream that cannot change
  // its size raises EStreamError "Stream write error".
  virtual void SetSize(std::int32_t size);
  // Read or write exactly `count` bytes, or raise EReadError / EWriteError.
  void ReadBuffer(void* buffer, std::int32_t count);
  void WriteBuffer(const void* buffer, std::int32_t count);
  // Reads a whole form definition from here into `instance` (or into a new
  // component of the class it names when null) and returns the component;
  // the position ends right after the definition.
  TComponent* ReadComponentFrom(TComponent* instance);
};

class THandleStream : public TStream {
  SONDREL_CLASS(THandleStream)

 public:
  explicit THandleStream(HANDLE handle) : FHandle(handle) {}
  HANDLE Handle() const { return FHandle; }

  std::int32_t ReadSome(void* buffer, std::int32_t count) override;
  std::int32_t WriteSome(const void* buffer, std::int32_t count) override;
  std::int32_t Reposition(std::int32_t offset, unsigned short origin) override;
  void SetSize(std::int32_t size) override;

 protected:
  HANDLE FHandle;
};

class TFileStream : public THandleStream {
  SONDREL_CLASS(TFileStream)

 public:
  // Opens `fileName` with an fmOpen… access and fmShare… sharing, or creates
  // it (replacing an existing file) with fmCreate. Raises EFOpenError or
  // EFCreateError with the name.
  TFileStream(const String& fileName, unsigned short mode);
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  ~TFileStream() override;
};

class TCustomMemoryStream : public TStream {
  SONDREL_CLASS(TCustomMemoryStream)

 public:
  void* Memory() const { return FMemory; }

  std::int32_t ReadSome(void* buffer, std::int32_t count) override;
  std::int32_t Reposition(std::int32_t offset, unsigned short origin) override;

 protected:
  // Installs a block to read without taking ownership of it.
  void SetMemory(void* memory, std::int32_t size);

  char* FMemory = nullptr;
  std::int32_t FSize = 0;
  std::int32_t FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
  SONDREL_CLASS(TMemoryStream)

 public:
  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  ~TMemoryStream() override;

  std::int32_t Capacity() const { return FCapacity; }
  // Releases the block: size, position and capacity become 0.
  void Reset();
  // Sets the capacity, rounded up to a multiple of 8192 bytes; raises
  // EStreamError (and keeps the old block) when the memory cannot be had.
  void SetCapacity(std::int32_t capacity);
  // Discards the contents and makes room for exactly `size` bytes at 0.
  void SetSizeDiscarding(std::int32_t size);
  // The capacity a block for `size` bytes has: the size rounded up to a
  // multiple of 8192 bytes (0 stays 0); -1 for a negative size or one whose
  // rounding leaves the 32-bit range.
  static std::int32_t CapacityFor(std::int32_t size);

  std::int32_t WriteSome(const void* buffer, std::int32_t count) override;
  // Keeps the contents up to `size`; the position stays where it is.
  void SetSize(std::int32_t size) override;

 protected:
  // Returns a block of `capacity` bytes (rounded up in place) holding the
  // current contents, or null for 0; raises EStreamError on failure.
  virtual void* Reallocate(std::int32_t& capacity);

 private:
  std::int32_t FCapacity = 0;
};

class TResourceStream : public TCustomMemoryStream {
  SONDREL_CLASS(TResourceStream)

 public:
  // The resource `name` (or "#123" for the integer identifier 123) of type
  // `type` in `module`; raises EResNotFound with the name when it is missing.
  TResourceStream(HMODULE module, const String& name, LPCSTR type);
  TResourceStream(const TResourceStream&) = delete;
  TResourceStream& operator=(const TResourceStream&) = delete;
  ~TResourceStream() override;

  // Always raises EStreamError: the resource is read-only.
  std::int32_t WriteSome(const void* buffer, std::int32_t count) override;

 private:
  HRSRC FResInfo = nullptr;
  HGLOBAL FHandle = nullptr;
};
