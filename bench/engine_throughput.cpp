#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>

#include <openssl/evp.h>

#include "comparisons.h"
#include "core/md5.h"

namespace md5z::bench {
namespace {

// 2^28 - 1: one byte more and the bit length no longer fits the engine's
// signed 32-bit word.
constexpr std::int32_t kMessageLength = 268'435'455;
constexpr std::size_t kChunkLength = static_cast<std::size_t>(kMaxUpdateLength);

// The same pseudo-random chunk, fed again and again, is the message of both
// sides.
const std::array<std::uint8_t, kChunkLength>& Chunk() {
    static const auto chunk = [] {
        std::array<std::uint8_t, kChunkLength> bytes{};
        std::uint32_t state = 0x2545F491u;
        for (std::uint8_t& byte : bytes) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
        return bytes;
    }();
    return chunk;
}

std::array<std::uint8_t, 16> DigestWithEngine(MD5Context& context) {
    const std::span<const std::uint8_t> chunk(Chunk());
    MD5Init(context);
    for (std::int32_t remaining = kMessageLength; remaining > 0;) {
        const std::int32_t length = std::min(remaining, kMaxUpdateLength);
        MD5Update(context, length, chunk);
        remaining -= length;
    }
    MD5Final(context);
    std::array<std::uint8_t, 16> digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        digest[i] = static_cast<std::uint8_t>(context.Registers[i / 4] >> (8 * (i % 4)));
    }
    return digest;
}

struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using OpenSslContext = std::unique_ptr<EVP_MD_CTX, ContextFree>;

std::array<std::uint8_t, 16> DigestWithOpenSsl(EVP_MD_CTX* context) {
    const std::uint8_t* chunk = Chunk().data();
    EVP_DigestInit_ex(context, EVP_md5(), nullptr);
    for (std::int32_t remaining = kMessageLength; remaining > 0;) {
        const std::int32_t length = std::min(remaining, kMaxUpdateLength);
        EVP_DigestUpdate(context, chunk, static_cast<std::size_t>(length));
        remaining -= length;
    }
    std::array<std::uint8_t, 16> digest{};
    EVP_DigestFinal_ex(context, digest.data(), nullptr);
    return digest;
}

void EngineMd5z(benchmark::State& state) {
    MD5Context context;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DigestWithEngine(context));
    }
    state.SetBytesProcessed(state.iterations() * kMessageLength);
}

void EngineOpenSsl(benchmark::State& state) {
    const OpenSslContext context(EVP_MD_CTX_new());
    for (auto _ : state) {
        benchmark::DoNotOptimize(DigestWithOpenSsl(context.get()));
    }
    state.SetBytesProcessed(state.iterations() * kMessageLength);
}

}  // namespace

Comparison EngineThroughput() {
    constexpr int kPairs = 9;
    constexpr benchmark::IterationCount kIterations = 2;
    return {
        "engine-throughput-ratio",    "engine/md5z", "engine/openssl", EngineMd5z,    EngineOpenSsl,
        RatioOf::ReferenceTimeToOurs, kPairs,        kIterations,      kMessageLength};
}

void CheckEngineAgreesWithOpenSsl() {
    MD5Context context;
    const OpenSslContext openSsl(EVP_MD_CTX_new());
    if (DigestWithEngine(context) != DigestWithOpenSsl(openSsl.get())) {
        std::fprintf(stderr, "engine and OpenSSL disagree on the 2^28 - 1 byte message\n");
        std::exit(EXIT_FAILURE);
    }
}

}  // namespace md5z::bench
