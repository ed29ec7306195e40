#pragma once

#include <windows.h>

namespace md5z {

// The one-instance rule on Windows: a named mutex in the user's session
// namespace, held for the life of the process. The system drops it when its
// holder ends, however it ends, so only a running instance holds it; other
// sessions (another user, a remote desktop) run their own.
class SessionInstance {
  public:
    SessionInstance();
    ~SessionInstance();
    SessionInstance(const SessionInstance&) = delete;
    SessionInstance& operator=(const SessionInstance&) = delete;

    // Any failure other than finding the mutex held (no rights, out of
    // handles) says nothing about another instance; the window runs.
    bool heldElsewhere() const { return heldElsewhere_; }

  private:
    HANDLE mutex_ = nullptr;
    bool heldElsewhere_ = false;
};

}  // namespace md5z
