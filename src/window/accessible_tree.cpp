#include "window/accessible_tree.h"

#include <algorithm>

#include "window/result_model.h"

namespace md5z {
namespace {

// What 重置 is confirmed with; the window itself shows no word for it.
constexpr std::u16string_view kResetDone = u"已重置";
// The rendition a digest is told by.
constexpr CaptionField kToldDigest = Hex32Lower;

}  // namespace

bool isLabelButton(ControlId id) {
    return std::ranges::find(kLabelButtons, id) != kLabelButtons.end();
}

bool readsAsValue(ControlId id) {
    return id == ControlId::Label17 || rowShowing(id) != nullptr;
}

const AccessibleRow* rowShowing(ControlId value) {
    const auto row = std::ranges::find(kAccessibleRows, value, &AccessibleRow::value);
    return row != kAccessibleRows.end() ? &*row : nullptr;
}

const AccessibleRow* rowCopiedBy(ControlId copy) {
    const auto row = std::ranges::find(kAccessibleRows, std::optional(copy), &AccessibleRow::copy);
    return row != kAccessibleRows.end() ? &*row : nullptr;
}

// The rows show a digest exactly while its renditions replace the
// placeholder.
std::u16string clickOutcome(const Platform& platform, ControlId clicked) {
    const bool showsDigest = readField(platform, kToldDigest) != kPlaceholder;
    if (clicked == ControlId::ann1 && showsDigest) {
        const AccessibleRow& told = *rowShowing(kToldDigest.label);
        return readField(platform, ConvertedText) + u"，" + platform.caption(told.caption) + u' ' +
               readField(platform, kToldDigest);
    }
    if (clicked == ControlId::ann1) {
        return platform.caption(EmptyInputWarning.control);
    }
    if (clicked == ControlId::ann2) {
        return std::u16string(kResetDone);
    }
    if (const AccessibleRow* row = rowCopiedBy(clicked)) {
        return platform.caption(clicked) + u' ' + platform.caption(row->caption);
    }
    return {};
}

}  // namespace md5z
