// The resource inventory of the built program, read from sondrel.exe itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "AppTest.h"
#include "TestSupport.h"

namespace {

class ProgramResources : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Module = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Module, nullptr) << ProgramPath();
  }
  static void TearDownTestSuite() { FreeLibrary(Module); }

  static std::string Bytes(LPCSTR type, LPCSTR name, WORD language) {
    HRSRC info = FindResourceExA(Module, type, name, language);
    if (!info) return {};
    HGLOBAL data = LoadResource(Module, info);
    return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(Module, info));
  }

  static std::vector<WORD> Languages(LPCSTR type, LPCSTR name) {
    std::vector<WORD> result;
    EnumResourceLanguagesA(Module, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&result));
    return result;
  }

  static std::set<unsigned> IntegerNames(LPCSTR type) {
    std::set<unsigned> names;
    EnumResourceNamesA(Module, type, AddIntegerName, reinterpret_cast<LONG_PTR>(&names));
    return names;
  }

  static BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
    reinterpret_cast<std::vector<WORD>*>(out)->push_back(language);
    return TRUE;
  }
  static BOOL CALLBACK AddIntegerName(HMODULE, LPCSTR, LPSTR name, LONG_PTR out) {
    if (IS_INTRESOURCE(name))
      reinterpret_cast<std::set<unsigned>*>(out)->insert(
          static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
  }

  static HMODULE Module;
};
HMODULE ProgramResources::Module = nullptr;

std::uint32_t U32(const std::string& s, std::size_t at) {
  std::uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}
std::uint16_t U16(const std::string& s, std::size_t at) {
  std::uint16_t v;
  std::memcpy(&v, s.data() + at, 2);
  return v;
}

constexpr WORD Neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
constexpr WORD PortugueseBrazil = 1046;

TEST_F(ProgramResources, FormDefinitionIsFoundByTheClassNameInAnyCase) {
  std::string form = Bytes(RT_RCDATA, "TMAINFORM", Neutral);
  ASSERT_EQ(form.size(), 884u);
  EXPECT_EQ(form, Bytes(RT_RCDATA, "TMainForm", Neutral));
  EXPECT_EQ(form.substr(0, 23), std::string("TPF0\x09TMainForm\x08MainForm", 23));
  EXPECT_EQ(form.substr(form.size() - 4), std::string(4, '\0'));
  // The label's caption: one short String with the 0xE0 byte and bare line feeds.
  std::string caption =
      "Programa exemplo de como tocar sons \xE0 partir de recursos.\n\nfeito por\n Dorvane";
  std::string encoded = std::string("\x07" "Caption\x06", 9) + char(caption.size()) + caption;
  EXPECT_NE(form.find(encoded), std::string::npos);
  EXPECT_EQ(Languages(RT_RCDATA, "TMAINFORM"), std::vector<WORD>{Neutral});
}

TEST_F(ProgramResources, SoundsAreWaveFilesWithAPaddedOddDataChunk) {
  struct {
    LPCSTR Name;
    std::size_t FileSize, DataSize;
  } sounds[] = {{MAKEINTRESOURCEA(100), 10026, 9981}, {"SONDREL2", 5212, 5167}};
  for (const auto& s : sounds) {
    std::string wave = Bytes("WAVE", s.Name, Neutral);
    ASSERT_EQ(wave.size(), s.FileSize);
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(wave, 4), s.FileSize - 8);
    EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(wave, 16), 16u);
    EXPECT_EQ(U16(wave, 20), 1);       // PCM
    EXPECT_EQ(U16(wave, 22), 1);       // mono
    EXPECT_EQ(U32(wave, 24), 11025u);  // samples per second
    EXPECT_EQ(U32(wave, 28), 11025u);  // bytes per second
    EXPECT_EQ(U16(wave, 32), 1);       // block align
    EXPECT_EQ(U16(wave, 34), 8);       // bits per sample
    EXPECT_EQ(wave.substr(36, 4), "data");
    EXPECT_EQ(U32(wave, 40), s.DataSize);
    EXPECT_EQ(44 + s.DataSize + 1, s.FileSize);  // one pad byte ends the file
    // A tone, not silence: the samples swing well away from the midpoint.
    int low = 255, high = 0;
    for (std::size_t i = 44; i < 44 + s.DataSize; ++i) {
      low = std::min(low, int(static_cast<unsigned char>(wave[i])));
      high = std::max(high, int(static_cast<unsigned char>(wave[i])));
    }
    EXPECT_LT(low, 100);
    EXPECT_GT(high, 156);
  }
}

TEST_F(ProgramResources, IconIsOne16ColourImageInBrazilianPortuguese) {
  EXPECT_EQ(Languages(RT_GROUP_ICON, "MAINICON"), std::vector<WORD>{PortugueseBrazil});
  std::string group = Bytes(RT_GROUP_ICON, "MAINICON", PortugueseBrazil);
  ASSERT_EQ(group.size(), 6u + 14u);
  EXPECT_EQ(U16(group, 2), 1);  // icon
  EXPECT_EQ(U16(group, 4), 1);  // one image
  EXPECT_EQ(U16(group, 6 + 12), 1);  // image identifier
  std::string image = Bytes(RT_ICON, MAKEINTRESOURCEA(1), PortugueseBrazil);
  ASSERT_EQ(image.size(), 744u);
  EXPECT_EQ(U32(image, 0), 40u);
  EXPECT_EQ(U32(image, 4), 32u);
  EXPECT_EQ(U32(image, 8), 64u);  // image and mask
  EXPECT_EQ(U16(image, 12), 1);
  EXPECT_EQ(U16(image, 14), 4);
  EXPECT_EQ(IntegerNames(RT_ICON), std::set<unsigned>{1});
}

TEST_F(ProgramResources, CursorsHaveTheirImagesAndHotSpots) {
  struct {
    unsigned Group, Image, HotX, HotY;
  } cursors[] = {{32762, 6, 0, 0},   {32763, 1, 0, 0}, {32764, 2, 14, 12},
                 {32765, 3, 16, 14}, {32766, 4, 0, 0}, {32767, 5, 2, 2}};
  EXPECT_EQ(IntegerNames(RT_GROUP_CURSOR),
            (std::set<unsigned>{32762, 32763, 32764, 32765, 32766, 32767}));
  EXPECT_EQ(IntegerNames(RT_CURSOR), (std::set<unsigned>{1, 2, 3, 4, 5, 6}));
  for (const auto& c : cursors) {
    SCOPED_TRACE(c.Group);
    std::string group = Bytes(RT_GROUP_CURSOR, MAKEINTRESOURCEA(c.Group), Neutral);
    ASSERT_EQ(group.size(), 6u + 14u);
    EXPECT_EQ(U16(group, 2), 2);  // cursor
    EXPECT_EQ(U16(group, 6 + 12), c.Image);
    std::string image = Bytes(RT_CURSOR, MAKEINTRESOURCEA(c.Image), Neutral);
    ASSERT_EQ(image.size(), 308u);
    EXPECT_EQ(U16(image, 0), c.HotX);
    EXPECT_EQ(U16(image, 2), c.HotY);
    EXPECT_EQ(U32(image, 4), 40u);
    EXPECT_EQ(U32(image, 12), 64u);
    EXPECT_EQ(U16(image, 18), 1);  // monochrome
  }
}

TEST_F(ProgramResources, StringTablesAreNeutralAndBlock4092IsAbsent) {
  std::set<unsigned> blocks = IntegerNames(RT_STRING);
  ASSERT_FALSE(blocks.empty());
  for (unsigned block : blocks) {
    SCOPED_TRACE(block);
    EXPECT_TRUE((block >= 3841 && block <= 3853) || (block >= 4089 && block <= 4095));
    EXPECT_EQ(Languages(RT_STRING, MAKEINTRESOURCEA(block)), std::vector<WORD>{Neutral});
  }
  EXPECT_EQ(blocks.count(4092), 0u);
  EXPECT_EQ(blocks.count(3841), 1u);
  EXPECT_EQ(blocks.count(3853), 1u);
  EXPECT_EQ(blocks.count(4095), 1u);

  char text[1024];
  EXPECT_EQ(LoadStringA(Module, 65460, text, sizeof text), 0);
  struct {
    UINT Id;
    const char* Text;
  } samples[] = {{61440, "Cannot assign a %s to a %s"},
                 {61457, "''%s'' is not a valid component name"},
                 {61575, "BkSp"},
                 {61592, "Alt+"},
                 {61632, "Menu '%s' is already being used by another form"},
                 {65438, "Exception %s in module %s at %p.\n%s%s"},
                 {65452, "External exception %x"},
                 {65472, "Jan"},
                 {65499, "December"},
                 {65504, "Sun"},
                 {65517, "Saturday"}};
  for (const auto& s : samples) {
    int n = LoadStringA(Module, s.Id, text, sizeof text);
    EXPECT_EQ(std::string(text, n > 0 ? n : 0), s.Text) << s.Id;
  }
  for (UINT absent : {65453u, 65471u, 65484u, 65487u, 65500u, 65503u, 65518u, 65519u})
    EXPECT_EQ(LoadStringA(Module, absent, text, sizeof text), 0) << absent;
}

}  // namespace

