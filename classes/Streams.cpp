#include "Streams.h"

#include <cstdlib>
#include <cstring>

#include "Reader.h"

SONDREL_CLASS_RECORD(TStream, TObject, "Classes");
SONDREL_CLASS_RECORD(THandleStream, TStream, "Classes");
SONDREL_CLASS_RECORD(TFileStream, THandleStream, "Classes");
SONDREL_CLASS_RECORD(TCustomMemoryStream, TStream, "Classes");
SONDREL_CLASS_RECORD(TMemoryStream, TCustomMemoryStream, "Classes");
SONDREL_CLASS_RECORD(TResourceStream, TCustomMemoryStream, "Classes");

// --- TStream ---------------------------------------------------------------

std::int32_t TStream::Size() {
  std::int32_t position = Reposition(0, soFromCurrent);
  std::int32_t size = Reposition(0, soFromEnd);
  Reposition(position, soFromBeginning);
  return size;
}

void TStream::SetSize(std::int32_t) { throw EStreamError(TResId::StreamWriteError); }

void TStream::ReadBuffer(void* buffer, std::int32_t count) {
  if (count != 0 && ReadSome(buffer, count) != count) throw EReadError(TResId::StreamReadError);
}

void TStream::WriteBuffer(const void* buffer, std::int32_t count) {
  if (count != 0 && WriteSome(buffer, count) != count) throw EWriteError(TResId::StreamWriteError);
}

TComponent* TStream::ReadComponentFrom(TComponent* instance) {
  TReader reader(*this, 4096);
  return reader.ReadRoot(instance);
}

// --- THandleStream and TFileStream -------------------------------------------

std::int32_t THandleStream::ReadSome(void* buffer, std::int32_t count) {
  DWORD done = 0;
  if (count < 0 || !ReadFile(FHandle, buffer, count, &done, nullptr)) return 0;
  return static_cast<std::int32_t>(done);
}

std::int32_t THandleStream::WriteSome(const void* buffer, std::int32_t count) {
  DWORD done = 0;
  if (count < 0 || !WriteFile(FHandle, buffer, count, &done, nullptr)) return 0;
  return static_cast<std::int32_t>(done);
}

std::int32_t THandleStream::Reposition(std::int32_t offset, unsigned short origin) {
  return static_cast<std::int32_t>(SetFilePointer(FHandle, offset, nullptr, origin));
}

void THandleStream::SetSize(std::int32_t size) {
  std::int32_t position = Position();
  if (Reposition(size, soFromBeginning) != size || !SetEndOfFile(FHandle)) {
    Reposition(position, soFromBeginning);
    throw EStreamError(TResId::StreamWriteError);
  }
  Reposition(position, soFromBeginning);
}

namespace {

bool IsBadHandle(HANDLE h) { return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(h)) < 0; }

HANDLE OpenFile(const String& name, unsigned short mode) {
  if (mode == fmCreate) {
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (IsBadHandle(h)) throw EFCreateError(TResId::CannotCreateFile, {name});
    return h;
  }
  static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, 0};
  static const DWORD sharing[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE};
  unsigned share = (mode >> 4) & 0x0F;
  // Sharing codes above 4 and the access code 3 name nothing; they fail the
  // open instead of granting an access or sharing that was not asked for.
  HANDLE h = INVALID_HANDLE_VALUE;
  if ((mode & 3) != 3 && share <= 4)
    h = CreateFileA(name.c_str(), access[mode & 3], sharing[share], nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (IsBadHandle(h)) throw EFOpenError(TResId::CannotOpenFile, {name});
  return h;
}

}  // namespace

TFileStream::TFileStream(const String& fileName, unsigned short mode)
    : THandleStream(OpenFile(fileName, mode)) {}

TFileStream::~TFileStream() {
  if (!IsBadHandle(FHandle)) CloseHandle(FHandle);
}

// --- TCustomMemoryStream ---------------------------------------------------

void TCustomMemoryStream::SetMemory(void* memory, std::int32_t size) {
  FMemory = static_cast<char*>(memory);
  FSize = size;
}

std::int32_t TCustomMemoryStream::ReadSome(void* buffer, std::int32_t count) {
  if (FPosition < 0 || count < 0) return 0;
  std::int32_t available = FSize - FPosition;
  if (available <= 0) return 0;
  std::int32_t n = count < available ? count : available;
  std::memcpy(buffer, FMemory + FPosition, n);
  FPosition += n;
  return n;
}

std::int32_t TCustomMemoryStream::Reposition(std::int32_t offset, unsigned short origin) {
  // Computed in 64 bits and wrapped, as the 32-bit position arithmetic does.
  switch (origin) {
    case soFromBeginning: FPosition = offset; break;
    case soFromCurrent: FPosition = static_cast<std::int32_t>(std::int64_t{FPosition} + offset); break;
    case soFromEnd: FPosition = static_cast<std::int32_t>(std::int64_t{FSize} + offset); break;
    default: break;
  }
  return FPosition;
}

// --- TMemoryStream ---------------------------------------------------------

namespace {
constexpr std::int64_t MemoryDelta = 8192;
[[noreturn]] void ExpandError() { throw EStreamError(TResId::MemoryStreamExpand); }
}  // namespace

TMemoryStream::~TMemoryStream() { Reset(); }

std::int32_t TMemoryStream::CapacityFor(std::int32_t size) {
  std::int64_t rounded = size;
  if (rounded > 0) rounded = (rounded + MemoryDelta - 1) & ~(MemoryDelta - 1);
  return rounded > INT32_MAX || rounded < 0 ? -1 : static_cast<std::int32_t>(rounded);
}

void* TMemoryStream::Reallocate(std::int32_t& capacity) {
  const std::int32_t rounded = CapacityFor(capacity);
  if (rounded < 0) ExpandError();
  capacity = rounded;
  if (capacity == FCapacity) return FMemory;
  if (capacity == 0) {
    std::free(FMemory);
    return nullptr;
  }
  void* block = std::realloc(FMemory, capacity);
  if (!block) ExpandError();
  return block;
}

void TMemoryStream::SetCapacity(std::int32_t capacity) {
  void* block = Reallocate(capacity);
  // The size never exceeds the block: a smaller capacity cuts the data off.
  // The position may stay beyond the end, as a seek may leave it there.
  SetMemory(block, FSize < capacity ? FSize : capacity);
  FCapacity = capacity;
}

void TMemoryStream::Reset() {
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::SetSizeDiscarding(std::int32_t size) {
  Reset();
  SetCapacity(size);
  FSize = size;
}

std::int32_t TMemoryStream::WriteSome(const void* buffer, std::int32_t count) {
  if (FPosition < 0 || count < 0) return 0;
  // An end beyond the 32-bit range is no positive position: nothing is written.
  std::int64_t end = std::int64_t{FPosition} + count;
  if (end <= 0 || end > INT32_MAX) return 0;
  if (end > FSize) {
    if (end > FCapacity) SetCapacity(static_cast<std::int32_t>(end));
    // A gap left by a position beyond the end reads as zeros, never as
    // whatever the allocator left there.
    if (FPosition > FSize) std::memset(FMemory + FSize, 0, FPosition - FSize);
    FSize = static_cast<std::int32_t>(end);
  }
  std::memcpy(FMemory + FPosition, buffer, count);
  FPosition = static_cast<std::int32_t>(end);
  return count;
}

void TMemoryStream::SetSize(std::int32_t size) {
  if (size < 0) throw EStreamError(TResId::StreamWriteError);
  if (size > FCapacity) SetCapacity(size);
  if (size > FSize) std::memset(FMemory + FSize, 0, size - FSize);
  FSize = size;
}

// --- TResourceStream -------------------------------------------------------

TResourceStream::TResourceStream(HMODULE module, const String& name, LPCSTR type) {
  FResInfo = FindResourceA(module, name.c_str(), type);
  if (FResInfo) FHandle = LoadResource(module, FResInfo);
  if (!FHandle) throw EResNotFound(TResId::ResourceNotFound, {name});
  SetMemory(LockResource(FHandle), static_cast<std::int32_t>(SizeofResource(module, FResInfo)));
}

TResourceStream::~TResourceStream() { FreeResource(FHandle); }

std::int32_t TResourceStream::WriteSome(const void*, std::int32_t) {
  throw EStreamError(TResId::ReadOnlyResourceStream);
}
