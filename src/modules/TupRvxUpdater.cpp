// Updater of the remote print server's executables.
#include "modules/TupRvxUpdater.h"

int CTupRvxUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    ExpandFilePatterns();
    WriteInternalSecureChannel(kTcpServerKey);
    const std::wstring dataFolder =
        EnsureInstallPath(TupSteps::ServerSettingsKey(Manager()), L"DataFolder", L"Data\\");
    if (!CreateFolderForPath(dataFolder)) return 0;
    return GrantEveryoneFullAccess(dataFolder) ? 1 : 0;
}

int CTupRvxUpdater::ApplyUpdate() {
    const int result = CTupModuleUpdater::ApplyUpdate();
    if (!result) return result;
    return RegisterServer(L"TavAps.exe");
}
