#include "core/md5.h"

#include <cstring>
#include <limits>

#include "core/md5_rounds.h"
#include "core/run_time_error.h"

namespace md5z {

namespace {

constexpr std::int32_t kBlockLength = 64;
// RFC 1321's initial values, each given as its unsigned value.
constexpr std::array<std::uint32_t, 4> kInitialRegisters = {
    static_cast<std::uint32_t>(DoubleToLong(1732584193.0)),
    static_cast<std::uint32_t>(DoubleToLong(4023233417.0)),
    static_cast<std::uint32_t>(DoubleToLong(2562383102.0)),
    static_cast<std::uint32_t>(DoubleToLong(271733878.0)),
};
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

// Folds one 64-byte block into the registers. The block is read in place,
// either from the context's buffer or straight from the caller's input.
// Forced inline so that its one caller keeps the registers in locals.
[[gnu::always_inline]] inline void MD5ProcessBlock(std::array<std::uint32_t, 4>& registers,
                                                   const std::uint8_t* block) {
    std::array<std::uint32_t, 16> x;
    BytesToLongs(kBlockLength, std::span(block, kBlockLength), x);
    MD5Transform(registers, x.data());
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
    context.Registers = kInitialRegisters;
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

}  // namespace md5z
