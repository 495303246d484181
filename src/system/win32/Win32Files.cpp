// The file system of Windows.
#include "system/win32/Win32Files.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace sys::win32 {
namespace {

// A file handle of CreateFileW, closed when the object goes.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (IsOpen()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE handle_;
};

// Writes all the bytes, in pieces WriteFile can take.
bool WriteFully(HANDLE file, const void* data, size_t bytes) {
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const DWORD chunk = bytes > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        bytes -= written;
    }
    return true;
}

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

// A file opened for appending.
class Win32AppendFile final : public IAppendFile {
public:
    explicit Win32AppendFile(HANDLE file) : file_(file) {}

    bool Write(const void* data, size_t bytes) override {
        return WriteFully(file_.Get(), data, bytes);
    }

    uint64_t Length() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(file_.Get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }

private:
    FileHandle file_;
};

// The path an open handle names, every link and junction on its way resolved, without the
// "\\?\" prefix; empty when it cannot be told.
std::wstring FinalPath(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::wstring();
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + path.substr(7);
            if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
            return path;
        }
        buffer.resize(length + 1);
    }
}

// The final path of a folder, without a separator at its end.
std::wstring FinalFolderPath(const std::wstring& folder) {
    const FileHandle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::wstring path = handle.IsOpen() ? FinalPath(handle.Get()) : std::wstring();
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// Removes the file behind an open handle, whatever name leads to it.
void DeleteByHandle(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition));
}

}  // namespace

std::unique_ptr<IAppendFile> Win32Files::OpenForAppend(const std::wstring& path) {
    SECURITY_ATTRIBUTES notInherited{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    // Append access alone makes every write land at the end of the file.
    FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, &notInherited, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return nullptr;
    return std::make_unique<Win32AppendFile>(file.Release());
}

bool Win32Files::GetAttributes(const std::wstring& path, uint32_t& attributes) {
    const DWORD found = GetFileAttributesW(path.c_str());
    if (found == INVALID_FILE_ATTRIBUTES) return false;
    attributes = found;
    return true;
}

bool Win32Files::GetFacts(const std::wstring& path, FileFacts& facts) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    facts.attributes = data.dwFileAttributes;
    facts.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts.lastWrite = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
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

bool Win32Files::CopyToNewFile(const std::wstring& from, const std::wstring& to, const std::wstring& within) {
    // Both spelled with backslashes, to compare them with what the system names.
    std::wstring target = to, folder = within;
    for (std::wstring* path : {&target, &folder}) std::replace(path->begin(), path->end(), L'/', L'\\');
    if (folder.empty()) {
        const size_t slash = target.rfind(L'\\');
        if (slash == std::wstring::npos) return false;
        folder = target.substr(0, slash);
    }
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (target.size() <= folder.size() + 1 || !SameName(target.substr(0, folder.size()), folder) ||
        target[folder.size()] != L'\\') {
        return false;
    }
    const FileHandle source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!source.IsOpen() || !GetFileInformationByHandle(source.Get(), &info)) return false;
    // A new name only: an existing file, or a link even to nothing, makes this fail.
    const FileHandle made(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!made.IsOpen()) return false;
    // What was opened must be the name below within, with no link or junction on the way.
    // The folder's own final path is looked up once for a run of copies into it; what decides
    // is still the final path of each file made.
    thread_local std::wstring lastFolder, lastRoot;
    if (lastFolder.empty() || !SameName(lastFolder, folder)) {
        lastRoot = FinalFolderPath(folder);
        lastFolder = lastRoot.empty() ? std::wstring() : folder;
    }
    const std::wstring root = lastRoot;
    if (root.empty() || !SameName(FinalPath(made.Get()), root + target.substr(folder.size()))) {
        DeleteByHandle(made.Get());
        return false;
    }
    // One buffer for every copy of the thread: a fresh megabyte a file costs more than a small
    // file's copy.
    thread_local std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) ||
            (read > 0 && !WriteFully(made.Get(), buffer.data(), read))) {
            DeleteByHandle(made.Get());
            return false;
        }
        if (read == 0) break;
    }
    // The copy keeps the source's attributes and last-write time, as a copy by name does.
    FILE_BASIC_INFO basic{};
    basic.LastWriteTime.LowPart = info.ftLastWriteTime.dwLowDateTime;
    basic.LastWriteTime.HighPart = static_cast<LONG>(info.ftLastWriteTime.dwHighDateTime);
    basic.FileAttributes = info.dwFileAttributes & ~FILE_ATTRIBUTE_DIRECTORY;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(made.Get(), FileBasicInfo, &basic, sizeof(basic))) {
        DeleteByHandle(made.Get());
        return false;
    }
    return true;
}

SwapResult Win32Files::Swap(const std::wstring& target, const std::wstring& staged,
                            const std::wstring& backup) {
    // ReplaceFileW would overwrite a file at the backup's name; no link is followed there either.
    if (GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) return SwapResult::Refused;
    if (ReplaceFileW(target.c_str(), staged.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr)) {
        return SwapResult::Swapped;
    }
    // Only this error leaves a file under another name than before; with a backup name given,
    // every other one leaves each file under its own.
    return GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 ? SwapResult::OldAtBackup
                                                                : SwapResult::Refused;
}

bool Win32Files::Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) {
    // Windows refuses to replace a read-only file; not every file system checks it for us.
    const DWORD target = GetFileAttributesW(to.c_str());
    if (replaceExisting && target != INVALID_FILE_ATTRIBUTES &&
        (target & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExW(from.c_str(), to.c_str(), replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0) !=
           FALSE;
}

bool Win32Files::Remove(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool Win32Files::CanOpenExclusively(const std::wstring& path) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen();
}

bool Win32Files::ReadAll(const std::wstring& path, std::string& bytes) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return false;
    // Read straight into a buffer of the file's size; one spare byte finds the end without
    // growing it, and a file that grows meanwhile is read to its new end.
    std::string content(static_cast<size_t>(size.QuadPart) + 1, '\0');
    size_t filled = 0;
    for (;;) {
        if (filled == content.size()) content.resize(content.size() * 2);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - filled, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(file.Get(), content.data() + filled, chunk, &read, nullptr)) return false;
        if (read == 0) break;
        filled += read;
    }
    content.resize(filled);
    bytes.swap(content);
    return true;
}

bool Win32Files::WriteAll(const std::wstring& path, const std::string& bytes) {
    // CREATE_ALWAYS would refuse an existing hidden or system file; truncating keeps them.
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen() || !SetEndOfFile(file.Get())) return false;
    return WriteFully(file.Get(), bytes.data(), bytes.size());
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
    // The free-space query takes folders only; the volume's root also serves files and paths
    // that do not exist yet.
    std::vector<wchar_t> root(path.size() + MAX_PATH);
    if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        return false;
    }
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(root.data(), &available, nullptr, nullptr)) return false;
    bytes = available.QuadPart;
    return true;
}

bool Win32Files::CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return false;
    wchar_t name[MAX_PATH] = {};
    if (!GetTempFileNameW(folder, prefix.c_str(), 0, name)) return false;
    path = name;
    return true;
}

}  // namespace sys::win32
