// The services of an update run: which are stopped, in what order, what is asked when one will
// not stop or start, and which are started again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "manager/TupRunTestWorld.h"

namespace run_tests {
namespace {

using namespace tav;
using Strings = std::vector<std::wstring>;
using sys::ServiceState::Running;
using sys::ServiceState::Stopped;

constexpr uint32_t kRetryStyle = sys::MessageStyle::RetryCancel | sys::MessageStyle::IconWarning;
constexpr uint32_t kNoticeStyle = sys::MessageStyle::Ok | sys::MessageStyle::IconWarning;

// The journal's service requests, or its entries from the first of them to the last.
Strings Requests(const Strings& entries, const std::wstring& verb) {
    Strings requests;
    for (const auto& entry : entries) {
        if (entry.rfind(verb + L" ", 0) == 0) requests.push_back(entry);
    }
    return requests;
}

// The reports from the first with id from on; at most n of them.
std::vector<Seen> From(const std::vector<Seen>& reports, uint32_t from, size_t n = SIZE_MAX) {
    auto at = std::find_if(reports.begin(), reports.end(), [&](const Seen& s) { return s.id == from; });
    return std::vector<Seen>(at, at + static_cast<std::ptrdiff_t>(
                                          std::min<size_t>(n, static_cast<size_t>(reports.end() - at))));
}

bool Has(const std::vector<Seen>& reports, const Seen& report) {
    return std::find(reports.begin(), reports.end(), report) != reports.end();
}

int Sleeps(const fakes::FakeClock& clock, uint32_t ms) {
    return static_cast<int>(std::count(clock.sleeps.begin(), clock.sleeps.end(), ms));
}

TEST(TupRunServicesTest, EachServiceIsStoppedOnceInTheOrderThatKeepsItsUsersAheadOfIt) {
    RunWorld world;
    auto& services = world.machine.services;
    services.Add(L"TavAps", L"TavAps.exe", Running);
    services.Add(L"Spooler", L"spoolsv.exe", Running);
    services.Add(L"Fax", L"fxssvc.exe", Running);
    services.Add(L"custom", L"custom.exe", Running);
    services.Add(L"GenB", L"genb.exe", Stopped);
    world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"Spooler", "TavSvc", "custom"}) +
                          Updater(1, "CTupBetaUpdater", "Beta", {"spooler", "TAVAPS", "fax"}),
                      "",
                      "<ITEM key=\"AdditionalUpdateInformation\" type=\"OCContainer\">" +
                          ListItem("GeneralAffectedServices", {"GenB", "Custom"}) + "</ITEM>");
    CTupManager& manager = world.Start();
    ASSERT_TRUE(manager.RunUpdate());

    const auto& reports = world.owner.reports;
    EXPECT_EQ((std::vector<Seen>{Both(kTextAffectedServices, L"Spooler, TavSvc, custom, TAVAPS, fax"),
                                 Both(kTextServiceStopOrder,
                                      L"GenB, Custom, w3svc, tavaps, tavsvc, fax, lpdsvc, tavlpdsvc, "
                                      L"tavapsvc, dcstart, cloudprintsvc, Spooler")}),
              From(reports, kTextAffectedServices, 2));
    const Strings& entries = world.Entries();
    EXPECT_EQ((Strings{L"stop custom", L"stop TavAps", L"stop TavSvc", L"stop Fax", L"stop Spooler"}),
              Requests(entries, L"stop"));
    // Only what this run stopped is started again, from the back.
    EXPECT_EQ((Strings{L"start Spooler", L"start Fax", L"start TavSvc", L"start TavAps",
                       L"start custom"}),
              Requests(entries, L"start"));
    EXPECT_EQ((Strings{L"Custom", L"tavaps", L"tavsvc", L"fax", L"Spooler"}), manager.ServicesToStop());
    EXPECT_EQ(Stopped, services[L"GenB"].state);
    EXPECT_EQ(0, services[L"GenB"].startRequests);
    EXPECT_TRUE(Has(reports, Both(kTextServiceAlreadyStopped, L"GenB")));
    EXPECT_TRUE(Has(reports, Both(kTextServiceToStopNotFound, L"dcstart")));
    EXPECT_TRUE(world.owner.questions.empty());
}

TEST(TupRunServicesTest, AServiceThatWillNotStartIsAskedAboutUntilCancelledAndThenNoMore) {
    RunWorld world;
    auto& services = world.machine.services;
    services.Add(L"Spooler", L"spoolsv.exe", Running).failsToStart = true;
    services.Add(L"Fax", L"fxssvc.exe", Running).failsToStart = true;
    world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"Spooler"}));
    CTupManager& manager = world.Start();
    world.owner.answers = {sys::MessageAnswer::Retry, sys::MessageAnswer::Cancel};
    EXPECT_FALSE(manager.RunUpdate());

    const Question startQuestion{L"#53332\n\nSpooler", L"#53331", kRetryStyle};
    EXPECT_EQ((std::vector<Question>{startQuestion, startQuestion,
                                     {L"#53334", L"#53008", kNoticeStyle}}),
              world.owner.questions);
    EXPECT_EQ((std::vector<Seen>{StepStart(kTextStartingServices),
                                 R(2, kTextStartingService, 50, -1, L"Spooler"),
                                 Both(kTextServiceRetryAnswer, L"\"Retry\""),
                                 Both(kTextServiceRetryAnswer, L"\"Cancel\""),
                                 Both(kTextServiceNotStarted, L"Spooler"),
                                 R(2, kTextStartingService, 100, -1, L"fax"),
                                 Both(kTextServiceNotStarted, L"fax"),  // not asked any more
                                 Both(kTextStartingServicesFailed),
                                 R(2, kTextUpdateFailed, 100, 100)}),
              From(world.owner.reports, kTextStartingServices));
    EXPECT_EQ(2, services[L"Spooler"].startRequests);
    EXPECT_EQ(1, services[L"Fax"].startRequests);
    EXPECT_TRUE(manager.ServiceRetriesCancelled());
    const Strings& entries = world.Entries();
    EXPECT_EQ(entries.end(), std::find(entries.begin(), entries.end(), L"Alpha.LaunchExecutables"));

    // The cancel holds for the next run too: a service that will not stop is given up at once.
    services[L"Spooler"].state = Running;
    services[L"Spooler"].refusesStop = true;
    services[L"Spooler"].stopRequests = 0;
    world.owner.reports.clear();
    world.owner.answers = {sys::MessageAnswer::Retry};
    EXPECT_FALSE(manager.RunUpdate());
    EXPECT_EQ(3u, world.owner.questions.size());
    EXPECT_EQ(1, services[L"Spooler"].stopRequests);
    EXPECT_EQ((std::vector<Seen>{Both(kTextServiceNotStopped, L"Spooler"),
                                 Both(kTextStoppingServicesFailed)}),
              From(world.owner.reports, kTextServiceNotStopped, 2));
}

TEST(TupRunServicesTest, AServiceThatWillNotStopIsNotStartedAgainAndNoFileIsTouched) {
    RunWorld world;
    auto& services = world.machine.services;
    services.Add(L"custom", L"custom.exe", Running).refusesStop = true;
    world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"TavSvc", "custom"}));
    CTupManager& manager = world.Start();
    world.owner.answers = {sys::MessageAnswer::Retry, sys::MessageAnswer::Cancel};
    EXPECT_FALSE(manager.RunUpdate());

    const Question stopQuestion{L"#53330\n\ncustom", L"#53329", kRetryStyle};
    EXPECT_EQ((std::vector<Question>{stopQuestion, stopQuestion,
                                     {L"#53334", L"#53008", kNoticeStyle}}),
              world.owner.questions);
    EXPECT_EQ(2, services[L"custom"].stopRequests);
    EXPECT_EQ(0, services[L"custom"].startRequests);
    EXPECT_EQ((Strings{L"tavsvc"}), manager.ServicesToStop());
    EXPECT_EQ((Strings{L"stop TavSvc", L"stop custom", L"stop custom", L"start TavSvc"}),
              Strings(world.Entries().begin() + 3, world.Entries().end()));
    EXPECT_EQ((std::vector<Seen>{Both(kTextServiceNotStopped, L"custom"),
                                 Both(kTextStoppingServicesFailed), StepStart(kTextStartingServices)}),
              From(world.owner.reports, kTextServiceNotStopped, 3));
}

TEST(TupRunServicesTest, WithoutTheWizardAServiceThatFailsIsGivenUpInsteadOfRetriedForEver) {
    RunWorld world;
    auto& services = world.machine.services;
    services.Add(L"custom", L"custom.exe", Running).refusesStop = true;
    services.Add(L"Spooler", L"spoolsv.exe", Running).failsToStart = true;
    world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"custom", "Spooler"}));
    CTupManager& manager = world.Start(false);
    EXPECT_FALSE(manager.RunUpdate());  // the clock ends endless retrying with an exception
    EXPECT_EQ(1, services[L"custom"].stopRequests);
    EXPECT_EQ(1, services[L"Spooler"].stopRequests);
    EXPECT_EQ(1, services[L"Spooler"].startRequests);
    EXPECT_TRUE(manager.ServiceRetriesCancelled());
    EXPECT_TRUE(world.machine.messageBoxes.questions.empty());
    EXPECT_EQ(L";C: #53039", world.LogLines().back());
}

TEST(TupRunServicesTest, AWebServerInASharedHostThatWillNotStopIsGivenUpWithNoProcessEnded) {
    RunWorld world;
    auto& w3svc = world.machine.services.Add(
        L"w3svc", L"C:\\Windows\\system32\\svchost.exe -k iissvcs", Running);
    w3svc.serviceType = sys::ServiceType::SharedProcess;
    w3svc.stopPolls = -1;
    w3svc.processIds = {30};
    world.machine.processes.processes = {{30, L"C:\\Windows\\system32\\svchost.exe"},
                                         {31, L"C:\\Windows\\system32\\svchost.exe"}};
    world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"TavSvc"}));
    CTupManager& manager = world.Start();
    world.machine.processes.privilegeChanges.clear();  // the manager's own look at the machine
    EXPECT_FALSE(manager.RunUpdate());

    EXPECT_EQ(2u, world.owner.questions.size());  // Cancel, and the notice
    EXPECT_TRUE(world.machine.processes.terminated.empty());
    EXPECT_TRUE(world.machine.processes.privilegeChanges.empty());
    EXPECT_EQ(2u, world.machine.processes.processes.size());
    EXPECT_TRUE(Has(world.owner.reports, Both(kTextServiceNotStopped, L"w3svc")));
    EXPECT_TRUE(Has(world.owner.reports, Both(kTextStoppingServicesFailed)));
    // The server service after it was stopped, and started again; nothing else happened.
    EXPECT_EQ((Strings{L"stop w3svc", L"stop TavSvc", L"start TavSvc"}),
              Strings(world.Entries().begin() + 3, world.Entries().end()));
}

TEST(TupRunServicesTest, AServiceThatExistsButCannotBeReachedIsNeverPassedOverAsMissing) {
    {
        // Stopping: given up at once, so no file is touched while it may run.
        RunWorld world;
        world.machine.services.Add(L"custom", L"custom.exe", Running).cannotOpen = true;
        world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"custom", "TavSvc"}));
        CTupManager& manager = world.Start();
        EXPECT_FALSE(manager.RunUpdate());
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextServiceNotStopped, L"custom")));
        EXPECT_FALSE(Has(world.owner.reports, Both(kTextServiceToStopNotFound, L"custom")));
        EXPECT_TRUE(world.owner.questions.empty());
        EXPECT_EQ((Strings{L"stop TavSvc", L"start TavSvc"}),
                  Strings(world.Entries().begin() + 3, world.Entries().end()));
    }
    {
        // Starting: a service stopped by this run that cannot be reached afterwards fails the step.
        RunWorld world;
        auto& tavsvc = world.machine.services[L"TavSvc"];
        tavsvc.stopPolls = 1;
        world.clock.onSleep = [&](uint32_t ms) {
            if (ms == 250) tavsvc.cannotOpen = true;
        };
        world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"TavSvc"}));
        EXPECT_FALSE(world.Start().RunUpdate());
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextServiceNotStarted, L"tavsvc")));
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextStartingServicesFailed)));
        EXPECT_FALSE(Has(world.owner.reports, Both(kTextServiceToStartNotFound, L"tavsvc")));
    }
    {
        // A service manager that cannot be reached does not mean that nothing is installed.
        RunWorld world;
        world.machine.services.connectFails = true;
        world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"TavSvc"}));
        EXPECT_FALSE(world.Start().RunUpdate());
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextServiceNotStopped, L"tavsvc")));
        EXPECT_EQ(L";C: #53039", world.LogLines().back());
    }
}

TEST(TupRunServicesTest, TheServerServicesGetFourMoreRoundsOfFiveSecondsToStart) {
    {
        RunWorld world;
        auto& services = world.machine.services;
        services[L"TavSvc"].failsToStart = true;
        services.Add(L"Spooler", L"spoolsv.exe", Running).failsToStart = true;
        world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"TavSvc", "Spooler"}));
        CTupManager& manager = world.Start();
        EXPECT_FALSE(manager.RunUpdate());
        // Spooler: one start and the question; tavsvc: five starts, four waits between.
        EXPECT_EQ(1, services[L"Spooler"].startRequests);
        EXPECT_EQ(5, services[L"TavSvc"].startRequests);
        EXPECT_EQ(4, Sleeps(world.machine.clock, 5000));
        EXPECT_EQ(2u, world.owner.questions.size());  // Spooler's, and the notice
    }
    {
        // The remote print server comes up during the second wait.
        RunWorld world;
        auto& services = world.machine.services;
        services.Add(L"TavAps", L"TavAps.exe", Running).failsToStart = true;
        world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"TavAps"}), "",
                          "<ITEM key=\"AdditionalUpdateInformation\" type=\"OCContainer\">" +
                              ListItem("GeneralAffectedServices", {"TAVAPS"}) + "</ITEM>");
        CTupManager& manager = world.Start();
        int waits = 0;
        world.clock.onSleep = [&](uint32_t ms) {
            if (ms == 5000 && ++waits == 2) services[L"TavAps"].state = Running;
        };
        EXPECT_TRUE(manager.RunUpdate());
        EXPECT_EQ(2, services[L"TavAps"].startRequests);
        EXPECT_EQ(2, Sleeps(world.machine.clock, 5000));
        EXPECT_TRUE(world.owner.questions.empty());
        EXPECT_EQ((Strings{L"TAVAPS"}), manager.ServicesToStop());
    }
}

}  // namespace
}  // namespace run_tests
