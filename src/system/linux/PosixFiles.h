// The file system of the Linux build; paths may use backslashes or slashes.
#pragma once

#include "system/Files.h"

namespace sys::posix {

class PosixFiles final : public IFiles {
public:
    std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path) override;
    bool GetAttributes(const std::wstring& path, uint32_t& attributes) override;
    bool SetAttributes(const std::wstring& path, uint32_t attributes) override;
    bool GetFacts(const std::wstring& path, FileFacts& facts) override;
    CreateFolderResult CreateFolder(const std::wstring& path) override;
    bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override;
    bool CopyToNewFile(const std::wstring& from, const std::wstring& to,
                       const std::wstring& within) override;
    bool Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) override;
    SwapResult Swap(const std::wstring& target, const std::wstring& staged,
                    const std::wstring& backup) override;
    bool Remove(const std::wstring& path) override;
    bool CanOpenExclusively(const std::wstring& path) override;
    bool ReadAll(const std::wstring& path, std::string& bytes) override;
    bool WriteAll(const std::wstring& path, const std::string& bytes) override;
    std::vector<FoundEntry> FindEntries(const std::wstring& folder,
                                        const std::wstring& pattern) override;
    bool ReadAccessList(const std::wstring& path, AccessList& list) override;
    bool WriteAccessList(const std::wstring& path, const AccessList& list) override;
    bool FreeSpace(const std::wstring& path, uint64_t& bytes) override;
    bool CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) override;
};

}  // namespace sys::posix
