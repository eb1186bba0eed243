#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "Streams.h"
#include "TestSupport.h"

namespace {

// Moves half of what a read asks for and one byte less than a write offers.
class TShortStream : public TStream {
 public:
  int Reads = 0;

  std::int32_t ReadSome(void* buffer, std::int32_t count) override {
    ++Reads;
    std::memset(buffer, 0, count / 2);
    return count / 2;
  }
  std::int32_t WriteSome(const void*, std::int32_t count) override { return count - 1; }
  std::int32_t Reposition(std::int32_t, unsigned short) override { return 0; }
};

String ReadAll(TStream& stream) {
  String text(stream.Size(), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(text.data(), static_cast<std::int32_t>(text.size()));
  return text;
}

TEST(MemoryStream, CapacityGrowsInSteps) {
  TMemoryStream stream;
  char bytes[8192] = {'x'};
  EXPECT_EQ(stream.WriteSome(bytes, 1), 1);
  EXPECT_EQ(stream.Capacity(), 8192);
  EXPECT_EQ(stream.WriteSome(bytes, 8192), 8192);
  EXPECT_EQ(stream.Capacity(), 16384);
  EXPECT_EQ(stream.Size(), 8193);
  EXPECT_EQ(static_cast<char*>(stream.Memory())[0], 'x');
}

TEST(MemoryStream, GapsReadAsZerosAndBadReadsMoveNothing) {
  TMemoryStream stream;
  EXPECT_EQ(stream.Reposition(10, soFromBeginning), 10);
  EXPECT_EQ(stream.WriteSome("ab", 2), 2);
  EXPECT_EQ(stream.Size(), 12);
  char buffer[16] = {};
  EXPECT_EQ(stream.ReadSome(buffer, 1), 0);  // at position 12
  EXPECT_EQ(ReadAll(stream), String(10, '\0') + "ab");
  stream.SetPosition(-1);
  EXPECT_EQ(stream.ReadSome(buffer, 2), 0);
  stream.SetPosition(0);
  EXPECT_EQ(stream.ReadSome(buffer, -1), 0);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_RAISES(EReadError, stream.ReadBuffer(buffer, 13), "Stream read error");
}

TEST(MemoryStream, RepositionAndResizing) {
  TMemoryStream stream;
  stream.WriteBuffer("0123456789", 10);
  EXPECT_EQ(stream.Reposition(-3, soFromEnd), 7);
  EXPECT_EQ(stream.Reposition(-2, soFromCurrent), 5);
  char buffer[3] = {};
  stream.ReadBuffer(buffer, 3);
  EXPECT_EQ(String(buffer, 3), "567");

  stream.SetSizeDiscarding(100);
  EXPECT_EQ(stream.Size(), 100);
  EXPECT_EQ(stream.Position(), 0);
  stream.Reset();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Capacity(), 0);
  EXPECT_EQ(stream.Memory(), nullptr);
}

TEST(MemoryStream, FailedExpansionKeepsTheStream) {
  TMemoryStream stream;
  stream.WriteBuffer("hello", 5);
  stream.SetPosition(2);
  void* memory = stream.Memory();
  EXPECT_RAISES(EStreamError, stream.SetCapacity(0x7FFF0000),
                "Out of memory while expanding memory stream");
  EXPECT_EQ(stream.Memory(), memory);
  EXPECT_EQ(stream.Capacity(), 8192);
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_EQ(ReadAll(stream), "hello");
}

TEST(Stream, ExactTransfersRaiseWhenShort) {
  TShortStream stream;
  char buffer[4];
  stream.ReadBuffer(buffer, 0);
  EXPECT_EQ(stream.Reads, 0);
  EXPECT_RAISES(EReadError, stream.ReadBuffer(buffer, 4), "Stream read error");
  EXPECT_EQ(stream.Reads, 1);
  stream.WriteBuffer(buffer, 0);
  EXPECT_RAISES(EWriteError, stream.WriteBuffer(buffer, 4), "Stream write error");
}

TEST(FileStream, CreateWriteReopenRead) {
  TTempFile file;
  {
    TFileStream stream(file.Name, fmCreate);
    stream.WriteBuffer("hello world", 11);
    EXPECT_EQ(stream.Size(), 11);
  }
  {
    TFileStream stream(file.Name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(stream.Size(), 11);
    EXPECT_EQ(stream.Reposition(-5, soFromEnd), 6);
    char buffer[5];
    stream.ReadBuffer(buffer, 5);
    EXPECT_EQ(String(buffer, 5), "world");
    EXPECT_EQ(stream.ReadSome(buffer, 5), 0);
    EXPECT_EQ(stream.WriteSome("x", 1), 0);  // opened for reading only
  }
  TFileStream stream(file.Name, fmCreate);  // replaces the contents
  EXPECT_EQ(stream.Size(), 0);
}

TEST(FileStream, OpenFailuresNameTheFile) {
  TTempFile file;
  const String missing = file.Name + ".missing", nowhere = file.Name + ".dir\\file.txt";
  EXPECT_RAISES(EFOpenError, TFileStream(missing, fmOpenRead), "Cannot open file " + missing);
  EXPECT_RAISES(EFCreateError, TFileStream(nowhere, fmCreate), "Cannot create file " + nowhere);
  TFileStream exclusive(file.Name, fmOpenRead | fmShareExclusive);
  EXPECT_RAISES(EFOpenError, TFileStream(file.Name, fmOpenRead | fmShareDenyNone),
                "Cannot open file " + file.Name);
}

TEST(FileStream, DestructionClosesTheHandle) {
  TTempFile file;
  auto* stream = new TFileStream(file.Name, fmOpenReadWrite);
  EXPECT_FALSE(DeleteFileA(file.Name.c_str()));  // no sharing granted while open
  delete stream;
  EXPECT_TRUE(DeleteFileA(file.Name.c_str()));
}

TEST(HandleStream, WorksOnAHandleItDoesNotOwn) {
  TTempFile file;
  HANDLE handle = CreateFileA(file.Name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  {
    THandleStream stream(handle);
    EXPECT_EQ(stream.Handle(), handle);
    stream.WriteBuffer("abcdef", 6);
    EXPECT_EQ(stream.Size(), 6);
    EXPECT_EQ(stream.Reposition(2, soFromBeginning), 2);
    char buffer[8];
    EXPECT_EQ(stream.ReadSome(buffer, 8), 4);
    EXPECT_EQ(String(buffer, 4), "cdef");
    EXPECT_EQ(stream.ReadSome(buffer, -1), 0);
  }
  EXPECT_TRUE(CloseHandle(handle));
}

}  // namespace
