// An in-memory file system for native tests. Paths are Windows paths (backslashes; slashes are
// taken as backslashes), matched case-insensitively; a path without a backslash is a drive or
// share root that always exists. A file or folder can only be made inside an existing folder.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "system/Files.h"

namespace fakes {

class FakeFiles final : public sys::IFiles {
public:
    std::unique_ptr<sys::IAppendFile> OpenForAppend(const std::wstring& path) override;
    bool GetAttributes(const std::wstring& path, uint32_t& attributes) override;
    bool SetAttributes(const std::wstring& path, uint32_t attributes) override;
    bool GetFacts(const std::wstring& path, sys::FileFacts& facts) override;
    sys::CreateFolderResult CreateFolder(const std::wstring& path) override;
    bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override;
    bool CopyToNewFile(const std::wstring& from, const std::wstring& to,
                       const std::wstring& within) override;
    bool Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) override;
    // As ReplaceFileW: the new file takes over the old one's attributes and access list.
    sys::SwapResult Swap(const std::wstring& target, const std::wstring& staged,
                         const std::wstring& backup) override;
    bool Remove(const std::wstring& path) override;
    bool CanOpenExclusively(const std::wstring& path) override;
    bool ReadAll(const std::wstring& path, std::string& bytes) override;
    bool WriteAll(const std::wstring& path, const std::string& bytes) override;
    // Entries in the order they were created, names spelled as at their creation.
    std::vector<sys::FoundEntry> FindEntries(const std::wstring& folder,
                                             const std::wstring& pattern) override;
    bool ReadAccessList(const std::wstring& path, sys::AccessList& list) override;
    bool WriteAccessList(const std::wstring& path, const sys::AccessList& list) override;
    bool FreeSpace(const std::wstring& path, uint64_t& bytes) override;
    bool CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) override;

    // Set-up: files and folders with all missing folders above them.
    void AddFile(const std::wstring& path, const std::string& content = std::string(),
                 uint32_t attributes = sys::FileAttribute::Archive);
    void AddFolder(const std::wstring& path);

    // Inspection.
    std::string Read(const std::wstring& path) const;
    bool Exists(const std::wstring& path) const;  // a file
    bool FolderExists(const std::wstring& path) const;
    uint32_t Attributes(const std::wstring& path) const;  // 0 when missing
    // Every path below folder (or everywhere), in creation order, with folders ending in '\'.
    std::vector<std::wstring> List(const std::wstring& folder = std::wstring()) const;

    // Failures a test can arrange.
    // A locked file cannot be opened, read, copied, moved or deleted (another process holds
    // it without sharing). With attempts > 0 it frees itself after that many refused
    // CanOpenExclusively calls.
    void Lock(const std::wstring& path, int attempts = 0);
    void Unlock(const std::wstring& path);
    // A file that cannot be deleted (nor replaced by a move), or cannot be moved (renamed).
    void DenyDelete(const std::wstring& path);
    void DenyMove(const std::wstring& path);
    // A folder in which nothing can be created.
    void DenyCreateIn(const std::wstring& folder);
    // Every write fails after this many more bytes have been written (a full disk).
    void FailWritesAfter(size_t bytes);

    int opens = 0;                  // successful OpenForAppend calls
    int exclusiveAttempts = 0;      // CanOpenExclusively calls
    uint64_t freeBytes = 100ull << 30;
    bool freeSpaceReadable = true;
    std::vector<std::wstring> freeSpacePaths;  // every FreeSpace query, in order
    int temporaryFiles = 0;         // CreateTemporaryFile calls that made a file
    bool accessListsWritable = true;  // false: every WriteAccessList fails
    // How every Swap ends: as it should, refused, or with the old file moved to the backup
    // name and the staged one left where it was.
    sys::SwapResult swapsEnd = sys::SwapResult::Swapped;
    int swaps = 0;  // Swap calls

private:
    friend class FakeAppendFile;
    struct Node {
        std::wstring path;  // as first spelled
        bool folder = false;
        std::string content;
        uint32_t attributes = 0;
        int lockedAttempts = -1;  // -1: not locked; 0: locked for good; n: frees after n tries
        bool deleteDenied = false;
        bool moveDenied = false;
        bool createDenied = false;
        sys::AccessList access;
        uint64_t written = 0;  // when it was last written, in write order
    };

    static std::wstring Key(const std::wstring& path);
    static std::wstring Parent(const std::wstring& key);
    Node* Find(const std::wstring& path);
    const Node* Find(const std::wstring& path) const;
    bool CanCreateIn(const std::wstring& key) const;
    Node& Make(const std::wstring& path, bool folder);
    void MakeParents(const std::wstring& path);
    bool Write(Node& node, const std::string& bytes, bool append);

    mutable std::mutex mutex_;
    std::map<std::wstring, Node> nodes_;
    std::vector<std::wstring> order_;  // keys in creation order
    size_t writeBudget_ = static_cast<size_t>(-1);
    uint64_t writes_ = 0;
};

}  // namespace fakes
