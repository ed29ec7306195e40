#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "digest/md5.h"
#include "input/digest_renditions.h"
#include "input/input_conversion.h"

namespace md5z::cli {

enum class Format { Table, Json };

// What the window shows once a text has been typed and digested.
struct TextReport {
    std::u16string ShownInput;
    ConvertedInput conversion;
    DigestRenditions renditions;
};

// Raises RunTimeError for a text the digest refuses (over 32,767 units).
TextReport reportOf(MD5Context& context, std::u16string_view text);

// One report as UTF-8: five "caption<TAB>value" rows, or one JSON object on
// one line.
std::string formatReport(const TextReport& report, Format format);

// Reports one UTF-8 text, or writes one message naming `origin` (such as
// "line 3") to `err` when the text is not valid UTF-8 or cannot be digested.
// Returns whether the text was reported.
bool reportText(std::string_view utf8, std::string_view origin, MD5Context& context, Format format,
                std::ostream& out, std::ostream& err);

// Reports every line of `in` (LF or CR LF ends a line; a last line without
// an LF counts, a CR at its end included) and returns whether every line was
// reported and nothing failed. Memory stays bounded whatever a line's length:
// a line the digest cannot take is named as soon as that is certain and the
// rest of it is skipped. Stops at the first report that cannot be written
// (`out` goes bad) and when reading fails (`in` goes bad); a line cut short
// by a read error is not reported.
bool reportLines(std::istream& in, MD5Context& context, Format format, std::ostream& out,
                 std::ostream& err);

}  // namespace md5z::cli
