// An in-memory file system for native tests.
#include "fakes/FakeFiles.h"

#include <algorithm>

#include "base/WideText.h"

namespace fakes {

class FakeAppendFile final : public sys::IAppendFile {
public:
    FakeAppendFile(FakeFiles* owner, std::wstring key) : owner_(owner), key_(std::move(key)) {}

    bool Write(const void* data, size_t bytes) override {
        std::lock_guard<std::mutex> lock(owner_->mutex_);
        auto it = owner_->nodes_.find(key_);
        if (it == owner_->nodes_.end()) return false;
        return owner_->Write(it->second, std::string(static_cast<const char*>(data), bytes), true);
    }

    uint64_t Length() override {
        std::lock_guard<std::mutex> lock(owner_->mutex_);
        auto it = owner_->nodes_.find(key_);
        return it == owner_->nodes_.end() ? 0 : it->second.content.size();
    }

private:
    FakeFiles* owner_;
    std::wstring key_;
};

std::wstring FakeFiles::Key(const std::wstring& path) {
    std::wstring key = tav::FoldLower(path);
    std::replace(key.begin(), key.end(), L'/', L'\\');
    while (key.size() > 1 && key.back() == L'\\') key.pop_back();
    return key;
}

std::wstring FakeFiles::Parent(const std::wstring& key) {
    const size_t slash = key.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

FakeFiles::Node* FakeFiles::Find(const std::wstring& path) {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? nullptr : &it->second;
}

const FakeFiles::Node* FakeFiles::Find(const std::wstring& path) const {
    auto it = nodes_.find(Key(path));
    return it == nodes_.end() ? nullptr : &it->second;
}

bool FakeFiles::CanCreateIn(const std::wstring& key) const {
    const std::wstring parent = Parent(key);
    if (parent.find(L'\\') == std::wstring::npos) return true;  // a root
    auto it = nodes_.find(parent);
    return it != nodes_.end() && it->second.folder && !it->second.createDenied;
}

FakeFiles::Node& FakeFiles::Make(const std::wstring& path, bool folder) {
    const std::wstring key = Key(path);
    Node& node = nodes_[key];
    node.path = path;
    std::replace(node.path.begin(), node.path.end(), L'/', L'\\');
    while (node.path.size() > 1 && node.path.back() == L'\\') node.path.pop_back();
    node.folder = folder;
    node.attributes = folder ? sys::FileAttribute::Directory : sys::FileAttribute::Archive;
    node.access = {{sys::AccessEntry::kAllowed, 0x3, sys::AccessEntry::kGenericAll, L"S-1-5-32-544"}};
    order_.push_back(key);
    return node;
}

void FakeFiles::MakeParents(const std::wstring& path) {
    std::wstring normal = path;
    std::replace(normal.begin(), normal.end(), L'/', L'\\');
    for (size_t slash = normal.find(L'\\'); slash != std::wstring::npos;
         slash = normal.find(L'\\', slash + 1)) {
        const std::wstring folder = normal.substr(0, slash);
        if (folder.find(L'\\') == std::wstring::npos) continue;  // the root
        if (!nodes_.count(Key(folder))) Make(folder, true);
    }
}

bool FakeFiles::Write(Node& node, const std::string& bytes, bool append) {
    if (bytes.size() > writeBudget_) {
        writeBudget_ = 0;
        return false;
    }
    if (writeBudget_ != static_cast<size_t>(-1)) writeBudget_ -= bytes.size();
    node.written = ++writes_;
    if (append) {
        node.content += bytes;
    } else {
        node.content = bytes;
    }
    return true;
}

std::unique_ptr<sys::IAppendFile> FakeFiles::OpenForAppend(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(path);
    if (node) {
        if (node->folder || node->lockedAttempts >= 0 ||
            (node->attributes & sys::FileAttribute::ReadOnly)) {
            return nullptr;
        }
    } else {
        if (!CanCreateIn(Key(path))) return nullptr;
        node = &Make(path, false);
    }
    ++opens;
    return std::make_unique<FakeAppendFile>(this, Key(path));
}

bool FakeFiles::GetAttributes(const std::wstring& path, uint32_t& attributes) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    if (!node) return false;
    attributes = node->attributes;
    return true;
}

bool FakeFiles::GetFacts(const std::wstring& path, sys::FileFacts& facts) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    if (!node) return false;
    facts.attributes = node->attributes;
    facts.size = node->content.size();
    facts.lastWrite = node->written;
    return true;
}

bool FakeFiles::SetAttributes(const std::wstring& path, uint32_t attributes) {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(path);
    if (!node) return false;
    attributes &= ~sys::FileAttribute::Directory;
    if (node->folder) attributes |= sys::FileAttribute::Directory;
    node->attributes = attributes;
    return true;
}

sys::CreateFolderResult FakeFiles::CreateFolder(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Find(path)) return sys::CreateFolderResult::AlreadyExists;
    if (!CanCreateIn(Key(path))) return sys::CreateFolderResult::Failed;
    Make(path, true);
    return sys::CreateFolderResult::Created;
}

bool FakeFiles::Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* source = Find(from);
    if (!source || source->folder || source->lockedAttempts >= 0) return false;
    const Node copy = *source;
    Node* target = Find(to);
    if (target) {
        if (failIfExists || target->folder || target->lockedAttempts >= 0 ||
            (target->attributes & sys::FileAttribute::ReadOnly)) {
            return false;
        }
    } else {
        if (!CanCreateIn(Key(to))) return false;
        target = &Make(to, false);
    }
    if (!Write(*target, copy.content, false)) return false;
    target->attributes = copy.attributes;
    return true;
}

// This file system has no links: a new file is a copy that fails when the target exists.
bool FakeFiles::CopyToNewFile(const std::wstring& from, const std::wstring& to, const std::wstring&) {
    uint32_t attributes = 0;
    if (GetAttributes(to, attributes)) return false;
    if (Copy(from, to, true)) return true;
    Remove(to);  // what a failed copy began goes again
    return false;
}

bool FakeFiles::Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::wstring fromKey = Key(from);
    const std::wstring toKey = Key(to);
    auto source = nodes_.find(fromKey);
    if (source == nodes_.end() || source->second.lockedAttempts >= 0 || source->second.moveDenied) {
        return false;
    }
    // A folder cannot go below itself.
    if (toKey.size() > fromKey.size() && toKey.compare(0, fromKey.size(), fromKey) == 0 &&
        toKey[fromKey.size()] == L'\\') {
        return false;
    }
    // The same key again only changes the spelling.
    if (fromKey != toKey) {
        if (Node* target = Find(to)) {
            // Replacing deletes the target, so a target that cannot be deleted stays.
            if (!replaceExisting || target->folder || source->second.folder ||
                (target->attributes & sys::FileAttribute::ReadOnly) ||
                target->lockedAttempts >= 0 || target->deleteDenied) {
                return false;
            }
        } else if (!CanCreateIn(toKey)) {
            return false;
        }
    }
    // The node and, for a folder, everything below it change their paths.
    std::vector<std::pair<std::wstring, std::wstring>> renames;
    for (const auto& key : order_) {
        if (key == fromKey || (key.size() > fromKey.size() &&
                               key.compare(0, fromKey.size(), fromKey) == 0 &&
                               key[fromKey.size()] == L'\\')) {
            renames.emplace_back(key, toKey + key.substr(fromKey.size()));
        }
    }
    std::wstring spelled = to;
    std::replace(spelled.begin(), spelled.end(), L'/', L'\\');
    while (spelled.size() > 1 && spelled.back() == L'\\') spelled.pop_back();
    for (const auto& [oldKey, newKey] : renames) {
        Node node = nodes_[oldKey];
        nodes_.erase(oldKey);
        // Stored paths are as long as their keys.
        node.path = spelled + node.path.substr(fromKey.size());
        nodes_[newKey] = std::move(node);
        std::replace(order_.begin(), order_.end(), oldKey, newKey);
    }
    // A replaced target keeps only one place in the order.
    std::vector<std::wstring> unique;
    for (const auto& key : order_) {
        if (std::find(unique.begin(), unique.end(), key) == unique.end()) unique.push_back(key);
    }
    order_.swap(unique);
    return true;
}

sys::SwapResult FakeFiles::Swap(const std::wstring& target, const std::wstring& staged,
                                const std::wstring& backup) {
    uint32_t attributes = 0;
    sys::AccessList access;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++swaps;
        const Node* old = Find(target);
        const Node* made = Find(staged);
        if (swapsEnd == sys::SwapResult::Refused || !old || old->folder || !made || Find(backup) ||
            old->deleteDenied || (old->attributes & sys::FileAttribute::ReadOnly)) {
            return sys::SwapResult::Refused;
        }
        attributes = old->attributes;
        access = old->access;
    }
    if (!Move(target, backup, false)) return sys::SwapResult::Refused;
    if (swapsEnd == sys::SwapResult::OldAtBackup) return sys::SwapResult::OldAtBackup;
    if (!Move(staged, target, false)) {
        Move(backup, target, false);
        return sys::SwapResult::Refused;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    Node* placed = Find(target);
    placed->attributes = attributes;
    placed->access = access;
    return sys::SwapResult::Swapped;
}

bool FakeFiles::Remove(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    if (!node || node->folder || node->lockedAttempts >= 0 || node->deleteDenied ||
        (node->attributes & sys::FileAttribute::ReadOnly)) {
        return false;
    }
    const std::wstring key = Key(path);
    nodes_.erase(key);
    order_.erase(std::remove(order_.begin(), order_.end(), key), order_.end());
    return true;
}

bool FakeFiles::CanOpenExclusively(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++exclusiveAttempts;
    Node* node = Find(path);
    if (!node || node->folder || (node->attributes & sys::FileAttribute::ReadOnly)) return false;
    if (node->lockedAttempts < 0) return true;
    if (node->lockedAttempts > 0 && --node->lockedAttempts == 0) node->lockedAttempts = -1;
    return false;
}

bool FakeFiles::ReadAll(const std::wstring& path, std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    if (!node || node->folder || node->lockedAttempts >= 0) return false;
    bytes = node->content;
    return true;
}

bool FakeFiles::WriteAll(const std::wstring& path, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(path);
    if (node) {
        if (node->folder || node->lockedAttempts >= 0 ||
            (node->attributes & sys::FileAttribute::ReadOnly)) {
            return false;
        }
    } else {
        if (!CanCreateIn(Key(path))) return false;
        node = &Make(path, false);
    }
    return Write(*node, bytes, false);
}

std::vector<sys::FoundEntry> FakeFiles::FindEntries(const std::wstring& folder,
                                                    const std::wstring& pattern) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::wstring folderKey = Key(folder);
    std::vector<sys::FoundEntry> entries;
    if (folderKey.find(L'\\') != std::wstring::npos) {
        auto it = nodes_.find(folderKey);
        if (it == nodes_.end() || !it->second.folder) return entries;
    }
    for (const auto& key : order_) {
        if (Parent(key) != folderKey) continue;
        const Node& node = nodes_.at(key);
        std::wstring name = node.path.substr(node.path.rfind(L'\\') + 1);
        if (sys::MatchesFilePattern(name, pattern)) entries.push_back({std::move(name), node.folder});
    }
    return entries;
}

bool FakeFiles::ReadAccessList(const std::wstring& path, sys::AccessList& list) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    if (!node) return false;
    list = node->access;
    return true;
}

bool FakeFiles::WriteAccessList(const std::wstring& path, const sys::AccessList& list) {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(path);
    if (!node || !accessListsWritable) return false;
    node->access = list;
    return true;
}

bool FakeFiles::FreeSpace(const std::wstring& path, uint64_t& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    freeSpacePaths.push_back(path);
    if (!freeSpaceReadable) return false;
    bytes = freeBytes;
    return true;
}

bool FakeFiles::CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::wstring name = L"C:\\Temp\\" + prefix + std::to_wstring(temporaryFiles + 1) + L".tmp";
    MakeParents(name);
    if (!CanCreateIn(Key(name))) return false;
    Make(name, false);
    ++temporaryFiles;
    path = name;
    return true;
}

void FakeFiles::AddFile(const std::wstring& path, const std::string& content, uint32_t attributes) {
    std::lock_guard<std::mutex> lock(mutex_);
    MakeParents(path);
    Node* node = Find(path);
    if (!node) node = &Make(path, false);
    node->content = content;
    node->attributes = attributes;
    node->written = ++writes_;
}

void FakeFiles::AddFolder(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    MakeParents(path);
    if (!Find(path)) Make(path, true);
}

std::string FakeFiles::Read(const std::wstring& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    return node && !node->folder ? node->content : std::string();
}

bool FakeFiles::Exists(const std::wstring& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    return node && !node->folder;
}

bool FakeFiles::FolderExists(const std::wstring& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    return node && node->folder;
}

uint32_t FakeFiles::Attributes(const std::wstring& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Node* node = Find(path);
    return node ? node->attributes : 0;
}

std::vector<std::wstring> FakeFiles::List(const std::wstring& folder) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::wstring prefix = folder.empty() ? std::wstring() : Key(folder) + L'\\';
    std::vector<std::wstring> paths;
    for (const auto& key : order_) {
        if (key.compare(0, prefix.size(), prefix) != 0) continue;
        const Node& node = nodes_.at(key);
        paths.push_back(node.folder ? node.path + L'\\' : node.path);
    }
    return paths;
}

void FakeFiles::Lock(const std::wstring& path, int attempts) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Node* node = Find(path)) node->lockedAttempts = attempts;
}

void FakeFiles::Unlock(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Node* node = Find(path)) node->lockedAttempts = -1;
}

void FakeFiles::DenyDelete(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Node* node = Find(path)) node->deleteDenied = true;
}

void FakeFiles::DenyMove(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Node* node = Find(path)) node->moveDenied = true;
}

void FakeFiles::DenyCreateIn(const std::wstring& folder) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Node* node = Find(folder)) node->createDenied = true;
}

void FakeFiles::FailWritesAfter(size_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    writeBudget_ = bytes;
}

}  // namespace fakes
