// The core server's updater: internal secure channel values, the COM server's registration
// after the file update, the readme at the end, and creation by class name.
#include "modules/TupKernelUpdater.h"

#include <gtest/gtest.h>

#include "manager/TupClassFactory.h"
#include "modules/TupKernelResourcesUpdater.h"
#include "modules/TupRvxResourcesUpdater.h"
#include "modules/TupRvxUpdater.h"
#include "modules/ServerUpdaterTestWorld.h"

namespace {

using namespace server_tests;

const std::wstring kTcpServer = L"SOFTWARE\\Kelmark\\Tav\\TavTcpServer";

TEST(TupKernelUpdaterTest, ThePackageNamesCreateTheServerUpdaters) {
    auto created = [](const wchar_t* name) { return TupClassFactory::Create(name); };
    EXPECT_NE(nullptr, dynamic_cast<CTupKernelResourcesUpdater*>(created(L"CTupKernelResourcesUpdater").get()));
    EXPECT_NE(nullptr, dynamic_cast<CTupKernelUpdater*>(created(L"CTupKernelUpdater").get()));
    EXPECT_NE(nullptr, dynamic_cast<CTupRvxResourcesUpdater*>(created(L"CTupRvxResourcesUpdater").get()));
    EXPECT_NE(nullptr, dynamic_cast<CTupRvxUpdater*>(created(L"CTupRvxUpdater").get()));
}

TEST(TupKernelUpdaterTest, PrepareExpandsPatternsAndWritesTheSecureChannelOnlyWhenItWasSet) {
    struct Case {
        bool set;
        uint32_t on;
        int64_t forceHttps, httpsPort;
    };
    for (const Case& c : {Case{false, 0, -1, -1}, Case{true, 1, 1, 8443}, Case{true, 0, 0, 8443}}) {
        SCOPED_TRACE(std::to_string(c.set) + std::to_string(c.on));
        ServerWorld world;
        world.machine.files.AddFile(L"C:\\Update\\package\\bin\\a.exe");
        if (c.set) world.Manager().SetEnforceSecureChannelInternal(c.on);
        auto& updater = world.Make<CTupKernelUpdater>();
        updater.Files() = {MakeFile(L"bin\\*.exe", L"[$TN_INSTALL_PATH]x.exe")};

        EXPECT_EQ(1, updater.PrepareUpdate());

        EXPECT_EQ((Strings{L"C:\\TAV\\a.exe"}), ServerWorld::InstallPaths(updater));
        EXPECT_EQ(c.forceHttps, world.Dword(L"ForceHttps", kTcpServer));
        EXPECT_EQ(c.httpsPort, world.Dword(L"HttpsPort", kTcpServer));
        const Reports reports = world.TakeReports();
        const Reports written{{tav::kTextWritingRegistryValue, kProductKey + L"\\TavTcpServer\\ForceHttps"},
                              {tav::kTextWritingRegistryValue, kProductKey + L"\\TavTcpServer\\HttpsPort"}};
        EXPECT_EQ(c.set, Reports(reports.end() - 2, reports.end()) == written);
    }
}

TEST(TupKernelUpdaterTest, ApplyRegistersQelsrvAfterTheBaseUpdateAndFailsWhenItCannotStart) {
    ServerWorld world;
    auto& launcher = world.machine.launcher;
    world.machine.files.AddFile(L"C:\\Update\\package\\q.dll", "new");
    auto& updater = world.Make<CTupKernelUpdater>();
    updater.Files() = {MakeFile(L"q.dll", L"C:\\TAV\\q.dll")};
    updater.CommandsToExecute() = {L"cmd /c first"};
    const std::wstring registration = L"\"C:\\TAV\\Qelsrv.exe\" /RegServer";

    launcher.exitCode = 5;  // not looked at
    EXPECT_EQ(1, updater.ApplyUpdate());
    EXPECT_EQ("new", world.machine.files.Read(L"C:\\TAV\\q.dll"));
    ASSERT_EQ(2u, launcher.starts.size());
    EXPECT_EQ(L"cmd /c first", launcher.starts[0].commandLine);
    EXPECT_EQ(registration, launcher.starts[1].commandLine);
    EXPECT_TRUE(launcher.starts[1].waited);
    Reports reports = world.TakeReports();
    EXPECT_EQ((Reports{{tav::kTextRunningCommand, registration}, {tav::kTextCommandStarted, registration}}),
              Reports(reports.end() - 2, reports.end()));

    launcher.failing = {L"Qelsrv.exe"};
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_EQ((Seen{tav::kTextCommandNotStarted, registration}), world.TakeReports().back());

    // A failed file update registers nothing.
    launcher.starts.clear();
    launcher.failing.clear();
    updater.Files() = {MakeFile(L"missing.dll", L"C:\\TAV\\missing.dll")};
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_TRUE(launcher.starts.empty());
}

TEST(TupKernelUpdaterTest, LaunchShowsTheReadmeOfTheClientFolderOnly) {
    ServerWorld world;
    auto& launcher = world.machine.launcher;
    const std::wstring windows = L"Software\\Microsoft\\Windows\\CurrentVersion";
    world.Put(L"ProgramFilesDir", L"C:\\Program Files (x86)", windows);
    world.machine.registry.PutString(sys::RegistryRoot::LocalMachine, windows, sys::RegistryView::Bits64,
                                     L"ProgramFilesDir", L"C:\\Program Files");
    world.Put(L"TAVCLNTMSIPATH", L"C:\\TAV\\Client\\TavClntMsi.exe");
    auto& updater = world.Make<CTupKernelUpdater>();
    updater.ExecutablesToLaunch().resize(1);
    updater.ExecutablesToLaunch()[0].SetPath(L"C:\\TAV\\module.exe");
    const std::wstring readme =
        L"\"C:\\Program Files (x86)\\Internet Explorer\\iexplore.exe\" \"C:\\TAV\\Client\\ReadMe\\readme.html\"";

    EXPECT_EQ(1, updater.LaunchExecutables());
    ASSERT_EQ(1u, launcher.starts.size());
    EXPECT_EQ(readme, launcher.starts[0].commandLine);
    EXPECT_EQ(L"C:\\Program Files (x86)\\Internet Explorer\\iexplore.exe", launcher.starts[0].program);
    EXPECT_FALSE(launcher.starts[0].waited);
    EXPECT_EQ((Reports{{tav::kTextRunningCommand, readme}, {tav::kTextCommandStarted, readme}}),
              world.TakeReports());

    launcher.failing = {L"iexplore.exe"};
    EXPECT_EQ(0, updater.LaunchExecutables());
    EXPECT_EQ((Seen{tav::kTextCommandNotStarted, readme}), world.TakeReports().back());

}

// A quote in the client folder would end the readme's quotes early: not started.
TEST(TupKernelUpdaterTest, AQuoteInTheClientFolderIsReportedAsNotStarted) {
    ServerWorld world;
    world.Put(L"ProgramFilesDir", L"C:\\Program Files", L"Software\\Microsoft\\Windows\\CurrentVersion");
    world.Put(L"TAVCLNTMSIPATH", L"C:\\TAV\\C\" -k \"x\\TavClntMsi.exe");
    auto& updater = world.Make<CTupKernelUpdater>();
    EXPECT_EQ(0, updater.LaunchExecutables());
    EXPECT_TRUE(world.machine.launcher.starts.empty());
    EXPECT_EQ(tav::kTextCommandNotStarted, world.TakeReports().back().id);
}

TEST(TupKernelUpdaterTest, QelsrvOfAnInstallFolderWithABlankStartsAsNamed) {
    ServerWorld world(L"D:\\Tarnova Server\\Qelsrv.exe");
    auto& updater = world.Make<CTupKernelUpdater>();
    EXPECT_EQ(1, updater.ApplyUpdate());
    const auto& starts = world.machine.launcher.starts;
    ASSERT_EQ(1u, starts.size());
    // The install folder comes from the process list, in upper case.
    EXPECT_EQ(L"D:\\TARNOVA SERVER\\Qelsrv.exe", starts[0].program);
    EXPECT_EQ(L"\"D:\\TARNOVA SERVER\\Qelsrv.exe\" /RegServer", starts[0].commandLine);
}

}  // namespace
