#include "GraphicsObjects.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Registry.h"

namespace {
const char* const FontPitchNames[] = {"fpDefault", "fpVariable", "fpFixed"};
const char* const FontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
const char* const PenStyleNames[] = {"psSolid", "psDash",  "psDot",        "psDashDot",
                                     "psDashDotDot", "psClear", "psInsideFrame"};
const char* const PenModeNames[] = {"pmBlack",      "pmWhite",       "pmNop",        "pmNot",
                                    "pmCopy",       "pmNotCopy",     "pmMergePenNot", "pmMaskPenNot",
                                    "pmMergeNotPen", "pmMaskNotPen", "pmMerge",      "pmNotMerge",
                                    "pmMask",       "pmNotMask",     "pmXor",        "pmNotXor"};
const char* const BrushStyleNames[] = {"bsSolid",     "bsClear",     "bsHorizontal", "bsVertical",
                                       "bsFDiagonal", "bsBDiagonal", "bsCross",      "bsDiagCross"};
}  // namespace

constinit const TTypeInfo FontNameTypeInfo = ShortTextType("TFontName", 31);
constinit const TTypeInfo FontPitchTypeInfo = EnumType("TFontPitch", FontPitchNames);
constinit const TTypeInfo FontStyleTypeInfo = EnumType("TFontStyle", FontStyleNames);
constinit const TTypeInfo FontStylesTypeInfo = SetType("TFontStyles", FontStyleTypeInfo);
constinit const TTypeInfo PenStyleTypeInfo = EnumType("TPenStyle", PenStyleNames);
constinit const TTypeInfo PenModeTypeInfo = EnumType("TPenMode", PenModeNames);
constinit const TTypeInfo BrushStyleTypeInfo = EnumType("TBrushStyle", BrushStyleNames);

int PenModeRop2(TPenMode mode) {
  static const int rops[] = {R2_BLACK,       R2_WHITE,       R2_NOP,         R2_NOT,
                             R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                             R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,    R2_NOTMERGEPEN,
                             R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};
  return rops[mode & 15];
}

// --- Start-up state -----------------------------------------------------------------

namespace {

struct TGraphicsState {
  int PixelsPerInch = 96;
  HGDIOBJ StockPen = nullptr, StockBrush = nullptr, StockFont = nullptr;
  HICON ApplicationIcon = nullptr;
  TFontDescription DefaultFont{};
  std::unique_ptr<TResourceManager> Fonts, Pens, Brushes;
};

TGraphicsState& State() {
  static TGraphicsState state;
  return state;
}

void SetShortName(char (&field)[32], const char* name, std::size_t length) {
  std::memset(field, 0, sizeof field);
  if (length > 31) length = 31;
  field[0] = static_cast<char>(length);
  std::memcpy(field + 1, name, length);
}

// The character set of the stock system font, for double-byte systems.
TFontCharset SystemFontCharset() {
  TFontCharset charset = DEFAULT_CHARSET;
  if (HDC dc = GetDC(nullptr)) {
    HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics;
    if (old && GetTextMetricsA(dc, &metrics)) charset = metrics.tmCharSet;
    if (old) SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  return charset;
}

}  // namespace

int ScreenPixelsPerInch() { return State().PixelsPerInch; }
HGDIOBJ StockPen() { return State().StockPen; }
HGDIOBJ StockBrush() { return State().StockBrush; }
HGDIOBJ StockFont() { return State().StockFont; }
HICON StockApplicationIcon() { return State().ApplicationIcon; }
const TFontDescription& DefaultFontDescription() { return State().DefaultFont; }
TResourceManager& FontManager() { return *State().Fonts; }
TResourceManager& PenManager() { return *State().Pens; }
TResourceManager& BrushManager() { return *State().Brushes; }

void InitGraphics() {
  TGraphicsState& s = State();
  if (s.Fonts) return;
  HDC dc = GetDC(nullptr);
  s.PixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);

  std::memset(&s.DefaultFont, 0, sizeof s.DefaultFont);
  s.DefaultFont.Height = -MulDiv(8, s.PixelsPerInch, 72);
  s.DefaultFont.Pitch = fpDefault;
  s.DefaultFont.Charset = DEFAULT_CHARSET;
  SetShortName(s.DefaultFont.Name, "MS Sans Serif", 13);

  s.StockPen = GetStockObject(BLACK_PEN);
  s.StockBrush = GetStockObject(NULL_BRUSH);
  s.StockFont = GetStockObject(SYSTEM_FONT);

  if (GetSystemMetrics(SM_DBCSENABLED) && SystemFontCharset() == SHIFTJIS_CHARSET) {
    // The Japanese proportional Gothic system font, by its Shift-JIS name.
    static const char gothic[] = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
    SetShortName(s.DefaultFont.Name, gothic, 15);
    s.DefaultFont.Height = -MulDiv(9, s.PixelsPerInch, 72);
    s.DefaultFont.Charset = SHIFTJIS_CHARSET;
  }

  s.ApplicationIcon = LoadIconA(nullptr, IDI_APPLICATION);
  s.Fonts = std::make_unique<TResourceManager>(sizeof(TFontDescription));
  s.Pens = std::make_unique<TResourceManager>(sizeof(TPenDescription));
  s.Brushes = std::make_unique<TResourceManager>(sizeof(TBrushDescription));

  RegisterIdentConverter(&ColorTypeInfo, &IdentifierToColor, &ColorToIdentifier);
  RegisterIdentConverter(&CharsetTypeInfo, &IdentifierToCharset, &CharsetToIdentifier);
}

// --- Caches -----------------------------------------------------------------------------

std::uint16_t DescriptionHash(const void* description, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(description);
  std::uint16_t h = 0;
  for (std::size_t i = 0; i < size; ++i) {
    h = static_cast<std::uint16_t>((h << 5) | (h >> 11));
    h ^= bytes[i];
  }
  return h;
}

TResourceManager::~TResourceManager() {
  while (Head) {
    TResourceEntry* next = Head->Next;
    if (Head->Handle) DeleteObject(Head->Handle);
    std::free(Head);
    Head = next;
  }
}

TResourceEntry* TResourceManager::Acquire(const void* description) {
  std::uint16_t hash = DescriptionHash(description, DescriptionSize);
  TResourceEntry* entry = Head;
  while (entry && !(entry->Hash == hash &&
                    std::memcmp(entry->Description, description, DescriptionSize) == 0))
    entry = entry->Next;
  if (!entry) {
    entry = static_cast<TResourceEntry*>(std::malloc(offsetof(TResourceEntry, Description) + DescriptionSize));
    if (!entry) throw std::bad_alloc();
    entry->RefCount = 0;
    std::uint32_t handle;
    std::memcpy(&handle, description, sizeof handle);  // every description starts with a handle
    entry->Handle = reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(handle));
    entry->Hash = hash;
    std::memcpy(entry->Description, description, DescriptionSize);
    entry->Next = Head;
    Head = entry;
  }
  ++entry->RefCount;
  return entry;
}

void TResourceManager::Release(TResourceEntry* entry) {
  if (!entry || --entry->RefCount > 0) return;
  if (entry->Handle) DeleteObject(entry->Handle);
  TResourceEntry** link = &Head;
  while (*link != entry) link = &(*link)->Next;
  *link = entry->Next;
  std::free(entry);
}

void TResourceManager::DropSystemColorHandles(std::size_t colorOffset) {
  for (TResourceEntry* e = Head; e; e = e->Next) {
    TColor color;
    std::memcpy(&color, e->Description + colorOffset, sizeof color);
    if (color < 0 && e->Handle) {
      DeleteObject(e->Handle);
      e->Handle = nullptr;
    }
  }
}

int TResourceManager::EntryCount() const {
  int n = 0;
  for (TResourceEntry* e = Head; e; e = e->Next) ++n;
  return n;
}

// --- TGraphicsObject ------------------------------------------------------------------

SONDREL_CLASS_RECORD(TGraphicsObject, TPersistent, "Graphics");

TGraphicsObject::TGraphicsObject(TResourceManager& manager, const void* description)
    : FManager(manager), FEntry(manager.Acquire(description)) {}

TGraphicsObject::~TGraphicsObject() { FManager.Release(FEntry); }

void TGraphicsObject::Changed() {
  if (OnChange.Assigned()) OnChange(this);
}

void TGraphicsObject::ReplaceDescription(const void* description) {
  TResourceEntry* entry = FManager.Acquire(description);
  TResourceEntry* old = FEntry;
  FEntry = entry;
  try {
    if (entry != old) Changed();
  } catch (...) {
    FManager.Release(old);
    throw;
  }
  FManager.Release(old);
}

void TGraphicsObject::ShareEntry(TResourceEntry* entry) {
  if (entry == FEntry) return;
  ++entry->RefCount;
  TResourceEntry* old = FEntry;
  FEntry = entry;
  try {
    Changed();
  } catch (...) {
    FManager.Release(old);
    throw;
  }
  FManager.Release(old);
}

// --- TFont ------------------------------------------------------------------------------

namespace {
const TPropInfo FontProps[] = {
    Prop<&TFont::Charset, &TFont::SetCharset>("Charset", CharsetTypeInfo),
    Prop<&TFont::Color, &TFont::SetColor>("Color", ColorTypeInfo),
    Prop<&TFont::Height, &TFont::SetHeight>("Height", IntegerTypeInfo),
    Prop<&TFont::Name, &TFont::SetName>("Name", FontNameTypeInfo),
    Prop<&TFont::Pitch, &TFont::SetPitch>("Pitch", FontPitchTypeInfo).Default(fpDefault),
    Prop<&TFont::Size, &TFont::SetSize>("Size", IntegerTypeInfo).Stored(false),
    Prop<&TFont::Style, &TFont::SetStyle>("Style", FontStylesTypeInfo),
};
const TPropInfo PenProps[] = {
    Prop<&TPen::Color, &TPen::SetColor>("Color", ColorTypeInfo).Default(clBlack),
    Prop<&TPen::Mode, &TPen::SetMode>("Mode", PenModeTypeInfo).Default(pmCopy),
    Prop<&TPen::Style, &TPen::SetStyle>("Style", PenStyleTypeInfo).Default(psSolid),
    Prop<&TPen::Width, &TPen::SetWidth>("Width", IntegerTypeInfo).Default(1),
};
const TPropInfo BrushProps[] = {
    Prop<&TBrush::Color, &TBrush::SetColor>("Color", ColorTypeInfo).Default(clWhite),
    Prop<&TBrush::Style, &TBrush::SetStyle>("Style", BrushStyleTypeInfo).Default(bsSolid),
};

const TPenDescription& DefaultPen() {
  static const TPenDescription pen = [] {
    TPenDescription d;
    std::memset(&d, 0, sizeof d);
    d.Color = clBlack;
    d.Width = 1;
    d.Style = psSolid;
    return d;
  }();
  return pen;
}

const TBrushDescription& DefaultBrush() {
  static const TBrushDescription brush = [] {
    TBrushDescription d;
    std::memset(&d, 0, sizeof d);
    d.Color = clWhite;
    d.Style = bsSolid;
    return d;
  }();
  return brush;
}
}  // namespace

SONDREL_PUBLISHED_CLASS(TFont, TGraphicsObject, "Graphics", {.Props = FontProps});
SONDREL_PUBLISHED_CLASS(TPen, TGraphicsObject, "Graphics", {.Props = PenProps});
SONDREL_PUBLISHED_CLASS(TBrush, TGraphicsObject, "Graphics", {.Props = BrushProps});

TFont::TFont()
    : TGraphicsObject(FontManager(), &DefaultFontDescription()), FPixelsPerInch(ScreenPixelsPerInch()) {}


HFONT TFont::Handle() const {
  TResourceEntry* entry = Entry();
  if (!entry->Handle) {
    const TFontDescription& d = Font();
    LOGFONTA f{};
    f.lfHeight = d.Height;
    f.lfWeight = d.Style & (1 << fsBold) ? FW_BOLD : FW_NORMAL;
    f.lfItalic = (d.Style >> fsItalic) & 1;
    f.lfUnderline = (d.Style >> fsUnderline) & 1;
    f.lfStrikeOut = (d.Style >> fsStrikeOut) & 1;
    f.lfCharSet = d.Charset;
    f.lfPitchAndFamily = d.Pitch == fpVariable ? VARIABLE_PITCH : d.Pitch == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
    std::memcpy(f.lfFaceName, d.Name + 1, static_cast<unsigned char>(d.Name[0]));
    entry->Handle = CreateFontIndirectA(&f);
  }
  return static_cast<HFONT>(entry->Handle);
}

void TFont::SetHandle(HFONT handle) {
  TFontDescription d = DefaultFontDescription();
  d.Handle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
  ReplaceDescription(&d);
}

void TFont::SetCharset(TFontCharset charset) {
  Change([&](auto& d) { d.Charset = charset; });
}

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TFont::SetHeight(std::int32_t height) {
  Change([&](auto& d) { d.Height = height; });
}

void TFont::SetName(const String& name) {
  if (name.empty()) return;
  Change([&](auto& d) { SetShortName(d.Name, name.data(), name.size()); });
}

void TFont::SetPitch(TFontPitch pitch) {
  Change([&](auto& d) { d.Pitch = pitch; });
}

std::int32_t TFont::Size() const { return -MulDiv(Height(), 72, FPixelsPerInch); }

void TFont::SetSize(std::int32_t size) { SetHeight(-MulDiv(size, FPixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles style) {
  Change([&](auto& d) { d.Style = style; });
}

void TFont::AssignFrom(const TObject* source) {
  if (!source || !source->Is<TFont>()) return TGraphicsObject::AssignFrom(source);
  auto* font = static_cast<const TFont*>(source);
  ShareEntry(font->Entry());
  SetColor(font->Color());
  if (FPixelsPerInch != font->FPixelsPerInch) SetSize(font->Size());
}

// --- TPen -------------------------------------------------------------------------------

TPen::TPen() : TGraphicsObject(PenManager(), &DefaultPen()) {}


HPEN TPen::Handle() const {
  TResourceEntry* entry = Entry();
  if (!entry->Handle) {
    LOGPEN p{};
    p.lopnStyle = Pen().Style;
    p.lopnWidth.x = Pen().Width;
    p.lopnColor = ResolveColor(Pen().Color);
    entry->Handle = CreatePenIndirect(&p);
  }
  return static_cast<HPEN>(entry->Handle);
}

void TPen::SetColor(TColor color) {
  Change([&](auto& d) { d.Color = color; });
}

void TPen::SetMode(TPenMode mode) {
  if (mode == FMode) return;
  FMode = mode;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  Change([&](auto& d) { d.Style = style; });
}

void TPen::SetWidth(std::int32_t width) {
  if (width < 0) return;
  Change([&](auto& d) { d.Width = width; });
}

void TPen::AssignFrom(const TObject* source) {
  if (!source || !source->Is<TPen>()) return TGraphicsObject::AssignFrom(source);
  auto* pen = static_cast<const TPen*>(source);
  ShareEntry(pen->Entry());
  SetMode(pen->Mode());
}

// --- TBrush -----------------------------------------------------------------------------

TBrush::TBrush() : TGraphicsObject(BrushManager(), &DefaultBrush()) {}


HBRUSH TBrush::Handle() const {
  TResourceEntry* entry = Entry();
  if (!entry->Handle) {
    LOGBRUSH b{};
    TBrushStyle style = Brush().Style;
    b.lbStyle = style == bsSolid ? BS_SOLID : style == bsClear ? BS_HOLLOW : BS_HATCHED;
    b.lbHatch = style >= bsHorizontal ? style - bsHorizontal : 0;
    b.lbColor = ResolveColor(Brush().Color);
    entry->Handle = CreateBrushIndirect(&b);
  }
  return static_cast<HBRUSH>(entry->Handle);
}

void TBrush::SetColor(TColor color) {
  Change([&](auto& d) {
    d.Color = color;
    if (d.Style == bsClear) d.Style = bsSolid;
  });
}

void TBrush::SetStyle(TBrushStyle style) {
  Change([&](auto& d) {
    d.Style = style;
    if (style == bsClear) d.Color = clWhite;
  });
}

void TBrush::AssignFrom(const TObject* source) {
  if (!source || !source->Is<TBrush>()) return TGraphicsObject::AssignFrom(source);
  ShareEntry(static_cast<const TBrush*>(source)->Entry());
}
