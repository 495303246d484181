// The file phase of the update: replacing the module's files, keeping customized ones.
//
// A file is never left half replaced: the new file is first copied beside the installed one
// under a staging name and only then put in its place, so a copy that fails (full disk,
// unreadable package) leaves the installed file as it was. Afterwards each file is the old
// one, the new one, or the new one with the old one beside it under ".old".
#include <string_view>

#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "signature/SignatureFactory.h"
#include "system/Machine.h"
#include "updater/TupModuleUpdater.h"
#include "updater/TupStagedCopy.h"

namespace {

sys::IFiles& FileSystem() { return *sys::CurrentMachine().files; }

bool EndsWithFolded(std::wstring_view text, std::wstring_view ending) {
    return text.size() >= ending.size() &&
           tav::FoldEquals(text.substr(text.size() - ending.size()), ending);
}

// The to-do entry's line ends as the platform's text files store them.
void AppendLine(std::wstring& entry, std::wstring_view line) {
    entry += line;
    entry += L"\r\n";
}

}  // namespace

int CTupModuleUpdater::ReplaceFiles() {
    for (const CTupModuleFile& file : files_) {
        if (!file.UpdateFile()) continue;
        if (!ReplaceFile(file)) return 0;
    }
    return 1;
}

bool CTupModuleUpdater::ReplaceFile(const CTupModuleFile& file) const {
    sys::IFiles& files = FileSystem();
    const std::wstring& installed = file.InstallationFile();
    const std::wstring source =
        (manager_ ? manager_->PackageFolder() : std::wstring()) + file.UpdatePackageFile();
    Report(tav::kTextUpdatingFile, installed);
    if (!sys::IsExistingFile(files, source)) {
        Report(tav::kTextUpdatePackageFileMissing);
        return false;
    }

    uint32_t attributes = 0;
    const bool exists = files.GetAttributes(installed, attributes) &&
                        !(attributes & sys::FileAttribute::Directory);
    if (exists && file.UserCustomizationCheckPlanned() &&
        !EndsWithFolded(installed, L"mxClient.js") && IsCustomized(installed)) {
        Report(tav::kTextCustomizedFileFound, installed, kReportBoth);
        KeepCustomizedFile(file);
    }

    // The target folder is settled before the installed file is touched: a file that is
    // skipped keeps its old version. An existing file's folder exists.
    if (!exists) {
        switch (PrepareTargetFolder(file)) {
        case TargetFolder::Ready:
            break;
        case TargetFolder::Skip:
            return true;
        case TargetFolder::Failed:
            Report(tav::kTextTargetFolderNotCreated);
            return false;
        }
        // A new file only, never through a link planted at its name.
        if (!files.CopyToNewFile(source, installed, std::wstring())) {
            Report(tav::kTextFileNotCopied, installed);
            return false;
        }
        Report(tav::kTextFileUpdated, installed);
        return true;
    }
    if (file.UpdateConditionType() == 1 && installed.find(L'\\') == std::wstring::npos) {
        return true;
    }

    if ((attributes & sys::FileAttribute::ReadOnly) &&
        !files.SetAttributes(installed, sys::FileAttribute::Normal)) {
        Report(tav::kTextReadOnlyNotClearedForUpdate, installed);
        return false;
    }
    switch (TupStaging::CopyIntoPlace(files, source, installed)) {
    case TupStaging::Outcome::Replaced:
        Report(tav::kTextFileUpdated, installed);
        return true;
    case TupStaging::Outcome::ReplacedBesideOld:
        Report(tav::kTextFileRenamedToOld, installed);
        Report(tav::kTextFileUpdated, installed);
        return true;
    case TupStaging::Outcome::OldNotMoved:
        Report(tav::kTextFileNotRemoved, installed);
        return false;
    case TupStaging::Outcome::NotPlacedOldAside:
        Report(tav::kTextFileRenamedToOld, installed);
        Report(tav::kTextFileNotCopied, installed);
        return false;
    case TupStaging::Outcome::NotCopied:
    case TupStaging::Outcome::NotPlaced:
        break;
    }
    Report(tav::kTextFileNotCopied, installed);
    return false;
}

CTupModuleUpdater::TargetFolder CTupModuleUpdater::PrepareTargetFolder(
    const CTupModuleFile& file) const {
    const std::wstring& installed = file.InstallationFile();
    const bool onlyIntoExisting = file.UpdateConditionType() == 1;
    const size_t slash = installed.rfind(L'\\');
    if (slash == std::wstring::npos) return onlyIntoExisting ? TargetFolder::Skip : TargetFolder::Ready;
    const std::wstring folder = installed.substr(0, slash);
    if (FolderExists(folder)) return TargetFolder::Ready;
    if (onlyIntoExisting) return TargetFolder::Skip;
    if (folder.empty()) return TargetFolder::Ready;
    const size_t first = folder.find(L'\\');
    const std::wstring root = first == std::wstring::npos ? folder : folder.substr(0, first + 1);
    const std::wstring rest = first == std::wstring::npos ? std::wstring() : folder.substr(first + 1);
    return CreateFolders(root, rest) ? TargetFolder::Ready : TargetFolder::Failed;
}

bool CTupModuleUpdater::IsCustomized(const std::wstring& installed) const {
    const std::unique_ptr<CKmkSignature> signature = CreateSignatureForFile(installed);
    if (!signature) {
        Report(tav::kTextNoCustomizationCheckForType, installed);
        return false;
    }
    return !signature->Verify(installed);
}

void CTupModuleUpdater::KeepCustomizedFile(const CTupModuleFile& file) const {
    sys::IFiles& files = FileSystem();
    const std::wstring installFolder = manager_ ? manager_->InstallFolder() : std::wstring();
    const std::wstring todo = installFolder + L"_todo";
    if (!CreateFolders(installFolder, L"_todo")) {
        Report(tav::kTextTodoFolderNotCreated);
        return;
    }
    const std::wstring name =
        manager_ ? manager_->TodoNames().NameFor(file.UpdatePackageFile(), file.InstallationFile(),
                                                 [&](const std::wstring& n) { return sys::IsExistingFile(files, todo + L"\\" + n); })
                 : file.UpdatePackageFile();
    const size_t slash = name.rfind(L'\\');
    if (slash != std::wstring::npos && !CreateFolders(todo + L"\\", name.substr(0, slash))) {
        Report(tav::kTextTodoSubfolderNotCreated);
        return;
    }
    // A copy kept by an earlier update is the administrator's to merge; it stays as it is.
    const std::wstring kept = todo + L"\\" + name;
    const bool keptBefore = sys::IsExistingFile(files, kept);
    if (keptBefore || !files.Copy(file.InstallationFile(), kept, true)) {
        if (!keptBefore) files.Remove(kept);
        Report(tav::kTextCustomizedFileNotKept, file.InstallationFile());
        return;
    }
    AppendTodoEntry(todo, file.InstallationFile(), kept);
}

void CTupModuleUpdater::AppendTodoEntry(const std::wstring& todo, const std::wstring& installed,
                                        const std::wstring& kept) const {
    const std::wstring language = language_ ? *language_ : std::wstring();
    auto text = [&](uint32_t id) {
        return texts_ ? texts_->GetTextOrEmpty(static_cast<int32_t>(id), language) : std::wstring();
    };
    std::wstring entry;
    AppendLine(entry, text(tav::kTextTodoEntryReplaced) + L" " + installed + L".");
    AppendLine(entry, text(tav::kTextTodoEntryMergeHint));
    AppendLine(entry, text(tav::kTextTodoEntryKeptCopy) + L" " + kept + L".");
    AppendLine(entry, L"----------");

    const std::wstring none;
    const std::wstring listName = L"\\update_" + (manager_ ? manager_->TimeStamp() : none) + L"_" +
                                  (manager_ ? manager_->InstalledVersion() : none) + L"_" +
                                  (manager_ ? manager_->PackageVersion() : none) + L".txt";
    // The list is written as UTF-8, so paths and texts in any language survive whatever code
    // page the machine uses.
    const std::string bytes = tav::ToUtf8(entry);
    const std::unique_ptr<sys::IAppendFile> list = FileSystem().OpenForAppend(todo + listName);
    if (!list || !list->Write(bytes.data(), bytes.size())) Report(tav::kTextTodoListNotOpened);
}
