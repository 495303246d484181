// A condition on the state of the machine.
#include "updater/TupExecutionCondition.h"

#include "system/Machine.h"
#include "system/Service.h"

namespace {

// Whether a service of that name can be opened.
bool ServiceCanBeOpened(const std::wstring& name) {
    ServMon::CService* service = ServMon::CreateServiceByName(name);
    if (!service) return false;
    service->Release();
    return true;
}

}  // namespace

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
    bool met = true;
    if (!pathExists_.empty() && !sys::IsExistingFile(*sys::CurrentMachine().files, pathExists_)) {
        met = false;
    }
    if (!regKeyExists_.empty()) {
        ObjContainer key;
        key.LoadFromRegistry(regKeyExists_, false, -1, false);
        if (key.Count() == 0) met = false;
    }
    if (!serviceExists_.empty() && !ServiceCanBeOpened(serviceExists_)) met = false;
    if (!serviceNotExists_.empty() && ServiceCanBeOpened(serviceNotExists_)) met = false;
    return met;
}
