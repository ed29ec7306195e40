// md5zevrin-cli as scripts run it: as a process reading lines, against the
// plain loop in line_md5_loop.cpp on the same lines, and one start against
// md5sum's. Each run's figure is the processor time (user and system) the
// started program used, which other load on the machine disturbs less than
// the time on the clock.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "comparisons.h"

extern char** environ;

namespace md5z::bench {
namespace {

constexpr int kLines = 300'000;

// Lines of 1 to 30 characters mixing what the program meets: hanzi, ASCII,
// full-width punctuation, and characters of two, three and four bytes that
// are no hanzi.
std::string MixedLines() {
    const std::vector<std::string_view> others = {"€", "é", "ß", "😀"};
    const std::vector<std::string_view> punctuation = {"，", "。", "！", "？", "：", "；", "（",
                                                       "）", "【", "】", "、", "＠", "＃", "％"};
    const std::string_view ascii =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.";
    std::mt19937 random(23);
    const auto below = [&random](std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random);
    };
    std::string lines;
    for (int line = 0; line < kLines; ++line) {
        const std::size_t characters = 1 + below(30);
        for (std::size_t i = 0; i < characters; ++i) {
            const std::size_t kind = below(10);
            if (kind < 4) {
                const auto hanzi = static_cast<char32_t>(0x4E00 + below(0x9FA6 - 0x4E00));
                lines += static_cast<char>(0xE0 | hanzi >> 12);
                lines += static_cast<char>(0x80 | (hanzi >> 6 & 0x3F));
                lines += static_cast<char>(0x80 | (hanzi & 0x3F));
            } else if (kind < 7) {
                lines += ascii[below(ascii.size())];
            } else if (kind < 8) {
                lines += punctuation[below(punctuation.size())];
            } else {
                lines += others[below(others.size())];
            }
        }
        lines += '\n';
    }
    return lines;
}

// A file that lives as long as the benchmark program.
class InputFile {
  public:
    explicit InputFile(const std::string& contents) {
        char name[] = "/tmp/md5z-cli-bench-XXXXXX";
        const int descriptor = ::mkstemp(name);
        if (descriptor < 0 || ::write(descriptor, contents.data(), contents.size()) !=
                                  static_cast<ssize_t>(contents.size())) {
            std::perror("md5z_bench: input file");
            std::exit(EXIT_FAILURE);
        }
        ::close(descriptor);
        path_ = name;
    }
    ~InputFile() { ::unlink(path_.c_str()); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

const InputFile& Lines() {
    static const InputFile file(MixedLines());
    return file;
}

const InputFile& OneText() {
    static const InputFile file("abc");
    return file;
}

// Runs a program with `input` as its standard input and its output thrown
// away; returns the processor time it used in seconds, or a negative number
// when it could not run or failed.
double ProcessorSeconds(const std::vector<std::string>& arguments, const InputFile& input) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.path().c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (spawned != 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void TimeRuns(benchmark::State& state, const std::vector<std::string>& arguments,
              const InputFile& input) {
    for (auto _ : state) {
        const double seconds = ProcessorSeconds(arguments, input);
        if (seconds < 0) {
            state.SkipWithError(("cannot run " + arguments.front()).c_str());
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void CliText(benchmark::State& state) {
    TimeRuns(state, {MD5Z_CLI_PATH}, Lines());
}

void CliJson(benchmark::State& state) {
    TimeRuns(state, {MD5Z_CLI_PATH, "--json"}, Lines());
}

void CliField(benchmark::State& state) {
    TimeRuns(state, {MD5Z_CLI_PATH, "--field", "Hex32Lower"}, Lines());
}

void LineLoop(benchmark::State& state) {
    TimeRuns(state, {MD5Z_LINE_LOOP_PATH}, Lines());
}

void CliStart(benchmark::State& state) {
    TimeRuns(state, {MD5Z_CLI_PATH, "abc"}, OneText());
}

void Md5sumStart(benchmark::State& state) {
    TimeRuns(state, {MD5Z_MD5SUM_PATH}, OneText());
}

constexpr int kThroughputPairs = 9;
constexpr benchmark::IterationCount kThroughputRuns = 2;
constexpr int kStartPairs = 9;
constexpr benchmark::IterationCount kStarts = 200;

// `format` names the runs: "cli-json/md5zevrin-cli" against "cli-json/line-md5-loop".
Comparison Throughput(const std::string& format, void (*function)(benchmark::State&)) {
    return {"cli-throughput-ratio-" + format,
            "cli-" + format + "/md5zevrin-cli",
            "cli-" + format + "/line-md5-loop",
            function,
            LineLoop,
            RatioOf::OurTimeToReference,
            kThroughputPairs,
            kThroughputRuns,
            0,
            true};
}

std::string OutputOf(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, got);
        }
        ::pclose(pipe);
    }
    return output;
}

}  // namespace

std::vector<Comparison> CliRuns() {
    return {
        Throughput("text", CliText),
        Throughput("json", CliJson),
        Throughput("field", CliField),
        {"cli-startup-ratio", "cli-start/md5zevrin-cli", "cli-start/md5sum", CliStart, Md5sumStart,
         RatioOf::OurTimeToReference, kStartPairs, kStarts, 0, true},
    };
}

// Upper-case ASCII letters are a text the conversion leaves as it is, so
// there the two programs digest the same bytes.
void CheckCliAgreesWithLineLoop() {
    const std::string input = "printf 'MD5ZEVRIN\\nLINES\\n' | ";
    const std::string ours = OutputOf(input + "'" MD5Z_CLI_PATH "' --field Hex32Lower");
    const std::string theirs = OutputOf(input + "'" MD5Z_LINE_LOOP_PATH "'");
    if (ours.empty() || ours != theirs) {
        std::fprintf(stderr, "md5zevrin-cli and the line loop disagree:\n%s---\n%s", ours.c_str(),
                     theirs.c_str());
        std::exit(EXIT_FAILURE);
    }
}

}  // namespace md5z::bench
