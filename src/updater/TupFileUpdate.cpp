// The file phase of the update: replacing the module's files, keeping customized ones.
#include "updater/TupModuleUpdater.h"

int CTupModuleUpdater::ReplaceFiles() { return 1; }
