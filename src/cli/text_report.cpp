#include "cli/text_report.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringDecoder>
#include <array>
#include <cstring>
#include <istream>
#include <optional>
#include <ostream>

#include "cli/input_line.h"
#include "digest/run_time_error.h"
#include "digest/text_digest.h"
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

std::string jsonOf(const TextReport& report) {
    const QJsonObject object{
        {"ShownInput", qText(report.ShownInput)},
        {"ConvertedText", qText(report.conversion.ConvertedText)},
        {"ConvertedLength", qText(report.conversion.ConvertedLength).toInt()},
        {"RemainingCount", qText(report.conversion.RemainingCount).toInt()},
        {"Hex16Lower", qText(report.renditions.Hex16Lower)},
        {"Hex16Upper", qText(report.renditions.Hex16Upper)},
        {"Hex32Lower", qText(report.renditions.Hex32Lower)},
        {"Hex32Upper", qText(report.renditions.Hex32Upper)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + '\n';
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

std::string formatReport(const TextReport& report, Format format) {
    return format == Format::Json ? jsonOf(report) : tableOf(report);
}

namespace {

// Reports a decoded text, or names it when the digest refuses it.
bool reportDecoded(const QString& text, std::string_view origin, MD5Context& context, Format format,
                   std::ostream& out, std::ostream& err) {
    try {
        out << formatReport(reportOf(context, toView(text)), format);
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
