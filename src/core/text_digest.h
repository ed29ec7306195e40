#pragma once

#include <string>
#include <string_view>

#include "core/md5.h"

namespace md5z {

// The MD5 digest of a text, one byte per UTF-16 unit (its code-page value),
// as 32 upper-case hexadecimal digits. Raises overflow (6) for a unit whose
// code-page value is not a single byte, or for more than 32,767 units.
std::u16string DigestStrToHexStr(MD5Context& context, std::u16string_view SourceString);

// The registers as 32 upper-case hexadecimal digits, in RFC 1321 output order.
std::u16string GetValues(const MD5Context& context);

}  // namespace md5z
