#pragma once

namespace md5z {

// A UTF-16 unit's simple upper-case form (Unicode's one-to-one mapping, so a
// unit stays a single unit); a unit without one is returned unchanged.
char16_t UpperCaseUnit(char16_t unit);

}  // namespace md5z
