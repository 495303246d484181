// An in-memory file system for native tests.
#include "fakes/FakeFiles.h"

#include "base/WideText.h"

namespace fakes {

class FakeAppendFile final : public sys::IAppendFile {
public:
    FakeAppendFile(FakeFiles* owner, std::wstring key) : owner_(owner), key_(std::move(key)) {}

    bool Write(const void* data, size_t bytes) override {
        std::lock_guard<std::mutex> lock(owner_->mutex_);
        if (bytes > owner_->writeBudget_) {
            owner_->writeBudget_ = 0;
            return false;
        }
        owner_->writeBudget_ -= bytes;
        owner_->files_[key_].append(static_cast<const char*>(data), bytes);
        return true;
    }

    uint64_t Length() override {
        std::lock_guard<std::mutex> lock(owner_->mutex_);
        return owner_->files_[key_].size();
    }

private:
    FakeFiles* owner_;
    std::wstring key_;
};

std::unique_ptr<sys::IAppendFile> FakeFiles::OpenForAppend(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::wstring key = tav::FoldLower(path);
    if (locked_.count(key)) return nullptr;
    ++opens;
    if (files_.emplace(key, std::string()).second) created_.push_back(path);  // never truncated
    return std::make_unique<FakeAppendFile>(this, key);
}

std::vector<std::wstring> FakeFiles::FindFiles(const std::wstring& folder,
                                               const std::wstring& pattern) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::wstring prefix = tav::FoldLower(folder);
    if (!prefix.empty() && prefix.back() != L'\\' && prefix.back() != L'/') prefix += L'\\';
    std::vector<std::wstring> names;
    for (const std::wstring& path : created_) {
        const std::wstring key = tav::FoldLower(path);
        if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) continue;
        const std::wstring name = path.substr(prefix.size());
        if (name.find_first_of(L"\\/") != std::wstring::npos) continue;  // in a subfolder
        if (sys::MatchesFilePattern(name, pattern)) names.push_back(name);
    }
    return names;
}

std::string FakeFiles::Read(const std::wstring& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = files_.find(tav::FoldLower(path));
    return it == files_.end() ? std::string() : it->second;
}

bool FakeFiles::Exists(const std::wstring& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return files_.count(tav::FoldLower(path)) != 0;
}

void FakeFiles::Lock(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    locked_.insert(tav::FoldLower(path));
}

void FakeFiles::Unlock(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    locked_.erase(tav::FoldLower(path));
}

void FakeFiles::FailWritesAfter(size_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    writeBudget_ = bytes;
}

}  // namespace fakes
