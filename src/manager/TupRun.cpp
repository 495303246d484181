// The update run: backup folder, result log and to-do folder, then every updater through each
// step in turn, with the affected services stopped around the file work.
#include <memory>

#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "manager/TupOwner.h"
#include "manager/TupRunRecord.h"
#include "system/FileVersion.h"
#include "system/Machine.h"
#include "updater/TupModuleUpdater.h"
#include "updater/TupTokenReplacer.h"

namespace {

constexpr const wchar_t* kGenericUpdater = L"CTupGenericUpdater";

// Whether a path or command line lies in the install folder.
bool NamesInstallFolder(const std::wstring& text) {
    return text.find(CTupTokenReplacer::kInstallPath) != std::wstring::npos ||
           text.find(CTupTokenReplacer::kRvxInstallPath) != std::wstring::npos;
}

// Whether version is known and at least text.
bool AtLeast(const sys::FileVersion& version, const std::wstring& text) {
    return version > text || version == text;
}

}  // namespace

std::wstring CTupManager::UiText(uint32_t textId) const {
    return Text(textId, uiLanguage_ ? *uiLanguage_ : std::wstring(L"EN"));
}

std::wstring CTupManager::ShortName(size_t index) const {
    // "CTupKernelUpdater" is known as Kernel.
    const std::wstring& name = updaterClassNames_[index];
    if (name.size() <= 11) return std::wstring();
    return name.substr(4, name.size() - 11);
}

void CTupManager::RemoveUpdater(size_t index) {
    updaters_.erase(updaters_.begin() + static_cast<std::ptrdiff_t>(index));
    updaterClassNames_.erase(updaterClassNames_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool CTupManager::RunUpdate() {
    runStarted_ = false;
    const bool succeeded = RunUpdateSteps();
    // A run that changed nothing because nothing was installed leaves no record.
    if (runStarted_) {
        runFailed_ = runFailed_ || !succeeded;
        RecordRunEnd();
    }
    return succeeded;
}

void CTupManager::RecordRunEnd() {
    // Every part of the package counts: one failed part leaves the package failed.
    TupRunRecord record;
    record.name = ComponentName();
    record.version = packageVersion_;
    record.configDigest = PackageDigestOf(programFolder_ + L"config.xml");
    record.succeeded = !runFailed_;
    const sys::LocalTime now = sys::CurrentMachine().clock->Now();
    record.when = RunRecordTime(now);
    record.backupFolder = backupFolder_;
    WriteRunRecord(record.configDigest, record);
}

void CTupManager::FailStep(uint32_t textId) {
    Report(kReportBoth, textId, -1, -1);
    Tell(TupRunEvent::StepFailed(textId, ComponentName() + L": " + UiText(textId)));
}

void CTupManager::Tell(const TupRunEvent& event) {
    if (owner_) owner_->RunEvent(event);
}

bool CTupManager::RunUpdateSteps() {
    using namespace tav;

    // Without an installed server there is nothing to update, unless a generic updater says so.
    bool hasGeneric = false;
    for (const auto& name : updaterClassNames_) hasGeneric = hasGeneric || name == kGenericUpdater;
    if (!hasGeneric && !ServiceRunning(L"TavAps") && !ServiceInstalled(L"TavSvc")) {
        Tell(TupRunEvent::NothingInstalled());
        return true;
    }

    // Without the installation's folder the backups, the result log and the new files would
    // land below the current folder and the real installation would stay as it was.
    if (installFolder_.empty()) {
        for (size_t index = 0; index < updaters_.size(); ++index) {
            if (!NeedsInstallFolder(index)) continue;
            Report(kReportStatus, kTextInstallationNotFound, -1, -1);
            Tell(TupRunEvent::NothingInstalled());
            return false;
        }
    }

    runStarted_ = true;
    if (!CreateBackupFolder()) return false;

    const std::wstring logPath = backupFolder_ + L"_log.csv";
    Report(kReportStatus, kTextResultLogPath, -1, -1, logPath);
    OpenResultLog(logPath);
    Report(kReportBoth, kTextUpdateStarted, 0, 0);
    if (!ignoredPrograms_.empty() && !ignoredProgramsLogged_) {
        std::wstring names;
        for (const std::wstring& path : ignoredPrograms_) names += (names.empty() ? L"" : L", ") + path;
        Report(kReportResultLog, kTextServerProgramOutsideIgnored, -1, -1, names);
        ignoredProgramsLogged_ = true;
    }

    if (!ArchiveTodoFolder()) {
        FailStep(kTextTodoFolderNotArchived);
        Report(kReportBoth, kTextUpdateFailed, 100, 100);
        return false;
    }

    Report(kReportBoth, kTextPreparingUpdate, 0, -1);
    if (!PrepareUpdaters()) {
        FailStep(kTextPreparingUpdateFailed);
        Report(kReportBoth, kTextUpdateFailed, 100, 100);
        return false;
    }
    Report(kReportBoth, kTextUpdatePrepared, 100, 10);

    Report(kReportBoth, kTextCheckingFilesExist, 0, -1);
    if (!RunUpdaterStep({kTextFileCheckModuleCount, kTextCheckingModuleFiles,
                         kTextModuleFilesFound, kTextModuleFilesMissing},
                        &CTupModuleUpdater::CheckFilesExist)) {
        FailStep(kTextFilesMissing);
        Report(kReportBoth, kTextUpdateFailed, 100, 100);
        return false;
    }
    Report(kReportBoth, kTextFilesExist, 100, 20);

    Report(kReportBoth, kTextCheckingVersions, 0, -1);
    if (!CheckUpdaterVersions()) {
        FailStep(kTextVersionCheckFailed);
        Report(kReportBoth, kTextUpdateFailed, 100, 100);
        return false;
    }
    Report(kReportBoth, kTextVersionsChecked, 100, 30);

    if (updaters_.empty()) {
        Report(kReportBoth, kTextNothingToUpdate, -1, -1);
        Report(kReportBoth, kTextUpdateSucceeded, 100, 100);
        return true;
    }

    Report(kReportBoth, kTextCollectingServices, 0, -1);
    CollectServicesToStop();
    Report(kReportBoth, kTextServicesCollected, 100, 40);

    // Everything that can be done while the services run is done before they stop; what
    // fails here costs no downtime.
    if (!StageUpdaterFiles()) {
        FailStep(kTextApplyingUpdateFailed);
        Report(kReportBoth, kTextUpdateFailed, 100, 100);
        return false;
    }

    // From here on the services are started again whatever fails.
    bool changed = false;
    Report(kReportBoth, kTextStoppingServices, 0, -1);
    if (!StopServices()) {
        FailStep(kTextStoppingServicesFailed);
    } else {
        Report(kReportBoth, kTextServicesStopped, 100, 50);
        Report(kReportBoth, kTextCheckingWriteAccess, 0, -1);
        if (!RunUpdaterStep({kTextWriteAccessModuleCount, kTextCheckingModuleWriteAccess,
                             kTextModuleFilesWritable, kTextModuleFilesNotWritable},
                            &CTupModuleUpdater::CheckFilesWritable)) {
            FailStep(kTextWriteAccessCheckFailed);
        } else {
            Report(kReportBoth, kTextWriteAccessChecked, 100, 60);
            Report(kReportBoth, kTextBackingUpFiles, 0, -1);
            if (!RunUpdaterStep({kTextBackupModuleCount, kTextBackingUpModule,
                                 kTextModuleBackedUp, kTextModuleBackupFailed},
                                &CTupModuleUpdater::BackupFiles)) {
                FailStep(kTextBackupFailed);
            } else {
                Report(kReportBoth, kTextFilesBackedUp, 100, 70);
                Report(kReportBoth, kTextApplyingUpdate, 0, -1);
                if (!RunUpdaterStep({kTextApplyModuleCount, kTextUpdatingModule,
                                     kTextModuleUpdated, kTextModuleUpdateFailed},
                                    &CTupModuleUpdater::ApplyUpdate)) {
                    FailStep(kTextApplyingUpdateFailed);
                } else {
                    Report(kReportBoth, kTextUpdateApplied, 100, 80);
                    changed = true;
                }
            }
        }
    }

    EndUpdaterStaging();

    Report(kReportBoth, kTextStartingServices, 0, -1);
    bool succeeded = changed;
    if (!StartServices()) {
        FailStep(kTextStartingServicesFailed);
        succeeded = false;
    } else {
        Report(kReportBoth, kTextServicesStarted, 100, 90);
    }

    if (succeeded) {
        Report(kReportBoth, kTextStartingPrograms, 0, -1);
        if (LaunchUpdaterExecutables()) {
            Report(kReportBoth, kTextProgramsStarted, 100, 100);
        } else {
            FailStep(kTextStartingProgramsFailed);
            succeeded = false;
        }
    }

    Report(kReportBoth, succeeded ? kTextUpdateSucceeded : kTextUpdateFailed, 100, 100);
    return succeeded;
}

bool CTupManager::NeedsInstallFolder(size_t index) const {
    // The product's own modules always work in the installation; a generic module or the
    // plain base only when one of its paths says so.
    const std::wstring& className = updaterClassNames_[index];
    if (className != kGenericUpdater && className != L"CTupModuleUpdater") return true;
    const CTupModuleUpdater& updater = *updaters_[index];
    for (const auto& file : updater.Files()) {
        if (NamesInstallFolder(file.InstallationFile())) return true;
    }
    for (const auto& executable : updater.ExecutablesToLaunch()) {
        if (NamesInstallFolder(executable.Path()) || NamesInstallFolder(executable.Parameter())) {
            return true;
        }
    }
    for (const auto& command : updater.CommandsToExecute()) {
        if (NamesInstallFolder(command)) return true;
    }
    // A component named without any token is registered from the install folder.
    for (const auto& object : updater.ObjectsToRegister()) {
        if (NamesInstallFolder(object) || object.find(L"[$") == std::wstring::npos) return true;
    }
    for (const auto* objects : {&updater.NetObjectsToRegister(), &updater.Net4ObjectsToRegister()}) {
        for (const auto& object : *objects) {
            if (NamesInstallFolder(object)) return true;
        }
    }
    return false;
}

bool CTupManager::CreateBackupFolder() {
    sys::IFiles& files = *sys::CurrentMachine().files;
    const std::wstring root = installFolder_ + L"_TupBkp";
    if (!sys::IsExistingFolder(files, root)) {
        Report(kReportStatus, tav::kTextCreatingBackupRoot, -1, -1);
        if (!sys::CreateOrFindFolder(files, root)) {
            Report(kReportStatus, tav::kTextBackupRootNotCreated, -1, -1);
            Tell(TupRunEvent::StepFailed(tav::kTextBackupRootNotCreated, ComponentName() + L": " + UiText(tav::kTextBackupRootNotCreated)));
            return false;
        }
    }

    // A later run of the same program start finds its folder there and goes on using it.
    Report(kReportStatus, tav::kTextCreatingBackupFolder, -1, -1);
    if (!sys::CreateOrFindFolder(files, backupFolder_)) {
        backupFolder_ = MakeBackupFolderName();
        if (!sys::CreateOrFindFolder(files, backupFolder_)) {
            Report(kReportStatus, tav::kTextBackupFolderNotCreated, -1, -1);
            Tell(TupRunEvent::StepFailed(tav::kTextBackupFolderNotCreated, ComponentName() + L": " + UiText(tav::kTextBackupFolderNotCreated)));
            return false;
        }
    }
    KeepDescriptionInBackup();
    return true;
}

void CTupManager::KeepDescriptionInBackup() {
    // What tells where each backed-up file belongs and how the result log reads; a copy that
    // cannot be made only means that a restore must be shown the wizard's folder.
    sys::IFiles& files = *sys::CurrentMachine().files;
    const std::wstring kept = backupFolder_ + kBackupWizardFolder;
    if (!sys::CreateOrFindFolder(files, kept)) return;
    std::vector<std::wstring> names{L"config.xml", L"TavLang.Xml"};
    for (auto& name : files.FindFiles(programFolder_, L"CustomTavLang*.Xml")) {
        names.push_back(std::move(name));
    }
    // The first run of a program start keeps them; a later one finds them there.
    for (const auto& name : names) files.Copy(programFolder_ + name, kept + L"\\" + name, true);
}

bool CTupManager::ArchiveTodoFolder() {
    const std::wstring todo = installFolder_ + L"_todo";
    sys::IFiles& files = *sys::CurrentMachine().files;
    if (!sys::IsExistingFolder(files, todo) || files.FindEntries(todo, L"*").empty()) return true;
    Report(kReportBoth, tav::kTextArchivingTodoFolder, -1, -1);
    return RenameTodoFolder();
}

bool CTupManager::RenameTodoFolder() {
    // The earlier update's to-do list names the archive: _todo_update_7.2.10.txt -> _todo_update_7.2.10.
    sys::IFiles& files = *sys::CurrentMachine().files;
    const std::wstring todo = installFolder_ + L"_todo";
    const std::vector<std::wstring> lists = files.FindFiles(todo + L"\\", L"update_*.txt");
    if (lists.empty()) {
        Report(kReportResultLog, tav::kTextTodoListNotFound, -1, -1, todo);
        return false;
    }
    const std::wstring& list = lists.front();
    const std::wstring archive = todo + L"_" + list.substr(0, list.size() - 4);
    if (!files.Move(todo, archive, false)) {
        Report(kReportResultLog, tav::kTextTodoFolderRenameFailed, -1, -1, todo);
        return false;
    }
    return true;
}

bool CTupManager::VersionGatesPass() {
    const bool apsRuns = ServiceRunning(L"TavAps");
    if (!apsRuns && !ServiceInstalled(L"TavSvc")) return true;
    const std::wstring& minimum = PackageString(PackageKey::MinimumRequiredVersion);
    const std::wstring& nonCompatible = PackageString(PackageKey::MinimumNonCompatibleVersion);
    const sys::FileVersion installed(installFolder_ + (apsRuns ? L"TavAps.exe" : L"Qelsrv.exe"),
                                     false);
    return (minimum.empty() || AtLeast(installed, minimum)) &&
           (nonCompatible.empty() || installed < nonCompatible);
}

bool CTupManager::PrepareUpdaters() {
    using namespace tav;
    const int count = static_cast<int>(updaters_.size());
    Report(kReportBoth, kTextPrepareModuleCount, 0, -1, std::to_wstring(count));
    if (!VersionGatesPass()) {
        Report(kReportBoth, kTextVersionRequirementsNotMet, 0, -1);
        return false;
    }

    bool prepared = true;
    std::vector<size_t> leftOut;
    for (int i = 1; i <= count; ++i) {
        const size_t index = static_cast<size_t>(i - 1);
        const std::wstring name = ShortName(index);
        Report(kReportBoth, kTextPreparingModule, i * (100 / count), -1, name);
        if (updaters_[index]->PrepareUpdate()) {
            Report(kReportBoth, kTextModulePrepared, -1, -1, name);
        } else if (updaterClassNames_[index] == kGenericUpdater) {
            // A generic module whose conditions do not hold on this machine is left out.
            Report(kReportBoth, kTextModuleConditionsNotMet, -1, -1, name);
            leftOut.push_back(index);
        } else {
            Report(kReportBoth, kTextModulePrepareFailed, -1, -1, name);
            prepared = false;
            break;
        }
    }
    for (auto it = leftOut.rbegin(); it != leftOut.rend(); ++it) RemoveUpdater(*it);
    return prepared;
}

bool CTupManager::RunUpdaterStep(const UpdaterStepTexts& texts,
                                 int (CTupModuleUpdater::*operation)()) {
    const int count = static_cast<int>(updaters_.size());
    Report(kReportBoth, texts.start, 0, -1, std::to_wstring(count));
    for (int i = 1; i <= count; ++i) {
        const size_t index = static_cast<size_t>(i - 1);
        const std::wstring name = ShortName(index);
        currentModule_ = name;
        Report(kReportBoth, texts.each, i * (100 / count), -1, name);
        const bool ok = ((*updaters_[index]).*operation)() != 0;
        Report(kReportBoth, ok ? texts.ok : texts.failed, -1, -1, name);
        if (!ok) return false;
    }
    return true;
}

bool CTupManager::StageUpdaterFiles() {
    sys::IFiles& files = *sys::CurrentMachine().files;
    std::vector<std::wstring> staged;
    uint64_t bytes = 0;
    for (const auto& updater : updaters_) updater->PlanStaging(staged, bytes);
    if (staged.empty()) return true;
    uint64_t freeBytes = 0;
    if (files.FreeSpace(backupFolder_, freeBytes) && freeBytes < bytes) {
        Report(kReportBoth, tav::kTextNotEnoughDiskSpace, -1, -1);
        return false;
    }
    // Named before any is made, so that a run that ends while they lie there leaves a way to
    // find them.
    std::string list;
    for (const auto& path : staged) list += tav::ToUtf8(path) + "\r\n";
    if (!files.WriteAll(backupFolder_ + kStagedListName, list)) {
        Report(kReportBoth, tav::kTextFileNotCopied, -1, -1, backupFolder_ + kStagedListName);
        return false;
    }
    for (size_t index = 0; index < updaters_.size(); ++index) {
        currentModule_ = ShortName(index);
        if (updaters_[index]->StageFiles()) continue;
        Report(kReportBoth, tav::kTextModuleUpdateFailed, -1, -1, ShortName(index));
        EndUpdaterStaging();
        return false;
    }
    return true;
}

void CTupManager::EndUpdaterStaging() {
    for (const auto& updater : updaters_) updater->EndStaging();
    sys::IFiles& files = *sys::CurrentMachine().files;
    files.Remove(backupFolder_ + kStagedListName);
}

bool CTupManager::CheckUpdaterVersions() {
    using namespace tav;
    if (enforceUpdate_) {
        Report(kReportBoth, kTextVersionCheckModuleCount, 0, -1, L"0 (update enforced)");
        return true;
    }
    const int count = static_cast<int>(updaters_.size());
    Report(kReportBoth, kTextVersionCheckModuleCount, 0, -1, std::to_wstring(count));
    for (int i = 1; i <= count; ++i) {
        const size_t index = static_cast<size_t>(i - 1);
        const std::wstring name = ShortName(index);
        currentModule_ = name;
        Report(kReportBoth, kTextCheckingModuleVersions, i * (100 / count), -1, name);
        CTupModuleUpdater& updater = *updaters_[index];
        switch (updater.CheckVersions()) {
            case 0:
                Report(kReportBoth, kTextModuleNeedsUpdate, -1, -1, name);
                break;
            case 1:
                Report(kReportBoth, kTextModuleUpToDate, -1, -1, name);
                updater.SetNothingToUpdate(1);
                break;
            default:  // 2, and any answer the run does not know, stops the update
                Report(kReportBoth, kTextModuleVersionCheckFailed, -1, -1, name);
                return false;
        }
    }
    for (size_t index = updaters_.size(); index-- > 0;) {
        if (updaters_[index]->NothingToUpdate()) RemoveUpdater(index);
    }
    return true;
}

bool CTupManager::LaunchUpdaterExecutables() {
    using namespace tav;
    // Every module's programs are started, also after another module's failed: a readme that
    // cannot be shown must not leave the next module's configuration undone.
    const int count = static_cast<int>(updaters_.size());
    Report(kReportBoth, kTextLaunchModuleCount, 0, -1, std::to_wstring(count));
    bool allLaunched = true;
    for (int i = 1; i <= count; ++i) {
        const size_t index = static_cast<size_t>(i - 1);
        const std::wstring name = ShortName(index);
        CTupModuleUpdater& updater = *updaters_[index];
        Report(kReportBoth, kTextStartingModulePrograms, i * (100 / count), -1, name);
        // The module's own programs first, then what the updater adds to them.
        updater.SetBaseLaunchResult(-1);
        const bool launched = updater.CTupModuleUpdater::LaunchExecutables() != 0;
        Report(kReportBoth, launched ? kTextModuleProgramsStarted : kTextModuleProgramsFailed, -1,
               -1, name);
        updater.SetBaseLaunchResult(launched ? 1 : 0);
        const bool ok = updater.LaunchExecutables() != 0;
        updater.SetBaseLaunchResult(-1);
        Report(kReportBoth, ok ? kTextModuleProgramsStarted : kTextModuleProgramsFailed, -1, -1,
               name);
        allLaunched = allLaunched && ok;
    }
    return allLaunched;
}
