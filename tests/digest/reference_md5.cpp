#include "reference_md5.h"

#include <openssl/evp.h>

#include <cstdio>
#include <stdexcept>

namespace md5z::testing {

namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

}  // namespace

std::string ReferenceMD5(std::span<const std::uint8_t> message) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(message.data(), message.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        throw std::runtime_error("OpenSSL MD5 failed");
    }
    return Hex(std::span(digest, length));
}

std::string RegistersHex(const MD5Context& context) {
    std::uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) {
        bytes[i] = static_cast<std::uint8_t>(context.Registers[i / 4] >> (8 * (i % 4)));
    }
    return Hex(bytes);
}

}  // namespace md5z::testing
