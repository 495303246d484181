// Creates the configurable objects of a package description by class name.
#include "manager/TupClassFactory.h"

#include <map>
#include <mutex>

#include "modules/TupDifFilesUpdater.h"
#include "modules/TupGenericUpdater.h"
#include "modules/TupJqxPrintUpdater.h"
#include "modules/TupKernelResourcesUpdater.h"
#include "modules/TupKernelUpdater.h"
#include "modules/TupLpdServiceUpdater.h"
#include "modules/TupOzaroUpdater.h"
#include "modules/TupRvxResourcesUpdater.h"
#include "modules/TupRvxUpdater.h"
#include "modules/TupRvxWebpagesUpdater.h"
#include "modules/TupTavLangXmlUpdater.h"
#include "modules/TupTavPortUpdater.h"
#include "modules/TupWebModulesUpdater.h"
#include "modules/TupWebpagesUpdater.h"
#include "updater/TupExecutionCondition.h"
#include "updater/TupModuleUpdater.h"
#include "updater/TupToken.h"

namespace TupClassFactory {
namespace {

template <typename T>
std::unique_ptr<CPersistentObject> Make() {
    return std::make_unique<T>();
}

std::mutex g_lock;

// Class names are matched exactly, letter case included.
std::map<std::wstring, CreateFunction>& Table() {
    static std::map<std::wstring, CreateFunction> table = {
        {L"CTupDifFilesUpdater", &Make<CTupDifFilesUpdater>},
        {L"CTupExecutionCondition", &Make<CTupExecutionCondition>},
        {L"CTupGenericUpdater", &Make<CTupGenericUpdater>},
        {L"CTupJqxPrintUpdater", &Make<CTupJqxPrintUpdater>},
        {L"CTupKernelResourcesUpdater", &Make<CTupKernelResourcesUpdater>},
        {L"CTupKernelUpdater", &Make<CTupKernelUpdater>},
        {L"CTupLpdServiceUpdater", &Make<CTupLpdServiceUpdater>},
        {L"CTupModuleUpdater", &Make<CTupModuleUpdater>},
        {L"CTupOzaroUpdater", &Make<CTupOzaroUpdater>},
        {L"CTupRvxResourcesUpdater", &Make<CTupRvxResourcesUpdater>},
        {L"CTupRvxUpdater", &Make<CTupRvxUpdater>},
        {L"CTupRvxWebpagesUpdater", &Make<CTupRvxWebpagesUpdater>},
        {L"CTupTavLangXmlUpdater", &Make<CTupTavLangXmlUpdater>},
        {L"CTupTavPortUpdater", &Make<CTupTavPortUpdater>},
        {L"CTupToken", &Make<CTupToken>},
        {L"CTupWebModulesUpdater", &Make<CTupWebModulesUpdater>},
        {L"CTupWebpagesUpdater", &Make<CTupWebpagesUpdater>},
    };
    return table;
}

}  // namespace

std::unique_ptr<CPersistentObject> Create(const std::wstring& className) {
    CreateFunction create = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto it = Table().find(className);
        if (it != Table().end()) create = it->second;
    }
    return create ? create() : nullptr;
}

CreateFunction Register(const std::wstring& className, CreateFunction create) {
    std::lock_guard<std::mutex> lock(g_lock);
    auto& table = Table();
    auto it = table.find(className);
    CreateFunction previous = it == table.end() ? nullptr : it->second;
    if (create) {
        table[className] = create;
    } else if (it != table.end()) {
        table.erase(it);
    }
    return previous;
}

}  // namespace TupClassFactory
