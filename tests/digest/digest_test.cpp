// The MD5 engine and its word operations, and the text digest built on them,
// checked against RFC 1321's own results and against OpenSSL.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/md5.h"
#include "core/md5_lanes.h"
#include "core/run_time_error.h"
#include "core/text_digest.h"
#include "reference_md5.h"

namespace md5z {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string RegistersHex(const MD5Context& context) {
    char hex[33];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(hex + 2 * i, 3, "%02x", (context.Registers[i / 4] >> (8 * (i % 4))) & 0xFF);
    }
    return hex;
}

// Digests the message in pieces that end at the given offsets, starting with
// MD5Init on the context given.
std::string Digest(std::string_view message, std::vector<std::size_t> cuts = {},
                   MD5Context context = {}) {
    MD5Init(context);
    cuts.push_back(message.size());
    std::size_t start = 0;
    for (const std::size_t cut : cuts) {
        MD5Update(context, static_cast<std::int32_t>(cut - start),
                  Bytes(message.substr(start, cut - start)));
        start = cut;
    }
    MD5Final(context);
    return RegistersHex(context);
}

// Random bytes, the same for a length in every run: a block read from the
// wrong place changes the digest.
std::string RandomBytes(std::size_t length) {
    std::mt19937 random(static_cast<std::uint32_t>(length));
    std::string bytes(length, '\0');
    std::generate(bytes.begin(), bytes.end(), [&random] { return static_cast<char>(random()); });
    return bytes;
}

// The error number the operation raises, 0 when it succeeds.
template <typename Operation>
int ErrorNumber(Operation operation) {
    try {
        operation();
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}

TEST(MD5Engine, GivesTheDigestsRfc1321Lists) {
    const std::pair<std::string_view, std::string_view> known[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"}};
    for (const auto& [message, digest] : known) {
        EXPECT_EQ(Digest(message), digest) << message;
    }
}

TEST(MD5Engine, SplittingIntoTwoUpdatesAtAnyPointGivesTheSameDigest) {
    const std::string message = RandomBytes(200);
    for (std::size_t cut = 0; cut <= message.size(); ++cut) {
        EXPECT_EQ(Digest(message, {cut}), ReferenceMD5(message)) << "cut at " << cut;
        EXPECT_EQ(Digest(message, {0, cut, cut, message.size()}), ReferenceMD5(message))
            << "cut at " << cut << " with empty updates around it";
    }
}

// Every length up to 149 bytes, so every place a block boundary can fall
// (56 to 63 bytes past one leave no room for the length), then longer ones.
TEST(MD5Engine, MatchesOpenSslOnRandomMessagesInRandomPieces) {
    std::mt19937 random(1321);
    for (int round = 0; round < 300; ++round) {
        const std::string message = RandomBytes(round < 150 ? round : random() % 5000);
        for (int split = 0; split < 8; ++split) {
            std::vector<std::size_t> cuts;
            // Pieces mostly short, sometimes a few blocks long.
            for (std::size_t at = 0; at < message.size();) {
                at = std::min(at + random() % (split % 2 == 0 ? 80 : 400), message.size());
                cuts.push_back(at);
            }
            ASSERT_EQ(Digest(message, cuts), ReferenceMD5(message))
                << message.size() << " bytes, split " << split;
        }
    }
}

TEST(MD5Engine, UpdateFailsPastItsLimitsAndInitRestoresTheContext) {
    struct Case {
        std::int32_t byteCount, inputLen, bufferLength, error;
    };
    const std::string bytes = RandomBytes(32768);
    for (const Case c : {Case{0, 32767, 32767, 0}, Case{0, 32768, 32768, kOverflowError},
                         Case{0, 1, 0, kSubscriptError}, Case{0, 65, 64, kSubscriptError},
                         Case{0, -1, 10, kSubscriptError}, Case{INT32_MAX - 10, 10, 64, 0},
                         Case{INT32_MAX - 10, 11, 64, kOverflowError}}) {
        MD5Context context;
        MD5Init(context);
        context.ByteCount = c.byteCount;
        const std::string_view buffer = std::string_view(bytes).substr(0, c.bufferLength);
        EXPECT_EQ(ErrorNumber([&] { MD5Update(context, c.inputLen, Bytes(buffer)); }), c.error)
            << c.inputLen << " of " << c.bufferLength << " bytes after " << c.byteCount;
        EXPECT_EQ(Digest("abc", {}, context), ReferenceMD5("abc"));
    }
}

// The bit length is formed in 32 signed bits.
TEST(MD5Engine, FinalFailsForAMessageOf2To28BytesOrMore) {
    constexpr std::int32_t kLimit = 1 << 28;
    for (const std::int32_t count : {kLimit - 1, kLimit, INT32_MAX}) {
        MD5Context context;
        MD5Init(context);
        context.ByteCount = count;
        EXPECT_EQ(ErrorNumber([&] { MD5Final(context); }), count < kLimit ? 0 : kOverflowError)
            << count;
        EXPECT_EQ(Digest("abc", {}, context), ReferenceMD5("abc"));
    }
}

// Any shift count, as the rounds never give, rotates by its value modulo 32.
TEST(WordOperations, RotateTakesAnyShiftCount) {
    EXPECT_EQ(LongLeftRotate(0x80000001, 1), 3u);
    EXPECT_EQ(LongLeftRotate(0x12345678, 32), 0x12345678u);
    EXPECT_EQ(LongLeftRotate(0x12345678, 36), 0x23456781u);
    EXPECT_EQ(LongLeftRotate(0x12345678, -4), 0x81234567u);
    // The lanes' own version, lane by lane.
    MD5LaneWords lanes{};
    for (std::size_t lane = 0; lane < kMD5Lanes; ++lane) {
        lanes[lane] = 0x12345678u * static_cast<std::uint32_t>(lane + 1);
    }
    for (const std::int32_t bits : {1, 0, 32, 36, -4}) {
        const MD5LaneWords rotated = LongLeftRotate(lanes, bits);
        for (std::size_t lane = 0; lane < kMD5Lanes; ++lane) {
            EXPECT_EQ(rotated[lane], LongLeftRotate(lanes[lane], bits)) << bits;
        }
    }
}

TEST(WordOperations, DoubleToLongTakesTheBitPatternOfAnUnsignedWordOnly) {
    EXPECT_EQ(DoubleToLong(2147483648.0), INT32_MIN);
    EXPECT_EQ(DoubleToLong(4294967295.0), -1);
    for (const double value : {4294967296.0, -1.0, 0.5, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(ErrorNumber([&] { DoubleToLong(value); }), kOverflowError) << value;
    }
}

TEST(WordOperations, BytesToLongsReadsLittleEndianWordsWithinBothArrays) {
    const std::array<std::uint8_t, 8> bytes{0x01, 0x02, 0x03, 0x04, 0xFF, 0x00, 0x00, 0x80};
    std::array<std::uint32_t, 2> words{};
    BytesToLongs(8, bytes, words);
    EXPECT_EQ(words, (std::array<std::uint32_t, 2>{0x04030201, 0x800000FF}));
    EXPECT_EQ(ErrorNumber([&] { BytesToLongs(12, bytes, words); }), kSubscriptError);
    EXPECT_EQ(ErrorNumber([&] { BytesToLongs(8, bytes, std::span(words).first(1)); }),
              kSubscriptError);
}

TEST(TextDigest, GivesTheUpperCaseDigestOfOneBytePerUnit) {
    MD5Context context;
    EXPECT_EQ(DigestStrToHexStr(context, u""), u"D41D8CD98F00B204E9800998ECF8427E");
    // The first byte, 0x0C, keeps its leading zero.
    EXPECT_EQ(DigestStrToHexStr(context, u"a"), u"0CC175B9C0F1B6A831C399E269772661");
    EXPECT_EQ(DigestStrToHexStr(context, u"abc"), u"900150983CD24FB0D6963F7D28E17F72");
    // Each unit's code-page byte: the euro sign is 0x80, U+F8F5 0xFF, and ı
    // outside the code page its substitute (digests from OpenSSL).
    EXPECT_EQ(DigestStrToHexStr(context, u"€\uF8F5ı"), u"F31DD91A35AB7D9B9A6CFDABE2A5215F");
    EXPECT_EQ(DigestStrToHexStr(context, std::u16string(32767, u'Q')),
              u"03FCB00C32F848FA8D21D34147BF0E05");
}

TEST(TextDigest, FailsForADoubleByteUnitOrMoreThan32767Units) {
    for (const std::u16string& text : {std::u16string(u"中"), std::u16string(u"ab文c"),
                                       std::u16string(u"ABC，"), std::u16string(32768, u'Q')}) {
        MD5Context context;
        EXPECT_EQ(ErrorNumber([&] { DigestStrToHexStr(context, text); }), kOverflowError);
        // Only MD5Init has run: the next digest starts afresh.
        EXPECT_EQ(GetValues(context), u"0123456789ABCDEFFEDCBA9876543210");
    }
}

TEST(TextDigest, GetValuesReadsEachRegisterLeastSignificantByteFirst) {
    MD5Context context;
    MD5Init(context);
    EXPECT_EQ(GetValues(context), u"0123456789ABCDEFFEDCBA9876543210");
    context.Registers = {0x00000000, 0xFFFFFFFF, 0x80000001, 0x0A0B0C0D};
    EXPECT_EQ(GetValues(context), u"00000000FFFFFFFF010000800D0C0B0A");
}

std::string RegistersHex(const MD5Lanes::Registers& registers) {
    MD5Context context;
    context.Registers = registers;
    return RegistersHex(context);
}

// Every length a lane takes, in a full batch and a part-filled one: a lane
// read from its neighbour or a padding off by one shows in the digest.
TEST(MD5Lanes, EachLaneGivesTheDigestOfItsOwnMessage) {
    std::vector<std::string> messages;
    for (std::size_t length = 0; length <= kMD5LaneMessageBytes; ++length) {
        messages.push_back(RandomBytes(length));
    }
    MD5Lanes lanes;
    for (std::size_t first = 0; first < messages.size(); first += kMD5Lanes) {
        const std::size_t count = std::min(kMD5Lanes, messages.size() - first);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(lanes.add(Bytes(messages[first + i])), i);
        }
        const auto digests = lanes.digest();
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(RegistersHex(digests[i]), ReferenceMD5(messages[first + i]))
                << messages[first + i].size() << " bytes";
        }
    }
    EXPECT_EQ(ErrorNumber([&] { lanes.add(Bytes(RandomBytes(kMD5LaneMessageBytes + 1))); }),
              kOverflowError);
    for (std::size_t i = 0; i < kMD5Lanes; ++i) {
        lanes.add(Bytes("full"));
    }
    EXPECT_EQ(ErrorNumber([&] { lanes.add(Bytes("one more")); }), kOverflowError);
}

// Texts that fit a lane (55 units) and texts that do not, mixed, each in its
// slot, whether given converted or converted on the way (秋 becomes Q); a
// text the digest refuses takes none.
TEST(TextDigest, TextDigestsGiveDigestStrToHexStrTextByText) {
    const std::u16string refused = u"ab文c";
    std::vector<std::u16string> texts;
    for (const std::size_t length : {0u, 1u, 54u, 55u, 99u, 2u, 32766u}) {
        texts.push_back(std::u16string(length, u'Q') + (length > 0 ? u"€" : u""));
    }
    TextDigests digests;
    std::vector<std::size_t> slots;
    std::u16string converted;
    for (const std::u16string& text : texts) {
        slots.push_back(digests.add(text));
        EXPECT_EQ(ErrorNumber([&] { digests.add(refused); }), kOverflowError);
        std::u16string input = text;
        std::replace(input.begin(), input.end(), u'Q', u'秋');
        slots.push_back(digests.addConversionOf(input, converted));
        EXPECT_EQ(converted, text);
    }
    EXPECT_EQ(
        ErrorNumber([&] { digests.addConversionOf(std::u16string(32768, u'秋'), converted); }),
        kOverflowError);
    digests.finish();
    MD5Context context;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const TextDigests::Digits& digits = digests.digits(slots[i]);
        EXPECT_EQ(std::u16string(digits.begin(), digits.end()),
                  DigestStrToHexStr(context, texts[i / 2]))
            << texts[i / 2].size() << " units";
    }
}

}  // namespace
}  // namespace md5z
