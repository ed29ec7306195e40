#pragma once

// What the fuzz targets check against: answers computed without the code
// under test, and a check that stops the run with a message libFuzzer keeps
// next to the input that broke it.

#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace md5z::fuzz {

inline void requireThat(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", property);
        std::abort();
    }
}

inline std::string upperHex(std::span<const unsigned char> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

// OpenSSL's MD5 over the bytes, as 32 upper-case digits.
inline std::string referenceMd5(std::span<const std::uint8_t> bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    requireThat(EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr) == 1,
                "OpenSSL computes the reference digest");
    return upperHex(std::span(digest, size));
}

inline std::string toAscii(std::u16string_view hex) {
    return std::string(hex.begin(), hex.end());
}

}  // namespace md5z::fuzz
