// Icons: the icon file format in and out, real pictures drawn through a
// canvas, and images shared between icons.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Graphic.h"
#include "GraphicsTestSupport.h"
#include "TestSupport.h"

namespace icon_test {

constexpr WORD kPortugueseBrazil = 1046;
constexpr COLORREF kBackground = RGB(0x12, 0x34, 0x56);
const std::string kSixZeros(6, '\0');

std::string Resource(LPCSTR type, LPCSTR name) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceExA(module, type, name, kPortugueseBrazil);
  if (!info) return {};
  return std::string(static_cast<const char*>(LockResource(LoadResource(module, info))),
                     SizeofResource(module, info));
}

// The program's icon as an icon file: the group's header and its one entry,
// with the image offset in place of the image identifier, then the image.
std::string MainIconFile() {
  const std::string group = Resource(RT_GROUP_ICON, "MAINICON");
  const std::string image = Resource(RT_ICON, MAKEINTRESOURCEA(1));
  if (group.size() != 6 + 14 || image.size() != 744) return {};
  const std::uint32_t offset = 22;
  return group.substr(0, 18) + std::string(reinterpret_cast<const char*>(&offset), 4) + image;
}

// The little-endian number of `size` bytes at `at`.
std::uint32_t Number(const std::string& s, std::size_t at, std::size_t size) {
  std::uint32_t v = 0;
  std::memcpy(&v, s.data() + at, size);
  return v;
}

std::string Contents(TMemoryStream& stream) {
  return std::string(static_cast<const char*>(stream.Memory()), stream.Size());
}

void LoadBytes(TIcon& icon, const std::string& bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  stream.SetPosition(0);
  icon.LoadFromStream(stream);
}

std::string Encoded(TIcon& icon) {
  TMemoryStream stream;
  EncodeIconStream(stream, icon.Handle());
  return Contents(stream);
}

bool IconAlive(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return false;
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return true;
}

// An icon drawn at (0, 0) on a bitmap of the system icon size filled with
// the background colour.
struct TDrawnIcon {
  explicit TDrawnIcon(TIcon& icon)
      : Bitmap(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)) {
    Bitmap.Fill(kBackground);
    TCanvas canvas;
    canvas.SetHandle(Bitmap.DC);
    icon.Draw(canvas, RECT{0, 0, Bitmap.Width, Bitmap.Height});
    canvas.SetHandle(nullptr);
  }
  // The pixel (x, y) of the 32x32 picture, wherever the system size puts it.
  COLORREF At(int x, int y) const {
    return Bitmap.Pixel(x * Bitmap.Width / 32 + Bitmap.Width / 64,
                        y * Bitmap.Height / 32 + Bitmap.Height / 64);
  }
  TBitmapContext Bitmap;
};

// --- The stream format -------------------------------------------------------------------

TEST(IconStream, SixZeroBytesStandForTheStockIconAndBadHeadersKeepTheOldPicture) {
  {
    TIcon icon, byHandle;
    EXPECT_TRUE(icon.Empty());
    LoadBytes(icon, kSixZeros);
    EXPECT_EQ(icon.Handle(), StockApplicationIcon());
    const TIconImage* image = icon.Image();
    EXPECT_RAISES(EInvalidGraphic, LoadBytes(icon, std::string("\0\0\2\0\1\0", 6)), "Icon image is not valid");
    EXPECT_RAISES(EReadError, LoadBytes(icon, std::string(5, '\0')), "Stream read error");
    EXPECT_RAISES(EReadError, LoadBytes(icon, std::string()), "Stream read error");
    EXPECT_EQ(icon.Image(), image);
    TMemoryStream saved, again;
    icon.SaveToStream(saved);
    EXPECT_EQ(Contents(saved), kSixZeros);
    byHandle.SetHandle(StockApplicationIcon());
    byHandle.SaveToStream(again);
    EXPECT_EQ(Contents(again), kSixZeros);
  }
  EXPECT_TRUE(IconAlive(StockApplicationIcon()));  // the platform's, never destroyed
}

TEST(IconStream, ChooseIconEntryPrefersTheDisplayColourCountThenTheRichestItCanShow) {
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(DisplayColorCount(), bits >= 24 ? 0 : 1 << bits) << bits << " bits per pixel";  // 0: true colour
  const struct {
    std::vector<std::uint16_t> Counts;
    std::uint16_t Display;
    int Chosen;
  } cases[] = {{{16, 256, 2}, 256, 1}, {{16, 256, 2}, 16, 0}, {{16, 256, 2}, 8, 2},  // the only one it can show
               {{16}, 256, 0},         {{2, 256}, 16, 0},    {{16, 256}, 0, 1},    {{0, 2}, 0, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(ChooseIconEntry(c.Counts.data(), static_cast<int>(c.Counts.size()), c.Display), c.Chosen)
        << c.Counts.size() << " images, display " << c.Display;
}

// --- Pictures ----------------------------------------------------------------------------

TEST(Icon, ProgramIconDrawsItsPictureThroughTheMaskAndItsHandleEncodesToTheSamePixels) {
  const std::string file = MainIconFile();
  ASSERT_EQ(file.size(), 22u + 744u);
  TIcon icon;
  LoadBytes(icon, file);
  EXPECT_NE(icon.Handle(), StockApplicationIcon());
  TDrawnIcon drawn(icon);
  const struct {
    int X, Y;
    COLORREF Color;
  } expected[] = {
      {1, 1, kBackground}, {30, 30, kBackground}, {0, 15, kBackground},  // outside the disc
      {1, 15, RGB(128, 128, 128)}, {3, 15, RGB(0, 0, 255)},  // the disc's rim and inside
      {5, 15, RGB(0, 0, 0)}, {7, 15, RGB(192, 192, 192)},    // the speaker's box
      {12, 15, RGB(255, 255, 255)},                          // the cone
      {21, 16, RGB(255, 255, 0)}, {25, 16, RGB(0, 255, 255)}};  // the waves
  for (const auto& e : expected) EXPECT_EQ(drawn.At(e.X, e.Y), e.Color) << e.X << "," << e.Y;
  TMemoryStream saved;
  icon.SaveToStream(saved);
  EXPECT_EQ(Contents(saved), file);
  // The handle encoded anew: one 32x32 image of 16 colours (the word the
  // decoder matches against the display), 744 bytes at 22, image and mask.
  const std::string bytes = Encoded(icon);
  ASSERT_EQ(bytes.size(), 22u + 40u + 64u + 512u + 128u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\0\0\1\0\1\0\x20\x20", 8));
  for (auto [at, size, value] : {std::array<unsigned, 3>{8, 2, 16}, {14, 4, 744}, {18, 4, 22}, {30, 4, 64}, {36, 2, 4}})
    EXPECT_EQ(Number(bytes, at, size), value) << "at " << at;
  TIcon copy;
  LoadBytes(copy, bytes);
  TDrawnIcon decoded(copy);
  int differences = 0;
  for (int y = 0; y < drawn.Bitmap.Height; ++y)
    for (int x = 0; x < drawn.Bitmap.Width; ++x) differences += drawn.Bitmap.Pixel(x, y) != decoded.Bitmap.Pixel(x, y);
  EXPECT_EQ(differences, 0);
}

TEST(Icon, SixteenBitImagesAreDecoded) {
  // One 32x32 image of 16 bits per pixel (5-5-5), all red, with an opaque mask.
  BITMAPINFOHEADER header{sizeof header, 32, 64, 1, 16, BI_RGB, 0, 0, 0, 0, 0};
  const std::uint32_t size = sizeof header + 32 * 64 + 32 * 4, offset = 22;
  std::string file("\0\0\1\0\1\0\x20\x20\0\0\1\0\x10\0", 14);
  file += std::string(reinterpret_cast<const char*>(&size), 4) +
          std::string(reinterpret_cast<const char*>(&offset), 4) +
          std::string(reinterpret_cast<const char*>(&header), sizeof header);
  for (int i = 0; i < 32 * 32; ++i) file += std::string("\x00\x7C", 2);
  file += std::string(32 * 4, '\0');
  TIcon icon;
  LoadBytes(icon, file);
  TDrawnIcon drawn(icon);
  const COLORREF pixel = drawn.At(16, 16);
  EXPECT_GE(GetRValue(pixel), 0xF0) << std::hex << pixel;
  EXPECT_EQ(GetGValue(pixel) + GetBValue(pixel), 0) << std::hex << pixel;
}

TEST(Icon, SharersKeepTheirHandleWhenOneTakesAnother) {
  HICON first = CopyIcon(StockApplicationIcon()), second = CopyIcon(StockApplicationIcon());
  ASSERT_TRUE(first && second);
  {
    TIcon a;
    a.SetHandle(first);
    {
      TIcon b;
      b.AssignFrom(&a);
      EXPECT_EQ(b.Image(), a.Image());
      EXPECT_EQ(a.Image()->RefCount, 2);
      a.SetHandle(second);
      EXPECT_EQ(a.Handle(), second);
      EXPECT_EQ(b.Handle(), first);
      EXPECT_TRUE(IconAlive(first));
      EXPECT_EQ(b.Image()->RefCount, 1);
    }
    EXPECT_FALSE(IconAlive(first));  // gone with its last sharer
    EXPECT_TRUE(IconAlive(second));
  }
  EXPECT_FALSE(IconAlive(second));
}

TEST(IconHandles, TwoHundredLoadDrawDestroyCyclesLeaveTheCounts) {
  const std::string file = MainIconFile();
  ASSERT_FALSE(file.empty());
  TBitmapContext bitmap(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  TCanvas canvas;
  canvas.SetHandle(bitmap.DC);
  const long gdi = GuiResources(GR_GDIOBJECTS), user = GuiResources(GR_USEROBJECTS),
             table = GdiTableCount();
  int alive = 0;
  for (int i = 0; i < 200; ++i) {
    HICON handle;
    {
      TIcon icon;
      LoadBytes(icon, file);
      icon.Draw(canvas, RECT{0, 0, 32, 32});
      handle = icon.Handle();
      Encoded(icon);
    }
    alive += IconAlive(handle);
  }
  canvas.SetHandle(nullptr);
  const long gdiAfter = GuiResources(GR_GDIOBJECTS), userAfter = GuiResources(GR_USEROBJECTS),
             tableAfter = GdiTableCount();
  std::printf("Icon cycles: GetGuiResources GDI %ld -> %ld, USER %ld -> %ld; GDI table %ld -> %ld\n", gdi,
              gdiAfter, user, userAfter, table, tableAfter);
  EXPECT_EQ(alive, 0);
  EXPECT_LE(gdiAfter, gdi);
  EXPECT_LE(userAfter, user);
  EXPECT_LE(tableAfter, table);
}

}  // namespace icon_test
