// A condition on the state of the machine.
#include "updater/TupExecutionCondition.h"

void CTupExecutionCondition::Exchange(ObjContainer* container, bool isLoading) {
    if (!container) return;
    if (isLoading) {
        container->GetString(L"PathExists", pathExists_);
        container->GetString(L"RegKeyExists", regKeyExists_);
        container->GetString(L"ServiceExists", serviceExists_);
        container->GetString(L"ServiceNotExists", serviceNotExists_);
    } else {
        container->SetString(L"PathExists", pathExists_);
        container->SetString(L"RegKeyExists", regKeyExists_);
        container->SetString(L"ServiceExists", serviceExists_);
        container->SetString(L"ServiceNotExists", serviceNotExists_);
    }
}

bool CTupExecutionCondition::IsMet() const {
    return true;  // the tests come next
}
