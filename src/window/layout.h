#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "window/controls.h"

namespace md5z {

// The window as it is when created, as data: the Qt side builds its widgets
// from these tables, and the test double starts from them.

enum class ControlKind : std::uint8_t { Label, TextBox, Shape, Line, Image };
enum class Alignment : std::uint8_t { Left, Right, Centre };

// The faces the layout names: a Song (serif) face for most text, and a
// sans-serif one for the title.
inline constexpr std::u16string_view kSongFace = u"宋体";
inline constexpr std::u16string_view kYaHeiFace = u"微软雅黑";

struct FontSpec {
    std::u16string_view face = kSongFace;
    double points = 9.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// Twips from the client area's top-left corner. A line stores its two end
// points instead: (left, top) to (width, height).
struct Geometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct ControlLayout {
    ControlId id = ControlId::Form1;
    ControlKind kind = ControlKind::Label;
    std::u16string_view caption{};
    Geometry geometry{};
    Color foreColor = kSystemButtonText;  // text; a line's color; a shape's border
    Color fillColor = 0;                  // shapes
    FontSpec font{};
    Alignment alignment = Alignment::Left;
    bool autoSize = false;
    bool visible = true;
    bool enabled = true;
    std::u16string_view toolTip{};
    bool customPointer = false;
    Picture mouseIcon = Picture::None;
    int penWidth = 0;  // pixels: a line's width, a shape's border (0: none)
    bool rounded = false;
    int maxLength = 0;  // the text box's character limit
    std::u16string_view passwordChar{};
};

struct FormLayout {
    std::u16string_view title;
    Picture icon;
    int clientWidth;   // twips
    int clientHeight;  // twips
    int outerWidth;    // twips, frame included
    int outerHeight;   // twips, frame included
    int frameSide;     // twips of frame left, right and below the client area
    int frameTop;      // twips above it: border, title bar and menu bar
};

struct TimerLayout {
    TimerId id;
    int intervalMs;
    bool enabled;
};

// The caption of a menu entry that is a separator line.
inline constexpr std::u16string_view kMenuSeparator = u"-";

struct MenuLayout {
    MenuId id;
    bool isMenu;  // a menu of the menu bar, else an item of it
    std::u16string_view caption{};
};

inline constexpr int kTwipsPerPixel = 15;
// A length of the layout in pixels at the design scale, rounded to the
// nearest pixel.
int pixels(int twips);
// A rounded shape's corners curve over a quarter of its shorter side.
inline constexpr int kCornerDivisor = 4;

// The window's opacity while it runs, and where every fade-out starts.
inline constexpr int kWorkingAlpha = 235;

extern const FormLayout kFormLayout;
// Every drawn control and the text box, top of the stacking order first.
std::span<const ControlLayout> controlLayouts();
const ControlLayout& layoutOf(ControlId id);
std::span<const TimerLayout> timerLayouts();
std::span<const MenuLayout> menuLayouts();

}  // namespace md5z
