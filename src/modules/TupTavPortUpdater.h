// Updater of the port monitor module: installs port monitor files into the Windows folder,
// replacing only those that are installed already.
#pragma once

#include "updater/TupModuleUpdater.h"

class CTupTavPortUpdater : public CTupModuleUpdater {
public:
    static constexpr const wchar_t* kFolderPlaceholder = L"[$SYSTEMROOT]";

    // Base, then the system files built for this machine's architecture, the Windows folder
    // in place of its placeholder, wildcard expansion, and no new files in the Windows folder.
    int PrepareUpdate() override;
    // Base, with file-system redirection off on 64-bit Windows.
    int ApplyUpdate() override;
    // Nothing beyond the module's executables, which the run has started.
    int LaunchExecutables() override;
};
