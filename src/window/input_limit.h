#pragma once

#include <cstddef>
#include <string_view>

namespace md5z {

// An input box at its limit keeps as many units of an insertion as fit, and
// a character written as a surrogate pair may be cut in two there (some
// desktops also deliver the pair as two keys, of which only the first fits).
// A character that does not fit whole is not inserted: this finds the half
// that such a cut left just before the caret, or npos when there is none.
// Below the limit a lone half is left alone: its other half may be on its
// way.
std::size_t halfCharacterAtLimit(std::u16string_view text, std::size_t caret, std::size_t limit);

}  // namespace md5z
