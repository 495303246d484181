// Updater of the port monitor module.
#include "modules/TupTavPortUpdater.h"

#include "app/lang/TextIds.h"
#include "modules/TupModuleSteps.h"
#include "modules/TupUpdaterSteps.h"
#include "system/Machine.h"

int CTupTavPortUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    Report(tav::kTextReadingWindowsFolder);

    sys::Machine& machine = sys::CurrentMachine();
    std::wstring windowsFolder;
    // An empty value names no folder: the root of the current drive would take its place.
    if (!machine.environment->GetVariable(L"SYSTEMROOT", windowsFolder) || windowsFolder.empty()) {
        Report(tav::kTextSystemRootNotSet);
        return 0;
    }
    if (windowsFolder.back() != L'\\') windowsFolder += L'\\';
    Report(tav::kTextWindowsFolder, windowsFolder);

    // System folder libraries and setup files come in one build per architecture.
    TupModuleSteps::KeepMachineArchitecture(
        Files(), machine.wow64->Is64BitWindows(),
        [](const CTupModuleFile&, const std::wstring& lowerPackagePath) {
            return lowerPackagePath.find(L"\\system32\\") != std::wstring::npos &&
                   (lowerPackagePath.find(L".dll") != std::wstring::npos ||
                    lowerPackagePath.find(L".inf") != std::wstring::npos);
        });

    Report(tav::kTextUsingPath, windowsFolder);
    const int changed =
        TupSteps::ReplacePathPlaceholders(Files(), {{kFolderPlaceholder, windowsFolder}});
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));

    ExpandFilePatterns();

    // The module updates port monitor files in the Windows folder; it does not add new ones.
    Report(tav::kTextFilteringNewPortFiles);
    Report(tav::kTextFileEntryCount, std::to_wstring(Files().size()));
    sys::IFiles& fileSystem = *machine.files;
    std::vector<CTupModuleFile> kept;
    for (CTupModuleFile& file : Files()) {
        uint32_t attributes = 0;
        const bool inWindowsFolder = file.InstallationFile().compare(0, windowsFolder.size(), windowsFolder) == 0;
        if (inWindowsFolder && !fileSystem.GetAttributes(file.InstallationFile(), attributes)) {
            Report(tav::kTextPortFileNotInstalledSkipped, file.UpdatePackageFile());
            continue;
        }
        kept.push_back(std::move(file));
    }
    Files().swap(kept);
    Report(tav::kTextPortFilesFiltered);
    Report(tav::kTextFileEntryCount, std::to_wstring(Files().size()));
    return 1;
}

int CTupTavPortUpdater::ApplyUpdate() {
    CTupRedirectionOff redirectionOff;
    if (!redirectionOff.Succeeded()) return 0;
    return CTupModuleUpdater::ApplyUpdate();
}

int CTupTavPortUpdater::LaunchExecutables() { return 1; }
