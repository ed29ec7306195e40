// From each unit's code-page value to its initial, and on to the converted
// input whose digest the tool computes.

#include "core/input_conversion.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/run_time_error.h"
#include "core/pinyin_initial.h"
#include "core/code_page.h"

namespace md5z {
namespace {

using namespace std::string_view_literals;
using ::testing::Property;
using ::testing::Throws;

constexpr std::int16_t kSubstitute = '?';

TEST(CodePageValue, MapsUnitsToTheirCodePage936Code) {
    const std::pair<char16_t, std::uint16_t> cases[] = {
        {u'\0', 0},      {u'\x7F', 127},  {u'€', 0x80},        {u'\uF8F5', 0xFF},
        {u'啊', 0xB0A1}, {u'丂', 0x8140}, {u'\uE4C5', 0xFEFE}, {u'?', kSubstitute}};
    for (const auto& [unit, code] : cases) {
        EXPECT_EQ(CodePageValue(unit), static_cast<std::int16_t>(code)) << std::hex << +unit;
    }
    // Not in the code page, only in its best-fit or fallback table, dropped as
    // ignorable by a converter, or lone surrogates: all take the substitute.
    for (const char16_t unit : u"\u0080ß¢À\u00AD\u200D\uFEFF\uFFFF\xD800\xDFFF"sv) {
        EXPECT_EQ(CodePageValue(unit), kSubstitute) << std::hex << +unit;
    }
}

TEST(Transliteration, GivesEachCharacterItsInitial) {
    const std::u16string_view units =
        // Each boundary character after the character one code below it.
        u"盃啊澳芭怖擦错搭堕蛾贰发咐噶过哈祸击骏喀阔垃络妈穆拿诺哦沤啪瀑期群然弱撒所塌唾挖误昔迅压"
        u"孕匝"
        // Level-1 inside, level-2 ends, symbols, extension and private-use units.
        u"中文你好座亍齄，１\u3000éαａ丂盄\uE000\uE810\uE234"
        // Single-byte units, those the code page lacks ('?' stands in) included.
        u"azQAZ@[`{5 \x7F€\uF8F5ıſßäﬁ\u212A\uF8FF\0"sv;
    const std::u16string_view initials =
        u"0AABBCCDDEEFFGGHHJJKKLLMMNNOOPPQQRRSSTTWWXXYYZ"
        u"ZWNHZZZ0000000B0ZZ"
        u"AZQAZ@[`{5 \x7F€\uF8F5ISßäﬁ\u212A\uF8FF\0"sv;
    ASSERT_EQ(units.size(), initials.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        EXPECT_EQ(py(units.substr(i, 1)), initials.substr(i, 1)) << std::hex << +units[i];
        EXPECT_EQ(pyUnit(units[i]), initials[i]) << std::hex << +units[i];
    }
}

// Every unit gives one single-byte unit: itself, "0" or a letter. Taken in
// code order, double-byte characters give "0" first, then initials that never
// go back, and never I, U or V.
TEST(Transliteration, EveryUnitGivesOneSingleByteUnitAndInitialsRiseWithTheCode) {
    std::u16string everyUnit(0x10000, u'\0');
    std::iota(everyUnit.begin(), everyUnit.end(), u'\0');
    const std::u16string converted = pyText(everyUnit);
    ASSERT_EQ(converted.size(), everyUnit.size());
    std::vector<std::pair<std::uint16_t, char16_t>> byCode;
    for (const char16_t unit : everyUnit) {
        const std::u16string result = py(std::u16string(1, unit));
        ASSERT_EQ(result.size(), 1u) << std::hex << +unit;
        const char16_t r = result.front();
        ASSERT_TRUE(r == pyUnit(unit) && r == converted[unit]) << std::hex << +unit;
        ASSERT_TRUE(r == unit || r == u'0' || (r >= u'A' && r <= u'Z')) << std::hex << +unit;
        ASSERT_TRUE(CodePageValue(r) >= 0 && CodePageValue(r) <= 255) << std::hex << +unit;
        if (CodePageValue(unit) < 0) {
            byCode.emplace_back(static_cast<std::uint16_t>(CodePageValue(unit)), r);
        }
    }
    std::sort(byCode.begin(), byCode.end());
    std::u16string seen;
    for (const auto& [code, initial] : byCode) {
        if (seen.empty() || seen.back() != initial) {
            seen.push_back(initial);
        }
        ASSERT_TRUE(code >= 0xB0A1 || initial == u'0') << std::hex << code;
    }
    EXPECT_EQ(seen, u"0ABCDEFGHJKLMNOPQRSTWXYZ");
}

struct Conversion {
    const char* name;
    std::u16string input, text, length, remaining;
};

void PrintTo(const Conversion& conversion, std::ostream* out) {
    *out << conversion.name;
}

class ConvertInputOf : public ::testing::TestWithParam<Conversion> {};

TEST_P(ConvertInputOf, ConvertsEachUnitAndCountsDownFromTheLimit) {
    const Conversion& c = GetParam();
    const ConvertedInput result = ConvertInput(c.input);
    EXPECT_EQ(result.ConvertedText, c.text);
    EXPECT_EQ(result.ConvertedLength, c.length);
    EXPECT_EQ(result.RemainingCount, c.remaining);
}

INSTANTIATE_TEST_SUITE_P(
    ConvertInput, ConvertInputOf,
    ::testing::Values(Conversion{"Empty", u"", u"", u"0", u"30"},
                      Conversion{"HanziLettersDigits", u"中文abc123", u"ZWABC123", u"8", u"22"},
                      // A character outside the basic plane takes two units, each passed on.
                      Conversion{"Supplementary", u"\U0001F600", u"\U0001F600", u"2", u"28"},
                      Conversion{"PastTheLimit", std::u16string(35, u'x'), std::u16string(35, u'X'),
                                 u"35", u"-5"},
                      Conversion{"Longest", std::u16string(32767, u'a'),
                                 std::u16string(32767, u'A'), u"32767", u"-32737"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertInput, FailsForTextLongerThanItsCounter) {
    EXPECT_THAT([] { ConvertInput(std::u16string(32768, u'a')); },
                Throws<RunTimeError>(Property(&RunTimeError::number, kOverflowError)));
}

}  // namespace
}  // namespace md5z
