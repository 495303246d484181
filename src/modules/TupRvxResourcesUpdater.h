// Updater of the remote print server's resources: their path registry values, and those paths
// put into the installation paths of the module's files.
#pragma once

#include "modules/TupServerUpdater.h"

class CTupRvxResourcesUpdater : public CTupServerUpdater {
public:
    // Base preparation, the POS path and job ticket folder (defaults written where missing)
    // put into the installation paths, wildcard expansion and the engine path defaults. 0
    // when either path is still empty.
    int PrepareUpdate() override;
    // The module has no programs beyond those the run starts.
    int LaunchExecutables() override { return 1; }
};
