// Staging the module's new files beside the installed ones while the services still run, so
// that the file phase, once they are down, only swaps names.
#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "system/Machine.h"
#include "updater/TupModuleUpdater.h"

namespace {

sys::IFiles& FileSystem() { return *sys::CurrentMachine().files; }

}  // namespace

bool CTupModuleUpdater::WantsStaging(const CTupModuleFile& file) const {
    if (!file.UpdateFile()) return false;
    const std::wstring& installed = file.InstallationFile();
    const size_t slash = installed.rfind(L'\\');
    // A file the file phase would skip, or whose folder it would have to make first, is
    // copied then as before.
    if (slash == std::wstring::npos || slash == 0) return false;
    return FolderExists(installed.substr(0, slash));
}

void CTupModuleUpdater::PlanStaging(std::vector<std::wstring>& paths, uint64_t& bytes) {
    sys::IFiles& files = FileSystem();
    const std::wstring packageFolder = manager_ ? manager_->PackageFolder() : std::wstring();
    for (CTupModuleFile& file : files_) {
        StagedReplacement& staging = file.Staging();
        staging = StagedReplacement();
        if (!WantsStaging(file)) continue;
        staging.planned = true;
        sys::FileFacts source;
        if (files.GetFacts(packageFolder + file.UpdatePackageFile(), source)) bytes += source.size;
        paths.push_back(file.InstallationFile() + TupStaging::kSuffix);
    }
}

int CTupModuleUpdater::StageFiles() {
    sys::IFiles& files = FileSystem();
    const std::wstring packageFolder = manager_ ? manager_->PackageFolder() : std::wstring();
    for (CTupModuleFile& file : files_) {
        StagedReplacement& staging = file.Staging();
        if (!staging.planned) continue;
        const std::wstring& installed = file.InstallationFile();
        const std::wstring source = packageFolder + file.UpdatePackageFile();
        if (manager_) manager_->ShowAction(tav::kTextUpdatingFile, installed);

        sys::FileFacts facts;
        if (WantsCustomizationCheck(file) && files.GetFacts(installed, facts) &&
            !(facts.attributes & sys::FileAttribute::Directory)) {
            staging.lookedFacts = facts;
            staging.customization = CheckCustomization(installed);
        }

        // Whatever an earlier, interrupted run left at the staged name goes first.
        const std::wstring staged = installed + TupStaging::kSuffix;
        if (files.CopyToNewFile(source, staged, std::wstring()) ||
            (TupStaging::ClearName(files, staged) && files.CopyToNewFile(source, staged, std::wstring()))) {
            staging.staged = true;
            continue;
        }
        TupStaging::ClearName(files, staged);
        Report(tav::kTextUpdatingFile, installed);
        if (sys::IsExistingFile(files, source)) {
            ReportFile(tav::kTextFileNotCopied, file, FileDecision::NotReplaced);
        } else {
            Report(tav::kTextUpdatePackageFileMissing);
        }
        EndStaging();
        return 0;
    }
    return 1;
}

void CTupModuleUpdater::EndStaging() {
    sys::IFiles& files = FileSystem();
    for (CTupModuleFile& file : files_) {
        StagedReplacement& staging = file.Staging();
        const std::wstring& installed = file.InstallationFile();
        // The log says the file was backed up: so it is, also where the file was not replaced.
        if (!staging.owedBackup.empty() && sys::IsExistingFile(files, installed) &&
            !CopyOwedBackup(installed, staging.owedBackup)) {
            Report(tav::kTextFileNotBackedUp, installed);
        }
        if (staging.staged) TupStaging::ClearName(files, installed + TupStaging::kSuffix);
        staging = StagedReplacement();
    }
}
