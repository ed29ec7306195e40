#include "cli/json_string.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "cli/utf8.h"

namespace md5z::cli {
namespace {

char* writeUnitEscape(char16_t unit, char* out) {
    constexpr char kHexDigits[] = "0123456789abcdef";
    *out++ = '\\';
    *out++ = 'u';
    for (int shift = 12; shift >= 0; shift -= 4) {
        *out++ = kHexDigits[unit >> shift & 0xF];
    }
    return out;
}

// The letter of a two-character escape, or '\0' for a character that has none.
char shortEscapeOf(char16_t unit) {
    switch (unit) {
        case u'"':
            return '"';
        case u'\\':
            return '\\';
        case u'\b':
            return 'b';
        case u'\f':
            return 'f';
        case u'\n':
            return 'n';
        case u'\r':
            return 'r';
        case u'\t':
            return 't';
        default:
            return '\0';
    }
}

// Writes a character below 0x20, a quote or a backslash as JSON escapes it.
char* writeEscape(char16_t unit, char* out) {
    if (const char letter = shortEscapeOf(unit); letter != '\0') {
        *out++ = '\\';
        *out++ = letter;
        return out;
    }
    return writeUnitEscape(unit, out);
}

// Whether each ASCII character stands for itself in a JSON string: all but
// those below 0x20, the quote and the backslash.
constexpr std::array<bool, 0x80> kPlainAscii = [] {
    std::array<bool, 0x80> plain{};
    for (std::size_t c = 0; c < plain.size(); ++c) {
        plain[c] = c >= 0x20 && c != '"' && c != '\\';
    }
    return plain;
}();

bool needsEscape(char16_t unit) {
    return unit < kPlainAscii.size() && !kPlainAscii[unit];
}

// Whether any of eight bytes is below 0x20, a quote or a backslash: each
// test is the known one for a byte below a bound, borrowing into the byte's
// top bit (a byte of 0x80 or more never counts). The three are taken
// together, without a branch between them.
[[gnu::always_inline]] inline bool anyNeedsEscape(std::uint64_t bytes) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kTops = 0x8080808080808080;
    const auto below = [](std::uint64_t word, std::uint64_t bound) {
        return (word - kOnes * bound) & ~word & kTops;
    };
    return (below(bytes, 0x20) | below(bytes ^ (kOnes * '"'), 1) |
            below(bytes ^ (kOnes * '\\'), 1)) != 0;
}

}  // namespace

char* writeJsonString(std::string_view utf8, char* out) {
    *out++ = '"';
    // Eight bytes at a time while none of them needs an escape.
    constexpr std::size_t kEight = sizeof(std::uint64_t);
    const auto plainEightAt = [utf8](std::size_t at) {
        std::uint64_t eight;
        std::memcpy(&eight, utf8.data() + at, sizeof eight);
        return !anyNeedsEscape(eight);
    };
    std::size_t at = 0;
    while (utf8.size() - at >= kEight && plainEightAt(at)) {
        std::memcpy(out, utf8.data() + at, kEight);
        out += kEight;
        at += kEight;
    }
    // Fewer than eight left: the text's last eight bytes, when it has as
    // many, are written over the ones they share with those before.
    if (utf8.size() - at < kEight && utf8.size() >= kEight && plainEightAt(utf8.size() - kEight)) {
        const std::size_t left = utf8.size() - at;
        std::memcpy(out - (kEight - left), utf8.data() + utf8.size() - kEight, kEight);
        out += left;
        at = utf8.size();
    }
    for (const char c : utf8.substr(at)) {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte)) {
            out = writeEscape(byte, out);
        } else {
            *out++ = c;
        }
    }
    *out++ = '"';
    return out;
}

char* writeJsonString(std::u16string_view text, char* out) {
    *out++ = '"';
    for (std::size_t i = 0; i < text.size();) {
        // Most of a converted text is letters and digits.
        if (text[i] < kPlainAscii.size() && kPlainAscii[text[i]]) {
            *out++ = static_cast<char>(text[i++]);
            continue;
        }
        const Utf16Character character = characterAt(text, i);
        if (needsEscape(text[i]) || character.lone) {
            out = writeEscape(text[i], out);
        } else {
            out = writeCodePoint(character.code, out);
        }
        i += character.units;
    }
    *out++ = '"';
    return out;
}

}  // namespace md5z::cli
