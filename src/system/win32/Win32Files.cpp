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

bool Win32Files::GetAttributes(const std::wstring& path, uint32_t& attributes) {
    const DWORD found = GetFileAttributesW(path.c_str());
    if (found == INVALID_FILE_ATTRIBUTES) return false;
    attributes = found;
    return true;
}

bool Win32Files::SetAttributes(const std::wstring& path, uint32_t attributes) {
    return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

CreateFolderResult Win32Files::CreateFolder(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) return CreateFolderResult::Created;
    return GetLastError() == ERROR_ALREADY_EXISTS ? CreateFolderResult::AlreadyExists
                                                  : CreateFolderResult::Failed;
}

bool Win32Files::Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) {
    return CopyFileW(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
}

bool Win32Files::Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) {
    return MoveFileExW(from.c_str(), to.c_str(), replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0) !=
           FALSE;
}

bool Win32Files::Remove(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool Win32Files::CanOpenExclusively(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool Win32Files::ReadAll(const std::wstring& path, std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string content;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
            ok = false;
            break;
        }
        if (read == 0) break;
        content.append(buffer, read);
    }
    CloseHandle(file);
    if (ok) bytes.swap(content);
    return ok;
}

bool Win32Files::WriteAll(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    Win32AppendFile writer(file);  // closes the handle
    return writer.Write(bytes.data(), bytes.size());
}

std::vector<FoundEntry> Win32Files::FindEntries(const std::wstring& folder,
                                                const std::wstring& pattern) {
    std::vector<FoundEntry> entries;
    std::wstring query = folder;
    if (!query.empty() && query.back() != L'\\' && query.back() != L'/') query += L'\\';
    query += pattern;
    WIN32_FIND_DATAW found{};
    const FindHandle search(FindFirstFileW(query.c_str(), &found));
    if (search.Get() == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        entries.push_back(FoundEntry{name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(search.Get(), &found));
    return entries;
}

bool Win32Files::FreeSpace(const std::wstring& path, uint64_t& bytes) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(path.c_str(), &available, nullptr, nullptr)) return false;
    bytes = available.QuadPart;
    return true;
}

}  // namespace sys::win32
