// md5zevrin-cli: what the window shows for a text, for scripts.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/standard_streams.h"
#include "cli/text_report.h"

namespace {

constexpr int kUsageError = 2;

constexpr std::string_view kDescription =
    "Shows what MD5Zevrin shows for each TEXT: the text with its Chinese characters turned into "
    "pinyin initials and its letters upper-cased, and the MD5 digest of that in four "
    "renditions. Without TEXT, reads one text per line from standard input.\n"
    "Exit status: 0 when every text was digested, 1 when any was not, 2 for a usage error.";

enum class Action { Report, Help, Version };

struct Command {
    Action action = Action::Report;
    md5z::cli::Format format = md5z::cli::Format::Table;
    std::vector<std::string> texts;        // raw bytes of each TEXT, in order
    std::optional<std::string> fieldName;  // of --field, checked once every option is read
};

// One option of the command line. An option with a value name takes a value,
// as "--name VALUE" or "--name=VALUE".
struct Option {
    char shortName;  // '\0' for none
    std::string_view longName;
    std::string_view valueName;
    std::string_view description;
    void (*apply)(Command&, std::string_view value);
};

constexpr std::array kOptions{
    Option{'\0', "json", "", "One JSON object per text per line.",
           [](Command& c, std::string_view) { c.format = md5z::cli::Format::Json; }},
    Option{'\0', "field", "NAME",
           "Only the value of the JSON key NAME for each text, one per line.",
           [](Command& c, std::string_view name) { c.fieldName = std::string(name); }},
    Option{'h', "help", "", "Displays help on commandline options.",
           [](Command& c, std::string_view) { c.action = Action::Help; }},
    Option{'v', "version", "", "Displays version information.",
           [](Command& c, std::string_view) {
               // Help wins, wherever it stands.
               if (c.action != Action::Help) {
                   c.action = Action::Version;
               }
           }},
};

std::string optionNames(const Option& option) {
    std::string names = option.shortName ? std::string{'-', option.shortName, ','} + " " : "";
    names += "--" + std::string(option.longName);
    if (!option.valueName.empty()) {
        names += " <" + std::string(option.valueName) + ">";
    }
    return names;
}

std::string helpText(std::string_view program) {
    std::size_t width = std::string_view("TEXT").size();
    for (const Option& option : kOptions) {
        width = std::max(width, optionNames(option).size());
    }
    const auto row = [width](const std::string& names, std::string_view description) {
        return "  " + names + std::string(width - names.size() + 2, ' ') +
               std::string(description) + '\n';
    };
    std::string help = "Usage: " + std::string(program) + " [options] [TEXT ...]\n" +
                       std::string(kDescription) + "\n\nOptions:\n";
    for (const Option& option : kOptions) {
        help += row(optionNames(option), option.description);
    }
    return help + "\nArguments:\n" + row("TEXT", "UTF-8 texts to digest.");
}

const Option* findLong(std::string_view name) {
    for (const Option& option : kOptions) {
        if (name == option.longName) {
            return &option;
        }
    }
    return nullptr;
}

const Option* findShort(char name) {
    for (const Option& option : kOptions) {
        if (name == option.shortName) {
            return &option;
        }
    }
    return nullptr;
}

// The arguments not yet read, for an option that takes the next one as its value.
struct Remaining {
    char** next;
    char** end;
};

// "--name", "--name=VALUE" or "--name VALUE". Returns a usage error or nothing.
std::string parseLong(std::string_view argument, Remaining& rest, Command& command) {
    std::string_view name = argument.substr(2);
    const std::size_t equals = name.find('=');
    std::string_view value;
    if (equals != std::string_view::npos) {
        value = name.substr(equals + 1);
        name = name.substr(0, equals);
    }
    const Option* option = findLong(name);
    if (!option) {
        return "Unknown option '" + std::string(name) + "'.";
    }
    if (option->valueName.empty() && equals != std::string_view::npos) {
        return "Unexpected value after '--" + std::string(name) + "'.";
    }
    if (!option->valueName.empty() && equals == std::string_view::npos) {
        if (rest.next == rest.end) {
            return "Missing value after '" + std::string(argument) + "'.";
        }
        value = *rest.next++;
    }
    option->apply(command, value);
    return {};
}

// "-x", or several letters at once ("-hv"); a letter that takes a value takes
// the rest of the argument, or the next one.
std::string parseShort(std::string_view letters, Remaining& rest, Command& command) {
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const Option* option = findShort(letters[i]);
        if (!option) {
            return "Unknown option '" + std::string(1, letters[i]) + "'.";
        }
        std::string_view value;
        if (!option->valueName.empty()) {
            if (i + 1 < letters.size()) {
                value = letters.substr(i + 1);
            } else if (rest.next != rest.end) {
                value = *rest.next++;
            } else {
                return "Missing value after '-" + std::string(1, letters[i]) + "'.";
            }
            i = letters.size();
        }
        option->apply(command, value);
    }
    return {};
}

// --field names one JSON key and asks for another output than --json does;
// help and version win over it, as over everything. Returns the message of a
// usage error, or nothing.
std::string chooseField(Command& command) {
    if (!command.fieldName || command.action != Action::Report) {
        return {};
    }
    if (command.format == md5z::cli::Format::Json) {
        return "--field and --json cannot be used together.";
    }
    const auto field = md5z::cli::reportFieldNamed(*command.fieldName);
    if (!field) {
        return "Unknown field '" + *command.fieldName +
               "'; the field names are: " + md5z::cli::reportFieldNames();
    }
    command.format = md5z::cli::Format::bare(*field);
    return {};
}

// Reads the process's own argument list: nothing else (no toolkit) takes
// anything out of it, so a TEXT is never mistaken for somebody's option.
// Options may come anywhere; after "--" everything is a TEXT, and so is "-".
// Returns the message of a usage error, or nothing.
std::string parseArguments(int argc, char** argv, Command& command) {
    Remaining rest{argv + std::min(argc, 1), argv + argc};
    bool optionsEnded = false;
    while (rest.next != rest.end) {
        const std::string_view argument = *rest.next++;
        std::string error;
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            command.texts.emplace_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument[1] == '-') {
            error = parseLong(argument, rest, command);
        } else {
            error = parseShort(argument.substr(1), rest, command);
        }
        if (!error.empty()) {
            return error;
        }
    }
    return chooseField(command);
}

}  // namespace

int main(int argc, char** argv) {
    md5z::cli::occupyClosedStandardDescriptors();
    md5z::cli::DescriptorOutput outBuffer(STDOUT_FILENO), errBuffer(STDERR_FILENO);
    std::ostream out(&outBuffer), err(&errBuffer);
    const auto fail = [&err](std::string_view what, int error) {
        err << "md5zevrin-cli: " << what << ": " << std::strerror(error) << '\n' << std::flush;
        return EXIT_FAILURE;
    };

    Command command;
    if (const std::string error = parseArguments(argc, argv, command); !error.empty()) {
        err << "md5zevrin-cli: " << error << "\nTry 'md5zevrin-cli --help'.\n" << std::flush;
        return kUsageError;
    }

    bool allReported = true;
    md5z::cli::DescriptorInput inBuffer(STDIN_FILENO);
    std::istream in(&inBuffer);
    // Reports go out before the program waits for more input.
    in.tie(&out);
    if (command.action == Action::Help) {
        out << helpText(argc > 0 ? argv[0] : "md5zevrin-cli");
    } else if (command.action == Action::Version) {
        out << "md5zevrin-cli " << MD5Z_VERSION_TEXT << '\n';
    } else if (command.texts.empty()) {
        allReported = md5z::cli::reportLines(in, command.format, out, err);
    } else {
        allReported = md5z::cli::reportArguments(command.texts, command.format, out, err);
    }
    out.flush();
    if (outBuffer.error() != 0) {
        return fail("standard output", outBuffer.error());
    }
    if (inBuffer.error() != 0) {
        return fail("standard input", inBuffer.error());
    }
    return allReported ? EXIT_SUCCESS : EXIT_FAILURE;
}
