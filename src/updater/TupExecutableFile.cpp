// A program that a module starts after the update.
#include "updater/TupExecutableFile.h"

void CTupExecutableFile::Exchange(ObjContainer* container, bool isLoading) {
    if (!container) return;
    if (isLoading) {
        container->GetString(L"Path", path_);
        container->GetString(L"Parameter", parameter_);
        container->GetUnsignedLong(L"WaitTillEnd", waitTillEnd_);
    } else {
        container->SetString(L"Path", path_);
        container->SetString(L"Parameter", parameter_);
        container->SetUnsignedLong(L"WaitTillEnd", waitTillEnd_);
    }
}
