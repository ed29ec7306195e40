#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace md5z {

// The desktop a window of this process opens on, as a name for the
// one-instance rule. `windowSystem` is the window system's name as the
// toolkit gives it ("xcb", "wayland", ...). An X display is named by its
// host and server number (":1", ":1.0" and "unix:1" are one desktop); a
// Wayland display by its socket name. A window system that shares no screen
// between processes (offscreen, minimal) is a desktop of its own for every
// process. Nothing here depends on folders or files.
std::string desktopName(std::string_view windowSystem, std::string_view x11Display,
                        std::string_view waylandDisplay, long processId);

// desktopName() for this process, from its environment.
std::string desktopOfThisProcess(std::string_view windowSystem);

// The one place per user and desktop that an instance holds for its whole
// life. It is a kernel object, not a file: nothing can move or delete it,
// it goes with its holder however the holder ends, and child processes
// (the browser) do not inherit it.
class InstanceLock {
  public:
    explicit InstanceLock(std::string_view desktop);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Whether another process holds the place. Any other failure says
    // nothing about another instance, and the window runs.
    bool heldElsewhere() const { return heldElsewhere_; }
    bool held() const { return handle_ != kNoHandle; }

  private:
    static constexpr std::intptr_t kNoHandle = -1;

    std::intptr_t handle_ = kNoHandle;
    bool heldElsewhere_ = false;
};

}  // namespace md5z
