// Resource streams over this test program's own resources (the program's
// resource script is linked into every test program).
#include <gtest/gtest.h>

#include <cstring>

#include "Streams.h"
#include "TestSupport.h"

namespace {

TEST(ResourceStream, ReadsTheFormDefinitionInPlace) {
  TResourceStream stream(GetModuleHandleA(nullptr), "TMainForm", RT_RCDATA);
  EXPECT_EQ(stream.Size(), 884);
  EXPECT_EQ(stream.Position(), 0);
  char head[8];
  stream.ReadBuffer(head, 8);
  EXPECT_EQ(std::string(head, 8), std::string("TPF0\x09TMai", 8));
  EXPECT_EQ(stream.Position(), 8);
  // It views the module's resource memory, nothing is copied.
  HRSRC info = FindResourceA(nullptr, "TMAINFORM", RT_RCDATA);
  EXPECT_EQ(stream.Memory(), LockResource(LoadResource(nullptr, info)));
  char tail[5];
  stream.SetPosition(880);
  EXPECT_EQ(stream.ReadSome(tail, 5), 4);
  EXPECT_EQ(std::string(tail, 4), std::string(4, '\0'));
  EXPECT_THROW(stream.ReadBuffer(tail, 1), EReadError);
}

TEST(ResourceStream, IntegerIdentifiersAndPositionsFromTheEnd) {
  TResourceStream stream(GetModuleHandleA(nullptr), "#100", "WAVE");
  EXPECT_EQ(stream.Size(), 10026);
  EXPECT_EQ(stream.Reposition(-4, soFromEnd), 10022);
  char riff[4];
  stream.SetPosition(0);
  stream.ReadBuffer(riff, 4);
  EXPECT_EQ(std::string(riff, 4), "RIFF");
}

TEST(ResourceStream, IsReadOnly) {
  TResourceStream stream(GetModuleHandleA(nullptr), "SONDREL2", "WAVE");
  char byte = 'x';
  EXPECT_RAISES(EStreamError, stream.WriteSome(&byte, 1), "Can't write to a read-only resource stream");
  EXPECT_THROW(stream.WriteBuffer(&byte, 1), EStreamError);
  EXPECT_EQ(stream.Size(), 5212);
}

TEST(ResourceStream, MissingResourceRaisesWithItsName) {
  EXPECT_RAISES(EResNotFound, TResourceStream(GetModuleHandleA(nullptr), "TNoSuchForm", RT_RCDATA),
                "Resource TNoSuchForm not found");
  // The right name under the wrong type is missing too.
  EXPECT_THROW(TResourceStream(GetModuleHandleA(nullptr), "TMAINFORM", "WAVE"), EResNotFound);
}

}  // namespace
