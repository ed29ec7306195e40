#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace md5z {

// Characters the input box holds; the free-character counter counts down
// from it.
inline constexpr int kInputLimit = 30;

// What every change of the input recomputes, as the texts the hidden stores
// and the counter show.
struct ConvertedInput {
    std::u16string ConvertedText;    // py of each unit, joined
    std::u16string ConvertedLength;  // its length in decimal
    std::u16string RemainingCount;   // the limit minus that length, negative past it
};

// Raises overflow (6) for a text of more than 32,767 units, whose length
// does not fit the 16-bit counter.
ConvertedInput ConvertInput(std::u16string_view text);

// ConvertInput's converted text alone, written over `converted` so that its
// storage serves text after text; raises as ConvertInput does.
void ConvertText(std::u16string_view text, std::u16string& converted);

// The counter's value for a converted text of `length` units.
constexpr int RemainingCountOf(std::size_t length) {
    return kInputLimit - static_cast<int>(length);
}

}  // namespace md5z
