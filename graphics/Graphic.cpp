#include "Graphic.h"

#include <cstring>
#include <vector>

#include "Filer.h"

SONDREL_CLASS_RECORD(TGraphic, TPersistent, "Graphics");
SONDREL_CLASS_RECORD(TIconImage, TObject, "Graphics");
SONDREL_CLASS_RECORD(TIcon, TGraphic, "Graphics");

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(TResId::InvalidIconImage); }
[[noreturn]] void OutOfResources() { throw EOutOfResources(TResId::OutOfSystemResources); }

#pragma pack(push, 1)
struct TIconHeader {
  std::uint16_t Reserved, Type, Count;
};
struct TIconDirEntry {
  std::uint8_t Width, Height;
  std::uint16_t Colors;
  std::uint16_t Planes, BitCount;
  std::uint32_t Size, Offset;
};
#pragma pack(pop)

bool SameBytes(TMemoryStream& a, TMemoryStream& b) {
  return a.Size() == b.Size() && std::memcmp(a.Memory(), b.Memory(), a.Size()) == 0;
}

// Releases a screen context and the GDI objects made while decoding.
struct TGdiScope {
  HDC Screen = GetDC(nullptr);
  std::vector<HDC> Contexts;
  std::vector<HGDIOBJ> Objects;
  ~TGdiScope() {
    for (HDC dc : Contexts) DeleteDC(dc);
    for (HGDIOBJ o : Objects) DeleteObject(o);
    if (Screen) ReleaseDC(nullptr, Screen);
  }
  template <class T>
  T Keep(T object) {
    if (!object) OutOfResources();
    Objects.push_back(object);
    return object;
  }
  HDC Context() {
    HDC dc = CreateCompatibleDC(Screen);
    if (!dc) OutOfResources();
    Contexts.push_back(dc);
    return dc;
  }
  // Stretches a packed DIB into a new bitmap of the system icon size.
  HBITMAP Stretch(BITMAPINFOHEADER* header, const void* bits, HBITMAP target) {
    HBITMAP source = Keep(CreateDIBitmap(Screen, header, CBM_INIT, bits,
                                         reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS));
    HDC from = Context(), to = Context();
    HGDIOBJ oldFrom = SelectObject(from, source), oldTo = SelectObject(to, target);
    StretchBlt(to, 0, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), from, 0, 0,
               header->biWidth, header->biHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    return target;
  }
};

std::vector<char> BitmapBits(HBITMAP bitmap, BITMAP& info) {
  GetObjectA(bitmap, sizeof info, &info);
  std::vector<char> bits(static_cast<std::size_t>(info.bmWidthBytes) * info.bmHeight);
  GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data());
  return bits;
}

int RowSize(int width, int bits) { return (width * bits + 31) / 32 * 4; }

}  // namespace

// --- TGraphic -------------------------------------------------------------------------

bool TGraphic::Equals(TGraphic& other) {
  if (Empty() || other.Empty()) return Empty() && other.Empty();
  if (ClassType() != other.ClassType()) return false;
  TMemoryStream mine, theirs;
  WriteData(mine);
  other.WriteData(theirs);
  return SameBytes(mine, theirs);
}

void TGraphic::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const String& fileName) {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TGraphic::ReadData(TStream& stream) { LoadFromStream(stream); }

void TGraphic::WriteData(TStream& stream) { SaveToStream(stream); }

void TGraphic::DefineProperties(TFiler& filer) {
  bool hasData;
  if (TPersistent* ancestor = filer.Ancestor())
    hasData = !ancestor->Is<TGraphic>() || !Equals(*static_cast<TGraphic*>(ancestor));
  else
    hasData = !Empty();
  filer.DeclareBinaryProperty("Data", TStreamProc::Of<&TGraphic::ReadData>(this),
                              TStreamProc::Of<&TGraphic::WriteData>(this), hasData);
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange.Assigned()) OnChange(this);
}

// --- Images ---------------------------------------------------------------------------

TIconImage::~TIconImage() {
  // The stock application icon is shared by the platform and never destroyed.
  if (Handle && Handle != StockApplicationIcon()) DestroyIcon(Handle);
}

void TIconImage::Release(TIconImage* image) {
  if (image && --image->RefCount == 0) delete image;
}

// --- TIcon ----------------------------------------------------------------------------

TIcon::TIcon() : FImage(new TIconImage(nullptr, nullptr)) { FImage->Reference(); }

TIcon::~TIcon() { TIconImage::Release(FImage); }

void TIcon::ReplaceImage(HICON handle, std::unique_ptr<TMemoryStream> memory) {
  auto* image = new TIconImage(handle, std::move(memory));
  image->Reference();
  TIconImage::Release(FImage);
  FImage = image;
}

void TIcon::AssignFrom(const TObject* source) {
  if (source && source->Is<TIcon>()) {
    TIconImage* image = static_cast<const TIcon*>(source)->FImage;
    image->Reference();
    TIconImage::Release(FImage);
    FImage = image;
  } else if (!source) {
    ReplaceImage(nullptr, nullptr);
  } else {
    return TGraphic::AssignFrom(source);
  }
  Changed();
}

HICON TIcon::Handle() {
  EnsureHandle();
  return FImage->Handle;
}

void TIcon::SetHandle(HICON handle) {
  ReplaceImage(handle, nullptr);
  Changed();
}

void TIcon::Draw(TCanvas& canvas, const RECT& rect) {
  canvas.RequiredState(TCanvas::csHandleValid);
  DrawIcon(canvas.CurrentHandle(), rect.left, rect.top, Handle());
}

bool TIcon::Empty() const { return !FImage->Handle && !FImage->Memory; }
int TIcon::Height() const { return GetSystemMetrics(SM_CYICON); }
int TIcon::Width() const { return GetSystemMetrics(SM_CXICON); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation(TResId::CannotResizeIcon); }
void TIcon::SetWidth(int) { throw EInvalidGraphicOperation(TResId::CannotResizeIcon); }
void TIcon::LoadFromClipboardFormat() { throw EInvalidGraphicOperation(TResId::ClipboardNoIcons); }
void TIcon::SaveToClipboardFormat() { throw EInvalidGraphicOperation(TResId::ClipboardNoIcons); }

void TIcon::LoadFromStream(TStream& stream) {
  auto memory = std::make_unique<TMemoryStream>();
  std::int32_t available = stream.Size() - stream.Position();
  memory->SetSizeDiscarding(available > 0 ? available : 0);
  stream.ReadBuffer(memory->Memory(), memory->Size());
  TIconHeader header;
  memory->ReadBuffer(&header, sizeof header);
  if (header.Type >= 2) InvalidIcon();
  ReplaceImage(nullptr, std::move(memory));
  Changed();
}

void TIcon::SaveToStream(TStream& stream) {
  EnsureImage();
  stream.WriteBuffer(FImage->Memory->Memory(), FImage->Memory->Size());
}

void TIcon::EnsureHandle() {
  if (FImage->Handle || !FImage->Memory) return;
  TMemoryStream& memory = *FImage->Memory;
  memory.SetPosition(0);
  TIconHeader header;
  memory.ReadBuffer(&header, sizeof header);
  if (header.Type == 0)
    FImage->Handle = StockApplicationIcon();
  else if (header.Type == 1)
    FImage->Handle = DecodeIconStream(memory, header.Count);
  else
    InvalidIcon();
}

void TIcon::EnsureImage() {
  if (FImage->Memory) return;
  if (!FImage->Handle) InvalidIcon();
  auto memory = std::make_unique<TMemoryStream>();
  if (FImage->Handle == StockApplicationIcon()) {
    const TIconHeader stock{0, 0, 0};
    memory->WriteBuffer(&stock, sizeof stock);
  } else {
    EncodeIconStream(*memory, FImage->Handle);
  }
  FImage->Memory = std::move(memory);
}

// --- Icon stream coding -----------------------------------------------------------------

std::uint16_t DisplayColorCount() {
  HDC screen = GetDC(nullptr);
  int n = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  // 0 stands for true colour, as in icon directories.
  return n >= 24 ? 0 : static_cast<std::uint16_t>(1u << n);
}

int ChooseIconEntry(const std::uint16_t* colorCounts, int count, std::uint16_t displayColors) {
  for (int i = 0; i < count; ++i)
    if (colorCounts[i] == displayColors) return i;
  // Otherwise the image with the most colours that the display can show (a
  // true-colour display, 0, shows any); the first image when none fits.
  int candidate = -1;
  for (int i = 0; i < count; ++i) {
    bool fits = displayColors == 0 || colorCounts[i] <= displayColors;
    if (fits && (candidate < 0 || colorCounts[i] > colorCounts[candidate])) candidate = i;
  }
  return candidate < 0 ? 0 : candidate;
}

HICON DecodeIconStream(TStream& stream, int count) {
  if (count <= 0) InvalidIcon();
  std::vector<TIconDirEntry> directory(count);
  stream.ReadBuffer(directory.data(), static_cast<std::int32_t>(count * sizeof(TIconDirEntry)));
  std::vector<std::uint16_t> colors(count);
  for (int i = 0; i < count; ++i) colors[i] = directory[i].Colors;
  const TIconDirEntry& entry = directory[ChooseIconEntry(colors.data(), count, DisplayColorCount())];

  stream.Reposition(static_cast<std::int32_t>(entry.Offset - sizeof(TIconHeader) - count * sizeof(TIconDirEntry)),
                    soFromCurrent);
  if (entry.Size < sizeof(BITMAPINFOHEADER) || entry.Size > 4 * 1024 * 1024) InvalidIcon();
  std::vector<char> data(entry.Size);
  stream.ReadSome(data.data(), static_cast<std::int32_t>(data.size()));

  // The image must describe itself within the bytes it came with.
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(data.data());
  const int bits = header->biBitCount;
  const int width = header->biWidth, height = header->biHeight / 2;
  // 16- and 32-bit images may carry three colour masks instead of a table.
  const bool masks = header->biCompression == BI_BITFIELDS && (bits == 16 || bits == 32);
  if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biSize > entry.Size || header->biPlanes != 1 ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
      (header->biCompression != BI_RGB && !masks) || width <= 0 || width > 256 || height <= 0 ||
      height > 256)
    InvalidIcon();
  const std::size_t tableSize = bits <= 8 ? (std::size_t{1} << bits) * 4 : masks ? 12 : 0;
  const std::size_t colorSize = static_cast<std::size_t>(RowSize(width, bits)) * height;
  const std::size_t maskSize = static_cast<std::size_t>(RowSize(width, 1)) * height;
  if (header->biSize + tableSize + colorSize + maskSize > entry.Size) InvalidIcon();

  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  TGdiScope gdi;
  if (!gdi.Screen) OutOfResources();
  char* colorBits = data.data() + header->biSize + tableSize;
  char* maskBits = colorBits + colorSize;
  header->biHeight = height;
  header->biSizeImage = static_cast<DWORD>(colorSize);
  HBITMAP color = gdi.Stretch(header, colorBits, gdi.Keep(CreateCompatibleBitmap(gdi.Screen, cx, cy)));

  header->biBitCount = 1;
  header->biCompression = BI_RGB;
  header->biSizeImage = static_cast<DWORD>(maskSize);
  header->biClrUsed = header->biClrImportant = 2;
  auto* table = reinterpret_cast<std::uint32_t*>(data.data() + header->biSize);
  table[0] = 0x000000;
  table[1] = 0xFFFFFF;
  HBITMAP mask = gdi.Stretch(header, maskBits, gdi.Keep(CreateBitmap(cx, cy, 1, 1, nullptr)));

  BITMAP colorInfo, maskInfo;
  std::vector<char> colorPixels = BitmapBits(color, colorInfo);
  std::vector<char> maskPixels = BitmapBits(mask, maskInfo);
  HICON icon = CreateIcon(GetModuleHandleA(nullptr), cx, cy, static_cast<BYTE>(colorInfo.bmPlanes),
                          static_cast<BYTE>(colorInfo.bmBitsPixel),
                          reinterpret_cast<const BYTE*>(maskPixels.data()),
                          reinterpret_cast<const BYTE*>(colorPixels.data()));
  if (!icon) OutOfResources();
  return icon;
}

void EncodeIconStream(TStream& stream, HICON icon) {
  ICONINFO info{};
  GetIconInfo(icon, &info);
  struct TOwned {
    HBITMAP Bitmap;
    ~TOwned() {
      if (Bitmap) DeleteObject(Bitmap);
    }
  } colorBitmap{info.hbmColor}, maskBitmap{info.hbmMask};

  BITMAP bm{};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  const int width = bm.bmWidth, height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;

  struct {
    BITMAPINFOHEADER Header;
    RGBQUAD Table[256];
  } color{}, mask{};
  auto describe = [&](BITMAPINFOHEADER& h, int bits) {
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biSizeImage = static_cast<DWORD>(RowSize(width, bits) * height);
  };
  describe(color.Header, 4);
  describe(mask.Header, 1);
  std::vector<char> colorBits(color.Header.biSizeImage), maskBits(mask.Header.biSizeImage);

  HWND focus = GetFocus();
  HDC dc = GetDC(focus);
  if (info.hbmColor)
    GetDIBits(dc, info.hbmColor, 0, height, colorBits.data(), reinterpret_cast<BITMAPINFO*>(&color),
              DIB_RGB_COLORS);
  GetDIBits(dc, info.hbmMask, 0, height, maskBits.data(), reinterpret_cast<BITMAPINFO*>(&mask),
            DIB_RGB_COLORS);
  ReleaseDC(focus, dc);

  const std::uint32_t headerAndTable = sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD);
  const TIconHeader header{0, 1, 1};
  const TIconDirEntry entry{static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height),
                            static_cast<std::uint16_t>(1u << color.Header.biBitCount),
                            0, 0,
                            headerAndTable + static_cast<std::uint32_t>(colorBits.size() + maskBits.size()),
                            sizeof(TIconHeader) + sizeof(TIconDirEntry)};
  stream.WriteBuffer(&header, sizeof header);
  stream.WriteBuffer(&entry, sizeof entry);
  color.Header.biHeight *= 2;
  stream.WriteBuffer(&color, static_cast<std::int32_t>(headerAndTable));
  stream.WriteBuffer(colorBits.data(), static_cast<std::int32_t>(colorBits.size()));
  stream.WriteBuffer(maskBits.data(), static_cast<std::int32_t>(maskBits.size()));
}
