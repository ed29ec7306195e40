#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "window/form.h"
#include "window/layout.h"

namespace md5z {
namespace {

// The faces of the two command labels, Shape3 under ann1 and Shape4 under
// ann2, light up in these; at rest they have the fill the layout gave them.
constexpr Colour kShape3Hover = rgb(0, 0, 255);
constexpr Colour kShape4Hover = rgb(0, 0x80, 0);

// What a move over a surface does to one face.
enum class Face : std::uint8_t { Rest, Lit };

// A surface that handles mouse moves, its handler and the faces it leaves.
struct HoverRow {
    ControlId surface;
    std::string_view handler;
    Face shape3;
    Face shape4;
};

constexpr HoverRow rest(ControlId surface, std::string_view handler) {
    return {surface, handler, Face::Rest, Face::Rest};
}

Colour fillOf(ControlId shape, Face face, Colour lit) {
    return face == Face::Lit ? lit : layoutOf(shape).fillColor;
}

// Every surface the pointer can reach. The hidden stores never receive it;
// the shapes and lines pass a move on to the background or the window.
constexpr std::array kHoverRows{
    HoverRow{ControlId::ann1, "ann1_MouseMove", Face::Lit, Face::Rest},
    HoverRow{ControlId::ann2, "ann2_MouseMove", Face::Rest, Face::Lit},
    rest(ControlId::Form1, "Form_MouseMove"),
    rest(ControlId::Text1, "Text1_MouseMove"),
    rest(ControlId::Image2, "Image2_MouseMove"),
    rest(ControlId::fz1, "fz1_MouseMove"),
    rest(ControlId::fz2, "fz2_MouseMove"),
    rest(ControlId::fz3, "fz3_MouseMove"),
    rest(ControlId::fz4, "fz4_MouseMove"),
    rest(ControlId::Label1, "Label1_MouseMove"),
    rest(ControlId::Label2, "Label2_MouseMove"),
    rest(ControlId::Label3, "Label3_MouseMove"),
    rest(ControlId::Label4, "Label4_MouseMove"),
    rest(ControlId::Label5, "Label5_MouseMove"),
    rest(ControlId::Label6, "Label6_MouseMove"),
    rest(ControlId::Label7, "Label7_MouseMove"),
    rest(ControlId::Label8, "Label8_MouseMove"),
    rest(ControlId::Label9, "Label9_MouseMove"),
    rest(ControlId::Label10, "Label10_MouseMove"),
    rest(ControlId::Label11, "Label11_MouseMove"),
    rest(ControlId::Label12, "Label12_MouseMove"),
    rest(ControlId::Label14, "Label14_MouseMove"),
    rest(ControlId::Label17, "Label17_MouseMove"),
};
static_assert(kHoverRows.size() == 23);

}  // namespace

// Both faces are written on every move, with no comparison first, so at most
// one of them shows its hover colour at any time.
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
