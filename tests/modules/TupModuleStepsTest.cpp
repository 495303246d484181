// The architecture filter, the redirection around the system folder updates, and creation of
// the print processor, port monitor and web scripting updaters by class name.
#include "modules/TupModuleSteps.h"

#include <gtest/gtest.h>

#include "manager/TupClassFactory.h"
#include "modules/PrintAndScriptModulesWorld.h"
#include "modules/TupJqxPrintUpdater.h"
#include "modules/TupOzaroUpdater.h"
#include "modules/TupTavPortUpdater.h"

namespace {

using module_tests::MakeFile;
using Strings = std::vector<std::wstring>;

Strings InstallationPaths(const std::vector<CTupModuleFile>& files) {
    Strings paths;
    for (const auto& file : files) paths.push_back(file.InstallationFile());
    return paths;
}

TEST(TupModuleStepsTest, TheArchitectureFilterDropsOnlyTheFilesItAppliesToThatAreBuiltForTheOtherMachine) {
    const auto make = [] {
        return std::vector<CTupModuleFile>{MakeFile(L"x64\\a.dll", L"1"), MakeFile(L"w32\\a.dll", L"2"),
                                           MakeFile(L"X64\\b.txt", L"3"), MakeFile(L"w32\\b.txt", L"4")};
    };
    const auto dlls = [](const CTupModuleFile&, const std::wstring& lower) {
        return lower.find(L".dll") != std::wstring::npos;
    };
    std::vector<CTupModuleFile> files = make();
    auto dropped = TupModuleSteps::KeepMachineArchitecture(files, true, dlls);
    EXPECT_EQ((Strings{L"1", L"3", L"4"}), InstallationPaths(files));
    EXPECT_EQ((Strings{L"2"}), InstallationPaths(dropped));

    files = make();
    dropped = TupModuleSteps::KeepMachineArchitecture(files, false, dlls);
    EXPECT_EQ((Strings{L"2", L"3", L"4"}), InstallationPaths(files));
    EXPECT_EQ((Strings{L"1"}), InstallationPaths(dropped));
}

// The updater of a class name, attached to the world's manager.
std::unique_ptr<CTupModuleUpdater> Create(const std::wstring& className,
                                          updater_tests::UpdaterWorld& world) {
    std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(className);
    auto* updater = dynamic_cast<CTupModuleUpdater*>(object.get());
    if (!updater) return nullptr;
    object.release();
    std::unique_ptr<CTupModuleUpdater> owned(updater);
    owned->Attach(world.manager.get(), &world.texts, &world.language);
    return owned;
}

TEST(TupModuleStepsTest, EachClassNameCreatesItsUpdater) {
    updater_tests::UpdaterWorld world;
    auto print = Create(L"CTupJqxPrintUpdater", world);
    auto port = Create(L"CTupTavPortUpdater", world);
    auto scripts = Create(L"CTupOzaroUpdater", world);
    EXPECT_NE(nullptr, dynamic_cast<CTupJqxPrintUpdater*>(print.get()));
    EXPECT_NE(nullptr, dynamic_cast<CTupTavPortUpdater*>(port.get()));
    EXPECT_NE(nullptr, dynamic_cast<CTupOzaroUpdater*>(scripts.get()));
}

TEST(TupModuleStepsTest, SystemFolderUpdatesRunWithRedirectionOffOn64BitWindowsOnly) {
    struct Case {
        const char* name;
        bool is64Bit;
        bool offFails;
        bool packageFileThere;
        int result;
        std::vector<bool> switches;
        std::vector<bool> redirectedWhileRunning;  // seen by the module's command
        bool replaced;
    };
    const Case cases[] = {
        {"64-bit", true, false, true, 1, {false, true}, {false}, true},
        {"32-bit", false, false, true, 1, {}, {true}, true},
        {"redirection stays on", true, true, true, 0, {false}, {}, false},
        // A failed file update still switches redirection on again.
        {"file update fails", true, false, false, 0, {false, true}, {}, false},
    };
    for (const wchar_t* className : {L"CTupJqxPrintUpdater", L"CTupTavPortUpdater"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(tav::ToUtf8(className) + ", " + c.name);
            updater_tests::UpdaterWorld world;
            auto updater = Create(className, world);
            ASSERT_NE(nullptr, updater);
            world.machine.wow64.is64Bit = c.is64Bit;
            world.machine.wow64.offFails = c.offFails;
            if (c.packageFileThere) world.machine.files.AddFile(L"C:\\Update\\package\\mon\\TavMon.dll", "new");
            world.machine.files.AddFile(L"C:\\Windows\\System32\\TavMon.dll", "old");
            updater->Files() = {MakeFile(L"mon\\TavMon.dll", L"C:\\Windows\\System32\\TavMon.dll")};
            updater->CommandsToExecute() = {L"setup.exe /monitor"};
            std::vector<bool> seen;
            world.machine.launcher.onStart = [&](const std::wstring&) {
                seen.push_back(world.machine.wow64.redirected);
            };

            EXPECT_EQ(c.result, updater->ApplyUpdate());

            EXPECT_EQ(c.switches, world.machine.wow64.switches);
            EXPECT_EQ(c.redirectedWhileRunning, seen);
            EXPECT_TRUE(world.machine.wow64.redirected);
            EXPECT_EQ(c.replaced ? "new" : "old", world.machine.files.Read(L"C:\\Windows\\System32\\TavMon.dll"));
        }
    }
}

TEST(TupModuleStepsTest, PortMonitorAndWebScriptingAddNothingToTheLaunchedExecutables) {
    for (const wchar_t* className : {L"CTupTavPortUpdater", L"CTupOzaroUpdater"}) {
        SCOPED_TRACE(tav::ToUtf8(className));
        updater_tests::UpdaterWorld world;
        auto updater = Create(className, world);
        ASSERT_NE(nullptr, updater);
        CTupExecutableFile program;
        program.SetPath(L"C:\\TAV\\x.exe");
        updater->ExecutablesToLaunch() = {program};
        world.TakeReports();

        EXPECT_EQ(1, updater->LaunchExecutables());

        EXPECT_TRUE(world.machine.launcher.starts.empty());
        EXPECT_TRUE(world.machine.wow64.switches.empty());
        EXPECT_EQ(0, world.machine.spooler.listings);
        EXPECT_TRUE(world.TakeReports().empty());
    }
}

}  // namespace
