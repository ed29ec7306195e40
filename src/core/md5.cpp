#include "core/md5.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/run_time_error.h"

namespace md5z {

namespace {

constexpr std::int32_t kBlockLength = 64;
constexpr std::int32_t kLengthFieldOffset = 56;
// The bit length is ByteCount * 8 in a signed 32-bit word, so the message
// must stay below 2^28 bytes.
constexpr std::int32_t kMaxFinalByteCount = std::numeric_limits<std::int32_t>::max() / 8;

[[noreturn]] void RaiseOverflow() {
    throw RunTimeError(kOverflowError, "Overflow");
}

[[noreturn]] void RaiseSubscript() {
    throw RunTimeError(kSubscriptError, "Subscript out of range");
}

inline std::uint32_t LittleEndianWord(const std::uint8_t* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word =
            (word >> 24) | ((word >> 8) & 0x0000FF00u) | ((word << 8) & 0x00FF0000u) | (word << 24);
    }
    return word;
}

inline void StoreLittleEndianWord(std::uint32_t word, std::uint8_t* bytes) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
}

}  // namespace

// Defined ahead of the transform, which reads every block through it; the
// compiler inlines it there and drops the checks its fixed sizes pass.
void BytesToLongs(std::int32_t byteCount, std::span<const std::uint8_t> bytes,
                  std::span<std::uint32_t> words) {
    if (byteCount < 0 || bytes.size() < static_cast<std::size_t>(byteCount) ||
        words.size() < static_cast<std::size_t>(byteCount / 4)) {
        RaiseSubscript();
    }
    for (std::int32_t k = 0; k < byteCount / 4; ++k) {
        words[k] = LittleEndianWord(bytes.data() + 4 * k);
    }
}

namespace {

// Each step adds the message word, the constant and a before the round
// function, so only the function of b and the rotation sit on the chain that
// carries one step into the next.
inline void MD5StepF(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                     std::uint32_t x, std::uint32_t ac, int s) {
    a = LongAdd(LongLeftRotate(LongAdd4(a, x, ac, d ^ (b & (c ^ d))), s), b);
}

// (b and d) or (c and not d): the two terms share no bit, so adding them
// gives the same word and lets the term without b be summed early.
inline void MD5StepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                     std::uint32_t x, std::uint32_t ac, int s) {
    a = LongAdd(LongLeftRotate(LongAdd(LongAdd4(a, x, ac, ~d & c), d & b), s), b);
}

inline void MD5StepH(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                     std::uint32_t x, std::uint32_t ac, int s) {
    a = LongAdd(LongLeftRotate(LongAdd4(a, x, ac, b ^ (c ^ d)), s), b);
}

inline void MD5StepI(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                     std::uint32_t x, std::uint32_t ac, int s) {
    a = LongAdd(LongLeftRotate(LongAdd4(a, x, ac, c ^ (b | ~d)), s), b);
}

// Folds one 64-byte block into the registers. The block is read in place,
// either from the context's buffer or straight from the caller's input.
// Forced inline so that its one caller keeps the registers in locals.
[[gnu::always_inline]] inline void MD5ProcessBlock(std::array<std::uint32_t, 4>& registers,
                                                   const std::uint8_t* block) {
    std::array<std::uint32_t, 16> x;
    BytesToLongs(kBlockLength, std::span(block, kBlockLength), x);
    std::uint32_t a = registers[0];
    std::uint32_t b = registers[1];
    std::uint32_t c = registers[2];
    std::uint32_t d = registers[3];

    MD5StepF(a, b, c, d, x[0], 0xD76AA478, 7);
    MD5StepF(d, a, b, c, x[1], 0xE8C7B756, 12);
    MD5StepF(c, d, a, b, x[2], 0x242070DB, 17);
    MD5StepF(b, c, d, a, x[3], 0xC1BDCEEE, 22);
    MD5StepF(a, b, c, d, x[4], 0xF57C0FAF, 7);
    MD5StepF(d, a, b, c, x[5], 0x4787C62A, 12);
    MD5StepF(c, d, a, b, x[6], 0xA8304613, 17);
    MD5StepF(b, c, d, a, x[7], 0xFD469501, 22);
    MD5StepF(a, b, c, d, x[8], 0x698098D8, 7);
    MD5StepF(d, a, b, c, x[9], 0x8B44F7AF, 12);
    MD5StepF(c, d, a, b, x[10], 0xFFFF5BB1, 17);
    MD5StepF(b, c, d, a, x[11], 0x895CD7BE, 22);
    MD5StepF(a, b, c, d, x[12], 0x6B901122, 7);
    MD5StepF(d, a, b, c, x[13], 0xFD987193, 12);
    MD5StepF(c, d, a, b, x[14], 0xA679438E, 17);
    MD5StepF(b, c, d, a, x[15], 0x49B40821, 22);

    MD5StepG(a, b, c, d, x[1], 0xF61E2562, 5);
    MD5StepG(d, a, b, c, x[6], 0xC040B340, 9);
    MD5StepG(c, d, a, b, x[11], 0x265E5A51, 14);
    MD5StepG(b, c, d, a, x[0], 0xE9B6C7AA, 20);
    MD5StepG(a, b, c, d, x[5], 0xD62F105D, 5);
    MD5StepG(d, a, b, c, x[10], 0x02441453, 9);
    MD5StepG(c, d, a, b, x[15], 0xD8A1E681, 14);
    MD5StepG(b, c, d, a, x[4], 0xE7D3FBC8, 20);
    MD5StepG(a, b, c, d, x[9], 0x21E1CDE6, 5);
    MD5StepG(d, a, b, c, x[14], 0xC33707D6, 9);
    MD5StepG(c, d, a, b, x[3], 0xF4D50D87, 14);
    MD5StepG(b, c, d, a, x[8], 0x455A14ED, 20);
    MD5StepG(a, b, c, d, x[13], 0xA9E3E905, 5);
    MD5StepG(d, a, b, c, x[2], 0xFCEFA3F8, 9);
    MD5StepG(c, d, a, b, x[7], 0x676F02D9, 14);
    MD5StepG(b, c, d, a, x[12], 0x8D2A4C8A, 20);

    MD5StepH(a, b, c, d, x[5], 0xFFFA3942, 4);
    MD5StepH(d, a, b, c, x[8], 0x8771F681, 11);
    MD5StepH(c, d, a, b, x[11], 0x6D9D6122, 16);
    MD5StepH(b, c, d, a, x[14], 0xFDE5380C, 23);
    MD5StepH(a, b, c, d, x[1], 0xA4BEEA44, 4);
    MD5StepH(d, a, b, c, x[4], 0x4BDECFA9, 11);
    MD5StepH(c, d, a, b, x[7], 0xF6BB4B60, 16);
    MD5StepH(b, c, d, a, x[10], 0xBEBFBC70, 23);
    MD5StepH(a, b, c, d, x[13], 0x289B7EC6, 4);
    MD5StepH(d, a, b, c, x[0], 0xEAA127FA, 11);
    MD5StepH(c, d, a, b, x[3], 0xD4EF3085, 16);
    MD5StepH(b, c, d, a, x[6], 0x04881D05, 23);
    MD5StepH(a, b, c, d, x[9], 0xD9D4D039, 4);
    MD5StepH(d, a, b, c, x[12], 0xE6DB99E5, 11);
    MD5StepH(c, d, a, b, x[15], 0x1FA27CF8, 16);
    MD5StepH(b, c, d, a, x[2], 0xC4AC5665, 23);

    MD5StepI(a, b, c, d, x[0], 0xF4292244, 6);
    MD5StepI(d, a, b, c, x[7], 0x432AFF97, 10);
    MD5StepI(c, d, a, b, x[14], 0xAB9423A7, 15);
    MD5StepI(b, c, d, a, x[5], 0xFC93A039, 21);
    MD5StepI(a, b, c, d, x[12], 0x655B59C3, 6);
    MD5StepI(d, a, b, c, x[3], 0x8F0CCC92, 10);
    MD5StepI(c, d, a, b, x[10], 0xFFEFF47D, 15);
    MD5StepI(b, c, d, a, x[1], 0x85845DD1, 21);
    MD5StepI(a, b, c, d, x[8], 0x6FA87E4F, 6);
    MD5StepI(d, a, b, c, x[15], 0xFE2CE6E0, 10);
    MD5StepI(c, d, a, b, x[6], 0xA3014314, 15);
    MD5StepI(b, c, d, a, x[13], 0x4E0811A1, 21);
    MD5StepI(a, b, c, d, x[4], 0xF7537E82, 6);
    MD5StepI(d, a, b, c, x[11], 0xBD3AF235, 10);
    MD5StepI(c, d, a, b, x[2], 0x2AD7D2BB, 15);
    MD5StepI(b, c, d, a, x[9], 0xEB86D391, 21);

    registers[0] = LongAdd(registers[0], a);
    registers[1] = LongAdd(registers[1], b);
    registers[2] = LongAdd(registers[2], c);
    registers[3] = LongAdd(registers[3], d);
}

// Folds consecutive blocks. The chaining value stays in locals from one block
// to the next instead of passing through the context's memory each time; kept
// out of line so the large unrolled transform exists once.
[[gnu::noinline]] void MD5ProcessBlocks(std::array<std::uint32_t, 4>& registers,
                                        const std::uint8_t* blocks, std::int32_t count) {
    std::array<std::uint32_t, 4> working = registers;
    for (std::int32_t n = 0; n < count; ++n) {
        MD5ProcessBlock(working, blocks + n * kBlockLength);
    }
    registers = working;
}

// Absorbs bytes whose count has already been checked and added to ByteCount;
// index is where the buffered bytes end. Whole blocks of the input are
// transformed where they lie: copying them into BlockBuffer first would give
// the same registers at a higher cost.
inline void AbsorbBytes(MD5Context& context, std::int32_t index, const std::uint8_t* input,
                        std::int32_t length) {
    std::int32_t i = 0;
    const std::int32_t partLen = kBlockLength - index;
    if (length >= partLen) {
        if (index != 0) {
            std::memcpy(context.BlockBuffer.data() + index, input, partLen);
            MD5ProcessBlocks(context.Registers, context.BlockBuffer.data(), 1);
            i = partLen;
        }
        const std::int32_t blockCount = (length - i) / kBlockLength;
        if (blockCount > 0) {
            MD5ProcessBlocks(context.Registers, input + i, blockCount);
            i += blockCount * kBlockLength;
        }
        index = 0;
    }
    if (i < length) {
        std::memcpy(context.BlockBuffer.data() + index, input + i, length - i);
    }
}

}  // namespace

void MD5Init(MD5Context& context) {
    context.ByteCount = 0;
    context.Registers = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
}

void MD5Update(MD5Context& context, std::int32_t InputLen,
               std::span<const std::uint8_t> InputBuffer) {
    if (InputLen < 0) {
        RaiseSubscript();
    }
    if (InputLen > kMaxUpdateLength) {
        RaiseOverflow();
    }
    if (InputBuffer.size() < static_cast<std::size_t>(InputLen)) {
        RaiseSubscript();
    }
    // A negative count cannot come from MD5Init and MD5Update; refusing it
    // keeps the buffer index in range even for a context set by hand.
    if (context.ByteCount < 0 ||
        context.ByteCount > std::numeric_limits<std::int32_t>::max() - InputLen) {
        RaiseOverflow();
    }
    const std::int32_t index = context.ByteCount % kBlockLength;
    context.ByteCount += InputLen;
    AbsorbBytes(context, index, InputBuffer.data(), InputLen);
}

// The padding and the length are written into the block buffer in place; the
// bytes that pass through it are those of absorbing 0x80, zeros up to byte 56
// of a block, and the bit length least significant byte first.
void MD5Final(MD5Context& context) {
    if (context.ByteCount < 0 || context.ByteCount > kMaxFinalByteCount) {
        RaiseOverflow();
    }
    const std::uint32_t bitLength = static_cast<std::uint32_t>(context.ByteCount) * 8;
    const std::int32_t index = context.ByteCount % kBlockLength;
    const std::int32_t padLen =
        index < kLengthFieldOffset ? kLengthFieldOffset - index : 2 * kBlockLength - 8 - index;

    std::uint8_t* buffer = context.BlockBuffer.data();
    buffer[index] = 0x80;
    if (index >= kLengthFieldOffset) {
        std::memset(buffer + index + 1, 0, kBlockLength - index - 1);
        MD5ProcessBlocks(context.Registers, buffer, 1);
        std::memset(buffer, 0, kLengthFieldOffset);
    } else {
        std::memset(buffer + index + 1, 0, kLengthFieldOffset - index - 1);
    }
    StoreLittleEndianWord(bitLength, buffer + kLengthFieldOffset);
    StoreLittleEndianWord(0, buffer + kLengthFieldOffset + 4);
    MD5ProcessBlocks(context.Registers, buffer, 1);
    context.ByteCount += padLen + 8;
}

std::int32_t DoubleToLong(double value) {
    constexpr double kWordRange = 4294967296.0;
    // The negated test also rejects NaN.
    if (!(value >= 0.0 && value < kWordRange) || std::trunc(value) != value) {
        RaiseOverflow();
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace md5z
