// The file system of Windows.
#include "system/win32/Win32Files.h"

#include <windows.h>

namespace sys::win32 {
namespace {

class Win32AppendFile final : public IAppendFile {
public:
    explicit Win32AppendFile(HANDLE file) : file_(file) {}
    ~Win32AppendFile() override { CloseHandle(file_); }
    Win32AppendFile(const Win32AppendFile&) = delete;
    Win32AppendFile& operator=(const Win32AppendFile&) = delete;

    bool Write(const void* data, size_t bytes) override {
        const char* p = static_cast<const char*>(data);
        while (bytes > 0) {
            const DWORD chunk = bytes > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes);
            DWORD written = 0;
            if (!WriteFile(file_, p, chunk, &written, nullptr) || written == 0) return false;
            p += written;
            bytes -= written;
        }
        return true;
    }

    uint64_t Length() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(file_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }

private:
    HANDLE file_;
};

// A search handle of FindFirstFileW, closed when the object goes.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

}  // namespace

std::unique_ptr<IAppendFile> Win32Files::OpenForAppend(const std::wstring& path) {
    SECURITY_ATTRIBUTES notInherited{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    // Append access alone makes every write land at the end of the file.
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, &notInherited, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32AppendFile>(file);
}

std::vector<std::wstring> Win32Files::FindFiles(const std::wstring& folder,
                                                const std::wstring& pattern) {
    std::vector<std::wstring> names;
    std::wstring query = folder;
    if (!query.empty() && query.back() != L'\\' && query.back() != L'/') query += L'\\';
    query += pattern;
    WIN32_FIND_DATAW found{};
    const FindHandle search(FindFirstFileW(query.c_str(), &found));
    if (search.Get() == INVALID_HANDLE_VALUE) return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(search.Get(), &found));
    return names;
}

}  // namespace sys::win32
