// md5zevrin-cli under hostile conditions: failing and closed standard
// streams, non-blocking input, arguments that look like toolkit options and
// lines far longer than the digest takes. Each runs the real program.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QByteArray>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"

extern char** environ;

#if defined(__SANITIZE_ADDRESS__)
#define MD5Z_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MD5Z_ADDRESS_SANITIZER
#endif
#endif

namespace {

using namespace md5z::cli_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

// The program with its three standard streams on pipes the test holds; its
// standard input can be made non-blocking and fed at the test's own pace.
class Piped {
  public:
    explicit Piped(bool nonBlockingInput) {
        int in[2], out[2], err[2];
        EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
        if (nonBlockingInput) {
            ::fcntl(in[0], F_SETFL, ::fcntl(in[0], F_GETFL) | O_NONBLOCK);
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        char program[] = MD5Z_CLI_PATH;
        char json[] = "--json";
        char* argv[] = {program, json, nullptr};
        EXPECT_EQ(::posix_spawn(&pid_, program, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]), ::close(out[1]), ::close(err[1]);
        input_ = in[1], output_ = out[0], errors_ = err[0];
    }
    ~Piped() {
        closeInput();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(output_), ::close(errors_);
    }
    Piped(const Piped&) = delete;
    Piped& operator=(const Piped&) = delete;

    void write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t written = ::write(input_, bytes.data(), bytes.size());
            ASSERT_GT(written, 0);
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    void closeInput() {
        if (input_ >= 0) {
            ::close(input_);
            input_ = -1;
        }
    }
    // Collects what the program writes until `done` holds or time runs out.
    template <typename Done>
    bool collectUntil(Done done) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        while (!done()) {
            pollfd watched[]{{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
            if (std::chrono::steady_clock::now() > deadline || ::poll(watched, 2, 100) < 0) {
                return false;
            }
            bool anyOpen = false;
            for (int i = 0; i < 2; ++i) {
                char chunk[4096];
                const ssize_t got =
                    watched[i].revents ? ::read(watched[i].fd, chunk, sizeof chunk) : -1;
                if (got > 0) {
                    (i == 0 ? out : err).append(chunk, static_cast<std::size_t>(got));
                }
                anyOpen = anyOpen || got != 0;
            }
            if (!anyOpen) {
                return done();
            }
        }
        return true;
    }
    int finish() {
        closeInput();
        collectUntil([] { return false; });
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string out, err;

  private:
    pid_t pid_ = -1;
    int input_ = -1, output_ = -1, errors_ = -1;
};

TEST(CliOutputFaults, AFailedWriteIsNamedAndFailsTheRun) {
    const CliRun full = runScript("\"$0\" abc >/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_THAT(full.err,
                MatchesRegex("md5zevrin-cli: standard output: No space left on device\n"));

    const CliRun closed = runScript("\"$0\" abc >&-");
    EXPECT_EQ(closed.status, 1);
    EXPECT_THAT(closed.err, StartsWith("md5zevrin-cli: standard output: "));
    // With standard error closed too there is nobody to tell, but the status still says it.
    EXPECT_EQ(runScript("\"$0\" --version >&- 2>&-").status, 1);
    EXPECT_EQ(runScript("\"$0\" --help >/dev/full").status, 1);
}

// With SIGPIPE ignored a vanished reader shows only as failed writes. The
// input never ends, so a program that ran on past them would never stop.
TEST(CliOutputFaults, StopsAtTheFirstWriteThatFails) {
    // The program's status is the pipeline's middle one: it is echoed to standard error.
    const CliRun status = runScript(
        "trap '' PIPE; yes abc 2>/dev/null | { \"$0\" --json; echo $? >&2; } | head -n 1 "
        ">/dev/null");
    EXPECT_EQ(status.status, 0);
    EXPECT_THAT(status.err, MatchesRegex("md5zevrin-cli: standard output: Broken pipe\n1\n"));
}

TEST(CliInputFaults, AFailedReadIsNamedAndFailsTheRun) {
    const CliRun directory = runScript("\"$0\" --json </");
    EXPECT_EQ(directory.status, 1);
    EXPECT_EQ(directory.out, "");
    EXPECT_EQ(directory.err, "md5zevrin-cli: standard input: Is a directory\n");

    const CliRun closed = runScript("\"$0\" --json <&-");
    EXPECT_EQ(closed.status, 1);
    EXPECT_EQ(closed.err, "md5zevrin-cli: standard input: Bad file descriptor\n");
    // Arguments do not read standard input, so its state does not matter.
    EXPECT_EQ(runScript("\"$0\" --json abc <&-").status, 0);
}

// A non-blocking input that is momentarily empty is not its end.
TEST(CliInputFaults, WaitsForASlowWriterOnANonBlockingInput) {
    Piped cli(true);
    cli.write("one\n");
    ASSERT_TRUE(cli.collectUntil([&] { return shownInputs(cli.out).size() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cli.write("tw");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cli.write("o\nthree");
    EXPECT_EQ(cli.finish(), 0) << cli.err;
    EXPECT_THAT(shownInputs(cli.out), ElementsAre("one", "two", "three"));
}

// Nothing but the program reads its arguments: toolkit option names are texts.
TEST(CliArguments, OptionsOfTheToolkitAreTexts) {
    const CliRun three = runScript("\"$0\" --json -- -qmljsdebugger abc def");
    EXPECT_EQ(three.status, 0) << three.err;
    EXPECT_THAT(shownInputs(three.out), ElementsAre("-qmljsdebugger", "abc", "def"));

    const CliRun argument = runScript("echo X | \"$0\" --json -- --qmljsdebugger=x");
    EXPECT_THAT(shownInputs(argument.out), ElementsAre("--qmljsdebugger=x"));

    const CliRun platform = runScript("\"$0\" -platform offscreen --json");
    EXPECT_EQ(platform.status, 2);
    EXPECT_THAT(platform.err, HasSubstr("Unknown option 'p'"));
    EXPECT_EQ(platform.out, "");
    EXPECT_EQ(runScript("\"$0\" --json=yes abc").status, 2);
}

TEST(CliLines, OnlyALineFeedOrCarriageReturnLineFeedEndsALine) {
    const CliRun run = runScript("printf 'a\\rb\\r\\n\\r\\nlast\\r' | \"$0\" --json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(shownInputs(run.out), ElementsAre("a\rb", "", "last\r"));
}

// The longest text the digest takes, in characters of three UTF-8 bytes
// each, and a line one unit longer in characters of four bytes (two units).
TEST(CliLines, TheLimitIsCountedInUnitsWhateverTheBytes) {
    std::string longest;
    for (int i = 0; i < 32767; ++i) {
        longest += "\xe4\xb8\xad";  // 中
    }
    std::string tooLong = "a";
    for (int i = 0; i < 16384; ++i) {
        tooLong += "\xf0\x9f\x98\x80";  // U+1F600
    }
    Piped cli(false);
    cli.write(longest + "\r\n" + tooLong + "\r\nnext\n");
    EXPECT_EQ(cli.finish(), 1);
    const std::vector<std::string> shown = shownInputs(cli.out);
    ASSERT_EQ(shown.size(), 2u) << cli.err;
    EXPECT_EQ(shown[0], longest);
    EXPECT_EQ(shown[1], "next");
    EXPECT_EQ(cli.err,
              "md5zevrin-cli: line 2: text of more than 32767 UTF-16 units cannot be digested; "
              "the rest of the line is skipped\n");
}

// A too-long line is named while it is still arriving, and what follows it
// is processed.
TEST(CliLines, ATooLongLineIsNamedAsSoonAsItPassesTheLimit) {
    Piped cli(false);
    cli.write(std::string(40000, 'a'));
    EXPECT_TRUE(cli.collectUntil([&] {
        return cli.err.find("line 1: text of more") != std::string::npos;
    })) << cli.err;
    cli.write(std::string(100000, 'b') + "\nnext\n");
    EXPECT_EQ(cli.finish(), 1);
    EXPECT_THAT(shownInputs(cli.out), ElementsAre("next"));
}

// An address space smaller than the line: holding the line whole cannot
// work. Sanitizer run times reserve far more address space than the limit.
TEST(CliLines, ALineLargerThanTheAddressSpaceIsSkippedAndTheNextProcessed) {
#ifdef MD5Z_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit";
#endif
    const CliRun run = runScript(
        "{ head -c 268435456 /dev/zero; printf '\\nlast\\n'; } | "
        "(ulimit -v 131072 && exec \"$0\" --json)");
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(shownInputs(run.out), ElementsAre("last"));
    EXPECT_THAT(run.err, MatchesRegex("md5zevrin-cli: line 1: text of more than 32767 .*\n"));
}

}  // namespace
