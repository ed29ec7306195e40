#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/md5.h"
#include "core/md5_lanes.h"

namespace md5z {

// The MD5 digest of a text, one byte per UTF-16 unit (its code-page value),
// as 32 upper-case hexadecimal digits. Raises overflow (6) for a unit whose
// code-page value is not a single byte, or for more than 32,767 units.
std::u16string DigestStrToHexStr(MD5Context& context, std::u16string_view SourceString);

// The registers as 32 upper-case hexadecimal digits, in RFC 1321 output order.
std::u16string GetValues(const MD5Context& context);

// DigestStrToHexStr for text after text, as ASCII digits, without
// allocating: a text that fits one block waits in a lane of MD5Lanes until
// the lanes are digested together; a longer one is digested at once.
class TextDigests {
  public:
    using Digits = std::array<char, 32>;

    // Takes the next text and returns its slot, whose digits are read once
    // finish() has run. Raises as DigestStrToHexStr does, taking no slot.
    std::size_t add(std::u16string_view text);
    // ConvertText and add() of its result in one pass over the text:
    // writes the conversion of `text` over `converted` and takes a slot for
    // its digest. Raises as they do, taking no slot.
    std::size_t addConversionOf(std::u16string_view text, std::u16string& converted);
    // Every slot is taken: the next add() must wait for clear().
    bool full() const { return count_ == kMD5Lanes; }

    // Digests the texts that wait in the lanes.
    void finish();
    const Digits& digits(std::size_t slot) const { return digits_[slot]; }
    // Frees every slot, digested or not.
    void clear() {
        lanes_.clear();
        count_ = 0;
    }

  private:
    static constexpr std::size_t kNoLane = kMD5Lanes;

    MD5Context context_;
    MD5Lanes lanes_;
    std::array<std::size_t, kMD5Lanes> laneOf_{};  // each slot's lane, kNoLane when digested
    std::array<Digits, kMD5Lanes> digits_{};
    std::size_t count_ = 0;
};

}  // namespace md5z
