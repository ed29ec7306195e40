#include "digest/md5.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "digest/run_time_error.h"
#include "reference_md5.h"

namespace md5z {
namespace {

using testing::ReferenceMD5;
using testing::RegistersHex;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// Bytes that differ from block to block, so a block read from the wrong place
// changes the digest.
std::vector<std::uint8_t> Pattern(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 64);
    }
    return bytes;
}

void Update(MD5Context& context, std::span<const std::uint8_t> bytes) {
    MD5Update(context, static_cast<std::int32_t>(bytes.size()), bytes);
}

// Digests the message in pieces that end at the given offsets.
std::string DigestInPieces(std::span<const std::uint8_t> message,
                           const std::vector<std::size_t>& cuts) {
    MD5Context context;
    MD5Init(context);
    std::size_t start = 0;
    for (const std::size_t cut : cuts) {
        Update(context, message.subspan(start, cut - start));
        start = cut;
    }
    Update(context, message.subspan(start));
    MD5Final(context);
    return RegistersHex(context);
}

std::string Digest(std::span<const std::uint8_t> message) {
    return DigestInPieces(message, {});
}

int ErrorNumber(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}

void ExpectInitialRegisters(const MD5Context& context) {
    EXPECT_EQ(RegistersHex(context), "0123456789abcdeffedcba9876543210");
}

void ExpectReusableAfterInit(MD5Context& context) {
    MD5Init(context);
    const std::vector<std::uint8_t> abc = Bytes("abc");
    Update(context, abc);
    MD5Final(context);
    EXPECT_EQ(RegistersHex(context), "900150983cd24fb0d6963f7d28e17f72");
}

struct KnownDigest {
    std::string_view message;
    std::string_view digest;
};

TEST(MD5Engine, GivesTheDigestsOfTheRfc1321TestSuite) {
    const KnownDigest cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890"
         "123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const KnownDigest& known : cases) {
        EXPECT_EQ(Digest(Bytes(known.message)), known.digest) << '"' << known.message << '"';
    }
}

TEST(MD5Engine, PadsEveryLengthAroundTheBlockBoundaries) {
    for (const std::size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 121u}) {
        const std::vector<std::uint8_t> message = Pattern(length);
        MD5Context context;
        MD5Init(context);
        Update(context, message);
        MD5Final(context);
        EXPECT_EQ(RegistersHex(context), ReferenceMD5(message)) << length << " bytes";
        // 56 to 63 bytes past a block boundary leave no room for the length
        // field, so the padding runs over a whole further block.
        const std::size_t paddedLength = (length + 8) / 64 * 64 + 64;
        EXPECT_EQ(context.ByteCount, static_cast<std::int32_t>(paddedLength)) << length << " bytes";
    }
}

TEST(MD5Engine, SplittingIntoTwoUpdatesAtAnyPointGivesTheSameDigest) {
    const std::vector<std::uint8_t> message = Pattern(200);
    const std::string whole = ReferenceMD5(message);
    for (std::size_t cut = 0; cut <= message.size(); ++cut) {
        EXPECT_EQ(DigestInPieces(message, {cut}), whole) << "cut at " << cut;
        // Empty updates before, between and after the pieces change nothing.
        EXPECT_EQ(DigestInPieces(message, {0, cut, cut, message.size()}), whole)
            << "cut at " << cut << " with empty updates";
    }
}

TEST(MD5Engine, MatchesOpenSslOnRandomMessagesInRandomPieces) {
    std::mt19937 random(1321);
    std::uniform_int_distribution<int> byteValue(0, 255);
    for (int round = 0; round < 300; ++round) {
        const std::size_t length = round < 150 ? static_cast<std::size_t>(round) : random() % 5000;
        std::vector<std::uint8_t> message(length);
        for (std::uint8_t& byte : message) {
            byte = static_cast<std::uint8_t>(byteValue(random));
        }
        const std::string expected = ReferenceMD5(message);
        for (int split = 0; split < 8; ++split) {
            std::vector<std::size_t> cuts;
            std::size_t position = 0;
            while (position < length) {
                // Pieces mostly short, sometimes a few blocks long.
                position += random() % (split % 2 == 0 ? 80 : 400);
                cuts.push_back(std::min(position, length));
            }
            ASSERT_EQ(DigestInPieces(message, cuts), expected)
                << length << " bytes, split " << split;
        }
    }
}

TEST(MD5Engine, RegistersHoldTheInitialValuesAfterInit) {
    MD5Context context;
    context.ByteCount = 12345;
    context.Registers = {1, 2, 3, 4};
    MD5Init(context);
    EXPECT_EQ(context.ByteCount, 0);
    ExpectInitialRegisters(context);
}

TEST(MD5Engine, OneUpdateAbsorbsAtMost32767Bytes) {
    const std::vector<std::uint8_t> message = Pattern(32768);
    MD5Context context;
    MD5Init(context);
    MD5Update(context, 32767, message);
    MD5Final(context);
    EXPECT_EQ(RegistersHex(context),
              ReferenceMD5(std::span<const std::uint8_t>(message).first(32767)));

    MD5Init(context);
    EXPECT_EQ(ErrorNumber([&] { MD5Update(context, 32768, message); }), kOverflowError);
    EXPECT_EQ(context.ByteCount, 0);
    ExpectInitialRegisters(context);
    ExpectReusableAfterInit(context);
}

TEST(MD5Engine, ReadsOnlyTheFirstInputLenBytes) {
    const std::vector<std::uint8_t> message = Pattern(300);
    for (const std::int32_t length : {0, 1, 63, 64, 65, 200}) {
        MD5Context context;
        MD5Init(context);
        MD5Update(context, length, message);
        MD5Final(context);
        EXPECT_EQ(RegistersHex(context),
                  ReferenceMD5(std::span<const std::uint8_t>(message).first(length)))
            << length << " bytes";
    }
}

TEST(MD5Engine, RejectsABufferShorterThanInputLenOrANegativeLength) {
    const std::vector<std::uint8_t> message = Pattern(100);
    struct Case {
        std::int32_t inputLen;
        std::size_t bufferLength;
    };
    for (const Case bad : {Case{1, 0}, Case{65, 64}, Case{101, 100}, Case{-1, 100}}) {
        MD5Context context;
        MD5Init(context);
        MD5Update(context, 10, message);
        const std::span<const std::uint8_t> buffer =
            std::span<const std::uint8_t>(message).first(bad.bufferLength);
        EXPECT_EQ(ErrorNumber([&] { MD5Update(context, bad.inputLen, buffer); }), kSubscriptError)
            << bad.inputLen << " of " << bad.bufferLength;
        // The failed call absorbed nothing: the message still reads as its
        // first ten bytes.
        MD5Final(context);
        EXPECT_EQ(RegistersHex(context),
                  ReferenceMD5(std::span<const std::uint8_t>(message).first(10)));
        ExpectReusableAfterInit(context);
    }
}

TEST(MD5Engine, FailsWhenTheByteCountLeavesTheSigned32BitRange) {
    const std::vector<std::uint8_t> message = Pattern(64);
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

    MD5Context context;
    MD5Init(context);
    context.ByteCount = kMax - 10;
    MD5Update(context, 10, message);
    EXPECT_EQ(context.ByteCount, kMax);

    for (const std::int32_t count : {kMax - 10, -1}) {
        MD5Init(context);
        context.ByteCount = count;
        EXPECT_EQ(ErrorNumber([&] { MD5Update(context, 11, message); }), kOverflowError) << count;
        EXPECT_EQ(context.ByteCount, count);
        ExpectInitialRegisters(context);
        ExpectReusableAfterInit(context);
    }
}

TEST(MD5Engine, FinalFailsForAMessageOf2To28BytesOrMore) {
    constexpr std::int32_t kLimit = 1 << 28;
    MD5Context context;

    MD5Init(context);
    context.ByteCount = kLimit - 1;
    MD5Final(context);
    EXPECT_EQ(context.ByteCount % 64, 0);

    for (const std::int32_t count :
         {kLimit, kLimit + 1, std::numeric_limits<std::int32_t>::max()}) {
        MD5Init(context);
        context.ByteCount = count;
        EXPECT_EQ(ErrorNumber([&] { MD5Final(context); }), kOverflowError) << count;
        EXPECT_EQ(context.ByteCount, count);
        ExpectInitialRegisters(context);
        ExpectReusableAfterInit(context);
    }
}

struct WordCase {
    std::uint32_t result;
    std::uint32_t expected;
};

TEST(WordOperations, AddWrapsModulo2To32WithoutFailing) {
    const WordCase cases[] = {
        {LongAdd(0xFFFFFFFF, 1), 0},
        {LongAdd(0x7FFFFFFF, 1), 0x80000000},
        {LongAdd(0x80000000, 0x80000000), 0},
        {LongAdd(0x0000FFFF, 0x00000001), 0x00010000},
        {LongAdd4(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF), 0xFFFFFFFC},
        {LongAdd4(0x80000000, 0x80000000, 0x80000000, 0x7FFFFFFF), 0xFFFFFFFF},
        {LongAdd4(1, 2, 3, 4), 10},
    };
    for (const WordCase& c : cases) {
        EXPECT_EQ(c.result, c.expected);
    }
}

TEST(WordOperations, LeftRotateTakesTheCountModulo32) {
    const WordCase cases[] = {
        {LongLeftRotate(0x80000001, 1), 0x00000003},
        {LongLeftRotate(0x12345678, 0), 0x12345678},
        {LongLeftRotate(0x12345678, 32), 0x12345678},
        {LongLeftRotate(0x12345678, 4), 0x23456781},
        {LongLeftRotate(0x12345678, 36), 0x23456781},
        {LongLeftRotate(0x40000000, 1), 0x80000000},
        {LongLeftRotate(0x00000001, 31), 0x80000000},
        // -4 mod 32 is 28, a rotation right by 4.
        {LongLeftRotate(0x12345678, -4), 0x81234567},
    };
    for (const WordCase& c : cases) {
        EXPECT_EQ(c.result, c.expected);
    }
}

TEST(WordOperations, DoubleToLongMapsUnsignedValuesToTheirBitPattern) {
    struct Case {
        double value;
        std::int32_t expected;
    };
    for (const Case c : {Case{0.0, 0}, Case{2147483647.0, 2147483647},
                         Case{2147483648.0, std::numeric_limits<std::int32_t>::min()},
                         Case{4294967295.0, -1}, Case{4023233417.0, -271733879}}) {
        EXPECT_EQ(DoubleToLong(c.value), c.expected) << c.value;
    }
}

TEST(WordOperations, DoubleToLongFailsOutsideTheWordRange) {
    for (const double value :
         {4294967296.0, -1.0, -0.5, 1e300, 0.5, 4294967295.5,
          std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(ErrorNumber([&] { DoubleToLong(value); }), kOverflowError) << value;
    }
}

TEST(WordOperations, BytesToLongsReadsLittleEndianWords) {
    const std::vector<std::uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0xFF, 0x00, 0x00, 0x80};
    std::uint32_t words[2] = {};
    BytesToLongs(8, bytes, words);
    EXPECT_EQ(words[0], 0x04030201u);
    EXPECT_EQ(words[1], 0x800000FFu);
}

TEST(WordOperations, BytesToLongsFailsWhenAnArrayIsTooShort) {
    const std::vector<std::uint8_t> bytes(64);
    std::uint32_t words[16] = {};
    EXPECT_EQ(ErrorNumber([&] { BytesToLongs(68, bytes, words); }), kSubscriptError);
    EXPECT_EQ(ErrorNumber([&] { BytesToLongs(64, bytes, std::span(words).first(15)); }),
              kSubscriptError);
    EXPECT_EQ(ErrorNumber([&] { BytesToLongs(-4, bytes, words); }), kSubscriptError);
}

}  // namespace
}  // namespace md5z
