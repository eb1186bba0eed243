// Memory, file, handle and resource streams. Resource streams read this test
// program's own resources (the program's resource script is linked into every
// test program).
#include <gtest/gtest.h>
#include <windows.h>

#include "Streams.h"
#include "TestSupport.h"

namespace {

String ReadAll(TStream& stream) {
  String text(stream.Size(), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(text.data(), static_cast<std::int32_t>(text.size()));
  return text;
}

TEST(MemoryStream, GapsReadAsZerosAndBadReadsMoveNothing) {
  TMemoryStream stream;
  EXPECT_EQ(stream.Reposition(10, soFromBeginning), 10);
  EXPECT_EQ(stream.WriteSome("ab", 2), 2);
  char buffer[16] = {};
  EXPECT_EQ(stream.ReadSome(buffer, 1), 0);  // at the end
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
  EXPECT_EQ(stream.Size() + stream.Capacity(), 0);
  EXPECT_EQ(stream.Memory(), nullptr);
}

// The capacity grows in steps of 8 KiB.
TEST(MemoryStream, ASmallerCapacityCutsTheSizeAndOverflowingWritesWriteNothing) {
  TMemoryStream stream;
  String data(8192, 'd');
  stream.WriteBuffer(data.data(), 1);
  EXPECT_EQ(stream.Capacity(), 8192);
  stream.WriteBuffer(data.data(), 8191);
  EXPECT_EQ(stream.Capacity(), 8192);
  stream.SetCapacity(0);
  EXPECT_EQ(stream.Capacity(), 0);
  EXPECT_EQ(stream.Size(), 0);
  char buffer[16];
  EXPECT_EQ(stream.ReadSome(buffer, 16), 0);  // the position lies beyond the end
  stream.WriteBuffer("xy", 2);                // the gap is zeros, in a new block
  EXPECT_EQ(stream.Size(), 8194);
  EXPECT_EQ(stream.Capacity(), 16384);
  EXPECT_EQ(ReadAll(stream), String(8192, '\0') + "xy");

  stream.SetPosition(0x7FFFFFF0);
  EXPECT_EQ(stream.WriteSome("0123456789ABCDEFGHIJ", 20), 0);
  EXPECT_EQ(stream.Size(), 8194);
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

TEST(FileStream, CreateWriteReopenRead) {
  TTempFile file;
  {
    TFileStream stream(file.Name, fmCreate);
    stream.WriteBuffer("hello world", 11);
  }
  {
    TFileStream stream(file.Name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(stream.Reposition(-5, soFromEnd), 6);
    char buffer[5];
    stream.ReadBuffer(buffer, 5);
    EXPECT_EQ(String(buffer, 5), "world");
    EXPECT_EQ(stream.ReadSome(buffer, 5), 0);
    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadSome(buffer, -1), 0);
    // Opened for reading only.
    EXPECT_RAISES(EWriteError, stream.WriteBuffer("x", 1), "Stream write error");
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

TEST(FileStream, DestructionClosesOnlyItsOwnHandle) {
  TTempFile file;
  auto* stream = new TFileStream(file.Name, fmOpenReadWrite);
  EXPECT_FALSE(DeleteFileA(file.Name.c_str()));  // no sharing granted while open
  delete stream;
  HANDLE handle = CreateFileA(file.Name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  delete new THandleStream(handle);
  EXPECT_TRUE(CloseHandle(handle));
}

TEST(ResourceStream, ViewsTheResourceInPlaceReadOnly) {
  TResourceStream stream(GetModuleHandleA(nullptr), "TMainForm", RT_RCDATA);
  EXPECT_EQ(stream.Size(), 884);
  HRSRC info = FindResourceA(nullptr, "TMAINFORM", RT_RCDATA);
  EXPECT_EQ(stream.Memory(), LockResource(LoadResource(nullptr, info)));
  char tail[5];
  EXPECT_EQ(stream.Reposition(-4, soFromEnd), 880);
  EXPECT_EQ(stream.ReadSome(tail, 5), 4);
  EXPECT_EQ(String(tail, 4), String(4, '\0'));
  char byte = 'x';
  EXPECT_RAISES(EStreamError, stream.WriteSome(&byte, 1),
                "Can't write to a read-only resource stream");
}

TEST(ResourceStream, IntegerIdentifiersAndMissingResources) {
  TResourceStream stream(GetModuleHandleA(nullptr), "#100", "WAVE");
  EXPECT_EQ(ReadAll(stream).substr(0, 4), "RIFF");
  EXPECT_RAISES(EResNotFound, TResourceStream(GetModuleHandleA(nullptr), "TNoSuchForm", RT_RCDATA),
                "Resource TNoSuchForm not found");
  // The right name under the wrong type is missing too.
  EXPECT_THROW(TResourceStream(GetModuleHandleA(nullptr), "TMAINFORM", "WAVE"), EResNotFound);
}

}  // namespace
