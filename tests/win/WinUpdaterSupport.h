// Set-up for the updater and run tests under Wine: the real machine with the wizard's program
// placed in a folder of the test's own, and whole files read back as bytes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "system/Machine.h"

namespace wintest {

// A running program that seems to be the given one.
class FixedProgram final : public sys::IProgram {
public:
    explicit FixedProgram(std::wstring path) : path_(std::move(path)) {}
    std::wstring ExecutablePath() override { return path_; }

private:
    std::wstring path_;
};

// The host machine, except that the running program seems to be programPath; current while
// the object lives.
class ProgramElsewhere {
public:
    explicit ProgramElsewhere(std::wstring programPath)
        : program_(std::move(programPath)), machine_(sys::HostMachine()) {
        machine_.program = &program_;
        previous_ = sys::ReplaceCurrentMachine(&machine_);
    }
    ~ProgramElsewhere() { sys::ReplaceCurrentMachine(previous_); }
    ProgramElsewhere(const ProgramElsewhere&) = delete;
    ProgramElsewhere& operator=(const ProgramElsewhere&) = delete;

private:
    FixedProgram program_;
    sys::Machine machine_;
    sys::Machine* previous_ = nullptr;
};

// The real machine, except that the wizard seems to run from wizardProgram and the server
// seems to run from installFolder\Qelsrv.exe, so that the manager takes its package, install
// and backup folders from there.
class StagedMachine {
public:
    StagedMachine(std::wstring wizardProgram, std::wstring serverProgram)
        : program_(std::move(wizardProgram)), processes_(serverProgram),
          machine_(sys::HostMachine()) {
        machine_.program = &program_;
        machine_.processes = &processes_;
        previous_ = sys::ReplaceCurrentMachine(&machine_);
        // Without a service the server's process counts only in the folder the product key
        // records; the value there before is put back when the object goes.
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kelmark\\Tav", 0, nullptr, 0,
                            KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, nullptr, &product_,
                            nullptr) != ERROR_SUCCESS) {
            product_ = nullptr;
            return;
        }
        wchar_t old[MAX_PATH] = {};
        DWORD bytes = sizeof old;
        hadRecorded_ = RegGetValueW(product_, nullptr, kRecorded, RRF_RT_REG_SZ, nullptr, old,
                                    &bytes) == ERROR_SUCCESS;
        if (hadRecorded_) recorded_ = old;
        const std::wstring folder = serverProgram.substr(0, serverProgram.rfind(L'\\') + 1);
        RegSetValueExW(product_, kRecorded, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    ~StagedMachine() {
        if (product_) {
            if (hadRecorded_) {
                RegSetValueExW(product_, kRecorded, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(recorded_.c_str()),
                               static_cast<DWORD>((recorded_.size() + 1) * sizeof(wchar_t)));
            } else {
                RegDeleteValueW(product_, kRecorded);
            }
            RegCloseKey(product_);
        }
        sys::ReplaceCurrentMachine(previous_);
    }
    StagedMachine(const StagedMachine&) = delete;
    StagedMachine& operator=(const StagedMachine&) = delete;

private:
    class OneProcess final : public sys::IProcesses {
    public:
        explicit OneProcess(std::wstring path) : path_(std::move(path)) {}
        bool Walk(const std::function<bool(uint32_t, const std::wstring&)>& visit) override {
            visit(4242, path_);
            return true;
        }
        bool SetDebugPrivilege(bool) override { return true; }
        bool Terminate(uint32_t) override { return false; }

    private:
        std::wstring path_;
    };

    static constexpr const wchar_t* kRecorded = L"JawsEnginePath";

    FixedProgram program_;
    OneProcess processes_;
    sys::Machine machine_;
    sys::Machine* previous_ = nullptr;
    HKEY product_ = nullptr;
    bool hadRecorded_ = false;
    std::wstring recorded_;
};

// A handle of CreateFileW, closed when it goes.
class OpenFile {
public:
    explicit OpenFile(HANDLE handle) : handle_(handle) {}
    ~OpenFile() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    HANDLE Get() const { return handle_; }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

// Creates a file with the given content; false when it cannot be written.
inline bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    OpenFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsOpen() &&
           WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

// The content of a file that others may have open for writing; false when it cannot be read.
inline bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    OpenFile file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return false;
    bytes.clear();
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return true;
}

}  // namespace wintest
