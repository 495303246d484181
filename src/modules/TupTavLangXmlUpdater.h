// Updater of the server's language file: the base file update, nothing of its own.
#pragma once

#include "updater/TupModuleUpdater.h"

class CTupTavLangXmlUpdater : public CTupModuleUpdater {
public:
    // The run has started the module's programs already; nothing more to do.
    int LaunchExecutables() override { return 1; }
};
