// The module updater's file list: wildcard entries expanded to the package's files, and the
// customization check kept for the file kinds that carry signatures.
#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "system/Machine.h"
#include "updater/TupModuleUpdater.h"

namespace {

bool HasWildcard(const std::wstring& path) { return path.find_first_of(L"*?") != std::wstring::npos; }

// Text up to and including its last backslash; empty without one.
std::wstring FolderPart(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The rest of path after prefix when path starts with it, else all of path.
std::wstring After(const std::wstring& path, const std::wstring& prefix) {
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

// What makes two file entries the same: package path and installation folder, letter case
// folded. The zero character cannot occur in a path.
std::wstring EntryKey(const std::wstring& packagePath, const std::wstring& installationFolder) {
    std::wstring key = tav::FoldLower(packagePath);
    key += L'\0';
    key += tav::FoldLower(installationFolder);
    return key;
}

}  // namespace

void CTupModuleUpdater::RestrictCustomizationCheck() {
    static const wchar_t* const kSignedEndings[] = {L"asp", L".js", L"css", L"htm", L"tpl", L"xml"};
    Report(tav::kTextRestrictingCustomizationCheck);
    for (CTupModuleFile& file : files_) {
        if (!file.UserCustomizationCheckPlanned()) continue;
        const std::wstring& path = file.InstallationFile();
        const std::wstring_view ending =
            std::wstring_view(path).substr(path.size() < 3 ? 0 : path.size() - 3);
        const bool signedKind =
            std::any_of(std::begin(kSignedEndings), std::end(kSignedEndings),
                        [&](const wchar_t* known) { return tav::FoldEquals(ending, known); });
        if (!signedKind) {
            file.SetUserCustomizationCheckPlanned(0);
            Report(tav::kTextNoCustomizationCheck, file.UpdatePackageFile());
        }
    }
    Report(tav::kTextCustomizationCheckRestricted);
}

void CTupModuleUpdater::FindFiles(const std::wstring& pattern, StringList& list) const {
    const std::wstring folder = FolderPart(pattern);
    const std::wstring name = pattern.substr(folder.size());
    for (const sys::FoundEntry& entry : sys::CurrentMachine().files->FindEntries(folder, name)) {
        if (entry.isFolder) {
            if (entry.name != L"." && entry.name != L"..") {
                FindFiles(folder + entry.name + L"\\" + name, list);
            }
        } else {
            list.push_back(folder + entry.name);
        }
    }
}

int CTupModuleUpdater::ExpandFilePatterns() {
    Report(tav::kTextExpandingFilePatterns);
    Report(tav::kTextFileEntryCount, std::to_wstring(files_.size()));
    const std::wstring packageFolder = manager_ ? manager_->PackageFolder() : std::wstring();

    // Every entry's key, so that a found file is checked against the list in constant time.
    std::unordered_set<std::wstring> present;
    present.reserve(files_.size() * 2);
    for (const CTupModuleFile& file : files_) {
        present.insert(EntryKey(file.UpdatePackageFile(), FolderPart(file.InstallationFile())));
    }

    // New entries go to the head of the list one by one, so the list ends up with them in
    // reverse order of finding, before the entries that were there.
    std::vector<CTupModuleFile> added;
    StringList found;
    for (const CTupModuleFile& pattern : files_) {
        if (!HasWildcard(pattern.UpdatePackageFile())) continue;
        Report(tav::kTextExpandingFilePattern, pattern.UpdatePackageFile());
        found.clear();
        FindFiles(packageFolder + pattern.UpdatePackageFile(), found);
        const std::wstring patternFolder = FolderPart(pattern.UpdatePackageFile());
        const std::wstring installationFolder = FolderPart(pattern.InstallationFile());
        for (const std::wstring& path : found) {
            const std::wstring packagePath = After(path, packageFolder);
            if (present.count(EntryKey(packagePath, installationFolder))) {
                Report(tav::kTextFileEntryAlreadyPresent);
                continue;
            }
            CTupModuleFile entry = pattern;  // check types, flags and conditions
            entry.SetUpdatePackageFile(packagePath);
            entry.SetInstallationFile(installationFolder + After(packagePath, patternFolder));
            present.insert(EntryKey(entry.UpdatePackageFile(), FolderPart(entry.InstallationFile())));
            added.push_back(std::move(entry));
            Report(tav::kTextFileEntryAdded);
        }
    }

    std::vector<CTupModuleFile> expanded;
    expanded.reserve(added.size() + files_.size());
    std::move(added.rbegin(), added.rend(), std::back_inserter(expanded));
    for (CTupModuleFile& file : files_) expanded.push_back(std::move(file));

    files_.clear();
    for (CTupModuleFile& file : expanded) {
        if (HasWildcard(file.UpdatePackageFile())) {
            Report(tav::kTextFilePatternRemoved, file.UpdatePackageFile());
        } else {
            files_.push_back(std::move(file));
        }
    }

    Report(tav::kTextFilePatternsExpanded);
    Report(tav::kTextFileEntryCount, std::to_wstring(files_.size()));
    return static_cast<int>(files_.size());
}
