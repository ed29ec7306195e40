#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <openssl/evp.h>

#include "comparisons.h"
#include "core/input_conversion.h"
#include "silent_platform.h"
#include "window/form.h"
#include "window/result_model.h"

namespace md5z::bench {
namespace {

// A full input box: hanzi, ASCII letters and digits, full-width symbols.
constexpr std::u16string_view kTypedText = u"中文MD5测试abc123，！＠汉字Zevrin输入ｘ２０。";
static_assert(kTypedText.size() == kInputLimit);

// The window as a click on 加密 finds it: a full input box, whose last
// keystroke has run the change handler and left the converted text in its
// hidden store.
struct TypedWindow {
    SilentPlatform platform{kTypedText};
    Form1 form{platform};
    TypedWindow() { form.Text1_Change(); }
};

// The converted text is single-byte throughout, so its units are its bytes.
std::array<unsigned char, kTypedText.size()> ConvertedBytes() {
    const std::u16string converted = ConvertInput(kTypedText).ConvertedText;
    std::array<unsigned char, kTypedText.size()> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(converted.at(i));
    }
    return bytes;
}

std::array<unsigned char, EVP_MAX_MD_SIZE> DigestWithOpenSsl(
    const std::array<unsigned char, kTypedText.size()>& bytes) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_md5(), nullptr);
    return digest;
}

// The digest handler itself: the converted text read back, its digest, and
// the input and the four renditions written to the result rows.
void ClickPathMd5z(benchmark::State& state) {
    TypedWindow window;
    for (auto _ : state) {
        window.form.ann1_Click();
        benchmark::ClobberMemory();
    }
}

void ClickPathOpenSsl(benchmark::State& state) {
    const auto bytes = ConvertedBytes();
    for (auto _ : state) {
        benchmark::DoNotOptimize(DigestWithOpenSsl(bytes));
    }
}

}  // namespace

Comparison ClickPath() {
    constexpr int kPairs = 9;
    return {"click-path-ratio",
            "click-path/md5z",
            "click-path/openssl-evp-digest",
            ClickPathMd5z,
            ClickPathOpenSsl,
            RatioOf::OurTimeToReference,
            kPairs,
            0,
            0};
}

void CheckClickPathAgreesWithOpenSsl() {
    TypedWindow window;
    window.form.ann1_Click();
    const std::u16string ours = readField(window.platform, Hex32Lower);
    const auto digest = DigestWithOpenSsl(ConvertedBytes());
    constexpr char kDigits[] = "0123456789abcdef";
    std::u16string theirs;
    for (std::size_t i = 0; i < 16; ++i) {
        theirs += static_cast<char16_t>(kDigits[digest[i] >> 4]);
        theirs += static_cast<char16_t>(kDigits[digest[i] & 0x0F]);
    }
    if (ours != theirs) {
        std::fprintf(stderr, "click path and OpenSSL disagree on the converted text\n");
        std::exit(EXIT_FAILURE);
    }
}

}  // namespace md5z::bench
