#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace md5z {

// The four ways the window shows one digest. The 16-digit forms are the
// middle of the 32-digit ones: characters 9 to 24, the digest's bytes 5 to 12.
struct DigestRenditions {
    std::u16string Hex16Lower;
    std::u16string Hex16Upper;
    std::u16string Hex32Lower;
    std::u16string Hex32Upper;
};

// Where the 16 digits sit in the 32: from character 9, counted from 1.
inline constexpr std::size_t kHex16First = 8;
inline constexpr std::size_t kHex16Length = 16;

// The renditions of the 32 upper-case digits the text digest returns.
DigestRenditions renditionsOf(std::u16string hex32Upper);

}  // namespace md5z
