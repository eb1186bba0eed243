// Fonts, pens and brushes over their shared caches, with real GDI objects.
#include <gtest/gtest.h>

#include <cstdio>

#include "Colors.h"
#include "GraphicsObjects.h"
#include "GraphicsTestSupport.h"
#include "Registry.h"
#include "TestSupport.h"

namespace graphics_objects_test {

template <class T>
void Watch(T& object, TNotifications& notes) {
  object.OnChange = TNotifyEvent::Of<&TNotifications::OnChange>(&notes);
}

template <class T, class Info>
Info ObjectInfo(T handle) {
  Info info{};
  GetObjectA(handle, sizeof info, &info);
  return info;
}
LOGFONTA FontInfo(HFONT font) { return ObjectInfo<HFONT, LOGFONTA>(font); }

// --- Caches ---------------------------------------------------------------------------

TEST(GraphicsCache, IndependentFontsShareOneEntryAndOneHandle) {
  TFont a, b;
  ASSERT_EQ(a.Entry(), b.Entry());
  EXPECT_EQ(a.Entry()->RefCount, 2);
  EXPECT_EQ(a.Entry()->Handle, nullptr);  // made on first use only
  HFONT handle = a.Handle();
  EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_FONT));
  EXPECT_EQ(b.Handle(), handle);
  EXPECT_EQ(a.Entry()->Hash, DescriptionHash(a.Entry()->Description, sizeof(TFontDescription)));
}

TEST(GraphicsCache, ChangeMovesOneFontAndTheLastReleaseDeletesTheHandle) {
  TFont a, b;
  const int entries = FontManager().EntryCount();
  HFONT shared = b.Handle();
  a.SetStyle(1 << fsBold);
  ASSERT_NE(a.Entry(), b.Entry());
  EXPECT_EQ(FontManager().EntryCount(), entries + 1);
  EXPECT_EQ(a.Entry()->RefCount, 1);
  EXPECT_EQ(b.Entry()->RefCount, 1);
  EXPECT_EQ(b.Handle(), shared);
  EXPECT_EQ(GetObjectType(shared), static_cast<DWORD>(OBJ_FONT));
  HFONT bold = a.Handle();
  EXPECT_NE(bold, shared);
  EXPECT_EQ(FontInfo(bold).lfWeight, FW_BOLD);
  EXPECT_EQ(FontInfo(shared).lfWeight, FW_NORMAL);

  a.SetStyle(0);  // back to the shared entry: the bold one goes with its font
  EXPECT_EQ(a.Entry(), b.Entry());
  EXPECT_EQ(GetObjectType(bold), 0u);
  EXPECT_EQ(FontManager().EntryCount(), entries);
}

TEST(GraphicsCache, EqualValuesAnnounceNothingAndKeepTheEntry) {
  TNotifications notes;
  TFont font;
  TPen pen;
  TBrush brush;
  Watch(font, notes), Watch(pen, notes), Watch(brush, notes);
  TResourceEntry *fontEntry = font.Entry(), *penEntry = pen.Entry(), *brushEntry = brush.Entry();
  font.SetHeight(font.Height()), font.SetName(font.Name()), font.SetStyle(font.Style());
  font.SetPitch(font.Pitch()), font.SetCharset(font.Charset()), font.SetColor(font.Color());
  pen.SetColor(pen.Color()), pen.SetWidth(pen.Width()), pen.SetStyle(pen.Style());
  pen.SetMode(pen.Mode()), brush.SetColor(brush.Color()), brush.SetStyle(brush.Style());
  EXPECT_EQ(notes.Change, 0);
  EXPECT_EQ(font.Entry(), fontEntry);
  EXPECT_EQ(pen.Entry(), penEntry);
  EXPECT_EQ(brush.Entry(), brushEntry);
  EXPECT_EQ(fontEntry->RefCount, 1);
}

TEST(GraphicsCache, DescriptionHashRotatesLeftByFiveThenXorsEachByte) {
  const unsigned char small[] = {1, 2, 3};  // 0x01, 0x20 ^ 2 = 0x22, 0x440 ^ 3
  EXPECT_EQ(DescriptionHash(small, sizeof small), 0x0443);
  const unsigned char wrap[] = {0xFF, 0, 0, 0};  // 0xFF, 0x1FE0, 0xFC03, then 0x807F
  EXPECT_EQ(DescriptionHash(wrap, sizeof wrap), 0x807F);
  EXPECT_EQ(DescriptionHash(small, 0), 0);
}

TEST(GraphicsCache, DescriptionsAreZeroFilledWhateverTheRoute) {
  TFont direct, shortened, viaProperty, afterHandle, plain;
  direct.SetName("Arial");
  shortened.SetName("A face name longer than Arial");
  shortened.SetName("Arial");
  WriteTextProp(&viaProperty, FindPropInfo(TFont::StaticClass(), "Name"), "Arial");
  HFONT own = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  afterHandle.SetHandle(own);  // the cache takes the handle over
  EXPECT_EQ(afterHandle.Handle(), own);
  afterHandle.SetName("Arial");  // leaves the entry that owned the handle, which goes
  EXPECT_EQ(GetObjectType(own), 0u);
  EXPECT_EQ(shortened.Entry(), direct.Entry());
  EXPECT_EQ(viaProperty.Entry(), direct.Entry());
  EXPECT_EQ(afterHandle.Entry(), direct.Entry());
  EXPECT_EQ(direct.Entry()->RefCount, 4);
  const String name = plain.Name();
  direct.SetName(String(31, 'x'));
  direct.SetName(name);
  EXPECT_EQ(direct.Entry(), plain.Entry());
}

// --- Fonts ----------------------------------------------------------------------------

TEST(Font, EmptyNameChangesNothingLongNamesAreCutColourIsAnnounced) {
  TNotifications notes;
  TFont font;
  Watch(font, notes);
  TResourceEntry* entry = font.Entry();
  const String name = font.Name();
  font.SetName("");
  EXPECT_EQ(font.Name(), name);
  EXPECT_EQ(font.Entry(), entry);
  EXPECT_EQ(notes.Change, 0);
  EXPECT_EQ(font.Color(), clWindowText);
  font.SetColor(clRed);
  EXPECT_EQ(font.Color(), clRed);
  EXPECT_EQ(notes.Change, 1);
  EXPECT_EQ(font.Entry(), entry);
  const String forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
  font.SetName(forty);
  EXPECT_EQ(font.Name(), forty.substr(0, 31));
  EXPECT_EQ(String(FontInfo(font.Handle()).lfFaceName), forty.substr(0, 31));
}

TEST(Font, SizeAndHeightAt96PixelsPerInch) {
  TFont font;
  font.SetPixelsPerInch(96);
  font.SetSize(8);
  EXPECT_EQ(font.Height(), -11);
  EXPECT_EQ(font.Size(), 8);
  font.SetSize(12);
  EXPECT_EQ(FontInfo(font.Handle()).lfHeight, -16);
  font.SetHeight(-11);
  EXPECT_EQ(font.Size(), 8);
}

TEST(Font, AssignFromSharesTheEntryAndCopiesTheColour) {
  TNotifications notes;
  TFont source, copy, large;
  source.SetName("Courier New");
  source.SetColor(clRed);
  Watch(copy, notes);
  copy.AssignFrom(&source);
  EXPECT_EQ(copy.Entry(), source.Entry());
  EXPECT_EQ(source.Entry()->RefCount, 2);
  EXPECT_EQ(copy.Color(), clRed);
  EXPECT_GE(notes.Change, 1);
  EXPECT_EQ(copy.Handle(), source.Handle());
  // At another resolution the point size is what carries over.
  source.SetPixelsPerInch(96);
  source.SetSize(8);
  large.SetPixelsPerInch(120);
  large.AssignFrom(&source);
  EXPECT_EQ(large.Size(), 8);
  EXPECT_EQ(large.Height(), -13);
  EXPECT_EQ(large.Name(), "Courier New");
}

TEST(Font, AssigningAPenRaisesAndChangesNothing) {
  TFont font;
  TPen pen;
  TResourceEntry* entry = font.Entry();
  EXPECT_RAISES(EConvertError, font.AssignFrom(&pen), "Cannot assign a TPen to a TFont");
  EXPECT_EQ(font.Entry(), entry);
}

// --- Pens and brushes -------------------------------------------------------------------

TEST(Pen, NegativeWidthChangesNothingAndTheHandleMatches) {
  TNotifications notes;
  TPen pen;
  Watch(pen, notes);
  TResourceEntry* entry = pen.Entry();
  pen.SetWidth(-1);
  EXPECT_EQ(pen.Width(), 1);
  EXPECT_EQ(pen.Entry(), entry);
  EXPECT_EQ(notes.Change, 0);
  pen.SetWidth(3), pen.SetStyle(psDash), pen.SetColor(clRed);
  const LOGPEN info = ObjectInfo<HPEN, LOGPEN>(pen.Handle());
  EXPECT_EQ(info.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(info.lopnWidth.x, 3);
  EXPECT_EQ(info.lopnColor, RGB(255, 0, 0));
}

TEST(Pen, ModeIsKeptInTheObject) {
  TNotifications notes;
  TPen xorPen, plain, copy;
  Watch(xorPen, notes);
  xorPen.SetMode(pmXor);
  EXPECT_EQ(xorPen.Mode(), pmXor);
  EXPECT_EQ(notes.Change, 1);
  EXPECT_EQ(xorPen.Entry(), plain.Entry());  // the cache does not know about modes
  EXPECT_EQ(plain.Mode(), pmCopy);
  copy.AssignFrom(&xorPen);
  EXPECT_EQ(copy.Mode(), pmXor);
}

TEST(Brush, ClearStyleMakesWhiteAndAColourMakesSolid) {
  TBrush brush;
  brush.SetColor(clRed);
  brush.SetStyle(bsClear);
  EXPECT_EQ(brush.Color(), clWhite);
  EXPECT_EQ(brush.Style(), bsClear);
  EXPECT_EQ((ObjectInfo<HBRUSH, LOGBRUSH>(brush.Handle()).lbStyle), static_cast<UINT>(BS_HOLLOW));
  brush.SetColor(clBlue);
  EXPECT_EQ(brush.Style(), bsSolid);
  const LOGBRUSH info = ObjectInfo<HBRUSH, LOGBRUSH>(brush.Handle());
  EXPECT_EQ(info.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(info.lbColor, RGB(0, 0, 255));
}

// --- Colours and character sets -----------------------------------------------------------

TEST(ColorConverters, IdentifiersBothWaysAndSystemColours) {
  String name = "unchanged";
  EXPECT_FALSE(ColorToIdentifier(0x123456, name));
  EXPECT_EQ(name, "unchanged");
  EXPECT_TRUE(ColorToIdentifier(static_cast<std::int32_t>(0x80000008), name));
  EXPECT_EQ(name, "clWindowText");
  std::int32_t value = 0;
  EXPECT_TRUE(IdentifierToColor("CLWINDOWTEXT", value));
  EXPECT_EQ(value, clWindowText);
  EXPECT_TRUE(IdentifierToCharset("default_charset", value));
  EXPECT_EQ(value, DEFAULT_CHARSET);
  EXPECT_EQ(ResolveColor(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ResolveColor(0x123456), 0x123456u);
}

TEST(ColorConverters, RegisteredForTheTypeInformation) {
  std::int32_t value = 0;
  EXPECT_TRUE(IdentifierToInteger(&ColorTypeInfo, "clRed", value));
  EXPECT_EQ(value, 0x0000FF);
  const TIntConst* colors = FindIntConst(&ColorTypeInfo);
  ASSERT_NE(colors, nullptr);
  String name;
  EXPECT_TRUE(colors->IntToIdent(clBtnFace, name));
  EXPECT_EQ(name, "clBtnFace");
}

// --- Handle counts --------------------------------------------------------------------------

TEST(GdiHandles, TenThousandChangesLeaveTheObjectCountWhereItWas) {
  const int fonts = FontManager().EntryCount(), pens = PenManager().EntryCount(),
            brushes = BrushManager().EntryCount();
  const long before = GuiResources(GR_GDIOBJECTS), tableBefore = GdiTableCount();
  int undeleted = 0;
  {
    TFont font;
    TPen pen;
    TBrush brush;
    HGDIOBJ lastFont = font.Handle(), lastPen = pen.Handle(), lastBrush = brush.Handle();
    for (int i = 1; i <= 10000; ++i) {
      font.SetHeight(-(6 + i % 90));
      pen.SetColor(RGB(i & 0xFF, i >> 8, 1));
      brush.SetColor(RGB(3, i & 0xFF, i >> 8));
      // Each object was the only user of its old entry: that handle is gone.
      undeleted += (GetObjectType(lastFont) != 0) + (GetObjectType(lastPen) != 0) +
                   (GetObjectType(lastBrush) != 0);
      lastFont = font.Handle(), lastPen = pen.Handle(), lastBrush = brush.Handle();
      ASSERT_TRUE(lastFont && lastPen && lastBrush) << i;
      TFont shortLived;
      shortLived.SetStyle(static_cast<TFontStyles>(1 + i % 15));
      TBrush hatched;
      hatched.SetStyle(static_cast<TBrushStyle>(bsHorizontal + i % 6));
      ASSERT_TRUE(shortLived.Handle() && hatched.Handle()) << i;
    }
  }
  const long after = GuiResources(GR_GDIOBJECTS), tableAfter = GdiTableCount();
  std::printf("GetGuiResources GDI objects before the stress loop: %ld, after: %ld\n", before,
              after);
  std::printf("Live GDI handle table entries before: %ld, after: %ld\n", tableBefore, tableAfter);
  EXPECT_TRUE(before > 0 || tableBefore > 0);
  EXPECT_LE(after, before);
  EXPECT_LE(tableAfter, tableBefore);
  EXPECT_EQ(undeleted, 0);
  EXPECT_EQ(FontManager().EntryCount(), fonts);
  EXPECT_EQ(PenManager().EntryCount(), pens);
  EXPECT_EQ(BrushManager().EntryCount(), brushes);
}

}  // namespace graphics_objects_test
