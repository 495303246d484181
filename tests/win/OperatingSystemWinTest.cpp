// The operating system facts of the real process: version, architecture, Administrators group.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "system/Machine.h"

namespace {

sys::IOperatingSystem& OperatingSystem() {
    return *sys::HostMachine().operatingSystem;
}

TEST(OperatingSystemWin, VersionIsTheOneReportedToThisProgram) {
    const sys::OsVersion version = OperatingSystem().Version();
    // The old packed form comes from the same compatibility view.
    const DWORD packed = GetVersion();
    EXPECT_EQ(static_cast<uint32_t>(LOBYTE(LOWORD(packed))), version.major);
    EXPECT_EQ(static_cast<uint32_t>(HIBYTE(LOWORD(packed))), version.minor);
    EXPECT_GE(version.major, 5u);

    // A prefix set to Windows 7 (Wine's default) says so to every program.
    wchar_t system[16] = {};
    DWORD bytes = sizeof system;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                     L"CurrentVersion", RRF_RT_REG_SZ, nullptr, system, &bytes) == ERROR_SUCCESS &&
        std::wstring(system) == L"6.1") {
        EXPECT_EQ(6u, version.major);
        EXPECT_EQ(1u, version.minor);
    }
}

TEST(OperatingSystemWin, TheSixtyFourBitProgramAnswersX64) {
    EXPECT_EQ(L"x64", OperatingSystem().Architecture());
}

TEST(OperatingSystemWin, AdministratorsGroupOfTheProcessAndOfAnImpersonatingThread) {
    // Wine gives its processes an administrator's token.
    const bool process = OperatingSystem().TokenListsAdministrators();
    EXPECT_TRUE(process);

    // A thread that impersonates itself has a token of its own with the same groups.
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    HANDLE threadToken = nullptr;
    const bool hasThreadToken =
        OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &threadToken);
    if (threadToken) CloseHandle(threadToken);
    const bool impersonating = OperatingSystem().TokenListsAdministrators();
    RevertToSelf();
    EXPECT_TRUE(hasThreadToken);
    EXPECT_EQ(process, impersonating);
}

TEST(OperatingSystemWin, SystemFolderIsTheOneWindowsNames) {
    wchar_t expected[MAX_PATH + 1] = {};
    ASSERT_GT(GetSystemDirectoryW(expected, MAX_PATH + 1), 0u);
    const std::wstring folder = OperatingSystem().SystemFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(std::wstring(expected), folder);
    EXPECT_NE(L'\\', folder.back());
}

TEST(OperatingSystemWin, FreeSpaceOfTheCurrentDriveCanBeRead) {
    // What the disk space question asks when no server is installed.
    uint64_t bytes = 0;
    EXPECT_TRUE(sys::HostMachine().files->FreeSpace(L".", bytes));
    EXPECT_GT(bytes, 0u);
}

}  // namespace
