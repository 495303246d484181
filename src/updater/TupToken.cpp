// A token that a module defines.
#include "updater/TupToken.h"

void CTupToken::Exchange(ObjContainer* container, bool isLoading) {
    if (!container) return;
    if (isLoading) {
        container->GetString(L"Name", name_);
        container->GetString(L"ServiceLocation", serviceLocation_);
        container->GetString(L"RegKeyValue", regKeyValue_);
        container->GetString(L"EnvironmentVariable", environmentVariable_);
        container->GetString(L"Path", path_);
    } else {
        container->SetString(L"Name", name_);
        container->SetString(L"ServiceLocation", serviceLocation_);
        container->SetString(L"RegKeyValue", regKeyValue_);
        container->SetString(L"EnvironmentVariable", environmentVariable_);
        container->SetString(L"Path", path_);
    }
}

std::wstring CTupToken::GetValue() const { return path_; }
