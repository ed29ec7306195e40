// The instance lock between processes: what a second start sees while the
// first lives, once it has ended however it ended, what a child process of
// the holder keeps of it, and what processes that are not instances of
// this user (another user's, or this user's other programs) can do to it.

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <barrier>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "instance/instance_lock.h"

namespace {

using md5z::desktopName;
using md5z::InstanceLock;

// A user who is not the one running the tests.
constexpr uid_t kOtherUser = 65534;
constexpr std::string_view kNoFolder;

// A desktop no other test run on this machine uses.
std::string privateDesktop(std::string_view which) {
    return "test/" + std::to_string(::getpid()) + '/' + std::string(which);
}

// A fresh folder of this user's alone, or with `mode`, gone with the test.
class ScratchFolder {
  public:
    explicit ScratchFolder(mode_t mode = 0700)
        : path_((std::filesystem::temp_directory_path() / "instance-XXXXXX").string()) {
        EXPECT_NE(::mkdtemp(path_.data()), nullptr);
        ::chmod(path_.c_str(), mode);
    }
    ~ScratchFolder() { remove(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    void remove() const { std::filesystem::remove_all(path_); }

  private:
    std::string path_;
};

void killAndReap(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// A child process, as `user`, that does `hold` and then lives until it is
// killed. `hold` returns whether it holds what it should; the constructor
// returns once it does.
class Holder {
  public:
    Holder(uid_t user, const std::function<bool()>& hold) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            const bool asked = user == ::getuid() || (::setgroups(0, nullptr) == 0 &&
                                                      ::setgid(user) == 0 && ::setuid(user) == 0);
            if (asked && hold() && ::write(ready[1], "!", 1) == 1) {
                for (;;) {
                    ::pause();
                }
            }
            ::_exit(1);
        }
        ::close(ready[1]);
        char signal = 0;
        holds_ = ::read(ready[0], &signal, 1) == 1;
        ::close(ready[0]);
    }
    ~Holder() { killAndReap(pid_); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool holds() const { return holds_; }
    void kill() const { killAndReap(pid_); }

  private:
    pid_t pid_ = -1;
    bool holds_ = false;
};

// What a process that holds the desktop's name does with those who ask.
enum class Answer { AsAnInstance, HangsUp, Never, NotListening, Otherwise };

// Binds this user's name for `desktop` and answers on a thread of its own.
bool holdName(std::string_view desktop, uid_t owner, Answer answer) {
    const std::string name = std::string(1, '\0') + "io.github.zevrin.MD5Zevrin/" +
                             std::to_string(owner) + '/' + std::string(desktop);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address),
               static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size())) != 0) {
        return false;
    }
    if (answer == Answer::NotListening) {
        return true;
    }
    ::listen(listener, 8);
    std::thread([listener, answer] {
        for (;;) {
            const int caller = ::accept(listener, nullptr, nullptr);
            const std::string_view said = answer == Answer::AsAnInstance
                                              ? "io.github.zevrin.MD5Zevrin instance\n"
                                          : answer == Answer::Otherwise ? "HTTP/1.0 200 OK\r\n\r\n"
                                                                        : "";
            (void)::send(caller, said.data(), said.size(), MSG_NOSIGNAL);
            if (answer != Answer::Never) {
                ::close(caller);
            }
        }
    }).detach();
    return true;
}

bool runAsRoot() {
    return ::geteuid() == 0;
}

TEST(InstanceLock, OneHolderPerDesktopUntilItLetsGo) {
    const std::string desktop = privateDesktop("one");
    auto first = std::make_unique<InstanceLock>(desktop);
    ASSERT_TRUE(first->held());
    EXPECT_FALSE(first->heldElsewhere());

    const InstanceLock second(desktop);
    EXPECT_TRUE(second.heldElsewhere());
    EXPECT_FALSE(second.held());
    const InstanceLock otherDesktop(privateDesktop("two"));
    EXPECT_TRUE(otherDesktop.held());

    first.reset();
    const InstanceLock afterwards(desktop);
    EXPECT_TRUE(afterwards.held());
}

// A holder killed outright leaves nothing behind that blocks the next start.
TEST(InstanceLock, GoesWithAHolderKilledOutright) {
    const std::string desktop = privateDesktop("killed");
    std::unique_ptr<InstanceLock> lock;
    const Holder holder(::getuid(), [&] {
        lock = std::make_unique<InstanceLock>(desktop);
        return lock->held();
    });
    ASSERT_TRUE(holder.holds());
    EXPECT_TRUE(InstanceLock(desktop).heldElsewhere());
    holder.kill();
    EXPECT_TRUE(InstanceLock(desktop).held());
}

// The browser and any other child outlive the window's process: had they
// inherited the lock, the next start would take itself for a second one.
TEST(InstanceLock, IsNotInheritedByChildProcesses) {
    const std::string desktop = privateDesktop("child");
    auto lock = std::make_unique<InstanceLock>(desktop);
    ASSERT_TRUE(lock->held());
    // The child says when it runs: its exec, and the closing of the
    // descriptors it was not to inherit, are then over.
    FILE* child = ::popen("echo $$; exec sleep 30", "r");
    ASSERT_NE(child, nullptr);
    int pid = 0;
    ASSERT_EQ(std::fscanf(child, "%d", &pid), 1);
    lock.reset();
    const InstanceLock next(desktop);
    EXPECT_TRUE(next.held()) << "a child process kept the lock";
    ::kill(pid, SIGKILL);
    ::pclose(child);
}

TEST(InstanceLock, AnOverlongDesktopNameStillLocks) {
    const std::string desktop = privateDesktop(std::string(300, 'w'));
    const InstanceLock first(desktop);
    ASSERT_TRUE(first.held());
    EXPECT_TRUE(InstanceLock(desktop).heldElsewhere());
    EXPECT_TRUE(InstanceLock(privateDesktop(std::string(300, 'v'))).held());
}

// Only an instance of this user that answers counts; whoever else holds the
// name does not stop the window, and costs it a bounded wait at most.
struct NameHolding {
    const char* name;
    bool otherUser;
    Answer answer;
    bool stopsTheWindow;
};

void PrintTo(const NameHolding& row, std::ostream* out) {
    *out << row.name;
}

class TheNamesHolder : public testing::TestWithParam<NameHolding> {};

TEST_P(TheNamesHolder, CountsOnlyIfItIsAnInstanceOfThisUser) {
    const NameHolding& row = GetParam();
    if (row.otherUser && !runAsRoot()) {
        GTEST_SKIP() << "another user's process needs the tests to run as root";
    }
    const std::string desktop = privateDesktop(row.name);
    const uid_t self = ::getuid();
    const Holder holder(row.otherUser ? kOtherUser : self,
                        [&] { return holdName(desktop, self, row.answer); });
    ASSERT_TRUE(holder.holds());
    const InstanceLock start(desktop, kNoFolder);
    EXPECT_EQ(start.heldElsewhere(), row.stopsTheWindow);
    EXPECT_EQ(start.held(), false) << "the name cannot be this start's";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TheNamesHolder,
    testing::Values(NameHolding{"instance", false, Answer::AsAnInstance, true},
                    NameHolding{"otherUsersImitation", true, Answer::AsAnInstance, false},
                    NameHolding{"otherUserHangsUp", true, Answer::HangsUp, false},
                    NameHolding{"hangsUp", false, Answer::HangsUp, false},
                    NameHolding{"neverAnswers", false, Answer::Never, false},
                    NameHolding{"notListening", false, Answer::NotListening, false},
                    NameHolding{"answersOtherwise", false, Answer::Otherwise, false}),
    [](const auto& info) { return std::string(info.param.name); });

// With the name squatted, or the lock file gone, the one-window rule still
// holds by the other part.
TEST(InstanceLock, EitherPartAloneKeepsTheRule) {
    const std::string squatted = privateDesktop("squatted");
    const uid_t squatter = runAsRoot() ? kOtherUser : ::getuid();
    const Holder holder(squatter, [&] { return holdName(squatted, ::getuid(), Answer::HangsUp); });
    ASSERT_TRUE(holder.holds());
    const ScratchFolder scratch;
    const std::string& folder = scratch.path();
    const InstanceLock first(squatted, folder);
    EXPECT_TRUE(first.held());
    EXPECT_TRUE(InstanceLock(squatted, folder).heldElsewhere());

    const std::string removed = privateDesktop("removed");
    const InstanceLock holderOfTheName(removed, folder);
    ASSERT_TRUE(holderOfTheName.held());
    scratch.remove();
    EXPECT_TRUE(InstanceLock(removed, ScratchFolder().path()).heldElsewhere());
}

// A folder others can enter is not used: another user could hold the lock
// file's bytes there.
TEST(InstanceLock, AFolderOthersCanEnterIsNotUsed) {
    if (!runAsRoot()) {
        GTEST_SKIP() << "another user's process needs the tests to run as root";
    }
    const std::string desktop = privateDesktop("shared");
    const ScratchFolder scratch(0777);
    const std::string& shared = scratch.path();
    const Holder squatter(kOtherUser, [&] {
        const std::string file = shared + "/io.github.zevrin.MD5Zevrin.lock";
        struct flock everything {};
        everything.l_type = F_WRLCK;
        return ::fcntl(::open(file.c_str(), O_RDWR | O_CREAT, 0666), F_OFD_SETLK, &everything) == 0;
    });
    ASSERT_TRUE(squatter.holds());
    EXPECT_TRUE(InstanceLock(desktop, shared).held());
}

// Starts at the same moment, with or without a squatter on the name and
// with or without a private folder: exactly one holds.
struct Race {
    const char* name;
    bool squatted;
    bool withFolder;
};

void PrintTo(const Race& row, std::ostream* out) {
    *out << row.name;
}

class SimultaneousStarts : public testing::TestWithParam<Race> {};

TEST_P(SimultaneousStarts, ExactlyOneHolds) {
    constexpr int kStarts = 6;
    const Race& row = GetParam();
    const std::string desktop = privateDesktop(row.name);
    std::unique_ptr<Holder> squatter;
    if (row.squatted) {
        const uid_t user = runAsRoot() ? kOtherUser : ::getuid();
        squatter = std::make_unique<Holder>(
            user, [&] { return holdName(desktop, ::getuid(), Answer::HangsUp); });
        ASSERT_TRUE(squatter->holds());
    }
    const ScratchFolder scratch;
    const std::string folder = row.withFolder ? scratch.path() : std::string();
    std::vector<std::unique_ptr<InstanceLock>> locks(kStarts);
    std::barrier together(kStarts);
    std::vector<std::thread> starts;
    for (auto& lock : locks) {
        starts.emplace_back([&] {
            together.arrive_and_wait();
            lock = std::make_unique<InstanceLock>(desktop, folder);
        });
    }
    for (auto& start : starts) {
        start.join();
    }
    const auto holding =
        std::count_if(locks.begin(), locks.end(), [](const auto& lock) { return lock->held(); });
    const auto stopped = std::count_if(locks.begin(), locks.end(),
                                       [](const auto& lock) { return lock->heldElsewhere(); });
    EXPECT_EQ(holding, 1);
    EXPECT_EQ(stopped, kStarts - 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, SimultaneousStarts,
                         testing::Values(Race{"plain", false, true}, Race{"squatted", true, true},
                                         Race{"withoutFolder", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Compositors name their sockets wayland-0, wayland-1... in the runtime
// folder of their session: the file, not the name, is the desktop.
TEST(DesktopName, AWaylandDisplayIsItsSocketFile) {
    const ScratchFolder one, two;
    const auto listenAt = [](const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        return socket;
    };
    const int sockets[] = {listenAt(one.path() + "/wayland-9"),
                           listenAt(two.path() + "/wayland-9")};
    const auto desktopWith = [](const std::string& runtime, const char* display) {
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("WAYLAND_DISPLAY", display, 1);
        return md5z::desktopOfThisProcess("wayland");
    };
    const std::string first = desktopWith(one.path(), "wayland-9");
    EXPECT_NE(desktopWith(two.path(), "wayland-9"), first);
    EXPECT_EQ(desktopWith("/nonexistent", (one.path() + "/wayland-9").c_str()), first);
    EXPECT_EQ(desktopWith(one.path() + "/.", "wayland-9"), first);
    ::unsetenv("XDG_RUNTIME_DIR");
    ::unsetenv("WAYLAND_DISPLAY");
    for (const int socket : sockets) {
        ::close(socket);
    }
}

TEST(DesktopName, SpellingsOfOneXServerAreOneDesktop) {
    const std::string server = desktopName("xcb", ":7", "wayland-1", 1);
    EXPECT_EQ(desktopName("xcb", ":7.0", "", 2), server);
    EXPECT_EQ(desktopName("xcb", ":7.1", "", 2), server);
    EXPECT_EQ(desktopName("xcb", "unix:7", "", 3), server);
    EXPECT_EQ(desktopName("xcb", "unix/unix:7.0", "", 3), server);
    EXPECT_NE(desktopName("xcb", ":70", "", 1), server);
    EXPECT_NE(desktopName("xcb", ":8", "", 1), server);
    // Over the network (ssh forwarding) the same number is another server.
    EXPECT_NE(desktopName("xcb", "localhost:7", "", 1), server);
    EXPECT_EQ(desktopName("xcb", "localhost:7.0", "", 1), desktopName("xcb", "localhost:7", "", 1));
}

TEST(DesktopName, TheWindowSystemInUseDecidesWhichDisplayCounts) {
    EXPECT_EQ(desktopName("wayland", ":1", "wayland-1", 1),
              desktopName("wayland", "", "wayland-1", 2));
    EXPECT_NE(desktopName("wayland", ":1", "wayland-1", 1),
              desktopName("wayland", ":1", "wayland-2", 1));
    EXPECT_EQ(desktopName("wayland", "", "", 1), desktopName("wayland", "", "wayland-0", 1));
    EXPECT_NE(desktopName("xcb", ":1", "", 1), desktopName("wayland", ":1", "", 1));
    // Offscreen windows are seen by nobody: each process is its own desktop.
    EXPECT_NE(desktopName("offscreen", ":1", "", 1), desktopName("offscreen", ":1", "", 2));
    EXPECT_EQ(desktopName("offscreen", ":1", "", 1), desktopName("offscreen", ":2", "", 1));
    EXPECT_NE(desktopName("minimal", "", "", 1), desktopName("minimal", "", "", 2));
    // A full-screen system has one screen for all.
    EXPECT_EQ(desktopName("eglfs", "", "", 1), desktopName("eglfs", "", "", 2));
}

}  // namespace
