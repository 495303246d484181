// One line appended to the log that the recording stand-ins share: the file named by
// TAV_TOOL_LOG, in UTF-8, one line a call; nothing when the variable is not set.
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

// Appends "<program name>|<whole command line>"; false when the log could not be written.
inline bool AppendCall() {
    const std::wstring log = LogPath();
    if (log.empty()) return true;
    const std::wstring line = ProgramName() + L"|" + GetCommandLineW() + L"\n";
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string text(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), text.data(), bytes,
                        nullptr, nullptr);
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    CloseHandle(file);
    return ok;
}

}  // namespace toollog
