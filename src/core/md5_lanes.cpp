#include "core/md5_lanes.h"

#include <cstring>

#include "core/md5.h"
#include "core/md5_rounds.h"
#include "core/run_time_error.h"

namespace md5z {

namespace {

constexpr std::size_t kLengthOffset = 56;

}  // namespace

std::size_t MD5Lanes::add(std::span<const std::uint8_t> message) {
    if (message.size() > kMD5LaneMessageBytes || full()) {
        throw RunTimeError(kOverflowError, "Overflow");
    }
    // Words 0 to 13 hold the message, 0x80 and zeros; 14 and 15 its bit
    // length, least significant word first.
    std::array<std::uint8_t, kLengthOffset> head{};
    if (!message.empty()) {
        std::memcpy(head.data(), message.data(), message.size());
    }
    head[message.size()] = 0x80;
    const std::size_t lane = count_++;
    for (std::size_t k = 0; k < kLengthOffset / 4; ++k) {
        words_[k][lane] = LittleEndianWord(head.data() + 4 * k);
    }
    words_[14][lane] = static_cast<std::uint32_t>(message.size() * 8);
    words_[15][lane] = 0;
    return lane;
}

MD5Z_WIDEST_VECTORS MD5Lanes::Digests MD5Lanes::digest() {
    std::array<MD5LaneWords, 16> x;
    static_assert(sizeof x == sizeof words_);
    std::memcpy(x.data(), words_.data(), sizeof x);
    // Every lane starts from the registers MD5Init sets.
    MD5Context initial;
    MD5Init(initial);
    Digests digests{};
    for (std::size_t r = 0; r < digests.registers.size(); ++r) {
        digests.registers[r] += initial.Registers[r];
    }
    MD5Transform(digests.registers, x.data());
    count_ = 0;
    return digests;
}

}  // namespace md5z
