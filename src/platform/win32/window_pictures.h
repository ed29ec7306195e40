#pragma once

#include <windows.h>

#include "window/controls.h"

namespace md5z {

// The program icon, the command pointer and the background picture, loaded
// from the program file's resources in the sizes a DPI asks for. A missing
// resource leaves its handle null: the window goes without that picture.
class WindowPictures {
  public:
    WindowPictures(HINSTANCE instance, UINT dpi);
    ~WindowPictures();
    WindowPictures(const WindowPictures&) = delete;
    WindowPictures& operator=(const WindowPictures&) = delete;

    HICON icon() const { return icon_; }
    HICON smallIcon() const { return smallIcon_; }
    HBITMAP background() const { return background_; }
    // The pointer a control with this picture shows; null for none.
    HCURSOR pointer(Picture picture) const;

  private:
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HCURSOR commandPointer_ = nullptr;
    HBITMAP background_ = nullptr;
};

}  // namespace md5z
