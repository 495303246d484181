// Set-up for the tests that put our recording stand-ins in place of the IIS tools, the
// assembly registration program and the certificate component: their built paths, copies
// placed where programs look for them, environment variables for the test's lifetime, programs
// run to their end, and the shared logs read back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/WideText.h"
#include "system/win32/TavCertHlp.h"
#include "win/WinTestSupport.h"
#include "win/WinUpdaterSupport.h"

namespace wintest {

inline std::wstring CertificateDoubleDll() { return WindowsPathOf(TAV_CERTHLP_DOUBLE_DLL); }
inline std::wstring RegasmStandInExe() { return WindowsPathOf(TAV_REGASM_STANDIN_EXE); }
inline std::wstring ToolRecorderExe() { return WindowsPathOf(TAV_TOOL_RECORDER_EXE); }

// The folder of a path, without its trailing backslash.
inline std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

// A copy of a file at a destination, with the folders missing on the way made; on going, the
// copy and the folders it made are removed and a file that was there before is put back.
class PlacedCopy {
public:
    PlacedCopy(const std::wstring& source, std::wstring destination)
        : destination_(std::move(destination)) {
        MakeFolders(FolderOf(destination_));
        if (GetFileAttributesW(destination_.c_str()) != INVALID_FILE_ATTRIBUTES) {
            saved_ = destination_ + L".tav-saved";
            if (!MoveFileExW(destination_.c_str(), saved_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                saved_.clear();
                return;
            }
        }
        placed_ = CopyFileW(source.c_str(), destination_.c_str(), FALSE) != FALSE;
    }
    ~PlacedCopy() {
        if (placed_) DeleteFileW(destination_.c_str());
        if (!saved_.empty()) MoveFileExW(saved_.c_str(), destination_.c_str(), 0);
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) {
            RemoveDirectoryW(folder->c_str());
        }
    }
    PlacedCopy(const PlacedCopy&) = delete;
    PlacedCopy& operator=(const PlacedCopy&) = delete;

    bool Placed() const { return placed_; }

private:
    void MakeFolders(const std::wstring& folder) {
        if (folder.size() < 3 || GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return;
        }
        MakeFolders(FolderOf(folder));
        if (CreateDirectoryW(folder.c_str(), nullptr)) made_.push_back(folder);
    }

    std::wstring destination_;
    std::wstring saved_;
    std::vector<std::wstring> made_;
    bool placed_ = false;
};

// An environment variable of this process (and so of the programs it starts) for the lifetime
// of the object; the earlier value, or its absence, comes back afterwards.
class ScopedVariable {
public:
    ScopedVariable(std::wstring name, const std::wstring& value) : name_(std::move(name)) {
        wchar_t buffer[4096];
        const DWORD length = GetEnvironmentVariableW(name_.c_str(), buffer, 4096);
        if (length > 0 && length < 4096) {
            had_ = true;
            previous_.assign(buffer, length);
        }
        SetEnvironmentVariableW(name_.c_str(), value.c_str());
    }
    ~ScopedVariable() {
        SetEnvironmentVariableW(name_.c_str(), had_ ? previous_.c_str() : nullptr);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring name_;
    std::wstring previous_;
    bool had_ = false;
};

// Runs a command line to its end; its exit code, or -1 when it could not be started.
inline long RunToEnd(const std::wstring& commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(code);
}

// Where the updaters look for the .NET assembly registration program of each bitness, below a
// Windows folder (without its trailing backslash).
inline std::wstring RegasmPlace(const std::wstring& windowsFolder, const wchar_t* framework) {
    return windowsFolder + L"\\Microsoft.NET\\" + framework + L"\\v4.0.30319\\regasm.exe";
}

// The lines of a UTF-8 log; empty when there is none.
inline std::vector<std::wstring> LogLines(const std::wstring& path) {
    std::string bytes;
    std::vector<std::wstring> lines;
    if (!ReadWholeFile(path, bytes)) return lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(tav::FromUtf8(bytes.substr(start, end - start)));
    }
    if (start < bytes.size()) lines.push_back(tav::FromUtf8(bytes.substr(start)));
    return lines;
}

// The default value of the component's InprocServer32 key in a registry view (the 64-bit one
// unless told), where a process of that bitness looks; empty when the class is not registered
// there.
inline std::wstring RegisteredCertificateServer(REGSAM view = KEY_WOW64_64KEY) {
    wchar_t clsid[64] = {};
    StringFromGUID2(tavcerthlp::kClassId, clsid, 64);
    const std::wstring subkey =
        std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + clsid + L"\\InprocServer32";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ | view, &key) !=
        ERROR_SUCCESS) {
        return {};
    }
    wchar_t value[1024] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    DWORD type = REG_NONE;
    const LSTATUS status =
        RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? value : L"";
}

}  // namespace wintest
