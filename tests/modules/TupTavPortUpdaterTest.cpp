// The port monitor updater: system files of the machine's architecture, the Windows folder,
// and no new files in it.
#include "modules/TupTavPortUpdater.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "modules/PrintAndScriptModulesWorld.h"

namespace {

using module_tests::MakeFile;
using module_tests::Reports;
using module_tests::Seen;
using Strings = std::vector<std::wstring>;

class TupTavPortUpdaterTest : public ::testing::Test {
protected:
    TupTavPortUpdaterTest() {
        world.machine.environment.variables[L"SYSTEMROOT"] = L"C:\\Windows";
        auto& files = world.machine.files;
        files.AddFile(L"C:\\Windows\\system32\\TavPort.dll");
        files.AddFile(L"C:\\Windows\\inf\\TavPortUI.inf");
        files.AddFile(L"C:\\Windows\\mon\\a.dat");
        files.AddFile(L"C:\\Update\\package\\mon\\a.dat");
        files.AddFile(L"C:\\Update\\package\\mon\\b.dat");
    }

    void UseModuleFiles() {
        updater.Files() = {
            MakeFile(L"x64\\system32\\TavPort.dll", L"[$SYSTEMROOT]system32\\TavPort.dll"),
            MakeFile(L"w32\\system32\\TavPort.dll", L"[$SYSTEMROOT]system32\\TavPort.dll"),
            MakeFile(L"x64\\System32\\TavPortUI.INF", L"[$SYSTEMROOT]inf\\TavPortUI.inf"),
            MakeFile(L"w32\\system32\\TavPortUI.inf", L"[$SYSTEMROOT]inf\\TavPortUI.inf"),
            // Neither a library nor a setup file: kept on both, and new outside the Windows folder.
            MakeFile(L"x64\\system32\\readme.txt", L"[$TN_INSTALL_PATH]readme.txt"),
            // Not installed yet.
            MakeFile(L"w32\\system32\\TavNew.dll", L"[$SYSTEMROOT]system32\\TavNew.dll"),
            MakeFile(L"mon\\*.dat", L"[$SYSTEMROOT]mon\\*.dat"),
        };
    }

    module_tests::ModuleWorld<CTupTavPortUpdater> world;
    CTupTavPortUpdater& updater = world.module;
};

TEST_F(TupTavPortUpdaterTest, PrepareKeepsTheMachinesSystemFilesAndOnlyInstalledOnesInTheWindowsFolder) {
    struct Case {
        bool is64Bit;
        Strings kept;
        Strings dropped;  // by the new-file filter, in order
        std::wstring countBefore;
    };
    const Case cases[] = {
        {true,
         {L"mon\\a.dat", L"x64\\system32\\TavPort.dll", L"x64\\System32\\TavPortUI.INF",
          L"x64\\system32\\readme.txt"},
         {L"mon\\b.dat"},
         L"5"},
        {false,
         {L"mon\\a.dat", L"w32\\system32\\TavPort.dll", L"w32\\system32\\TavPortUI.inf",
          L"x64\\system32\\readme.txt"},
         {L"mon\\b.dat", L"w32\\system32\\TavNew.dll"},
         L"6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.is64Bit ? "64-bit" : "32-bit");
        world.machine.wow64.is64Bit = c.is64Bit;
        UseModuleFiles();
        world.TakeReports();

        EXPECT_EQ(1, updater.PrepareUpdate());

        EXPECT_EQ(c.kept, world.PackagePaths());
        EXPECT_EQ((Strings{L"C:\\Windows\\mon\\a.dat", L"C:\\Windows\\system32\\TavPort.dll",
                           L"C:\\Windows\\inf\\TavPortUI.inf", L"C:\\TAV\\readme.txt"}),
                  world.InstallationPaths());

        const Reports reports = world.TakeReports();
        // The base has put the Windows folder in place already.
        const Reports head{{tav::kTextUsingPath, L"C:\\TAV\\"},
                           {tav::kTextInstallPathsChanged, L"7"},
                           {tav::kTextReadingWindowsFolder, L""},
                           {tav::kTextWindowsFolder, L"C:\\Windows\\"},
                           {tav::kTextUsingPath, L"C:\\Windows\\"},
                           {tav::kTextInstallPathsChanged, L"0"},
                           {tav::kTextExpandingFilePatterns, L""}};
        ASSERT_GE(reports.size(), head.size());
        EXPECT_EQ(head, Reports(reports.begin(), reports.begin() + head.size()));
        Reports tail{{tav::kTextFilteringNewPortFiles, L""}, {tav::kTextFileEntryCount, c.countBefore}};
        for (const std::wstring& path : c.dropped) tail.push_back({tav::kTextPortFileNotInstalledSkipped, path});
        tail.push_back({tav::kTextPortFilesFiltered, L""});
        tail.push_back({tav::kTextFileEntryCount, L"4"});
        ASSERT_GE(reports.size(), tail.size());
        EXPECT_EQ(tail, Reports(reports.end() - tail.size(), reports.end()));
    }
}

TEST_F(TupTavPortUpdaterTest, PrepareFailsWithoutAWindowsFolderBeforeTouchingTheList) {
    for (const bool set : {false, true}) {
        SCOPED_TRACE(set ? "empty" : "missing");
        world.machine.environment.variables.clear();
        if (set) world.machine.environment.variables[L"SYSTEMROOT"] = L"";
        UseModuleFiles();
        world.TakeReports();

        EXPECT_EQ(0, updater.PrepareUpdate());

        EXPECT_EQ(7u, updater.Files().size());
        EXPECT_EQ(L"mon\\*.dat", updater.Files().back().UpdatePackageFile());
        EXPECT_EQ((Seen{tav::kTextSystemRootNotSet, L""}), world.TakeReports().back());
    }
}

TEST_F(TupTavPortUpdaterTest, AnInstalledPortFileIsReplacedAndANewOneIsNot) {
    world.machine.files.AddFile(L"C:\\Update\\package\\x64\\system32\\TavPort.dll", "new");
    world.machine.files.AddFile(L"C:\\Update\\package\\x64\\system32\\TavNew.dll", "new");
    updater.Files() = {MakeFile(L"x64\\system32\\TavPort.dll", L"[$SYSTEMROOT]system32\\TavPort.dll"),
                       MakeFile(L"x64\\system32\\TavNew.dll", L"[$SYSTEMROOT]system32\\TavNew.dll")};

    ASSERT_EQ(1, updater.PrepareUpdate());
    EXPECT_EQ(1, updater.ApplyUpdate());

    EXPECT_EQ("new", world.machine.files.Read(L"C:\\Windows\\system32\\TavPort.dll"));
    EXPECT_FALSE(world.machine.files.Exists(L"C:\\Windows\\system32\\TavNew.dll"));
}

}  // namespace
