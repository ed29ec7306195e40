#include "platform/win32/window_pictures.h"

#include "platform/win32/dots_per_inch.h"

namespace md5z {
namespace {

// The resource numbers the resource script gives the pictures; the build
// passes the same numbers to both.
constexpr int kIconResource = MD5Z_RC_ICON;
constexpr int kPointerResource = MD5Z_RC_POINTER;
constexpr int kBackgroundResource = MD5Z_RC_BACKGROUND;

HANDLE loadResource(HINSTANCE instance, int number, UINT type, int size) {
    return LoadImageW(instance, MAKEINTRESOURCEW(number), type, size, size,
                      type == IMAGE_BITMAP ? LR_CREATEDIBSECTION : LR_DEFAULTCOLOR);
}

}  // namespace

// The background is stretched to its place when drawn; the icons and the
// pointer are made in the sizes the desktop uses at the DPI.
WindowPictures::WindowPictures(HINSTANCE instance, UINT dpi)
    : icon_(static_cast<HICON>(
          loadResource(instance, kIconResource, IMAGE_ICON, metricAt(SM_CXICON, dpi)))),
      smallIcon_(static_cast<HICON>(
          loadResource(instance, kIconResource, IMAGE_ICON, metricAt(SM_CXSMICON, dpi)))),
      commandPointer_(static_cast<HCURSOR>(
          loadResource(instance, kPointerResource, IMAGE_CURSOR, metricAt(SM_CXCURSOR, dpi)))),
      background_(
          static_cast<HBITMAP>(loadResource(instance, kBackgroundResource, IMAGE_BITMAP, 0))) {}

WindowPictures::~WindowPictures() {
    if (icon_ != nullptr) {
        DestroyIcon(icon_);
    }
    if (smallIcon_ != nullptr) {
        DestroyIcon(smallIcon_);
    }
    if (commandPointer_ != nullptr) {
        DestroyCursor(commandPointer_);
    }
    if (background_ != nullptr) {
        DeleteObject(background_);
    }
}

// An icon serves as a pointer as it is, its hot spot in its centre.
HCURSOR WindowPictures::pointer(Picture picture) const {
    switch (picture) {
        case Picture::CommandPointer:
            return commandPointer_;
        case Picture::ProgramIcon:
            return icon_;
        case Picture::None:
            break;
    }
    return nullptr;
}

}  // namespace md5z
