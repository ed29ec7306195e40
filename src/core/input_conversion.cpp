#include "core/input_conversion.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

#include "core/run_time_error.h"
#include "core/pinyin_initial.h"

namespace md5z {
namespace {

// The length is counted in a signed 16-bit integer.
constexpr std::size_t kMaxTextLength = std::numeric_limits<std::int16_t>::max();

// Written through a buffer on the stack: the counter is redrawn on every
// keystroke.
std::u16string Decimal(int number) {
    std::array<char, std::numeric_limits<int>::digits10 + 2> digits;
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
    return std::u16string(digits.data(), end);
}

}  // namespace

ConvertedInput ConvertInput(std::u16string_view text) {
    if (text.size() > kMaxTextLength) {
        throw RunTimeError(kOverflowError, "input longer than 32767 characters");
    }
    ConvertedInput result;
    result.ConvertedText = pyText(text);
    const auto length = static_cast<int>(result.ConvertedText.size());
    result.ConvertedLength = Decimal(length);
    result.RemainingCount = Decimal(kInputLimit - length);
    return result;
}

}  // namespace md5z
