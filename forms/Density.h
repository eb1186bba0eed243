// The platform's pixel densities: the process's declared awareness, the
// density of the screen a window is on and the size of a window's frame at a
// given density. The functions of newer platforms are loaded by name, so a
// program still starts where they are missing; it then works at the one
// density the whole screen has.
#pragma once

#include <windows.h>

// Messages of density changes, beyond the headers this library targets.
inline constexpr unsigned int WM_DPICHANGED_MSG = 0x02E0;        // WParam: new density; LParam: RECT*
inline constexpr unsigned int WM_GETDPISCALEDSIZE_MSG = 0x02E4;  // WParam: new density; LParam: SIZE*

// Declares the process aware of the density of each screen (per-monitor,
// version 2) where the platform offers it, else of the system's density, so
// the platform does not stretch the program's windows. Call before the first
// window is made.
void DeclareDensityAwareness();

// The density of the screen the window is on, or `fallback` where the
// platform cannot tell.
int WindowPixelsPerInch(HWND window, int fallback);

// What the frame, caption and menu bar of a window of these styles add to
// its client area at `dpi` pixels per inch (at the system's density where
// the platform cannot compute another).
SIZE FrameExtent(DWORD style, DWORD exStyle, bool menu, int dpi);
