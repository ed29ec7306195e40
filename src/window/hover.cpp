#include <algorithm>
#include <array>
#include <cstdint>

#include "window/form.h"
#include "window/layout.h"

namespace md5z {
namespace {

// The faces of the two command labels, Shape3 under ann1 and Shape4 under
// ann2, light up in these; at rest they have the fill the layout gave them.
constexpr Color kShape3Hover = rgb(0, 0, 255);
constexpr Color kShape4Hover = rgb(0, 0x80, 0);

// What a move over a surface does to one face.
enum class Face : std::uint8_t { Rest, Lit };

// A surface that handles mouse moves and the faces a move over it leaves.
struct HoverRow {
    ControlId surface;
    Face shape3;
    Face shape4;
};

constexpr HoverRow rest(ControlId surface) {
    return {surface, Face::Rest, Face::Rest};
}

Color fillOf(ControlId shape, Face face, Color lit) {
    return face == Face::Lit ? lit : layoutOf(shape).fillColor;
}

// Every surface the pointer can reach. The hidden stores never receive it;
// the shapes and lines pass a move on to the background or the window.
constexpr std::array kHoverRows{
    HoverRow{ControlId::ann1, Face::Lit, Face::Rest},
    HoverRow{ControlId::ann2, Face::Rest, Face::Lit},
    rest(ControlId::Form1),
    rest(ControlId::Text1),
    rest(ControlId::Image2),
    rest(ControlId::fz1),
    rest(ControlId::fz2),
    rest(ControlId::fz3),
    rest(ControlId::fz4),
    rest(ControlId::Label1),
    rest(ControlId::Label2),
    rest(ControlId::Label3),
    rest(ControlId::Label4),
    rest(ControlId::Label5),
    rest(ControlId::Label6),
    rest(ControlId::Label7),
    rest(ControlId::Label8),
    rest(ControlId::Label9),
    rest(ControlId::Label10),
    rest(ControlId::Label11),
    rest(ControlId::Label12),
    rest(ControlId::Label14),
    rest(ControlId::Label17),
};
static_assert(kHoverRows.size() == 23);

}  // namespace

// Both faces are written on every move, with no comparison first, so at most
// one of them shows its hover color at any time.
void Form1::onMouseMove(ControlId surface) {
    const auto row = std::find_if(kHoverRows.begin(), kHoverRows.end(),
                                  [surface](const HoverRow& r) { return r.surface == surface; });
    if (row == kHoverRows.end()) {
        return;
    }
    platform_.setFillColor(ControlId::Shape3, fillOf(ControlId::Shape3, row->shape3, kShape3Hover));
    platform_.setFillColor(ControlId::Shape4, fillOf(ControlId::Shape4, row->shape4, kShape4Hover));
}

}  // namespace md5z
