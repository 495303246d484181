// Result files of the Windows build: opened without following a reparse point, and refused when
// what was opened is one.
#include <windows.h>

#include "system/ResultFile.h"

namespace sys {

bool WriteResultFile(const std::wstring& path, const std::string& bytes, std::string& error) {
    const DWORD before = GetFileAttributesW(path.c_str());
    if (before != INVALID_FILE_ATTRIBUTES && (before & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        error = (before & FILE_ATTRIBUTE_DIRECTORY) ? "it is a folder" : "a link stands in its place";
        return false;
    }
    // OPEN_ALWAYS, then the checks, then the truncation: a link made in between is never written
    // through.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "it cannot be opened (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    bool ok = GetFileInformationByHandle(file, &info) &&
              !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!ok) error = "a link stands in its place";
    ok = ok && SetEndOfFile(file);
    DWORD written = 0;
    ok = ok && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
    if (!ok && error.empty()) error = "it cannot be written (error " + std::to_string(GetLastError()) + ")";
    if (!CloseHandle(file) && ok) {
        error = "it cannot be written";
        ok = false;
    }
    return ok;
}

}  // namespace sys
