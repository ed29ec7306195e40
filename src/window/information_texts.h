#pragma once

#include <string>

namespace md5z {

// The text of the contact box: five lines, "\r\n" between them, none after
// the last.
std::u16string ContactText();

// The text of the About box below its title: two lines, "\r\n" between them.
std::u16string AboutText();

}  // namespace md5z
