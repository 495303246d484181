// One installed Windows service as the update run handles it.
#include "system/Service.h"

#include "base/WideText.h"
#include "persist/ObjContainer.h"
#include "system/Machine.h"
#include "system/ProcessList.h"

// Services are started and stopped in the order Windows knows from their configuration; no
// table of further declared dependencies is kept.

namespace ServMon {
namespace {

// The process-wide service manager connection and the number of CService objects using it.
struct SharedConnection {
    std::mutex lock;
    std::unique_ptr<sys::IServiceManager> manager;
    int users = 0;
};

SharedConnection& Shared() {
    static SharedConnection shared;
    return shared;
}

StateCode CodeOf(uint32_t state) {
    switch (state) {
        case sys::ServiceState::Stopped:
            return kStopped;
        case sys::ServiceState::StartPending:
        case sys::ServiceState::ContinuePending:
            return kStarting;
        case sys::ServiceState::StopPending:
            return kStopping;
        case sys::ServiceState::Running:
            return kRunning;
        case sys::ServiceState::PausePending:
        case sys::ServiceState::Paused:
            return kPaused;
        default:
            return kNoState;
    }
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Running, or unknown: nothing a start could change.
bool NeedsStart(int code) { return code != kRunning && code != kNoState; }

// A service of its own process type (also per user); any shared-process bit means a host that
// other services live in too.
bool IsOwnProcess(uint32_t serviceType) {
    return (serviceType & sys::ServiceType::OwnProcess) != 0 &&
           (serviceType & sys::ServiceType::SharedProcess) == 0;
}

struct ProcessSearch {
    uint32_t serviceProcessId;
    std::wstring upperPath;  // empty: only the service's own process
    std::vector<uint32_t>* ids;
};

// The service's process, when it still runs (a status may name one that has gone, whose id
// could be another's by now), and the processes of the same program.
int CollectServiceProcesses(uint32_t processId, uint32_t, const wchar_t* path, void* user) {
    auto* search = static_cast<ProcessSearch*>(user);
    const bool sameProgram =
        !search->upperPath.empty() && path && tav::FoldUpper(path) == search->upperPath;
    if ((processId != 0 && processId == search->serviceProcessId) || sameProgram) {
        search->ids->push_back(processId);
    }
    return 1;
}

}  // namespace

std::wstring ProgramPathOf(std::wstring_view imagePath) {
    size_t begin = 0;
    while (begin < imagePath.size() && IsBlank(imagePath[begin])) ++begin;
    const std::wstring_view rest = imagePath.substr(begin);

    if (!rest.empty() && rest[0] == L'"') {
        const size_t close = rest.find(L'"', 1);
        return std::wstring(rest.substr(1, close == std::wstring_view::npos ? close : close - 1));
    }
    // Blanks may belong to the path: it ends with the first ".exe" that ends a word.
    const std::wstring upper = tav::FoldUpper(rest);
    for (size_t at = upper.find(L".EXE"); at != std::wstring::npos; at = upper.find(L".EXE", at + 1)) {
        if (at + 4 == upper.size() || IsBlank(upper[at + 4])) return std::wstring(rest.substr(0, at + 4));
    }
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    return std::wstring(rest.substr(0, end));
}

std::wstring RunningProgramPathOf(std::wstring_view imagePath) {
    std::wstring program = ProgramPathOf(imagePath);
    if (program.rfind(L"\\??\\", 0) == 0) program.erase(0, 4);
    const size_t slash = program.find_last_of(L"\\/");
    const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    if (nameStart < program.size() && program.find(L'.', nameStart) == std::wstring::npos) {
        program += L".exe";
    }
    return program;
}

CService* CreateServiceByName(const std::wstring& name, sys::OpenFailure* failure) {
    auto* service = new CService();
    const bool opened = service->Open(name);
    if (failure) *failure = service->OpenFailure();
    if (opened) return service;
    service->Release();
    return nullptr;
}

int SharedConnectionUsers() {
    SharedConnection& shared = Shared();
    std::lock_guard<std::mutex> guard(shared.lock);
    return shared.users;
}

CService::CService() = default;

CService::~CService() {
    SharedConnection& shared = Shared();
    std::lock_guard<std::mutex> guard(shared.lock);
    if (usesManager_ && --shared.users == 0) shared.manager.reset();
}

sys::IServiceManager* CService::Manager() {
    SharedConnection& shared = Shared();
    std::lock_guard<std::mutex> guard(shared.lock);
    if (!usesManager_) {
        if (!shared.manager) {
            sys::IServices* services = sys::CurrentMachine().services;
            if (services) shared.manager = services->Connect();
            if (!shared.manager) return nullptr;
        }
        ++shared.users;
        usesManager_ = true;
    }
    // Stays open at least as long as this object, which is counted.
    return shared.manager.get();
}

std::unique_ptr<sys::IService> CService::OpenHandle() {
    sys::IServiceManager* manager = Manager();
    if (!manager) {
        openFailure_ = sys::OpenFailure::Other;
        return nullptr;
    }
    return manager->Open(name_, openFailure_);
}

bool CService::Open(const std::wstring& name) {
    name_ = name;
    auto service = OpenHandle();
    if (!service) return false;
    sys::ServiceConfig config;
    if (!service->QueryConfig(config)) {
        openFailure_ = sys::OpenFailure::Other;
        return false;
    }
    displayName_ = config.displayName;
    return true;
}

bool CService::StateOf(uint32_t& state) {
    auto service = OpenHandle();
    return service && service->QueryState(state);
}

StateCode CService::GetState() {
    uint32_t state = 0;
    return StateOf(state) ? CodeOf(state) : kNoState;
}

StartMode CService::GetStartMode() {
    auto service = OpenHandle();
    sys::ServiceConfig config;
    if (!service || !service->QueryConfig(config)) return kOtherStart;
    switch (config.startType) {
        case sys::ServiceStartType::Automatic:
            return kAutomatic;
        case sys::ServiceStartType::OnDemand:
            return kOnDemand;
        default:
            return kOtherStart;
    }
}

bool CService::SetStartMode(int mode) {
    auto service = OpenHandle();
    if (!service) return false;
    const uint32_t startType = mode == kAutomatic  ? sys::ServiceStartType::Automatic
                               : mode == kOnDemand ? sys::ServiceStartType::OnDemand
                                                   : sys::ServiceStartType::Disabled;
    return service->SetStartType(startType);
}

std::wstring CService::GetBinaryPath() {
    auto service = OpenHandle();
    sys::ServiceConfig config;
    if (!service || !service->QueryConfig(config)) return {};
    return config.binaryPath;
}

bool CService::FindProcessIds() {
    processIds_.clear();
    sys::ServiceProcess process;
    {
        auto service = OpenHandle();
        if (!service || !service->QueryProcess(process)) return false;
    }
    if (!IsOwnProcess(process.serviceType)) return false;

    if (programPath_.empty()) programPath_ = RunningProgramPathOf(GetBinaryPath());
    // Only a full path tells the service's program from others of the same name.
    const bool fullPath = programPath_.size() > 2 && programPath_[1] == L':';
    ProcessSearch search{process.processId, fullPath ? tav::FoldUpper(programPath_) : L"",
                         &processIds_};
    sys::EnumerateProcesses(CollectServiceProcesses, &search);
    return !processIds_.empty();
}

bool CService::KillProcesses() {
    if (!FindProcessIds()) return false;
    sys::Machine& machine = sys::CurrentMachine();
    // Without the privilege the processes of this user can still be ended.
    const bool privileged = machine.processes->SetDebugPrivilege(true);
    bool ended = false;
    for (uint32_t id : processIds_) ended = machine.processes->Terminate(id);
    if (privileged) machine.processes->SetDebugPrivilege(false);
    machine.clock->SleepMs(kAfterKillMs);
    return ended;
}

bool CService::IsExcluded() const {
    ObjContainer excluded;
    excluded.LoadFromRegistry(kExcludedKey, true, -1, false);
    uint32_t value = 0;
    excluded.GetUnsignedLong(name_, value);
    return value != 0;
}

size_t CService::PendingDependents() {
    std::lock_guard<std::mutex> guard(dependentsLock_);
    return dependents_.GetCount();
}

bool CService::Stop(bool withDependents, bool killOnTimeout, CRefObjectList* observer) {
    if (IsExcluded()) return false;
    if (observer) observer->AddTail(this);

    if (withDependents) {
        std::vector<std::wstring> names;
        if (auto service = OpenHandle()) service->ActiveDependents(names);
        for (const std::wstring& name : names) {
            CService* dependent = CreateServiceByName(name);
            if (!dependent) continue;
            {
                std::lock_guard<std::mutex> guard(dependentsLock_);
                dependents_.AddTail(dependent);
            }
            dependent->Stop(true, killOnTimeout, observer);
            dependent->Release();
        }
    }

    auto service = OpenHandle();
    if (!service) return false;
    uint32_t state = 0;
    bool known = service->QueryState(state);
    if (!known || state != sys::ServiceState::Stopped) service->SendStop();

    sys::IClock& clock = *sys::CurrentMachine().clock;
    for (int polls = 0;; ++polls) {
        known = service->QueryState(state);
        if (known && state == sys::ServiceState::Stopped) return true;
        if (polls == kMaxPolls) break;
        clock.SleepMs(kPollMs);
    }
    return killOnTimeout && KillProcesses();
}

void CService::StartDependencies(CRefObjectList* observer, bool waitWhilePending) {
    std::vector<std::wstring> names;
    {
        auto service = OpenHandle();
        sys::ServiceConfig config;
        if (!service || !service->QueryConfig(config)) return;
        names = config.dependencies;
    }
    for (const std::wstring& name : names) {
        // A load-order group is no service of its own.
        if (name.empty() || name[0] == L'+') continue;
        CService* dependency = CreateServiceByName(name);
        if (!dependency) continue;
        if (NeedsStart(dependency->GetState())) dependency->Start(true, observer, waitWhilePending);
        dependency->Release();
    }
}

void CService::RestartDependents(bool waitWhilePending) {
    // Taken out under the lock and started without it: starting takes other locks.
    CRefObjectList stopped;
    {
        std::lock_guard<std::mutex> guard(dependentsLock_);
        while (CRefObject* dependent = dependents_.RemoveHead()) {
            stopped.AddTail(dependent);
            dependent->Release();  // the list above holds it now
        }
    }
    while (auto* dependent = static_cast<CService*>(stopped.RemoveHead())) {
        if (NeedsStart(dependent->GetState())) dependent->Start(true, nullptr, waitWhilePending);
        dependent->Release();
    }
}

bool CService::Start(bool withDependencies, CRefObjectList* observer, bool waitWhilePending) {
    if (IsExcluded()) return false;
    if (observer) observer->AddTail(this);
    if (withDependencies) StartDependencies(observer, waitWhilePending);
    if (GetStartMode() == kOtherStart) SetStartMode(kOnDemand);

    bool running = false;
    if (auto service = OpenHandle()) {
        uint32_t state = 0;
        bool known = service->QueryState(state);
        if (!known || state != sys::ServiceState::Running) service->Start();

        sys::IClock& clock = *sys::CurrentMachine().clock;
        for (int polls = 0;; ++polls) {
            known = service->QueryState(state);
            if (known && state == sys::ServiceState::Running) {
                running = true;
                break;
            }
            const bool starting = known && CodeOf(state) == kStarting;
            if (polls >= kMaxPolls && !(waitWhilePending && starting)) break;
            clock.SleepMs(kPollMs);
        }
    }

    RestartDependents(waitWhilePending);
    return running;
}

}  // namespace ServMon
