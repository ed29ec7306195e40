#include "core/pinyin_initial.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "core/code_page.h"
#include "core/upper_case.h"

namespace md5z {
namespace {

struct Boundary {
    std::uint16_t code;  // GBK code of the first hanzi read with this initial
    char16_t initial;
};

// The first-level hanzi of GB2312 (B0A1..D7F9) are laid out in pinyin order,
// so the first character of each initial bounds a range of codes. No hanzi
// reading starts with I, U or V.
constexpr std::array<Boundary, 23> BoundaryTable = {{
    {0xB0A1, u'A'},  // 啊
    {0xB0C5, u'B'},  // 芭
    {0xB2C1, u'C'},  // 擦
    {0xB4EE, u'D'},  // 搭
    {0xB6EA, u'E'},  // 蛾
    {0xB7A2, u'F'},  // 发
    {0xB8C1, u'G'},  // 噶
    {0xB9FE, u'H'},  // 哈
    {0xBBF7, u'J'},  // 击
    {0xBFA6, u'K'},  // 喀
    {0xC0AC, u'L'},  // 垃
    {0xC2E8, u'M'},  // 妈
    {0xC4C3, u'N'},  // 拿
    {0xC5B6, u'O'},  // 哦
    {0xC5BE, u'P'},  // 啪
    {0xC6DA, u'Q'},  // 期
    {0xC8BB, u'R'},  // 然
    {0xC8F6, u'S'},  // 撒
    {0xCBFA, u'T'},  // 塌
    {0xCDDA, u'W'},  // 挖
    {0xCEF4, u'X'},  // 昔
    {0xD1B9, u'Y'},  // 压
    {0xD4D1, u'Z'},  // 匝
}};

static_assert(std::is_sorted(BoundaryTable.begin(), BoundaryTable.end(),
                             [](const Boundary& a, const Boundary& b) { return a.code < b.code; }));

// Double-byte symbols and extension characters below the first hanzi.
constexpr char16_t kBelowFirstHanzi = u'0';

// A double-byte value is negative, and its signed order equals the order of
// the unsigned codes, so the comparison can use the code directly.
char16_t InitialOfDoubleByte(std::int16_t value) {
    const auto code = static_cast<std::uint16_t>(value);
    const auto after = std::upper_bound(
        BoundaryTable.begin(), BoundaryTable.end(), code,
        [](std::uint16_t c, const Boundary& boundary) { return c < boundary.code; });
    return after == BoundaryTable.begin() ? kBelowFirstHanzi : std::prev(after)->initial;
}

// py of each unit alone, generated from py itself (tools/unit_tables) and
// compiled in: the input is converted again on every keystroke, and a
// program that converts one short text pays for no table built at start.
constexpr std::array<char16_t, kCodeUnitCount> kUnits = {
#include "core/pinyin_unit_table.inc"
};

}  // namespace

std::u16string py(std::u16string_view mystr) {
    if (mystr.empty()) {
        return {};
    }
    const std::int16_t value = CodePageValue(mystr.front());
    if (value < 0) {
        return std::u16string(1, InitialOfDoubleByte(value));
    }
    std::u16string upper(mystr);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperCaseUnit);
    if (upper >= u"A" && upper <= u"Z") {
        return std::u16string(1, UpperCaseUnit(mystr.front()));
    }
    return std::u16string(mystr);
}

std::span<const char16_t, kCodeUnitCount> PinyinUnits() {
    return kUnits;
}

char16_t pyUnit(char16_t unit) {
    return kUnits[unit];
}

std::u16string pyText(std::u16string_view text) {
    std::u16string converted;
    pyText(text, converted);
    return converted;
}

void pyText(std::u16string_view text, std::u16string& converted) {
    converted.resize(text.size());
    std::transform(text.begin(), text.end(), converted.begin(),
                   [](char16_t unit) { return kUnits[unit]; });
}

}  // namespace md5z
