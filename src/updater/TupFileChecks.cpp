// The module updater's checks of its files before the update, and their backup.
#include <string_view>
#include <unordered_set>

#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "system/FileVersion.h"
#include "system/Machine.h"
#include "updater/TupModuleUpdater.h"

namespace {

// How long a locked file is waited for: 36 tries with 5 s between them, about three minutes.
constexpr int kLockAttempts = 36;
constexpr uint32_t kLockPauseMs = 5000;

bool IsFile(const std::wstring& path) {
    return sys::IsExistingFile(*sys::CurrentMachine().files, path);
}

bool EndsWith(std::wstring_view text, std::wstring_view ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

// The text that names the component holding a file the update cannot open.
uint32_t LockedComponentText(const std::wstring& path) {
    if (EndsWith(path, L"Qelsrv.exe")) return tav::kTextQelsrvInUse;
    if (EndsWith(path, L"TavPortUi.dll")) return tav::kTextTavPortUiInUse;
    if (EndsWith(path, L"TavAps.exe")) return tav::kTextTavApsInUse;
    return tav::kTextFileInUse;
}

// Tries to open the file exclusively, pausing between the tries; true once it opened.
bool WaitUntilFree(const std::wstring& path) {
    sys::Machine& machine = sys::CurrentMachine();
    for (int attempt = 1; attempt <= kLockAttempts; ++attempt) {
        if (machine.files->CanOpenExclusively(path)) return true;
        if (attempt < kLockAttempts) machine.clock->SleepMs(kLockPauseMs);
    }
    return false;
}

}  // namespace

void CTupModuleUpdater::TellLeftAlone(const CTupModuleFile& file) const {
    if (manager_) manager_->TellFile(FileDecision::LeftAlone, file.UpdatePackageFile(), file.InstallationFile());
}

int CTupModuleUpdater::CheckFilesExist() {
    const std::wstring packageFolder = manager_ ? manager_->PackageFolder() : std::wstring();
    for (const CTupModuleFile& file : files_) {
        if (file.ExistenceCheckType() == 0) continue;
        Report(tav::kTextCheckingFileExists, file.UpdatePackageFile());
        bool failed = false;
        if (!IsFile(packageFolder + file.UpdatePackageFile())) {
            Report(tav::kTextPackageFileMissing);
            failed = true;
        }
        if (file.ExistenceCheckType() == 2 && !IsFile(file.InstallationFile())) {
            Report(tav::kTextInstalledFileMissing);
            if (manager_) manager_->TellFile(FileDecision::Missing, file.UpdatePackageFile(), file.InstallationFile());
            failed = true;
        }
        if (failed) return 0;
        Report(tav::kTextFileExists, file.UpdatePackageFile());
    }
    return 1;
}

int CTupModuleUpdater::CheckVersions() {
    const std::wstring packageFolder = manager_ ? manager_->PackageFolder() : std::wstring();
    const bool sameVersionConfirmed = manager_ && manager_->VersionQuestionConfirmed();
    int result = 1;
    for (CTupModuleFile& file : files_) {
        const uint32_t type = file.VersionCheckType();
        if (type == 0) continue;
        const std::wstring& name = file.UpdatePackageFile();
        const std::wstring source = packageFolder + name;
        Report(tav::kTextCheckingFileVersion, name);
        if (!IsFile(source)) {
            Report(tav::kTextVersionPackageFileMissing, name);
            return 2;
        }
        if (type != 1 && type != 2) continue;
        if (!IsFile(file.InstallationFile())) {
            Report(tav::kTextInstalledFileMissingUpdateNeeded, name);
            result = 0;
            continue;
        }
        const sys::FileVersion installed(file.InstallationFile(), false);
        const sys::FileVersion delivered(source, false);
        if (type == 1) {
            if (installed.IsUnread() || delivered.IsUnread()) {
                Report(tav::kTextFileVersionUnreadable, name);
                return 2;
            }
            if (installed < delivered) {
                Report(tav::kTextInstalledFileOlder, name);
                result = 0;
            } else if (installed > delivered) {
                Report(tav::kTextInstalledFileNewer, name);
                TellLeftAlone(file);
                return 2;
            } else {
                Report(tav::kTextInstalledFileSameVersion, name);
                TellLeftAlone(file);
                if (sameVersionConfirmed) {
                    result = 0;
                    Report(tav::kTextSameVersionReplaced);
                } else {
                    file.SetUpdateFile(0);
                }
            }
        } else {
            // Any difference counts, a downgrade too; a version that cannot be read is no
            // match, so such a file is replaced.
            if (installed == delivered) {
                file.SetUpdateFile(0);
                Report(tav::kTextInstalledFileSameVersion, name);
                TellLeftAlone(file);
            } else {
                Report(tav::kTextInstalledFileOlder, name);
                result = 0;
            }
        }
    }
    return result;
}

int CTupModuleUpdater::CheckFilesWritable() {
    sys::IFiles& fileSystem = *sys::CurrentMachine().files;
    for (const CTupModuleFile& file : files_) {
        const uint32_t type = file.UpdateCheckType();
        if (type == 0) continue;
        const std::wstring& path = file.InstallationFile();
        Report(tav::kTextCheckingFileWritable, path);
        uint32_t attributes = 0;
        if (!fileSystem.GetAttributes(path, attributes) ||
            (attributes & sys::FileAttribute::Directory)) {
            if (type == 1 || type == 2) {
                ReportFile(tav::kTextFileToWriteMissingSkipped, file, FileDecision::Missing);
                continue;
            }
            Report(tav::kTextFileToWriteMissing, path);
            return 0;
        }
        if (type != 1) continue;
        if ((attributes & sys::FileAttribute::ReadOnly) &&
            !fileSystem.SetAttributes(path, sys::FileAttribute::Normal)) {
            Report(tav::kTextReadOnlyNotCleared, path);
            return 0;
        }
        if (!WaitUntilFree(path)) {
            Report(tav::kTextFileLocked, path);
            Report(LockedComponentText(path), std::wstring(), kReportBoth);
            return 0;
        }
        Report(tav::kTextFileWritable, path);
    }
    return 1;
}

int CTupModuleUpdater::BackupFiles() {
    sys::IFiles& fileSystem = *sys::CurrentMachine().files;
    const std::wstring backupFolder = manager_ ? manager_->BackupFolder() : std::wstring();
    // Folders below the backup folder made or found so far, so that each is looked at once.
    std::unordered_set<std::wstring> readyFolders;
    const std::wstring installFolder = manager_ ? manager_->InstallFolder() : std::wstring();
    for (CTupModuleFile& file : files_) {
        if (!file.UpdateFile() || file.UpdateCheckType() == 2) continue;
        const std::wstring& installed = file.InstallationFile();
        Report(tav::kTextBackingUpFile, installed);
        if (!IsFile(installed)) {
            Report(tav::kTextNoFileToBackUp);
            continue;
        }
        // Another installed file from the same package path gets a backup of its own.
        const std::wstring name =
            manager_ ? manager_->BackupNames().NameFor(file.UpdatePackageFile(), installed,
                                                       [&](const std::wstring& n) { return IsFile(backupFolder + n); })
                     : file.UpdatePackageFile();
        // The first backup of a run wins: it holds the file as it was before the run.
        const std::wstring backup = backupFolder + name;
        if (IsFile(backup)) {
            Report(tav::kTextBackupAlreadyExists);
            continue;
        }
        const size_t slash = name.rfind(L'\\');
        if (slash != std::wstring::npos) {
            const std::wstring folder = name.substr(0, slash);
            if (!readyFolders.count(folder)) {
                if (!CreateFolders(backupFolder, folder)) {
                    Report(tav::kTextBackupSubfolderNotCreated);
                    return 0;
                }
                readyFolders.insert(folder);
            }
        }
        // A staged file in the installation makes its backup when it is swapped in: the old
        // file then only changes its name, on the backup folder's volume.
        const bool viaSwap = file.Staging().staged && !installFolder.empty() &&
                             installed.size() > installFolder.size() &&
                             tav::FoldEquals(installed.substr(0, installFolder.size()), installFolder);
        if (viaSwap) {
            file.Staging().owedBackup = backup;
        } else if (!fileSystem.Copy(installed, backup, true)) {
            // A half-written copy would pass for the backup of a later run.
            fileSystem.Remove(backup);
            Report(tav::kTextFileNotBackedUp, installed);
            return 0;
        }
        // A backup under another name than the package path is named, for the restore.
        Report(tav::kTextFileBackedUp,
               name == file.UpdatePackageFile() ? installed : installed + kBackupNameSeparator + name);
    }
    return 1;
}
