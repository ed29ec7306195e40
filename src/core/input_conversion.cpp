#include "core/input_conversion.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

#include "core/pinyin_initial.h"
#include "core/run_time_error.h"

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

void ConvertText(std::u16string_view text, std::u16string& converted) {
    if (text.size() > kMaxTextLength) {
        throw RunTimeError(kOverflowError, "input longer than 32767 characters");
    }
    pyText(text, converted);
}

ConvertedInput ConvertInput(std::u16string_view text) {
    ConvertedInput result;
    ConvertText(text, result.ConvertedText);
    const std::size_t length = result.ConvertedText.size();
    result.ConvertedLength = Decimal(static_cast<int>(length));
    result.RemainingCount = Decimal(RemainingCountOf(length));
    return result;
}

}  // namespace md5z
