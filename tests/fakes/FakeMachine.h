// A whole fake machine for native tests, put in place for the lifetime of the object.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakes/FakeFiles.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeServices.h"
#include "system/Machine.h"

namespace fakes {

// Processes as a test lists them; a process with an empty path could not be opened.
class FakeProcesses final : public sys::IProcesses {
public:
    struct Process {
        uint32_t id;
        std::wstring path;
    };
    bool Walk(const std::function<bool(uint32_t, const std::wstring&)>& visit) override;
    bool SetDebugPrivilege(bool enable) override;
    // Removes a listed process and records its id; false for an id that is not listed.
    bool Terminate(uint32_t processId) override;

    std::vector<Process> processes;
    bool available = true;
    // Every change of the debug privilege, in order.
    std::vector<bool> privilegeChanges;
    // Ids ended by Terminate, in order; onTerminate is told of each.
    std::vector<uint32_t> terminated;
    std::function<void(uint32_t)> onTerminate;
};

// Version resources by file path (case-insensitive).
class FakeVersionResources final : public sys::IVersionResources {
public:
    bool ReadFixedInfo(const std::wstring& path, sys::FixedVersionInfo& info) override;

    // Gives the file a resource with file version a.b.c.d and product version e.f.g.h.
    void Set(const std::wstring& path, uint16_t a, uint16_t b, uint16_t c, uint16_t d,
             uint16_t e, uint16_t f, uint16_t g, uint16_t h);

    std::map<std::wstring, sys::FixedVersionInfo> files;
};

// A clock whose sleeps take no time: they advance the clock and are recorded.
class FakeClock final : public sys::IClock {
public:
    uint64_t TickMs() override { return nowMs; }
    sys::LocalTime Now() override;
    void SleepMs(uint32_t milliseconds) override;
    int64_t UnixSeconds() override { return unixStart + int64_t((nowMs - 1000000) / 1000); }

    uint64_t nowMs = 1000000;
    int64_t unixStart = 1796722200;  // 2026-12-08 09:30:00 UTC
    sys::LocalTime start{2026, 12, 8, 9, 30, 0, 0, 2};
    std::vector<uint32_t> sleeps;
};

class FakeProgram final : public sys::IProgram {
public:
    std::wstring ExecutablePath() override { return path; }
    std::wstring path = L"C:\\Update\\TavUpdateWizard.exe";
};

// Records the programs started; a test can make starts fail and give exit codes.
class FakeLauncher final : public sys::ILauncher {
public:
    struct Start {
        std::wstring commandLine;
        bool waited;
        std::wstring program;  // empty: left to Windows to find
    };
    bool Run(const std::wstring& program, const std::wstring& commandLine, bool wait,
             uint32_t* exitCode) override;

    std::vector<Start> starts;
    // Command lines containing one of these texts cannot be started.
    std::vector<std::wstring> failing;
    uint32_t exitCode = 0;
    // False: a waited-for program's exit code cannot be read and is not given.
    bool exitCodeReadable = true;
    // Called for every started program, so a test can let it act on the fake machine.
    std::function<void(const std::wstring&)> onStart;
};

// Windows 7 64-bit by default; the token lists no Administrators group unless a test says so.
class FakeOperatingSystem final : public sys::IOperatingSystem {
public:
    sys::OsVersion Version() override { return version; }
    std::wstring Architecture() override { return architecture; }
    bool TokenListsAdministrators() override { return administrators; }
    std::wstring SystemFolder() override { return systemFolder; }

    sys::OsVersion version{6, 1};
    std::wstring architecture = L"x64";
    bool administrators = false;
    std::wstring systemFolder = L"C:\\Windows\\system32";
};

class FakeEnvironment final : public sys::IEnvironment {
public:
    bool GetVariable(const std::wstring& name, std::wstring& value) override;
    std::map<std::wstring, std::wstring> variables;  // names compared case-insensitively
};

// Special folders by CSIDL; shortcuts are recorded and written as files of the fake file
// system when its folder exists there.
class FakeShell final : public sys::IShell {
public:
    explicit FakeShell(FakeFiles* files) : files_(files) {}
    bool GetSpecialFolder(int csidl, bool create, std::wstring& path) override;
    bool CreateShortcut(const std::wstring& linkPath, const sys::ShortcutSpec& shortcut) override;

    std::map<int, std::wstring> folders;
    std::vector<std::pair<std::wstring, sys::ShortcutSpec>> shortcuts;

private:
    FakeFiles* files_;
};

// Answers questions from a script (Cancel once it runs out) and records them.
class FakeMessageBoxes final : public sys::IMessageBoxes {
public:
    struct Question {
        std::wstring text;
        std::wstring caption;
        uint32_t style;
    };
    int Show(uintptr_t owner, const std::wstring& text, const std::wstring& caption,
             uint32_t style) override;

    std::vector<int> answers;
    std::vector<Question> questions;
};

// A spooler with a print processor folder and a list of print processors; registering adds
// to the list. Each answer can be made to fail.
class FakeSpooler final : public sys::ISpooler {
public:
    bool GetPrintProcessorFolder(std::wstring& folder) override;
    bool ListPrintProcessors(std::vector<std::wstring>& names) override;
    bool RegisterPrintProcessor(const std::wstring& library, const std::wstring& name) override;

    std::wstring folder = L"C:\\Windows\\System32\\spool\\prtprocs\\x64";
    bool folderAvailable = true;
    std::vector<std::wstring> processors{L"winprint"};
    bool listable = true;
    bool addRefused = false;
    int listings = 0;
    // Every registration asked for: library, name.
    std::vector<std::pair<std::wstring, std::wstring>> added;
    // Called for every spooler call by its name, so a test can see the machine's state then.
    std::function<void(const wchar_t*)> onCall;
};

// 64-bit Windows by default. Records every switch of the redirection; either switch can be
// made to fail.
class FakeWow64 final : public sys::IWow64 {
public:
    bool Is64BitWindows() override { return is64Bit; }
    bool SetRedirection(bool enabled) override;

    bool is64Bit = true;
    bool redirected = true;
    bool offFails = false;
    bool onFails = false;
    std::vector<bool> switches;
};

// The certificate component: records every call with its arguments in order, including the
// creation and release of its objects, and answers each call from a queue of answers (a
// successful call with a true result once the queue is empty). Creation can be refused.
class FakeCertificateComponent final : public sys::ICertificateComponent {
public:
    struct Call {
        std::wstring name;  // "Create", "Release" or the method's name
        std::vector<std::wstring> arguments;
        bool operator==(const Call& other) const {
            return name == other.name && arguments == other.arguments;
        }
    };
    std::unique_ptr<sys::ICertificateSession> Create() override;

    // Answers that are not a true result: a failed HRESULT, and a success with a false result.
    static sys::ComponentCall Failed() { return {false, false, L"failed"}; }
    static sys::ComponentCall Refused() { return {true, false, L"refused"}; }

    bool creatable = true;
    std::deque<sys::ComponentCall> answers;
    std::vector<Call> calls;
    // Told of every call by its name, so a test can put it beside other events.
    std::function<void(const std::wstring&)> onCall;

private:
    class Session;
    void Record(Call call);
    sys::ComponentCall Answer();
};

class FakeMachine {
public:
    FakeMachine();
    ~FakeMachine();
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;

    FakeRegistry registry;
    FakeProcesses processes;
    FakeVersionResources versions;
    FakeClock clock;
    FakeProgram program;
    FakeFiles files;
    FakeLauncher launcher;
    FakeEnvironment environment;
    FakeShell shell{&files};
    FakeMessageBoxes messageBoxes;
    sys::Windows1252CodePage codePage;
    FakeOperatingSystem operatingSystem;
    FakeSpooler spooler;
    FakeWow64 wow64;
    FakeCertificateComponent certificates;

    // Lets the update logic use the real files of the test machine instead of the fake ones,
    // for tests whose files are read by libxml2 itself.
    void UseHostFiles();
    // Puts the fake file system back, once what libxml2 reads has been read.
    void UseFakeFiles();
    // Records folder in the product key as the installation's, so that the server's programs
    // running from it count without a service.
    void RecordInstallFolder(const std::wstring& folder);
    FakeServices services;  // ending a service's processes stops it

private:
    sys::Machine machine_;
    sys::Machine* previous_;
};

}  // namespace fakes
