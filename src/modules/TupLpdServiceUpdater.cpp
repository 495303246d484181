// Updater of the line printer daemon service; everything but launching is the base's.
#include "modules/TupLpdServiceUpdater.h"
