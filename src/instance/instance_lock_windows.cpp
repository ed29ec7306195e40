// The instance lock on Windows: a mutex named in the session namespace
// ("Local\"). The session is the desktop a user works on, so other sessions
// (another user, a remote desktop) run their own window. The system drops
// the mutex when its last handle closes, which at the latest is when the
// holder ends.

#include <windows.h>

#include <string>

#include "instance/instance_lock.h"

namespace md5z {
namespace {

const wchar_t* const kMutexName = L"Local\\io.github.zevrin.MD5Zevrin";

}  // namespace

// One desktop per session, whatever the toolkit calls its window system.
std::string desktopOfThisProcess(std::string_view) {
    return "session";
}

// The handle is not inheritable: a browser the window starts does not keep
// the rule alive.
InstanceLock::InstanceLock(std::string_view) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    if (mutex == nullptr) {
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        heldElsewhere_ = true;
        CloseHandle(mutex);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
}

InstanceLock::~InstanceLock() {
    if (handle_ != kNoHandle) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

}  // namespace md5z
