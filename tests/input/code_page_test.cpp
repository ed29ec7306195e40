#include "platform/code_page.h"

#include <cstdint>

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

namespace md5z {
namespace {

constexpr std::int16_t kSubstitute = '?';

struct UnitValue {
    char16_t unit;
    std::int16_t value;
    const char* why;
};

std::int16_t DoubleByte(std::uint16_t code) {
    return static_cast<std::int16_t>(code);
}

TEST(CodePageValue, MapsUnitsToTheirCodePage936Code) {
    const UnitValue cases[] = {
        {u'\0', 0, "NUL"},
        {u'A', 65, "ASCII letter"},
        {u'~', 126, "ASCII punctuation"},
        {u'\x7F', 127, "last ASCII unit"},
        {u'\u20AC', 128, "euro sign, the single byte 0x80"},
        {u'\uF8F5', 255, "private-use unit held by the single byte 0xFF"},
        {u'啊', -20319, "first level-1 hanzi, B0A1"},
        {u'齄', DoubleByte(0xF7FE), "last level-2 hanzi"},
        {u'丂', DoubleByte(0x8140), "first GBK extension character"},
        {u'é', DoubleByte(0xA8A6), "pinyin letter with tone mark"},
        {u'\uE000', DoubleByte(0xAAA1), "first private-use unit, user-defined area"},
        {u'\uE4C5', DoubleByte(0xFEFE), "last user-defined code"},
        {u'\u0080', kSubstitute, "C1 control, not in the code page"},
        {u'ß', kSubstitute, "not in the code page"},
        {u'ı', kSubstitute, "not in the code page"},
        {u'\uF8FF', kSubstitute, "private-use unit without a code"},
        {u'\uFFFF', kSubstitute, "noncharacter"},
        {u'¢', kSubstitute, "fallback-only mapping (to A1E9) must not be used"},
        {u'À', kSubstitute, "fallback-only mapping (to A8A4) must not be used"},
        {u'\u00AD', kSubstitute, "soft hyphen: a converter would drop it"},
        {u'\uFEFF', kSubstitute, "byte order mark: a converter would drop it"},
        {u'\u200D', kSubstitute, "zero-width joiner: a converter would drop it"},
        {u'\xD800', kSubstitute, "lone high surrogate"},
        {u'\xDBFF', kSubstitute, "lone high surrogate"},
        {u'\xDC00', kSubstitute, "lone low surrogate"},
        {u'\xDFFF', kSubstitute, "lone low surrogate"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CodePageValue(c.unit), c.value)
            << "U+" << std::hex << static_cast<int>(c.unit) << " (" << c.why << ")";
    }
}

// Every value is one byte or a well-formed GBK pair, and decodes back to the
// very unit it came from: a best-fit or fallback mapping would not.
TEST(CodePageValue, EveryCodeIsAnExactMapping) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* decoder = ucnv_open("windows-936", &status);
    ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    int substituted = 0;
    for (std::uint32_t u = 0; u <= 0xFFFF; ++u) {
        const auto unit = static_cast<char16_t>(u);
        const std::int16_t value = CodePageValue(unit);
        ASSERT_LE(value, 255) << std::hex << u;
        if (value == kSubstitute && unit != u'?') {
            ++substituted;
            continue;
        }
        char bytes[2];
        int32_t length = 1;
        if (value < 0) {
            const auto code = static_cast<std::uint16_t>(value);
            bytes[0] = static_cast<char>(code >> 8);
            bytes[1] = static_cast<char>(code & 0xFF);
            length = 2;
            ASSERT_GE(code >> 8, 0x81) << std::hex << u;
            ASSERT_GE(code & 0xFF, 0x40) << std::hex << u;
            ASSERT_NE(code & 0xFF, 0x7F) << std::hex << u;
        } else {
            bytes[0] = static_cast<char>(value);
        }
        UChar decoded[4];
        status = U_ZERO_ERROR;
        ucnv_reset(decoder);
        const int32_t units = ucnv_toUChars(decoder, decoded, 4, bytes, length, &status);
        ASSERT_TRUE(U_SUCCESS(status)) << std::hex << u;
        ASSERT_EQ(units, 1) << std::hex << u;
        ASSERT_EQ(decoded[0], unit) << std::hex << u;
    }
    ucnv_close(decoder);
    // The surrogates alone account for 2048 substitutes.
    EXPECT_GT(substituted, 2048);
}

}  // namespace
}  // namespace md5z
