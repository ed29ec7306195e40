#include "core/digest_renditions.h"

#include <algorithm>
#include <utility>

namespace md5z {
namespace {

char16_t lowerDigit(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string middleSixteenDigits(const std::u16string& hex32) {
    return hex32.substr(std::min(kHex16First, hex32.size()), kHex16Length);
}

}  // namespace

DigestRenditions renditionsOf(std::u16string hex32Upper) {
    DigestRenditions r;
    r.Hex32Lower.resize(hex32Upper.size());
    std::transform(hex32Upper.begin(), hex32Upper.end(), r.Hex32Lower.begin(), lowerDigit);
    r.Hex32Upper = std::move(hex32Upper);
    r.Hex16Lower = middleSixteenDigits(r.Hex32Lower);
    r.Hex16Upper = middleSixteenDigits(r.Hex32Upper);
    return r;
}

}  // namespace md5z
