// After the files: component registration, registry values, tokens in files, shortcuts,
// commands, and the module's programs at the end of the run.
#include "updater/TupModuleUpdater.h"

int CTupModuleUpdater::RegisterAndRunCommands() { return 1; }

void CTupModuleUpdater::RegisterNetObjects(const StringList&, const std::wstring&) {}

int CTupModuleUpdater::LaunchExecutables() {
    // The run has started this module's programs just before: they are not started again.
    if (BaseLaunchResult() >= 0) return BaseLaunchResult();
    return 1;
}
