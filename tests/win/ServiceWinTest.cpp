// Service control against the real service manager: the test service program installed as
// services of this test, stopped, started, ended when it ignores a stop, left alone when
// excluded, enabled when disabled, and one manager connection shared by two services.
// Dependents and dependencies are left to the native tests: Wine 8 lists no dependents
// (EnumDependentServicesW), reports no dependencies (QueryServiceConfigW), and neither refuses
// to stop a service that others need nor starts what a service needs.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "system/Machine.h"
#include "system/Service.h"
#include "win/WinTestSupport.h"

namespace {

using ServMon::CService;

struct Releaser {
    void operator()(CRefObject* object) const { object->Release(); }
};
using ServiceRef = std::unique_ptr<CService, Releaser>;

std::wstring TestServiceExe() { return wintest::WindowsPathOf(TAV_TEST_SERVICE_EXE); }

// A name no other test run in the same prefix uses.
std::wstring UniqueName(const wchar_t* what) {
    return L"TavTest" + std::wstring(what) + std::to_wstring(GetCurrentProcessId());
}

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE handle = nullptr) : handle_(handle) {}
    ~ScHandle() {
        if (handle_) CloseServiceHandle(handle_);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

// A service of the test program, installed for one test and removed when the object goes.
class InstalledService {
public:
    InstalledService(std::wstring name, const std::wstring& binaryPath,
                     DWORD startType = SERVICE_DEMAND_START)
        : name_(std::move(name)),
          manager_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        if (manager_.get()) {
            service_ = CreateServiceW(manager_.get(), name_.c_str(), (name_ + L" test").c_str(),
                                      SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType,
                                      SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr, nullptr,
                                      nullptr, nullptr, nullptr);
        }
    }

    // Stops the service, or ends its process when it will not stop, and deletes it.
    ~InstalledService() {
        if (!service_) return;
        if (State() == SERVICE_RUNNING) {
            SERVICE_STATUS status{};
            ControlService(service_, SERVICE_CONTROL_STOP, &status);
            WaitFor(SERVICE_STOPPED, 5000);
        }
        if (State() != SERVICE_STOPPED) {
            if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ProcessId())) {
                TerminateProcess(process, 1);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        }
        DeleteService(service_);
        CloseServiceHandle(service_);
    }

    InstalledService(const InstalledService&) = delete;
    InstalledService& operator=(const InstalledService&) = delete;

    bool Created() const { return service_ != nullptr; }
    const std::wstring& Name() const { return name_; }

    bool Start() { return StartServiceW(service_, 0, nullptr) && WaitFor(SERVICE_RUNNING, 10000); }

    SERVICE_STATUS_PROCESS Status() const {
        SERVICE_STATUS_PROCESS status{};
        DWORD needed = 0;
        QueryServiceStatusEx(service_, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                             sizeof status, &needed);
        return status;
    }
    DWORD State() const { return Status().dwCurrentState; }
    DWORD ProcessId() const { return Status().dwProcessId; }

    DWORD StartType() const {
        std::vector<uint64_t> buffer(8192 / sizeof(uint64_t));
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        DWORD needed = 0;
        if (!QueryServiceConfigW(service_, config, 8192, &needed)) return 0xFFFFFFFF;
        return config->dwStartType;
    }

    bool WaitFor(DWORD state, DWORD timeoutMs) const {
        for (DWORD waited = 0;; waited += 50) {
            if (State() == state) return true;
            if (waited >= timeoutMs) return false;
            Sleep(50);
        }
    }

private:
    std::wstring name_;
    ScHandle manager_;
    SC_HANDLE service_ = nullptr;
};

// A value of the excluded-services key in the 32-bit view, removed when the object goes.
class ExcludedValue {
public:
    ExcludedValue(std::wstring name, DWORD value) : name_(std::move(name)) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            written_ = RegSetValueExW(key, name_.c_str(), 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&value),
                                      sizeof value) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    ~ExcludedValue() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueW(key, name_.c_str());
            RegCloseKey(key);
        }
    }
    bool Written() const { return written_; }

private:
    static constexpr const wchar_t* kKey = L"SOFTWARE\\Kelmark\\Tav\\TavAdmSvc\\Excluded";
    std::wstring name_;
    bool written_ = false;
};

// The host machine with another clock or service manager, current while the object lives.
class AlteredMachine {
public:
    AlteredMachine() : machine_(sys::HostMachine()) {}
    ~AlteredMachine() {
        if (installed_) sys::ReplaceCurrentMachine(previous_);
    }
    sys::Machine& machine() { return machine_; }
    void Install() {
        previous_ = sys::ReplaceCurrentMachine(&machine_);
        installed_ = true;
    }

private:
    sys::Machine machine_;
    sys::Machine* previous_ = nullptr;
    bool installed_ = false;
};

// The real clock, but every pause lasts a tenth of what was asked; the asked ones are kept.
class FastClock final : public sys::IClock {
public:
    explicit FastClock(sys::IClock& real) : real_(real) {}
    uint64_t TickMs() override { return real_.TickMs(); }
    sys::LocalTime Now() override { return real_.Now(); }
    int64_t UnixSeconds() override { return real_.UnixSeconds(); }
    void SleepMs(uint32_t milliseconds) override {
        {
            std::lock_guard<std::mutex> guard(lock_);
            asked_.push_back(milliseconds);
        }
        real_.SleepMs(milliseconds / 10);
    }
    std::vector<uint32_t> Asked() {
        std::lock_guard<std::mutex> guard(lock_);
        return asked_;
    }

private:
    sys::IClock& real_;
    std::mutex lock_;
    std::vector<uint32_t> asked_;
};

// The real service manager, counting the connections made through it and those closed.
class CountingServices final : public sys::IServices {
public:
    explicit CountingServices(sys::IServices& real) : real_(real) {}

    std::unique_ptr<sys::IServiceManager> Connect() override {
        auto manager = real_.Connect();
        if (!manager) return nullptr;
        ++connects;
        return std::make_unique<Counted>(std::move(manager), closes);
    }

    int connects = 0;
    int closes = 0;

private:
    class Counted final : public sys::IServiceManager {
    public:
        Counted(std::unique_ptr<sys::IServiceManager> real, int& closes)
            : real_(std::move(real)), closes_(closes) {}
        ~Counted() override { ++closes_; }
        std::unique_ptr<sys::IService> Open(const std::wstring& name,
                                            sys::OpenFailure& failure) override {
            return real_->Open(name, failure);
        }

    private:
        std::unique_ptr<sys::IServiceManager> real_;
        int& closes_;
    };

    sys::IServices& real_;
};

// A copy of the test service in a folder whose name has a blank, removed when the object goes.
class CopiedProgram {
public:
    CopiedProgram() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"Tav Service Test " + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        // Named for this run too: processes are found by the name of their program.
        path_ = folder_ + L"\\TavTestService" + std::to_wstring(GetCurrentProcessId()) + L".exe";
        copied_ = CopyFileW(TestServiceExe().c_str(), path_.c_str(), FALSE) != FALSE;
    }
    ~CopiedProgram() {
        // The ended process may take a moment to let go of its file.
        for (int attempt = 0; attempt < 50 && !DeleteFileW(path_.c_str()); ++attempt) Sleep(100);
        RemoveDirectoryW(folder_.c_str());
    }
    bool Copied() const { return copied_; }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring folder_;
    std::wstring path_;
    bool copied_ = false;
};

// A process that is not the service's but whose program has the service program's file name,
// or a name that contains it, in another folder: a waiting copy of the launch probe.
class Bystander {
public:
    Bystander(const std::wstring& fileName, const std::wstring& tag) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"Tav Bystander " + tag + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        path_ = folder_ + L"\\" + fileName;
        const std::wstring event = L"TavBystander" + tag + std::to_wstring(GetCurrentProcessId());
        go_ = CreateEventW(nullptr, TRUE, FALSE, event.c_str());
        if (!CopyFileW(wintest::WindowsPathOf(TAV_LAUNCH_PROBE_EXE).c_str(), path_.c_str(), FALSE)) return;
        std::wstring command = L"\"" + path_ + L"\" 0 " + event + L" " + event + L"Done";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
        }
    }
    ~Bystander() {
        if (go_) SetEvent(go_);
        if (process_) {
            WaitForSingleObject(process_, 10000);
            CloseHandle(process_);
        }
        if (go_) CloseHandle(go_);
        for (int attempt = 0; attempt < 50 && !DeleteFileW(path_.c_str()); ++attempt) Sleep(100);
        RemoveDirectoryW(folder_.c_str());
    }
    bool Started() const { return process_ != nullptr; }
    bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

private:
    std::wstring folder_;
    std::wstring path_;
    HANDLE go_ = nullptr;
    HANDLE process_ = nullptr;
};

ServiceRef Open(const std::wstring& name) { return ServiceRef(ServMon::CreateServiceByName(name)); }

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

TEST(ServiceWin, StopsAndStartsARunningService) {
    InstalledService installed(UniqueName(L"Plain"), Quoted(TestServiceExe()));
    ASSERT_TRUE(installed.Created());
    ASSERT_TRUE(installed.Start());

    ServiceRef service = Open(installed.Name());
    ASSERT_TRUE(service);
    EXPECT_EQ(installed.Name() + L" test", service->DisplayName());
    EXPECT_EQ(Quoted(TestServiceExe()), service->GetBinaryPath());
    EXPECT_EQ(ServMon::kRunning, service->GetState());
    EXPECT_EQ(ServMon::kOnDemand, service->GetStartMode());
    EXPECT_TRUE(service->FindProcessIds());
    EXPECT_THAT(service->ProcessIds(), ::testing::Contains(installed.ProcessId()));

    CRefObjectList observer;
    EXPECT_TRUE(service->Stop(false, false, &observer));
    EXPECT_EQ(DWORD(SERVICE_STOPPED), installed.State());
    EXPECT_EQ(ServMon::kStopped, service->GetState());
    EXPECT_EQ(service.get(), observer.GetAt(observer.GetHeadPosition()));

    EXPECT_TRUE(service->Start(false, nullptr, true));
    EXPECT_EQ(DWORD(SERVICE_RUNNING), installed.State());

    EXPECT_TRUE(service->SetStartMode(ServMon::kAutomatic));
    EXPECT_EQ(DWORD(SERVICE_AUTO_START), installed.StartType());
    EXPECT_EQ(ServMon::kAutomatic, service->GetStartMode());
    EXPECT_TRUE(service->SetStartMode(ServMon::kOnDemand));
    EXPECT_EQ(DWORD(SERVICE_DEMAND_START), installed.StartType());

    EXPECT_FALSE(Open(UniqueName(L"NotInstalled")));
}

TEST(ServiceWin, ServiceThatIgnoresStopIsEndedAfterTheTimeOut) {
    CopiedProgram program;
    ASSERT_TRUE(program.Copied());
    const std::wstring imagePath = Quoted(program.Path()) + L" --ignore-stop";
    InstalledService installed(UniqueName(L"Stuck"), imagePath);
    ASSERT_TRUE(installed.Created());
    ASSERT_TRUE(installed.Start());
    const DWORD processId = installed.ProcessId();
    ASSERT_NE(0u, processId);
    // Programs of the same name elsewhere, and one whose name ends in it, are not the service's.
    const std::wstring fileName = program.Path().substr(program.Path().rfind(L'\\') + 1);
    Bystander sameName(fileName, L"A");
    Bystander longerName(L"Q" + fileName, L"B");
    ASSERT_TRUE(sameName.Started());
    ASSERT_TRUE(longerName.Started());

    // Sixty seconds of polls, asked of a clock that pauses a tenth of that.
    AlteredMachine altered;
    FastClock clock(*sys::HostMachine().clock);
    altered.machine().clock = &clock;
    altered.Install();

    ServiceRef service = Open(installed.Name());
    ASSERT_TRUE(service);
    EXPECT_EQ(imagePath, service->GetBinaryPath());
    EXPECT_TRUE(service->Stop(false, true, nullptr));

    std::vector<uint32_t> expected(240, 250);
    expected.push_back(2000);
    EXPECT_EQ(expected, clock.Asked());
    EXPECT_EQ(std::vector<uint32_t>{processId}, service->ProcessIds());

    // The process is gone, or ended with exit code 0 while someone still holds it.
    if (HANDLE process =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 5000));
        DWORD code = 1;
        EXPECT_TRUE(GetExitCodeProcess(process, &code));
        EXPECT_EQ(0u, code);
        CloseHandle(process);
    }
    EXPECT_TRUE(sameName.Running());
    EXPECT_TRUE(longerName.Running());
    EXPECT_FALSE(service->FindProcessIds());
    // Windows then reports the service stopped; Wine's service manager keeps answering
    // "stop pending", so the state is not asserted here.
}

TEST(ServiceWin, ExcludedServiceIsNeitherStoppedNorStarted) {
    InstalledService running(UniqueName(L"ExRun"), Quoted(TestServiceExe()));
    InstalledService stopped(UniqueName(L"ExIdle"), Quoted(TestServiceExe()));
    ASSERT_TRUE(running.Created() && stopped.Created());
    ASSERT_TRUE(running.Start());
    ExcludedValue excludeRunning(running.Name(), 1);
    ExcludedValue excludeStopped(stopped.Name(), 1);
    ASSERT_TRUE(excludeRunning.Written() && excludeStopped.Written());

    ServiceRef a = Open(running.Name());
    ServiceRef b = Open(stopped.Name());
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(a->IsExcluded());
    EXPECT_FALSE(a->Stop(false, true, nullptr));
    EXPECT_FALSE(b->Start(false, nullptr, true));
    EXPECT_EQ(DWORD(SERVICE_RUNNING), running.State());
    EXPECT_EQ(DWORD(SERVICE_STOPPED), stopped.State());

    // A zero value lets the service be stopped.
    ExcludedValue zero(running.Name(), 0);
    ASSERT_TRUE(zero.Written());
    EXPECT_TRUE(a->Stop(false, false, nullptr));
    EXPECT_EQ(DWORD(SERVICE_STOPPED), running.State());
}

TEST(ServiceWin, DisabledServiceIsSwitchedToOnDemandAndStarted) {
    InstalledService installed(UniqueName(L"Off"), Quoted(TestServiceExe()), SERVICE_DISABLED);
    ASSERT_TRUE(installed.Created());
    ServiceRef service = Open(installed.Name());
    ASSERT_TRUE(service);
    EXPECT_EQ(ServMon::kOtherStart, service->GetStartMode());

    EXPECT_TRUE(service->Start(false, nullptr, true));
    EXPECT_EQ(DWORD(SERVICE_DEMAND_START), installed.StartType());
    EXPECT_EQ(DWORD(SERVICE_RUNNING), installed.State());
}

TEST(ServiceWin, TwoServicesShareOneManagerConnection) {
    InstalledService first(UniqueName(L"ShareA"), Quoted(TestServiceExe()));
    InstalledService second(UniqueName(L"ShareB"), Quoted(TestServiceExe()));
    ASSERT_TRUE(first.Created() && second.Created());
    ASSERT_TRUE(first.Start());

    AlteredMachine altered;
    CountingServices counting(*sys::HostMachine().services);
    altered.machine().services = &counting;
    altered.Install();

    ServiceRef a = Open(first.Name());
    ServiceRef b = Open(second.Name());
    ASSERT_TRUE(a && b);
    EXPECT_EQ(1, counting.connects);
    EXPECT_EQ(2, ServMon::SharedConnectionUsers());

    a.reset();
    EXPECT_EQ(0, counting.closes);
    // The connection still serves the second one.
    EXPECT_EQ(ServMon::kStopped, b->GetState());
    EXPECT_TRUE(b->Start(false, nullptr, true));
    EXPECT_EQ(DWORD(SERVICE_RUNNING), second.State());
    b.reset();
    EXPECT_EQ(1, counting.closes);
    EXPECT_EQ(0, ServMon::SharedConnectionUsers());
}

}  // namespace
