// A service control manager for native tests, with services whose behaviour a test scripts.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "system/Services.h"

namespace fakes {

class FakeServices final : public sys::IServices {
public:
    // One installed service: its configuration, its script and what was done to it.
    struct Service {
        std::wstring name;
        sys::ServiceConfig config;
        uint32_t state = sys::ServiceState::Stopped;

        // Status queries after a stop request that still answer stop pending; -1: never stops
        // by itself (only when all its processes are ended). A stop that is refused leaves the
        // state as it is.
        int stopPolls = 0;
        bool refusesStop = false;
        // Status queries after a start that still answer start pending; -1: starts for ever.
        int startPolls = 0;
        bool failsToStart = false;
        // Opening fails with access denied (or another error than "no such service").
        bool cannotOpen = false;
        // Ids of the processes the service runs in; when the last is ended it is stopped. The
        // first is the one the service manager names while the service is not stopped.
        std::vector<uint32_t> processIds;
        uint32_t serviceType = sys::ServiceType::OwnProcess;

        // Counted requests.
        int stopRequests = 0;
        int startRequests = 0;
        int stateQueries = 0;
        std::vector<uint32_t> startTypeChanges;

        int pendingQueries = 0;  // left of stopPolls or startPolls
    };

    std::unique_ptr<sys::IServiceManager> Connect() override;

    // Installs a service (on demand, stopped) and returns it for scripting.
    Service& Add(const std::wstring& name, const std::wstring& binaryPath,
                 uint32_t state = sys::ServiceState::Stopped);
    // Uninstalls a service.
    void Remove(const std::wstring& name);
    // Makes dependent depend on service.
    void AddDependency(const std::wstring& dependent, const std::wstring& service);
    Service& operator[](const std::wstring& name);

    // Told by the fake processes when a process is ended.
    void OnProcessEnded(uint32_t processId);

    // Connections opened and closed; service handles opened and closed.
    int connects = 0;
    int disconnects = 0;
    std::atomic<int> serviceOpens{0};
    std::atomic<int> serviceCloses{0};
    bool connectFails = false;
    // Every service that is not installed answers "no such service" unless this is set.
    bool openFailsOtherwise = false;
    // "stop NAME" and "start NAME", in the order the requests came.
    std::vector<std::wstring> requests;

private:
    friend class FakeServiceHandle;
    Service* Find(const std::wstring& name);

    std::map<std::wstring, std::unique_ptr<Service>> services_;  // by folded name
};

}  // namespace fakes
