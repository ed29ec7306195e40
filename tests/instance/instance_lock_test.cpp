// The instance lock: what a start sees of whoever holds its name, of a
// folder that is not this user's alone, of a removed lock file and of other
// starts at the same moment, what a child process of the holder keeps of
// it, and which desktops are one. Real starts of the window
// (window_starts.py) take what needs another user or a killed holder.

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <barrier>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "instance/instance_lock.h"

namespace {

using md5z::InstanceLock;

constexpr std::string_view kNoFolder;

// Rows of a table, named in the test's name and in its output.
template <typename Row, typename = decltype(Row::name)>
std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << row.name;
}
constexpr auto kRowName = [](const auto& info) { return std::string(info.param.name); };

// A desktop no other test run on this machine uses.
std::string privateDesktop(std::string_view which) {
    return "test/" + std::to_string(::getpid()) + '/' + std::string(which);
}

// A fresh folder of this user's alone, gone with the test.
struct ScratchFolder {
    std::string path = (std::filesystem::temp_directory_path() / "instance-XXXXXX").string();
    ScratchFolder() { EXPECT_NE(::mkdtemp(path.data()), nullptr); }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
};

// What the holder of this user's name for a desktop does with those who ask.
enum class Answer { AsAnInstance, HangsUp, Never, NotListening, Otherwise };

// The name, spelt out as every build of the program spells it so that each
// finds the others, bound by the test and answering on a thread of its own.
class NameHolder {
  public:
    NameHolder(std::string_view desktop, Answer answer) {
        const std::string name = std::string(1, '\0') + "io.github.zevrin.MD5Zevrin/" +
                                 std::to_string(::getuid()) + '/' + std::string(desktop);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.data(), name.size());
        EXPECT_EQ(::bind(listener_, reinterpret_cast<const sockaddr*>(&address),
                         static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size())),
                  0);
        if (answer == Answer::NotListening) {
            return;
        }
        ::listen(listener_, 8);
        answering_ = std::thread([this, answer] {
            const std::string_view said = answer == Answer::AsAnInstance
                                              ? "io.github.zevrin.MD5Zevrin instance\n"
                                          : answer == Answer::Otherwise ? "HTTP/1.0 200 OK\r\n\r\n"
                                                                        : "";
            for (int caller; (caller = ::accept(listener_, nullptr, nullptr)) >= 0;) {
                (void)::send(caller, said.data(), said.size(), MSG_NOSIGNAL);
                if (answer != Answer::Never) {
                    ::close(caller);
                }
            }
        });
    }
    ~NameHolder() {
        ::shutdown(listener_, SHUT_RDWR);
        if (answering_.joinable()) {
            answering_.join();
        }
        ::close(listener_);
    }

  private:
    int listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::thread answering_;
};

// Only an instance that answers as one counts; whoever else holds the name
// does not stop the window, and costs it a bounded wait at most. Without a
// lock file the name alone decides.
struct NameHolding {
    const char* name;
    Answer answer;
    bool stopsTheWindow;
};

class TheNamesHolder : public testing::TestWithParam<NameHolding> {};

TEST_P(TheNamesHolder, CountsOnlyIfItAnswersAsAnInstance) {
    const std::string desktop = privateDesktop(GetParam().name);
    const NameHolder holder(desktop, GetParam().answer);
    const InstanceLock start(desktop, kNoFolder);
    EXPECT_EQ(start.heldElsewhere(), GetParam().stopsTheWindow);
    EXPECT_FALSE(start.held()) << "the name cannot be this start's";
}

INSTANTIATE_TEST_SUITE_P(Rows, TheNamesHolder,
                         testing::Values(NameHolding{"instance", Answer::AsAnInstance, true},
                                         NameHolding{"hangsUp", Answer::HangsUp, false},
                                         NameHolding{"neverAnswers", Answer::Never, false},
                                         NameHolding{"notListening", Answer::NotListening, false},
                                         NameHolding{"answersOtherwise", Answer::Otherwise, false}),
                         kRowName);

// A folder others can enter, or another user's, is not used: another user
// could hold the lock file's bytes there. The test holds them itself.
struct SharedFolder {
    const char* name;
    mode_t mode;
    uid_t owner;
};

class AFolderNotThisUsersAlone : public testing::TestWithParam<SharedFolder> {};

TEST_P(AFolderNotThisUsersAlone, IsNotUsed) {
    const ScratchFolder folder;
    if (::chown(folder.path.c_str(), GetParam().owner, -1) != 0) {
        GTEST_SKIP() << "giving a folder to another user needs root";
    }
    ::chmod(folder.path.c_str(), GetParam().mode);
    const std::string file = folder.path + "/io.github.zevrin.MD5Zevrin.lock";
    const int squatter = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    struct flock everything {};
    everything.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(squatter, F_OFD_SETLK, &everything), 0);
    EXPECT_TRUE(InstanceLock(privateDesktop(GetParam().name), folder.path).held());
    ::close(squatter);
}

INSTANTIATE_TEST_SUITE_P(Rows, AFolderNotThisUsersAlone,
                         testing::Values(SharedFolder{"openToOthers", 0777, ::getuid()},
                                         SharedFolder{"anotherUsers", 0700, 65534}),
                         kRowName);

// A cleaner that removes the lock file's folder does not lift the rule.
TEST(InstanceLock, TheNameKeepsTheRuleWhenTheLockFileIsGone) {
    const std::string desktop = privateDesktop("removed");
    std::optional<ScratchFolder> folder(std::in_place);
    const InstanceLock first(desktop, folder->path);
    ASSERT_TRUE(first.held());
    folder.reset();
    EXPECT_TRUE(InstanceLock(desktop, ScratchFolder().path).heldElsewhere());
}

// Starts at one moment: exactly one holds, by the lock file or, without a
// folder, by the name alone.
struct Starts {
    const char* name;
    bool withFolder;
};

class SimultaneousStarts : public testing::TestWithParam<Starts> {};

TEST_P(SimultaneousStarts, ExactlyOneHolds) {
    constexpr int kStarts = 6;
    const ScratchFolder scratch;
    const std::string folder = GetParam().withFolder ? scratch.path : std::string();
    const std::string desktop = privateDesktop(GetParam().name);
    std::vector<std::unique_ptr<InstanceLock>> locks(kStarts);
    std::barrier together(kStarts);
    {
        std::vector<std::jthread> starts;
        for (auto& lock : locks) {
            starts.emplace_back([&] {
                together.arrive_and_wait();
                lock = std::make_unique<InstanceLock>(desktop, folder);
            });
        }
    }
    EXPECT_EQ(std::ranges::count_if(locks, [](const auto& lock) { return lock->held(); }), 1);
    EXPECT_EQ(std::ranges::count_if(locks, [](const auto& lock) { return lock->heldElsewhere(); }),
              kStarts - 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, SimultaneousStarts,
                         testing::Values(Starts{"withFolder", true},
                                         Starts{"withoutFolder", false}),
                         kRowName);

// The browser and any other child outlive the window's process: had they
// inherited the lock, the next start would take itself for a second one.
TEST(InstanceLock, IsNotInheritedByChildProcesses) {
    const std::string desktop = privateDesktop("child");
    const ScratchFolder folder;
    auto lock = std::make_unique<InstanceLock>(desktop, folder.path);
    ASSERT_TRUE(lock->held());
    // The child says when it runs: its exec, and the closing of the
    // descriptors it was not to inherit, are then over.
    FILE* child = ::popen("echo $$; exec sleep 30", "r");
    int pid = 0;
    ASSERT_EQ(std::fscanf(child, "%d", &pid), 1);
    lock.reset();
    EXPECT_TRUE(InstanceLock(desktop, kNoFolder).held()) << "a child process kept the name";
    EXPECT_TRUE(InstanceLock(desktop, folder.path).held()) << "a child process kept the file";
    ::kill(pid, SIGKILL);
    ::pclose(child);
}

TEST(InstanceLock, AnOverlongDesktopNameStillLocks) {
    const std::string desktop = privateDesktop(std::string(300, 'w'));
    const InstanceLock first(desktop, kNoFolder);
    ASSERT_TRUE(first.held());
    EXPECT_TRUE(InstanceLock(desktop, kNoFolder).heldElsewhere());
    EXPECT_TRUE(InstanceLock(privateDesktop(std::string(300, 'v')), kNoFolder).held());
}

// Spellings of one desktop give one name, and other desktops another; the
// second of each pair is another process. window_starts.py takes :N.0,
// unix:N and another X server.
struct Desktop {
    std::string_view system, x11, wayland;
};

struct Pair {
    const char* name;
    Desktop one, other;
    bool same;
};

class DesktopName : public testing::TestWithParam<Pair> {};

TEST_P(DesktopName, IsOnePerDesktop) {
    const auto name = [](const Desktop& d, long process) {
        return md5z::desktopName(d.system, d.x11, d.wayland, process);
    };
    const std::string one = name(GetParam().one, 1), other = name(GetParam().other, 2);
    EXPECT_EQ(one == other, GetParam().same) << one << " and " << other;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DesktopName,
    testing::Values(
        Pair{"xScreen", {"xcb", ":7", "wayland-1"}, {"xcb", ":7.1", ""}, true},
        Pair{"xProtocol", {"xcb", ":7", ""}, {"xcb", "unix/unix:7.0", ""}, true},
        Pair{"xWholeNumber", {"xcb", ":7", ""}, {"xcb", ":70", ""}, false},
        // Over the network (ssh forwarding) the number names another server.
        Pair{"xNetwork", {"xcb", ":7", ""}, {"xcb", "localhost:7", ""}, false},
        Pair{"waylandNotX", {"wayland", ":1", "wayland-1"}, {"wayland", "", "wayland-1"}, true},
        Pair{"waylandSocket", {"wayland", "", "wayland-1"}, {"wayland", "", "wayland-2"}, false},
        Pair{"waylandDefault", {"wayland", "", ""}, {"wayland", "", "wayland-0"}, true},
        Pair{"windowSystem", {"xcb", ":1", ""}, {"wayland", ":1", ""}, false},
        // Offscreen windows are seen by nobody: a desktop per process.
        Pair{"offscreen", {"offscreen", ":1", ""}, {"offscreen", ":1", ""}, false},
        Pair{"minimal", {"minimal", "", ""}, {"minimal", "", ""}, false},
        // A full-screen system has one screen for all.
        Pair{"eglfs", {"eglfs", "", ""}, {"eglfs", "", ""}, true}),
    kRowName);

// Compositors name their sockets wayland-0, wayland-1... in the runtime
// folder of their session: the file, not the name, is the desktop.
TEST(WaylandDesktop, IsItsSocketFile) {
    const ScratchFolder one, two;
    for (const auto* folder : {&one, &two}) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s/wayland-9",
                      folder->path.c_str());
        // A socket file, as a compositor leaves it; its descriptor is the process's.
        ASSERT_EQ(::bind(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0),
                         reinterpret_cast<sockaddr*>(&address), sizeof address),
                  0);
    }
    const auto desktopWith = [](const std::string& runtime, const std::string& display) {
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("WAYLAND_DISPLAY", display.c_str(), 1);
        return md5z::desktopOfThisProcess("wayland");
    };
    const std::string first = desktopWith(one.path, "wayland-9");
    EXPECT_NE(desktopWith(two.path, "wayland-9"), first);
    EXPECT_EQ(desktopWith("/nonexistent", one.path + "/wayland-9"), first);
    EXPECT_EQ(desktopWith(one.path + "/.", "wayland-9"), first);
    ::unsetenv("XDG_RUNTIME_DIR");
    ::unsetenv("WAYLAND_DISPLAY");
}

}  // namespace
