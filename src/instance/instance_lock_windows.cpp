// The instance lock on Windows, in two parts that every start takes in turn,
// as on Linux.
//
// 1. A lock file in the user's local application data, opened with no
//    sharing: while one handle is open, every other open fails. Other
//    users cannot open files in a user's profile. The system deletes the
//    file when the handle closes.
// 2. A mutex named in the session namespace ("Local\"), so that other
//    sessions run their own window. Every user of a session shares that
//    namespace (runas, a scheduled task, a service acting for a user), so
//    the name carries the user's SID, the mutex is owned by that SID and
//    only that SID may open it. A mutex of the name that another owner
//    made, or an object of another kind, is not counted as an instance.
//
// A start ends if either part is held by another instance; a squatter on
// the mutex's name stops neither the window nor the rule. The system
// releases both when the last handle closes, which at the latest is when
// the holder ends. Neither handle is inheritable: a browser the window
// starts does not keep the rule alive.

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdint>
#include <memory>
#include <string>

#include "instance/instance_lock.h"

namespace md5z {
namespace {

constexpr std::wstring_view kName = L"io.github.zevrin.MD5Zevrin";

enum class Claim { Taken, HeldByInstance, Unavailable };

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

std::wstring wide(std::string_view utf8) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

// The user this process runs as, as an SID string ("S-1-5-21-...").
std::wstring userSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const Handle closer(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return {};
    }
    const std::unique_ptr<wchar_t, LocalFreer> freer(text);
    return text;
}

// --- Part 1: the lock file ---------------------------------------------

// The desktop as a file name: any character a file name cannot hold is
// replaced.
std::wstring fileNameOf(std::string_view desktop) {
    std::wstring name = std::wstring(kName) + L'-' + wide(desktop) + L".lock";
    for (wchar_t& c : name) {
        if (c < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) {
            c = L'_';
        }
    }
    return name;
}

Claim claimLockFile(std::string_view privateFolder, std::string_view desktop, Handle& file) {
    if (privateFolder.empty()) {
        return Claim::Unavailable;
    }
    const std::wstring path = wide(privateFolder) + L'\\' + fileNameOf(desktop);
    HANDLE opened =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (opened != INVALID_HANDLE_VALUE) {
        file.reset(opened);
        return Claim::Taken;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? Claim::HeldByInstance : Claim::Unavailable;
}

// --- Part 2: the mutex -----------------------------------------------------

bool ownedBy(HANDLE object, PSID user) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const std::unique_ptr<void, LocalFreer> freer(descriptor);
    return owner != nullptr && EqualSid(owner, user);
}

Claim claimMutex(std::string_view desktop, Handle& mutex) {
    const std::wstring sid = userSid();
    PSID user = nullptr;
    if (sid.empty() || !ConvertStringSidToSidW(sid.c_str(), &user)) {
        return Claim::Unavailable;
    }
    const std::unique_ptr<void, LocalFreer> userFreer(user);
    // Owned by the user (not by the Administrators group an elevated token
    // names by default), and open to nobody else.
    const std::wstring rules = L"O:" + sid + L"D:P(A;;GA;;;" + sid + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(rules.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return Claim::Unavailable;
    }
    const std::unique_ptr<void, LocalFreer> descriptorFreer(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const std::wstring name = L"Local\\" + std::wstring(kName) + L'/' + sid + L'/' + wide(desktop);
    HANDLE created = CreateMutexExW(&attributes, name.c_str(), 0, SYNCHRONIZE | READ_CONTROL);
    if (created == nullptr) {
        // Made by someone who shut this user out, or not a mutex.
        return Claim::Unavailable;
    }
    Handle own(created);
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        mutex = std::move(own);
        return Claim::Taken;
    }
    return ownedBy(created, user) ? Claim::HeldByInstance : Claim::Unavailable;
}

}  // namespace

struct InstanceLock::Parts {
    Handle lockFile;
    Handle mutex;
};

// One desktop per session, whatever the toolkit calls its window system.
std::string desktopOfThisProcess(std::string_view) {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return "session/" + std::to_string(session);
}

// The user's local application data, which the profile's permissions keep
// to the user (and the system's administrators).
std::string privateFolderOfThisUser() {
    wchar_t* path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path) == S_OK) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
        folder.resize(static_cast<std::size_t>(size > 0 ? size - 1 : 0));
        WideCharToMultiByte(CP_UTF8, 0, path, -1, folder.data(), size, nullptr, nullptr);
    }
    CoTaskMemFree(path);
    return folder;
}

InstanceLock::InstanceLock(std::string_view desktop, std::string_view privateFolder) {
    auto parts = std::make_unique<Parts>();
    const Claim file = claimLockFile(privateFolder, desktop, parts->lockFile);
    if (file == Claim::HeldByInstance) {
        heldElsewhere_ = true;
        return;
    }
    const Claim mutex = claimMutex(desktop, parts->mutex);
    if (mutex == Claim::HeldByInstance) {
        heldElsewhere_ = true;
        return;
    }
    if (file == Claim::Taken || mutex == Claim::Taken) {
        parts_ = std::move(parts);
    }
}

InstanceLock::~InstanceLock() = default;

}  // namespace md5z
