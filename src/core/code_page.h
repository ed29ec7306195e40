#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace md5z {

// A UTF-16 unit's code in Windows code page 936 (GBK): 0..255 for a
// single-byte character, lead * 256 + trail taken as signed (so negative) for
// a double-byte one. A unit the code page cannot represent, lone surrogates
// included, gets the single-byte substitute '?' (63).
std::int16_t CodePageValue(char16_t unit);

// How many UTF-16 units there are: the size of a table indexed by unit.
inline constexpr std::size_t kCodeUnitCount = 0x10000;

// CodePageValue of every UTF-16 unit, indexed by the unit. For callers that
// convert a whole text: one first-use check instead of one per unit.
std::span<const std::int16_t, kCodeUnitCount> CodePageValues();

}  // namespace md5z
