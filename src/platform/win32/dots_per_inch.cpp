#include "platform/win32/dots_per_inch.h"

#include "window/layout.h"

namespace md5z {
namespace {

using DpiForWindow = UINT(WINAPI*)(HWND);
using MetricForDpi = int(WINAPI*)(int, UINT);
using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// Found once in user32, or null on a system that lacks it.
template <typename Function>
Function user32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const FARPROC found = user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

const auto kDpiForWindow = user32Function<DpiForWindow>("GetDpiForWindow");
const auto kMetricForDpi = user32Function<MetricForDpi>("GetSystemMetricsForDpi");
const auto kAdjustForDpi = user32Function<AdjustForDpi>("AdjustWindowRectExForDpi");

}  // namespace

UINT dpiOfSystem() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

UINT dpiOfWindow(HWND window) {
    const UINT dpi = kDpiForWindow != nullptr ? kDpiForWindow(window) : 0;
    return dpi != 0 ? dpi : dpiOfSystem();
}

int metricAt(int index, UINT dpi) {
    if (kMetricForDpi != nullptr) {
        return kMetricForDpi(index, dpi);
    }
    return GetSystemMetrics(index);
}

SIZE outerSizeAt(SIZE client, DWORD style, bool menu, UINT dpi) {
    RECT frame{0, 0, client.cx, client.cy};
    if (kAdjustForDpi != nullptr) {
        kAdjustForDpi(&frame, style, menu, 0, dpi);
    } else {
        AdjustWindowRectEx(&frame, style, menu, 0);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

int pixelsAt(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), kTwipsPerPixel * static_cast<int>(kDesignDpi));
}

int scaledAt(int designPixels, UINT dpi) {
    return MulDiv(designPixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

}  // namespace md5z
