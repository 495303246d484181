// The file phase of the update: replacing the module's files, keeping customized ones.
//
// A file is never left half replaced: the new file was copied beside the installed one under a
// staging name while the services still ran (or is copied so now), and is only then put in its
// place, in one swap that also makes its backup where the system allows. Afterwards each file
// is the old one, the new one, or the new one with the old one beside it under ".old".
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
    for (CTupModuleFile& file : files_) {
        if (!file.UpdateFile()) continue;
        if (!ReplaceFile(file)) return 0;
    }
    return 1;
}

bool CTupModuleUpdater::WantsCustomizationCheck(const CTupModuleFile& file) {
    return file.UserCustomizationCheckPlanned() && !EndsWithFolded(file.InstallationFile(), L"mxClient.js");
}

CustomizationFound CTupModuleUpdater::CustomizationOf(const CTupModuleFile& file,
                                                      const sys::FileFacts& now) const {
    // What was found while the services ran holds as long as the file did not change since.
    const StagedReplacement& staging = file.Staging();
    if (staging.customization != CustomizationFound::NotLooked &&
        staging.lookedFacts.SameContentAs(now)) {
        return staging.customization;
    }
    return CheckCustomization(file.InstallationFile());
}

bool CTupModuleUpdater::ReplaceFile(CTupModuleFile& file) const {
    sys::IFiles& files = FileSystem();
    const std::wstring& installed = file.InstallationFile();
    const std::wstring source =
        (manager_ ? manager_->PackageFolder() : std::wstring()) + file.UpdatePackageFile();
    Report(tav::kTextUpdatingFile, installed);
    // A staged file no longer needs the package's copy.
    if (!file.Staging().staged && !sys::IsExistingFile(files, source)) {
        Report(tav::kTextUpdatePackageFileMissing);
        return false;
    }

    sys::FileFacts facts;
    const bool exists = files.GetFacts(installed, facts) &&
                        !(facts.attributes & sys::FileAttribute::Directory);
    if (exists && WantsCustomizationCheck(file)) {
        switch (CustomizationOf(file, facts)) {
        case CustomizationFound::NoCheckForType:
            Report(tav::kTextNoCustomizationCheckForType, installed);
            break;
        case CustomizationFound::Customized:
            ReportFile(tav::kTextCustomizedFileFound, file, FileDecision::KeptCustomized, kReportBoth);
            KeepCustomizedFile(file);
            break;
        default:
            break;
        }
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
        // A staged new file only needs its name; a move never replaces what is there.
        StagedReplacement& staging = file.Staging();
        if (staging.staged && files.Move(installed + TupStaging::kSuffix, installed, false)) {
            staging.staged = false;
            ReportFile(tav::kTextFileUpdated, file, FileDecision::Replaced);
            return true;
        }
        // A new file only, never through a link planted at its name.
        if (!files.CopyToNewFile(source, installed, std::wstring())) {
            ReportFile(tav::kTextFileNotCopied, file, FileDecision::NotReplaced);
            return false;
        }
        ReportFile(tav::kTextFileUpdated, file, FileDecision::Replaced);
        return true;
    }
    if (file.UpdateConditionType() == 1 && installed.find(L'\\') == std::wstring::npos) {
        return true;
    }

    if ((facts.attributes & sys::FileAttribute::ReadOnly) &&
        !files.SetAttributes(installed, sys::FileAttribute::Normal)) {
        Report(tav::kTextReadOnlyNotClearedForUpdate, installed);
        return false;
    }
    const TupStaging::Outcome outcome = file.Staging().staged
                                            ? PlaceStagedFile(file)
                                            : TupStaging::CopyIntoPlace(files, source, installed);
    switch (outcome) {
    case TupStaging::Outcome::Replaced:
        ReportFile(tav::kTextFileUpdated, file, FileDecision::Replaced);
        return true;
    case TupStaging::Outcome::ReplacedBesideOld:
        Report(tav::kTextFileRenamedToOld, installed);
        ReportFile(tav::kTextFileUpdated, file, FileDecision::Replaced);
        return true;
    case TupStaging::Outcome::OldNotMoved:
        ReportFile(tav::kTextFileNotRemoved, file, FileDecision::NotReplaced);
        return false;
    case TupStaging::Outcome::NotPlacedOldAside:
        Report(tav::kTextFileRenamedToOld, installed);
        ReportFile(tav::kTextFileNotCopied, file, FileDecision::NotReplaced);
        return false;
    case TupStaging::Outcome::NotCopied:
    case TupStaging::Outcome::NotPlaced:
        break;
    }
    ReportFile(tav::kTextFileNotCopied, file, FileDecision::NotReplaced);
    return false;
}

TupStaging::Outcome CTupModuleUpdater::PlaceStagedFile(CTupModuleFile& file) const {
    sys::IFiles& files = FileSystem();
    StagedReplacement& staging = file.Staging();
    const std::wstring& installed = file.InstallationFile();
    const std::wstring staged = installed + TupStaging::kSuffix;
    staging.staged = false;
    if (!staging.owedBackup.empty()) {
        const std::wstring backup = staging.owedBackup;
        switch (files.Swap(installed, staged, backup)) {
        case sys::SwapResult::Swapped:
            staging.owedBackup.clear();
            return TupStaging::Outcome::Replaced;
        case sys::SwapResult::OldAtBackup:
            // Half done: the old file is the backup already; the new one follows, or the old
            // one goes back to its name and its backup is still owed.
            if (files.Move(staged, installed, false)) {
                staging.owedBackup.clear();
                return TupStaging::Outcome::Replaced;
            }
            if (!files.Move(backup, installed, false)) staging.owedBackup.clear();
            TupStaging::ClearName(files, staged);
            return TupStaging::Outcome::NotPlaced;
        case sys::SwapResult::Refused:
            break;
        }
        // Another volume, or a system that cannot swap: the backup by copy, as without staging.
        if (!CopyOwedBackup(installed, backup)) {
            TupStaging::ClearName(files, staged);
            Report(tav::kTextFileNotBackedUp, installed);
            return TupStaging::Outcome::NotCopied;
        }
        staging.owedBackup.clear();
    }
    return TupStaging::PutInPlace(files, staged, installed);
}

bool CTupModuleUpdater::CopyOwedBackup(const std::wstring& installed, const std::wstring& backup) const {
    sys::IFiles& files = FileSystem();
    const std::wstring part = backup + TupStaging::kSuffix;
    if (!TupStaging::ClearName(files, part)) return false;
    if (files.Copy(installed, part, true) && files.Move(part, backup, false)) return true;
    files.Remove(part);
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

CustomizationFound CTupModuleUpdater::CheckCustomization(const std::wstring& installed) const {
    const std::unique_ptr<CKmkSignature> signature = CreateSignatureForFile(installed);
    if (!signature) return CustomizationFound::NoCheckForType;
    return signature->Verify(installed) ? CustomizationFound::Unchanged : CustomizationFound::Customized;
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
