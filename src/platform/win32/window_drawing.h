#pragma once

#include <windows.h>

#include <string_view>

#include "window/layout.h"

namespace md5z {

// The drawn controls painted into a device context: the client area draws
// them itself, so that every label is transparent over the background and
// the shapes beneath it.

// A control's box in client pixels; for a line, the box its pen covers.
RECT pixelBox(const ControlLayout& layout);
COLORREF colorRefOf(Color color);
// The font the layout names, by face name with the Chinese (GB2312) character
// set; the caller deletes it.
HFONT createFont(const FontSpec& font);
// The size a caption takes in the font.
SIZE captionSize(HFONT font, std::u16string_view caption);

void drawPicture(HDC dc, const RECT& box, HBITMAP picture);
void drawShape(HDC dc, const ControlLayout& layout, const RECT& box, Color fill);
void drawLine(HDC dc, const ControlLayout& layout);
void drawLabel(HDC dc, const ControlLayout& layout, const RECT& box, std::u16string_view caption,
               Color color, bool enabled, HFONT font);

}  // namespace md5z
