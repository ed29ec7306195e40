#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace md5z {

// How many short messages are digested side by side, and how long one may
// be: with its padding and length it must fit one 64-byte block. 32 lanes
// are several vectors of words, whose chains of steps the processor runs
// interleaved; fewer leave it waiting on each step, more spill its registers.
inline constexpr std::size_t kMD5Lanes = 32;
inline constexpr std::size_t kMD5LaneMessageBytes = 55;

// One word of every lane. The compiler splits the operations into the
// vector instructions the machine has: SSE2 on any x86-64.
using MD5LaneWords = std::uint32_t __attribute__((vector_size(4 * kMD5Lanes)));

// Where the loader can choose between versions of a function, a function
// that works on lanes comes also in versions for AVX-512 and AVX2, whose vectors hold
// sixteen and eight words where SSE2's hold four (and AVX-512 rotates a
// word in one instruction); the processor's features pick one when the
// program starts. GCC only: clang 14 gives a member function no resolver.
#if defined(__x86_64__) && defined(__ELF__) && defined(__GNUC__) && !defined(__clang__)
#define MD5Z_WIDEST_VECTORS __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define MD5Z_WIDEST_VECTORS
#endif

// The engine's word operations (md5.h) on every lane at once, so that the
// transform's steps read the same for one message and for the lanes.
inline MD5LaneWords LongAdd(const MD5LaneWords& a, const MD5LaneWords& b) {
    return a + b;
}
// The step constant, the last term, is the same in every lane.
inline MD5LaneWords LongAdd4(const MD5LaneWords& a, const MD5LaneWords& b, const MD5LaneWords& c,
                             std::uint32_t d) {
    return a + b + c + d;
}
// A negative count rotates right, as for one word.
inline MD5LaneWords LongLeftRotate(const MD5LaneWords& value, std::int32_t bits) {
    const auto count = static_cast<int>(static_cast<std::uint32_t>(bits) % 32);
    return count == 0 ? value : (value << count) | (value >> (32 - count));
}

// Short messages digested several at a time: their blocks go through the
// transform together, one in each lane of a vector of words, at a fraction
// of the cost of one block after another. The digests are those MD5Init,
// MD5Update and MD5Final give each message.
class MD5Lanes {
  public:
    using Registers = std::array<std::uint32_t, 4>;

    // Puts a message into the next free lane and returns the lane. Raises
    // overflow (6) for a message longer than kMD5LaneMessageBytes or when
    // every lane is taken.
    std::size_t add(std::span<const std::uint8_t> message);
    std::size_t size() const { return count_; }
    bool full() const { return count_ == kMD5Lanes; }

    // The registers of each message's digest, as MD5Final leaves them:
    // registers[r][lane] is register r of the message in that lane.
    struct Digests {
        std::array<MD5LaneWords, 4> registers;
        Registers operator[](std::size_t lane) const {
            return {registers[0][lane], registers[1][lane], registers[2][lane], registers[3][lane]};
        }
    };
    // The digests of the messages in the lanes; every lane is free again.
    Digests digest();
    // Frees every lane without digesting.
    void clear() { count_ = 0; }

  private:
    // Word k of every lane's block, lane by lane; add() writes all 16 of a lane.
    std::array<std::array<std::uint32_t, kMD5Lanes>, 16> words_{};
    std::size_t count_ = 0;
};

}  // namespace md5z
