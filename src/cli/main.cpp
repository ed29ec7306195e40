// md5zevrin-cli: what the window shows for a text, for scripts.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/text_report.h"

namespace {

constexpr int kUsageError = 2;

struct Arguments {
    std::vector<std::string> texts;  // raw bytes of each TEXT, in order
    md5z::cli::Format format = md5z::cli::Format::Table;
};

// The options are parsed by QCommandLineParser on the decoded arguments, but
// a TEXT is taken from the raw argv bytes so that one that is not UTF-8 can
// be named and refused instead of silently repaired. Each raw argument is
// tagged with its index so the parser's positional list maps back to it.
QStringList taggedArguments(int argc, char** argv) {
    QStringList tagged{QString::fromLocal8Bit(argv[0])};
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString decoded = QString::fromUtf8(argv[i]);
        const bool isOption = !optionsEnded && decoded.startsWith(u'-') && decoded.size() > 1;
        optionsEnded = optionsEnded || decoded == QStringLiteral("--");
        tagged << (isOption ? decoded : QStringLiteral("\x01%1").arg(i));
    }
    return tagged;
}

int parseArguments(QCoreApplication& app, int argc, char** argv, Arguments& result) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Shows what MD5Zevrin shows for each TEXT: the text with its Chinese characters "
        "turned into pinyin initials and its letters upper-cased, and the MD5 digest of that "
        "in four renditions. Without TEXT, reads one text per line from standard input.\n"
        "Exit status: 0 when every text was digested, 1 when any was not, 2 for a usage error.");
    const QCommandLineOption json("json", "One JSON object per text per line.");
    parser.addOption(json);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("TEXT", "UTF-8 texts to digest.", "[TEXT ...]");

    if (!parser.parse(taggedArguments(argc, argv))) {
        std::cerr << "md5zevrin-cli: " << parser.errorText().toStdString()
                  << "\nTry 'md5zevrin-cli --help'.\n";
        return kUsageError;
    }
    if (parser.isSet("help")) {
        std::cout << parser.helpText().toStdString();
        return EXIT_SUCCESS;
    }
    if (parser.isSet("version")) {
        std::cout << "md5zevrin-cli " << app.applicationVersion().toStdString() << '\n';
        return EXIT_SUCCESS;
    }
    result.format = parser.isSet(json) ? md5z::cli::Format::Json : md5z::cli::Format::Table;
    for (const QString& tag : parser.positionalArguments()) {
        result.texts.emplace_back(argv[tag.mid(1).toInt()]);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("md5zevrin-cli");
    QCoreApplication::setApplicationVersion(MD5Z_VERSION_TEXT);
    std::ios::sync_with_stdio(false);

    Arguments arguments;
    if (const int status = parseArguments(app, argc, argv, arguments); status >= 0) {
        return status;
    }

    md5z::MD5Context context;
    bool allReported = true;
    if (arguments.texts.empty()) {
        allReported =
            md5z::cli::reportLines(std::cin, context, arguments.format, std::cout, std::cerr);
    } else {
        for (std::size_t i = 0; i < arguments.texts.size(); ++i) {
            const bool reported =
                md5z::cli::reportText(arguments.texts[i], "argument " + std::to_string(i + 1),
                                      context, arguments.format, std::cout, std::cerr);
            allReported = allReported && reported;
        }
    }
    std::cout.flush();
    return allReported ? EXIT_SUCCESS : EXIT_FAILURE;
}
