// The service control manager as the update logic sees it: a connection, and services opened by
// name through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sys {

// Current states of a service, with the numbers Windows gives them.
namespace ServiceState {
constexpr uint32_t Stopped = 1;
constexpr uint32_t StartPending = 2;
constexpr uint32_t StopPending = 3;
constexpr uint32_t Running = 4;
constexpr uint32_t ContinuePending = 5;
constexpr uint32_t PausePending = 6;
constexpr uint32_t Paused = 7;
}  // namespace ServiceState

// Start types, with the numbers Windows gives them.
namespace ServiceStartType {
constexpr uint32_t Boot = 0;
constexpr uint32_t System = 1;
constexpr uint32_t Automatic = 2;
constexpr uint32_t OnDemand = 3;
constexpr uint32_t Disabled = 4;
}  // namespace ServiceStartType

// Service types, with the numbers Windows gives them.
namespace ServiceType {
constexpr uint32_t OwnProcess = 0x10;    // the only service of its process
constexpr uint32_t SharedProcess = 0x20;  // one of several services in a host process
}  // namespace ServiceType

// The process a service runs in, as the service control manager tells it.
struct ServiceProcess {
    uint32_t serviceType = 0;  // ServiceType bits
    uint32_t processId = 0;    // 0 while the service is not running
};

// Why a service could not be opened: only the first means there is no such service.
enum class OpenFailure {
    None,
    NoSuchService,
    Other,  // access denied, no service manager, or any other error
};

// The configuration of a service as far as the update logic reads it.
struct ServiceConfig {
    std::wstring displayName;
    uint32_t startType = ServiceStartType::Disabled;
    // The configured image path, with any quotes and arguments, as stored.
    std::wstring binaryPath;
    // Names of the services and (prefixed with '+') load-order groups it depends on.
    std::vector<std::wstring> dependencies;
};

// One opened service; closed when the object goes.
class IService {
public:
    virtual ~IService() = default;

    // The current state (a ServiceState number); false when it cannot be queried.
    virtual bool QueryState(uint32_t& state) = 0;

    virtual bool QueryConfig(ServiceConfig& config) = 0;

    // The service's type and the id of the process it runs in.
    virtual bool QueryProcess(ServiceProcess& process) = 0;

    // Changes the start type and leaves every other setting alone.
    virtual bool SetStartType(uint32_t startType) = 0;

    // Asks the service to stop; true when the request was accepted.
    virtual bool SendStop() = 0;

    // Starts the service without arguments.
    virtual bool Start() = 0;

    // Names of the active services that depend on this one.
    virtual bool ActiveDependents(std::vector<std::wstring>& names) = 0;
};

// A connection to the service control manager; closed when the object goes. Services may be
// opened through it from several threads.
class IServiceManager {
public:
    virtual ~IServiceManager() = default;

    // Opens a service by name for reading, changing and controlling; null when that fails,
    // with the reason in failure.
    virtual std::unique_ptr<IService> Open(const std::wstring& name, OpenFailure& failure) = 0;
};

class IServices {
public:
    virtual ~IServices() = default;

    // Connects to the service control manager of this machine; null when that fails.
    virtual std::unique_ptr<IServiceManager> Connect() = 0;
};

}  // namespace sys
