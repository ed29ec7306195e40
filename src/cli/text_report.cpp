#include "cli/text_report.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cstring>
#include <istream>
#include <optional>
#include <ostream>

#include "cli/input_line.h"
#include "core/run_time_error.h"
#include "core/text_digest.h"
#include "platform/qt/qt_text.h"
#include "window/layout.h"

namespace md5z::cli {
namespace {

std::u16string_view toView(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

std::string toUtf8(std::u16string_view text) {
    return qText(text).toStdString();
}

// The text itself, byte for byte: a byte-order mark at its start is part of
// it, and any malformed sequence rejects the whole text.
std::optional<QString> decodeUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

std::string tableOf(const TextReport& report) {
    // The rows as the window's result table captions them.
    const std::array<std::pair<ControlId, const std::u16string*>, 5> rows{{
        {ControlId::Label3, &report.ShownInput},
        {ControlId::Label4, &report.renditions.Hex16Lower},
        {ControlId::Label5, &report.renditions.Hex16Upper},
        {ControlId::Label6, &report.renditions.Hex32Lower},
        {ControlId::Label7, &report.renditions.Hex32Upper},
    }};
    std::string table;
    for (const auto& [caption, value] : rows) {
        table += toUtf8(layoutOf(caption).caption) + '\t' + toUtf8(*value) + '\n';
    }
    return table + '\n';  // a blank line ends each block
}

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

std::string_view nameOf(ReportField field) {
    return std::ranges::find(kNamedFields, field, &NamedField::field)->name;
}

// The two counts are numbers in JSON, though the window shows them as text.
QJsonValue valueOf(const TextReport& report, ReportField field) {
    switch (field) {
        case ReportField::ShownInput:
            return qText(report.ShownInput);
        case ReportField::ConvertedText:
            return qText(report.conversion.ConvertedText);
        case ReportField::ConvertedLength:
            return qText(report.conversion.ConvertedLength).toInt();
        case ReportField::RemainingCount:
            return qText(report.conversion.RemainingCount).toInt();
        case ReportField::Hex16Lower:
            return qText(report.renditions.Hex16Lower);
        case ReportField::Hex16Upper:
            return qText(report.renditions.Hex16Upper);
        case ReportField::Hex32Lower:
            return qText(report.renditions.Hex32Lower);
        case ReportField::Hex32Upper:
            return qText(report.renditions.Hex32Upper);
    }
    return {};
}

std::string jsonOf(const TextReport& report) {
    QJsonObject object;
    for (const auto& [name, field] : kNamedFields) {
        object.insert(QLatin1StringView(name), valueOf(report, field));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

QString bareTextOf(const TextReport& report, ReportField field) {
    const QJsonValue value = valueOf(report, field);
    return value.isString() ? value.toString() : QString::number(value.toInt());
}

constexpr std::string_view kNotUtf8 = "not valid UTF-8; nothing digested";

void writeError(std::ostream& out, std::ostream& err, std::string_view origin,
                std::string_view message) {
    // Reports and messages keep their order when both streams go to one place.
    out.flush();
    err << "md5zevrin-cli: " << origin << ": " << message << '\n';
    err.flush();
}

}  // namespace

TextReport reportOf(MD5Context& context, std::u16string_view text) {
    TextReport report;
    report.ShownInput = std::u16string(text);
    report.conversion = ConvertInput(text);
    report.renditions = renditionsOf(DigestStrToHexStr(context, report.conversion.ConvertedText));
    return report;
}

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

std::string formatReport(const TextReport& report, Format format) {
    switch (format.kind) {
        case Format::Kind::Json:
            return jsonOf(report);
        case Format::Kind::Bare:
            return bareTextOf(report, format.field).toStdString() + '\n';
        case Format::Kind::Table:
            break;
    }
    return tableOf(report);
}

namespace {

// Reports a decoded text, or names it when the digest refuses it.
bool reportDecoded(const QString& text, std::string_view origin, MD5Context& context, Format format,
                   std::ostream& out, std::ostream& err) {
    try {
        const TextReport report = reportOf(context, toView(text));
        // A script reads one line per text; a line break inside the value
        // would make one text's value read as two.
        if (format.kind == Format::Kind::Bare && bareTextOf(report, format.field).contains(u'\n')) {
            writeError(out, err, origin,
                       "the " + std::string(nameOf(format.field)) +
                           " value holds a line break; --json writes it escaped");
            return false;
        }
        out << formatReport(report, format);
        return true;
    } catch (const RunTimeError& e) {
        const std::string message = "text of " + std::to_string(text.size()) +
                                    " UTF-16 units cannot be digested (at most " +
                                    std::to_string(kMaxUpdateLength) + "): " + e.what();
        writeError(out, err, origin, message);
        return false;
    }
}

// Names a line refused while it streamed by, before the rest of it arrives.
void writeRefusal(InputLine::Refusal refusal, std::string_view origin, std::ostream& out,
                  std::ostream& err) {
    if (refusal == InputLine::Refusal::TooLong) {
        writeError(out, err, origin,
                   "text of more than " + std::to_string(kMaxUpdateLength) +
                       " UTF-16 units cannot be digested; the rest of the line is skipped");
    } else {
        writeError(out, err, origin, kNotUtf8);
    }
}

// The line reader's chunk: large enough that a long line costs few reads.
constexpr std::size_t kChunkBytes = 64 * 1024;

}  // namespace

bool reportText(std::string_view utf8, std::string_view origin, MD5Context& context, Format format,
                std::ostream& out, std::ostream& err) {
    const std::optional<QString> text = decodeUtf8(utf8);
    if (!text) {
        writeError(out, err, origin, kNotUtf8);
        return false;
    }
    return reportDecoded(*text, origin, context, format, out, err);
}

// Reads whatever the input has ready, so a line is reported as soon as it is
// complete, and ends once a report could not be written.
bool reportLines(std::istream& in, MD5Context& context, Format format, std::ostream& out,
                 std::ostream& err) {
    bool allReported = true;
    InputLine line;
    long number = 1;
    const auto origin = [&number] { return "line " + std::to_string(number); };
    const auto finishLine = [&](bool byNewline) {
        const InputLine::Refusal before = line.refusal();
        const std::string_view bytes = line.end(byNewline);
        if (line.refusal() != InputLine::Refusal::None) {
            if (before == InputLine::Refusal::None) {
                writeRefusal(line.refusal(), origin(), out, err);
            }
            allReported = false;
        } else {
            allReported = reportText(bytes, origin(), context, format, out, err) && allReported;
        }
        line.clear();
        ++number;
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
            const InputLine::Refusal before = line.refusal();
            line.add(rest.substr(0, length));
            if (before == InputLine::Refusal::None && line.refusal() != InputLine::Refusal::None) {
                writeRefusal(line.refusal(), origin(), out, err);
            }
            rest.remove_prefix(newline ? length + 1 : length);
            if (newline) {
                finishLine(true);
            }
        }
    }
    // A line cut short by a read error is not the line that was sent.
    if (out && !in.bad() && !line.empty()) {
        finishLine(false);
    }
    return allReported && !in.bad() && static_cast<bool>(out);
}

}  // namespace md5z::cli
