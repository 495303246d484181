// The file system as the update logic sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/WideText.h"

namespace sys {

// A file opened for appending; closed when the object goes.
class IAppendFile {
public:
    virtual ~IAppendFile() = default;

    // Appends the bytes at the end of the file; false on a write error.
    virtual bool Write(const void* data, size_t bytes) = 0;

    // Length of the file in bytes.
    virtual uint64_t Length() = 0;
};

// File attributes, with the bits Windows gives them.
namespace FileAttribute {
constexpr uint32_t ReadOnly = 0x1;
constexpr uint32_t Hidden = 0x2;
constexpr uint32_t System = 0x4;
constexpr uint32_t Directory = 0x10;
constexpr uint32_t Archive = 0x20;
constexpr uint32_t Normal = 0x80;
// A link or junction: the path itself, not what it leads to, carries it.
constexpr uint32_t ReparsePoint = 0x400;
}  // namespace FileAttribute

// One entry of a folder listing.
struct FoundEntry {
    std::wstring name;
    bool isFolder = false;
};

enum class CreateFolderResult { Created, AlreadyExists, Failed };

// What a file is like: enough to tell whether it changed between two looks.
struct FileFacts {
    uint32_t attributes = 0;
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // in the file system's own ticks

    bool SameContentAs(const FileFacts& other) const {
        return size == other.size && lastWrite == other.lastWrite;
    }
};

// How putting a staged file in place of an installed one with a backup went.
enum class SwapResult {
    Swapped,     // the target holds the staged file; the old one is at the backup name
    Refused,     // nothing changed: every file keeps its name
    OldAtBackup  // the old file went to the backup name, but the staged file kept its own
};

// One entry of an access list: allowed or denied rights of an account (a SID in text form).
struct AccessEntry {
    static constexpr uint8_t kAllowed = 0;
    static constexpr uint8_t kDenied = 1;
    static constexpr uint8_t kObjectInherit = 0x1;
    static constexpr uint8_t kContainerInherit = 0x2;
    static constexpr uint32_t kGenericAll = 0x10000000;
    static constexpr uint32_t kDelete = 0x00010000;
    static constexpr uint32_t kWriteDac = 0x00040000;
    static constexpr uint32_t kWriteOwner = 0x00080000;
    // Reading, writing, running and deleting files and folders, without the rights to change
    // their access list or owner.
    static constexpr uint32_t kModify = 0x001301BF;

    uint8_t type = kAllowed;
    uint8_t flags = 0;
    uint32_t mask = 0;
    std::wstring sid;

    bool operator==(const AccessEntry&) const = default;
};
using AccessList = std::vector<AccessEntry>;

class IFiles {
public:
    virtual ~IFiles() = default;

    // Attributes of a file or folder; false when the path does not exist or cannot be read.
    virtual bool GetAttributes(const std::wstring& path, uint32_t& attributes) = 0;
    virtual bool SetAttributes(const std::wstring& path, uint32_t attributes) = 0;
    // Attributes, size and last-write time of a file or folder, of the path itself when it is
    // a link; false when it does not exist or cannot be read.
    virtual bool GetFacts(const std::wstring& path, FileFacts& facts) = 0;

    // Creates one folder; its parent must exist.
    virtual CreateFolderResult CreateFolder(const std::wstring& path) = 0;

    // Copies a file with its attributes; with failIfExists an existing target is an error.
    virtual bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) = 0;
    // Copies a file with its attributes and last-write time into a new file at to: fails when
    // anything is at to already (a file, or a link even to nothing), and when the file it
    // opened lies elsewhere than within (a folder above to, or to's own folder when empty)
    // and the names below it say, that is when a link or junction below within led the way
    // (the made file is removed again). Judged on the file opened, so no link is ever
    // written through.
    virtual bool CopyToNewFile(const std::wstring& from, const std::wstring& to,
                               const std::wstring& within) = 0;
    // Moves or renames a file or folder; without replaceExisting an existing target is an
    // error.
    virtual bool Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) = 0;
    // Puts staged in place of target in one step and keeps the old target under backup (a
    // name that must be free, on target's volume), the new file taking over target's access
    // list and attributes. Where the system cannot, nothing changes (Refused), or, rarely,
    // the old file is at backup already (OldAtBackup) and the caller finishes or undoes it.
    virtual SwapResult Swap(const std::wstring& target, const std::wstring& staged,
                            const std::wstring& backup) = 0;
    // Deletes a file (not a folder); a read-only file is not deleted.
    virtual bool Remove(const std::wstring& path) = 0;

    // Whether the file can be opened for writing with no sharing at all, that is whether no
    // other process has it open; the file is closed again at once.
    virtual bool CanOpenExclusively(const std::wstring& path) = 0;

    // The whole content of a file; false when it cannot be read.
    virtual bool ReadAll(const std::wstring& path, std::string& bytes) = 0;
    // Replaces the content of a file, creating it when missing.
    virtual bool WriteAll(const std::wstring& path, const std::string& bytes) = 0;

    // Files and subfolders of folder whose names match pattern ('*' and '?', letters in any
    // case, as the file system matches them), without "." and "..", in the order the file
    // system lists them; empty when the folder cannot be read. The folder may end with a
    // separator or not.
    virtual std::vector<FoundEntry> FindEntries(const std::wstring& folder,
                                                const std::wstring& pattern) = 0;

    // The access list (DACL) of a file or folder, and writing one back (the DACL only).
    virtual bool ReadAccessList(const std::wstring& path, AccessList& list) = 0;
    virtual bool WriteAccessList(const std::wstring& path, const AccessList& list) = 0;

    // Bytes free for this user on the volume that holds path.
    virtual bool FreeSpace(const std::wstring& path, uint64_t& bytes) = 0;

    // Creates an empty file with a new name in the user's temporary folder, the name starting
    // with prefix, and gives its path; false when none can be made.
    virtual bool CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) = 0;

    // Opens a file for appending, creating it when missing and never truncating it, shared for
    // reading and writing with other processes and not inherited by child processes. Null
    // when it cannot be opened (locked, missing folder, no rights).
    virtual std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path) = 0;

    // Names of the files (not the folders) in folder that match pattern, in listing order.
    std::vector<std::wstring> FindFiles(const std::wstring& folder, const std::wstring& pattern) {
        std::vector<std::wstring> names;
        for (auto& entry : FindEntries(folder, pattern)) {
            if (!entry.isFolder) names.push_back(std::move(entry.name));
        }
        return names;
    }
};

// Whether path names an existing file (a folder does not count).
inline bool IsExistingFile(IFiles& files, const std::wstring& path) {
    uint32_t attributes = 0;
    return files.GetAttributes(path, attributes) && !(attributes & FileAttribute::Directory);
}

// Whether path names an existing folder.
inline bool IsExistingFolder(IFiles& files, const std::wstring& path) {
    uint32_t attributes = 0;
    return files.GetAttributes(path, attributes) && (attributes & FileAttribute::Directory);
}

// Creates a folder; true when it was made or was already there as a folder (a file of that
// name does not count).
inline bool CreateOrFindFolder(IFiles& files, const std::wstring& path) {
    switch (files.CreateFolder(path)) {
        case CreateFolderResult::Created:
            return true;
        case CreateFolderResult::AlreadyExists:
            return IsExistingFolder(files, path);
        default:
            return false;
    }
}

// Whether a file name matches a pattern in which '*' stands for any run of characters and '?'
// for exactly one; letters compare with A-Z folded.
inline bool MatchesFilePattern(std::wstring_view name, std::wstring_view pattern) {
    size_t n = 0, p = 0;
    // Where the last '*' was and how much of the name it has taken so far.
    size_t starPattern = std::wstring_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == L'?' || tav::FoldAscii(pattern[p]) == tav::FoldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::wstring_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

}  // namespace sys
