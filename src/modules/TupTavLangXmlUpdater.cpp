// Updater of the server's language file; everything but launching is the base's.
#include "modules/TupTavLangXmlUpdater.h"
