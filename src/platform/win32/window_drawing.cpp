#include "platform/win32/window_drawing.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace md5z {
namespace {

constexpr int kPointsPerInch = 72;
// Room between a caption and its focus frame, in pixels of the design scale.
constexpr int kFrameMargin = 2;

const wchar_t* wide(std::u16string_view text) {
    return reinterpret_cast<const wchar_t*>(text.data());
}

UINT textAlignment(Alignment alignment) {
    switch (alignment) {
        case Alignment::Right:
            return DT_RIGHT;
        case Alignment::Centre:
            return DT_CENTER;
        case Alignment::Left:
            break;
    }
    return DT_LEFT;
}

// Selects an object into a device context for one scope.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A pen of the layout is at least one device pixel wide.
int penAt(int designPixels, UINT dpi) {
    return std::max(scaledAt(designPixels, dpi), 1);
}

}  // namespace

// Each edge is placed on its own, so that neighbours that meet in the layout
// meet at every scale.
RECT pixelBox(const ControlLayout& layout, UINT dpi) {
    const auto& g = layout.geometry;
    const auto at = [dpi](int twips) { return pixelsAt(twips, dpi); };
    if (layout.kind != ControlKind::Line) {
        return {at(g.left), at(g.top), at(g.left + g.width), at(g.top + g.height)};
    }
    const int reach = penAt(layout.penWidth, dpi);
    return {std::min(at(g.left), at(g.width)) - reach, std::min(at(g.top), at(g.height)) - reach,
            std::max(at(g.left), at(g.width)) + reach, std::max(at(g.top), at(g.height)) + reach};
}

COLORREF colorRefOf(Color color) {
    if ((color & kSystemColorFlag) != 0) {
        return GetSysColor(static_cast<int>(color & kSystemColorNumberMask));
    }
    return static_cast<COLORREF>(color);
}

HFONT createFont(const FontSpec& font, UINT dpi) {
    // A negative height asks for the character height, which is what a
    // point size measures.
    const int height = -static_cast<int>(std::lround(font.points * dpi / kPointsPerInch));
    const std::u16string face(font.face);
    return CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic,
                       font.underline, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       reinterpret_cast<const wchar_t*>(face.c_str()));
}

SIZE captionSize(HFONT font, std::u16string_view caption) {
    HDC screen = GetDC(nullptr);
    SIZE size{};
    {
        const Selection selected(screen, font);
        GetTextExtentPoint32W(screen, wide(caption), static_cast<int>(caption.size()), &size);
    }
    ReleaseDC(nullptr, screen);
    return size;
}

void drawPicture(HDC dc, const RECT& box, HBITMAP picture) {
    BITMAP bitmap{};
    if (picture == nullptr || GetObjectW(picture, sizeof bitmap, &bitmap) == 0) {
        return;
    }
    HDC source = CreateCompatibleDC(dc);
    {
        const Selection selected(source, picture);
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source, 0, 0,
                   bitmap.bmWidth, bitmap.bmHeight, SRCCOPY);
    }
    DeleteDC(source);
}

// The border lies inside the box, as wide as the layout says.
void drawShape(HDC dc, const ControlLayout& layout, const RECT& box, Color fill, UINT dpi) {
    HBRUSH brush = CreateSolidBrush(colorRefOf(fill));
    HPEN pen = layout.penWidth > 0 ? CreatePen(PS_INSIDEFRAME, penAt(layout.penWidth, dpi),
                                               colorRefOf(layout.foreColor))
                                   : static_cast<HPEN>(GetStockObject(NULL_PEN));
    {
        const Selection selectedBrush(dc, brush);
        const Selection selectedPen(dc, pen);
        // Without a pen the filled area ends one pixel short on the right and
        // at the bottom.
        const int reach = layout.penWidth > 0 ? 0 : 1;
        if (layout.rounded) {
            const int corner =
                2 * std::min(box.right - box.left, box.bottom - box.top) / kCornerDivisor;
            RoundRect(dc, box.left, box.top, box.right + reach, box.bottom + reach, corner, corner);
        } else {
            Rectangle(dc, box.left, box.top, box.right + reach, box.bottom + reach);
        }
    }
    if (layout.penWidth > 0) {
        DeleteObject(pen);
    }
    DeleteObject(brush);
}

void drawLine(HDC dc, const ControlLayout& layout, UINT dpi) {
    const auto& g = layout.geometry;
    LOGBRUSH brush{BS_SOLID, colorRefOf(layout.foreColor), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT,
                            static_cast<DWORD>(penAt(layout.penWidth, dpi)), &brush, 0, nullptr);
    {
        const Selection selected(dc, pen);
        MoveToEx(dc, pixelsAt(g.left, dpi), pixelsAt(g.top, dpi), nullptr);
        LineTo(dc, pixelsAt(g.width, dpi), pixelsAt(g.height, dpi));
    }
    DeleteObject(pen);
}

// A disabled label draws its caption in the desktop's greyed text color.
void drawLabel(HDC dc, const ControlLayout& layout, const RECT& box, std::u16string_view caption,
               Color color, bool enabled, HFONT font) {
    const Selection selected(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? colorRefOf(color) : GetSysColor(COLOR_GRAYTEXT));
    RECT area = box;
    DrawTextW(dc, wide(caption), static_cast<int>(caption.size()), &area,
              DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_TOP | textAlignment(layout.alignment));
}

RECT focusFrameArea(const RECT& caption, UINT dpi) {
    RECT area = caption;
    const int reach = scaledAt(kFrameMargin, dpi) + penAt(1, dpi);
    InflateRect(&area, reach, reach);
    return area;
}

void drawFocusFrame(HDC dc, const RECT& caption, Color color, UINT dpi) {
    const int margin = scaledAt(kFrameMargin, dpi);
    const int width = penAt(1, dpi);
    LOGBRUSH ink{BS_SOLID, colorRefOf(color), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_DOT | PS_ENDCAP_FLAT, static_cast<DWORD>(width), &ink,
                            0, nullptr);
    {
        const Selection selectedPen(dc, pen);
        const Selection selectedBrush(dc, GetStockObject(NULL_BRUSH));
        SetBkMode(dc, TRANSPARENT);
        Rectangle(dc, caption.left - margin, caption.top - margin, caption.right + margin,
                  caption.bottom + margin);
    }
    DeleteObject(pen);
}

}  // namespace md5z
