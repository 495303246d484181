// The remote print server's resources updater: POS path and job ticket folder defaults, the
// first placeholder only, the engine path defaults, and the failure without the two paths.
#include "modules/TupRvxResourcesUpdater.h"

#include <gtest/gtest.h>

#include "modules/ServerUpdaterTestWorld.h"

namespace {

using namespace server_tests;

TEST(TupRvxResourcesUpdaterTest, WritesAMissingPosPathAndPutsItIntoTheInstallationPaths) {
    ServerWorld world(L"C:\\Tav\\TavAps.exe");
    world.Put(L"POSJTCONFIGFOLDER", L"D:\\Jt\\");
    world.Put(L"PclxlEnginePath", L"E:\\pclxl\\");
    auto& updater = world.Make<CTupRvxResourcesUpdater>();
    updater.Files() = {MakeFile(L"pos.cfg", L"[$TAV_POSPATH].cfg"),
                       MakeFile(L"jt.xml", L"[$TAV_POSJTCONFIGFOLDER]jt.xml"),
                       MakeFile(L"both", L"[$TAV_POSJTCONFIGFOLDER]|[$TAV_POSPATH]|[$TAV_POSPATH]"),
                       MakeFile(L"plain.dll", L"C:\\TAV\\plain.dll")};

    EXPECT_EQ(1, updater.PrepareUpdate());

    EXPECT_EQ((Strings{L"C:\\TAV\\Pos.exe.cfg", L"D:\\Jt\\jt.xml",
                       L"[$TAV_POSJTCONFIGFOLDER]|C:\\TAV\\Pos.exe|C:\\TAV\\Pos.exe", L"C:\\TAV\\plain.dll"}),
              ServerWorld::InstallPaths(updater));
    const std::wstring& key = kProductKey;
    EXPECT_EQ(Then({{{tav::kTextUsingPath, L"C:\\TAV\\"},
                     {tav::kTextInstallPathsChanged, L"0"},
                     {tav::kTextPreparingRemoteResourcePaths, L""}},
                    Written(key, L"POSPATH", L"C:\\TAV\\Pos.exe"),
                    Found(key, L"POSJTCONFIGFOLDER", L"D:\\Jt\\"),
                    {{tav::kTextReplacingRemoteResourcePaths, L""},
                     {tav::kTextUsingPath, L"C:\\TAV\\Pos.exe"},
                     {tav::kTextUsingPath, L"D:\\Jt\\"},
                     {tav::kTextInstallPathsChanged, L"3"},
                     {tav::kTextExpandingFilePatterns, L""},
                     {tav::kTextFileEntryCount, L"4"},
                     {tav::kTextFilePatternsExpanded, L""},
                     {tav::kTextFileEntryCount, L"4"}},
                    Written(key, L"JawsEnginePath", L"C:\\TAV\\"),
                    Found(key, L"PclxlEnginePath", L"E:\\pclxl\\"),
                    Written(key, L"TAVISSPATH", L"C:\\TAV\\TavISS.exe"),
                    Written(key, L"ADLIBCLIENTPATH", L"C:\\TAV\\AdlibClient.exe"),
                    Written(key, L"CLIENTPDFFOLDER", L"C:\\TAV\\WebAnon\\Pdf\\")}),
              world.TakeReports());
    EXPECT_EQ(L"C:\\TAV\\Pos.exe", world.Get(L"POSPATH"));
    EXPECT_EQ(L"E:\\pclxl\\", world.Get(L"PclxlEnginePath"));
    EXPECT_EQ(L"<none>", world.Get(L"POSPATH", kProduct + L"\\TavAps"));

    EXPECT_EQ(1, updater.LaunchExecutables());
    EXPECT_TRUE(world.machine.launcher.starts.empty());
}

TEST(TupRvxResourcesUpdaterTest, FailsWithoutThePosPathBeforeAnythingElse) {
    ServerWorld world(L"C:\\Tav\\TavAps.exe");
    world.Put(L"POSJTCONFIGFOLDER", L"D:\\Jt\\");
    auto& updater = world.Make<CTupRvxResourcesUpdater>();
    updater.Files() = {MakeFile(L"*.dll", L"[$TAV_POSJTCONFIGFOLDER]x.dll")};
    RefusedRegistryWrites refused;

    EXPECT_EQ(0, updater.PrepareUpdate());

    EXPECT_EQ((Strings{L"[$TAV_POSJTCONFIGFOLDER]x.dll"}), ServerWorld::InstallPaths(updater));
    const Reports reports = world.TakeReports();
    EXPECT_EQ(Then({Found(kProductKey, L"POSJTCONFIGFOLDER", L"D:\\Jt\\"),
                    {{tav::kTextRemoteResourcePathsNotSet, L""}}}),
              Reports(reports.end() - 3, reports.end()));
    EXPECT_EQ(L"<none>", world.Get(L"JawsEnginePath"));
}

}  // namespace
