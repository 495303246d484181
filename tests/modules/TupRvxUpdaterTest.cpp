// The remote print server's updater: internal secure channel values, the data folder under the
// key of the running server, created and opened to everyone, and TavAps.exe's registration.
#include "modules/TupRvxUpdater.h"

#include <gtest/gtest.h>

#include "modules/ServerUpdaterTestWorld.h"

namespace {

using namespace server_tests;

const std::wstring kTavAps = kProduct + L"\\TavAps";
const std::wstring kTcpServer = kTavAps + L"\\TcpServer";

bool GrantsEveryone(fakes::FakeFiles& files, const std::wstring& folder) {
    sys::AccessList list;
    return files.ReadAccessList(folder, list) && !list.empty() &&
           list.back() == CTupModuleUpdater::WithEveryoneFullAccess({}).back();
}

TEST(TupRvxUpdaterTest, PreparesTheSecureChannelAndTheDataFolderOfTheRemoteServer) {
    ServerWorld world(L"C:\\Tav\\TavAps.exe");
    world.Manager().SetEnforceSecureChannelInternal(1);
    auto& updater = world.Make<CTupRvxUpdater>();

    EXPECT_EQ(1, updater.PrepareUpdate());

    EXPECT_EQ(1, world.Dword(L"ForceHttps", kTcpServer));
    EXPECT_EQ(8443, world.Dword(L"HttpsPort", kTcpServer));
    EXPECT_EQ(L"C:\\TAV\\Data\\", world.Get(L"DataFolder", kTavAps));
    EXPECT_EQ(L"<none>", world.Get(L"DataFolder"));
    EXPECT_TRUE(world.machine.files.FolderExists(L"C:\\TAV\\Data"));
    EXPECT_TRUE(GrantsEveryone(world.machine.files, L"C:\\TAV\\Data"));
    const std::wstring key = kProductKey + L"\\TavAps";
    EXPECT_EQ(Then({{{tav::kTextUsingPath, L"C:\\TAV\\"},
                     {tav::kTextInstallPathsChanged, L"0"},
                     {tav::kTextExpandingFilePatterns, L""},
                     {tav::kTextFileEntryCount, L"0"},
                     {tav::kTextFilePatternsExpanded, L""},
                     {tav::kTextFileEntryCount, L"0"},
                     {tav::kTextWritingRegistryValue, key + L"\\TcpServer\\ForceHttps"},
                     {tav::kTextWritingRegistryValue, key + L"\\TcpServer\\HttpsPort"}},
                    Written(key, L"DataFolder", L"C:\\TAV\\Data\\"),
                    {{tav::kTextCreatingFolder, L"C:\\TAV\\Data\\"},
                     {tav::kTextFolderCreated, L""},
                     {tav::kTextGrantingFullAccess, L"C:\\TAV\\Data\\"},
                     {tav::kTextFullAccessGranted, L""}}}),
              world.TakeReports());
}

TEST(TupRvxUpdaterTest, WithoutTavApsTheDataFolderBelongsToTheProductKeyAndAValueFoundIsKept) {
    ServerWorld world;
    world.Put(L"DataFolder", L"D:\\TavData\\Spool\\");
    world.Put(L"DataFolder", L"E:\\unused\\", kTavAps);
    auto& updater = world.Make<CTupRvxUpdater>();

    EXPECT_EQ(1, updater.PrepareUpdate());

    EXPECT_EQ(L"D:\\TavData\\Spool\\", world.Get(L"DataFolder"));
    EXPECT_TRUE(world.machine.files.FolderExists(L"D:\\TavData\\Spool"));
    EXPECT_TRUE(GrantsEveryone(world.machine.files, L"D:\\TavData\\Spool"));
    EXPECT_FALSE(world.machine.files.FolderExists(L"E:\\unused"));
    // Never set in the dialogs: no secure channel values.
    EXPECT_EQ(-1, world.Dword(L"ForceHttps", kTcpServer));
    EXPECT_EQ(-1, world.Dword(L"HttpsPort", kTcpServer));
}

TEST(TupRvxUpdaterTest, ADataFolderThatCannotBeCreatedFailsThePreparationWithoutAccessChange) {
    ServerWorld world(L"C:\\Tav\\TavAps.exe");
    world.Manager().SetEnforceSecureChannelInternal(0);
    world.machine.files.DenyCreateIn(L"C:\\TAV");
    auto& updater = world.Make<CTupRvxUpdater>();

    EXPECT_EQ(0, updater.PrepareUpdate());

    EXPECT_EQ(0, world.Dword(L"ForceHttps", kTcpServer));
    EXPECT_EQ((Seen{tav::kTextFolderNotCreated, L""}), world.TakeReports().back());
}

TEST(TupRvxUpdaterTest, ApplyRegistersTavApsAfterTheBaseUpdate) {
    ServerWorld world(L"C:\\Tav\\TavAps.exe");
    auto& launcher = world.machine.launcher;
    auto& updater = world.Make<CTupRvxUpdater>();
    const std::wstring registration = L"\"C:\\TAV\\TavAps.exe\" /RegServer";

    EXPECT_EQ(1, updater.ApplyUpdate());
    ASSERT_EQ(1u, launcher.starts.size());
    EXPECT_EQ(registration, launcher.starts[0].commandLine);
    EXPECT_TRUE(launcher.starts[0].waited);

    launcher.failing = {L"TavAps.exe"};
    EXPECT_EQ(0, updater.ApplyUpdate());
    const Reports reports = world.TakeReports();
    EXPECT_EQ((Reports{{tav::kTextRunningCommand, registration}, {tav::kTextCommandNotStarted, registration}}),
              Reports(reports.end() - 2, reports.end()));

    EXPECT_EQ(1, updater.LaunchExecutables());
}

}  // namespace
