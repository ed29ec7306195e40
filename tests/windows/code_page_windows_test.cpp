// The compiled-in tables against Windows itself: the code page against
// WideCharToMultiByte(936) without best-fit characters, the upper-case map
// against the system's own upper-casing and the forms Unicode adds to it,
// over all 65,536 UTF-16 units.

#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "core/code_page.h"
#include "core/upper_case.h"

namespace md5z {
namespace {

constexpr std::int16_t kSubstitute = '?';

// A unit alone, as the program converts it: one byte, two bytes, or the
// default character "?" for a unit without an exact mapping.
std::int16_t windowsValue(char16_t unit) {
    const auto source = static_cast<wchar_t>(unit);
    unsigned char bytes[4] = {};
    const int length =
        WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, &source, 1, reinterpret_cast<char*>(bytes),
                            sizeof bytes, "?", nullptr);
    return length == 1   ? bytes[0]
           : length == 2 ? static_cast<std::int16_t>(bytes[0] << 8 | bytes[1])
                         : kSubstitute;
}

// The units where the compiled table differs from Windows, the first ten
// named.
template <typename Compiled, typename Windows>
int differences(Compiled compiled, Windows windows) {
    int count = 0;
    for (unsigned unit = 0; unit < kCodeUnitCount; ++unit) {
        const auto one = static_cast<char16_t>(unit);
        if (compiled(one) != windows(one) && ++count <= 10) {
            ADD_FAILURE() << std::hex << "U+" << unit << ": compiled "
                          << static_cast<std::uint16_t>(compiled(one)) << ", Windows "
                          << static_cast<std::uint16_t>(windows(one));
        }
    }
    return count;
}

TEST(CompiledTables, EqualWindowsCodePage936OnEveryUnit) {
    EXPECT_EQ(differences(CodePageValue, windowsValue), 0);
    // GBK's whole double-byte repertoire, so the comparison covered it.
    EXPECT_EQ(std::ranges::count_if(CodePageValues(), [](std::int16_t value) { return value < 0; }),
              23940);
}

// Unicode's simple upper-case forms that Windows' own upper-casing
// (CharUpperW) does not apply: a sign, the dotless i and long s, title-case
// digraphs and variant Greek and Cyrillic letters, each of which Windows
// leaves as it is. The transliteration relies on the first three: the dotless
// i and the long s become I and S, as in the Linux program.
struct UnicodeOnly {
    char16_t unit;
    char16_t upper;
};
constexpr UnicodeOnly kUnicodeOnly[] = {
    {0x00B5, 0x039C}, {0x0131, 0x0049}, {0x017F, 0x0053}, {0x01C5, 0x01C4}, {0x01C8, 0x01C7},
    {0x01CB, 0x01CA}, {0x01F2, 0x01F1}, {0x0345, 0x0399}, {0x03C2, 0x03A3}, {0x03D0, 0x0392},
    {0x03D1, 0x0398}, {0x03D5, 0x03A6}, {0x03D6, 0x03A0}, {0x03F0, 0x039A}, {0x03F1, 0x03A1},
    {0x03F5, 0x0395}, {0x1C80, 0x0412}, {0x1C81, 0x0414}, {0x1C82, 0x041E}, {0x1C83, 0x0421},
    {0x1C84, 0x0422}, {0x1C85, 0x0422}, {0x1C86, 0x042A}, {0x1C87, 0x0462}, {0x1C88, 0xA64A},
    {0x1E9B, 0x1E60}, {0x1FBE, 0x0399}};

// CharUpperW takes a single unit in the low word of its pointer argument.
char16_t windowsUpper(char16_t unit) {
    const auto packed = reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(unit));
    return static_cast<char16_t>(reinterpret_cast<std::uintptr_t>(CharUpperW(packed)));
}

// Surrogates are halves of characters, which neither side upper-cases.
char16_t expectedUpper(char16_t unit) {
    if (unit >= 0xD800 && unit < 0xE000) {
        return unit;
    }
    for (const auto& only : kUnicodeOnly) {
        if (only.unit == unit) {
            return only.upper;
        }
    }
    return windowsUpper(unit);
}

TEST(CompiledTables, UpperCaseIsWindowsUpperCasingWithUnicodesOwnForms) {
    EXPECT_EQ(differences(UpperCaseUnit, expectedUpper), 0);
}

}  // namespace
}  // namespace md5z
