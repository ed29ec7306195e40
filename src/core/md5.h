#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <span>

#include "core/run_time_error.h"

namespace md5z {

// One MD5 message in progress (RFC 1321). The registers hold the chaining
// value, and after MD5Final the digest. Words are kept as unsigned 32-bit
// values: the same bit patterns as signed longs, with arithmetic that wraps
// by definition instead of overflowing.
struct MD5Context {
    std::array<std::uint32_t, 4> Registers{};  // A, B, C, D
    std::int32_t ByteCount = 0;                // bytes absorbed since MD5Init
    std::array<std::uint8_t, 64> BlockBuffer{};
};

// Largest byte count one MD5Update call absorbs.
inline constexpr std::int32_t kMaxUpdateLength = 32767;

void MD5Init(MD5Context& context);

// Absorbs InputBuffer[0 .. InputLen-1]. Raises RunTimeError: overflow (6) for
// InputLen over 32,767 or a total byte count leaving the signed 32-bit range;
// subscript (9) for a buffer shorter than InputLen or a negative InputLen.
void MD5Update(MD5Context& context, std::int32_t InputLen,
               std::span<const std::uint8_t> InputBuffer);

// Appends padding and length. Raises overflow (6) for a message of 2^28
// bytes or more, whose bit length would leave the signed 32-bit range.
void MD5Final(MD5Context& context);

// The word operations of the engine, with the results (and failures) of
// their long-arithmetic originals. The first three are the transform's steps
// (md5_rounds.h); md5_lanes.h has them for a vector of words too.
constexpr std::uint32_t LongAdd(std::uint32_t a, std::uint32_t b) {
    return a + b;
}
constexpr std::uint32_t LongAdd4(std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                 std::uint32_t d) {
    return a + b + c + d;
}
// A negative count rotates right: the left rotation by the count modulo 32.
constexpr std::uint32_t LongLeftRotate(std::uint32_t value, std::int32_t bits) {
    return std::rotl(value, static_cast<int>(bits % 32));
}
// The signed 32-bit pattern of an integral value 0 .. 4,294,967,295; any other
// value (NaN included) raises overflow (6).
constexpr std::int32_t DoubleToLong(double value) {
    constexpr double kWordRange = 4294967296.0;
    // The negated test also rejects NaN; a value in range is integral when
    // cutting off its fraction leaves it as it is.
    if (!(value >= 0.0 && value < kWordRange) ||
        static_cast<double>(static_cast<std::uint32_t>(value)) != value) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}
// Little-endian words from groups of four bytes; raises subscript (9) when
// either array is shorter than the count needs.
void BytesToLongs(std::int32_t byteCount, std::span<const std::uint8_t> bytes,
                  std::span<std::uint32_t> words);

}  // namespace md5z
