// Updater of the remote print server's executables: the internal secure channel setting, the
// data folder open to every user, and the COM server's registration.
#pragma once

#include "modules/TupServerUpdater.h"

class CTupRvxUpdater : public CTupServerUpdater {
public:
    static constexpr const wchar_t* kTcpServerKey =
        L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavAps\\TcpServer";

    // Base preparation, wildcard expansion, the internal secure channel values, then the data
    // folder (default written where missing) created and opened to everyone. 0 when the
    // folder cannot be created or its access list not written.
    int PrepareUpdate() override;
    // Base file update, then TavAps.exe registers itself again; 0 when it cannot be started.
    int ApplyUpdate() override;
    // The module has no programs beyond those the run starts.
    int LaunchExecutables() override { return 1; }
};
