#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace md5z {

// The desktop a window of this process opens on, as a name for the
// one-instance rule. `windowSystem` is the window system's name as the
// toolkit gives it ("xcb", "wayland", ...). An X display is named by its
// host and server number (":1", ":1.0" and "unix:1" are one desktop); a
// Wayland display by its socket, as desktopOfThisProcess() names it. A
// window system that shares no screen between processes (offscreen,
// minimal) is a desktop of its own for every process.
std::string desktopName(std::string_view windowSystem, std::string_view x11Display,
                        std::string_view waylandDisplay, long processId);

// desktopName() for this process, from its environment.
std::string desktopOfThisProcess(std::string_view windowSystem);

// A folder that only this user can enter, found from who the user is and
// never from the environment; empty when the system offers none.
std::string privateFolderOfThisUser();

// The one place per user and desktop that an instance holds for its whole
// life. It is made of kernel objects that go with their holder however the
// holder ends, and child processes (the browser) do not inherit them. No
// other user can take it: a place another user holds is not counted as
// another instance.
class InstanceLock {
  public:
    explicit InstanceLock(std::string_view desktop)
        : InstanceLock(desktop, privateFolderOfThisUser()) {}
    // `privateFolder` as privateFolderOfThisUser() gives it; one that is not
    // this user's alone is not used.
    InstanceLock(std::string_view desktop, std::string_view privateFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Whether another instance of this program, run by this user, holds
    // the place. Any other failure says nothing about another instance,
    // and the window runs.
    bool heldElsewhere() const { return heldElsewhere_; }
    bool held() const { return parts_ != nullptr; }

  private:
    struct Parts;  // the system's own objects
    std::unique_ptr<Parts> parts_;
    bool heldElsewhere_ = false;
};

}  // namespace md5z
