// Helpers of the graphics tests: a 32-bit bitmap in a memory context to draw
// on and read back, a change counter and the process's object counts.
#pragma once

#include <windows.h>

#include "Events.h"
#include "Object.h"

class TBitmapContext {
 public:
  TBitmapContext(int width, int height)
      : Width(width), Height(height), DC(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    Bitmap = CreateDIBSection(DC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Old = SelectObject(DC, Bitmap);
  }
  TBitmapContext(const TBitmapContext&) = delete;
  TBitmapContext& operator=(const TBitmapContext&) = delete;
  ~TBitmapContext() {
    SelectObject(DC, Old);
    DeleteObject(Bitmap);
    DeleteDC(DC);
  }
  void Fill(COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT all{0, 0, Width, Height};
    ::FillRect(DC, &all, brush);
    DeleteObject(brush);
  }
  COLORREF Pixel(int x, int y) const { return GetPixel(DC, x, y); }

  int Width, Height;
  HDC DC;
  HBITMAP Bitmap;
  HGDIOBJ Old;
};

struct TNotifications {
  int Changing = 0, Change = 0;
  void OnChanging(TObject*) { ++Changing; }
  void OnChange(TObject*) { ++Change; }
  template <class T>
  void Watch(T& object) {
    object.OnChange = TNotifyEvent::Of<&TNotifications::OnChange>(this);
  }
};

inline long GuiResources(DWORD kind) {
  return static_cast<long>(GetGuiResources(GetCurrentProcess(), kind));
}

// Where GetGuiResources is not implemented (Wine answers 0 with
// ERROR_CALL_NOT_IMPLEMENTED), the live GDI objects are the entries in use of
// the process's GDI handle table: the process environment block points to it
// (offset 0x94), 65536 entries of 24 bytes, the type byte at 14. Else -1.
inline long GdiTableCount() {
  SetLastError(0);
  if (GuiResources(GR_GDIOBJECTS) || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return -1;
  const char* peb;
  asm("movl %%fs:0x30, %0" : "=r"(peb));
  const auto* table = *reinterpret_cast<const unsigned char* const*>(peb + 0x94);
  long live = 0;
  for (int i = 0; table && i < 0x10000; ++i) live += table[i * 24 + 14] != 0;
  return live;
}
