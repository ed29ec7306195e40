#include "core/code_page.h"

#include <array>

namespace md5z {
namespace {

// ICU's "windows-936" with exact mappings only and '?' for the rest: the
// values of Windows' WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS) with the
// default character "?", one per unit.
constexpr std::array<std::int16_t, kCodeUnitCount> kValues = {
#include "core/code_page_table.inc"
};

}  // namespace

std::span<const std::int16_t, kCodeUnitCount> CodePageValues() {
    return kValues;
}

std::int16_t CodePageValue(char16_t unit) {
    return kValues[unit];
}

}  // namespace md5z
