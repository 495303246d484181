// The preview machine's files: every change is laid over the files below and noted.
#include <algorithm>

#include "base/WideText.h"
#include "system/changes/PreviewMachine.h"

namespace sys {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
    return path;
}

// The folder a path lies in, spelled as given ("C:\" for "C:\a"); empty at a root.
std::wstring ParentOf(const std::wstring& path) {
    const std::wstring trimmed = WithoutTrailingSeparators(path);
    const size_t slash = trimmed.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    std::wstring parent = trimmed.substr(0, slash);
    if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
    return parent;
}

std::wstring NameOf(const std::wstring& path) {
    const std::wstring trimmed = WithoutTrailingSeparators(path);
    const size_t slash = trimmed.find_last_of(L"\\/");
    return slash == std::wstring::npos ? trimmed : trimmed.substr(slash + 1);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && !IsSeparator(folder.back())) return folder + L"\\" + name;
    return folder + name;
}

}  // namespace

class CPreviewMachine::Files::AppendFile final : public IAppendFile {
public:
    AppendFile(Files& files, std::wstring key) : files_(files), key_(std::move(key)) {}

    bool Write(const void* data, size_t bytes) override {
        std::lock_guard<std::recursive_mutex> guard(files_.mutex_);
        files_.entries_[key_].bytes.append(static_cast<const char*>(data), bytes);
        return true;
    }
    uint64_t Length() override {
        std::lock_guard<std::recursive_mutex> guard(files_.mutex_);
        return files_.entries_[key_].bytes.size();
    }

private:
    Files& files_;
    std::wstring key_;
};

std::wstring CPreviewMachine::Files::Key(const std::wstring& path) {
    std::wstring key = tav::FoldUpper(WithoutTrailingSeparators(path));
    std::replace(key.begin(), key.end(), L'/', L'\\');
    return key;
}

CPreviewMachine::Files::Entry CPreviewMachine::Files::Look(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    const auto found = entries_.find(Key(path));
    if (found != entries_.end()) return found->second;
    Entry entry;
    entry.path = path;
    if (below_.GetAttributes(path, entry.attributes)) {
        entry.kind = (entry.attributes & FileAttribute::Directory) ? Kind::Folder : Kind::File;
        entry.source = path;
    }
    return entry;
}

bool CPreviewMachine::Files::ParentIsFolder(const std::wstring& path) {
    const std::wstring parent = ParentOf(path);
    return parent.empty() || Look(parent).kind == Kind::Folder;
}

bool CPreviewMachine::Files::Read(const Entry& entry, std::string& bytes) {
    if (entry.kind != Kind::File) return false;
    if (entry.ownBytes) {
        bytes = entry.bytes;
        return true;
    }
    return below_.ReadAll(entry.source, bytes);
}

void CPreviewMachine::Files::Put(Entry entry) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    entries_[Key(entry.path)] = std::move(entry);
}

bool CPreviewMachine::Files::GetAttributes(const std::wstring& path, uint32_t& attributes) {
    const Entry entry = Look(path);
    if (entry.kind == Kind::Gone) return false;
    attributes = entry.attributes;
    return true;
}

bool CPreviewMachine::Files::SetAttributes(const std::wstring& path, uint32_t attributes) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    Entry entry = Look(path);
    if (entry.kind == Kind::Gone) return false;
    entry.attributes = attributes & ~FileAttribute::Directory;
    if (entry.kind == Kind::Folder) entry.attributes |= FileAttribute::Directory;
    if (entry.attributes == 0) entry.attributes = FileAttribute::Normal;
    Put(entry);
    owner_.NoteChange({L"set attributes", path, std::to_wstring(attributes)});
    return true;
}

bool CPreviewMachine::Files::GetFacts(const std::wstring& path, FileFacts& facts) {
    const Entry entry = Look(path);
    if (entry.kind == Kind::Gone) return false;
    // Bytes of its own are new, so their size is all that tells them apart.
    if (entry.ownBytes || entry.source.empty()) {
        facts = FileFacts{entry.attributes, entry.bytes.size(), 0};
        return true;
    }
    if (!below_.GetFacts(entry.source, facts)) return false;
    facts.attributes = entry.attributes;
    return true;
}

CreateFolderResult CPreviewMachine::Files::CreateFolder(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    if (Look(path).kind != Kind::Gone) return CreateFolderResult::AlreadyExists;
    if (!ParentIsFolder(path)) return CreateFolderResult::Failed;
    Entry entry;
    entry.path = path;
    entry.kind = Kind::Folder;
    entry.attributes = FileAttribute::Directory;
    Put(entry);
    owner_.NoteChange({L"create folder", path, L""});
    return CreateFolderResult::Created;
}

bool CPreviewMachine::Files::Copy(const std::wstring& from, const std::wstring& to,
                                  bool failIfExists) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    Entry entry = Look(from);
    const Entry target = Look(to);
    if (entry.kind != Kind::File || target.kind == Kind::Folder || !ParentIsFolder(to)) return false;
    if (target.kind == Kind::File &&
        (failIfExists || (target.attributes & FileAttribute::ReadOnly))) {
        return false;
    }
    // The copy's access list is the one its folder gives it.
    entry.path = to;
    entry.hasAccess = false;
    entry.access.clear();
    Put(entry);
    owner_.NoteChange({L"copy", from, to});
    return true;
}

// The files below are not changed, so no link among them is followed: a new file is a copy
// that fails when the target exists.
bool CPreviewMachine::Files::CopyToNewFile(const std::wstring& from, const std::wstring& to,
                                           const std::wstring&) {
    return Copy(from, to, true);
}

std::vector<std::wstring> CPreviewMachine::Files::Descendants(const std::wstring& folder) {
    std::vector<std::wstring> paths;
    for (const FoundEntry& found : FindEntries(folder, L"*")) {
        const std::wstring path = Join(folder, found.name);
        paths.push_back(path);
        if (!found.isFolder) continue;
        for (std::wstring& below : Descendants(path)) paths.push_back(std::move(below));
    }
    return paths;
}

bool CPreviewMachine::Files::Move(const std::wstring& from, const std::wstring& to,
                                  bool replaceExisting) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    Entry entry = Look(from);
    const Entry target = Look(to);
    if (entry.kind == Kind::Gone || !ParentIsFolder(to)) return false;
    if (target.kind != Kind::Gone &&
        (!replaceExisting || target.kind == Kind::Folder || entry.kind == Kind::Folder ||
         (target.attributes & FileAttribute::ReadOnly))) {
        return false;
    }
    if (entry.kind == Kind::Folder) {
        const std::wstring fromPrefix = WithoutTrailingSeparators(from);
        for (const std::wstring& path : Descendants(from)) {
            Entry moved = Look(path);
            moved.path = WithoutTrailingSeparators(to) + path.substr(fromPrefix.size());
            Put(moved);
            Entry gone;
            gone.path = path;
            Put(gone);
        }
    }
    entry.path = to;
    Put(entry);
    Entry gone;
    gone.path = from;
    Put(gone);
    owner_.NoteChange({L"move", from, to});
    return true;
}

// The swap is one change: the new file in place, the old one kept in the backup.
SwapResult CPreviewMachine::Files::Swap(const std::wstring& target, const std::wstring& staged,
                                        const std::wstring& backup) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    Entry old = Look(target);
    Entry made = Look(staged);
    if (old.kind != Kind::File || made.kind != Kind::File || Look(backup).kind != Kind::Gone ||
        (old.attributes & FileAttribute::ReadOnly) || !ParentIsFolder(backup)) {
        return SwapResult::Refused;
    }
    made.path = target;
    made.attributes = old.attributes;
    made.hasAccess = old.hasAccess;
    made.access = old.access;
    old.path = backup;
    Put(old);
    Put(made);
    Entry gone;
    gone.path = staged;
    Put(gone);
    owner_.NoteChange({L"replace, old kept in the backup", target, backup});
    return SwapResult::Swapped;
}

bool CPreviewMachine::Files::Remove(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    const Entry entry = Look(path);
    if (entry.kind != Kind::File || (entry.attributes & FileAttribute::ReadOnly)) return false;
    Entry gone;
    gone.path = path;
    Put(gone);
    owner_.NoteChange({L"delete", path, L""});
    return true;
}

// The programs holding installed files are the services the update stops first; a preview
// cannot stop them, so it takes every existing file as free.
bool CPreviewMachine::Files::CanOpenExclusively(const std::wstring& path) {
    return Look(path).kind == Kind::File;
}

bool CPreviewMachine::Files::ReadAll(const std::wstring& path, std::string& bytes) {
    return Read(Look(path), bytes);
}

bool CPreviewMachine::Files::WriteAll(const std::wstring& path, const std::string& bytes) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    Entry entry = Look(path);
    if (entry.kind == Kind::Folder) return false;
    if (entry.kind == Kind::File && (entry.attributes & FileAttribute::ReadOnly)) return false;
    if (entry.kind == Kind::Gone) {
        if (!ParentIsFolder(path)) return false;
        entry.attributes = FileAttribute::Archive;
        entry.hasAccess = false;
    }
    entry.path = path;
    entry.kind = Kind::File;
    entry.ownBytes = true;
    entry.bytes = bytes;
    entry.source.clear();
    Put(entry);
    owner_.NoteChange({L"write", path, std::to_wstring(bytes.size()) + L" bytes"});
    return true;
}

std::vector<FoundEntry> CPreviewMachine::Files::FindEntries(const std::wstring& folder,
                                                            const std::wstring& pattern) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    std::vector<FoundEntry> found;
    for (FoundEntry& entry : below_.FindEntries(folder, pattern)) {
        const auto laid = entries_.find(Key(Join(folder, entry.name)));
        if (laid != entries_.end()) {
            if (laid->second.kind == Kind::Gone) continue;
            entry.isFolder = laid->second.kind == Kind::Folder;
        }
        found.push_back(std::move(entry));
    }
    const std::wstring folderKey = Key(folder);
    for (const auto& [key, entry] : entries_) {
        if (entry.kind == Kind::Gone || Key(ParentOf(entry.path)) != folderKey) continue;
        const std::wstring name = NameOf(entry.path);
        if (!MatchesFilePattern(name, pattern)) continue;
        const bool listed = std::any_of(found.begin(), found.end(), [&](const FoundEntry& f) {
            return tav::FoldEquals(f.name, name);
        });
        if (!listed) found.push_back({name, entry.kind == Kind::Folder});
    }
    return found;
}

bool CPreviewMachine::Files::ReadAccessList(const std::wstring& path, AccessList& list) {
    const Entry entry = Look(path);
    if (entry.kind == Kind::Gone) return false;
    if (entry.hasAccess) {
        list = entry.access;
        return true;
    }
    uint32_t attributes = 0;
    if (below_.GetAttributes(path, attributes)) return below_.ReadAccessList(path, list);
    // Made by this preview: only what its folder passes on, which is not looked into.
    list.clear();
    return true;
}

bool CPreviewMachine::Files::WriteAccessList(const std::wstring& path, const AccessList& list) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    Entry entry = Look(path);
    if (entry.kind == Kind::Gone) return false;
    entry.hasAccess = true;
    entry.access = list;
    Put(entry);
    owner_.NoteChange({L"set access list", path, std::to_wstring(list.size()) + L" entries"});
    return true;
}

bool CPreviewMachine::Files::FreeSpace(const std::wstring& path, uint64_t& bytes) {
    // A folder this preview made is on the volume of the first folder above it that exists.
    for (std::wstring where = path; !where.empty(); where = ParentOf(where)) {
        if (below_.FreeSpace(where, bytes)) return true;
    }
    return false;
}

bool CPreviewMachine::Files::CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) {
    std::wstring folder;
    if (!environment_.GetVariable(L"TEMP", folder) || folder.empty()) {
        environment_.GetVariable(L"TMP", folder);
    }
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    if (folder.empty() || Look(folder).kind != Kind::Folder) return false;
    do {
        path = Join(folder, prefix + L"~preview" + std::to_wstring(++temporaryFiles_) +
                                          L".tmp");
    } while (Look(path).kind != Kind::Gone);
    Entry entry;
    entry.path = path;
    entry.kind = Kind::File;
    entry.ownBytes = true;
    entry.attributes = FileAttribute::Archive;
    Put(entry);
    owner_.NoteChange({L"create temporary file", path, L""});
    return true;
}

std::unique_ptr<IAppendFile> CPreviewMachine::Files::OpenForAppend(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    Entry entry = Look(path);
    if (entry.kind == Kind::Folder) return nullptr;
    if (entry.kind == Kind::Gone) {
        if (!ParentIsFolder(path)) return nullptr;
        entry.attributes = FileAttribute::Archive;
    } else if (!entry.ownBytes) {
        if (!Read(entry, entry.bytes)) return nullptr;
    }
    entry.path = path;
    entry.kind = Kind::File;
    entry.ownBytes = true;
    entry.source.clear();
    Put(entry);
    owner_.NoteChange({L"append", path, L""});
    return std::make_unique<AppendFile>(*this, Key(path));
}

bool CPreviewMachine::Files::BytesFrom(const std::wstring& path, std::wstring& source) {
    const Entry entry = Look(path);
    if (entry.kind != Kind::File || entry.ownBytes) return false;
    source = entry.source;
    return true;
}

bool CPreviewMachine::Files::WouldChange(const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    const auto laid = entries_.find(Key(path));
    if (laid == entries_.end()) return false;
    const Entry& entry = laid->second;
    uint32_t attributes = 0;
    const bool below = below_.GetAttributes(path, attributes);
    const bool belowFolder = below && (attributes & FileAttribute::Directory);
    switch (entry.kind) {
    case Kind::Gone:
        return below;
    case Kind::Folder:
        return !belowFolder;
    case Kind::File:
        break;
    }
    if (!below || belowFolder) return true;
    std::string before;
    std::string after;
    if (!below_.ReadAll(path, before) || !Read(entry, after)) return true;
    return before != after;
}

}  // namespace sys
