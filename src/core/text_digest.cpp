#include "core/text_digest.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "core/run_time_error.h"
#include "core/code_page.h"

namespace md5z {

namespace {

// Texts up to this many units are converted on the stack; the typed input
// never exceeds it, so the usual digest allocates nothing for its bytes.
constexpr std::size_t kShortTextLength = 64;

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// One byte per unit: the unit's code-page value, which must be a single byte.
void StrToByteArray(std::u16string_view text, std::span<std::uint8_t> bytes) {
    const std::span<const std::int16_t, kCodeUnitCount> codes = CodePageValues();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::int16_t code = codes[text[i]];
        if (code < 0 || code > 0xFF) {
            throw RunTimeError(kOverflowError, "Overflow");
        }
        bytes[i] = static_cast<std::uint8_t>(code);
    }
}

// The word's bytes from least to most significant, two digits each, written
// to digits[0..7].
void LongToHexStr(std::uint32_t word, char16_t* digits) {
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t byte = (word >> (8 * i)) & 0xFF;
        digits[2 * i] = kHexDigits[byte >> 4];
        digits[2 * i + 1] = kHexDigits[byte & 0x0F];
    }
}

std::u16string DigestBytes(MD5Context& context, std::u16string_view SourceString,
                           std::span<std::uint8_t> bytes) {
    StrToByteArray(SourceString, bytes);
    MD5Update(context, static_cast<std::int32_t>(SourceString.size()), bytes);
    MD5Final(context);
    return GetValues(context);
}

}  // namespace

std::u16string DigestStrToHexStr(MD5Context& context, std::u16string_view SourceString) {
    MD5Init(context);
    // Byte positions are signed 16-bit, as in one MD5Update call.
    if (SourceString.size() > static_cast<std::size_t>(kMaxUpdateLength)) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
    if (SourceString.size() <= kShortTextLength) {
        std::array<std::uint8_t, kShortTextLength> bytes;
        return DigestBytes(context, SourceString, std::span(bytes).first(SourceString.size()));
    }
    std::vector<std::uint8_t> bytes(SourceString.size());
    return DigestBytes(context, SourceString, bytes);
}

std::u16string GetValues(const MD5Context& context) {
    constexpr std::size_t kDigitsPerWord = 8;
    std::u16string text(kDigitsPerWord * context.Registers.size(), u'0');
    for (std::size_t i = 0; i < context.Registers.size(); ++i) {
        LongToHexStr(context.Registers[i], text.data() + kDigitsPerWord * i);
    }
    return text;
}

}  // namespace md5z
