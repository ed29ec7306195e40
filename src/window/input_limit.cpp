#include "window/input_limit.h"

#include <string>

namespace md5z {
namespace {

bool isHigh(char16_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}

bool isLow(char16_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

}  // namespace

std::size_t halfCharacterAtLimit(std::u16string_view text, std::size_t caret, std::size_t limit) {
    if (text.size() < limit || caret == 0 || caret > text.size()) {
        return std::u16string_view::npos;
    }
    const std::size_t before = caret - 1;
    const bool pairedAfter = caret < text.size() && isLow(text[caret]);
    const bool pairedBefore = before > 0 && isHigh(text[before - 1]);
    if ((isHigh(text[before]) && !pairedAfter) || (isLow(text[before]) && !pairedBefore)) {
        return before;
    }
    return std::u16string_view::npos;
}

}  // namespace md5z
