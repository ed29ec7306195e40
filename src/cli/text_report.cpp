#include "cli/text_report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include "cli/input_line.h"
#include "cli/json_string.h"
#include "cli/utf8.h"
#include "core/digest_renditions.h"
#include "core/input_conversion.h"
#include "core/run_time_error.h"
#include "core/text_digest.h"
#include "window/layout.h"

namespace md5z::cli {
namespace {

struct NamedField {
    std::string_view name;
    ReportField field;
};

// The JSON keys: the result model's names, in its order.
constexpr std::array<NamedField, 8> kNamedFields{{
    {"ShownInput", ReportField::ShownInput},
    {"ConvertedText", ReportField::ConvertedText},
    {"ConvertedLength", ReportField::ConvertedLength},
    {"RemainingCount", ReportField::RemainingCount},
    {"Hex16Lower", ReportField::Hex16Lower},
    {"Hex16Upper", ReportField::Hex16Upper},
    {"Hex32Lower", ReportField::Hex32Lower},
    {"Hex32Upper", ReportField::Hex32Upper},
}};

// A JSON object's keys come sorted by name, as scripts have always read them.
constexpr std::array<NamedField, 8> kJsonOrder = [] {
    std::array<NamedField, 8> fields = kNamedFields;
    std::ranges::sort(fields, {}, &NamedField::name);
    return fields;
}();

std::string_view nameOf(ReportField field) {
    return std::ranges::find(kNamedFields, field, &NamedField::field)->name;
}

// A text's report is written as soon as the text is converted; the digits
// of its digest, which are taken for several texts at a time, are filled in
// afterwards at the places the report leaves for them.
struct TextReport {
    std::string_view shown;  // the text as given: well-formed UTF-8
    std::u16string_view converted;
};

// The four renditions, in the order of their places below.
constexpr std::array<ReportField, 4> kRenditions{ReportField::Hex16Lower, ReportField::Hex16Upper,
                                                 ReportField::Hex32Lower, ReportField::Hex32Upper};

bool isRendition(ReportField field) {
    return std::ranges::find(kRenditions, field) != kRenditions.end();
}

std::size_t digitCountOf(ReportField field) {
    return field == ReportField::Hex16Lower || field == ReportField::Hex16Upper ? kHex16Length : 32;
}

// Where a report leaves room for each rendition's digits, counted from the
// report's first byte.
struct DigitPlaces {
    static constexpr std::size_t kNowhere = std::numeric_limits<std::size_t>::max();
    std::array<std::size_t, 4> at{kNowhere, kNowhere, kNowhere, kNowhere};
};

// Leaves room at `out` for a rendition's digits in the report that starts at `start`.
char* placeDigits(ReportField field, const char* start, char* out, DigitPlaces& places) {
    const auto rendition = std::ranges::find(kRenditions, field) - kRenditions.begin();
    places.at[static_cast<std::size_t>(rendition)] = static_cast<std::size_t>(out - start);
    return out + digitCountOf(field);
}

// Writes the renditions' digits into the places a report left for them.
void fillDigits(const TextDigests::Digits& upper, const DigitPlaces& places, char* report) {
    // In ASCII a lower-case letter is its capital with 0x20 added, and the
    // digits 0 to 9 have that bit already: eight digits per operation.
    TextDigests::Digits lower;
    for (std::size_t i = 0; i < lower.size(); i += sizeof(std::uint64_t)) {
        std::uint64_t eight;
        std::memcpy(&eight, upper.data() + i, sizeof eight);
        eight |= 0x2020202020202020;
        std::memcpy(lower.data() + i, &eight, sizeof eight);
    }
    // Each copy has a fixed length, which the compiler turns into moves.
    const auto fill = [&](std::size_t rendition, const char* digits, std::size_t count) {
        if (places.at[rendition] != DigitPlaces::kNowhere) {
            std::memcpy(report + places.at[rendition], digits, count);
        }
    };
    fill(0, lower.data() + kHex16First, kHex16Length);
    fill(1, upper.data() + kHex16First, kHex16Length);
    fill(2, lower.data(), 32);
    fill(3, upper.data(), 32);
}

char* writeText(std::string_view text, char* out) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// The most bytes a report's room has to spare beyond its text.
constexpr std::size_t kShortText = 32;

// A text every report repeats. One of up to kShortText bytes is kept padded
// to that length and copied whole, in moves the compiler writes inline
// instead of a call of memcpy; a report's room has the bytes to spare.
class FixedText {
  public:
    explicit FixedText(std::string text) : size_(text.size()), padded_(std::move(text)) {
        padded_.resize(std::max(size_, kShortText));
    }

    std::size_t size() const { return size_; }
    char* writeAt(char* out) const {
        if (size_ <= kShortText) {
            std::memcpy(out, padded_.data(), kShortText);
        } else {
            std::memcpy(out, padded_.data(), size_);
        }
        return out + size_;
    }

  private:
    std::size_t size_;
    std::string padded_;
};

char* writeNumber(int number, char* out) {
    return std::to_chars(out, out + std::numeric_limits<int>::digits10 + 2, number).ptr;
}

// A field's value as the bare output and JSON share it: the two counts are
// numbers, though the window shows them as text.
char* writeCount(const TextReport& report, ReportField field, char* out) {
    const std::size_t length = report.converted.size();
    return writeNumber(
        field == ReportField::ConvertedLength ? static_cast<int>(length) : RemainingCountOf(length),
        out);
}

// A JSON object's text around its variable values: keys and punctuation,
// with room for the digit values, which have fixed lengths. Segment i comes
// before value i; the last segment ends the object.
struct JsonText {
    struct DigitsPlace {
        std::size_t segment;
        std::size_t at;  // in the segment
    };
    std::vector<FixedText> segments;
    std::vector<ReportField> values;
    std::array<DigitsPlace, 4> digits{};  // of each rendition
};

JsonText jsonText() {
    JsonText json;
    std::vector<std::string> segments(1);
    char separator = '{';
    for (const auto& [name, field] : kJsonOrder) {
        std::string& segment = segments.back();
        segment += separator;
        segment += '"' + std::string(name) + "\":";
        separator = ',';
        if (isRendition(field)) {
            const auto rendition = std::ranges::find(kRenditions, field) - kRenditions.begin();
            segment += '"';
            json.digits[static_cast<std::size_t>(rendition)] = {segments.size() - 1,
                                                                segment.size()};
            segment.append(digitCountOf(field), '0');
            segment += '"';
        } else {
            json.values.push_back(field);
            segments.emplace_back();
        }
    }
    segments.back() += "}\n";
    for (std::string& segment : segments) {
        json.segments.emplace_back(std::move(segment));
    }
    return json;
}

char* writeJson(const TextReport& report, const JsonText& json, char* out, DigitPlaces& places) {
    const char* const start = out;
    std::array<std::size_t, kJsonOrder.size() + 1> segmentAt{};  // where each segment starts
    for (std::size_t i = 0; i < json.segments.size(); ++i) {
        segmentAt[i] = static_cast<std::size_t>(out - start);
        out = json.segments[i].writeAt(out);
        if (i == json.values.size()) {
            break;
        }
        const ReportField field = json.values[i];
        if (field == ReportField::ShownInput) {
            out = writeJsonString(report.shown, out);
        } else if (field == ReportField::ConvertedText) {
            out = writeJsonString(report.converted, out);
        } else {
            out = writeCount(report, field, out);
        }
    }
    for (std::size_t rendition = 0; rendition < json.digits.size(); ++rendition) {
        places.at[rendition] =
            segmentAt[json.digits[rendition].segment] + json.digits[rendition].at;
    }
    return out;
}

char* writeBare(const TextReport& report, ReportField field, char* out, DigitPlaces& places) {
    const char* const start = out;
    if (field == ReportField::ShownInput) {
        out = writeText(report.shown, out);
    } else if (field == ReportField::ConvertedText) {
        out = writeUtf8(report.converted, out);
    } else if (isRendition(field)) {
        out = placeDigits(field, start, out, places);
    } else {
        out = writeCount(report, field, out);
    }
    *out++ = '\n';
    return out;
}

// A script reads one line per text; a line break inside the value would
// make one text's value read as two.
bool holdsLineBreak(std::string_view shown, std::u16string_view converted, ReportField field) {
    return (field == ReportField::ShownInput && shown.find('\n') != shown.npos) ||
           (field == ReportField::ConvertedText && converted.find(u'\n') != converted.npos);
}

std::string utf8Of(std::u16string_view text) {
    std::string bytes(kMostUtf8BytesPerUnit * text.size(), '\0');
    bytes.resize(static_cast<std::size_t>(writeUtf8(text, bytes.data()) - bytes.data()));
    return bytes;
}

// A table's text around its values: the window's captions of the five
// result rows, tabs and line breaks. The digit values have fixed lengths,
// so everything after the first value is one stretch of text with room for
// them.
struct TableText {
    FixedText head;      // before the first value
    FixedText tail;      // after it
    DigitPlaces places;  // in `tail`
};

TableText tableText() {
    std::string tail;
    DigitPlaces places;
    const std::array<ControlId, 4> digitRows{ControlId::Label4, ControlId::Label5,
                                             ControlId::Label6, ControlId::Label7};
    for (std::size_t i = 0; i < digitRows.size(); ++i) {
        tail += '\n' + utf8Of(layoutOf(digitRows[i]).caption) + '\t';
        places.at[i] = tail.size();
        tail.append(digitCountOf(kRenditions[i]), '0');
    }
    tail += "\n\n";  // a blank line ends each block
    return {FixedText(utf8Of(layoutOf(ControlId::Label3).caption) + '\t'), FixedText(tail), places};
}

char* writeTable(const TextReport& report, const TableText& text, char* out, DigitPlaces& places) {
    out = text.head.writeAt(out);
    out = writeText(report.shown, out);
    const std::size_t tailAt = text.head.size() + report.shown.size();
    for (std::size_t i = 0; i < places.at.size(); ++i) {
        places.at[i] = tailAt + text.places.at[i];
    }
    return text.tail.writeAt(out);
}

// The most bytes a report may take beyond its fixed text: the counts and
// the escapes of its two strings.
std::size_t mostVariableBytesOf(const TextReport& report) {
    constexpr std::size_t kCountsBytes = 2 * (std::numeric_limits<int>::digits10 + 2);
    return kCountsBytes + kJsonQuoteBytes * 2 +
           kMostJsonBytesPerUnit * (report.shown.size() + report.converted.size());
}

constexpr std::string_view kNotUtf8 = "not valid UTF-8; nothing digested";

// Where a text came from, for its messages: "line 3", "argument 2".
struct Origin {
    std::string_view kind;
    long number;

    std::string name() const { return std::string(kind) + ' ' + std::to_string(number); }
};

// Reports text after text in one format. A report waits in a buffer, which
// goes out when it is full, before any message, and whenever the caller
// flushes; its digits are filled in once the digests of several texts have
// been taken together. The buffers serve text after text, so a report
// allocates nothing once they have grown.
class ReportWriter {
  public:
    ReportWriter(Format format, std::ostream& out, std::ostream& err);
    ~ReportWriter() { flush(); }
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // Reports one UTF-8 text, or names it when it is not valid UTF-8, cannot
    // be digested, or has a bare value that would not stay on one line.
    // Returns whether it was reported.
    bool report(std::string_view utf8, const Origin& origin);
    void writeError(const Origin& origin, std::string_view message);
    // Writes every report so far.
    void flush();

  private:
    static constexpr std::size_t kFullBuffer = 64 * 1024;

    // A report whose digits are not written yet.
    struct WaitingReport {
        std::size_t slot;  // in digests_
        std::size_t at;    // in reports_
        DigitPlaces places;
    };

    // Takes the waiting digests and writes their digits.
    void fillWaitingDigits();
    // Room for `most` more bytes after the reports.
    char* room(std::size_t most);

    Format format_;
    std::ostream& out_;
    std::ostream& err_;
    const TableText table_ = tableText();
    const JsonText json_ = jsonText();
    std::size_t fixedBytes_ = 0;  // the longest fixed text of a report, and bytes to spare
    std::u16string units_;        // holds the units of the text being reported
    std::u16string converted_;
    TextDigests digests_;
    std::vector<WaitingReport> waiting_;
    std::string reports_;  // its first `used_` bytes are reports to go out
    std::size_t used_ = 0;
};

ReportWriter::ReportWriter(Format format, std::ostream& out, std::ostream& err)
    : format_(format), out_(out), err_(err) {
    std::size_t jsonBytes = 0;
    for (const FixedText& segment : json_.segments) {
        jsonBytes += segment.size();
    }
    fixedBytes_ = std::max(table_.head.size() + table_.tail.size(), jsonBytes) + kShortText;
}

bool ReportWriter::report(std::string_view utf8, const Origin& origin) {
    if (digests_.full()) {
        fillWaitingDigits();
    }
    const std::optional<std::u16string_view> units = decodeUtf8(utf8, units_);
    if (!units) {
        writeError(origin, kNotUtf8);
        return false;
    }
    std::size_t slot = 0;
    try {
        slot = digests_.addConversionOf(*units, converted_);
    } catch (const RunTimeError& e) {
        writeError(origin, "text of " + std::to_string(units->size()) +
                               " UTF-16 units cannot be digested (at most " +
                               std::to_string(kMaxUpdateLength) + "): " + e.what());
        return false;
    }
    // The digest taken for such a text is never read.
    if (format_.kind == Format::Kind::Bare && holdsLineBreak(utf8, converted_, format_.field)) {
        writeError(origin, "the " + std::string(nameOf(format_.field)) +
                               " value holds a line break; --json writes it escaped");
        return false;
    }
    const TextReport report{utf8, converted_};
    char* const start = room(fixedBytes_ + mostVariableBytesOf(report));
    WaitingReport& waiting = waiting_.emplace_back(WaitingReport{slot, used_, {}});
    char* end = start;
    switch (format_.kind) {
        case Format::Kind::Json:
            end = writeJson(report, json_, start, waiting.places);
            break;
        case Format::Kind::Bare:
            end = writeBare(report, format_.field, start, waiting.places);
            break;
        case Format::Kind::Table:
            end = writeTable(report, table_, start, waiting.places);
            break;
    }
    used_ += static_cast<std::size_t>(end - start);
    if (used_ >= kFullBuffer) {
        flush();
    }
    return true;
}

void ReportWriter::fillWaitingDigits() {
    digests_.finish();
    for (const WaitingReport& waiting : waiting_) {
        fillDigits(digests_.digits(waiting.slot), waiting.places, reports_.data() + waiting.at);
    }
    waiting_.clear();
    digests_.clear();
}

char* ReportWriter::room(std::size_t most) {
    if (reports_.size() < used_ + most) {
        reports_.resize(used_ + most);
    }
    return reports_.data() + used_;
}

void ReportWriter::writeError(const Origin& origin, std::string_view message) {
    // Reports and messages keep their order when both streams go to one place.
    flush();
    out_.flush();
    err_ << "md5zevrin-cli: " << origin.name() << ": " << message << '\n';
    err_.flush();
}

void ReportWriter::flush() {
    fillWaitingDigits();
    out_.write(reports_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
}

// Names a line refused while it streamed by, before the rest of it arrives.
void writeRefusal(InputLine::Refusal refusal, const Origin& origin, ReportWriter& writer) {
    if (refusal == InputLine::Refusal::TooLong) {
        writer.writeError(origin,
                          "text of more than " + std::to_string(kMaxUpdateLength) +
                              " UTF-16 units cannot be digested; the rest of the line is skipped");
    } else {
        writer.writeError(origin, kNotUtf8);
    }
}

// The line reader's chunk: large enough that a long line costs few reads.
constexpr std::size_t kChunkBytes = 64 * 1024;

}  // namespace

std::optional<ReportField> reportFieldNamed(std::string_view name) {
    const auto* named = std::ranges::find(kNamedFields, name, &NamedField::name);
    if (named == kNamedFields.end()) {
        return std::nullopt;
    }
    return named->field;
}

std::string reportFieldNames() {
    std::string names;
    for (const auto& [name, field] : kNamedFields) {
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
}

bool reportArguments(std::span<const std::string> texts, Format format, std::ostream& out,
                     std::ostream& err) {
    ReportWriter writer(format, out, err);
    bool allReported = true;
    for (std::size_t i = 0; i < texts.size() && out; ++i) {
        allReported =
            writer.report(texts[i], {"argument", static_cast<long>(i + 1)}) && allReported;
        writer.flush();
    }
    return allReported;
}

// Reads whatever the input has ready, so a line is reported as soon as it is
// complete, and ends once a report could not be written.
bool reportLines(std::istream& in, Format format, std::ostream& out, std::ostream& err) {
    ReportWriter writer(format, out, err);
    bool allReported = true;
    InputLine line;
    Origin origin{"line", 1};
    const auto finishLine = [&](bool byNewline) {
        const InputLine::Refusal before = line.refusal();
        const std::string_view bytes = line.end(byNewline);
        if (line.refusal() != InputLine::Refusal::None) {
            if (before == InputLine::Refusal::None) {
                writeRefusal(line.refusal(), origin, writer);
            }
            allReported = false;
        } else {
            allReported = writer.report(bytes, origin) && allReported;
        }
        line.clear();
        ++origin.number;
    };

    std::array<char, kChunkBytes> chunk;
    while (out && in.peek() != std::istream::traits_type::eof()) {
        std::string_view rest(chunk.data(),
                              static_cast<std::size_t>(in.readsome(chunk.data(), chunk.size())));
        while (!rest.empty() && out) {
            const auto* newline =
                static_cast<const char*>(std::memchr(rest.data(), '\n', rest.size()));
            const std::size_t length =
                newline ? static_cast<std::size_t>(newline - rest.data()) : rest.size();
            // Most lines lie whole in the chunk and are reported from there.
            if (const auto whole = newline && line.empty() ? shortWholeLine(rest.substr(0, length))
                                                           : std::nullopt) {
                allReported = writer.report(*whole, origin) && allReported;
                ++origin.number;
                rest.remove_prefix(length + 1);
                continue;
            }
            const InputLine::Refusal before = line.refusal();
            line.add(rest.substr(0, length));
            if (before == InputLine::Refusal::None && line.refusal() != InputLine::Refusal::None) {
                writeRefusal(line.refusal(), origin, writer);
            }
            rest.remove_prefix(newline ? length + 1 : length);
            if (newline) {
                finishLine(true);
            }
        }
        // Everything complete goes out before the program waits for more.
        writer.flush();
    }
    // A line cut short by a read error is not the line that was sent.
    if (out && !in.bad() && !line.empty()) {
        finishLine(false);
    }
    writer.flush();
    return allReported && !in.bad() && static_cast<bool>(out);
}

}  // namespace md5z::cli
