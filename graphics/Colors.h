// Colours and character sets: the TColor and TFontCharset types, their
// identifier tables and the converters the form-definition reader uses.
#pragma once

#include <windows.h>

#include <cstdint>

#include "TypInfo.h"

using TColor = std::int32_t;
using TFontCharset = std::uint8_t;

extern const TTypeInfo ColorTypeInfo;    // TColor
extern const TTypeInfo CharsetTypeInfo;  // TFontCharset

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | index); }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR), clBackground = SystemColor(COLOR_BACKGROUND),
                 clActiveCaption = SystemColor(COLOR_ACTIVECAPTION),
                 clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION), clMenu = SystemColor(COLOR_MENU),
                 clWindow = SystemColor(COLOR_WINDOW), clWindowFrame = SystemColor(COLOR_WINDOWFRAME),
                 clMenuText = SystemColor(COLOR_MENUTEXT), clWindowText = SystemColor(COLOR_WINDOWTEXT),
                 clCaptionText = SystemColor(COLOR_CAPTIONTEXT),
                 clActiveBorder = SystemColor(COLOR_ACTIVEBORDER),
                 clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER),
                 clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE), clHighlight = SystemColor(COLOR_HIGHLIGHT),
                 clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT), clBtnFace = SystemColor(COLOR_BTNFACE),
                 clBtnShadow = SystemColor(COLOR_BTNSHADOW), clGrayText = SystemColor(COLOR_GRAYTEXT),
                 clBtnText = SystemColor(COLOR_BTNTEXT),
                 clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT),
                 clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT), cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW),
                 cl3DLight = SystemColor(COLOR_3DLIGHT), clInfoText = SystemColor(COLOR_INFOTEXT),
                 clInfoBk = SystemColor(COLOR_INFOBK), clNone = 0x1FFFFFFF;

// The RGB value of a colour: system colours resolve through GetSysColor.
COLORREF ResolveColor(TColor color);

bool ColorToIdentifier(std::int32_t color, String& identifier);
// Identifiers compare by the user's locale without regard to case.
bool IdentifierToColor(const String& identifier, std::int32_t& color);
bool CharsetToIdentifier(std::int32_t charset, String& identifier);
// Identifiers compare with ASCII letters folded.
bool IdentifierToCharset(const String& identifier, std::int32_t& charset);
