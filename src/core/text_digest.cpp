#include "core/text_digest.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "core/code_page.h"
#include "core/run_time_error.h"

namespace md5z {

namespace {

// Texts up to this many units are converted on the stack; the typed input
// never exceeds it, so the usual digest allocates nothing for its bytes.
constexpr std::size_t kShortTextLength = 64;

constexpr std::size_t kDigitsPerWord = 8;

// The two digits of every byte value: a digest's 16 bytes take 16 lookups.
constexpr auto kHexPairs = [] {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::array<std::array<char, 2>, 256> pairs{};
    for (std::size_t byte = 0; byte < pairs.size(); ++byte) {
        pairs[byte] = {kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
    }
    return pairs;
}();

// One byte per unit: the unit's code-page value, which must be a single byte.
void StrToByteArray(std::u16string_view text, std::span<std::uint8_t> bytes) {
    const std::span<const std::int16_t, kCodeUnitCount> codes = CodePageValues();
    // A value outside 0..255, negative ones included, has bits above the
    // byte; they are gathered and checked once, after the loop.
    std::uint16_t outside = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<std::uint16_t>(codes[text[i]]);
        outside |= code & 0xFF00;
        bytes[i] = static_cast<std::uint8_t>(code);
    }
    if (outside != 0) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
}

// The word's bytes from least to most significant, two digits each, written
// to digits[0..7].
template <typename Char>
void LongToHexStr(std::uint32_t word, Char* digits) {
    for (int i = 0; i < 4; ++i) {
        const std::array<char, 2>& pair = kHexPairs[(word >> (8 * i)) & 0xFF];
        if constexpr (sizeof(Char) == 1) {
            std::memcpy(digits + 2 * i, pair.data(), 2);  // one store of both
        } else {
            digits[2 * i] = pair[0];
            digits[2 * i + 1] = pair[1];
        }
    }
}

void DigestBytes(MD5Context& context, std::u16string_view SourceString,
                 std::span<std::uint8_t> bytes) {
    StrToByteArray(SourceString, bytes);
    MD5Update(context, static_cast<std::int32_t>(SourceString.size()), bytes);
    MD5Final(context);
}

// The digest lands in the context's registers.
void DigestStr(MD5Context& context, std::u16string_view SourceString) {
    MD5Init(context);
    // Byte positions are signed 16-bit, as in one MD5Update call.
    if (SourceString.size() > static_cast<std::size_t>(kMaxUpdateLength)) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
    if (SourceString.size() <= kShortTextLength) {
        std::array<std::uint8_t, kShortTextLength> bytes;
        DigestBytes(context, SourceString, std::span(bytes).first(SourceString.size()));
        return;
    }
    std::vector<std::uint8_t> bytes(SourceString.size());
    DigestBytes(context, SourceString, bytes);
}

template <typename Char>
void RegistersToHexStr(const std::array<std::uint32_t, 4>& registers, Char* digits) {
    for (std::size_t i = 0; i < registers.size(); ++i) {
        LongToHexStr(registers[i], digits + kDigitsPerWord * i);
    }
}

}  // namespace

std::u16string DigestStrToHexStr(MD5Context& context, std::u16string_view SourceString) {
    DigestStr(context, SourceString);
    return GetValues(context);
}

std::u16string GetValues(const MD5Context& context) {
    std::u16string text(kDigitsPerWord * context.Registers.size(), u'0');
    RegistersToHexStr(context.Registers, text.data());
    return text;
}

std::size_t TextDigests::add(std::u16string_view text) {
    if (full()) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
    if (text.size() <= kMD5LaneMessageBytes) {
        std::array<std::uint8_t, kMD5LaneMessageBytes> bytes;
        const std::span<std::uint8_t> message = std::span(bytes).first(text.size());
        StrToByteArray(text, message);
        laneOf_[count_] = lanes_.add(message);
    } else {
        DigestStr(context_, text);
        RegistersToHexStr(context_.Registers, digits_[count_].data());
        laneOf_[count_] = kNoLane;
    }
    return count_++;
}

void TextDigests::finish() {
    if (lanes_.size() == 0) {
        return;
    }
    const auto registers = lanes_.digest();
    for (std::size_t slot = 0; slot < count_; ++slot) {
        if (laneOf_[slot] != kNoLane) {
            RegistersToHexStr(registers[laneOf_[slot]], digits_[slot].data());
            laneOf_[slot] = kNoLane;
        }
    }
}

}  // namespace md5z
