// The compiled-in code page and upper-case tables against ICU, the source
// they were generated from: a table edited by hand, or ICU changing under a
// regeneration, shows here unit by unit.

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "icu_unit_tables.h"
#include "core/upper_case.h"
#include "core/code_page.h"

namespace md5z {
namespace {

std::string unitName(std::size_t unit) {
    char name[8];
    std::snprintf(name, sizeof name, "U+%04zX", unit);
    return name;
}

TEST(CompiledTables, EqualIcuCodePage936OnEveryUnit) {
    const auto icu = icu_tables::CodePageTable();
    const auto compiled = CodePageValues();
    int differences = 0;
    for (std::size_t unit = 0; unit < kCodeUnitCount; ++unit) {
        if (compiled[unit] != icu[unit] && ++differences <= 10) {
            ADD_FAILURE() << unitName(unit) << ": compiled " << compiled[unit] << ", ICU "
                          << icu[unit];
        }
        ASSERT_EQ(CodePageValue(static_cast<char16_t>(unit)), compiled[unit]);
    }
    EXPECT_EQ(differences, 0);
}

TEST(CompiledTables, EqualIcuUpperCaseOnEveryUnit) {
    const auto icu = icu_tables::UpperCaseTable();
    int differences = 0;
    for (std::size_t unit = 0; unit < kCodeUnitCount; ++unit) {
        const char16_t compiled = UpperCaseUnit(static_cast<char16_t>(unit));
        if (compiled != icu[unit] && ++differences <= 10) {
            ADD_FAILURE() << unitName(unit) << ": compiled " << unitName(compiled) << ", ICU "
                          << unitName(icu[unit]);
        }
    }
    EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace md5z
