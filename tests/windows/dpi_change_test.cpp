// The Win32 window moved to a monitor of another DPI, which Wine never does
// by itself: the client area is the design size at the new scale, to the
// pixel, wherever Windows suggested; the box, its font and the icons follow.
// (Wine's null driver has a 1024-pixel screen that no window outgrows; 150
// and 200 % run on a larger X screen in window_rows.py.)
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"

namespace md5z {
namespace {

TEST(Win32Dpi, AMoveToAnotherDpiScalesEverything) {
    Win32Platform platform(GetModuleHandleW(nullptr));
    for (const UINT dpi : {120u, 144u, 96u}) {
        const auto at = [dpi](int designPixels) { return MulDiv(designPixels, dpi, 96); };
        SIZE size{};
        SendMessageW(platform.window(), WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size));
        RECT suggested{100, 50, 100 + size.cx, 50 + size.cy};
        SendMessageW(platform.window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT client{};
        GetClientRect(platform.window(), &client);
        EXPECT_EQ(client.right, at(639)) << dpi;
        EXPECT_EQ(client.bottom, at(335)) << dpi;
        RECT box{};
        GetWindowRect(platform.textBox(), &box);
        EXPECT_EQ(box.right - box.left, at(265)) << dpi;
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(platform.textBox(), WM_GETFONT, 0, 0)),
                   sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -MulDiv(12, dpi, 72)) << dpi;
        ICONINFO icon{};
        BITMAP picture{};
        GetIconInfo(
            reinterpret_cast<HICON>(SendMessageW(platform.window(), WM_GETICON, ICON_SMALL, 0)),
            &icon);
        GetObjectW(icon.hbmColor, sizeof picture, &picture);
        EXPECT_EQ(picture.bmWidth, GetSystemMetricsForDpi(SM_CXSMICON, dpi)) << dpi;
        DeleteObject(icon.hbmColor);
        DeleteObject(icon.hbmMask);
    }
}

}  // namespace
}  // namespace md5z
