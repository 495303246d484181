// The service control manager of Windows.
#include "system/win32/Win32Services.h"

#include <windows.h>

#include <vector>

namespace sys::win32 {
namespace {

constexpr DWORD kConfigBytes = 8192;

// A service control manager or service handle, closed when it goes.
class ScHandle {
public:
    explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ScHandle() {
        if (handle_) CloseServiceHandle(handle_);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;

    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

std::wstring TextOf(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

// The names of a double-zero-terminated list.
std::vector<std::wstring> ListOf(const wchar_t* list) {
    std::vector<std::wstring> names;
    if (!list) return names;
    for (const wchar_t* p = list; *p; p += names.back().size() + 1) names.emplace_back(p);
    return names;
}

class Win32Service final : public IService {
public:
    explicit Win32Service(SC_HANDLE handle) : handle_(handle) {}

    bool QueryState(uint32_t& state) override {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(handle_.get(), &status)) return false;
        state = status.dwCurrentState;
        return true;
    }

    bool QueryConfig(ServiceConfig& config) override {
        // Aligned for the structure at its start.
        std::vector<uint64_t> buffer(kConfigBytes / sizeof(uint64_t));
        auto* raw = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        DWORD needed = 0;
        if (!QueryServiceConfigW(handle_.get(), raw, kConfigBytes, &needed)) return false;
        config.displayName = TextOf(raw->lpDisplayName);
        config.startType = raw->dwStartType;
        config.binaryPath = TextOf(raw->lpBinaryPathName);
        config.dependencies = ListOf(raw->lpDependencies);
        return true;
    }

    bool QueryProcess(ServiceProcess& process) override {
        SERVICE_STATUS_PROCESS status{};
        DWORD needed = 0;
        if (!QueryServiceStatusEx(handle_.get(), SC_STATUS_PROCESS_INFO,
                                  reinterpret_cast<BYTE*>(&status), sizeof status, &needed)) {
            return false;
        }
        process.serviceType = status.dwServiceType;
        process.processId = status.dwProcessId;
        return true;
    }

    bool SetStartType(uint32_t startType) override {
        return ChangeServiceConfigW(handle_.get(), SERVICE_NO_CHANGE, startType,
                                    SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr) != FALSE;
    }

    bool SendStop() override {
        SERVICE_STATUS status{};
        return ControlService(handle_.get(), SERVICE_CONTROL_STOP, &status) != FALSE;
    }

    bool Start() override { return StartServiceW(handle_.get(), 0, nullptr) != FALSE; }

    bool ActiveDependents(std::vector<std::wstring>& names) override {
        names.clear();
        DWORD needed = 0;
        DWORD count = 0;
        if (EnumDependentServicesW(handle_.get(), SERVICE_ACTIVE, nullptr, 0, &needed, &count)) {
            return true;  // none
        }
        if (GetLastError() != ERROR_MORE_DATA) return false;
        std::vector<uint64_t> buffer(needed / sizeof(uint64_t) + 1);
        auto* entries = reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data());
        if (!EnumDependentServicesW(handle_.get(), SERVICE_ACTIVE, entries,
                                    static_cast<DWORD>(buffer.size() * sizeof(uint64_t)),
                                    &needed, &count)) {
            return false;
        }
        for (DWORD i = 0; i < count; ++i) names.push_back(TextOf(entries[i].lpServiceName));
        return true;
    }

private:
    ScHandle handle_;
};

class Win32ServiceManager final : public IServiceManager {
public:
    explicit Win32ServiceManager(SC_HANDLE handle) : handle_(handle) {}

    std::unique_ptr<IService> Open(const std::wstring& name, OpenFailure& failure) override {
        const SC_HANDLE service = OpenServiceW(handle_.get(), name.c_str(),
                                               GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE);
        if (!service) {
            failure = GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? OpenFailure::NoSuchService
                                                                      : OpenFailure::Other;
            return nullptr;
        }
        failure = OpenFailure::None;
        return std::make_unique<Win32Service>(service);
    }

private:
    ScHandle handle_;
};

}  // namespace

std::unique_ptr<IServiceManager> Win32Services::Connect() {
    const SC_HANDLE manager =
        OpenSCManagerW(nullptr, nullptr,
                       SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE |
                           SC_MANAGER_QUERY_LOCK_STATUS);
    if (!manager) return nullptr;
    return std::make_unique<Win32ServiceManager>(manager);
}

}  // namespace sys::win32
