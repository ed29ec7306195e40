#include "cli/utf8.h"

#include <cstddef>
#include <cstdint>

namespace md5z::cli {
namespace {

bool isContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The payload bits of a continuation byte.
char32_t bitsOf(std::uint8_t continuation) {
    return continuation & 0x3Fu;
}

// A sequence that stands for no character.
constexpr char32_t kMalformed = 0xFFFFFFFF;

struct Decoded {
    char32_t code;
    int length;
};

// The character whose sequence starts at `next`: a lead byte, then as many
// continuation bytes as it says, for a code point that needs them all (no
// over-long form) and is a character. The most frequent lengths come first.
Decoded decodeSequence(const std::uint8_t* next, std::ptrdiff_t left) {
    const std::uint8_t lead = next[0];
    if (lead < 0x80) {
        return {lead, 1};
    }
    if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && isContinuation(next[1]) &&
        isContinuation(next[2])) {
        const char32_t code = (lead & 0x0Fu) << 12 | bitsOf(next[1]) << 6 | bitsOf(next[2]);
        const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
        return {code < 0x800 || surrogate ? kMalformed : code, 3};
    }
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && isContinuation(next[1])) {
        return {(lead & 0x1Fu) << 6 | bitsOf(next[1]), 2};
    }
    if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && isContinuation(next[1]) &&
        isContinuation(next[2]) && isContinuation(next[3])) {
        const char32_t code =
            (lead & 0x07u) << 18 | bitsOf(next[1]) << 12 | bitsOf(next[2]) << 6 | bitsOf(next[3]);
        return {code < 0x10000 || code > 0x10FFFF ? kMalformed : code, 4};
    }
    return {kMalformed, 1};
}

}  // namespace

std::optional<std::u16string_view> decodeUtf8(std::string_view bytes, std::u16string& buffer) {
    // Never more units than bytes.
    if (buffer.size() < bytes.size()) {
        buffer.resize(bytes.size());
    }
    char16_t* const units = buffer.data();
    char16_t* out = units;
    const auto* next = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = next + bytes.size();
    while (next < end) {
        const Decoded decoded = decodeSequence(next, end - next);
        if (decoded.code == kMalformed) {
            return std::nullopt;
        }
        next += decoded.length;
        if (decoded.code < 0x10000) {
            *out++ = static_cast<char16_t>(decoded.code);
        } else {
            *out++ = static_cast<char16_t>(0xD800 + ((decoded.code - 0x10000) >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + ((decoded.code - 0x10000) & 0x3FF));
        }
    }
    return std::u16string_view(units, static_cast<std::size_t>(out - units));
}

char* writeUtf8(std::u16string_view units, char* out) {
    for (std::size_t i = 0; i < units.size();) {
        const Utf16Character character = characterAt(units, i);
        if (character.lone) {
            *out++ = '?';
        } else {
            out = writeCodePoint(character.code, out);
        }
        i += character.units;
    }
    return out;
}

}  // namespace md5z::cli
