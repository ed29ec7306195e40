#include "input/input_conversion.h"

#include <string>

#include <gtest/gtest.h>

#include "digest/run_time_error.h"

namespace md5z {
namespace {

struct Conversion {
    std::u16string input;
    std::u16string text;
    std::u16string length;
    std::u16string remaining;
};

std::u16string Repeat(char16_t unit, std::size_t count) {
    return std::u16string(count, unit);
}

TEST(ConvertInput, ConvertsEachCharacterAndCountsDown) {
    const Conversion cases[] = {
        {u"", u"", u"0", u"30"},
        {u"a", u"A", u"1", u"29"},
        {u"ab", u"AB", u"2", u"28"},
        {u"abc", u"ABC", u"3", u"27"},
        {u"中文abc123", u"ZWABC123", u"8", u"22"},
        {u"你好，世界", u"NH0SJ", u"5", u"25"},
        {u"a b", u"A B", u"3", u"27"},
        {u"\U0001F600", u"\U0001F600", u"2", u"28"},
        {Repeat(u'中', 30), Repeat(u'Z', 30), u"30", u"0"},
        {Repeat(u'x', 35), Repeat(u'X', 35), u"35", u"-5"},
    };
    for (const auto& c : cases) {
        const ConvertedInput result = ConvertInput(c.input);
        EXPECT_EQ(result.ConvertedText, c.text);
        EXPECT_EQ(result.ConvertedLength, c.length);
        EXPECT_EQ(result.RemainingCount, c.remaining);
    }
}

TEST(ConvertInput, LengthMustFitSixteenBits) {
    const ConvertedInput longest = ConvertInput(Repeat(u'a', 32767));
    EXPECT_EQ(longest.ConvertedText, Repeat(u'A', 32767));
    EXPECT_EQ(longest.ConvertedLength, u"32767");
    EXPECT_EQ(longest.RemainingCount, u"-32737");

    try {
        ConvertInput(Repeat(u'a', 32768));
        FAIL() << "32,768 units converted";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.number(), kOverflowError);
    }
}

}  // namespace
}  // namespace md5z
