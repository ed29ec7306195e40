// Any UTF-16 text a paste can put into the input box, lone surrogates and
// unassigned units included, through the transliteration, the input
// conversion and the code page into the digest.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/code_page.h"
#include "core/input_conversion.h"
#include "core/md5.h"
#include "core/pinyin_initial.h"
#include "core/run_time_error.h"
#include "core/text_digest.h"
#include "oracle.h"

namespace {

using md5z::fuzz::requireThat;

std::u16string unitsOf(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    }
    return text;
}

bool isInitial(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' && unit != u'I' && unit != u'U' && unit != u'V';
}

void checkUnit(char16_t unit, char16_t converted) {
    requireThat(md5z::py(std::u16string_view(&unit, 1)) == std::u16string(1, converted),
                "py of one unit is the unit's share of the converted text");
    requireThat(md5z::pyUnit(unit) == converted, "pyUnit agrees with py");
    const std::int16_t value = md5z::CodePageValue(converted);
    requireThat(value >= 0 && value <= 0xFF, "a converted unit is a single code-page byte");
    if (md5z::CodePageValue(unit) < 0) {
        requireThat(converted == u'0' || isInitial(converted),
                    "a double-byte character becomes 0 or a pinyin initial");
    } else if (converted != unit) {
        requireThat(converted >= u'A' && converted <= u'Z',
                    "a single-byte character is only ever changed to an upper-case letter");
    }
}

// The bytes the digest takes for the converted text, found without the
// digest code: one code-page value per unit.
std::vector<std::uint8_t> codePageBytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size());
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(md5z::CodePageValue(unit)));
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = unitsOf(data, size);
    const std::u16string converted = md5z::pyText(text);
    requireThat(converted.size() == text.size(), "every unit yields exactly one unit");
    for (std::size_t i = 0; i < text.size(); ++i) {
        checkUnit(text[i], converted[i]);
    }

    const md5z::ConvertedInput input = md5z::ConvertInput(text);
    requireThat(input.ConvertedText == converted, "the input conversion is pyText");
    const std::string length = std::to_string(text.size());
    const std::string remaining = std::to_string(md5z::kInputLimit - static_cast<int>(text.size()));
    requireThat(input.ConvertedLength == std::u16string(length.begin(), length.end()),
                "the stored length counts the units");
    requireThat(input.RemainingCount == std::u16string(remaining.begin(), remaining.end()),
                "the counter shows 30 minus the length");

    md5z::MD5Context context;
    std::u16string digest;
    try {
        digest = md5z::DigestStrToHexStr(context, converted);
    } catch (const md5z::RunTimeError& error) {
        std::fprintf(stderr, "run-time error %d: %s\n", error.number(), error.what());
        requireThat(false, "the converted text is always digested");
    }
    requireThat(md5z::fuzz::toAscii(digest) == md5z::fuzz::referenceMd5(codePageBytes(converted)),
                "the digest is MD5 of the code-page bytes");
    return 0;
}
