// The instance lock on Linux: a local socket bound to a name in the abstract
// namespace. Binding a name is atomic and refused while any socket holds it;
// the kernel releases it when the last descriptor closes, which at the
// latest is when the holder ends.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instance/instance_lock.h"

namespace md5z {
namespace {

constexpr std::string_view kNamePrefix = "io.github.zevrin.MD5Zevrin/";

std::string_view environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// FNV-1a, for a desktop name too long for a socket address: stable across
// processes and builds, unlike std::hash.
std::string shortened(std::string_view name) {
    constexpr std::uint64_t kOffsetBasis = 14695981039346656037ULL;
    constexpr std::uint64_t kPrime = 1099511628211ULL;
    std::uint64_t hash = kOffsetBasis;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * kPrime;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return std::string("#") + digits;
}

// The user and the desktop; the leading NUL puts it in the abstract namespace.
std::string socketName(std::string_view desktop) {
    const std::string user =
        std::string(1, '\0') + std::string(kNamePrefix) + std::to_string(::getuid()) + '/';
    constexpr std::size_t kRoom = sizeof(sockaddr_un::sun_path);
    return user +
           (user.size() + desktop.size() <= kRoom ? std::string(desktop) : shortened(desktop));
}

}  // namespace

std::string desktopOfThisProcess(std::string_view windowSystem) {
    return desktopName(windowSystem, environmentValue("DISPLAY"),
                       environmentValue("WAYLAND_DISPLAY"), static_cast<long>(::getpid()));
}

InstanceLock::InstanceLock(std::string_view desktop) {
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return;
    }
    const std::string name = socketName(desktop);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        handle_ = descriptor;
        return;
    }
    heldElsewhere_ = errno == EADDRINUSE;
    ::close(descriptor);
}

InstanceLock::~InstanceLock() {
    if (handle_ != kNoHandle) {
        ::close(static_cast<int>(handle_));
    }
}

}  // namespace md5z
