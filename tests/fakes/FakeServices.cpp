// A service control manager for native tests, with services whose behaviour a test scripts.
#include "fakes/FakeServices.h"

#include <algorithm>
#include <functional>

#include "base/WideText.h"

namespace fakes {

// An opened service; answers as Windows would for the scripted service.
class FakeServiceHandle final : public sys::IService {
public:
    FakeServiceHandle(FakeServices& owner, FakeServices::Service& service)
        : owner_(owner), service_(service) {
        ++owner_.serviceOpens;
    }
    ~FakeServiceHandle() override { ++owner_.serviceCloses; }

    bool QueryState(uint32_t& state) override {
        auto& s = service_;
        ++s.stateQueries;
        const bool pending = s.state == sys::ServiceState::StopPending ||
                             s.state == sys::ServiceState::StartPending;
        if (pending && s.pendingQueries >= 0) {
            if (s.pendingQueries > 0) {
                --s.pendingQueries;
            } else {
                s.state = s.state == sys::ServiceState::StopPending ? sys::ServiceState::Stopped
                                                                     : sys::ServiceState::Running;
            }
        }
        state = s.state;
        return true;
    }

    bool QueryConfig(sys::ServiceConfig& config) override {
        config = service_.config;
        return true;
    }

    bool QueryProcess(sys::ServiceProcess& process) override {
        const auto& s = service_;
        process.serviceType = s.serviceType;
        const bool stopped = s.state == sys::ServiceState::Stopped;
        process.processId = stopped || s.processIds.empty() ? 0 : s.processIds.front();
        return true;
    }

    bool SetStartType(uint32_t startType) override {
        service_.startTypeChanges.push_back(startType);
        service_.config.startType = startType;
        return true;
    }

    bool SendStop() override {
        auto& s = service_;
        ++s.stopRequests;
        owner_.requests.push_back(L"stop " + s.name);
        if (s.state == sys::ServiceState::Stopped || s.refusesStop) return false;
        // Windows refuses to stop a service that active services depend on.
        std::vector<std::wstring> dependents;
        ActiveDependents(dependents);
        if (!dependents.empty()) return false;
        s.state = s.stopPolls == 0 ? sys::ServiceState::Stopped : sys::ServiceState::StopPending;
        s.pendingQueries = s.stopPolls;
        return true;
    }

    bool Start() override {
        auto& s = service_;
        ++s.startRequests;
        owner_.requests.push_back(L"start " + s.name);
        if (s.config.startType == sys::ServiceStartType::Disabled) return false;
        if (s.state != sys::ServiceState::Stopped || s.failsToStart) return false;
        s.state = s.startPolls == 0 ? sys::ServiceState::Running : sys::ServiceState::StartPending;
        s.pendingQueries = s.startPolls;
        return true;
    }

    // Like Windows, the dependents of dependents too, each before the service it depends on.
    bool ActiveDependents(std::vector<std::wstring>& names) override {
        names.clear();
        Collect(service_.name, names);
        return true;
    }

private:
    void Collect(const std::wstring& name, std::vector<std::wstring>& names) {
        for (auto& [key, other] : owner_.services_) {
            const auto& deps = other->config.dependencies;
            const bool depends = std::any_of(deps.begin(), deps.end(), [&](const auto& d) {
                return tav::FoldEquals(d, name);
            });
            if (!depends || other->state == sys::ServiceState::Stopped) continue;
            const bool listed = std::any_of(names.begin(), names.end(), [&](const auto& n) {
                return tav::FoldEquals(n, other->name);
            });
            if (listed) continue;
            Collect(other->name, names);
            names.push_back(other->name);
        }
    }

    FakeServices& owner_;
    FakeServices::Service& service_;
};

namespace {

class FakeServiceManager final : public sys::IServiceManager {
public:
    explicit FakeServiceManager(FakeServices& owner, std::function<FakeServices::Service*(
                                                         const std::wstring&)> find)
        : owner_(owner), find_(std::move(find)) {
        ++owner_.connects;
    }
    ~FakeServiceManager() override { ++owner_.disconnects; }

    std::unique_ptr<sys::IService> Open(const std::wstring& name,
                                        sys::OpenFailure& failure) override {
        FakeServices::Service* service = find_(name);
        if (!service || service->cannotOpen) {
            failure = service || owner_.openFailsOtherwise ? sys::OpenFailure::Other
                                                           : sys::OpenFailure::NoSuchService;
            return nullptr;
        }
        failure = sys::OpenFailure::None;
        return std::make_unique<FakeServiceHandle>(owner_, *service);
    }

private:
    FakeServices& owner_;
    std::function<FakeServices::Service*(const std::wstring&)> find_;
};

}  // namespace

std::unique_ptr<sys::IServiceManager> FakeServices::Connect() {
    if (connectFails) return nullptr;
    return std::make_unique<FakeServiceManager>(
        *this, [this](const std::wstring& name) { return Find(name); });
}

FakeServices::Service& FakeServices::Add(const std::wstring& name, const std::wstring& binaryPath,
                                         uint32_t state) {
    auto service = std::make_unique<Service>();
    service->name = name;
    service->config.displayName = name + L" display";
    service->config.startType = sys::ServiceStartType::OnDemand;
    service->config.binaryPath = binaryPath;
    service->state = state;
    Service& added = *service;
    services_[tav::FoldLower(name)] = std::move(service);
    return added;
}

void FakeServices::Remove(const std::wstring& name) { services_.erase(tav::FoldLower(name)); }

void FakeServices::AddDependency(const std::wstring& dependent, const std::wstring& service) {
    (*this)[dependent].config.dependencies.push_back(service);
}

FakeServices::Service& FakeServices::operator[](const std::wstring& name) {
    return *services_.at(tav::FoldLower(name));
}

FakeServices::Service* FakeServices::Find(const std::wstring& name) {
    auto it = services_.find(tav::FoldLower(name));
    return it == services_.end() ? nullptr : it->second.get();
}

void FakeServices::OnProcessEnded(uint32_t processId) {
    for (auto& [key, service] : services_) {
        auto& ids = service->processIds;
        auto it = std::find(ids.begin(), ids.end(), processId);
        if (it == ids.end()) continue;
        ids.erase(it);
        if (ids.empty()) service->state = sys::ServiceState::Stopped;
    }
}

}  // namespace fakes
