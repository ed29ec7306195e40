#include "input/pinyin_initial.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace md5z {
namespace {

std::u16string One(char16_t unit) {
    return std::u16string(1, unit);
}

std::string Hex(char16_t unit) {
    char text[8];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(unit));
    return text;
}

struct Hanzi {
    char16_t unit;
    std::uint16_t code;
    char16_t initial;
};

// Each boundary character, and the character whose code lies one below it.
const Hanzi kBoundaries[] = {
    {u'盃', 0xB0A0, u'0'}, {u'啊', 0xB0A1, u'A'}, {u'澳', 0xB0C4, u'A'}, {u'芭', 0xB0C5, u'B'},
    {u'怖', 0xB2C0, u'B'}, {u'擦', 0xB2C1, u'C'}, {u'错', 0xB4ED, u'C'}, {u'搭', 0xB4EE, u'D'},
    {u'堕', 0xB6E9, u'D'}, {u'蛾', 0xB6EA, u'E'}, {u'贰', 0xB7A1, u'E'}, {u'发', 0xB7A2, u'F'},
    {u'咐', 0xB8C0, u'F'}, {u'噶', 0xB8C1, u'G'}, {u'过', 0xB9FD, u'G'}, {u'哈', 0xB9FE, u'H'},
    {u'祸', 0xBBF6, u'H'}, {u'击', 0xBBF7, u'J'}, {u'骏', 0xBFA5, u'J'}, {u'喀', 0xBFA6, u'K'},
    {u'阔', 0xC0AB, u'K'}, {u'垃', 0xC0AC, u'L'}, {u'络', 0xC2E7, u'L'}, {u'妈', 0xC2E8, u'M'},
    {u'穆', 0xC4C2, u'M'}, {u'拿', 0xC4C3, u'N'}, {u'诺', 0xC5B5, u'N'}, {u'哦', 0xC5B6, u'O'},
    {u'沤', 0xC5BD, u'O'}, {u'啪', 0xC5BE, u'P'}, {u'瀑', 0xC6D9, u'P'}, {u'期', 0xC6DA, u'Q'},
    {u'群', 0xC8BA, u'Q'}, {u'然', 0xC8BB, u'R'}, {u'弱', 0xC8F5, u'R'}, {u'撒', 0xC8F6, u'S'},
    {u'所', 0xCBF9, u'S'}, {u'塌', 0xCBFA, u'T'}, {u'唾', 0xCDD9, u'T'}, {u'挖', 0xCDDA, u'W'},
    {u'误', 0xCEF3, u'W'}, {u'昔', 0xCEF4, u'X'}, {u'迅', 0xD1B8, u'X'}, {u'压', 0xD1B9, u'Y'},
    {u'孕', 0xD4D0, u'Y'}, {u'匝', 0xD4D1, u'Z'},
};

const Hanzi kOtherDoubleByte[] = {
    {u'中', 0xD6D0, u'Z'},     {u'文', 0xCEC4, u'W'},     {u'你', 0xC4E3, u'N'},
    {u'好', 0xBAC3, u'H'},     {u'座', 0xD7F9, u'Z'},     {u'亍', 0xD8A1, u'Z'},
    {u'齄', 0xF7FE, u'Z'},     {u'，', 0xA3AC, u'0'},     {u'１', 0xA3B1, u'0'},
    {u'\u3000', 0xA1A1, u'0'}, {u'é', 0xA8A6, u'0'},      {u'α', 0xA6C1, u'0'},
    {u'ａ', 0xA3E1, u'0'},     {u'丂', 0x8140, u'0'},     {u'盄', 0xB140, u'B'},
    {u'\uE000', 0xAAA1, u'0'}, {u'\uE810', 0xD7FA, u'Z'}, {u'\uE234', 0xF8A1, u'Z'},
};

void ExpectInitial(const Hanzi& h) {
    ASSERT_EQ(CodePageValue(h.unit), static_cast<std::int16_t>(h.code)) << Hex(h.unit);
    EXPECT_EQ(py(One(h.unit)), One(h.initial)) << Hex(h.unit);
    EXPECT_EQ(pyUnit(h.unit), h.initial) << Hex(h.unit);
}

TEST(Transliteration, BoundaryCharactersAndTheirLowerNeighbours) {
    for (const auto& h : kBoundaries) {
        ExpectInitial(h);
    }
}

TEST(Transliteration, OtherDoubleByteRanges) {
    for (const auto& h : kOtherDoubleByte) {
        ExpectInitial(h);
    }
}

TEST(Transliteration, SingleByteAndUnmappableUnits) {
    const struct {
        char16_t unit;
        char16_t result;
    } cases[] = {
        {u'a', u'A'},
        {u'z', u'Z'},
        {u'Q', u'Q'},
        {u'A', u'A'},
        {u'Z', u'Z'},
        {u'@', u'@'},
        {u'[', u'['},
        {u'`', u'`'},
        {u'{', u'{'},
        {u'5', u'5'},
        {u' ', u' '},
        {u'\0', u'\0'},
        {u'\x7F', u'\x7F'},
        {u'\u20AC', u'\u20AC'},
        {u'\uF8F5', u'\uF8F5'},
        // Not in the code page, so single-byte by substitution: only the
        // simple upper-case mapping onto A..Z changes them.
        {u'ı', u'I'},
        {u'ſ', u'S'},
        {u'ß', u'ß'},
        {u'ä', u'ä'},
        {u'ﬁ', u'ﬁ'},
        {u'\u212A', u'\u212A'},
        {u'\uF8FF', u'\uF8FF'},
        {u'\xD83D', u'\xD83D'},
        {u'\xDE00', u'\xDE00'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(py(One(c.unit)), One(c.result)) << Hex(c.unit);
        EXPECT_EQ(pyUnit(c.unit), c.result) << Hex(c.unit);
    }
}

TEST(Transliteration, LongerArgumentsFollowTheirFirstCharacter) {
    EXPECT_EQ(py(u""), u"");
    EXPECT_EQ(py(u"中文"), u"Z");
    EXPECT_EQ(py(u"ab"), u"A");
    EXPECT_EQ(py(u"5a"), u"5a");
    // The whole argument, upper-cased, is compared with "Z": "ZA" is greater.
    EXPECT_EQ(py(u"za"), u"za");
    EXPECT_EQ(py(u"\U0001F600"), u"\U0001F600");
}

TEST(Transliteration, EveryUnitGivesOneSingleByteUnit) {
    std::u16string everyUnit;
    for (std::uint32_t u = 0; u <= 0xFFFF; ++u) {
        everyUnit.push_back(static_cast<char16_t>(u));
    }
    const std::u16string converted = pyText(everyUnit);
    ASSERT_EQ(converted.size(), everyUnit.size());
    for (const char16_t unit : everyUnit) {
        const std::u16string whole = py(One(unit));
        ASSERT_EQ(whole.size(), 1u) << Hex(unit);
        ASSERT_EQ(pyUnit(unit), whole.front()) << Hex(unit);
        ASSERT_EQ(converted[unit], whole.front()) << Hex(unit);
        const std::int16_t value = CodePageValue(whole.front());
        ASSERT_GE(value, 0) << Hex(unit);
        ASSERT_LE(value, 255) << Hex(unit);
        if (whole.front() != unit) {
            const char16_t r = whole.front();
            ASSERT_TRUE(r == u'0' || (r >= u'A' && r <= u'Z')) << Hex(unit);
        }
    }
}

TEST(Transliteration, PrivateUseUnitsFollowTheirCode) {
    for (char16_t unit = u'\uE000'; unit <= u'\uF8FF'; ++unit) {
        const std::int16_t value = CodePageValue(unit);
        const auto code = static_cast<std::uint16_t>(value);
        const char16_t expected = value >= 0 ? unit : code < 0xB0A1 ? u'0' : u'Z';
        ASSERT_EQ(pyUnit(unit), expected) << Hex(unit);
    }
}

// Taken in code order, the double-byte characters give "0" first, then
// initials that never go back, and never I, U or V.
TEST(Transliteration, InitialsRiseWithTheCode) {
    std::vector<std::pair<std::uint16_t, char16_t>> byCode;
    for (std::uint32_t u = 0; u <= 0xFFFF; ++u) {
        const auto unit = static_cast<char16_t>(u);
        const std::int16_t value = CodePageValue(unit);
        if (value < 0) {
            byCode.emplace_back(static_cast<std::uint16_t>(value), pyUnit(unit));
        }
    }
    std::sort(byCode.begin(), byCode.end());
    std::u16string seen;
    for (const auto& [code, initial] : byCode) {
        if (seen.empty() || seen.back() != initial) {
            seen.push_back(initial);
        }
        if (code < 0xB0A1) {
            ASSERT_EQ(initial, u'0') << std::hex << code;
        }
        if (code >= 0xD4D1) {
            ASSERT_EQ(initial, u'Z') << std::hex << code;
        }
    }
    EXPECT_EQ(seen, u"0ABCDEFGHJKLMNOPQRSTWXYZ");
}

}  // namespace
}  // namespace md5z
