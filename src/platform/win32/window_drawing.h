#pragma once

#include <windows.h>

#include <string_view>

#include "platform/win32/dots_per_inch.h"
#include "window/layout.h"

namespace md5z {

// The drawn controls painted into a device context: the client area draws
// them itself, so that every label is transparent over the background and
// the shapes beneath it. Places, sizes, pens and fonts are those of the
// layout at the window's DPI.

// A control's box in client pixels; for a line, the box its pen covers.
RECT pixelBox(const ControlLayout& layout, UINT dpi);
COLORREF colorRefOf(Color color);
// The font the layout names, by face name with the Chinese (GB2312) character
// set; the caller deletes it.
HFONT createFont(const FontSpec& font, UINT dpi);
// The size a caption takes in the font.
SIZE captionSize(HFONT font, std::u16string_view caption);

void drawPicture(HDC dc, const RECT& box, HBITMAP picture);
void drawShape(HDC dc, const ControlLayout& layout, const RECT& box, Color fill, UINT dpi);
void drawLine(HDC dc, const ControlLayout& layout, UINT dpi);
void drawLabel(HDC dc, const ControlLayout& layout, const RECT& box, std::u16string_view caption,
               Color color, bool enabled, HFONT font);
// The dotted frame around the label-button that has the keyboard focus, a
// little outside its caption, in the caption's color; and the area it
// covers.
void drawFocusFrame(HDC dc, const RECT& caption, Color color, UINT dpi);
RECT focusFrameArea(const RECT& caption, UINT dpi);

}  // namespace md5z
