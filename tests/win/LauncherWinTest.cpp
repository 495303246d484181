// Starting real programs: exit codes, missing programs, and not waiting.
#include <gtest/gtest.h>

#include <string>

#include "system/win32/Win32Launcher.h"
#include "win/WinScratchFolder.h"
#include "win/WinTestSupport.h"

namespace {

std::wstring LaunchProbe() { return wintest::WindowsPathOf(TAV_LAUNCH_PROBE_EXE); }

// A named manual-reset event, closed when it goes.
class NamedEvent {
public:
    explicit NamedEvent(const std::wstring& name)
        : name_(name), handle_(CreateEventW(nullptr, TRUE, FALSE, name.c_str())) {}
    ~NamedEvent() {
        if (handle_) CloseHandle(handle_);
    }
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    bool Made() const { return handle_ != nullptr; }
    const std::wstring& Name() const { return name_; }
    void Signal() const { SetEvent(handle_); }
    bool WaitMs(DWORD milliseconds) const {
        return WaitForSingleObject(handle_, milliseconds) == WAIT_OBJECT_0;
    }

private:
    std::wstring name_;
    HANDLE handle_;
};

TEST(LauncherWin, WaitingGivesTheExitCodeOfTheProgram) {
    sys::win32::Win32Launcher launcher;
    for (uint32_t code : {0u, 7u, 300u}) {
        uint32_t exitCode = 12345;
        EXPECT_TRUE(launcher.Run(L"\"" + LaunchProbe() + L"\" " + std::to_wstring(code), true,
                                 &exitCode));
        EXPECT_EQ(code, exitCode);
    }
    EXPECT_TRUE(launcher.Run(L"\"" + LaunchProbe() + L"\" 3", true, nullptr));
}

TEST(LauncherWin, ProgramInAFolderWithSpacesRunsWhenQuoted) {
    wintest::WinScratchFolder scratch;
    ASSERT_TRUE(scratch.Made());
    ASSERT_TRUE(CreateDirectoryW(scratch.PathOf(L"with space").c_str(), nullptr));
    const std::wstring copy = scratch.PathOf(L"with space\\launch probe.exe");
    ASSERT_TRUE(CopyFileW(LaunchProbe().c_str(), copy.c_str(), TRUE));

    sys::win32::Win32Launcher launcher;
    uint32_t exitCode = 0;
    EXPECT_TRUE(launcher.Run(L"\"" + copy + L"\" 42", true, &exitCode));
    EXPECT_EQ(42u, exitCode);
}

TEST(LauncherWin, MissingProgramIsNotStarted) {
    sys::win32::Win32Launcher launcher;
    uint32_t exitCode = 12345;
    EXPECT_FALSE(launcher.Run(L"\"C:\\tav-nowhere\\missing.exe\" 1", true, &exitCode));
    EXPECT_EQ(12345u, exitCode);
    EXPECT_FALSE(launcher.Run(L"", false, nullptr));
}

TEST(LauncherWin, WithoutWaitReturnsWhileTheProgramStillRuns) {
    const std::wstring stem = L"TavLauncherWin-" + std::to_wstring(GetCurrentProcessId());
    const NamedEvent go(stem + L"-go");
    const NamedEvent done(stem + L"-done");
    ASSERT_TRUE(go.Made() && done.Made());

    sys::win32::Win32Launcher launcher;
    // The program waits for "go", so a launcher that waited would return only after 30 s.
    EXPECT_TRUE(launcher.Run(L"\"" + LaunchProbe() + L"\" 0 " + go.Name() + L" " + done.Name(),
                             false, nullptr));
    EXPECT_FALSE(done.WaitMs(0)) << "the program ended before the launcher returned";

    go.Signal();
    EXPECT_TRUE(done.WaitMs(20000)) << "the program never ran";
}

}  // namespace
