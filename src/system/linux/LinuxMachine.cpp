// The machine of the Linux build: a real clock, program path, environment and file system,
// Windows-1252 as the code page and fixed operating system facts; no registry, Windows
// processes, version resources, services, launching, shell, message boxes or spooler, each of
// which answers as unavailable.
#include "system/Machine.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "base/WideText.h"
#include "system/linux/PosixFiles.h"

namespace sys {
namespace {

class NoRegistry final : public IRegistry {
public:
    std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot, const std::wstring&, RegistryView,
                                          RegistryAccess) override {
        return nullptr;
    }
    std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot, const std::wstring&,
                                            RegistryView) override {
        return nullptr;
    }
};

class NoProcesses final : public IProcesses {
public:
    bool Walk(const std::function<bool(uint32_t, const std::wstring&)>&) override { return false; }
    bool SetDebugPrivilege(bool) override { return false; }
    bool Terminate(uint32_t) override { return false; }
};

class NoServices final : public IServices {
public:
    std::unique_ptr<IServiceManager> Connect() override { return nullptr; }
};

class NoVersionResources final : public IVersionResources {
public:
    bool ReadFixedInfo(const std::wstring&, FixedVersionInfo&) override { return false; }
};

class SteadyClock final : public IClock {
public:
    uint64_t TickMs() override {
        using namespace std::chrono;
        return static_cast<uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    LocalTime Now() override {
        using namespace std::chrono;
        const auto now = system_clock::now();
        const std::time_t seconds = system_clock::to_time_t(now);
        std::tm parts{};
        localtime_r(&seconds, &parts);
        LocalTime t;
        t.year = parts.tm_year + 1900;
        t.month = parts.tm_mon + 1;
        t.day = parts.tm_mday;
        t.hour = parts.tm_hour;
        t.minute = parts.tm_min;
        t.second = parts.tm_sec;
        t.millisecond =
            static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
        t.dayOfWeek = parts.tm_wday;
        return t;
    }
    int64_t UnixSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
    void SleepMs(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

class LinuxProgram final : public IProgram {
public:
    std::wstring ExecutablePath() override {
        char buffer[4096];
        const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0) return {};
        return tav::FromUtf8(std::string_view(buffer, static_cast<size_t>(n)));
    }
};

// No programs are started from the Linux build.
class NoLauncher final : public ILauncher {
public:
    bool Run(const std::wstring&, const std::wstring&, bool, uint32_t*) override {
        return false;
    }
};

class PosixEnvironment final : public IEnvironment {
public:
    bool GetVariable(const std::wstring& name, std::wstring& value) override {
        const char* found = std::getenv(tav::ToUtf8(name).c_str());
        if (!found) return false;
        value = tav::FromUtf8(found);
        return true;
    }
};

class NoShell final : public IShell {
public:
    bool GetSpecialFolder(int, bool, std::wstring&) override { return false; }
    bool CreateShortcut(const std::wstring&, const ShortcutSpec&) override { return false; }
};

// Nobody can be asked: every question is answered with Cancel.
class NoMessageBoxes final : public IMessageBoxes {
public:
    int Show(uintptr_t, const std::wstring&, const std::wstring&, uint32_t) override {
        return MessageAnswer::Cancel;
    }
};

// The reduced Linux machine answers as a later 64-bit Windows would to a program without a
// manifest entry for it, run by an account that is not an administrator.
class FixedOperatingSystem final : public IOperatingSystem {
public:
    OsVersion Version() override { return OsVersion{6, 2}; }
    std::wstring Architecture() override { return L"x64"; }
    bool TokenListsAdministrators() override { return false; }
    std::wstring SystemFolder() override { return {}; }
};

// No spooler to ask.
class NoSpooler final : public ISpooler {
public:
    bool GetPrintProcessorFolder(std::wstring&) override { return false; }
    bool ListPrintProcessors(std::vector<std::wstring>&) override { return false; }
    bool RegisterPrintProcessor(const std::wstring&, const std::wstring&) override { return false; }
};

// As the 64-bit program on 64-bit Windows: never redirected.
class FixedWow64 final : public IWow64 {
public:
    bool Is64BitWindows() override { return true; }
    bool SetRedirection(bool) override { return true; }
};

// No COM to create the certificate component with.
class NoCertificateComponent final : public ICertificateComponent {
public:
    std::unique_ptr<ICertificateSession> Create() override { return nullptr; }
};

}  // namespace

Machine& HostMachine() {
    static NoRegistry registry;
    static NoProcesses processes;
    static NoVersionResources versions;
    static SteadyClock clock;
    static LinuxProgram program;
    static posix::PosixFiles files;
    static NoLauncher launcher;
    static PosixEnvironment environment;
    static NoShell shell;
    static NoMessageBoxes messageBoxes;
    static NoServices services;
    static Windows1252CodePage codePage;
    static FixedOperatingSystem operatingSystem;
    static NoSpooler spooler;
    static FixedWow64 wow64;
    static NoCertificateComponent certificates;
    static Machine machine = [] {
        Machine m;
        m.registry = &registry;
        m.processes = &processes;
        m.versions = &versions;
        m.clock = &clock;
        m.program = &program;
        m.files = &files;
        m.services = &services;
        m.launcher = &launcher;
        m.environment = &environment;
        m.shell = &shell;
        m.messageBoxes = &messageBoxes;
        m.codePage = &codePage;
        m.operatingSystem = &operatingSystem;
        m.spooler = &spooler;
        m.wow64 = &wow64;
        m.certificates = &certificates;
        return m;
    }();
    return machine;
}

}  // namespace sys
