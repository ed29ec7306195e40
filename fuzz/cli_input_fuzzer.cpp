// Arbitrary bytes on md5zevrin-cli's standard input: valid and invalid UTF-8
// mixed, NUL bytes, CR in odd places, lines longer than the digest takes.
// Each line must give exactly one report or exactly one message, in the
// order of the lines, and the report must be the line's own text and digest.
// The lines and their validity are worked out here independently of the
// program's own decoder.

#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/text_report.h"
#include "core/code_page.h"
#include "core/md5.h"
#include "oracle.h"

namespace {

using md5z::fuzz::requireThat;

// LF ends a line and one CR before it is dropped; a last line without LF
// counts unless it is empty, and a CR at its end is part of it.
std::vector<std::string_view> splitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
    }
    return lines;
}

// Strict UTF-8 (the well-formed sequences of the Unicode standard): no
// overlong forms, no surrogates, nothing above U+10FFFF. Returns the UTF-16
// units, or nothing for a malformed line.
std::optional<std::u16string> decodeUtf8(std::string_view bytes) {
    std::u16string units;
    std::size_t i = 0;
    const auto byteAt = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
    while (i < bytes.size()) {
        const std::uint8_t lead = byteAt(i);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        std::uint32_t lowest = 0;
        if (lead < 0x80) {
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, code = lead & 0x1F, lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, code = lead & 0x0F, lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, code = lead & 0x07, lowest = 0x10000;
        } else {
            return std::nullopt;
        }
        if (bytes.size() - i - 1 < extra) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const std::uint8_t next = byteAt(i + k);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            code = code << 6 | (next & 0x3F);
        }
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return std::nullopt;
        }
        if (code >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(code);
        }
        i += extra + 1;
    }
    return units;
}

struct ExpectedLine {
    std::size_t number;
    std::string_view bytes;
    std::optional<std::u16string> text;  // nothing when the line is refused
};

std::vector<ExpectedLine> expectedLines(std::string_view input) {
    std::vector<ExpectedLine> expected;
    for (const std::string_view line : splitLines(input)) {
        std::optional<std::u16string> text = decodeUtf8(line);
        if (text && text->size() > static_cast<std::size_t>(md5z::kMaxUpdateLength)) {
            text.reset();
        }
        expected.push_back({expected.size() + 1, line, std::move(text)});
    }
    return expected;
}

// A flat JSON object of strings and integers, read here rather than with a
// JSON library: Qt's parser, for one, drops a U+FEFF at the start of a string.
struct FlatJson {
    std::map<std::string, std::u16string, std::less<>> strings;
    std::map<std::string, long long, std::less<>> numbers;
};

std::optional<std::u16string> jsonString(std::string_view& rest) {
    if (rest.empty() || rest.front() != '"') {
        return std::nullopt;
    }
    rest.remove_prefix(1);
    std::string utf8;
    std::u16string units;
    const auto flush = [&]() -> bool {
        const std::optional<std::u16string> decoded = decodeUtf8(utf8);
        utf8.clear();
        return decoded && (units += *decoded, true);
    };
    while (!rest.empty() && rest.front() != '"') {
        const char c = rest.front();
        rest.remove_prefix(1);
        if (c != '\\') {
            utf8 += c;
            continue;
        }
        if (rest.empty() || !flush()) {
            return std::nullopt;
        }
        const char escape = rest.front();
        rest.remove_prefix(1);
        static constexpr std::string_view kEscapes = "\"\"\\\\//b\bf\fn\nr\rt\t";
        if (const std::size_t at = kEscapes.find(escape);
            at != std::string_view::npos && at % 2 == 0) {
            units += static_cast<char16_t>(kEscapes[at + 1]);
        } else if (escape == 'u' && rest.size() >= 4) {
            units += static_cast<char16_t>(std::stoul(std::string(rest.substr(0, 4)), nullptr, 16));
            rest.remove_prefix(4);
        } else {
            return std::nullopt;
        }
    }
    if (rest.empty() || !flush()) {
        return std::nullopt;
    }
    rest.remove_prefix(1);
    return units;
}

std::optional<FlatJson> parseFlatJson(std::string_view rest) {
    FlatJson object;
    if (rest.empty() || rest.front() != '{') {
        return std::nullopt;
    }
    rest.remove_prefix(1);
    while (!rest.empty() && rest.front() != '}') {
        const std::optional<std::u16string> key = jsonString(rest);
        if (!key || rest.empty() || rest.front() != ':') {
            return std::nullopt;
        }
        rest.remove_prefix(1);
        const std::string name(key->begin(), key->end());
        if (!rest.empty() && rest.front() == '"') {
            const std::optional<std::u16string> value = jsonString(rest);
            if (!value) {
                return std::nullopt;
            }
            object.strings[name] = *value;
        } else {
            const std::size_t end = rest.find_first_not_of("-0123456789");
            if (end == 0 || end == std::string_view::npos) {
                return std::nullopt;
            }
            object.numbers[name] = std::stoll(std::string(rest.substr(0, end)));
            rest.remove_prefix(end);
        }
        if (!rest.empty() && rest.front() == ',') {
            rest.remove_prefix(1);
        }
    }
    if (rest != "}") {
        return std::nullopt;
    }
    return object;
}

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::u16string utf16Of(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

void checkJsonReport(const std::string& line, const std::u16string& text) {
    const std::optional<FlatJson> report = parseFlatJson(line);
    requireThat(report.has_value(), "a report is one JSON object on one line");
    requireThat(report->strings.size() == 6 && report->numbers.size() == 2,
                "a report has its eight fields");
    const auto field = [&](std::string_view name) { return report->strings.find(name); };
    const auto number = [&](std::string_view name) { return report->numbers.find(name); };
    requireThat(field("ShownInput") != report->strings.end() && field("ShownInput")->second == text,
                "the report shows the line's text unchanged");

    requireThat(field("ConvertedText") != report->strings.end(), "the converted text is there");
    const std::u16string& converted = field("ConvertedText")->second;
    requireThat(converted.size() == text.size(), "one converted unit per unit of the text");
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : converted) {
        const std::int16_t value = md5z::CodePageValue(unit);
        requireThat(value >= 0 && value <= 0xFF, "the converted text is single-byte");
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    const std::string upper = md5z::fuzz::referenceMd5(bytes);
    const std::pair<std::string_view, std::string> renditions[] = {
        {"Hex32Upper", upper},
        {"Hex32Lower", lowerAscii(upper)},
        {"Hex16Upper", upper.substr(8, 16)},
        {"Hex16Lower", lowerAscii(upper.substr(8, 16))},
    };
    for (const auto& [name, expected] : renditions) {
        requireThat(
            field(name) != report->strings.end() && field(name)->second == utf16Of(expected),
            "the renditions are MD5 of the converted text");
    }
    const auto length = static_cast<long long>(text.size());
    requireThat(number("ConvertedLength") != report->numbers.end() &&
                    number("ConvertedLength")->second == length,
                "the length in units");
    requireThat(number("RemainingCount") != report->numbers.end() &&
                    number("RemainingCount")->second == 30 - length,
                "30 minus the length");
}

void checkMessage(const std::string& line, std::size_t number) {
    const std::string prefix = "md5zevrin-cli: line " + std::to_string(number) + ": ";
    requireThat(line.starts_with(prefix), "a refused line is named by its number, in order");
}

// Reports and messages go to one stream here, so their order is checked too.
std::vector<std::string> runReportLines(std::string_view input, md5z::cli::Format format,
                                        bool& allReported) {
    std::istringstream in{std::string(input)};
    std::ostringstream out;
    allReported = md5z::cli::reportLines(in, format, out, out);
    std::vector<std::string> lines;
    std::istringstream written(out.str());
    for (std::string line; std::getline(written, line);) {
        lines.push_back(line);
    }
    return lines;
}

void checkJson(std::string_view input, const std::vector<ExpectedLine>& expected) {
    bool allReported = false;
    const std::vector<std::string> output =
        runReportLines(input, md5z::cli::Format::Json, allReported);
    requireThat(output.size() == expected.size(), "one output line per input line");
    bool anyRefused = false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i].text) {
            checkJsonReport(output[i], *expected[i].text);
        } else {
            checkMessage(output[i], expected[i].number);
            anyRefused = true;
        }
    }
    requireThat(allReported == !anyRefused, "the result says whether any line was refused");
}

// A table is five rows and a blank line; its first row ends in the text as
// given, byte for byte.
void checkTable(std::string_view input, const std::vector<ExpectedLine>& expected) {
    bool allReported = false;
    const std::vector<std::string> output =
        runReportLines(input, md5z::cli::Format::Table, allReported);
    std::size_t row = 0;
    bool anyRefused = false;
    for (const ExpectedLine& line : expected) {
        requireThat(row < output.size(), "every input line has its output");
        if (!line.text) {
            checkMessage(output[row++], line.number);
            anyRefused = true;
            continue;
        }
        requireThat(output.size() - row >= 6, "a table has six lines");
        const std::string& first = output[row];
        const std::size_t tab = first.find('\t');
        requireThat(
            tab != std::string::npos && std::string_view(first).substr(tab + 1) == line.bytes,
            "the first row shows the text byte for byte");
        requireThat(output[row + 5].empty(), "a blank line ends each table");
        row += 6;
    }
    requireThat(row == output.size(), "nothing is written beyond the reports and messages");
    requireThat(allReported == !anyRefused, "the result says whether any line was refused");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<ExpectedLine> expected = expectedLines(input);
    checkJson(input, expected);
    checkTable(input, expected);
    return 0;
}
