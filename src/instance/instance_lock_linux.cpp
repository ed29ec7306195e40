// The instance lock on Linux, in two parts that every start takes in turn.
//
// 1. A byte of a lock file in a folder only this user can enter, one byte
//    per desktop. No other user can open the file, so none can hold a byte.
//    The folder is the runtime folder the system makes for the user at
//    login, or else one this program makes in /tmp; never a folder named by
//    the environment, which need not be the same for two starts.
// 2. A listening socket bound to a name in the abstract namespace, made of
//    the user and the desktop. It needs no folder and no file that anyone
//    could delete. Binding is atomic and refused while any socket holds the
//    name, but any local user can bind any name: a start that finds the
//    name taken asks the holder, and counts it only if the kernel says it
//    is this user's (SO_PEERCRED) and it answers as an instance does.
//
// A start ends if either part is held by another instance. So a squatter
// on the name does not stop the window and does not lift the rule (part 1
// holds), and a lock file removed by a cleaner or a missing folder does not
// lift it either (part 2 holds). The kernel releases both when the last
// descriptor closes, which at the latest is when the holder ends.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include "instance/instance_lock.h"

namespace md5z {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kName = "io.github.zevrin.MD5Zevrin";
// What an instance says to whoever connects to its name.
constexpr std::string_view kAnswer = "io.github.zevrin.MD5Zevrin instance\n";
// How long a start waits for the holder of the name to answer. An instance
// answers at once; a holder that does not costs a start this much, once.
constexpr auto kAnswerTime = std::chrono::milliseconds(500);
// How long a start that holds the lock file waits for a name that is bound
// but cannot be reached: the only instance it could be is one that had no
// lock file and is between its bind and its listen, so any other user's
// socket in that state costs this, not kAnswerTime.
constexpr auto kUnreachableTimeWithLockFile = std::chrono::milliseconds(20);
constexpr auto kRetryPause = std::chrono::milliseconds(2);

std::string_view environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// FNV-1a: stable across processes and builds, unlike std::hash.
std::uint64_t fingerprint(std::string_view name) {
    constexpr std::uint64_t kOffsetBasis = 14695981039346656037ULL;
    constexpr std::uint64_t kPrime = 1099511628211ULL;
    std::uint64_t hash = kOffsetBasis;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * kPrime;
    }
    return hash;
}

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_;
};

enum class Claim { Taken, HeldByInstance, Unavailable };

// --- Part 1: the lock file ---------------------------------------------

// A directory of this user's, closed to everyone else.
bool isPrivate(int folder) {
    struct stat status {};
    return ::fstat(folder, &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

Descriptor openPrivateFolder(const std::string& path) {
    Descriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder && !isPrivate(folder.get())) {
        folder.reset();
    }
    return folder;
}

// Open file description locks: held per open of the file, not per process,
// and gone when the descriptor closes.
Claim lockByte(const Descriptor& file, std::string_view desktop) {
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    // Any offset that fits the system's file offsets.
    range.l_start = static_cast<off_t>(fingerprint(desktop) >> (65 - 8 * sizeof(off_t)));
    range.l_len = 1;
    if (::fcntl(file.get(), F_OFD_SETLK, &range) == 0) {
        return Claim::Taken;
    }
    return errno == EAGAIN || errno == EACCES ? Claim::HeldByInstance : Claim::Unavailable;
}

Claim claimLockFile(std::string_view privateFolder, std::string_view desktop, Descriptor& file) {
    if (privateFolder.empty()) {
        return Claim::Unavailable;
    }
    const Descriptor folder = openPrivateFolder(std::string(privateFolder));
    if (!folder) {
        return Claim::Unavailable;
    }
    const std::string name = std::string(kName) + ".lock";
    file.reset(::openat(folder.get(), name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                        S_IRUSR | S_IWUSR));
    const Claim claim = file ? lockByte(file, desktop) : Claim::Unavailable;
    if (claim != Claim::Taken) {
        file.reset();
    }
    return claim;
}

// --- Part 2: the name ------------------------------------------------------

struct SocketAddress {
    sockaddr_un address{};
    socklen_t length = 0;
};

// The user and the desktop; the leading NUL puts it in the abstract
// namespace. A desktop name too long for an address is shortened to its
// fingerprint.
SocketAddress nameOf(std::string_view desktop) {
    const std::string user =
        std::string(1, '\0') + std::string(kName) + '/' + std::to_string(::getuid()) + '/';
    std::string name = user + std::string(desktop);
    if (name.size() > sizeof(sockaddr_un::sun_path)) {
        char digits[18];
        std::snprintf(digits, sizeof digits, "#%016llx",
                      static_cast<unsigned long long>(fingerprint(desktop)));
        name = user + digits;
    }
    SocketAddress result;
    result.address.sun_family = AF_UNIX;
    std::memcpy(result.address.sun_path, name.data(), name.size());
    result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    return result;
}

const sockaddr* asSockaddr(const SocketAddress& name) {
    return reinterpret_cast<const sockaddr*>(&name.address);
}

Descriptor newSocket(int flags = 0) {
    return Descriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0));
}

// Reads what the holder says until it has said as much as an instance
// does, hangs up, or the time is up.
bool answersAsAnInstance(const Descriptor& connection, Clock::time_point deadline) {
    std::string heard;
    char buffer[64];
    while (heard.size() < kAnswer.size()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd readable{connection.get(), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        const ssize_t count = ::recv(connection.get(), buffer, sizeof buffer, 0);
        if (count <= 0) {
            break;
        }
        heard.append(buffer, static_cast<std::size_t>(count));
    }
    return heard == kAnswer;
}

bool isThisUsers(const Descriptor& connection) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(connection.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::getuid();
}

// Binds the name, or else asks its holder. A name that is bound but not
// listening may be an instance between the two steps, or a holder that
// has just ended: both are tried again until `unreachableTime` is up.
Claim claimName(const SocketAddress& name, Clock::duration unreachableTime, Descriptor& listener) {
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + kAnswerTime;
    for (;;) {
        Descriptor own = newSocket();
        if (!own) {
            return Claim::Unavailable;
        }
        if (::bind(own.get(), asSockaddr(name), name.length) == 0) {
            if (::listen(own.get(), SOMAXCONN) != 0) {
                return Claim::Unavailable;
            }
            listener = std::move(own);
            return Claim::Taken;
        }
        if (errno != EADDRINUSE) {
            return Claim::Unavailable;
        }
        const Descriptor asking = newSocket(SOCK_NONBLOCK);
        if (::connect(asking.get(), asSockaddr(name), name.length) == 0) {
            return isThisUsers(asking) && answersAsAnInstance(asking, deadline)
                       ? Claim::HeldByInstance
                       : Claim::Unavailable;
        }
        // Refused: bound, not listening. Would block: its queue is full.
        const bool mayChange = errno == ECONNREFUSED || errno == EAGAIN;
        if (!mayChange || Clock::now() >= start + unreachableTime) {
            return Claim::Unavailable;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

// Answers every connection at once and hangs up, until the listener is
// shut down. Nothing a caller does can make it wait.
void answerCallers(int listener) {
    for (;;) {
        const int caller = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (caller < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        (void)::send(caller, kAnswer.data(), kAnswer.size(), MSG_NOSIGNAL);
        ::close(caller);
    }
}

// A Wayland compositor's socket is found as the toolkit finds it, in the
// runtime folder unless its name is a path, and named by the file it is:
// two compositors that gave their sockets one name in two runtime folders
// are two desktops, and one socket reached through two paths is one.
// Where there is no such file, the name as it is.
std::string waylandSocketOf(std::string_view display) {
    const std::string name(display.empty() ? "wayland-0" : display);
    const std::string path =
        name.front() == '/' ? name : std::string(environmentValue("XDG_RUNTIME_DIR")) + '/' + name;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode)) {
        return name;
    }
    return "socket " + std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino);
}

}  // namespace

struct InstanceLock::Parts {
    Descriptor lockFile;
    Descriptor listener;
    std::thread answering;

    ~Parts() {
        if (answering.joinable()) {
            ::shutdown(listener.get(), SHUT_RDWR);
            answering.join();
        }
    }
};

std::string desktopOfThisProcess(std::string_view windowSystem) {
    return desktopName(windowSystem, environmentValue("DISPLAY"),
                       waylandSocketOf(environmentValue("WAYLAND_DISPLAY")),
                       static_cast<long>(::getpid()));
}

// The login's runtime folder when there is one; else a folder of this
// program's in /tmp, made on first use. Another user who made that one
// first owns it, and it is then not used.
std::string privateFolderOfThisUser() {
    const std::string user = std::to_string(::getuid());
    const std::string runtime = "/run/user/" + user;
    if (openPrivateFolder(runtime)) {
        return runtime;
    }
    const std::string own = "/tmp/" + std::string(kName) + '-' + user;
    ::mkdir(own.c_str(), S_IRWXU);
    return openPrivateFolder(own) ? own : std::string();
}

InstanceLock::InstanceLock(std::string_view desktop, std::string_view privateFolder) {
    auto parts = std::make_unique<Parts>();
    const Claim file = claimLockFile(privateFolder, desktop, parts->lockFile);
    if (file == Claim::HeldByInstance) {
        heldElsewhere_ = true;
        return;
    }
    const Claim name = claimName(nameOf(desktop),
                                 file == Claim::Taken ? kUnreachableTimeWithLockFile : kAnswerTime,
                                 parts->listener);
    if (name == Claim::HeldByInstance) {
        heldElsewhere_ = true;
        return;
    }
    if (name == Claim::Taken) {
        parts->answering = std::thread(answerCallers, parts->listener.get());
    }
    if (file == Claim::Taken || name == Claim::Taken) {
        parts_ = std::move(parts);
    }
}

InstanceLock::~InstanceLock() = default;

}  // namespace md5z
