#include <array>
#include <cstddef>
#include <string_view>

#include "window/form.h"
#include "window/layout.h"
#include "window/result_model.h"

namespace md5z {
namespace {

// Ready, a copy label looks as the layout made it.
constexpr std::u16string_view kConfirming = u"已复制";
constexpr Color kConfirmingColor = rgb(192, 192, 255);

// A copy label, the row it copies and the timer that ends its confirmation.
struct CopyLabel {
    ControlId label;
    CaptionField field;
    TimerId timer;
};

constexpr std::array kCopyLabels{
    CopyLabel{ControlId::fz1, Hex16Lower, TimerId::Timer3},
    CopyLabel{ControlId::fz2, Hex16Upper, TimerId::Timer4},
    CopyLabel{ControlId::fz3, Hex32Lower, TimerId::Timer5},
    CopyLabel{ControlId::fz4, Hex32Upper, TimerId::Timer6},
};

// The label's own caption tells whether a confirmation is running; a click
// during one is ignored, so the confirmation lasts one interval of its timer
// from the click that started it.
void copyOnClick(Platform& platform, const CopyLabel& copy) {
    if (platform.caption(copy.label) != layoutOf(copy.label).caption) {
        return;
    }
    platform.clearClipboard();
    platform.setClipboardText(readField(platform, copy.field));
    platform.setCaption(copy.label, kConfirming);
    platform.setForeColor(copy.label, kConfirmingColor);
    platform.setTimerEnabled(copy.timer, true);
}

void endConfirmation(Platform& platform, const CopyLabel& copy) {
    const ControlLayout& ready = layoutOf(copy.label);
    platform.setCaption(copy.label, ready.caption);
    platform.setForeColor(copy.label, ready.foreColor);
    platform.setTimerEnabled(copy.timer, false);
}

const CopyLabel& copyLabel(std::size_t number) {
    return kCopyLabels.at(number - 1);
}

}  // namespace

void Form1::fz1_Click() {
    copyOnClick(platform_, copyLabel(1));
}
void Form1::fz2_Click() {
    copyOnClick(platform_, copyLabel(2));
}
void Form1::fz3_Click() {
    copyOnClick(platform_, copyLabel(3));
}
void Form1::fz4_Click() {
    copyOnClick(platform_, copyLabel(4));
}

void Form1::Timer3_Timer() {
    endConfirmation(platform_, copyLabel(1));
}
void Form1::Timer4_Timer() {
    endConfirmation(platform_, copyLabel(2));
}
void Form1::Timer5_Timer() {
    endConfirmation(platform_, copyLabel(3));
}
void Form1::Timer6_Timer() {
    endConfirmation(platform_, copyLabel(4));
}

}  // namespace md5z
