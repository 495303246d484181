// The services of an update run: which to stop and in what order, stopping them before the
// file work and starting them again afterwards, asking the administrator when one will not.
#include <algorithm>
#include <memory>
#include <utility>

#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "manager/TupOwner.h"
#include "system/Machine.h"
#include "system/Service.h"
#include "updater/TupModuleUpdater.h"

namespace {

// Stopped before the print spooler whenever it is stopped, in this order.
constexpr const wchar_t* kBeforeSpooler[] = {L"fax",      L"lpdsvc",  L"tavlpdsvc",
                                             L"tavapsvc", L"dcstart", L"cloudprintsvc"};

// Rounds of waiting for the server services, which may need a while after a failed start.
constexpr int kServerStartRounds = 4;
constexpr uint32_t kServerStartWaitMs = 5000;

struct ReleaseService {
    void operator()(ServMon::CService* service) const { service->Release(); }
};
using ServicePtr = std::unique_ptr<ServMon::CService, ReleaseService>;

bool Holds(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::wstring& entry) { return tav::FoldEquals(entry, name); });
}

// Puts name, spelled as given, at the front and removes every other spelling of it.
void PutFirst(std::vector<std::wstring>& names, const std::wstring& name) {
    std::erase_if(names, [&](const std::wstring& entry) { return tav::FoldEquals(entry, name); });
    names.insert(names.begin(), name);
}

std::wstring Join(const std::vector<std::wstring>& names) {
    std::wstring joined;
    for (const auto& name : names) {
        if (!joined.empty()) joined += L", ";
        joined += name;
    }
    return joined;
}

bool StartService(ServMon::CService& service, const std::wstring& name) {
    if (service.Start(false, nullptr, true)) return true;
    if (!tav::FoldEquals(name, L"tavsvc") && !tav::FoldEquals(name, L"tavaps")) return false;
    sys::IClock& clock = *sys::CurrentMachine().clock;
    for (int round = 0; round < kServerStartRounds; ++round) {
        clock.SleepMs(kServerStartWaitMs);
        if (service.GetState() == ServMon::kRunning) return true;
        if (service.Start(false, nullptr, true)) return true;
    }
    return false;
}

}  // namespace

bool CTupManager::ServiceRunning(const wchar_t* name) {
    ServicePtr service(ServMon::CreateServiceByName(name));
    return service && service->GetState() == ServMon::kRunning;
}

bool CTupManager::ServiceInstalled(const wchar_t* name) {
    // A service that exists but cannot be reached is still installed.
    sys::OpenFailure failure = sys::OpenFailure::None;
    return ServicePtr(ServMon::CreateServiceByName(name, &failure)) != nullptr ||
           failure != sys::OpenFailure::NoSuchService;
}

std::wstring CTupManager::ServiceProgram(const wchar_t* name) {
    ServicePtr service(ServMon::CreateServiceByName(name));
    if (!service) return std::wstring();
    const std::wstring program = ServMon::RunningProgramPathOf(service->GetBinaryPath());
    // Only a full path names a folder; anything else tells nothing about the installation.
    const bool fullPath = program.size() > 3 && program[1] == L':' && program[2] == L'\\';
    return fullPath ? program : std::wstring();
}

void CTupManager::CollectServicesToStop() {
    servicesToStop_.clear();
    const int count = static_cast<int>(updaters_.size());
    for (int i = 1; i <= count; ++i) {
        const size_t index = static_cast<size_t>(i - 1);
        Report(kReportResultLog, tav::kTextCollectingModuleServices, i * (100 / count), -1,
               ShortName(index));
        for (const auto& name : updaters_[index]->AffectedServices()) {
            if (!Holds(servicesToStop_, name)) servicesToStop_.push_back(name);
        }
    }
    Report(kReportBoth, tav::kTextAffectedServices, -1, -1, Join(servicesToStop_));
    servicesToStop_ = StopOrder(std::move(servicesToStop_), generalAffectedServices_);
    Report(kReportBoth, tav::kTextServiceStopOrder, -1, -1, Join(servicesToStop_));
}

std::vector<std::wstring> CTupManager::StopOrder(std::vector<std::wstring> names,
                                                 const std::vector<std::wstring>& general) {
    // Stopping order: the general services, then the web server and the server services,
    // then the services that print through the spooler, then the rest.
    if (Holds(names, L"spooler")) {
        for (auto it = std::rbegin(kBeforeSpooler); it != std::rend(kBeforeSpooler); ++it) {
            PutFirst(names, *it);
        }
    }
    const bool heldTavSvc = Holds(names, L"tavsvc");
    if (heldTavSvc) PutFirst(names, L"tavsvc");
    if (Holds(names, L"tavaps")) PutFirst(names, L"tavaps");
    if (heldTavSvc) PutFirst(names, L"w3svc");
    for (auto it = general.rbegin(); it != general.rend(); ++it) PutFirst(names, *it);
    return names;
}

bool CTupManager::StopServices() {
    using namespace tav;
    const int count = static_cast<int>(servicesToStop_.size());
    bool allStopped = true;
    // Services this run did not stop, so that it does not start them afterwards.
    std::vector<std::wstring> setAside;
    for (int i = 1; i <= count; ++i) {
        const std::wstring name = servicesToStop_[static_cast<size_t>(i - 1)];
        Report(kReportBoth, kTextStoppingService, (100 / count) * i, -1, name);
        sys::OpenFailure failure = sys::OpenFailure::None;
        ServicePtr service(ServMon::CreateServiceByName(name, &failure));
        if (!service) {
            // Only a service that does not exist may be passed over: one that cannot be
            // reached may still run while its files are replaced.
            const bool missing = failure == sys::OpenFailure::NoSuchService;
            Report(kReportBoth, missing ? kTextServiceToStopNotFound : kTextServiceNotStopped, -1,
                   -1, name);
            setAside.push_back(name);
            if (!missing) allStopped = false;
            continue;
        }
        if (service->GetState() == ServMon::kStopped) {
            Report(kReportBoth, kTextServiceAlreadyStopped, -1, -1, name);
            setAside.push_back(name);
            continue;
        }
        bool stopped = false;
        while (!(stopped = service->Stop(false, true, nullptr)) &&
               RetryService(ServiceAction::Stop, name)) {
        }
        if (stopped) {
            Report(kReportBoth, kTextServiceStopped, -1, -1, name);
            Tell(TupRunEvent::Service(TupRunEvent::Kind::ServiceStopped, name));
        } else {
            Report(kReportBoth, kTextServiceNotStopped, -1, -1, name);
            setAside.push_back(name);
            allStopped = false;
        }
    }
    for (const auto& name : setAside) {
        auto it = std::find_if(servicesToStop_.begin(), servicesToStop_.end(),
                               [&](const std::wstring& entry) { return tav::FoldEquals(entry, name); });
        if (it != servicesToStop_.end()) servicesToStop_.erase(it);
    }
    return allStopped;
}

bool CTupManager::StartServices() {
    using namespace tav;
    const int count = static_cast<int>(servicesToStop_.size());
    bool allStarted = true;
    for (int i = 1; i <= count; ++i) {
        const std::wstring name = servicesToStop_[static_cast<size_t>(count - i)];
        Report(kReportBoth, kTextStartingService, (100 / count) * i, -1, name);
        sys::OpenFailure failure = sys::OpenFailure::None;
        ServicePtr service(ServMon::CreateServiceByName(name, &failure));
        if (!service) {
            const bool missing = failure == sys::OpenFailure::NoSuchService;
            Report(kReportBoth, missing ? kTextServiceToStartNotFound : kTextServiceNotStarted, -1,
                   -1, name);
            if (!missing) allStarted = false;
            continue;
        }
        if (service->GetState() == ServMon::kRunning) {
            Report(kReportBoth, kTextServiceAlreadyRunning, -1, -1, name);
            continue;
        }
        bool started = false;
        while (!(started = StartService(*service, name)) &&
               RetryService(ServiceAction::Start, name)) {
        }
        if (started) {
            Report(kReportBoth, kTextServiceStarted, -1, -1, name);
            Tell(TupRunEvent::Service(TupRunEvent::Kind::ServiceStarted, name));
        } else {
            Report(kReportBoth, kTextServiceNotStarted, -1, -1, name);
            allStarted = false;
        }
    }
    return allStarted;
}

bool CTupManager::RetryService(ServiceAction action, const std::wstring& name) {
    using namespace tav;
    if (serviceRetriesCancelled_) return false;
    // Nobody to ask: trying again at once would only fail for ever, so this counts as Cancel.
    if (!owner_) {
        serviceRetriesCancelled_ = true;
        return false;
    }
    const bool stopping = action == ServiceAction::Stop;
    const int answer = owner_->AskQuestion(
        UiText(stopping ? kTextServiceStopRetry : kTextServiceStartRetry) + L"\n\n" + name,
        UiText(stopping ? kTextServiceStopFailedCaption : kTextServiceStartFailedCaption),
        sys::MessageStyle::RetryCancel | sys::MessageStyle::IconWarning);
    if (answer == sys::MessageAnswer::Retry) {
        Report(kReportBoth, kTextServiceRetryAnswer, -1, -1, L"\"Retry\"");
        return true;
    }
    serviceRetriesCancelled_ = true;
    Report(kReportBoth, kTextServiceRetryAnswer, -1, -1, L"\"Cancel\"");
    owner_->AskQuestion(UiText(kTextServiceRetriesCancelled), UiText(kTextWizardCaption),
                        sys::MessageStyle::Ok | sys::MessageStyle::IconWarning);
    return false;
}
