#include "input/digest_renditions.h"

#include <algorithm>
#include <utility>

namespace md5z {
namespace {

std::u16string lowerHex(std::u16string_view hex) {
    std::u16string lower(hex);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
    });
    return lower;
}

std::u16string middleSixteenDigits(std::u16string_view hex32) {
    constexpr std::size_t kFirst = 8;  // character 9, counted from 1
    constexpr std::size_t kCount = 16;
    return std::u16string(hex32.substr(std::min(kFirst, hex32.size()), kCount));
}

}  // namespace

DigestRenditions renditionsOf(std::u16string hex32Upper) {
    DigestRenditions r;
    r.Hex32Lower = lowerHex(hex32Upper);
    r.Hex32Upper = std::move(hex32Upper);
    r.Hex16Lower = middleSixteenDigits(r.Hex32Lower);
    r.Hex16Upper = middleSixteenDigits(r.Hex32Upper);
    return r;
}

}  // namespace md5z
