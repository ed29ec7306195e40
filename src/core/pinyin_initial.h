#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/code_page.h"

namespace md5z {

// The one-character transliteration of the input: a GB2312 hanzi becomes the
// initial of its pinyin reading, found by its code's place among 23
// boundary characters; ASCII letters become upper case; other double-byte
// characters become "0"; everything else passes unchanged.
std::u16string py(std::u16string_view mystr);

// py of a single UTF-16 unit, for callers that convert a whole text.
char16_t pyUnit(char16_t unit);

// pyUnit of every unit, indexed by the unit: for callers that convert a
// whole text along with other work on each unit.
std::span<const char16_t, kCodeUnitCount> PinyinUnits();

// pyUnit of every unit of text, joined: the whole input converted at once.
std::u16string pyText(std::u16string_view text);
// The same, written over `converted`, whose storage is reused.
void pyText(std::u16string_view text, std::u16string& converted);

}  // namespace md5z
