// From each unit to its initial, and on to the converted input whose digest
// the tool computes. The code page itself is held to Windows
// (code_page_windows_test.cpp), and the unit table to the rule it is
// generated from (unit_tables.regenerated).

#include "core/input_conversion.h"

#include <ostream>
#include <string>
#include <string_view>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/pinyin_initial.h"
#include "core/run_time_error.h"

namespace md5z {
namespace {

using namespace std::string_view_literals;
using ::testing::Property;
using ::testing::Throws;

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
