#include "platform/qt/color.h"

#include <array>
#include <cstdint>

namespace md5z {
namespace {

// The system color numbers the window can meet, by the palette role that
// plays the same part on this desktop.
struct SystemRole {
    std::uint8_t number;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

constexpr std::array kSystemRoles{
    SystemRole{4, QPalette::Active, QPalette::Window},            // menu
    SystemRole{5, QPalette::Active, QPalette::Base},              // window background
    SystemRole{7, QPalette::Active, QPalette::WindowText},        // menu text
    SystemRole{8, QPalette::Active, QPalette::Text},              // window text
    SystemRole{13, QPalette::Active, QPalette::Highlight},        // selected items
    SystemRole{14, QPalette::Active, QPalette::HighlightedText},  // their text
    SystemRole{15, QPalette::Active, QPalette::Button},           // button face
    SystemRole{16, QPalette::Active, QPalette::Dark},             // button shadow
    SystemRole{17, QPalette::Disabled, QPalette::Text},           // greyed text
    SystemRole{18, QPalette::Active, QPalette::ButtonText},       // button text
    SystemRole{20, QPalette::Active, QPalette::Light},            // button highlight
    SystemRole{21, QPalette::Active, QPalette::Shadow},           // dark shadow
    SystemRole{22, QPalette::Active, QPalette::Midlight},         // light edge
    SystemRole{23, QPalette::Active, QPalette::ToolTipText},
    SystemRole{24, QPalette::Active, QPalette::ToolTipBase},
};

}  // namespace

QColor qColor(Color color, const QPalette& palette) {
    if ((color & kSystemColorFlag) == 0) {
        return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                      static_cast<int>((color >> 16) & 0xFF));
    }
    const auto number = color & kSystemColorNumberMask;
    for (const auto& system : kSystemRoles) {
        if (system.number == number) {
            return palette.color(system.group, system.role);
        }
    }
    return palette.color(QPalette::Active, QPalette::WindowText);
}

}  // namespace md5z
