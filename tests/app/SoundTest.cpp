// Sounds played from the program's resources reach the sound device byte for
// byte: the test runner points the ALSA default device at a capture file.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "AppTest.h"
#include "TestSupport.h"

namespace {

std::string CaptureFile() {
  const char* path = std::getenv("SONDREL_CAPTURE_FILE");
  return path ? WinePath(path) : std::string();
}

// The "data" chunk of a WAVE resource, without its pad byte.
std::string DataChunk(HMODULE module, LPCSTR name) {
  HRSRC info = FindResourceA(module, name, "WAVE");
  if (!info) return {};
  const char* wave = static_cast<const char*>(LockResource(LoadResource(module, info)));
  std::uint32_t size;
  std::memcpy(&size, wave + 40, 4);
  return std::string(wave + 44, size);
}

// Waits until the capture holds `expected` bytes (the device writes it while
// it plays) and returns what it holds then.
std::string Captured(const std::string& path, std::size_t expected) {
  std::string data;
  for (int i = 0; i < 100; ++i) {
    data = ReadWholeFile(path);
    if (data.size() >= expected) break;
    Sleep(50);
  }
  Sleep(100);  // anything beyond the sound would arrive now
  return ReadWholeFile(path);
}

TEST(Sound, PlayingResource100DeliversExactlyItsSamples) {
  std::string capture = CaptureFile();
  ASSERT_FALSE(capture.empty()) << "run through tools/wine.sh, which sets up the capture";
  HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  std::string samples = DataChunk(program, MAKEINTRESOURCEA(100));
  ASSERT_EQ(samples.size(), 9981u);

  ASSERT_TRUE(PlaySoundA(MAKEINTRESOURCEA(100), program, SND_RESOURCE | SND_SYNC | SND_NODEFAULT));
  std::string played = Captured(capture, samples.size());
  EXPECT_EQ(played.size(), samples.size());
  EXPECT_TRUE(played == samples) << "captured bytes differ from the data chunk";

  // The second sound replaces the first in the capture.
  std::string samples2 = DataChunk(program, "SONDREL2");
  ASSERT_TRUE(PlaySoundA("SONDREL2", program, SND_RESOURCE | SND_SYNC | SND_NODEFAULT));
  std::string played2 = Captured(capture, samples2.size());
  EXPECT_EQ(played2.size(), samples2.size());
  EXPECT_TRUE(played2 == samples2);
  FreeLibrary(program);
}

}  // namespace
