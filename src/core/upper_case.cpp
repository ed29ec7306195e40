#include "core/upper_case.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace md5z {
namespace {

struct UpperCasePair {
    char16_t unit;
    char16_t upper;
};

// Every unit whose upper-case form differs from itself, in unit order.
constexpr UpperCasePair kUpperCase[] = {
#include "core/upper_case_table.inc"
};

static_assert(std::is_sorted(std::begin(kUpperCase), std::end(kUpperCase),
                             [](const UpperCasePair& a, const UpperCasePair& b) {
                                 return a.unit < b.unit;
                             }));

}  // namespace

char16_t UpperCaseUnit(char16_t unit) {
    const auto* found = std::lower_bound(
        std::begin(kUpperCase), std::end(kUpperCase), unit,
        [](const UpperCasePair& pair, char16_t wanted) { return pair.unit < wanted; });
    return found != std::end(kUpperCase) && found->unit == unit ? found->upper : unit;
}

}  // namespace md5z
