// Updater of the server's web modules.
#include "modules/TupWebModulesUpdater.h"

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "modules/TupUpdaterSteps.h"
#include "persist/ObjContainer.h"
#include "system/ProgramStart.h"

void CTupWebModulesUpdater::Exchange(ObjContainer* container, bool isLoading) {
    CTupModuleUpdater::Exchange(container, isLoading);
    if (container && isLoading) container->GetStringList(L"ScriptsToExecute", scriptsToExecute_);
}

bool CTupWebModulesUpdater::EnsureFolderValue(const std::wstring& key, const wchar_t* valueName,
                                              const std::wstring& defaultValue, bool grant) const {
    std::wstring folder;
    bool written = false;
    EnsureRegistryValue(key, valueName, defaultValue, folder, written);
    // A value that was already there is trusted, and its folder left as it is.
    if (!written) return true;
    if (!CreateFolderForPath(folder)) return false;
    return !grant || GrantEveryoneFullAccess(folder);
}

int CTupWebModulesUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    const CTupManager* manager = Manager();
    const std::wstring installFolder = manager ? manager->InstallFolder() : std::wstring();
    const bool runsTavAps = manager && manager->RunsTavAps();
    const std::wstring key = TupSteps::ServerSettingsKey(manager);

    if (!EnsureFolderValue(key, L"DRQMSPOOLERPATH", installFolder + L"DRQMSpool\\", true)) return 0;
    if (!EnsureFolderValue(key, L"DataFolder", installFolder + L"Data\\", !runsTavAps)) return 0;
    // The product key names the remote server's data folder too.
    if (runsTavAps &&
        !EnsureFolderValue(CTupManager::kProductKey, L"DataFolder", installFolder + L"Data\\", false)) {
        return 0;
    }
    ExpandFilePatterns();
    return 1;
}

int CTupWebModulesUpdater::LaunchExecutables() {
    // The module's programs were started by the run just before; these come after them. A
    // script that could not be started fails the step even when later ones start.
    int result = 1;
    for (const std::wstring& entry : scriptsToExecute_) {
        std::wstring script = entry;
        ReplaceTokens(script);
        // Two blanks after the tool, as the log has always shown it.
        const std::wstring parameters = L" " + sys::Quoted(script);
        Report(tav::kTextRunningCommand, L"cscript.exe " + parameters);
        if (sys::CanQuote(script) && RunAndWait(L"cscript.exe", parameters)) {
            Report(tav::kTextCommandStarted);
        } else {
            Report(tav::kTextCommandNotStarted);
            result = 0;
        }
    }
    return result;
}
