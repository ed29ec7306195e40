#include "icu_unit_tables.h"

#include <memory>
#include <stdexcept>
#include <string>

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/utypes.h>

namespace md5z::icu_tables {
namespace {

constexpr const char* kConverterName = "windows-936";
constexpr char kSubstitute = '?';

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

[[noreturn]] void FailConverter(const char* step, UErrorCode status) {
    throw std::runtime_error(std::string("code page 936: ICU converter \"") + kConverterName +
                             "\" " + step + ": " + u_errorName(status));
}

// Exact mappings only: a fallback would turn e.g. U+00A2 into the full-width
// cent sign, a character the user never typed.
Converter OpenConverter() {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(kConverterName, &status));
    if (U_FAILURE(status) || !converter) {
        FailConverter("cannot be opened", status);
    }
    ucnv_setFallback(converter.get(), false);
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), &kSubstitute, 1, &status);
    if (U_FAILURE(status)) {
        FailConverter("rejects the substitute '?'", status);
    }
    return converter;
}

std::int16_t ConvertOneUnit(UConverter* converter, char16_t unit) {
    const UChar source = unit;
    char bytes[4] = {};
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(converter);
    const int32_t length = ucnv_fromUChars(converter, bytes, sizeof bytes, &source, 1, &status);
    if (U_FAILURE(status)) {
        FailConverter("failed on a single unit", status);
    }
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const auto trail = static_cast<unsigned char>(bytes[1]);
    switch (length) {
        case 1:
            return lead;
        case 2:
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(lead << 8 | trail));
        default:
            // ICU drops unmappable default-ignorable characters (soft hyphen,
            // zero-width joiner, byte order mark) instead of substituting them;
            // they are as unrepresentable as any other.
            return kSubstitute;
    }
}

}  // namespace

std::array<std::int16_t, kCodeUnitCount> CodePageTable() {
    const Converter converter = OpenConverter();
    std::array<std::int16_t, kCodeUnitCount> table{};
    for (std::size_t unit = 0; unit < kCodeUnitCount; ++unit) {
        table[unit] = ConvertOneUnit(converter.get(), static_cast<char16_t>(unit));
    }
    return table;
}

std::array<char16_t, kCodeUnitCount> UpperCaseTable() {
    std::array<char16_t, kCodeUnitCount> table{};
    for (std::size_t unit = 0; unit < kCodeUnitCount; ++unit) {
        table[unit] = static_cast<char16_t>(u_toupper(static_cast<UChar32>(unit)));
    }
    return table;
}

}  // namespace md5z::icu_tables
