// Lines appended to the logs that the recording stand-ins share (the one named by TAV_TOOL_LOG
// among them), in UTF-8, one line a call.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace toollog {

inline std::wstring LogPath() {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(L"TAV_TOOL_LOG", buffer.data(),
                                                     static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

// The file name of the running program, such as "cscript.exe".
inline std::wstring ProgramName() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    const std::wstring full(path, length);
    const size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

// Appends one line to a log, under a machine-wide lock: the programs that write into one log
// may run at the same time (a program started without waiting), and appends of two processes
// could otherwise land at the same place. False when the line could not be written.
inline bool AppendLine(const std::wstring& log, const std::wstring& line) {
    const std::wstring withEnd = line + L"\n";
    const int bytes = WideCharToMultiByte(
        CP_UTF8, 0, withEnd.data(), static_cast<int>(withEnd.size()), nullptr, 0, nullptr, nullptr);
    std::string text(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, withEnd.data(), static_cast<int>(withEnd.size()), text.data(),
                        bytes, nullptr, nullptr);
    HANDLE lock = CreateMutexW(nullptr, FALSE, L"TavToolLogAppend");
    if (lock) WaitForSingleObject(lock, 10000);
    bool ok = false;
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
             written == text.size();
        CloseHandle(file);
    }
    if (lock) {
        ReleaseMutex(lock);
        CloseHandle(lock);
    }
    return ok;
}

// Appends "<program name>|<whole command line>" to the log of TAV_TOOL_LOG; true when written
// or when no log is asked for.
inline bool AppendCall() {
    const std::wstring log = LogPath();
    if (log.empty()) return true;
    return AppendLine(log, ProgramName() + L"|" + GetCommandLineW());
}

}  // namespace toollog
