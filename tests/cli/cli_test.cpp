// The command-line contract, run as a separate process the way scripts use it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <vector>

#include "../digest/reference_md5.h"
#include "cli_run.h"

namespace {

using namespace md5z::cli_test;
using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(CliJson, ReportsExactlyTheFieldsTheWindowShows) {
    const CliRun run = runCli("--json 中文abc");
    ASSERT_EQ(run.status, 0) << run.err;
    const QString lower = QString::fromStdString(md5z::ReferenceMD5("ZWABC"));
    const QString upper = lower.toUpper();
    const QJsonObject expected{{"ShownInput", "中文abc"},
                               {"ConvertedText", "ZWABC"},
                               {"ConvertedLength", 5},
                               {"RemainingCount", 25},
                               {"Hex16Lower", lower.mid(8, 16)},
                               {"Hex16Upper", upper.mid(8, 16)},
                               {"Hex32Lower", lower},
                               {"Hex32Upper", upper}};
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object(), expected)
        << run.out;
}

TEST(CliLines, EachLineIsOneTextWhateverItsEnding) {
    const CliRun run = runCli("--json", "abc\r\n\nlast");
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(shownInputs(run.out), ElementsAre("abc", "", "last"));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(runCli("--json").out, "");
}

TEST(CliLines, LinesThatCannotBeDigestedAreNamedAndTheRestGoOn) {
    const QByteArray tooLong(32768, 'a'), longest(32767, 'b');
    // Stray bytes, a truncated sequence, an encoded surrogate, too many units.
    const CliRun run = runCli("--json", "one\n\xff\xfe\ntwo\n\xc3\n\xed\xa0\x80\n" + tooLong +
                                            "\n" + longest + "\nthree");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(shownInputs(run.out), ElementsAre("one", "two", longest.toStdString(), "three"));
    EXPECT_THAT(run.err, ContainsRegex("line 2: not valid UTF-8.*line 4: not valid UTF-8.*"
                                       "line 5: not valid UTF-8.*line 6: .*more than 32767"));
}

TEST(CliArguments, InvalidUtf8ArgumentIsNamedAndOthersAreReported) {
    const CliRun run = runCli("--json ok \"$(printf '\\377')\" '' -- -5");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(shownInputs(run.out), ElementsAre("ok", "", "-5"));
    EXPECT_THAT(run.err, HasSubstr("argument 2: not valid UTF-8"));
}

// U+FEFF and U+FFFE inside a text are characters, not byte-order marks: shown
// and converted as given (to '?', outside the code page), never dropped.
TEST(CliTable, ShowsFiveRowsPerTextAndKeepsByteOrderMarks) {
    std::string expected;
    for (const auto& [shown, converted] : {std::pair<std::string, std::string>{"中文", "ZW"},
                                           {"\xef\xbb\xbfxyz", "?XYZ"},
                                           {"\xef\xbf\xbexyz", "?XYZ"}}) {
        const std::string lower = md5z::ReferenceMD5(converted);
        const std::string upper = QString::fromStdString(lower).toUpper().toStdString();
        expected += "字符串\t" + shown + "\n16位 小写\t" + lower.substr(8, 16) + "\n16位 大写\t" +
                    upper.substr(8, 16) + "\n32位 小写\t" + lower + "\n32位 大写\t" + upper +
                    "\n\n";
    }
    const CliRun run = runCli("", "中文\n\xef\xbb\xbfxyz\n\xef\xbf\xbexyz\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected);
}

TEST(CliUsage, ExitStatusSaysWhatWentWrong) {
    const CliRun unknown = runCli("--frobnicate");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, HasSubstr("frobnicate"));
    EXPECT_EQ(unknown.out, "");
    const CliRun help = runCli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--json"));
    EXPECT_EQ(runCli("--version").out, "md5zevrin-cli 1.03.0026\n");
}

// The names an unknown --field lists, which must be the keys of the JSON
// object in the same order.
QStringList fieldNamesListed() {
    const CliRun run = runCli("--field NoSuchField abc");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    const QString err = QString::fromStdString(run.err);
    const qsizetype start = err.indexOf(": ", err.indexOf("NoSuchField")) + 2;
    return err.mid(start, err.indexOf('\n') - start).split(", ");
}

TEST(CliField, EachNamePrintsItsJsonValueAloneOnALine) {
    const QStringList names = fieldNamesListed();
    const QString texts =
        "中文abc '' '１２３４５６７８９０１２３４５６７８９０１２３４５６７８９０xy'";
    const CliRun json = runCli("--json " + texts);
    ASSERT_EQ(json.status, 0) << json.err;
    const QList<QByteArray> objects = QByteArray::fromStdString(json.out).trimmed().split('\n');
    ASSERT_EQ(objects.size(), 3);
    QStringList sortedNames = names;
    sortedNames.sort();
    EXPECT_EQ(QJsonDocument::fromJson(objects[0]).object().keys(), sortedNames);
    for (const QString& name : names) {
        std::string expected;
        for (const QByteArray& object : objects) {
            const QJsonValue value = QJsonDocument::fromJson(object)[name];
            expected += (value.isString() ? value.toString() : QString::number(value.toInt()))
                            .toStdString() +
                        '\n';
        }
        const CliRun bare = runCli("--field " + name + " " + texts);
        EXPECT_EQ(bare.status, 0) << bare.err;
        EXPECT_EQ(bare.out, expected) << name.toStdString();
        EXPECT_EQ(runCli("--field=" + name + " " + texts).out, expected);
    }
    EXPECT_EQ(runCli("--field Hex32Lower 中文abc").out, "6b89cdbe5fe4b3f56ca3094b4ef674c3\n");
    EXPECT_EQ(runCli("--field RemainingCount '' x").out, "30\n29\n");
}

TEST(CliField, UnknownOrMissingNamesAndJsonAreUsageErrors) {
    EXPECT_EQ(fieldNamesListed(),
              QStringList({"ShownInput", "ConvertedText", "ConvertedLength", "RemainingCount",
                           "Hex16Lower", "Hex16Upper", "Hex32Lower", "Hex32Upper"}));
    for (const char* arguments : {"--field hex32lower abc", "--field '' abc", "--field",
                                  "--field Hex32Lower --json abc", "--json --field Hex32Lower"}) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_THAT(run.err, HasSubstr("--help")) << arguments;
    }
    EXPECT_THAT(runCli("--field hex32lower abc").err, HasSubstr("Hex32Lower"));
    EXPECT_THAT(runCli("--json --field Hex32Lower").err, HasSubstr("--json"));
    // Help wins over a field name, as over everything else.
    const CliRun help = runCli("--field nope --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--field <NAME>"));
}

TEST(CliField, TextsThatCannotBeReportedAreNamedAsWithTheOtherFormats) {
    const QByteArray tooLong(32768, 'a');
    const CliRun lines = runCli("--field ConvertedText", "ab\n\xff\n" + tooLong + "\n中\n");
    EXPECT_EQ(lines.status, 1);
    EXPECT_EQ(lines.out, "AB\nZ\n");
    EXPECT_THAT(lines.err, ContainsRegex("line 2: not valid UTF-8.*line 3: .*cannot be digested"));

    // A value with a line break would read as two texts' values.
    const CliRun broken = runCli("--field ShownInput a \"$(printf 'b\\nc')\" d");
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out, "a\nd\n");
    EXPECT_THAT(broken.err, HasSubstr("argument 2: the ShownInput value holds a line break"));
    const CliRun digits = runCli("--field Hex16Upper \"$(printf 'b\\nc')\"");
    EXPECT_EQ(digits.status, 0) << digits.err;
    EXPECT_THAT(digits.out, ContainsRegex("^[0-9A-F]{16}\n$"));
}

}  // namespace
