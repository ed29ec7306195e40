#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace md5z::cli {

// The fields of a report, named as the JSON object names them.
enum class ReportField {
    ShownInput,
    ConvertedText,
    ConvertedLength,
    RemainingCount,
    Hex16Lower,
    Hex16Upper,
    Hex32Lower,
    Hex32Upper,
};

// How each report is written: five table rows, one JSON object, or the bare
// value of one field.
struct Format {
    enum class Kind { Table, Json, Bare };
    Kind kind = Kind::Table;
    ReportField field = ReportField::ShownInput;  // what Bare writes

    static const Format Table;
    static const Format Json;
    static constexpr Format bare(ReportField field) { return {Kind::Bare, field}; }
    friend bool operator==(const Format&, const Format&) = default;
};
inline constexpr Format Format::Table{Kind::Table};
inline constexpr Format Format::Json{Kind::Json};

std::optional<ReportField> reportFieldNamed(std::string_view name);
// Every field name, in the order of the JSON object, joined by ", ".
std::string reportFieldNames();

// Reports each UTF-8 text, or writes one message naming it ("argument 2")
// to `err` when it is not valid UTF-8, cannot be digested, or has a bare
// value that would not stay on one line. Stops at the first report that
// cannot be written (`out` goes bad). Returns whether every text was
// reported.
bool reportArguments(std::span<const std::string> texts, Format format, std::ostream& out,
                     std::ostream& err);

// Reports every line of `in` (LF or CR LF ends a line; a last line without
// an LF counts, a CR at its end included) and returns whether every line was
// reported and nothing failed. Memory stays bounded whatever a line's length:
// a line the digest cannot take is named as soon as that is certain and the
// rest of it is skipped. Stops at the first report that cannot be written
// (`out` goes bad) and when reading fails (`in` goes bad); a line cut short
// by a read error is not reported.
bool reportLines(std::istream& in, Format format, std::ostream& out, std::ostream& err);

}  // namespace md5z::cli
