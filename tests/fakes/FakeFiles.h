// An in-memory file system for native tests; paths are matched case-insensitively.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "system/Files.h"

namespace fakes {

class FakeFiles final : public sys::IFiles {
public:
    std::unique_ptr<sys::IAppendFile> OpenForAppend(const std::wstring& path) override;
    // Names in the order the files were created, spelled as at their creation.
    std::vector<std::wstring> FindFiles(const std::wstring& folder,
                                        const std::wstring& pattern) override;

    // Contents of a file, empty when there is none.
    std::string Read(const std::wstring& path) const;
    bool Exists(const std::wstring& path) const;

    // A locked file cannot be opened (another process holds it without sharing).
    void Lock(const std::wstring& path);
    void Unlock(const std::wstring& path);
    // Every write fails after this many more bytes have been written (a full disk).
    void FailWritesAfter(size_t bytes);

    int opens = 0;

private:
    friend class FakeAppendFile;
    mutable std::mutex mutex_;
    std::map<std::wstring, std::string> files_;
    std::set<std::wstring> locked_;
    // Full paths of the files as first created, in creation order.
    std::vector<std::wstring> created_;
    size_t writeBudget_ = static_cast<size_t>(-1);
};

}  // namespace fakes
