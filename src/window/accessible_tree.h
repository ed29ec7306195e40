#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "window/controls.h"
#include "window/platform.h"

namespace md5z {

// What assistive technology is shown of the window, on every platform.

// A result row: the caption at its left, the value it shows and the copy
// label at its right end, if it has one.
struct AccessibleRow {
    ControlId caption;
    ControlId value;
    std::optional<ControlId> copy;
};

inline constexpr std::array kAccessibleRows{
    AccessibleRow{ControlId::Label3, ControlId::Label8, std::nullopt},
    AccessibleRow{ControlId::Label4, ControlId::Label9, ControlId::fz1},
    AccessibleRow{ControlId::Label5, ControlId::Label10, ControlId::fz2},
    AccessibleRow{ControlId::Label6, ControlId::Label11, ControlId::fz3},
    AccessibleRow{ControlId::Label7, ControlId::Label12, ControlId::fz4},
};

// The controls worth reading, in reading order: the title, the input row,
// the commands, then each row's value and its copy label. The row captions
// name the values; the stores, shapes, lines and the background are not
// there to be read.
inline constexpr std::array kReadingOrder{
    ControlId::Label1,  ControlId::Label2, ControlId::Text1,   ControlId::Label17,
    ControlId::Label14, ControlId::ann1,   ControlId::ann2,    ControlId::Label8,
    ControlId::Label9,  ControlId::fz1,    ControlId::Label10, ControlId::fz2,
    ControlId::Label11, ControlId::fz3,    ControlId::Label12, ControlId::fz4};

// The labels that act when clicked, in the order Tab visits them after the
// input box: 加密, 重置, then the copy labels row by row. Each is a push
// button to assistive technology.
inline constexpr std::array kLabelButtons{ControlId::ann1, ControlId::ann2, ControlId::fz1,
                                          ControlId::fz2,  ControlId::fz3,  ControlId::fz4};

bool isLabelButton(ControlId id);
// A result row or the counter: what it shows is its value.
bool readsAsValue(ControlId id);

// What the counter counts; the window shows only the number.
inline constexpr std::u16string_view kCounterName = u"还可输入的字符数";

const AccessibleRow* rowShowing(ControlId value);
const AccessibleRow* rowCopiedBy(ControlId copy);

// What a click on a label-button changed, in words a screen reader says at
// once: the text as it was digested and its 32 lower-case digits, the
// empty-input warning, a copy's confirmation with its row, or that the rows
// were cleared. Empty for any other control.
std::u16string clickOutcome(const Platform& platform, ControlId clicked);

}  // namespace md5z
