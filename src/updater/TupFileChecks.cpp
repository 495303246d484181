// The module updater's checks of its files before the update, and their backup.
#include "updater/TupModuleUpdater.h"

int CTupModuleUpdater::CheckFilesExist() { return 1; }
int CTupModuleUpdater::CheckVersions() { return 0; }
int CTupModuleUpdater::CheckFilesWritable() { return 1; }
int CTupModuleUpdater::BackupFiles() { return 1; }
