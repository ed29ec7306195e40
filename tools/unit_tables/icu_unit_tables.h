#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/code_page.h"

namespace md5z::icu_tables {

// What ICU says about every UTF-16 unit, the source the program's compiled
// tables are generated from and checked against.

// Each unit's code in ICU's "windows-936" converter, exact mappings only, '?'
// for a unit it cannot represent: the values CodePageValue returns.
std::array<std::int16_t, kCodeUnitCount> CodePageTable();

// Each unit's simple (one-to-one) upper-case mapping, u_toupper.
std::array<char16_t, kCodeUnitCount> UpperCaseTable();

}  // namespace md5z::icu_tables
