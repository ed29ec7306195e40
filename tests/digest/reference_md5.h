#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "digest/md5.h"

namespace md5z::testing {

// The digest as 32 lower-case hexadecimal digits, computed by OpenSSL.
std::string ReferenceMD5(std::span<const std::uint8_t> message);

// The context's registers in RFC 1321 output order, lower-case hexadecimal.
std::string RegistersHex(const MD5Context& context);

}  // namespace md5z::testing
