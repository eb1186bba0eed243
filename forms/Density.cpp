#include "Density.h"

#include <type_traits>

namespace {

// The density functions of the platform's user interface library, each null
// where it is missing.
struct TDensityFunctions {
  BOOL(WINAPI* SetProcessDpiAwarenessContext)(HANDLE) = nullptr;
  BOOL(WINAPI* SetProcessDPIAware)() = nullptr;
  UINT(WINAPI* GetDpiForWindow)(HWND) = nullptr;
  BOOL(WINAPI* AdjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
};

const TDensityFunctions& Functions() {
  static const TDensityFunctions functions = [] {
    TDensityFunctions f;
    if (HMODULE user = GetModuleHandleA("user32.dll")) {
      auto find = [user](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            reinterpret_cast<void*>(GetProcAddress(user, name)));
      };
      find(f.SetProcessDpiAwarenessContext, "SetProcessDpiAwarenessContext");
      find(f.SetProcessDPIAware, "SetProcessDPIAware");
      find(f.GetDpiForWindow, "GetDpiForWindow");
      find(f.AdjustWindowRectExForDpi, "AdjustWindowRectExForDpi");
    }
    return f;
  }();
  return functions;
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
const HANDLE PerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));

}  // namespace

void DeclareDensityAwareness() {
  const TDensityFunctions& f = Functions();
  if (f.SetProcessDpiAwarenessContext && f.SetProcessDpiAwarenessContext(PerMonitorAwareV2)) return;
  if (f.SetProcessDPIAware) f.SetProcessDPIAware();
}

int WindowPixelsPerInch(HWND window, int fallback) {
  const TDensityFunctions& f = Functions();
  const UINT dpi = window && f.GetDpiForWindow ? f.GetDpiForWindow(window) : 0;
  return dpi ? static_cast<int>(dpi) : fallback;
}

SIZE FrameExtent(DWORD style, DWORD exStyle, bool menu, int dpi) {
  const TDensityFunctions& f = Functions();
  RECT r{0, 0, 0, 0};
  if (!f.AdjustWindowRectExForDpi || !f.AdjustWindowRectExForDpi(&r, style, menu, exStyle, dpi))
    AdjustWindowRectEx(&r, style, menu, exStyle);
  return {r.right - r.left, r.bottom - r.top};
}
