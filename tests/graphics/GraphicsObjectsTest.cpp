// Fonts, pens and brushes over their shared caches, with real GDI objects.
#include <gtest/gtest.h>

#include <cstdio>

#include "Colors.h"
#include "GraphicsObjects.h"
#include "GraphicsTestSupport.h"
#include "Registry.h"
#include "TestSupport.h"

namespace graphics_objects_test {

template <class Info>
Info ObjectInfo(HGDIOBJ handle) {
  Info info{};
  GetObjectA(handle, sizeof info, &info);
  return info;
}

// --- Caches ---------------------------------------------------------------------------

TEST(GraphicsCache, EqualFontsShareAnEntryWhoseHandleGoesWithTheLastSharer) {
  TFont a, b;
  const int entries = FontManager().EntryCount();
  ASSERT_EQ(a.Entry(), b.Entry());
  EXPECT_EQ(a.Entry()->Handle, nullptr);  // made on first use only
  HFONT shared = b.Handle();
  EXPECT_EQ(a.Handle(), shared);
  a.SetStyle(1 << fsBold);  // moves a alone to an entry of its own
  EXPECT_EQ(FontManager().EntryCount(), entries + 1);
  HFONT bold = a.Handle();
  EXPECT_EQ(ObjectInfo<LOGFONTA>(bold).lfWeight, FW_BOLD);
  EXPECT_EQ(ObjectInfo<LOGFONTA>(shared).lfWeight, FW_NORMAL);  // b's is still alive
  a.SetStyle(0);  // back to the shared entry: the bold one goes with its handle
  EXPECT_EQ(a.Entry(), b.Entry());
  EXPECT_EQ(GetObjectType(bold), 0u);
  EXPECT_EQ(FontManager().EntryCount(), entries);
}

TEST(GraphicsCache, EqualValuesAnnounceNothingAndKeepTheEntry) {
  TNotifications notes;
  TFont font;
  TPen pen;
  TBrush brush;
  notes.Watch(font), notes.Watch(pen), notes.Watch(brush);
  TResourceEntry *fontEntry = font.Entry(), *penEntry = pen.Entry(), *brushEntry = brush.Entry();
  font.SetHeight(font.Height()), font.SetName(font.Name()), font.SetStyle(font.Style());
  font.SetPitch(font.Pitch()), font.SetCharset(font.Charset()), font.SetColor(font.Color());
  pen.SetColor(pen.Color()), pen.SetWidth(pen.Width()), pen.SetStyle(pen.Style());
  pen.SetMode(pen.Mode()), brush.SetColor(brush.Color()), brush.SetStyle(brush.Style());
  EXPECT_EQ(notes.Change, 0);
  EXPECT_TRUE(font.Entry() == fontEntry && pen.Entry() == penEntry && brush.Entry() == brushEntry);
}

TEST(GraphicsCache, DescriptionHashRotatesLeftByFiveThenXorsEachByte) {
  const unsigned char small[] = {1, 2, 3};  // 0x01, 0x20 ^ 2 = 0x22, 0x440 ^ 3
  EXPECT_EQ(DescriptionHash(small, sizeof small), 0x0443);
  const unsigned char wrap[] = {0xFF, 0, 0, 0};  // 0xFF, 0x1FE0, 0xFC03, then 0x807F
  EXPECT_EQ(DescriptionHash(wrap, sizeof wrap), 0x807F);
}

TEST(GraphicsCache, DescriptionsAreZeroFilledWhateverTheRoute) {
  TFont direct, shortened, viaProperty, afterHandle;
  direct.SetName("Arial");
  shortened.SetName("A face name longer than Arial");
  shortened.SetName("Arial");
  WriteTextProp(&viaProperty, FindPropInfo(TFont::StaticClass(), "Name"), "Arial");
  HFONT own = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  afterHandle.SetHandle(own);  // the cache takes the handle over
  EXPECT_EQ(afterHandle.Handle(), own);
  afterHandle.SetName("Arial");  // leaves the entry that owned the handle, which goes
  EXPECT_EQ(GetObjectType(own), 0u);
  for (TFont* f : {&shortened, &viaProperty, &afterHandle}) EXPECT_EQ(f->Entry(), direct.Entry());
}

// --- Fonts, pens and brushes -------------------------------------------------------------

TEST(Font, EmptyNameChangesNothingLongNamesAreCutColourIsAnnounced) {
  TNotifications notes;
  TFont font;
  notes.Watch(font);
  const String name = font.Name();
  font.SetName("");
  EXPECT_EQ(font.Name(), name);
  EXPECT_EQ(notes.Change, 0);
  TResourceEntry* entry = font.Entry();
  EXPECT_EQ(font.Color(), clWindowText);
  font.SetColor(clRed);  // kept in the object, not in the cache
  EXPECT_EQ(notes.Change, 1);
  EXPECT_EQ(font.Entry(), entry);
  const String forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
  font.SetName(forty);
  EXPECT_EQ(String(ObjectInfo<LOGFONTA>(font.Handle()).lfFaceName), forty.substr(0, 31));
}

TEST(Font, AssignFromSharesTheEntryCopiesTheColourAndCarriesThePointSize) {
  TNotifications notes;
  TFont source, copy, large;
  source.SetName("Courier New");
  source.SetColor(clRed);
  notes.Watch(copy);
  copy.AssignFrom(&source);
  EXPECT_EQ(copy.Entry(), source.Entry());
  EXPECT_EQ(copy.Color(), clRed);
  EXPECT_GE(notes.Change, 1);
  source.SetPixelsPerInch(96);
  source.SetSize(12);
  EXPECT_EQ(ObjectInfo<LOGFONTA>(source.Handle()).lfHeight, -16);
  source.SetSize(8);
  EXPECT_EQ(source.Height(), -11);
  large.SetPixelsPerInch(120);  // at another resolution the point size is what carries over
  large.AssignFrom(&source);
  EXPECT_EQ(large.Height(), -13);
  EXPECT_EQ(large.Name(), "Courier New");
  TPen pen;
  EXPECT_RAISES(EConvertError, large.AssignFrom(&pen), "Cannot assign a TPen to a TFont");
  EXPECT_EQ(large.Height(), -13);
}

TEST(Pen, NegativeWidthIsIgnoredTheModeStaysOutOfTheCacheAndTheHandleMatches) {
  TNotifications notes;
  TPen pen, copy;
  notes.Watch(pen);
  pen.SetWidth(-1);
  EXPECT_EQ(pen.Width(), 1);
  EXPECT_EQ(notes.Change, 0);
  TResourceEntry* entry = pen.Entry();
  pen.SetMode(pmXor);
  EXPECT_EQ(notes.Change, 1);
  EXPECT_EQ(pen.Entry(), entry);  // the cache does not know about modes
  copy.AssignFrom(&pen);
  EXPECT_EQ(copy.Mode(), pmXor);
  pen.SetWidth(3), pen.SetStyle(psDash), pen.SetColor(clRed);
  const LOGPEN info = ObjectInfo<LOGPEN>(pen.Handle());
  EXPECT_EQ(info.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(info.lopnWidth.x, 3);
  EXPECT_EQ(info.lopnColor, RGB(255, 0, 0));
}

TEST(Brush, ClearStyleMakesWhiteAndAColourMakesSolid) {
  TBrush brush;
  brush.SetColor(clRed);
  brush.SetStyle(bsClear);
  EXPECT_EQ(brush.Color(), clWhite);
  EXPECT_EQ(ObjectInfo<LOGBRUSH>(brush.Handle()).lbStyle, static_cast<UINT>(BS_HOLLOW));
  brush.SetColor(clBlue);
  const LOGBRUSH info = ObjectInfo<LOGBRUSH>(brush.Handle());
  EXPECT_EQ(info.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(info.lbColor, RGB(0, 0, 255));
}

TEST(ColorConverters, IdentifiersBothWaysAndSystemColours) {
  String name = "unchanged";
  EXPECT_FALSE(ColorToIdentifier(0x123456, name));
  EXPECT_EQ(name, "unchanged");
  std::int32_t value = 0;
  EXPECT_TRUE(IdentifierToColor("CLWINDOWTEXT", value));
  EXPECT_EQ(value, clWindowText);
  EXPECT_TRUE(IdentifierToCharset("default_charset", value));
  EXPECT_EQ(value, DEFAULT_CHARSET);
  EXPECT_EQ(ResolveColor(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ResolveColor(0x123456), 0x123456u);
}

// --- Handle counts --------------------------------------------------------------------------

TEST(GdiHandles, TenThousandChangesLeaveTheObjectCountWhereItWas) {
  const int fonts = FontManager().EntryCount(), pens = PenManager().EntryCount(),
            brushes = BrushManager().EntryCount();
  const long before = GuiResources(GR_GDIOBJECTS), tableBefore = GdiTableCount();
  {
    TFont font;
    TPen pen;
    TBrush brush;
    for (int i = 1; i <= 10000; ++i) {
      // Each object is the only user of its entry: every change drops a handle.
      font.SetHeight(-(6 + i % 90));
      pen.SetColor(RGB(i & 0xFF, i >> 8, 1));
      brush.SetColor(RGB(3, i & 0xFF, i >> 8));
      TFont shortLived;
      shortLived.SetStyle(static_cast<TFontStyles>(1 + i % 15));
      TBrush hatched;
      hatched.SetStyle(static_cast<TBrushStyle>(bsHorizontal + i % 6));
      ASSERT_TRUE(font.Handle() && pen.Handle() && brush.Handle() && shortLived.Handle() && hatched.Handle()) << i;
    }
  }
  const long after = GuiResources(GR_GDIOBJECTS), tableAfter = GdiTableCount();
  std::printf("GDI objects before/after the stress loop: GetGuiResources %ld/%ld, handle table %ld/%ld\n", before,
              after, tableBefore, tableAfter);
  EXPECT_TRUE(before > 0 || tableBefore > 0);
  EXPECT_LE(after, before);
  EXPECT_LE(tableAfter, tableBefore);
  EXPECT_EQ(FontManager().EntryCount(), fonts);
  EXPECT_EQ(PenManager().EntryCount(), pens);
  EXPECT_EQ(BrushManager().EntryCount(), brushes);
}

}  // namespace graphics_objects_test
