// Service control on a fake service manager: states, start modes, stopping and starting with
// their polls and pauses, ending the processes of a service that will not stop, excluded
// services, dependents, and the shared service manager connection.
#include "system/Service.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "base/WideText.h"
#include "fakes/FakeMachine.h"

namespace {

using ServMon::CService;
namespace St = sys::ServiceState;
namespace Start = sys::ServiceStartType;

struct Releaser {
    void operator()(CRefObject* object) const { object->Release(); }
};
using ServiceRef = std::unique_ptr<CService, Releaser>;

const std::wstring kExcludedPath = L"Software\\Kelmark\\Tav\\TavAdmSvc\\Excluded";
const std::wstring kQelsrvPath = L"\"C:\\Program Files\\Kelmark\\Tav\\Qelsrv.exe\" -service";

// The pauses of count polls, and optionally one more pause after them.
std::vector<uint32_t> Polls(size_t count, uint32_t then = 0) {
    std::vector<uint32_t> sleeps(count, 250);
    if (then) sleeps.push_back(then);
    return sleeps;
}

class ServiceTest : public ::testing::Test {
protected:
    ServiceRef Open(const std::wstring& name) { return ServiceRef(ServMon::CreateServiceByName(name)); }

    void Exclude(const std::wstring& name, uint32_t value,
                 sys::RegistryView view = sys::RegistryView::Bits32) {
        machine.registry.PutDword(sys::RegistryRoot::LocalMachine, kExcludedPath, view, name,
                                  value);
    }

    void Run(uint32_t id, const std::wstring& path) {
        machine.processes.processes.push_back({id, path});
    }

    const std::vector<uint32_t>& Sleeps() const { return machine.clock.sleeps; }

    fakes::FakeMachine machine;
    fakes::FakeServices& services = machine.services;
};

TEST(RunningProgramPathOf, TakesTheProgramOfTheImagePathWithoutQuotesOrArguments) {
    const struct {
        const wchar_t* imagePath;
        const wchar_t* program;
    } cases[] = {
        {kQelsrvPath.c_str(), L"C:\\Program Files\\Kelmark\\Tav\\Qelsrv.exe"},
        {L"  \"C:\\Tav\\Qelsrv.exe\"-x", L"C:\\Tav\\Qelsrv.exe"},
        {L"\"C:\\Tav\\Qelsrv.exe", L"C:\\Tav\\Qelsrv.exe"},  // quote never closed
        {L"C:\\Tav\\TavAps.exe", L"C:\\Tav\\TavAps.exe"},
        // Unquoted with blanks: the path ends with the ".exe" that ends a word.
        {L"C:\\Program Files\\Kelmark\\Qelsrv.EXE -config C:\\x\\y.ini",
         L"C:\\Program Files\\Kelmark\\Qelsrv.EXE"},
        {L"C:\\Tools.exe.d\\My Tools\\Qelsrv.exe\t-a b", L"C:\\Tools.exe.d\\My Tools\\Qelsrv.exe"},
        {L"\\??\\C:\\Tav\\svc.exe", L"C:\\Tav\\svc.exe"},
        // Without ".exe": up to the first blank, and Windows adds the extension.
        {L"C:\\Windows\\system32\\svchost -k netsvcs", L"C:\\Windows\\system32\\svchost.exe"},
        {L"C:\\Windows.old\\svchost -k netsvcs", L"C:\\Windows.old\\svchost.exe"},
        {L"system32\\drivers\\tavdrv.sys", L"system32\\drivers\\tavdrv.sys"},
        {L"", L""},
        {L"   ", L""},
        {L"\"\" -x", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.program, ServMon::RunningProgramPathOf(c.imagePath)) << tav::ToUtf8(c.imagePath);
    }
}

TEST_F(ServiceTest, OpensByNameAndKeepsTheDisplayName) {
    services.Add(L"TavAps", L"C:\\Tav\\TavAps.exe").config.displayName = L"Tarnova server";
    ServiceRef service = Open(L"tavaps");
    ASSERT_TRUE(service);
    EXPECT_EQ(L"tavaps", service->Name());
    EXPECT_EQ(L"Tarnova server", service->DisplayName());
    EXPECT_EQ(L"C:\\Tav\\TavAps.exe", service->GetBinaryPath());
    EXPECT_EQ(1u, service->RefCount());

    // Only the system's own answer means there is no such service.
    sys::OpenFailure failure = sys::OpenFailure::None;
    EXPECT_FALSE(ServMon::CreateServiceByName(L"Missing", &failure));
    EXPECT_EQ(sys::OpenFailure::NoSuchService, failure);
    services.Add(L"Locked", L"x.exe").cannotOpen = true;
    EXPECT_FALSE(ServMon::CreateServiceByName(L"Locked", &failure));
    EXPECT_EQ(sys::OpenFailure::Other, failure);
    service.reset();  // the last user closes the shared connection
    services.connectFails = true;
    EXPECT_FALSE(ServMon::CreateServiceByName(L"Missing", &failure));
    EXPECT_EQ(sys::OpenFailure::Other, failure);
}

TEST_F(ServiceTest, MapsWindowsStatesToStateCodes) {
    auto& fake = services.Add(L"Svc", L"svc.exe");
    ServiceRef service = Open(L"Svc");
    ASSERT_TRUE(service);
    const std::pair<uint32_t, ServMon::StateCode> table[] = {
        {St::Stopped, ServMon::kStopped},       {St::StartPending, ServMon::kStarting},
        {St::ContinuePending, ServMon::kStarting}, {St::StopPending, ServMon::kStopping},
        {St::Running, ServMon::kRunning},       {St::PausePending, ServMon::kPaused},
        {St::Paused, ServMon::kPaused},         {0, ServMon::kNoState},
        {8, ServMon::kNoState},
    };
    for (const auto& [windows, code] : table) {
        fake.state = windows;
        fake.pendingQueries = -1;  // pending states stay as they are
        EXPECT_EQ(code, service->GetState()) << windows;
    }
    fake.cannotOpen = true;
    fake.state = St::Running;
    EXPECT_EQ(ServMon::kNoState, service->GetState());
}

TEST_F(ServiceTest, ReadsAndChangesTheStartMode) {
    auto& fake = services.Add(L"Svc", L"svc.exe");
    ServiceRef service = Open(L"Svc");
    ASSERT_TRUE(service);
    const std::pair<uint32_t, ServMon::StartMode> reads[] = {
        {Start::Automatic, ServMon::kAutomatic}, {Start::OnDemand, ServMon::kOnDemand},
        {Start::Disabled, ServMon::kOtherStart}, {Start::Boot, ServMon::kOtherStart},
        {Start::System, ServMon::kOtherStart},
    };
    for (const auto& [type, mode] : reads) {
        fake.config.startType = type;
        EXPECT_EQ(mode, service->GetStartMode()) << type;
    }
    for (int mode : {1, 2, 0, 3, -1}) EXPECT_TRUE(service->SetStartMode(mode));
    EXPECT_EQ((std::vector<uint32_t>{Start::Automatic, Start::OnDemand, Start::Disabled,
                                     Start::Disabled, Start::Disabled}),
              fake.startTypeChanges);

    fake.cannotOpen = true;
    EXPECT_EQ(ServMon::kOtherStart, service->GetStartMode());
    EXPECT_FALSE(service->SetStartMode(1));
    EXPECT_EQ(L"", service->GetBinaryPath());
}

TEST_F(ServiceTest, StopWaitsForTheServiceInQuarterSecondPolls) {
    auto& quick = services.Add(L"Quick", L"quick.exe", St::Running);
    auto& slow = services.Add(L"Slow", L"slow.exe", St::Running);
    slow.stopPolls = 7;
    services.Add(L"Idle", L"idle.exe", St::Stopped);

    EXPECT_TRUE(Open(L"Quick")->Stop(false, true, nullptr));
    EXPECT_EQ(1, quick.stopRequests);
    EXPECT_EQ(St::Stopped, quick.state);
    EXPECT_TRUE(Sleeps().empty());

    EXPECT_TRUE(Open(L"Slow")->Stop(false, true, nullptr));
    EXPECT_EQ(Polls(7), Sleeps());
    EXPECT_EQ(St::Stopped, slow.state);

    // A stopped service is not asked to stop.
    EXPECT_TRUE(Open(L"Idle")->Stop(false, true, nullptr));
    EXPECT_EQ(0, services[L"Idle"].stopRequests);
    EXPECT_EQ(Polls(7), Sleeps());
    EXPECT_TRUE(machine.processes.terminated.empty());
}

TEST_F(ServiceTest, StopGivesUpAfterSixtySecondsWithoutKilling) {
    auto& stuck = services.Add(L"Stuck", kQelsrvPath, St::Running);
    stuck.stopPolls = -1;
    stuck.processIds = {40};
    Run(40, L"C:\\Program Files\\Kelmark\\Tav\\Qelsrv.exe");

    EXPECT_FALSE(Open(L"Stuck")->Stop(false, false, nullptr));
    EXPECT_EQ(Polls(240), Sleeps());
    EXPECT_EQ(1 + 241, stuck.stateQueries);  // one look before the stop request
    EXPECT_TRUE(machine.processes.terminated.empty());
    EXPECT_EQ(St::StopPending, stuck.state);
}

TEST_F(ServiceTest, StopEndsTheProcessesOfAQuotedImagePathWithArgumentsAfterTheTimeOut) {
    auto& stuck = services.Add(L"Qelsrv", kQelsrvPath, St::Running);
    stuck.stopPolls = -1;
    stuck.processIds = {40, 41};
    Run(7, L"C:\\Windows\\explorer.exe");
    Run(40, L"C:\\PROGRAM FILES\\KELMARK\\TAV\\QELSRV.EXE");
    Run(12, L"");  // a process that could not be opened
    Run(41, L"c:\\program files\\kelmark\\tav\\qelsrv.exe");
    Run(13, L"C:\\Program Files\\Kelmark\\Tav\\QelsrvHelper.exe");

    ServiceRef service = Open(L"Qelsrv");
    EXPECT_TRUE(service->Stop(false, true, nullptr));
    EXPECT_EQ((std::vector<uint32_t>{40, 41}), service->ProcessIds());
    EXPECT_EQ((std::vector<uint32_t>{40, 41}), machine.processes.terminated);
    EXPECT_EQ((std::vector<bool>{true, false}), machine.processes.privilegeChanges);
    EXPECT_EQ(Polls(240, 2000), Sleeps());
    EXPECT_EQ(St::Stopped, stuck.state);
    EXPECT_EQ(3u, machine.processes.processes.size());
}

TEST_F(ServiceTest, KillFindsTheProgramOfAnUnquotedImagePathWithBlanks) {
    auto& stuck = services.Add(L"Qelsrv", L"C:\\Program Files\\Kelmark\\Qelsrv.exe -service",
                               St::Running);
    stuck.stopPolls = -1;
    stuck.processIds = {40};
    Run(40, L"C:\\Program Files\\Kelmark\\Qelsrv.exe");
    Run(41, L"C:\\Program Files\\Kelmark\\Other.exe");

    EXPECT_TRUE(Open(L"Qelsrv")->Stop(false, true, nullptr));
    EXPECT_EQ(std::vector<uint32_t>{40}, machine.processes.terminated);
}

TEST_F(ServiceTest, KillEndsOnlyTheServicesOwnProcesses) {
    // The process the service manager names, whatever path it shows, and the others of the
    // same program; a program whose name merely ends the same way is left alone.
    auto& stuck = services.Add(L"Srv", L"C:\\Tav\\srv.exe -x", St::Running);
    stuck.stopPolls = -1;
    stuck.processIds = {50, 53};
    Run(50, L"C:\\PROGRA~1\\Tav\\srv.exe");
    Run(51, L"C:\\Tav\\Qelsrv.exe");
    Run(52, L"D:\\Other\\srv.exe");
    Run(53, L"C:\\TAV\\SRV.EXE");
    EXPECT_TRUE(Open(L"Srv")->Stop(false, true, nullptr));
    EXPECT_EQ((std::vector<uint32_t>{50, 53}), machine.processes.terminated);

    // A status that still names a process that has gone: its id may be another's by now.
    auto& gone = services.Add(L"Gone", L"C:\\Tav\\gone.exe", St::StopPending);
    gone.processIds = {52};
    machine.processes.processes.clear();
    Run(60, L"D:\\Other\\srv.exe");
    EXPECT_FALSE(Open(L"Gone")->KillProcesses());
    EXPECT_EQ((std::vector<uint32_t>{50, 53}), machine.processes.terminated);
}

TEST(ServiceKillTest, AServiceInASharedHostIsNeverKilled) {
    for (const uint32_t type : {sys::ServiceType::SharedProcess, 0x60u /* per-user shared */}) {
        fakes::FakeMachine machine;
        auto& w3svc = machine.services.Add(
            L"w3svc", L"C:\\Windows\\system32\\svchost.exe -k iissvcs", St::Running);
        w3svc.serviceType = type;
        w3svc.stopPolls = -1;
        w3svc.processIds = {30};
        machine.processes.processes = {{30, L"C:\\Windows\\system32\\svchost.exe"},
                                       {31, L"C:\\Windows\\system32\\svchost.exe"}};
        ServiceRef service(ServMon::CreateServiceByName(L"w3svc"));
        EXPECT_FALSE(service->Stop(false, true, nullptr));
        EXPECT_FALSE(service->KillProcesses());
        EXPECT_TRUE(machine.processes.terminated.empty());
        EXPECT_TRUE(machine.processes.privilegeChanges.empty());
        EXPECT_EQ(Polls(240), machine.clock.sleeps);  // no pause after a kill that found nothing
    }
}

TEST_F(ServiceTest, KillWithoutAProcessFailsAtOnce) {
    auto& stuck = services.Add(L"Stuck", L"C:\\Tav\\stuck.exe", St::Running);
    stuck.stopPolls = -1;
    Run(5, L"C:\\Tav\\other.exe");

    EXPECT_FALSE(Open(L"Stuck")->Stop(false, true, nullptr));
    EXPECT_EQ(Polls(240), Sleeps());  // no pause after a kill that found nothing
    EXPECT_TRUE(machine.processes.privilegeChanges.empty());
    EXPECT_TRUE(machine.processes.terminated.empty());

    // Without a readable image path nothing is searched for, not every process.
    stuck.config.binaryPath.clear();
    ServiceRef service = Open(L"Stuck");
    EXPECT_FALSE(service->KillProcesses());
    EXPECT_TRUE(machine.processes.terminated.empty());
}

TEST_F(ServiceTest, ExcludedServicesAreNeitherStoppedNorStarted) {
    auto& running = services.Add(L"TavAps", L"aps.exe", St::Running);
    auto& stopped = services.Add(L"TavWeb", L"web.exe", St::Stopped);
    Exclude(L"TAVAPS", 1);
    Exclude(L"tavweb", 7);
    CRefObjectList observer;

    EXPECT_FALSE(Open(L"TavAps")->Stop(false, true, &observer));
    EXPECT_FALSE(Open(L"TavWeb")->Start(false, &observer, true));
    EXPECT_EQ(0, running.stopRequests);
    EXPECT_EQ(0, stopped.startRequests);
    EXPECT_TRUE(stopped.startTypeChanges.empty());
    EXPECT_EQ(St::Running, running.state);
    EXPECT_TRUE(observer.IsEmpty());
    EXPECT_TRUE(Sleeps().empty());

    // Zero, or a value only in the 64-bit view, does not exclude.
    Exclude(L"TavAps", 0);
    Exclude(L"TavWeb", 1, sys::RegistryView::Bits64);
    Exclude(L"TavWeb", 0);
    EXPECT_TRUE(Open(L"TavAps")->Stop(false, true, nullptr));
    EXPECT_TRUE(Open(L"TavWeb")->Start(false, nullptr, true));
}

TEST_F(ServiceTest, StartWaitsForTheServiceToRun) {
    auto& slow = services.Add(L"Slow", L"slow.exe");
    slow.startPolls = 9;
    auto& broken = services.Add(L"Broken", L"broken.exe");
    broken.failsToStart = true;

    CRefObjectList observer;
    ServiceRef service = Open(L"Slow");
    EXPECT_TRUE(service->Start(false, &observer, false));
    EXPECT_EQ(Polls(9), Sleeps());
    EXPECT_EQ(1, slow.startRequests);
    EXPECT_EQ(service.get(), observer.GetAt(observer.GetHeadPosition()));
    EXPECT_EQ(2u, service->RefCount());

    // Already running: no start request, no pause.
    EXPECT_TRUE(service->Start(false, nullptr, false));
    EXPECT_EQ(1, slow.startRequests);
    EXPECT_EQ(Polls(9), Sleeps());

    // A service that does not come up is given 60 seconds, even when waiting while pending.
    machine.clock.sleeps.clear();
    EXPECT_FALSE(Open(L"Broken")->Start(false, nullptr, true));
    EXPECT_EQ(Polls(240), Sleeps());
    EXPECT_TRUE(slow.startTypeChanges.empty());  // on demand stays
}

TEST_F(ServiceTest, StartKeepsPollingWhileStartingOnlyWhenAsked) {
    auto& lazy = services.Add(L"Lazy", L"lazy.exe");
    lazy.startPolls = 300;

    EXPECT_FALSE(Open(L"Lazy")->Start(false, nullptr, false));
    EXPECT_EQ(Polls(240), Sleeps());
    EXPECT_EQ(ServMon::kStarting, Open(L"Lazy")->GetState());

    machine.clock.sleeps.clear();
    lazy.state = St::Stopped;
    EXPECT_TRUE(Open(L"Lazy")->Start(false, nullptr, true));
    EXPECT_EQ(Polls(300), Sleeps());
}

TEST_F(ServiceTest, DisabledServiceIsSwitchedToOnDemandBeforeItStarts) {
    auto& disabled = services.Add(L"Off", L"off.exe");
    disabled.config.startType = Start::Disabled;
    auto& automatic = services.Add(L"Auto", L"auto.exe");
    automatic.config.startType = Start::Automatic;

    EXPECT_TRUE(Open(L"Off")->Start(false, nullptr, true));
    EXPECT_EQ(std::vector<uint32_t>{Start::OnDemand}, disabled.startTypeChanges);
    EXPECT_EQ(St::Running, disabled.state);
    EXPECT_TRUE(Sleeps().empty());

    EXPECT_TRUE(Open(L"Auto")->Start(false, nullptr, true));
    EXPECT_TRUE(automatic.startTypeChanges.empty());
}

TEST_F(ServiceTest, StopWithDependentsStopsThemFirstAndStartBringsThemBack) {
    services.Add(L"Base", L"base.exe", St::Running);
    services.Add(L"Middle", L"middle.exe", St::Running);
    services.Add(L"Top", L"top.exe", St::Running);
    services.Add(L"Idle", L"idle.exe", St::Stopped);
    services.Add(L"Other", L"other.exe", St::Running);
    services.AddDependency(L"Middle", L"Base");
    services.AddDependency(L"Top", L"Middle");
    services.AddDependency(L"Idle", L"Base");

    CRefObjectList observer;
    ServiceRef base = Open(L"Base");
    EXPECT_TRUE(base->Stop(true, true, &observer));
    EXPECT_EQ((std::vector<std::wstring>{L"stop Top", L"stop Middle", L"stop Base"}),
              services.requests);
    EXPECT_EQ(3u, observer.GetCount());
    EXPECT_EQ(2u, base->PendingDependents());
    for (const wchar_t* name : {L"Base", L"Middle", L"Top"}) {
        EXPECT_EQ(St::Stopped, services[name].state) << name;
    }

    services.requests.clear();
    EXPECT_TRUE(base->Start(false, nullptr, true));
    EXPECT_EQ((std::vector<std::wstring>{L"start Base", L"start Middle", L"start Top"}),
              services.requests);
    EXPECT_EQ(0u, base->PendingDependents());
    for (const wchar_t* name : {L"Base", L"Middle", L"Top"}) {
        EXPECT_EQ(St::Running, services[name].state) << name;
    }
    EXPECT_EQ(St::Stopped, services[L"Idle"].state);
    EXPECT_TRUE(Sleeps().empty());
}

TEST_F(ServiceTest, StartWithDependenciesStartsWhatTheServiceNeedsFirst) {
    services.Add(L"App", L"app.exe");
    services.Add(L"Store", L"store.exe");
    services.Add(L"Net", L"net.exe", St::Running);
    // Asked to start, but the fake, like Windows, refuses to start a paused service.
    services.Add(L"Cache", L"cache.exe", St::Paused);
    services.AddDependency(L"App", L"Store");
    services.AddDependency(L"App", L"+NetworkProvider");  // a group, no service
    services.AddDependency(L"App", L"Net");
    services.AddDependency(L"App", L"NotInstalled");
    services.AddDependency(L"Store", L"Cache");

    EXPECT_TRUE(Open(L"App")->Start(true, nullptr, true));
    EXPECT_EQ((std::vector<std::wstring>{L"start Cache", L"start Store", L"start App"}),
              services.requests);
    EXPECT_EQ(Polls(240), Sleeps());  // the paused one was given its 60 seconds

    // Without the flag, only the service itself.
    services.requests.clear();
    services[L"App"].state = St::Stopped;
    services[L"Store"].state = St::Stopped;
    EXPECT_TRUE(Open(L"App")->Start(false, nullptr, true));
    EXPECT_EQ(std::vector<std::wstring>{L"start App"}, services.requests);
}

TEST_F(ServiceTest, ServicesShareOneManagerConnection) {
    services.Add(L"A", L"a.exe", St::Running);
    services.Add(L"B", L"b.exe", St::Stopped);

    ServiceRef a = Open(L"A");
    ServiceRef b = Open(L"B");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(ServMon::kRunning, a->GetState());
    EXPECT_EQ(ServMon::kStopped, b->GetState());
    EXPECT_EQ(1, services.connects);
    EXPECT_EQ(2, ServMon::SharedConnectionUsers());

    a.reset();
    EXPECT_EQ(0, services.disconnects);
    EXPECT_EQ(ServMon::kStopped, b->GetState());
    b.reset();
    EXPECT_EQ(1, services.disconnects);
    EXPECT_EQ(0, ServMon::SharedConnectionUsers());
    EXPECT_EQ(services.serviceOpens.load(), services.serviceCloses.load());

    // The next service opens a new connection; one that cannot connect counts for none.
    services.connectFails = true;
    EXPECT_FALSE(Open(L"A"));
    EXPECT_EQ(0, ServMon::SharedConnectionUsers());
    services.connectFails = false;
    EXPECT_TRUE(Open(L"A"));
    EXPECT_EQ(2, services.connects);
    EXPECT_EQ(2, services.disconnects);
}

TEST_F(ServiceTest, ConnectionCountStaysExactAcrossThreads) {
    services.Add(L"A", L"a.exe", St::Running);
    ServiceRef keeper = Open(L"A");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this] {
            for (int i = 0; i < 200; ++i) {
                EXPECT_TRUE(Open(L"A"));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(1, services.connects);
    EXPECT_EQ(1, ServMon::SharedConnectionUsers());
    keeper.reset();
    EXPECT_EQ(1, services.disconnects);
    EXPECT_EQ(services.serviceOpens.load(), services.serviceCloses.load());
}

#ifndef _WIN32
TEST(ServiceOnLinux, NoServiceCanBeOpened) {
    EXPECT_EQ(nullptr, ServMon::CreateServiceByName(L"TavAps"));
    EXPECT_EQ(0, ServMon::SharedConnectionUsers());
}
#endif

}  // namespace
