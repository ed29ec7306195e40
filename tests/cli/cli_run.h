// md5zevrin-cli run as a separate process, the way scripts use it.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <string>
#include <vector>

namespace md5z::cli_test {

constexpr int kTimeoutMs = 30000;

struct CliRun {
    int status = -1;
    std::string out, err;
};

// `script` runs in sh with the program as $0, so it can redirect, close and
// limit the program's streams and resources as a user's shell would, and hold
// arguments that are not UTF-8.
inline CliRun runScript(const QString& script, const QByteArray& input = {}) {
    QProcess process;
    process.start("/bin/sh", {"-c", script, QStringLiteral(MD5Z_CLI_PATH)});
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(kTimeoutMs)) << script.toStdString();
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

inline CliRun runCli(const QString& arguments, const QByteArray& input = {}) {
    return runScript("\"$0\" " + arguments, input);
}

// The ShownInput field of each JSON line.
inline std::vector<std::string> shownInputs(const std::string& jsonLines) {
    std::vector<std::string> shown;
    for (const QByteArray& line : QByteArray::fromStdString(jsonLines).split('\n')) {
        if (!line.isEmpty()) {
            shown.push_back(QJsonDocument::fromJson(line)["ShownInput"].toString().toStdString());
        }
    }
    return shown;
}

}  // namespace md5z::cli_test
