// Set-up for the tests that run under Wine: paths of the helper executables, a registry key
// of the test's own, raw registry access to check what the code under test wrote, and a
// child process that is ended when the test ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wintest {

// The path a Windows program sees for a Unix path under Wine (the Unix root is drive Z:).
std::wstring WindowsPathOf(std::string_view unixPath);

// The helper executables built beside the tests.
std::wstring ProbeExe();      // file version 1.2.3.4, product version 5.6.7.8
std::wstring Probe1000Exe();  // file version 1.2.3.1000, product version 1.2.3.999
std::wstring PlainExe();      // no version resource

// A key HKEY_LOCAL_MACHINE\SOFTWARE\<name> that one test owns, removed in both registry views
// when the object is made and again when it goes.
class ScratchKey {
public:
    explicit ScratchKey(std::wstring name);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    // Full path as the containers take it, optionally with a relative subkey appended.
    std::wstring Path(std::wstring_view below = {}) const;

    // Raw access below the key in one view; below is relative ("" for the key itself).
    bool Write(bool view64, std::wstring_view below, std::wstring_view name, DWORD type,
               const void* data, size_t bytes) const;
    bool WriteString(bool view64, std::wstring_view below, std::wstring_view name,
                     std::wstring_view text, DWORD type = REG_SZ) const;
    bool WriteDword(bool view64, std::wstring_view below, std::wstring_view name,
                    DWORD value) const;
    bool Exists(bool view64, std::wstring_view below = {}) const;

    struct RawValue {
        bool present = false;
        DWORD type = REG_NONE;
        std::vector<uint8_t> bytes;
    };
    RawValue Read(bool view64, std::wstring_view below, std::wstring_view name) const;

private:
    std::wstring Subkey(std::wstring_view below) const;
    void RemoveEverywhere() const;

    std::wstring name_;
};

// UTF-16LE bytes of the text with its terminating zero, as a REG_SZ holds it.
std::vector<uint8_t> StringBytes(std::wstring_view text);

// A process started from a command line, ended and waited for when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(const std::wstring& commandLine);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return info_.hProcess != nullptr; }
    DWORD Id() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_{};
};

// Service names are machine-wide and the manager looks for any running server program, so the
// run tests in one Wine prefix, and test programs sharing it, take turns.
class MachineWideTurn {
public:
    MachineWideTurn() : mutex_(CreateMutexW(nullptr, FALSE, L"TavUpdateRunWinTest")) {
        if (!mutex_) return;
        const DWORD waited = WaitForSingleObject(mutex_, 10 * 60 * 1000);
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~MachineWideTurn() {
        if (owned_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    MachineWideTurn(const MachineWideTurn&) = delete;
    MachineWideTurn& operator=(const MachineWideTurn&) = delete;
    bool Owned() const { return owned_; }

private:
    HANDLE mutex_;
    bool owned_ = false;
};

}  // namespace wintest
