// Updater of the core server's executables: the internal secure channel setting, the COM
// server's registration and, at the end, the readme.
#pragma once

#include "modules/TupServerUpdater.h"

class CTupKernelUpdater : public CTupServerUpdater {
public:
    static constexpr const wchar_t* kTcpServerKey =
        L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavTcpServer";
    static constexpr const wchar_t* kWindowsKey =
        L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion";

    // Base preparation, wildcard expansion and the internal secure channel values. Always 1.
    int PrepareUpdate() override;
    // Base file update, then Qelsrv.exe registers itself again; 0 when it cannot be started.
    int ApplyUpdate() override;
    // Shows the readme of the client folder in the browser; 0 when the browser cannot start.
    int LaunchExecutables() override;
};
