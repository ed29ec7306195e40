#include "core/text_digest.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "core/code_page.h"
#include "core/input_conversion.h"
#include "core/pinyin_initial.h"
#include "core/run_time_error.h"

namespace md5z {

namespace {

// Texts up to this many units are converted on the stack; the typed input
// never exceeds it, so the usual digest allocates nothing for its bytes.
constexpr std::size_t kShortTextLength = 64;

constexpr std::size_t kDigitsPerWord = 8;

// One byte per unit: the unit's code-page value, which must be a single byte.
void StrToByteArray(std::u16string_view text, std::span<std::uint8_t> bytes) {
    const std::span<const std::int16_t, kCodeUnitCount> codes = CodePageValues();
    // A value outside 0..255, negative ones included, has bits above the
    // byte; they are gathered and checked once, after the loop.
    std::uint16_t gathered = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<std::uint16_t>(codes[text[i]]);
        gathered |= code;
        bytes[i] = static_cast<std::uint8_t>(code);
    }
    if (gathered > 0xFF) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
}

// StrToByteArray of pyText(text), with pyText(text) written over
// `converted` on the way.
void ConvertedStrToByteArray(std::u16string_view text, std::u16string& converted,
                             std::span<std::uint8_t> bytes) {
    const std::span<const char16_t, kCodeUnitCount> units = PinyinUnits();
    const std::span<const std::int16_t, kCodeUnitCount> codes = CodePageValues();
    converted.resize(text.size());
    std::uint16_t gathered = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        converted[i] = units[text[i]];
        const auto code = static_cast<std::uint16_t>(codes[converted[i]]);
        gathered |= code;
        bytes[i] = static_cast<std::uint8_t>(code);
    }
    if (gathered > 0xFF) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
}

// The eight hexadecimal digits of each 32-bit word in Wide, a 64-bit word or
// a vector of them, as ASCII: the word's bytes from least to most
// significant, two digits each, the first in the lowest byte. The digits are
// worked out together: each byte of the word is spread over two bytes, one
// nibble in each, and every nibble becomes its digit at once.
template <typename Wide>
[[gnu::always_inline]] inline Wide HexDigitsOf(Wide spread) {
    spread = (spread | spread << 16) & 0x0000FFFF0000FFFF;
    spread = (spread | spread << 8) & 0x00FF00FF00FF00FF;
    // The high nibble first, the low one in the byte after it.
    const Wide high = spread >> 4 & 0x000F000F000F000F;
    const Wide low = spread & 0x000F000F000F000F;
    const Wide nibbles = high | low << 8;
    // '0' + n, and 7 more from 10 on ('A' comes seven characters after
    // '9'); a nibble of 10 or more is the one that carries into bit 4 when
    // 6 is added.
    const Wide letters = (nibbles + 0x0606060606060606) >> 4 & 0x0101010101010101;
    return nibbles + 0x3030303030303030 + 7 * letters;
}

// Writes the eight digits HexDigitsOf gives for one word to digits[0..7].
template <typename Char>
void WriteDigits(std::uint64_t ascii, Char* digits) {
    if constexpr (sizeof(Char) == 1 && std::endian::native == std::endian::little) {
        std::memcpy(digits, &ascii, sizeof ascii);  // one store of all eight
    } else {
        for (std::size_t i = 0; i < kDigitsPerWord; ++i) {
            digits[i] = static_cast<Char>(ascii >> (8 * i) & 0xFF);
        }
    }
}

template <typename Char>
void LongToHexStr(std::uint32_t word, Char* digits) {
    WriteDigits(HexDigitsOf(std::uint64_t{word}), digits);
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

std::size_t TextDigests::addConversionOf(std::u16string_view text, std::u16string& converted) {
    if (full() || text.size() > kMD5LaneMessageBytes) {
        ConvertText(text, converted);
        return add(converted);
    }
    std::array<std::uint8_t, kMD5LaneMessageBytes> bytes;
    const std::span<std::uint8_t> message = std::span(bytes).first(text.size());
    ConvertedStrToByteArray(text, converted, message);
    laneOf_[count_] = lanes_.add(message);
    return count_++;
}

MD5Z_WIDEST_VECTORS void TextDigests::finish() {
    if (lanes_.size() == 0) {
        return;
    }
    // The digits of every lane at once, register by register: LongToHexStr
    // on vectors of words.
    using LaneDigits = std::uint64_t __attribute__((vector_size(8 * kMD5Lanes)));
    const MD5Lanes::Digests digests = lanes_.digest();
    std::array<LaneDigits, 4> digits;
    for (std::size_t r = 0; r < digits.size(); ++r) {
        digits[r] = HexDigitsOf(__builtin_convertvector(digests.registers[r], LaneDigits));
    }
    for (std::size_t slot = 0; slot < count_; ++slot) {
        if (laneOf_[slot] != kNoLane) {
            for (std::size_t r = 0; r < digits.size(); ++r) {
                WriteDigits(digits[r][laneOf_[slot]], digits_[slot].data() + kDigitsPerWord * r);
            }
            laneOf_[slot] = kNoLane;
        }
    }
}

}  // namespace md5z
