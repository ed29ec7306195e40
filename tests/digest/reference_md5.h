#pragma once

#ifdef _WIN32
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

#include <cstdio>
#include <string>
#include <string_view>

namespace md5z {

// The system's digest of the bytes as lower-case hexadecimal: an independent
// reference for the code under test. OpenSSL's on Linux, the Windows
// cryptography API's under Windows, where no OpenSSL is built.
inline std::string ReferenceMD5(std::string_view bytes) {
    unsigned char digest[16] = {};
#ifdef _WIN32
    BCRYPT_ALG_HANDLE md5 = nullptr;
    BCryptOpenAlgorithmProvider(&md5, BCRYPT_MD5_ALGORITHM, nullptr, 0);
    BCryptHash(md5, nullptr, 0, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
               static_cast<ULONG>(bytes.size()), digest, sizeof digest);
    BCryptCloseAlgorithmProvider(md5, 0);
#else
    EVP_Digest(bytes.data(), bytes.size(), digest, nullptr, EVP_md5(), nullptr);
#endif
    char hex[33];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    }
    return hex;
}

}  // namespace md5z
