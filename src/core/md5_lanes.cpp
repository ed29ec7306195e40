#include "core/md5_lanes.h"

#include <cstring>

#include "core/md5.h"
#include "core/md5_rounds.h"
#include "core/run_time_error.h"

namespace md5z {
namespace {

// One word from every lane. The compiler splits the operations into the
// vector instructions the machine has: SSE2 on any x86-64.
using LaneWords = std::uint32_t __attribute__((vector_size(4 * kMD5Lanes)));

constexpr std::size_t kBlockBytes = 64;

}  // namespace

// Where the loader can choose between versions of a function, the digest of
// the lanes comes also in a version for AVX2, whose vectors hold eight words
// where SSE2's hold four; the processor's features pick one when the program
// starts. GCC only: clang 14 gives a member function no resolver.
#if defined(__x86_64__) && defined(__ELF__) && defined(__GNUC__) && !defined(__clang__)
#define MD5Z_WIDEST_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define MD5Z_WIDEST_VECTORS
#endif

namespace {

constexpr std::size_t kLengthOffset = 56;

}  // namespace

std::size_t MD5Lanes::add(std::span<const std::uint8_t> message) {
    if (message.size() > kMD5LaneMessageBytes || full()) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
    // The message, 0x80, zeros and the bit length, least significant byte first.
    std::array<std::uint8_t, kBlockBytes> block{};
    std::memcpy(block.data(), message.data(), message.size());
    block[message.size()] = 0x80;
    const std::uint64_t bits = std::uint64_t{message.size()} * 8;
    for (std::size_t i = 0; i < 8; ++i) {
        block[kLengthOffset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    const std::size_t lane = count_++;
    for (std::size_t k = 0; k < words_.size(); ++k) {
        words_[k][lane] = LittleEndianWord(block.data() + 4 * k);
    }
    return lane;
}

MD5Z_WIDEST_VECTORS std::array<MD5Lanes::Registers, kMD5Lanes> MD5Lanes::digest() {
    std::array<LaneWords, 16> x;
    static_assert(sizeof x == sizeof words_);
    std::memcpy(x.data(), words_.data(), sizeof x);
    // Every lane starts from the registers MD5Init sets.
    MD5Context initial;
    MD5Init(initial);
    std::array<LaneWords, 4> registers{};
    for (std::size_t r = 0; r < registers.size(); ++r) {
        registers[r] += initial.Registers[r];
    }
    MD5Transform(registers, x.data());

    std::array<Registers, kMD5Lanes> digests;
    for (std::size_t lane = 0; lane < kMD5Lanes; ++lane) {
        for (std::size_t r = 0; r < registers.size(); ++r) {
            digests[lane][r] = registers[r][lane];
        }
    }
    count_ = 0;
    return digests;
}

}  // namespace md5z
