// Fonts, pens and brushes. Their drawing attributes live in shared,
// reference-counted cache entries keyed by the whole attribute record:
// objects with equal attributes share one entry and one platform handle,
// created on first use and deleted with the last sharer.
#pragma once

#include <windows.h>

#include <cstdint>

#include "Colors.h"
#include "Events.h"
#include "Persistent.h"
#include "TypInfo.h"

enum TFontPitch : std::uint8_t { fpDefault, fpVariable, fpFixed };
enum TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = std::uint8_t;  // bit n is TFontStyle n
enum TPenStyle : std::uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode : std::uint8_t {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor,
};
enum TBrushStyle : std::uint8_t {
  bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross,
};

extern const TTypeInfo FontNameTypeInfo, FontPitchTypeInfo, FontStyleTypeInfo, FontStylesTypeInfo,
    PenStyleTypeInfo, PenModeTypeInfo, BrushStyleTypeInfo;

// The platform raster operation of a pen mode.
int PenModeRop2(TPenMode mode);

// Attribute records, the cache keys: compared and hashed byte for byte, so
// they are always built zero-filled.
struct TFontDescription {
  std::uint32_t Handle;
  std::int32_t Height;
  TFontPitch Pitch;
  TFontStyles Style;
  TFontCharset Charset;
  char Name[32];  // length byte, then up to 31 characters, zeros behind
};
struct TPenDescription {
  std::uint32_t Handle;
  TColor Color;
  std::int32_t Width;
  TPenStyle Style;
};
struct TBrushDescription {
  std::uint32_t Handle;
  TColor Color;
  std::uint32_t Bitmap;  // pattern bitmap; never set here
  TBrushStyle Style;
};

struct TResourceEntry {
  TResourceEntry* Next;
  std::int32_t RefCount;
  HGDIOBJ Handle;
  std::uint16_t Hash;
  unsigned char Description[];  // a copy of the key
};

// One cache per kind of object.
class TResourceManager {
 public:
  explicit TResourceManager(std::uint16_t descriptionSize) : DescriptionSize(descriptionSize) {}
  TResourceManager(const TResourceManager&) = delete;
  TResourceManager& operator=(const TResourceManager&) = delete;
  ~TResourceManager();

  // The entry of an equal description, or a new one; its count goes up.
  TResourceEntry* Acquire(const void* description);
  // Counts down; the last release deletes the handle and the entry.
  void Release(TResourceEntry* entry);
  // Drops the handles of entries whose colour (at `colorOffset` in the
  // description) is a system colour, so that they are made anew.
  void DropSystemColorHandles(std::size_t colorOffset);
  int EntryCount() const;

 private:
  TResourceEntry* Head = nullptr;
  std::uint16_t DescriptionSize;
};

TResourceManager& FontManager();
TResourceManager& PenManager();
TResourceManager& BrushManager();

// 16-bit rotating hash of a description.
std::uint16_t DescriptionHash(const void* description, std::size_t size);

class TGraphicsObject : public TPersistent {
  SONDREL_CLASS(TGraphicsObject)

 public:
  TGraphicsObject(const TGraphicsObject&) = delete;
  TGraphicsObject& operator=(const TGraphicsObject&) = delete;
  ~TGraphicsObject() override;

  TNotifyEvent OnChange;
  TResourceEntry* Entry() const { return FEntry; }

 protected:
  TGraphicsObject(TResourceManager& manager, const void* description);
  virtual void Changed();
  // Moves to the entry of `description`; a change is announced only when
  // the entry differs.
  void ReplaceDescription(const void* description);
  void ShareEntry(TResourceEntry* entry);
  // Changes attributes on a copy of the description (its handle field zeroed,
  // so the copy names no handle) and moves to the copy's entry.
  template <class D, class F>
  void ChangeDescription(F change) {
    D d = *static_cast<const D*>(Description());
    d.Handle = 0;
    change(d);
    ReplaceDescription(&d);
  }
  const void* Description() const { return FEntry->Description; }

 private:
  TResourceManager& FManager;
  TResourceEntry* FEntry;
};

class TFont : public TGraphicsObject {
  SONDREL_CLASS(TFont)

 public:
  TFont();

  HFONT Handle() const;
  // Takes a platform font: the cache entry then owns and deletes it.
  void SetHandle(HFONT handle);
  TFontCharset Charset() const { return Font().Charset; }
  void SetCharset(TFontCharset charset);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  std::int32_t Height() const { return Font().Height; }
  void SetHeight(std::int32_t height);
  String Name() const { return String(Font().Name + 1, static_cast<unsigned char>(Font().Name[0])); }
  void SetName(const String& name);
  TFontPitch Pitch() const { return Font().Pitch; }
  void SetPitch(TFontPitch pitch);
  std::int32_t Size() const;
  void SetSize(std::int32_t size);
  TFontStyles Style() const { return Font().Style; }
  void SetStyle(TFontStyles style);
  std::int32_t PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(std::int32_t pixelsPerInch) { FPixelsPerInch = pixelsPerInch; }

  void AssignFrom(const TObject* source) override;

 private:
  const TFontDescription& Font() const { return *static_cast<const TFontDescription*>(Description()); }
  template <class F>
  void Change(F change) {
    ChangeDescription<TFontDescription>(change);
  }
  TColor FColor = clWindowText;
  std::int32_t FPixelsPerInch;
};

class TPen : public TGraphicsObject {
  SONDREL_CLASS(TPen)

 public:
  TPen();

  HPEN Handle() const;
  TColor Color() const { return Pen().Color; }
  void SetColor(TColor color);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode mode);
  TPenStyle Style() const { return Pen().Style; }
  void SetStyle(TPenStyle style);
  std::int32_t Width() const { return Pen().Width; }
  void SetWidth(std::int32_t width);

  void AssignFrom(const TObject* source) override;

 private:
  const TPenDescription& Pen() const { return *static_cast<const TPenDescription*>(Description()); }
  template <class F>
  void Change(F change) {
    ChangeDescription<TPenDescription>(change);
  }
  TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject {
  SONDREL_CLASS(TBrush)

 public:
  TBrush();

  HBRUSH Handle() const;
  TColor Color() const { return Brush().Color; }
  // Also makes a clear brush solid.
  void SetColor(TColor color);
  TBrushStyle Style() const { return Brush().Style; }
  // bsClear also sets the colour to clWhite.
  void SetStyle(TBrushStyle style);

  void AssignFrom(const TObject* source) override;

 private:
  const TBrushDescription& Brush() const { return *static_cast<const TBrushDescription*>(Description()); }
  template <class F>
  void Change(F change) {
    ChangeDescription<TBrushDescription>(change);
  }
};

// Screen resolution and stock objects read at graphics start-up.
int ScreenPixelsPerInch();
HGDIOBJ StockPen();
HGDIOBJ StockBrush();
HGDIOBJ StockFont();
HICON StockApplicationIcon();
const TFontDescription& DefaultFontDescription();

// Starts the graphics layer: screen resolution, default font, stock
// objects, the caches and the colour and character-set converters.
void InitGraphics();
