// The instance lock between processes of this user: what a second start
// sees while the first lives, once it has ended however it ended, and what
// a child process of the holder keeps of it.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "instance/instance_lock.h"

extern char** environ;

namespace {

using md5z::desktopName;
using md5z::InstanceLock;

// A desktop no other test run on this machine uses.
std::string privateDesktop(std::string_view which) {
    return "test/" + std::to_string(::getpid()) + '/' + std::string(which);
}

pid_t spawn(const char* program, std::initializer_list<const char*> arguments) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const char* argument : arguments) {
        argv.push_back(const_cast<char*>(argument));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(::posix_spawn(&pid, program, nullptr, nullptr, argv.data(), environ), 0);
    return pid;
}

void killAndReap(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
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
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const InstanceLock lock(desktop);
        ::pause();
        ::_exit(0);
    }
    bool seen = false;
    for (int attempt = 0; attempt < 500 && !seen; ++attempt) {
        seen = InstanceLock(desktop).heldElsewhere();
        ::usleep(10000);
    }
    EXPECT_TRUE(seen) << "the child never took the lock";
    killAndReap(holder);
    EXPECT_TRUE(InstanceLock(desktop).held());
}

// The browser and any other child outlive the window's process: had they
// inherited the lock, the next start would take itself for a second one.
TEST(InstanceLock, IsNotInheritedByChildProcesses) {
    const std::string desktop = privateDesktop("child");
    auto lock = std::make_unique<InstanceLock>(desktop);
    ASSERT_TRUE(lock->held());
    const pid_t child = spawn("/bin/sleep", {"30"});
    lock.reset();
    const InstanceLock next(desktop);
    EXPECT_TRUE(next.held()) << "a child process kept the lock";
    killAndReap(child);
}

TEST(InstanceLock, AnOverlongDesktopNameStillLocks) {
    const std::string desktop = privateDesktop(std::string(300, 'w'));
    const InstanceLock first(desktop);
    ASSERT_TRUE(first.held());
    EXPECT_TRUE(InstanceLock(desktop).heldElsewhere());
    EXPECT_TRUE(InstanceLock(privateDesktop(std::string(300, 'v'))).held());
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
