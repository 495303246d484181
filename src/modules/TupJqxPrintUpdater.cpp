// Updater of the print processor module.
#include "modules/TupJqxPrintUpdater.h"

#include <algorithm>
#include <vector>

#include "app/lang/TextIds.h"
#include "modules/TupModuleSteps.h"
#include "modules/TupUpdaterSteps.h"
#include "system/Machine.h"

int CTupJqxPrintUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    Report(tav::kTextPreparingPrintProcessor);

    sys::Machine& machine = sys::CurrentMachine();
    std::wstring folder;
    if (!machine.spooler->GetPrintProcessorFolder(folder) || folder.empty()) {
        Report(tav::kTextPrintProcessorFolderUnknown);
        return 0;
    }
    if (folder.back() != L'\\') folder += L'\\';
    Report(tav::kTextPrintProcessorFolder, folder);

    // A package may carry the library for both architectures; only one fits this machine.
    TupModuleSteps::KeepMachineArchitecture(
        Files(), machine.wow64->Is64BitWindows(),
        [](const CTupModuleFile& file, const std::wstring& lowerPackagePath) {
            return lowerPackagePath.find(L"jqxprint.dll") != std::wstring::npos &&
                   file.InstallationFile().find(kFolderPlaceholder) != std::wstring::npos;
        });

    Report(tav::kTextUsingPath, folder);
    const int changed = TupSteps::ReplacePathPlaceholders(Files(), {{kFolderPlaceholder, folder}});
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));
    return 1;
}

int CTupJqxPrintUpdater::ApplyUpdate() {
    CTupRedirectionOff redirectionOff;
    if (!redirectionOff.Succeeded()) return 0;
    return CTupModuleUpdater::ApplyUpdate();
}

int CTupJqxPrintUpdater::LaunchExecutables() {
    CTupRedirectionOff redirectionOff;
    if (!redirectionOff.Succeeded()) return 0;

    sys::ISpooler& spooler = *sys::CurrentMachine().spooler;
    Report(tav::kTextListingPrintProcessors);
    std::vector<std::wstring> processors;
    if (!spooler.ListPrintProcessors(processors)) {
        Report(tav::kTextPrintProcessorsNotListed);
        return 0;
    }
    Report(tav::kTextPrintProcessorsListed);
    // The spooler's names are matched exactly, letter case included.
    if (std::find(processors.begin(), processors.end(), kProcessorName) != processors.end()) {
        Report(tav::kTextPrintProcessorAlreadyRegistered);
        return 1;
    }
    Report(tav::kTextRegisteringPrintProcessor);
    if (!spooler.RegisterPrintProcessor(kProcessorLibrary, kProcessorName)) {
        Report(tav::kTextPrintProcessorNotRegistered);
        return 0;
    }
    Report(tav::kTextPrintProcessorRegistered);
    return 1;
}
