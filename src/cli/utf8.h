#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace md5z::cli {

// Decodes well-formed UTF-8 into UTF-16 and returns the units, which lie in
// `buffer`; it only ever grows, so text after text is decoded without
// filling it first. Any malformed sequence refuses the whole text (nothing
// is returned): a stray or missing continuation byte, an over-long form, an
// encoded surrogate, anything above U+10FFFF. A byte-order mark and the
// noncharacters are characters like any other.
std::optional<std::u16string_view> decodeUtf8(std::string_view bytes, std::u16string& buffer);

// The most bytes UTF-8 takes for one UTF-16 unit.
inline constexpr std::size_t kMostUtf8BytesPerUnit = 3;

// Writes the UTF-8 of `units` at `out` and returns its end; a surrogate
// without its partner, which UTF-8 cannot encode, is written as '?'.
char* writeUtf8(std::u16string_view units, char* out);

// A character of UTF-16 text: its code point and how many units it takes.
// A surrogate without its partner stands for itself, one unit, marked lone.
struct Utf16Character {
    char32_t code;
    std::size_t units;
    bool lone;
};

inline Utf16Character characterAt(std::u16string_view units, std::size_t at) {
    const char32_t unit = units[at];
    if (unit < 0xD800 || unit > 0xDFFF) {
        return {unit, 1, false};
    }
    if (unit <= 0xDBFF && at + 1 < units.size() && units[at + 1] >= 0xDC00 &&
        units[at + 1] <= 0xDFFF) {
        return {0x10000 + ((unit - 0xD800) << 10) + (units[at + 1] - 0xDC00u), 2, false};
    }
    return {unit, 1, true};
}

// Writes the UTF-8 of a code point that is no surrogate and returns its end.
inline char* writeCodePoint(char32_t code, char* out) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | code >> 6);
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | code >> 12);
        *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | code >> 18);
        *out++ = static_cast<char>(0x80 | (code >> 12 & 0x3F));
        *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

}  // namespace md5z::cli
