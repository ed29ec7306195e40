#pragma once

#include <windows.h>

namespace md5z {

// The window draws itself at the DPI of the monitor it is on. Windows before
// 10 (version 1607) have no per-window DPI: there the system's DPI serves,
// which is what those systems scale programs to.

// The layout's design scale: 96 dots per inch, 15 twips a pixel.
inline constexpr UINT kDesignDpi = USER_DEFAULT_SCREEN_DPI;

UINT dpiOfWindow(HWND window);
UINT dpiOfSystem();
// A system metric (SM_CXICON and the like) at a DPI.
int metricAt(int index, UINT dpi);
// The outer size that gives a client area of this size with this frame, at
// a DPI.
SIZE outerSizeAt(SIZE client, DWORD style, bool menu, UINT dpi);

// A length of the layout in device pixels: twips, or pixels of the design
// scale. Halves round away from zero, so 639 pixels at 150 % are 959.
int pixelsAt(int twips, UINT dpi);
int scaledAt(int designPixels, UINT dpi);

}  // namespace md5z
