// The print processor updater: the library for the machine's architecture, the print processor
// folder, and the registration with the spooler.
#include "modules/TupJqxPrintUpdater.h"

#include <gtest/gtest.h>

#include "modules/PrintAndScriptModulesWorld.h"

namespace {

using module_tests::MakeFile;
using module_tests::Reports;
using Strings = std::vector<std::wstring>;

constexpr const wchar_t* kFolderSlash = L"C:\\Windows\\System32\\spool\\prtprocs\\x64\\";

class TupJqxPrintUpdaterTest : public ::testing::Test {
protected:
    module_tests::ModuleWorld<CTupJqxPrintUpdater> world;
    CTupJqxPrintUpdater& updater = world.module;
};

TEST_F(TupJqxPrintUpdaterTest, PrepareKeepsTheLibraryOfTheMachinesArchitectureAndPutsTheFolderInPlace) {
    struct Case {
        bool is64Bit;
        Strings kept;
    };
    const Case cases[] = {
        {true, {L"x64\\JqxPrint.dll", L"bin\\x64\\helper.dll", L"W32\\JQXPRINT.DLL", L"X64\\Jqxprint.dll"}},
        {false, {L"w32\\JqxPrint.dll", L"bin\\x64\\helper.dll", L"W32\\JQXPRINT.DLL"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.is64Bit ? "64-bit" : "32-bit");
        world.machine.wow64.is64Bit = c.is64Bit;
        updater.Files() = {
            MakeFile(L"x64\\JqxPrint.dll", L"[$PRINT_PROCESSOR_DIRECTORY]JqxPrint.dll"),
            MakeFile(L"w32\\JqxPrint.dll", L"[$PRINT_PROCESSOR_DIRECTORY]JqxPrint.dll"),
            // Not the print processor library: kept whatever its folder.
            MakeFile(L"bin\\x64\\helper.dll", L"[$TN_INSTALL_PATH]helper.dll"),
            // The library, but not for the print processor folder: kept.
            MakeFile(L"W32\\JQXPRINT.DLL", L"C:\\Tools\\JqxPrint.dll"),
            // The folder name is told in any letter case.
            MakeFile(L"X64\\Jqxprint.dll", L"[$PRINT_PROCESSOR_DIRECTORY]Jqxprint.dll"),
        };
        world.TakeReports();

        EXPECT_EQ(1, updater.PrepareUpdate());

        EXPECT_EQ(c.kept, world.PackagePaths());
        Strings installed;
        for (const std::wstring& path : c.kept) {
            if (path == L"bin\\x64\\helper.dll") {
                installed.push_back(L"C:\\TAV\\helper.dll");
            } else if (path == L"W32\\JQXPRINT.DLL") {
                installed.push_back(L"C:\\Tools\\JqxPrint.dll");
            } else if (path == L"X64\\Jqxprint.dll") {
                installed.push_back(kFolderSlash + std::wstring(L"Jqxprint.dll"));
            } else {
                installed.push_back(kFolderSlash + std::wstring(L"JqxPrint.dll"));
            }
        }
        EXPECT_EQ(installed, world.InstallationPaths());
        const std::wstring replaced = std::to_wstring(c.is64Bit ? 2 : 1);
        EXPECT_EQ((Reports{{tav::kTextUsingPath, L"C:\\TAV\\"},
                           {tav::kTextInstallPathsChanged, L"1"},
                           {tav::kTextPreparingPrintProcessor, L""},
                           {tav::kTextPrintProcessorFolder, kFolderSlash},
                           {tav::kTextUsingPath, kFolderSlash},
                           {tav::kTextInstallPathsChanged, replaced}}),
                  world.TakeReports());
    }
}

TEST_F(TupJqxPrintUpdaterTest, PrepareFailsWithoutAPrintProcessorFolderAndLeavesTheFilesAlone) {
    for (const bool available : {false, true}) {
        world.machine.spooler.folderAvailable = available;
        world.machine.spooler.folder = L"";  // an empty answer names no folder either
        updater.Files() = {MakeFile(L"w32\\JqxPrint.dll", L"[$PRINT_PROCESSOR_DIRECTORY]JqxPrint.dll")};
        world.TakeReports();

        EXPECT_EQ(0, updater.PrepareUpdate());

        EXPECT_EQ((Strings{L"[$PRINT_PROCESSOR_DIRECTORY]JqxPrint.dll"}), world.InstallationPaths());
        const Reports reports = world.TakeReports();
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(tav::kTextPrintProcessorFolderUnknown, reports.back().id);
    }
}

TEST_F(TupJqxPrintUpdaterTest, AFolderAnsweredWithItsBackslashGetsNoSecondOne) {
    world.machine.spooler.folder = L"D:\\Spool\\";
    updater.Files() = {MakeFile(L"x64\\JqxPrint.dll", L"[$PRINT_PROCESSOR_DIRECTORY]JqxPrint.dll")};
    EXPECT_EQ(1, updater.PrepareUpdate());
    EXPECT_EQ((Strings{L"D:\\Spool\\JqxPrint.dll"}), world.InstallationPaths());
}

TEST_F(TupJqxPrintUpdaterTest, LaunchRegistersThePrintProcessorOnlyWhenTheSpoolerDoesNotListIt) {
    using P = std::pair<std::wstring, std::wstring>;
    struct Case {
        const char* name;
        bool listable;
        Strings processors;
        bool addRefused;
        int result;
        std::vector<P> added;
        std::vector<uint32_t> reports;
    };
    const std::vector<uint32_t> listing{tav::kTextListingPrintProcessors, tav::kTextPrintProcessorsListed};
    auto with = [&](std::vector<uint32_t> tail) {
        std::vector<uint32_t> all = listing;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    const P registration{L"JqxPrint.dll", L"JqxPrint"};
    const Case cases[] = {
        {"registered already", true, {L"winprint", L"JqxPrint"}, false, 1, {},
         with({tav::kTextPrintProcessorAlreadyRegistered})},
        {"not listed", true, {L"winprint"}, false, 1, {registration},
         with({tav::kTextRegisteringPrintProcessor, tav::kTextPrintProcessorRegistered})},
        // Names are compared exactly.
        {"other letter case", true, {L"jqxprint", L"JQXPRINT"}, false, 1, {registration},
         with({tav::kTextRegisteringPrintProcessor, tav::kTextPrintProcessorRegistered})},
        {"registration refused", true, {}, true, 0, {registration},
         with({tav::kTextRegisteringPrintProcessor, tav::kTextPrintProcessorNotRegistered})},
        {"no list", false, {L"JqxPrint"}, false, 0, {},
         {tav::kTextListingPrintProcessors, tav::kTextPrintProcessorsNotListed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSpooler& spooler = world.machine.spooler;
        spooler.listable = c.listable;
        spooler.processors = c.processors;
        spooler.addRefused = c.addRefused;
        spooler.added.clear();
        world.machine.wow64.switches.clear();
        // The spooler is asked with redirection off.
        std::vector<bool> redirectedAtCalls;
        spooler.onCall = [&](const wchar_t*) { redirectedAtCalls.push_back(world.machine.wow64.redirected); };
        world.TakeReports();

        EXPECT_EQ(c.result, updater.LaunchExecutables());

        EXPECT_EQ(c.added, spooler.added);
        std::vector<uint32_t> ids;
        for (const auto& seen : world.TakeReports()) ids.push_back(seen.id);
        EXPECT_EQ(c.reports, ids);
        EXPECT_EQ((std::vector<bool>{false, true}), world.machine.wow64.switches);
        EXPECT_EQ(std::vector<bool>(redirectedAtCalls.size(), false), redirectedAtCalls);
        EXPECT_TRUE(world.machine.wow64.redirected);
    }
}

TEST_F(TupJqxPrintUpdaterTest, LaunchLeavesRedirectionAloneOn32BitWindowsAndStopsWhenItCannotBeSwitched) {
    world.machine.wow64.is64Bit = false;
    EXPECT_EQ(1, updater.LaunchExecutables());
    EXPECT_TRUE(world.machine.wow64.switches.empty());
    EXPECT_EQ(1u, world.machine.spooler.added.size());

    world.machine.wow64.is64Bit = true;
    world.machine.wow64.offFails = true;
    world.machine.spooler.processors.clear();
    world.machine.spooler.added.clear();
    world.TakeReports();
    const int listings = world.machine.spooler.listings;
    EXPECT_EQ(0, updater.LaunchExecutables());
    EXPECT_EQ(listings, world.machine.spooler.listings);
    EXPECT_TRUE(world.machine.spooler.added.empty());
    EXPECT_EQ((std::vector<bool>{false}), world.machine.wow64.switches);
    EXPECT_TRUE(world.TakeReports().empty());
}

}  // namespace
