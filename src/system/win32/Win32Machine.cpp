// The machine of the Windows build: clock, program facts and the real implementations.
#include <windows.h>

#include <ctime>
#include <vector>

#include "system/Machine.h"
#include "system/win32/Win32CertificateComponent.h"
#include "system/win32/Win32CodePage.h"
#include "system/win32/Win32Files.h"
#include "system/win32/Win32Launcher.h"
#include "system/win32/Win32OperatingSystem.h"
#include "system/win32/Win32Processes.h"
#include "system/win32/Win32Registry.h"
#include "system/win32/Win32Services.h"
#include "system/win32/Win32Shell.h"
#include "system/win32/Win32Spooler.h"
#include "system/win32/Win32VersionResources.h"
#include "system/win32/Win32Wow64.h"

namespace sys {
namespace {

class Win32Clock final : public IClock {
public:
    uint64_t TickMs() override { return GetTickCount64(); }
    LocalTime Now() override {
        SYSTEMTIME st{};
        GetLocalTime(&st);
        return LocalTime{st.wYear,   st.wMonth,  st.wDay,          st.wHour,
                         st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek};
    }
    int64_t UnixSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
    void SleepMs(uint32_t milliseconds) override { Sleep(milliseconds); }
};

class Win32Program final : public IProgram {
public:
    std::wstring ExecutablePath() override {
        std::vector<wchar_t> buffer(MAX_PATH);
        for (;;) {
            const DWORD length =
                GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) return {};
            if (length < buffer.size()) return std::wstring(buffer.data(), length);
            if (buffer.size() >= 32768) return {};
            buffer.resize(buffer.size() * 2);
        }
    }
};

class Win32Environment final : public IEnvironment {
public:
    bool GetVariable(const std::wstring& name, std::wstring& value) override {
        std::vector<wchar_t> buffer(256);
        for (;;) {
            SetLastError(ERROR_SUCCESS);
            const DWORD length = GetEnvironmentVariableW(name.c_str(), buffer.data(),
                                                         static_cast<DWORD>(buffer.size()));
            if (length == 0) {
                if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
                value.clear();
                return true;
            }
            if (length < buffer.size()) {
                value.assign(buffer.data(), length);
                return true;
            }
            buffer.resize(length);
        }
    }
};

class Win32MessageBoxes final : public IMessageBoxes {
public:
    int Show(uintptr_t ownerWindow, const std::wstring& text, const std::wstring& caption,
             uint32_t style) override {
        return MessageBoxW(reinterpret_cast<HWND>(ownerWindow), text.c_str(), caption.c_str(),
                           style);
    }
};

}  // namespace

Machine& HostMachine() {
    static win32::Win32Registry registry;
    static win32::Win32Processes processes;
    static win32::Win32VersionResources versions;
    static Win32Clock clock;
    static Win32Program program;
    static win32::Win32Files files;
    static win32::Win32Services services;
    static win32::Win32Launcher launcher;
    static Win32Environment environment;
    static win32::Win32Shell shell;
    static Win32MessageBoxes messageBoxes;
    static win32::Win32CodePage codePage;
    static win32::Win32OperatingSystem operatingSystem;
    static win32::Win32Spooler spooler;
    static win32::Win32Wow64 wow64;
    static win32::Win32CertificateComponent certificates;
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
