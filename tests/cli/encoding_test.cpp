// The UTF-8 the program accepts and the JSON strings it writes, at the edges
// of each rule. Byte for byte equality with the Qt-based build over far more
// texts is cli.same_output_as_qt_build's; these rows stand without it.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/json_string.h"
#include "cli/utf8.h"

namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

struct DecodeRow {
    const char* name;
    std::string_view bytes;
    std::optional<std::u16string> units;  // nothing: refused
};

void PrintTo(const DecodeRow& row, std::ostream* out) {
    *out << row.name;
}

class Utf8Rows : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(Utf8Rows, DecodeOrRefuseTheWholeText) {
    // A buffer that held a longer text before.
    std::u16string buffer(40, u'x');
    const auto units = md5z::cli::decodeUtf8(GetParam().bytes, buffer);
    EXPECT_EQ(units.has_value(), GetParam().units.has_value());
    if (units && GetParam().units) {
        EXPECT_EQ(*units, *GetParam().units);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, Utf8Rows,
    ::testing::Values(DecodeRow{"Lowest", "\x00\xc2\x80\xe0\xa0\x80\xf0\x90\x80\x80"sv,
                                u"\x00\u0080\u0800\U00010000"s},
                      DecodeRow{"Highest", "\x7f\xdf\xbf\xef\xbf\xbf\xf4\x8f\xbf\xbf",
                                u"\x7f\u07ff\uffff\U0010FFFF"},
                      DecodeRow{"ByteOrderMarkKept",
                                "\xef\xbb\xbf"
                                "a",
                                u"\ufeffa"},
                      DecodeRow{"OverLongTwo", "\xc1\xbf", std::nullopt},
                      DecodeRow{"OverLongThree", "\xe0\x9f\xbf", std::nullopt},
                      DecodeRow{"OverLongFour", "\xf0\x8f\xbf\xbf", std::nullopt},
                      DecodeRow{"SurrogateLow", "\xed\xa0\x80", std::nullopt},
                      DecodeRow{"SurrogateHigh", "\xed\xbf\xbf", std::nullopt},
                      DecodeRow{"PastU10FFFF", "\xf4\x90\x80\x80", std::nullopt},
                      DecodeRow{"LeadF5", "\xf5\x80\x80\x80", std::nullopt},
                      DecodeRow{"LeadFF", "a\xff", std::nullopt},
                      DecodeRow{"StrayContinuation",
                                "a\x80"
                                "b",
                                std::nullopt},
                      DecodeRow{"CutTwo", "a\xc3", std::nullopt},
                      DecodeRow{"CutThree", "\xe4\xb8", std::nullopt},
                      DecodeRow{"CutFour", "\xf0\x9f\x98", std::nullopt},
                      DecodeRow{"ContinuationMissing", "\xe4\x41\x80", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct JsonRow {
    const char* name;
    std::u16string text;
    std::string_view json;
};

void PrintTo(const JsonRow& row, std::ostream* out) {
    *out << row.name;
}

class JsonRows : public ::testing::TestWithParam<JsonRow> {};

TEST_P(JsonRows, EscapeAsScriptsHaveAlwaysRead) {
    std::string json(md5z::cli::kMostJsonBytesPerUnit * GetParam().text.size() + 2, '\0');
    json.resize(static_cast<std::size_t>(md5z::cli::writeJsonString(GetParam().text, json.data()) -
                                         json.data()));
    EXPECT_EQ(json, GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Json, JsonRows,
    ::testing::Values(JsonRow{"ShortEscapes", u"\"\\\b\f\n\r\t/", R"("\"\\\b\f\n\r\t/")"},
                      JsonRow{"OtherControls", u"\x00\x01\x1f\x7f"s,
                              "\"\\u0000\\u0001\\u001f\x7f\""},
                      JsonRow{"NonAsciiAsItIs", u"é€中\U0001F600", "\"é€中😀\""},
                      JsonRow{"LoneSurrogates",
                              u"\xd83d"
                              u"a\xde00",
                              "\"\\ud83da\\ude00\""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
