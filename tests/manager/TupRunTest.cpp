// The update run on a fake machine: its reports, the order in which it drives the updaters,
// the backup folder, the result log, the to-do folder and the steps that end it early.
#include <gtest/gtest.h>

#include <algorithm>

#include "manager/TupRunTestWorld.h"

namespace run_tests {
namespace {

using namespace tav;
using Strings = std::vector<std::wstring>;

// One per-updater step: the start with the count, then per updater its progress and its ok.
std::vector<Seen> Loop(uint32_t start, uint32_t each, uint32_t ok,
                       const std::vector<std::pair<std::wstring, int>>& updaters) {
    std::vector<Seen> seen{R(2, start, 0, -1, std::to_wstring(updaters.size()))};
    for (const auto& [name, progress] : updaters) {
        seen.push_back(R(2, each, progress, -1, name));
        seen.push_back(Both(ok, name));
    }
    return seen;
}

void Append(std::vector<Seen>& to, const std::vector<Seen>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

bool Has(const std::vector<Seen>& reports, const Seen& report) {
    return std::find(reports.begin(), reports.end(), report) != reports.end();
}

template <class T>
std::vector<T> Last(const std::vector<T>& all, size_t n) {
    return std::vector<T>(all.end() - static_cast<std::ptrdiff_t>(std::min(n, all.size())), all.end());
}

const std::string kAlphaBeta = Updater(0, "CTupAlphaUpdater", "Alpha", {"TavSvc"}) +
                               Updater(1, "CTupBetaUpdater", "Beta");

TEST(TupRunTest, ASuccessfulRunReportsEveryStepAndDrivesTheUpdatersOneOperationAtATime) {
    RunWorld world;
    world.WriteConfig(kAlphaBeta);
    CTupManager& manager = world.Start();
    const std::wstring firstBackupFolder = manager.BackupFolder();

    ASSERT_TRUE(manager.RunUpdate());

    const std::vector<std::pair<std::wstring, int>> both{{L"Alpha", 50}, {L"Beta", 100}};
    std::vector<Seen> expected{R(0, kTextCreatingBackupRoot, -1, -1),
                               R(0, kTextCreatingBackupFolder, -1, -1),
                               R(0, kTextResultLogPath, -1, -1, firstBackupFolder + L"_log.csv"),
                               R(2, kTextUpdateStarted, 0, 0),
                               StepStart(kTextPreparingUpdate)};
    Append(expected, Loop(kTextPrepareModuleCount, kTextPreparingModule, kTextModulePrepared, both));
    expected.push_back(R(2, kTextUpdatePrepared, 100, 10));
    expected.push_back(StepStart(kTextCheckingFilesExist));
    Append(expected, Loop(kTextFileCheckModuleCount, kTextCheckingModuleFiles,
                          kTextModuleFilesFound, both));
    expected.push_back(R(2, kTextFilesExist, 100, 20));
    expected.push_back(StepStart(kTextCheckingVersions));
    Append(expected, Loop(kTextVersionCheckModuleCount, kTextCheckingModuleVersions,
                          kTextModuleNeedsUpdate, both));
    Append(expected, {R(2, kTextVersionsChecked, 100, 30),
                      StepStart(kTextCollectingServices),
                      R(1, kTextCollectingModuleServices, -1, -1, L"Alpha"),
                      R(1, kTextCollectingModuleServices, -1, -1, L"Beta"),
                      Both(kTextAffectedServices, L"TavSvc"),
                      Both(kTextServiceStopOrder, L"w3svc, tavsvc"),
                      R(2, kTextServicesCollected, 100, 40),
                      StepStart(kTextStoppingServices),
                      R(2, kTextStoppingService, 50, -1, L"w3svc"),
                      Both(kTextServiceToStopNotFound, L"w3svc"),
                      R(2, kTextStoppingService, 100, -1, L"tavsvc"),
                      Both(kTextServiceStopped, L"tavsvc"),
                      R(2, kTextServicesStopped, 100, 50),
                      StepStart(kTextCheckingWriteAccess)});
    Append(expected, Loop(kTextWriteAccessModuleCount, kTextCheckingModuleWriteAccess,
                          kTextModuleFilesWritable, both));
    expected.push_back(R(2, kTextWriteAccessChecked, 100, 60));
    expected.push_back(StepStart(kTextBackingUpFiles));
    Append(expected, Loop(kTextBackupModuleCount, kTextBackingUpModule, kTextModuleBackedUp, both));
    expected.push_back(R(2, kTextFilesBackedUp, 100, 70));
    expected.push_back(StepStart(kTextApplyingUpdate));
    Append(expected, Loop(kTextApplyModuleCount, kTextUpdatingModule, kTextModuleUpdated, both));
    Append(expected, {R(2, kTextUpdateApplied, 100, 80),
                      StepStart(kTextStartingServices),
                      R(2, kTextStartingService, 100, -1, L"tavsvc"),
                      Both(kTextServiceStarted, L"tavsvc"),
                      R(2, kTextServicesStarted, 100, 90),
                      StepStart(kTextStartingPrograms),
                      R(2, kTextLaunchModuleCount, 0, -1, L"2"),
                      // The base's launch, then the updater's own, each reported.
                      R(2, kTextStartingModulePrograms, 50, -1, L"Alpha"),
                      Both(kTextModuleProgramsStarted, L"Alpha"),
                      Both(kTextModuleProgramsStarted, L"Alpha"),
                      R(2, kTextStartingModulePrograms, 100, -1, L"Beta"),
                      Both(kTextModuleProgramsStarted, L"Beta"),
                      Both(kTextModuleProgramsStarted, L"Beta"),
                      R(2, kTextProgramsStarted, 100, 100),
                      R(2, kTextUpdateSucceeded, 100, 100)});
    EXPECT_EQ(expected, world.owner.reports);

    EXPECT_EQ((Strings{L"Alpha.PrepareUpdate", L"Beta.PrepareUpdate", L"Alpha.CheckFilesExist",
                       L"Beta.CheckFilesExist", L"Alpha.CheckVersions", L"Beta.CheckVersions",
                       L"stop TavSvc", L"Alpha.CheckFilesWritable", L"Beta.CheckFilesWritable",
                       L"Alpha.BackupFiles", L"Beta.BackupFiles", L"Alpha.ApplyUpdate",
                       L"Beta.ApplyUpdate", L"start TavSvc", L"Alpha.LaunchExecutables",
                       L"Beta.LaunchExecutables"}),
              world.Entries());

    // The backup folder of the construction, below the new backup root, holds the result log
    // with every report of kinds 1 and 2, in English.
    EXPECT_EQ(firstBackupFolder, manager.BackupFolder());
    EXPECT_EQ(0u, firstBackupFolder.find(L"C:\\TAV\\_TupBkp\\20261208_093000000_7.2.0.0_"));
    EXPECT_TRUE(world.machine.files.FolderExists(firstBackupFolder));
    Strings log;
    for (const Seen& s : expected) {
        if (s.kind != 0) log.push_back(L";C: #" + std::to_wstring(s.id) + (s.extra.empty() ? L"" : L" " + s.extra));
    }
    EXPECT_EQ(log, world.LogLines());
    EXPECT_EQ((std::vector<uint32_t>{1000}), world.machine.clock.sleeps);  // the name's second

    // A second run of the same program start finds its backup folder and result log there.
    world.owner.reports.clear();
    ASSERT_TRUE(manager.RunUpdate());
    EXPECT_EQ(firstBackupFolder, manager.BackupFolder());
    EXPECT_EQ(kTextCreatingBackupFolder, world.owner.reports[0].id);
    EXPECT_EQ(kTextResultLogPath, world.owner.reports[1].id);
    EXPECT_EQ(2 * log.size(), world.LogLines().size());
}

TEST(TupRunTest, TheBackupFolderKeepsTheDescriptionAndLanguageFilesTheFirstRunRanWith) {
    RunWorld world;
    world.WriteConfig(kAlphaBeta);
    const std::wstring program = world.machine.program.path.substr(
        0, world.machine.program.path.find_last_of(L"/\\") + 1);
    std::wstring custom = program + L"CustomTavLang1.Xml";
    std::replace(custom.begin(), custom.end(), L'/', L'\\');  // as the fake lists a name
    world.machine.files.WriteAll(program + L"config.xml", "description");
    world.machine.files.AddFile(program + L"TavLang.Xml", "texts");
    world.machine.files.AddFile(custom, "custom texts");
    CTupManager& manager = world.Start();
    ASSERT_TRUE(manager.RunUpdate());
    const std::wstring kept = manager.BackupFolder() + L"_wizard\\";
    EXPECT_EQ("description", world.machine.files.Read(kept + L"config.xml"));
    EXPECT_EQ("texts", world.machine.files.Read(kept + L"TavLang.Xml"));
    EXPECT_EQ("custom texts", world.machine.files.Read(kept + L"CustomTavLang1.Xml"));

    // A later run of the same program start leaves the first run's copies as they are.
    world.machine.files.WriteAll(program + L"config.xml", "changed");
    ASSERT_TRUE(manager.RunUpdate());
    EXPECT_EQ("description", world.machine.files.Read(kept + L"config.xml"));
}

TEST(TupRunTest, TheResultLogNamesTheServerProgramsRunningElsewhereOnce) {
    RunWorld world;
    world.WriteConfig(kAlphaBeta);
    world.machine.processes.processes.push_back({30, L"C:\\Users\\Public\\aps\\TavAps.exe"});
    world.machine.processes.processes.push_back({31, L"D:\\Copy\\TavMantlebox.exe"});
    CTupManager& manager = world.Start();
    EXPECT_FALSE(manager.RunsTavAps());
    EXPECT_EQ(L"C:\\TAV\\", manager.InstallFolder());
    ASSERT_TRUE(manager.RunUpdate());
    ASSERT_TRUE(manager.RunUpdate());
    const std::wstring note = L";C: #" + std::to_wstring(kTextServerProgramOutsideIgnored) +
                              L" C:\\USERS\\PUBLIC\\APS\\TAVAPS.EXE, D:\\COPY\\TAVMANTLEBOX.EXE";
    const Strings lines = world.LogLines();
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), note));
}

TEST(TupRunTest, WithoutAnInstalledServerOnlyAGenericUpdaterLetsTheRunGoOn) {
    {
        RunWorld world;
        world.machine.services.Add(L"TavAps", L"C:\\APS\\TavAps.exe");  // installed, stopped
        world.machine.services.Remove(L"TavSvc");
        world.WriteConfig(kAlphaBeta);
        EXPECT_TRUE(world.Start().RunUpdate());
        EXPECT_TRUE(world.owner.reports.empty());
        EXPECT_TRUE(world.Entries().empty());
        EXPECT_TRUE(world.machine.files.List(L"C:\\TAV").empty());
    }
    {
        // A generic updater runs on any machine; there the gates are not asked.
        RunWorld world;
        world.machine.services.Remove(L"TavSvc");
        world.WriteConfig(Updater(0, "CTupGenericUpdater", "Generic"),
                          StringItem("MinimumRequiredVersion", "9.0.0.0"));
        EXPECT_TRUE(world.Start().RunUpdate());
        EXPECT_EQ(L"Generic.LaunchExecutables", world.Entries().back());
    }
    {
        // A running TavAps service is an installed server too, and its version is the gate's.
        RunWorld world;
        world.machine.services.Remove(L"TavSvc");
        world.machine.services.Add(L"TavAps", L"C:\\APS\\TavAps.exe", sys::ServiceState::Running);
        world.machine.versions.Set(L"C:\\APS\\TavAps.exe", 9, 1, 0, 0, 9, 1, 0, 0);
        world.machine.files.AddFolder(L"C:\\APS");
        // The remote print server's package container is the one loaded there.
        world.WriteConfig("", "",
                          "<ITEM key=\"Tarnova_RVX_Update\" type=\"OCContainer\">" +
                              StringItem("MinimumRequiredVersion", "9.0.0.0") +
                              "<ITEM key=\"Updaters\" type=\"OCContainer\">" + kAlphaBeta +
                              "</ITEM></ITEM>");
        CTupManager& manager = world.Start();
        EXPECT_EQ(L"C:\\APS\\", manager.InstallFolder());
        EXPECT_TRUE(manager.RunUpdate());
        EXPECT_EQ(L"Beta.LaunchExecutables", world.Entries().back());
    }
}

TEST(TupRunTest, TheBackupFolderIsCreatedOnceAndASecondNameIsTriedOnce) {
    {
        // Nothing can be created in the backup root the first time; the second name is made
        // after a second's wait, when it can.
        RunWorld world;
        world.machine.files.AddFolder(L"C:\\TAV\\_TupBkp");
        world.machine.files.DenyCreateIn(L"C:\\TAV\\_TupBkp");
        world.WriteConfig(kAlphaBeta);
        CTupManager& manager = world.Start();
        const std::wstring first = manager.BackupFolder();
        world.clock.onSleep = [&](uint32_t ms) {
            if (ms != 1000) return;
            world.machine.files.Move(L"C:\\TAV\\_TupBkp", L"C:\\TAV\\_Denied", false);
            world.machine.files.AddFolder(L"C:\\TAV\\_TupBkp");
        };
        EXPECT_TRUE(manager.RunUpdate());
        EXPECT_NE(first, manager.BackupFolder());
        EXPECT_TRUE(world.machine.files.FolderExists(manager.BackupFolder()));
        EXPECT_EQ((std::vector<uint32_t>{1000, 1000}), world.machine.clock.sleeps);
        EXPECT_EQ(R(0, kTextCreatingBackupFolder, -1, -1), world.owner.reports[0]);
        EXPECT_EQ(manager.BackupFolder() + L"_log.csv", world.owner.reports[1].extra);
        EXPECT_EQ(L";C: #53037", world.LogLines().front());
    }
    {
        RunWorld world;
        world.machine.files.AddFolder(L"C:\\TAV\\_TupBkp");
        world.machine.files.DenyCreateIn(L"C:\\TAV\\_TupBkp");
        world.WriteConfig(kAlphaBeta);
        EXPECT_FALSE(world.Start().RunUpdate());
        EXPECT_EQ((std::vector<Seen>{R(0, kTextCreatingBackupFolder, -1, -1),
                                     R(0, kTextBackupFolderNotCreated, -1, -1)}),
                  world.owner.reports);
        EXPECT_EQ((std::vector<uint32_t>{1000, 1000}), world.machine.clock.sleeps);
        EXPECT_TRUE(world.Entries().empty());
    }
    {
        RunWorld world;
        world.machine.files.DenyCreateIn(L"C:\\TAV");
        world.WriteConfig(kAlphaBeta);
        EXPECT_FALSE(world.Start().RunUpdate());
        EXPECT_EQ((std::vector<Seen>{R(0, kTextCreatingBackupRoot, -1, -1),
                                     R(0, kTextBackupRootNotCreated, -1, -1)}),
                  world.owner.reports);
        EXPECT_TRUE(world.Entries().empty());
    }
}

TEST(TupRunTest, AFileInThePlaceOfTheBackupRootOrFolderIsNoFolder) {
    {
        RunWorld world;
        world.machine.files.AddFile(L"C:\\TAV\\_TupBkp", "not a folder");
        world.WriteConfig(kAlphaBeta);
        EXPECT_FALSE(world.Start().RunUpdate());
        EXPECT_EQ((std::vector<Seen>{R(0, kTextCreatingBackupRoot, -1, -1),
                                     R(0, kTextBackupRootNotCreated, -1, -1)}),
                  world.owner.reports);
        EXPECT_TRUE(world.Entries().empty());
    }
    for (const bool secondFree : {true, false}) {
        // The first name is taken by a file; so is the second unless it is free.
        RunWorld world;
        world.WriteConfig(kAlphaBeta);
        CTupManager& manager = world.Start();
        const std::wstring first = manager.BackupFolder();
        world.machine.files.AddFolder(L"C:\\TAV\\_TupBkp");
        world.machine.files.AddFile(first.substr(0, first.size() - 1));
        world.clock.onSleep = [&](uint32_t ms) {
            if (ms == 1000 && !secondFree) world.machine.files.DenyCreateIn(L"C:\\TAV\\_TupBkp");
        };
        EXPECT_EQ(secondFree, manager.RunUpdate());
        EXPECT_NE(first, manager.BackupFolder());
        EXPECT_EQ(secondFree, world.machine.files.FolderExists(manager.BackupFolder()));
        const Seen last = secondFree ? R(2, kTextUpdateStarted, 0, 0)
                                     : R(0, kTextBackupFolderNotCreated, -1, -1);
        EXPECT_EQ(last, world.owner.reports[secondFree ? 2 : 1]) << secondFree;
    }
}

TEST(TupRunTest, AnEarlierToDoFolderIsArchivedUnderItsListsNameBeforeAnythingChanges) {
    struct Case {
        std::vector<std::wstring> files;
        bool denyMove;
        std::vector<Seen> reports;  // after the archiving is announced, when it fails
    };
    const std::wstring todo = L"C:\\TAV\\_todo";
    const Seen failed = Both(kTextTodoFolderNotArchived);
    const Seen final = R(2, kTextUpdateFailed, 100, 100);
    const Case cases[] = {
        {{L"notes.txt", L"update_7.1.0.0.txt\\inner.txt"}, false,
         {R(1, kTextTodoListNotFound, -1, -1, todo), failed, final}},
        {{L"update_7.1.0.0.txt"}, true,
         {R(1, kTextTodoFolderRenameFailed, -1, -1, todo), failed, final}},
        {{L"a.asp", L"update_7.1.0.0.txt", L"update_7.1.5.0.txt"}, false, {}},
    };
    for (const Case& c : cases) {
        RunWorld world;
        for (const auto& file : c.files) world.machine.files.AddFile(todo + L"\\" + file, "x");
        if (c.denyMove) world.machine.files.DenyMove(todo);
        world.WriteConfig(kAlphaBeta);
        const bool ok = world.Start().RunUpdate();
        const auto& reports = world.owner.reports;
        ASSERT_GE(reports.size(), 5u);
        EXPECT_EQ(Both(kTextArchivingTodoFolder), reports[4]);
        if (c.reports.empty()) {
            EXPECT_TRUE(ok);
            EXPECT_FALSE(world.machine.files.FolderExists(todo));
            EXPECT_EQ("x", world.machine.files.Read(L"C:\\TAV\\_todo_update_7.1.0.0\\a.asp"));
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(c.reports, std::vector<Seen>(reports.begin() + 5, reports.end()));
            EXPECT_TRUE(world.Entries().empty());
            EXPECT_TRUE(world.machine.files.FolderExists(todo));
        }
    }
    // An empty to-do folder is left where it is.
    RunWorld world;
    world.machine.files.AddFolder(todo);
    world.WriteConfig(kAlphaBeta);
    EXPECT_TRUE(world.Start().RunUpdate());
    EXPECT_FALSE(Has(world.owner.reports, Both(kTextArchivingTodoFolder)));
    EXPECT_TRUE(world.machine.files.FolderExists(todo));
}

TEST(TupRunTest, TheInstalledVersionMustFitThePackageBeforeAnyUpdaterIsPrepared) {
    struct Case {
        std::string keys;
        bool versionKnown;
        bool passes;
    };
    const Case cases[] = {
        {"", false, true},
        {StringItem("MinimumRequiredVersion", "7.2.0.0"), true, true},  // equal is enough
        {StringItem("MinimumRequiredVersion", "7.2.0.1"), true, false},
        {StringItem("MinimumRequiredVersion", "7.0.0.0"), false, false},
        {StringItem("MinimumNonCompatibleVersion", "7.2.0.1"), true, true},
        {StringItem("MinimumNonCompatibleVersion", "7.2.0.0"), true, false},
        {StringItem("MinimumNonCompatibleVersion", "8.0.0.0"), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        RunWorld world;
        if (!c.versionKnown) world.machine.versions.files.clear();
        world.WriteConfig(kAlphaBeta, c.keys);
        EXPECT_EQ(c.passes, world.Start().RunUpdate());
        const Seen gate = R(2, kTextVersionRequirementsNotMet, 0, -1);
        EXPECT_EQ(!c.passes, Has(world.owner.reports, gate));
        if (!c.passes) {
            EXPECT_TRUE(world.Entries().empty());
            EXPECT_EQ((std::vector<Seen>{R(2, kTextPrepareModuleCount, 0, -1, L"2"), gate,
                                         Both(kTextPreparingUpdateFailed),
                                         R(2, kTextUpdateFailed, 100, 100)}),
                      Last(world.owner.reports, 4));
        }
    }
}

TEST(TupRunTest, AGenericUpdaterThatCannotRunIsLeftOutWhileAnyOtherFailsTheRun) {
    const std::string updaters = Updater(0, "CTupGenericUpdater", "Generic") +
                                 Updater(1, "CTupAlphaUpdater", "Alpha") +
                                 Updater(2, "CTupBetaUpdater", "Beta");
    {
        RunWorld world;
        world.WriteConfig(updaters);
        CTupManager& manager = world.Start();
        world.Scripted(0).prepare = 0;
        EXPECT_TRUE(manager.RunUpdate());
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextModuleConditionsNotMet, L"Generic")));
        EXPECT_TRUE(Has(world.owner.reports, R(2, kTextFileCheckModuleCount, 0, -1, L"2")));
        EXPECT_EQ((Strings{L"CTupAlphaUpdater", L"CTupBetaUpdater"}), manager.UpdaterClassNames());
        const Strings& entries = world.Entries();
        EXPECT_EQ((Strings{L"Generic.PrepareUpdate", L"Alpha.PrepareUpdate", L"Beta.PrepareUpdate",
                           L"~Generic", L"Alpha.CheckFilesExist"}),
                  Strings(entries.begin(), entries.begin() + 5));
    }
    {
        RunWorld world;
        world.WriteConfig(updaters);
        CTupManager& manager = world.Start();
        world.Scripted(0).prepare = 0;
        world.Scripted(1).prepare = 0;
        EXPECT_FALSE(manager.RunUpdate());
        // The loop stops at Alpha; the generic updater is dropped all the same.
        EXPECT_EQ((Strings{L"Generic.PrepareUpdate", L"Alpha.PrepareUpdate", L"~Generic"}),
                  world.Entries());
        EXPECT_EQ((Strings{L"CTupAlphaUpdater", L"CTupBetaUpdater"}), manager.UpdaterClassNames());
        EXPECT_EQ((std::vector<Seen>{R(2, kTextPreparingModule, 66, -1, L"Alpha"),
                                     Both(kTextModulePrepareFailed, L"Alpha"),
                                     Both(kTextPreparingUpdateFailed),
                                     R(2, kTextUpdateFailed, 100, 100)}),
                  Last(world.owner.reports, 4));
    }
}

TEST(TupRunTest, UpdatersWithNothingToUpdateAreDroppedAndWithNoneLeftNothingIsTouched) {
    {
        RunWorld world;
        world.WriteConfig(kAlphaBeta + Updater(2, "CTupGammaUpdater", "Gamma", {"Spooler"}));
        CTupManager& manager = world.Start();
        world.Scripted(0).versions = 1;
        world.Scripted(2).versions = 1;
        EXPECT_TRUE(manager.RunUpdate());
        EXPECT_EQ((Strings{L"CTupBetaUpdater"}), manager.UpdaterClassNames());
        const Strings& entries = world.Entries();
        // From the last to the first, and before any service is collected.
        EXPECT_EQ((Strings{L"Gamma.CheckVersions", L"~Gamma", L"~Alpha", L"Beta.CheckFilesWritable"}),
                  Strings(entries.begin() + 8, entries.begin() + 12));
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextModuleUpToDate, L"Alpha")));
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextModuleNeedsUpdate, L"Beta")));
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextAffectedServices, L"")));
    }
    {
        RunWorld world;
        world.WriteConfig(kAlphaBeta);
        CTupManager& manager = world.Start();
        world.Scripted(0).versions = 1;
        world.Scripted(1).versions = 1;
        EXPECT_TRUE(manager.RunUpdate());
        EXPECT_EQ((Strings{L"Alpha.PrepareUpdate", L"Beta.PrepareUpdate", L"Alpha.CheckFilesExist",
                           L"Beta.CheckFilesExist", L"Alpha.CheckVersions", L"Beta.CheckVersions",
                           L"~Beta", L"~Alpha"}),
                  world.Entries());
        EXPECT_EQ((std::vector<Seen>{R(2, kTextVersionsChecked, 100, 30), Both(kTextNothingToUpdate),
                                     R(2, kTextUpdateSucceeded, 100, 100)}),
                  Last(world.owner.reports, 3));
        EXPECT_TRUE(manager.ServicesToStop().empty());
    }
}

TEST(TupRunTest, AnEnforcedUpdateAsksNoUpdaterAboutVersions) {
    RunWorld world;
    world.enforce = 1;
    world.WriteConfig(kAlphaBeta);
    CTupManager& manager = world.Start();
    world.Scripted(0).versions = 1;
    world.Scripted(1).versions = 2;
    EXPECT_TRUE(manager.RunUpdate());
    const auto& reports = world.owner.reports;
    const auto at = std::find(reports.begin(), reports.end(), StepStart(kTextCheckingVersions));
    ASSERT_NE(reports.end(), at);
    EXPECT_EQ(R(2, kTextVersionCheckModuleCount, 0, -1, L"0 (update enforced)"), at[1]);
    EXPECT_EQ(R(2, kTextVersionsChecked, 100, 30), at[2]);
    EXPECT_EQ(2u, manager.Updaters().size());
    for (const auto& entry : world.Entries()) EXPECT_EQ(std::wstring::npos, entry.find(L"Versions"));
}

TEST(TupRunTest, AFailureBeforeTheServicesEndsTheRunWithNothingStopped) {
    struct Case {
        int filesExist, versions;
        std::wstring lastCall;
        std::vector<Seen> tail;
    };
    const Case cases[] = {
        {0, 0, L"Alpha.CheckFilesExist",
         {Both(kTextModuleFilesMissing, L"Alpha"), Both(kTextFilesMissing)}},
        {1, 2, L"Alpha.CheckVersions",
         {Both(kTextModuleVersionCheckFailed, L"Alpha"), Both(kTextVersionCheckFailed)}},
        {1, 3, L"Alpha.CheckVersions",
         {Both(kTextModuleVersionCheckFailed, L"Alpha"), Both(kTextVersionCheckFailed)}},
    };
    for (const Case& c : cases) {
        RunWorld world;
        world.WriteConfig(kAlphaBeta);
        CTupManager& manager = world.Start();
        world.Scripted(0).filesExist = c.filesExist;
        world.Scripted(0).versions = c.versions;
        EXPECT_FALSE(manager.RunUpdate());
        std::vector<Seen> tail = c.tail;
        tail.push_back(R(2, kTextUpdateFailed, 100, 100));
        EXPECT_EQ(tail, Last(world.owner.reports, 3));
        // Beta is not asked once Alpha failed, and no service is touched.
        EXPECT_EQ(c.lastCall, world.Entries().back());
        EXPECT_TRUE(world.machine.services.requests.empty());
        EXPECT_EQ(2u, manager.Updaters().size());
    }
}

TEST(TupRunTest, NoRoomForTheNewFilesBesideTheOldOnesEndsTheRunBeforeAnyServiceStops) {
    RunWorld world;
    world.WriteConfig(kAlphaBeta);
    CTupManager& manager = world.Start();
    CTupModuleFile file;
    file.SetUpdatePackageFile(L"big.dll");
    file.SetInstallationFile(L"C:\\TAV\\big.dll");
    world.Scripted(0).Files().push_back(file);
    world.machine.files.AddFile(manager.PackageFolder() + L"big.dll", std::string(4096, 'n'));
    world.machine.files.AddFile(L"C:\\TAV\\big.dll", "old");
    world.machine.files.freeBytes = 4095;

    EXPECT_FALSE(manager.RunUpdate());
    EXPECT_EQ((std::vector<Seen>{Both(kTextNotEnoughDiskSpace), Both(kTextApplyingUpdateFailed),
                                 R(2, kTextUpdateFailed, 100, 100)}),
              Last(world.owner.reports, 3));
    EXPECT_TRUE(world.machine.services.requests.empty());
    EXPECT_EQ("old", world.machine.files.Read(L"C:\\TAV\\big.dll"));
    EXPECT_FALSE(world.machine.files.Exists(L"C:\\TAV\\big.dll.tup~new"));
    EXPECT_FALSE(world.machine.files.Exists(manager.BackupFolder() + CTupManager::kStagedListName));
}

TEST(TupRunTest, AFailedFileStepStillStartsTheServicesAndLaunchesNothing) {
    {
        RunWorld world;
        world.WriteConfig(kAlphaBeta);
        CTupManager& manager = world.Start();
        world.Scripted(0).writable = 0;
        EXPECT_FALSE(manager.RunUpdate());
        EXPECT_EQ((Strings{L"Alpha.CheckVersions", L"Beta.CheckVersions", L"stop TavSvc",
                           L"Alpha.CheckFilesWritable", L"start TavSvc"}),
                  Strings(world.Entries().begin() + 4, world.Entries().end()));
        EXPECT_EQ((std::vector<Seen>{Both(kTextModuleFilesNotWritable, L"Alpha"),
                                     Both(kTextWriteAccessCheckFailed),
                                     StepStart(kTextStartingServices),
                                     R(2, kTextStartingService, 100, -1, L"tavsvc"),
                                     Both(kTextServiceStarted, L"tavsvc"),
                                     R(2, kTextServicesStarted, 100, 90),
                                     R(2, kTextUpdateFailed, 100, 100)}),
                  Last(world.owner.reports, 7));
    }
    {
        // The second updater's file replacement fails after the first one's was applied.
        RunWorld world;
        world.WriteConfig(kAlphaBeta);
        CTupManager& manager = world.Start();
        world.Scripted(1).apply = 0;
        EXPECT_FALSE(manager.RunUpdate());
        EXPECT_EQ((Strings{L"Alpha.ApplyUpdate", L"Beta.ApplyUpdate", L"start TavSvc"}),
                  Last(world.Entries(), 3));
        EXPECT_TRUE(Has(world.owner.reports, Both(kTextApplyingUpdateFailed)));
        EXPECT_EQ(R(2, kTextUpdateFailed, 100, 100), world.owner.reports.back());
    }
}

TEST(TupRunTest, ThreeUpdatersMakeProgress33_66_99InEveryStep) {
    RunWorld world;
    for (auto name : {L"a", L"b", L"c"}) {
        world.machine.services.Add(name, L"x.exe", sys::ServiceState::Running);
    }
    world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha", {"a"}) +
                      Updater(1, "CTupBetaUpdater", "Beta", {"b"}) +
                      Updater(2, "CTupGammaUpdater", "Gamma", {"c"}));
    ASSERT_TRUE(world.Start().RunUpdate());
    for (uint32_t each : {kTextPreparingModule, kTextCheckingModuleFiles, kTextCheckingModuleVersions,
                          kTextCheckingModuleWriteAccess, kTextBackingUpModule, kTextUpdatingModule,
                          kTextStartingModulePrograms, kTextStoppingService, kTextStartingService}) {
        std::vector<int> progress;
        for (const auto& r : world.owner.reports) {
            if (r.id == each) progress.push_back(r.step);
        }
        EXPECT_EQ((std::vector<int>{33, 66, 99}), progress) << each;
    }
    // Without the spooler or the server's service nothing is added to the list.
    EXPECT_TRUE(Has(world.owner.reports, Both(kTextServiceStopOrder, L"a, b, c")));
}

TEST(TupRunTest, EachModulesProgramsAreStartedOnceByTheBaseThenTheUpdatersOwnWorkFollows) {
    // An updater that keeps the base's LaunchExecutables gets the base's first result again
    // when the run calls its own, instead of a second start of its programs.
    PlainUpdater plain;
    plain.SetBaseLaunchResult(0);
    EXPECT_EQ(0, plain.LaunchExecutables());
    plain.SetBaseLaunchResult(-1);
    EXPECT_EQ(1, plain.LaunchExecutables());

    RunWorld world;
    world.WriteConfig(Updater(0, "CTupPlainUpdater", "Plain") +
                      Updater(1, "CTupAlphaUpdater", "Alpha") + Updater(2, "CTupBetaUpdater", "Beta"));
    // The base version check would drop the updater without files; an enforced update keeps it.
    world.enforce = 1;
    CTupManager& manager = world.Start();
    world.Scripted(2).launch = 0;
    EXPECT_FALSE(manager.RunUpdate());
    // Alpha's own runs while the base's result is set, and only then.
    EXPECT_EQ((std::vector<int>{1}), world.Scripted(1).launchSawBaseResult);
    EXPECT_EQ(-1, manager.Updaters()[1]->BaseLaunchResult());
    EXPECT_EQ(-1, manager.Updaters()[0]->BaseLaunchResult());
    EXPECT_EQ((std::vector<Seen>{R(2, kTextStartingModulePrograms, 33, -1, L"Plain"),
                                 Both(kTextModuleProgramsStarted, L"Plain"),
                                 Both(kTextModuleProgramsStarted, L"Plain"),
                                 R(2, kTextStartingModulePrograms, 66, -1, L"Alpha"),
                                 Both(kTextModuleProgramsStarted, L"Alpha"),
                                 Both(kTextModuleProgramsStarted, L"Alpha"),
                                 R(2, kTextStartingModulePrograms, 99, -1, L"Beta"),
                                 Both(kTextModuleProgramsStarted, L"Beta"),
                                 Both(kTextModuleProgramsFailed, L"Beta"),
                                 Both(kTextStartingProgramsFailed),
                                 R(2, kTextUpdateFailed, 100, 100)}),
              Last(world.owner.reports, 11));
}

TEST(TupRunTest, AModuleWhoseProgramsFailDoesNotKeepTheOthersProgramsFromStarting) {
    // Which updaters' own LaunchExecutables fail; every updater is asked all the same.
    const std::vector<std::vector<size_t>> cases{{0}, {1}, {0, 2}};
    for (const auto& failing : cases) {
        RunWorld world;
        world.WriteConfig(Updater(0, "CTupAlphaUpdater", "Alpha") +
                          Updater(1, "CTupBetaUpdater", "Beta") +
                          Updater(2, "CTupGammaUpdater", "Gamma"));
        CTupManager& manager = world.Start();
        for (size_t index : failing) world.Scripted(index).launch = 0;
        EXPECT_FALSE(manager.RunUpdate());

        EXPECT_EQ((Strings{L"Alpha.LaunchExecutables", L"Beta.LaunchExecutables",
                           L"Gamma.LaunchExecutables"}),
                  Last(world.Entries(), 3));
        std::vector<Seen> expected;
        const wchar_t* names[] = {L"Alpha", L"Beta", L"Gamma"};
        for (size_t i = 0; i < 3; ++i) {
            const bool fails = std::find(failing.begin(), failing.end(), i) != failing.end();
            expected.push_back(R(2, kTextStartingModulePrograms, 33 * static_cast<int>(i + 1), -1,
                                 names[i]));
            expected.push_back(Both(kTextModuleProgramsStarted, names[i]));
            expected.push_back(
                Both(fails ? kTextModuleProgramsFailed : kTextModuleProgramsStarted, names[i]));
        }
        expected.push_back(Both(kTextStartingProgramsFailed));
        expected.push_back(R(2, kTextUpdateFailed, 100, 100));
        EXPECT_EQ(expected, Last(world.owner.reports, expected.size()));
    }
}

// A generic updater with one more section: its files, programs or components.
std::string GenericWith(const std::string& section) {
    return "<ITEM key=\"Updater0\" type=\"OCContainer\">" +
           StringItem("ClassType", "CTupGenericUpdater") + StringItem("Name", "Generic") + section +
           "</ITEM>";
}

std::string OneElement(const std::string& list, const std::string& element,
                       const std::string& items) {
    return "<ITEM key=\"" + list + "\" type=\"OCContainer\"><ITEM key=\"" + element +
           "0\" type=\"OCContainer\">" + items + "</ITEM></ITEM>";
}

TEST(TupRunTest, WithoutTheInstallFolderAModuleThatNeedsItIsRefusedBeforeAnythingChanges) {
    struct Case {
        const char* what;
        std::string updaters;
        std::wstring serviceProgram;  // of "TavSvc"; none when empty
        bool refused;
    };
    const Case cases[] = {
        {"a file in the install folder",
         GenericWith(OneElement("Files", "File",
                                StringItem("UpdatePackageFile", "x.txt") +
                                    StringItem("InstallationFile", "[$TN_INSTALL_PATH]x.txt"))),
         L"", true},
        {"a program in the install folder",
         GenericWith(OneElement("ExecutablesToLaunch", "File",
                                StringItem("Path", "[$TN_RVX_INSTALL_PATH]tool.exe"))),
         L"", true},
        {"a component named without a folder",
         GenericWith(ListItem("ObjectsToRegister", {"TavCom.dll"})), L"", true},
        // The service names no full path and no server runs: the product's module has no folder.
        {"a product module", Updater(0, "CTupAlphaUpdater", "Alpha", {"TavSvc"}), L"Qelsrv.exe",
         true},
        {"a file elsewhere",
         GenericWith(OneElement("Files", "File",
                                StringItem("UpdatePackageFile", "x.txt") +
                                    StringItem("InstallationFile", "C:\\Other\\x.txt"))),
         L"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunWorld world;
        world.machine.processes.processes.clear();
        world.machine.services.Remove(L"TavSvc");
        if (!c.serviceProgram.empty()) world.machine.services.Add(L"TavSvc", c.serviceProgram);
        world.WriteConfig(c.updaters);
        CTupManager& manager = world.Start();
        ASSERT_EQ(L"", manager.InstallFolder());
        const Strings before = world.machine.files.List();

        if (!c.refused) {
            world.Scripted(0).versions = 1;  // nothing to update: the run ends after the checks
            EXPECT_TRUE(manager.RunUpdate());
            EXPECT_NE(kTextInstallationNotFound, world.owner.reports.front().id);
            continue;
        }
        EXPECT_FALSE(manager.RunUpdate());
        // Told on the wizard's list only: there is no result log to write it to.
        EXPECT_EQ((std::vector<Seen>{R(0, kTextInstallationNotFound, -1, -1)}), world.owner.reports);
        EXPECT_TRUE(world.Entries().empty());
        EXPECT_TRUE(world.machine.services.requests.empty());
        EXPECT_EQ(before, world.machine.files.List());
    }
}

TEST(TupRunTest, AServerStoppedBeforeTheUpdateIsUpdatedInItsFolderAndStaysStopped) {
    RunWorld world;
    world.machine.processes.processes.clear();
    world.machine.services.Remove(L"TavSvc");
    world.machine.services.Add(L"TavSvc", L"\"C:\\Tav\\Qelsrv.exe\" -service");
    world.WriteConfig(kAlphaBeta);
    CTupManager& manager = world.Start();
    EXPECT_EQ(L"C:\\TAV\\", manager.InstallFolder());
    EXPECT_EQ(L"7.2.0.0", manager.InstalledVersion());

    EXPECT_TRUE(manager.RunUpdate());
    EXPECT_EQ(0u, manager.BackupFolder().find(L"C:\\TAV\\_TupBkp\\"));
    EXPECT_TRUE(world.machine.files.Exists(manager.BackupFolder() + L"_log.csv"));
    EXPECT_TRUE(Has(world.owner.reports, Both(kTextServiceAlreadyStopped, L"tavsvc")));
    EXPECT_TRUE(world.machine.services.requests.empty());
    EXPECT_EQ(sys::ServiceState::Stopped, world.machine.services[L"TavSvc"].state);
}

}  // namespace
}  // namespace run_tests
