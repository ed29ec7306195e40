// The instance lock on Windows against objects that others put under its
// mutex's name: Wine runs every process as one user, so "another owner" is
// a mutex whose owner is another SID, as another user of the session would
// make it.

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "instance/instance_lock.h"

namespace {

using md5z::InstanceLock;

std::wstring thisUsersSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    char buffer[256];
    DWORD size = sizeof buffer;
    GetTokenInformation(token, TokenUser, buffer, size, &size);
    CloseHandle(token);
    wchar_t* text = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
    std::wstring sid = text;
    LocalFree(text);
    return sid;
}

// A desktop no other test run on this machine uses.
std::string privateDesktop(const char* which) {
    return "test/" + std::to_string(GetCurrentProcessId()) + '/' + which;
}

std::wstring mutexName(const std::string& desktop) {
    return L"Local\\io.github.zevrin.MD5Zevrin/" + thisUsersSid() + L'/' +
           std::wstring(desktop.begin(), desktop.end());
}

// What sits under the mutex's name before the first start: another
// owner is the Administrators group, as whom the test may create.
enum class Squatter { None, ThisUsersMutex, OtherOwnersMutex, LockedOutMutex, Event };

HANDLE squat(Squatter squatter, const std::wstring& name) {
    const std::wstring rules = squatter == Squatter::ThisUsersMutex
                                   ? L"O:" + thisUsersSid() + L"D:(A;;GA;;;" + thisUsersSid() + L")"
                               : squatter == Squatter::OtherOwnersMutex ? L"O:BAD:(A;;GA;;;WD)"
                                                                        : L"O:BAD:P";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(rules.c_str(), SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE object = squatter == Squatter::None ? nullptr
                    : squatter == Squatter::Event
                        ? CreateEventW(&attributes, TRUE, FALSE, name.c_str())
                        : CreateMutexW(&attributes, FALSE, name.c_str());
    LocalFree(descriptor);
    return object;
}

// Only this user's mutex counts as an instance; whatever else sits under
// the name, the first start runs, and the second ends by the lock file (or
// without one, by the mutex alone). The program's own second start
// (window_rows.py) takes the plain case.
struct Row {
    const char* name;
    Squatter squatter;
    bool withFolder;
    bool firstRuns;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class InstanceLockAgainstSquatters : public testing::TestWithParam<Row> {};

TEST_P(InstanceLockAgainstSquatters, OnlyThisUsersInstanceCounts) {
    const Row& row = GetParam();
    const std::string desktop = privateDesktop(row.name);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("instance-" + desktop.substr(5));
    std::filesystem::create_directories(folder);
    const std::string folderName = row.withFolder ? folder.string() : std::string();
    HANDLE squatter = squat(row.squatter, mutexName(desktop));
    ASSERT_EQ(squatter != nullptr, row.squatter != Squatter::None);
    {
        const InstanceLock first(desktop, folderName);
        EXPECT_EQ(first.held(), row.firstRuns);
        EXPECT_TRUE(InstanceLock(desktop, folderName).heldElsewhere());
    }
    CloseHandle(squatter);
    EXPECT_TRUE(InstanceLock(desktop, folderName).held()) << "nothing outlives its holder";
    std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Rows, InstanceLockAgainstSquatters,
                         testing::Values(Row{"mutexAlone", Squatter::None, false, true},
                                         Row{"thisUsersMutex", Squatter::ThisUsersMutex, true,
                                             false},
                                         Row{"otherOwner", Squatter::OtherOwnersMutex, true, true},
                                         Row{"lockedOut", Squatter::LockedOutMutex, true, true},
                                         Row{"event", Squatter::Event, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
