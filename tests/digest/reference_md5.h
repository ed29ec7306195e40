#pragma once

#include <openssl/evp.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace md5z::testing {

// OpenSSL's digest of the bytes as lower-case hexadecimal: an independent
// reference for the code under test.
inline std::string ReferenceMD5(std::string_view bytes) {
    unsigned char digest[16];
    EVP_Digest(bytes.data(), bytes.size(), digest, nullptr, EVP_md5(), nullptr);
    char hex[33];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    }
    return hex;
}

}  // namespace md5z::testing
