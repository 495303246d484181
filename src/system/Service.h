// One installed Windows service as the update run handles it: state, start mode, stop (ending
// its processes when it will not stop) and start, waiting in both directions.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "system/RefObject.h"
#include "system/Services.h"

namespace ServMon {

// State codes of GetState.
enum StateCode : int {
    kNoState = 0,   // any other Windows state, or the query failed
    kStarting = 1,  // start or continue pending
    kRunning = 2,
    kStopping = 3,
    kStopped = 4,
    kPaused = 5,  // pause pending or paused
};

// Start modes of GetStartMode and SetStartMode.
enum StartMode : int {
    kOtherStart = 0,  // disabled, boot, system, or unknown
    kAutomatic = 1,
    kOnDemand = 2,
};

// Waits of Stop, Start and KillProcesses.
constexpr uint32_t kPollMs = 250;
constexpr int kMaxPolls = 240;  // 60 seconds
constexpr uint32_t kAfterKillMs = 2000;

// Registry key whose non-zero REG_DWORD values name services that Stop and Start leave alone.
inline constexpr wchar_t kExcludedKey[] =
    L"HKEY_LOCAL_MACHINE\\Software\\Kelmark\\Tav\\TavAdmSvc\\Excluded";

// The path of the program that a configured image path starts, without quotes and arguments:
// the quoted part when the path starts with a quote; otherwise the part up to the first ".exe"
// that ends a word, or up to the first blank when there is none.
std::wstring ProgramPathOf(std::wstring_view imagePath);

// The full path under which the program of a configured image path runs: its program path
// without a leading "\??\", with ".exe" added to a file name without an extension, as Windows
// adds it when it starts the program. Empty for an empty path.
std::wstring RunningProgramPathOf(std::wstring_view imagePath);

class CService;

// Makes a service object and opens the service; null when it cannot be opened, with the reason
// in failure when given. The caller owns the one reference.
CService* CreateServiceByName(const std::wstring& name, sys::OpenFailure* failure = nullptr);

// A Windows service opened by name. Every operation opens the service anew through the
// process-wide service manager connection, which the first CService that needs it opens and
// the last one to go closes.
class CService : public CRefObject {
public:
    CService();

    // Keeps the name and reads the display name; false when the service manager, the service
    // or its configuration cannot be reached. Only the system's "no such service" answer makes
    // OpenFailure() NoSuchService; an unreachable manager or any other error is Other.
    bool Open(const std::wstring& name);
    sys::OpenFailure OpenFailure() const { return openFailure_; }

    StateCode GetState();
    StartMode GetStartMode();
    // 1 automatic, 2 on demand, anything else disabled.
    bool SetStartMode(int mode);
    // The configured image path as stored; empty when it cannot be read.
    std::wstring GetBinaryPath();

    // Collects the ids of the service's own processes: the one the service manager names and
    // the others that run the service's program (same full path). A service that shares its
    // host process with others has none: ending the host would end them too. True when there
    // is at least one.
    bool FindProcessIds();
    // Ends the service's own processes and waits 2 s; false when none was found or the last
    // one could not be ended.
    bool KillProcesses();

    // Stops the service (first its active dependents, when asked, remembering them for Start),
    // waiting up to 60 s; after that ends its processes when killOnTimeout is set. observer,
    // when given, receives every service stopped. Excluded services fail untouched.
    bool Stop(bool withDependents, bool killOnTimeout, CRefObjectList* observer);
    // Starts the service (first the services it depends on, when asked) and waits up to 60 s
    // for it to run, longer while it is still starting when waitWhilePending is set; then
    // starts again the dependents that Stop stopped. Excluded services fail untouched.
    bool Start(bool withDependencies, CRefObjectList* observer, bool waitWhilePending);

    // Whether the excluded-services key names this service with a non-zero value.
    bool IsExcluded() const;

    const std::wstring& Name() const { return name_; }
    const std::wstring& DisplayName() const { return displayName_; }
    const std::vector<uint32_t>& ProcessIds() const { return processIds_; }
    // Number of dependents stopped by Stop and not yet started again.
    size_t PendingDependents();

protected:
    ~CService() override;

private:
    // The shared service manager connection, counted for this object on first use; null when
    // it cannot be opened.
    sys::IServiceManager* Manager();
    // The service opened anew for one operation; null when that fails, with the reason kept.
    std::unique_ptr<sys::IService> OpenHandle();
    bool StateOf(uint32_t& state);
    // Starts, with their own dependencies, the services this one needs that are not running.
    void StartDependencies(CRefObjectList* observer, bool waitWhilePending);
    void RestartDependents(bool waitWhilePending);

    std::wstring name_;
    std::wstring displayName_;
    sys::OpenFailure openFailure_ = sys::OpenFailure::None;
    std::wstring programPath_;  // found on first use
    bool usesManager_ = false;  // guarded by the process-wide connection lock
    std::vector<uint32_t> processIds_;
    CRefObjectList dependents_;
    std::mutex dependentsLock_;
};

// Number of CService objects currently counted on the shared service manager connection.
int SharedConnectionUsers();

}  // namespace ServMon
