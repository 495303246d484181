// Updater of the line printer daemon service: the base file update, nothing of its own.
#pragma once

#include "updater/TupModuleUpdater.h"

class CTupLpdServiceUpdater : public CTupModuleUpdater {
public:
    // The run has started the module's programs already; nothing more to do.
    int LaunchExecutables() override { return 1; }
};
