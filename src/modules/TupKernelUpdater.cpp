// Updater of the core server's executables.
#include "modules/TupKernelUpdater.h"

#include "manager/TupManager.h"
#include "persist/ObjContainer.h"
#include "system/ProgramStart.h"

int CTupKernelUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    ExpandFilePatterns();
    WriteInternalSecureChannel(kTcpServerKey);
    return 1;
}

int CTupKernelUpdater::ApplyUpdate() {
    const int result = CTupModuleUpdater::ApplyUpdate();
    if (!result) return result;
    return RegisterServer(L"Qelsrv.exe");
}

int CTupKernelUpdater::LaunchExecutables() {
    std::wstring programFiles;
    {
        ObjContainer key;
        key.LoadFromRegistry(kWindowsKey, false, -1, false);
        key.GetString(L"ProgramFilesDir", programFiles);
    }
    const std::wstring clientFolder = Manager() ? Manager()->ClientMsiFolder() : std::wstring();
    return RunReported(sys::Quoted(programFiles + L"\\Internet Explorer\\iexplore.exe") + L" " +
                           sys::Quoted(clientFolder + L"ReadMe\\readme.html"),
                       false, !sys::CanQuote(programFiles) || !sys::CanQuote(clientFolder));
}
