#include "digest/text_digest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "digest/run_time_error.h"
#include "reference_md5.h"

namespace md5z {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::u16string Utf16(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

std::string ReferenceHex(const std::string& ascii) {
    const std::vector<std::uint8_t> bytes(ascii.begin(), ascii.end());
    return Upper(testing::ReferenceMD5(bytes));
}

int DigestErrorNumber(MD5Context& context, std::u16string_view text) {
    try {
        DigestStrToHexStr(context, text);
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}

TEST(TextDigest, RendersTheDigestAs32UpperCaseDigits) {
    struct Case {
        std::u16string_view text;
        std::u16string_view digest;
    };
    for (const Case c : {
             Case{u"", u"D41D8CD98F00B204E9800998ECF8427E"},
             // The first byte, 0x0C, keeps its leading zero.
             Case{u"a", u"0CC175B9C0F1B6A831C399E269772661"},
             Case{u"abc", u"900150983CD24FB0D6963F7D28E17F72"},
         }) {
        MD5Context context;
        EXPECT_EQ(DigestStrToHexStr(context, c.text), c.digest);
    }
}

TEST(TextDigest, TakesOneByteFromEachUnitsCodePageValue) {
    // The transliterated form of 中文abc, and texts around the length at
    // which the byte array leaves the stack.
    for (const std::string& text : {std::string("ZWABC"), std::string(64, 'x'),
                                    std::string(65, 'y'), std::string("~!@#$%^&*() \t\n")}) {
        MD5Context context;
        EXPECT_EQ(DigestStrToHexStr(context, Utf16(text)), Utf16(ReferenceHex(text))) << text;
    }
}

TEST(TextDigest, DigestsAtMost32767Units) {
    MD5Context context;
    const std::string longest(32767, 'Q');
    EXPECT_EQ(DigestStrToHexStr(context, Utf16(longest)), Utf16(ReferenceHex(longest)));

    EXPECT_EQ(DigestErrorNumber(context, Utf16(longest + "Q")), kOverflowError);
    EXPECT_EQ(context.ByteCount, 0);
}

TEST(TextDigest, FailsForADoubleByteCharacterAnywhere) {
    for (const std::u16string_view text : {u"中", u"中文abc", u"ab中c", u"abc文", u"ABC，"}) {
        MD5Context context;
        EXPECT_EQ(DigestErrorNumber(context, text), kOverflowError);
        // The context was reset and nothing absorbed, so the next digest
        // starts afresh.
        EXPECT_EQ(context.ByteCount, 0);
        EXPECT_EQ(GetValues(context), u"0123456789ABCDEFFEDCBA9876543210");
        EXPECT_EQ(DigestStrToHexStr(context, u"abc"), u"900150983CD24FB0D6963F7D28E17F72");
    }
}

TEST(TextDigest, GetValuesReadsTheInitialRegistersInOutputOrder) {
    MD5Context context;
    MD5Init(context);
    EXPECT_EQ(GetValues(context), u"0123456789ABCDEFFEDCBA9876543210");
    context.Registers = {0x00000000, 0xFFFFFFFF, 0x80000001, 0x0A0B0C0D};
    EXPECT_EQ(GetValues(context), u"00000000FFFFFFFF010000800D0C0B0A");
}

}  // namespace
}  // namespace md5z
