// Starting real programs: exit codes, missing programs, not waiting, and which file a command
// line of the updaters starts.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "system/win32/Win32Launcher.h"
#include "updater/TupModuleUpdater.h"
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
        EXPECT_TRUE(launcher.Run(L"", L"\"" + LaunchProbe() + L"\" " + std::to_wstring(code), true,
                                 &exitCode));
        EXPECT_EQ(code, exitCode);
    }
    EXPECT_TRUE(launcher.Run(L"", L"\"" + LaunchProbe() + L"\" 3", true, nullptr));
}

TEST(LauncherWin, ProgramInAFolderWithSpacesRunsWhenQuoted) {
    wintest::WinScratchFolder scratch;
    ASSERT_TRUE(scratch.Made());
    ASSERT_TRUE(CreateDirectoryW(scratch.PathOf(L"with space").c_str(), nullptr));
    const std::wstring copy = scratch.PathOf(L"with space\\launch probe.exe");
    ASSERT_TRUE(CopyFileW(LaunchProbe().c_str(), copy.c_str(), TRUE));

    sys::win32::Win32Launcher launcher;
    uint32_t exitCode = 0;
    EXPECT_TRUE(launcher.Run(L"", L"\"" + copy + L"\" 42", true, &exitCode));
    EXPECT_EQ(42u, exitCode);
}

TEST(LauncherWin, MissingProgramIsNotStarted) {
    sys::win32::Win32Launcher launcher;
    uint32_t exitCode = 12345;
    EXPECT_FALSE(launcher.Run(L"", L"\"C:\\tav-nowhere\\missing.exe\" 1", true, &exitCode));
    EXPECT_EQ(12345u, exitCode);
    EXPECT_FALSE(launcher.Run(L"", L"", false, nullptr));
}

TEST(LauncherWin, WithoutWaitReturnsWhileTheProgramStillRuns) {
    const std::wstring stem = L"TavLauncherWin-" + std::to_wstring(GetCurrentProcessId());
    const NamedEvent go(stem + L"-go");
    const NamedEvent done(stem + L"-done");
    ASSERT_TRUE(go.Made() && done.Made());

    sys::win32::Win32Launcher launcher;
    // The program waits for "go", so a launcher that waited would return only after 30 s.
    EXPECT_TRUE(launcher.Run(L"", L"\"" + LaunchProbe() + L"\" 0 " + go.Name() + L" " + done.Name(),
                             false, nullptr));
    EXPECT_FALSE(done.WaitMs(0)) << "the program ended before the launcher returned";

    go.Signal();
    EXPECT_TRUE(done.WaitMs(20000)) << "the program never ran";
}

TEST(LauncherWin, TheNamedFileStartsAndNotTheCommandLinesFirstWord) {
    wintest::WinScratchFolder scratch;
    ASSERT_TRUE(scratch.Made());
    const std::wstring copy = scratch.PathOf(L"named.exe");
    ASSERT_TRUE(CopyFileW(LaunchProbe().c_str(), copy.c_str(), TRUE));
    sys::win32::Win32Launcher launcher;
    uint32_t exitCode = 0;
    // The command line's first word names a missing program; the file given is what runs.
    EXPECT_TRUE(launcher.Run(copy, L"C:\\tav-nowhere\\other.exe 9", true, &exitCode));
    EXPECT_EQ(9u, exitCode);
}

// The paths of the probe copies started while it lives, one a line.
class LaunchLog {
public:
    explicit LaunchLog(const std::wstring& file) : file_(file) {
        SetEnvironmentVariableW(L"TAV_LAUNCH_LOG", file.c_str());
    }
    ~LaunchLog() { SetEnvironmentVariableW(L"TAV_LAUNCH_LOG", nullptr); }
    LaunchLog(const LaunchLog&) = delete;
    LaunchLog& operator=(const LaunchLog&) = delete;

    std::string Text() const {
        std::ifstream in(file_.c_str());
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::wstring file_;
};

// The process's current folder, put back when it goes.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::wstring& folder) {
        wchar_t previous[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        previous_ = previous;
        made_ = SetCurrentDirectoryW(folder.c_str()) != 0;
    }
    ~CurrentFolder() { SetCurrentDirectoryW(previous_.c_str()); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    bool Made() const { return made_; }

private:
    std::wstring previous_;
    bool made_ = false;
};

// The base updater with its registration phases opened, on the host machine.
class HostUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::RegisterAndRunCommands;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Copies of the probe planted where a program started by a loose name would be found.
class PlantedWorld {
public:
    PlantedWorld() : log_(scratch.PathOf(L"launched.txt")) {}
    bool Plant(const std::wstring& below) {
        return CopyFileW(LaunchProbe().c_str(), scratch.PathOf(below).c_str(), TRUE) != 0;
    }
    std::string Launched() const { return log_.Text(); }

    wintest::WinScratchFolder scratch;

private:
    LaunchLog log_;
};

TEST(LauncherWin, AnInstallFolderWithABlankCannotStartAProgramPlantedBesideIt) {
    PlantedWorld world;
    ASSERT_TRUE(world.scratch.Made());
    ASSERT_TRUE(CreateDirectoryW(world.scratch.PathOf(L"Tarnova Server").c_str(), nullptr));
    ASSERT_TRUE(world.Plant(L"Tarnova Server\\Monitor.exe"));
    ASSERT_TRUE(world.Plant(L"Tarnova.exe"));  // what the folder's first word would start

    HostUpdater updater;
    CTupExecutableFile program;
    program.SetPath(world.scratch.PathOf(L"Tarnova Server\\Monitor.exe"));
    program.SetParameter(L"0");
    program.SetWaitTillEnd(1);
    updater.ExecutablesToLaunch() = {program};
    updater.ObjectsToRegister() = {world.scratch.PathOf(L"Tarnova Server\\Monitor.exe")};

    EXPECT_EQ(1, updater.RegisterAndRunCommands());
    EXPECT_EQ(1, updater.LaunchExecutables());
    const std::string real = Narrow(world.scratch.PathOf(L"Tarnova Server\\Monitor.exe")) + "\n";
    EXPECT_EQ(real + real, world.Launched());
}

TEST(LauncherWin, WindowsToolsAreNotTakenFromTheCurrentFolder) {
    PlantedWorld world;
    ASSERT_TRUE(world.scratch.Made());
    ASSERT_TRUE(world.Plant(L"regsvr32.exe"));
    ASSERT_TRUE(world.Plant(L"msiexec.exe"));
    const CurrentFolder current(world.scratch.Path());
    ASSERT_TRUE(current.Made());

    HostUpdater updater;
    updater.ObjectsToRegister() = {world.scratch.PathOf(L"absent.dll")};
    updater.CommandsToExecute() = {L"msiexec.exe /i " + world.scratch.PathOf(L"absent.msi") +
                                   L" /qn"};
    // The system folder's tools run (and fail on the absent files); the planted copies never.
    EXPECT_EQ(1, updater.RegisterAndRunCommands());
    EXPECT_EQ("", world.Launched());
}

// A file and a folder made for a test outside its scratch folder, removed when it goes.
class PlacedFiles {
public:
    ~PlacedFiles() {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) {
            RemoveDirectoryW(folder->c_str());
        }
    }
    bool Folder(const std::wstring& path) {
        folders_.push_back(path);
        return CreateDirectoryW(path.c_str(), nullptr) != 0;
    }
    bool Probe(const std::wstring& path) {
        files_.push_back(path);
        return CopyFileW(LaunchProbe().c_str(), path.c_str(), FALSE) != 0;
    }

private:
    std::vector<std::wstring> files_, folders_;
};

TEST(LauncherWin, ACommandWithABlankInItsProgramPathStartsThatProgramNotCProgramExe) {
    PlantedWorld world;
    ASSERT_TRUE(world.scratch.Made());
    PlacedFiles placed;
    const std::wstring folder =
        L"C:\\Program Files\\Kelmark Launch " + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(placed.Folder(folder));
    ASSERT_TRUE(placed.Probe(folder + L"\\setup.exe"));
    ASSERT_TRUE(placed.Probe(L"C:\\Program.exe"));  // what the folder's first word would start

    HostUpdater updater;
    updater.CommandsToExecute() = {folder + L"\\setup.exe 0 /q"};
    EXPECT_EQ(1, updater.RegisterAndRunCommands());
    // A missing program is refused, never completed to C:\Program.exe.
    updater.CommandsToExecute() = {folder + L"\\missing.exe 0"};
    EXPECT_EQ(0, updater.RegisterAndRunCommands());
    EXPECT_EQ(Narrow(folder + L"\\setup.exe") + "\n", world.Launched());
}

}  // namespace
