// The resource inventory of the built program, read from sondrel.exe itself,
// whose path is the first argument.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "Runtime.h"
#include "TestSupport.h"

namespace {

std::string Program;

constexpr WORD Neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), PortugueseBrazil = 1046;

class ProgramResources : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Module = LoadLibraryExA(Program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(Module, nullptr) << Program;
  }
  static void TearDownTestSuite() { FreeLibrary(Module); }

  static std::string Bytes(LPCSTR type, LPCSTR name, WORD language = Neutral) {
    HRSRC info = FindResourceExA(Module, type, name, language);
    if (!info) return {};
    return std::string(static_cast<const char*>(LockResource(LoadResource(Module, info))),
                       SizeofResource(Module, info));
  }
  static std::vector<WORD> Languages(LPCSTR type, LPCSTR name) {
    std::vector<WORD> result;
    EnumResourceLanguagesA(Module, type, name, AddLanguage, reinterpret_cast<LONG_PTR>(&result));
    return result;
  }
  static BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
    reinterpret_cast<std::vector<WORD>*>(out)->push_back(language);
    return TRUE;
  }
  static std::set<unsigned> IntegerNames(LPCSTR type) {
    std::set<unsigned> names;
    EnumResourceNamesA(Module, type, AddIntegerName, reinterpret_cast<LONG_PTR>(&names));
    return names;
  }
  static BOOL CALLBACK AddIntegerName(HMODULE, LPCSTR, LPSTR name, LONG_PTR out) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::set<unsigned>*>(out)->insert(LOWORD(name));
    return TRUE;
  }

  static HMODULE Module;
};
HMODULE ProgramResources::Module = nullptr;

// The little-endian number of `size` bytes at `at`.
std::uint32_t Number(const std::string& s, std::size_t at, std::size_t size) {
  std::uint32_t v = 0;
  std::memcpy(&v, s.data() + at, size);
  return v;
}

// Fields of a binary header: (offset, size in bytes, value).
struct TField {
  std::size_t At, Size;
  std::uint32_t Value;
};
testing::AssertionResult HasFields(const std::string& data, std::initializer_list<TField> fields) {
  for (const TField& f : fields)
    if (data.size() < f.At + f.Size || Number(data, f.At, f.Size) != f.Value)
      return testing::AssertionFailure() << "at " << f.At << ": "
                                         << (data.size() < f.At + f.Size ? 0 : Number(data, f.At, f.Size))
                                         << " instead of " << f.Value;
  return testing::AssertionSuccess();
}

TEST_F(ProgramResources, FormDefinitionIsFoundByTheClassNameInAnyCase) {
  std::string form = Bytes(RT_RCDATA, "TMAINFORM");
  ASSERT_EQ(form.size(), 884u);
  EXPECT_EQ(form, Bytes(RT_RCDATA, "TMainForm"));
  EXPECT_EQ(form.substr(0, 23), std::string("TPF0\x09TMainForm\x08MainForm", 23));
  EXPECT_EQ(form.substr(form.size() - 4), std::string(4, '\0'));
  // The label's caption: one short String with the 0xE0 byte and bare line feeds.
  std::string caption = "Programa exemplo de como tocar sons \xE0 partir de recursos.\n\nfeito por\n Dorvane";
  EXPECT_NE(form.find(std::string("\x07" "Caption\x06", 9) + char(caption.size()) + caption), std::string::npos);
  EXPECT_EQ(Languages(RT_RCDATA, "TMAINFORM"), std::vector<WORD>{Neutral});
}

TEST_F(ProgramResources, SoundsAreWaveFilesWithAPaddedOddDataChunk) {
  struct {
    LPCSTR Name;
    std::uint32_t FileSize, DataSize;
  } sounds[] = {{MAKEINTRESOURCEA(100), 10026, 9981}, {"SONDREL2", 5212, 5167}};
  for (const auto& s : sounds) {
    std::string wave = Bytes("WAVE", s.Name);
    ASSERT_EQ(wave.size(), s.FileSize);
    EXPECT_EQ(wave.substr(0, 4) + wave.substr(8, 8) + wave.substr(36, 4), "RIFFWAVEfmt data");
    // PCM, mono, 11025 samples and bytes per second, 1-byte blocks of 8 bits;
    // one pad byte ends the file.
    EXPECT_TRUE(HasFields(wave, {{4, 4, s.FileSize - 8}, {16, 4, 16}, {20, 2, 1}, {22, 2, 1}, {24, 4, 11025},
                                 {28, 4, 11025}, {32, 2, 1}, {34, 2, 8}, {40, 4, s.DataSize}}));
    EXPECT_EQ(44 + s.DataSize + 1, s.FileSize);
    // A tone, not silence: the samples swing well away from the midpoint.
    const std::basic_string<unsigned char> samples(wave.begin() + 44, wave.begin() + 44 + s.DataSize);
    EXPECT_LT(*std::min_element(samples.begin(), samples.end()), 100);
    EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 156);
  }
}

TEST_F(ProgramResources, IconIsOne16ColourImageInBrazilianPortuguese) {
  EXPECT_EQ(Languages(RT_GROUP_ICON, "MAINICON"), std::vector<WORD>{PortugueseBrazil});
  std::string group = Bytes(RT_GROUP_ICON, "MAINICON", PortugueseBrazil);
  ASSERT_EQ(group.size(), 6u + 14u);
  EXPECT_TRUE(HasFields(group, {{2, 2, 1}, {4, 2, 1}, {6 + 12, 2, 1}}));  // an icon, one image, image 1
  std::string image = Bytes(RT_ICON, MAKEINTRESOURCEA(1), PortugueseBrazil);
  ASSERT_EQ(image.size(), 744u);
  EXPECT_TRUE(HasFields(image, {{0, 4, 40}, {4, 4, 32}, {8, 4, 64}, {12, 2, 1}, {14, 2, 4}}));  // image and mask
  EXPECT_EQ(IntegerNames(RT_ICON), std::set<unsigned>{1});
}

TEST_F(ProgramResources, CursorsHaveTheirImagesAndHotSpots) {
  struct {
    unsigned Group, Image, HotX, HotY;
  } cursors[] = {{32762, 6, 0, 0},   {32763, 1, 0, 0}, {32764, 2, 14, 12},
                 {32765, 3, 16, 14}, {32766, 4, 0, 0}, {32767, 5, 2, 2}};
  EXPECT_EQ(IntegerNames(RT_GROUP_CURSOR), (std::set<unsigned>{32762, 32763, 32764, 32765, 32766, 32767}));
  EXPECT_EQ(IntegerNames(RT_CURSOR), (std::set<unsigned>{1, 2, 3, 4, 5, 6}));
  for (const auto& c : cursors) {
    std::string group = Bytes(RT_GROUP_CURSOR, MAKEINTRESOURCEA(c.Group));
    ASSERT_EQ(group.size(), 6u + 14u) << c.Group;
    EXPECT_TRUE(HasFields(group, {{2, 2, 2}, {6 + 12, 2, c.Image}})) << c.Group;  // a cursor
    std::string image = Bytes(RT_CURSOR, MAKEINTRESOURCEA(c.Image));
    ASSERT_EQ(image.size(), 308u) << c.Group;
    EXPECT_TRUE(HasFields(image, {{0, 2, c.HotX}, {2, 2, c.HotY}, {4, 4, 40}, {12, 4, 64}, {18, 2, 1}}))
        << c.Group;  // monochrome
  }
}

TEST_F(ProgramResources, StringTablesAreNeutralAndBlock4092IsAbsent) {
  std::set<unsigned> blocks = IntegerNames(RT_STRING);
  ASSERT_FALSE(blocks.empty());
  for (unsigned block : blocks) {
    EXPECT_TRUE((block >= 3841 && block <= 3853) || (block >= 4089 && block <= 4095)) << block;
    EXPECT_EQ(Languages(RT_STRING, MAKEINTRESOURCEA(block)), std::vector<WORD>{Neutral}) << block;
  }
  for (unsigned block : {3841u, 3853u, 4095u}) EXPECT_EQ(blocks.count(block), 1u) << block;
  EXPECT_EQ(blocks.count(4092), 0u);

  char text[1024];
  struct {
    UINT Id;
    const char* Text;
  } samples[] = {{61440, "Cannot assign a %s to a %s"},  {61575, "BkSp"},
                 {61592, "Alt+"},                         {61632, "Menu '%s' is already being used by another form"},
                 {65438, "Exception %s in module %s at %p.\n%s%s"}, {65452, "External exception %x"},
                 {65472, "Jan"},                          {65499, "December"},
                 {65504, "Sun"},                          {65517, "Saturday"}};
  for (const auto& s : samples) {
    const int n = LoadStringA(Module, s.Id, text, sizeof text);
    EXPECT_EQ(std::string(text, n > 0 ? n : 0), s.Text) << s.Id;
  }
  for (UINT absent : {65453u, 65460u, 65471u, 65484u, 65487u, 65500u, 65503u, 65518u, 65519u})
    EXPECT_EQ(LoadStringA(Module, absent, text, sizeof text), 0) << absent;
}

}  // namespace

int main(int argc, char** argv) {
  InitRuntime();
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: app_tests PATH-OF-SONDREL.EXE\n");
    return 2;
  }
  Program = WinePath(argv[1]);
  return RUN_ALL_TESTS();
}
