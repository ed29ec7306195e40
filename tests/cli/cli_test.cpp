// The command-line contract, run as a separate process the way scripts use it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <string>

namespace {

using ::testing::HasSubstr;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun runCli(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(MD5Z_CLI_PATH), arguments);
    EXPECT_TRUE(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

// Independent of the engine under test: OpenSSL over the bytes given.
std::string md5Upper(const std::string& bytes) {
    unsigned char digest[16];
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr);
    static const char* kDigits = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::string lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

std::vector<QJsonObject> jsonLines(const std::string& out) {
    std::vector<QJsonObject> objects;
    for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        objects.push_back(doc.object());
    }
    return objects;
}

TEST(CliJson, ReportsEveryFieldTheWindowShows) {
    const CliRun run = runCli({"--json", "中文abc"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto objects = jsonLines(run.out);
    ASSERT_EQ(objects.size(), 1u);
    const QJsonObject& o = objects[0];
    EXPECT_EQ(o.keys(), (QStringList{"ConvertedLength", "ConvertedText", "Hex16Lower", "Hex16Upper",
                                     "Hex32Lower", "Hex32Upper", "RemainingCount", "ShownInput"}));
    const std::string hex = md5Upper("ZWABC");
    EXPECT_EQ(o["ShownInput"].toString(), QStringLiteral("中文abc"));
    EXPECT_EQ(o["ConvertedText"].toString(), QStringLiteral("ZWABC"));
    EXPECT_TRUE(o["ConvertedLength"].isDouble());
    EXPECT_EQ(o["ConvertedLength"].toInt(), 5);
    EXPECT_EQ(o["RemainingCount"].toInt(), 25);
    EXPECT_EQ(o["Hex32Upper"].toString().toStdString(), hex);
    EXPECT_EQ(o["Hex32Lower"].toString().toStdString(), lower(hex));
    EXPECT_EQ(o["Hex16Upper"].toString().toStdString(), hex.substr(8, 16));
    EXPECT_EQ(o["Hex16Lower"].toString().toStdString(), lower(hex.substr(8, 16)));
}

TEST(CliJson, HasNoThirtyCharacterLimitAndCountsBelowZero) {
    const CliRun run = runCli({"--json", QString(35, u'x')});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto objects = jsonLines(run.out);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]["ConvertedLength"].toInt(), 35);
    EXPECT_EQ(objects[0]["RemainingCount"].toInt(), -5);
    EXPECT_EQ(objects[0]["Hex32Upper"].toString().toStdString(), md5Upper(std::string(35, 'X')));
}

TEST(CliArguments, ReportsEachArgumentInOrder) {
    const CliRun run = runCli({"--json", "a", "", "--", "-5"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto objects = jsonLines(run.out);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]["ConvertedText"].toString(), QStringLiteral("A"));
    EXPECT_EQ(objects[1]["ShownInput"].toString(), QString());
    EXPECT_EQ(objects[1]["Hex32Upper"].toString().toStdString(), md5Upper(""));
    EXPECT_EQ(objects[2]["ShownInput"].toString(), QStringLiteral("-5"));
}

TEST(CliLines, EachLineIsOneTextWhateverItsEnding) {
    const CliRun run = runCli({"--json"}, QByteArray("abc\r\n\nlast", 10));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto objects = jsonLines(run.out);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]["ShownInput"].toString(), QStringLiteral("abc"));
    EXPECT_EQ(objects[1]["ShownInput"].toString(), QString());
    EXPECT_EQ(objects[2]["ShownInput"].toString(), QStringLiteral("last"));
    EXPECT_TRUE(run.err.empty());
}

TEST(CliLines, EmptyInputReportsNothing) {
    const CliRun run = runCli({"--json"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.empty());
}

TEST(CliLines, InvalidUtf8BetweenValidLinesIsNamedAndTheRestGoOn) {
    const CliRun run =
        runCli({"--json"}, QByteArray("one\n\xff\xfe\ntwo\n\xc3\n\xed\xa0\x80\nthree\n"));
    EXPECT_EQ(run.status, 1);
    const auto objects = jsonLines(run.out);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]["ShownInput"].toString(), QStringLiteral("one"));
    EXPECT_EQ(objects[1]["ShownInput"].toString(), QStringLiteral("two"));
    EXPECT_EQ(objects[2]["ShownInput"].toString(), QStringLiteral("three"));
    EXPECT_THAT(run.err, HasSubstr("line 2: not valid UTF-8"));
    EXPECT_THAT(run.err, HasSubstr("line 4: not valid UTF-8"));
    EXPECT_THAT(run.err, HasSubstr("line 5: not valid UTF-8"));  // an encoded surrogate
}

TEST(CliLines, TextTooLongForTheDigestIsRefusedAlone) {
    const QByteArray input = "ok\n" + QByteArray(32768, 'a') + "\n" + QByteArray(32767, 'b') + "\n";
    const CliRun run = runCli({"--json"}, input);
    EXPECT_EQ(run.status, 1);
    const auto objects = jsonLines(run.out);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[1]["ConvertedLength"].toInt(), 32767);
    EXPECT_THAT(run.err, HasSubstr("line 2:"));
    EXPECT_THAT(run.err, HasSubstr("32768"));
}

TEST(CliArguments, InvalidUtf8ArgumentIsNamedAndOthersAreReported) {
    // QProcess passes arguments as UTF-8, so the raw byte goes through a shell.
    QProcess process;
    process.start("/bin/sh", {"-c", QStringLiteral("\"$0\" --json ok \"$(printf '\\377')\" fine"),
                              QStringLiteral(MD5Z_CLI_PATH)});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(jsonLines(process.readAllStandardOutput().toStdString()).size(), 2u);
    EXPECT_THAT(process.readAllStandardError().toStdString(),
                HasSubstr("argument 2: not valid UTF-8"));
}

TEST(CliTable, ShowsTheFiveRowsOfTheResultTable) {
    const CliRun run = runCli({"中文"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string hex = md5Upper("ZW");
    EXPECT_EQ(run.out, "字符串\t中文\n16位 小写\t" + lower(hex.substr(8, 16)) + "\n16位 大写\t" +
                           hex.substr(8, 16) + "\n32位 小写\t" + lower(hex) + "\n32位 大写\t" +
                           hex + "\n\n");
}

// U+FEFF and U+FFFE are ordinary characters inside a text, not byte-order
// marks: the text is shown and converted as given, never dropped or swapped.
TEST(CliTable, TextsStartingWithByteOrderMarksAreShownAsGiven) {
    for (const std::string mark : {"\xef\xbb\xbf", "\xef\xbf\xbe"}) {
        const std::string line = mark + "abc";
        const CliRun run = runCli({}, QByteArray::fromStdString(line + "\n"));
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string hex = md5Upper("?ABC");  // neither mark is in code page 936
        EXPECT_EQ(run.out, "字符串\t" + line + "\n16位 小写\t" + lower(hex.substr(8, 16)) +
                               "\n16位 大写\t" + hex.substr(8, 16) + "\n32位 小写\t" + lower(hex) +
                               "\n32位 大写\t" + hex + "\n\n");

        const CliRun json = runCli({"--json"}, QByteArray::fromStdString(line + "\n"));
        EXPECT_THAT(json.out, HasSubstr("\"ConvertedText\":\"" + mark + "ABC\""));
        EXPECT_THAT(json.out, HasSubstr("\"ShownInput\":\"" + line + "\""));
    }
}

TEST(CliUsage, StatusSaysWhatWentWrong) {
    const CliRun unknown = runCli({"--frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_THAT(unknown.err, HasSubstr("frobnicate"));
    EXPECT_TRUE(unknown.out.empty());

    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--json"));

    const CliRun version = runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "md5zevrin-cli 1.03.0026\n");
}

}  // namespace
