// The reference md5zevrin-cli's throughput is measured by: the loop a script
// writer would write in C to digest a file line by line. It reads a line,
// digests its bytes (without the LF) with OpenSSL's one-shot MD5 and prints
// the 32 lower-case hexadecimal digits.

// MD5() is the one-shot call such a loop makes; OpenSSL 3 marks its
// low-level digest calls deprecated in favour of EVP, which fetches the
// algorithm again on every one-shot call and would make the reference slower.
#define OPENSSL_SUPPRESS_DEPRECATED

#include <openssl/md5.h>

#include <cstdio>
#include <cstdlib>

int main() {
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    unsigned char digest[MD5_DIGEST_LENGTH];
    char hex[2 * MD5_DIGEST_LENGTH + 1];
    const char* const digits = "0123456789abcdef";
    while ((length = getline(&line, &capacity, stdin)) > 0) {
        if (line[length - 1] == '\n') {
            --length;
        }
        MD5(reinterpret_cast<const unsigned char*>(line), static_cast<std::size_t>(length), digest);
        for (int i = 0; i < MD5_DIGEST_LENGTH; ++i) {
            hex[2 * i] = digits[digest[i] >> 4];
            hex[2 * i + 1] = digits[digest[i] & 0x0F];
        }
        hex[2 * MD5_DIGEST_LENGTH] = '\n';
        std::fwrite(hex, 1, sizeof hex, stdout);
    }
    std::free(line);
    return std::ferror(stdout) ? EXIT_FAILURE : EXIT_SUCCESS;
}
