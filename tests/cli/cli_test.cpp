// The command-line contract, run as a separate process the way scripts use it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <string>
#include <vector>

#include "../digest/reference_md5.h"

namespace {

using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct CliRun {
    int status = -1;
    std::string out, err;
};

// Arguments go through a shell, so that one can hold bytes that are not UTF-8.
CliRun runCli(const QString& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start("/bin/sh", {"-c", "\"$0\" " + arguments, QStringLiteral(MD5Z_CLI_PATH)});
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

std::vector<std::string> shownInputs(const std::string& jsonLines) {
    std::vector<std::string> shown;
    for (const QByteArray& line : QByteArray::fromStdString(jsonLines).split('\n')) {
        if (!line.isEmpty()) {
            shown.push_back(QJsonDocument::fromJson(line)["ShownInput"].toString().toStdString());
        }
    }
    return shown;
}

TEST(CliJson, ReportsExactlyTheFieldsTheWindowShows) {
    const CliRun run = runCli("--json 中文abc");
    ASSERT_EQ(run.status, 0) << run.err;
    const QString lower = QString::fromStdString(md5z::testing::ReferenceMD5("ZWABC"));
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
        const std::string lower = md5z::testing::ReferenceMD5(converted);
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

}  // namespace
