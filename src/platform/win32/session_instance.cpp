#include "platform/win32/session_instance.h"

namespace md5z {
namespace {

// "Local\" is the session namespace; the rest is the application's id.
const wchar_t* const kMutexName = L"Local\\io.github.zevrin.MD5Zevrin";

}  // namespace

// Not inheritable: a browser the window starts does not keep the rule alive.
SessionInstance::SessionInstance() : mutex_(CreateMutexW(nullptr, FALSE, kMutexName)) {
    if (mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        heldElsewhere_ = true;
        CloseHandle(mutex_);
        mutex_ = nullptr;
    }
}

SessionInstance::~SessionInstance() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

}  // namespace md5z
