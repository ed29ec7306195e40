#pragma once

#include <cstddef>
#include <string_view>

namespace md5z::cli {

// The most bytes a JSON string takes for one UTF-16 unit or one byte of
// UTF-8 (an escape such as \u001f), and for its quotes.
inline constexpr std::size_t kMostJsonBytesPerUnit = 6;
inline constexpr std::size_t kJsonQuoteBytes = 2;

// Writes `text` at `out` as a JSON string in the form scripts have always
// read, and returns its end: quotes and backslashes escaped, control
// characters as \b \t \n \f \r or \u00xx (lower-case hex digits), everything
// else as plain UTF-8, and a surrogate without its partner as \uxxxx.
char* writeJsonString(std::u16string_view text, char* out);
// The same for well-formed UTF-8, which holds no lone surrogate.
char* writeJsonString(std::string_view utf8, char* out);

}  // namespace md5z::cli
