// The digest engine fed an arbitrary message in arbitrary pieces, with the
// calls a caller may get wrong in between: oversized and negative lengths,
// buffers shorter than the length, a byte count near its limits. Every
// accepted message must give OpenSSL's digest of the same bytes, and every
// refused call must leave a context that MD5Init makes good as new.

#include <fuzzer/FuzzedDataProvider.h>
#include <openssl/evp.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/md5.h"
#include "core/run_time_error.h"
#include "core/text_digest.h"
#include "oracle.h"

namespace {

using md5z::fuzz::requireThat;

// Keeps one input's work small enough for thousands of runs a second.
constexpr std::size_t kMaxMessageBytes = 1 << 18;

struct EvpContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// OpenSSL's MD5 over the same pieces, as the independent reference.
class ReferenceDigest {
  public:
    ReferenceDigest() : context_(EVP_MD_CTX_new()) { restart(); }
    void restart() {
        requireThat(EVP_DigestInit_ex(context_.get(), EVP_md5(), nullptr) == 1, "OpenSSL init");
        length_ = 0;
    }
    void absorb(const std::vector<std::uint8_t>& bytes) {
        requireThat(EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) == 1,
                    "OpenSSL update");
        length_ += bytes.size();
    }
    std::string finish() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        requireThat(EVP_DigestFinal_ex(context_.get(), digest, &size) == 1, "OpenSSL final");
        return md5z::fuzz::upperHex(std::span(digest, size));
    }
    std::size_t length() const { return length_; }

  private:
    std::unique_ptr<EVP_MD_CTX, EvpContextFree> context_;
    std::size_t length_ = 0;
};

// The bytes of one piece: as many as the input still has, the rest from a
// generator seeded by the input, so that a few input bytes can describe a
// 32,767-byte piece.
std::vector<std::uint8_t> pieceBytes(FuzzedDataProvider& input, std::size_t length) {
    std::vector<std::uint8_t> bytes =
        input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, length));
    std::uint32_t state = input.ConsumeIntegral<std::uint32_t>() | 1;
    while (bytes.size() < length) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes.push_back(static_cast<std::uint8_t>(state));
    }
    return bytes;
}

void expectRunTimeError(int number, auto&& call, const char* property) {
    try {
        call();
    } catch (const md5z::RunTimeError& error) {
        requireThat(error.number() == number, property);
        return;
    }
    requireThat(false, property);
}

void finishAndCompare(md5z::MD5Context& context, ReferenceDigest& reference) {
    md5z::MD5Final(context);
    requireThat(context.ByteCount % 64 == 0, "padding and length end a block");
    requireThat(static_cast<std::size_t>(context.ByteCount) >= reference.length() + 9 &&
                    static_cast<std::size_t>(context.ByteCount) <= reference.length() + 72,
                "MD5Final appends 9 to 72 bytes");
    requireThat(md5z::fuzz::toAscii(md5z::GetValues(context)) == reference.finish(),
                "the digest of the pieces is OpenSSL's digest of the whole");
}

void restart(md5z::MD5Context& context, ReferenceDigest& reference) {
    md5z::MD5Init(context);
    reference.restart();
}

enum class Call : std::uint8_t {
    SmallPiece,
    BlockSizedPiece,
    LargePiece,
    OversizedPiece,
    ShortBuffer,
    NegativeLength,
    Finish,
    ByteCountNearLimit,
    kMaxValue = ByteCountNearLimit,
};

void runCall(Call call, FuzzedDataProvider& input, md5z::MD5Context& context,
             ReferenceDigest& reference) {
    switch (call) {
        case Call::SmallPiece:
        case Call::BlockSizedPiece:
        case Call::LargePiece: {
            const std::int32_t longest = call == Call::SmallPiece        ? 3
                                         : call == Call::BlockSizedPiece ? 130
                                                                         : md5z::kMaxUpdateLength;
            const auto length = input.ConsumeIntegralInRange<std::int32_t>(0, longest);
            if (reference.length() + static_cast<std::size_t>(length) > kMaxMessageBytes) {
                return;
            }
            const std::vector<std::uint8_t> bytes = pieceBytes(input, length);
            md5z::MD5Update(context, length, bytes);
            reference.absorb(bytes);
            return;
        }
        case Call::OversizedPiece: {
            const auto length = input.ConsumeIntegralInRange<std::int32_t>(
                md5z::kMaxUpdateLength + 1, md5z::kMaxUpdateLength + 70000);
            const std::vector<std::uint8_t> bytes(length);
            expectRunTimeError(
                md5z::kOverflowError, [&] { md5z::MD5Update(context, length, bytes); },
                "a piece over 32,767 bytes raises the overflow error");
            restart(context, reference);
            return;
        }
        case Call::ShortBuffer: {
            const auto length = input.ConsumeIntegralInRange<std::int32_t>(1, 200);
            const std::vector<std::uint8_t> bytes(
                input.ConsumeIntegralInRange<std::int32_t>(0, length - 1));
            expectRunTimeError(
                md5z::kSubscriptError, [&] { md5z::MD5Update(context, length, bytes); },
                "a buffer shorter than the length raises the subscript error");
            restart(context, reference);
            return;
        }
        case Call::NegativeLength: {
            const auto length = input.ConsumeIntegralInRange<std::int32_t>(
                std::numeric_limits<std::int32_t>::min(), -1);
            const std::vector<std::uint8_t> bytes(64);
            expectRunTimeError(
                md5z::kSubscriptError, [&] { md5z::MD5Update(context, length, bytes); },
                "a negative length raises the subscript error");
            restart(context, reference);
            return;
        }
        case Call::Finish:
            finishAndCompare(context, reference);
            restart(context, reference);
            return;
        case Call::ByteCountNearLimit: {
            // Only a context set by hand gets here; it may fail, but only
            // with a run-time error, and never reads or writes out of bounds.
            context.ByteCount = input.ConsumeIntegral<std::int32_t>();
            const auto length = input.ConsumeIntegralInRange<std::int32_t>(0, 200);
            const std::vector<std::uint8_t> bytes = pieceBytes(input, length);
            try {
                md5z::MD5Update(context, length, bytes);
                md5z::MD5Final(context);
                requireThat(context.ByteCount % 64 == 0, "padding and length end a block");
            } catch (const md5z::RunTimeError& error) {
                requireThat(error.number() == md5z::kOverflowError,
                            "a byte count out of range raises the overflow error");
            }
            restart(context, reference);
            return;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    md5z::MD5Context context;
    ReferenceDigest reference;
    restart(context, reference);
    while (input.remaining_bytes() > 0) {
        runCall(input.ConsumeEnum<Call>(), input, context, reference);
    }
    finishAndCompare(context, reference);
    return 0;
}
