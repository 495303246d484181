// A folder of a test's own below the Windows temporary folder, removed with everything in it
// (read-only files too) when the object goes.
#pragma once

#include <windows.h>

#include <string>

namespace wintest {

class WinScratchFolder {
public:
    WinScratchFolder() {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        std::wstring base(temp, length);
        if (!base.empty() && base.back() != L'\\') base += L'\\';
        for (unsigned attempt = 0; attempt < 1000; ++attempt) {
            path_ = base + L"tav-win-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(attempt);
            if (CreateDirectoryW(path_.c_str(), nullptr)) return;
        }
        path_.clear();
    }
    ~WinScratchFolder() {
        if (!path_.empty()) RemoveTree(path_);
    }
    WinScratchFolder(const WinScratchFolder&) = delete;
    WinScratchFolder& operator=(const WinScratchFolder&) = delete;

    bool Made() const { return !path_.empty(); }
    // The folder itself (no trailing backslash), or a path below it.
    const std::wstring& Path() const { return path_; }
    std::wstring PathOf(const std::wstring& below) const { return path_ + L"\\" + below; }

    // Deletes a folder with everything below it, read-only files too.
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring path = folder + L"\\" + name;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path);
                } else {
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }

private:
    std::wstring path_;
};

}  // namespace wintest
