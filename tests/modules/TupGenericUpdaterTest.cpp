// The conditional module updater: its execution conditions, and the scan processing server's
// secure channel values that only the first such updater of a run writes.
#include "modules/TupGenericUpdater.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "manager/TupClassFactory.h"
#include "manager/TupRunTestWorld.h"
#include "modules/ModuleTestWorld.h"

namespace {

using module_tests::HasId;
using module_tests::MakeFile;
using module_tests::ModuleWorld;
using module_tests::Reports;
using module_tests::Strings;

constexpr const wchar_t* kMantlebox = CTupGenericUpdater::kMantleboxKey;

CTupExecutionCondition PathCondition(const std::wstring& path) {
    CTupExecutionCondition condition;
    condition.SetPathExists(path);
    return condition;
}

TEST(TupGenericUpdaterTest, EveryFalseConditionTakesTheModuleOutBeforeItsFilesAreExpanded) {
    constexpr const wchar_t* kThere = L"C:\\TAV\\Qelsrv.exe";
    constexpr const wchar_t* kMissing = L"C:\\TAV\\Missing.exe";
    struct Case {
        const char* name;
        std::wstring single;   // the module's condition; empty: the default one
        Strings further;       // its further conditions
        int expected;
    } cases[] = {
        {"no conditions", L"", {}, 1},
        {"all hold", kThere, {kThere, kThere}, 1},
        {"only the module's fails", kMissing, {kThere, kThere}, 0},
        {"the last further one fails", kThere, {kThere, kMissing}, 0},
        {"the first further one fails", L"", {kMissing, kThere}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleWorld world;
        world.machine.files.AddFile(kThere);
        world.machine.files.AddFile(std::wstring(ModuleWorld::kPackage) + L"bin\\a.dll");
        auto updater = world.Make<CTupGenericUpdater>();
        if (!c.single.empty()) updater->ExecutionCondition() = PathCondition(c.single);
        for (const std::wstring& path : c.further) {
            updater->ExecutionConditions().push_back(PathCondition(path));
        }
        updater->Files() = {MakeFile(L"bin\\*.dll", L"[$TN_INSTALL_PATH]bin\\x.dll")};

        EXPECT_EQ(c.expected, updater->PrepareUpdate());
        EXPECT_EQ(c.expected == 1, updater->Execute());
        const Reports reports = world.TakeReports();
        // Installation paths are prepared either way; the pattern is expanded only for a
        // module that runs.
        EXPECT_TRUE(HasId(reports, tav::kTextInstallPathsChanged));
        EXPECT_EQ(c.expected == 1, HasId(reports, tav::kTextExpandingFilePatterns));
        const std::wstring first = updater->Files().at(0).UpdatePackageFile();
        EXPECT_EQ(c.expected == 1 ? L"bin\\a.dll" : L"bin\\*.dll", first);
        // The flag never comes back.
        if (c.expected == 0) {
            updater->ExecutionCondition() = CTupExecutionCondition();
            updater->ExecutionConditions().clear();
            EXPECT_EQ(0, updater->PrepareUpdate());
        }
    }
}

TEST(TupGenericUpdaterTest, OnlyTheScanServerModuleWithTheSettingMarkedWritesItsSecureChannel) {
    struct Case {
        const char* name;
        std::wstring component;
        bool mantlebox;
        bool marked;
        uint32_t setting;
        int64_t forceHttps;  // -1: nothing written
    } cases[] = {
        {"on", L"Scan Processing Server Update", true, true, 1, 1},
        {"off, other letter case", L"SCAN processing server UPDATE", true, true, 0, 0},
        {"another component", L"Scan Processing Server", true, true, 1, -1},
        {"the scan server does not run", L"Scan Processing Server Update", false, true, 1, -1},
        {"the setting was never given", L"Scan Processing Server Update", true, false, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleWorld world(c.mantlebox ? Strings{L"Qelsrv.exe", L"TavMantlebox.exe"}
                                      : Strings{L"Qelsrv.exe"});
        ObjContainer package;
        package.SetString(L"ComponentName", c.component);
        world.manager->Exchange(&package, true);
        if (c.marked) world.manager->SetScanServerSecureChannelInternal(c.setting);
        auto updater = world.Make<CTupGenericUpdater>();

        EXPECT_EQ(1, updater->PrepareUpdate());
        EXPECT_EQ(c.forceHttps, world.Dword(kMantlebox, L"ForceHttps"));
        EXPECT_EQ(c.forceHttps < 0 ? -1 : 8444, world.Dword(kMantlebox, L"HttpsPort"));
        const Reports reports = world.TakeReports();
        if (c.forceHttps >= 0) {
            const std::wstring key = kMantlebox;
            EXPECT_TRUE(module_tests::HasRun(reports, {{tav::kTextWritingRegistryValue, key + L"\\ForceHttps"},
                                                       {tav::kTextWritingRegistryValue, key + L"\\HttpsPort"}}));
            EXPECT_FALSE(world.manager->HasScanServerSecureChannelInternal());
        } else {
            EXPECT_FALSE(HasId(reports, tav::kTextWritingRegistryValue));
            EXPECT_EQ(c.marked, world.manager->HasScanServerSecureChannelInternal());
        }
    }
}

TEST(TupGenericUpdaterTest, OfTwoScanServerModulesInOneRunOnlyTheFirstWrites) {
    ModuleWorld world({L"TavMantlebox.exe"});
    auto description = world.Xml(
        run_tests::StringItem("ComponentName", "Scan Processing Server Update") +
        "<ITEM key=\"Updaters\" type=\"OCContainer\">" +
        run_tests::Updater(0, "CTupGenericUpdater", "first") +
        run_tests::Updater(1, "CTupGenericUpdater", "second") + "</ITEM>");
    world.manager->Exchange(description.get(), true);
    ASSERT_EQ(2u, world.manager->Updaters().size());
    world.manager->SetScanServerSecureChannelInternal(1);

    ASSERT_EQ(1, world.manager->Updaters()[0]->PrepareUpdate());
    EXPECT_EQ(1, world.Dword(kMantlebox, L"ForceHttps"));
    EXPECT_EQ(8444, world.Dword(kMantlebox, L"HttpsPort"));
    // The administrator's value stands; the second module leaves it.
    world.machine.registry.PutDword(sys::RegistryRoot::LocalMachine,
                                    L"SOFTWARE\\Kelmark\\Tav\\TavMantlebox",
                                    sys::RegistryView::Bits32, L"HttpsPort", 9000);
    world.TakeReports();
    EXPECT_EQ(1, world.manager->Updaters()[1]->PrepareUpdate());
    EXPECT_EQ(9000, world.Dword(kMantlebox, L"HttpsPort"));
    EXPECT_FALSE(HasId(world.TakeReports(), tav::kTextWritingRegistryValue));
}

TEST(TupGenericUpdaterTest, TheRunLeavesOutAModuleWhoseConditionDoesNotHoldAndGoesOn) {
    using namespace run_tests;
    RunWorld world;
    // The real class in place of the scripted one for this test.
    ScopedClass real(L"CTupGenericUpdater",
                     [] { return std::unique_ptr<CPersistentObject>(new CTupGenericUpdater); });
    world.WriteConfig(
        "<ITEM key=\"Updater0\" type=\"OCContainer\">" + StringItem("ClassType", "CTupGenericUpdater") +
        "<ITEM key=\"ExecutionCondition\" type=\"OCContainer\">" +
        StringItem("PathExists", "C:\\TAV\\NotInstalled.exe") + "</ITEM></ITEM>" +
        Updater(1, "CTupAlphaUpdater", "Alpha"));
    CTupManager& manager = world.Start();
    ASSERT_EQ(2u, manager.Updaters().size());
    ASSERT_NE(nullptr, dynamic_cast<CTupGenericUpdater*>(manager.Updaters()[0].get()));

    EXPECT_TRUE(manager.RunUpdate());
    const auto& reports = world.owner.reports;
    EXPECT_NE(reports.end(), std::find(reports.begin(), reports.end(),
                                       Both(tav::kTextModuleConditionsNotMet, L"Generic")));
    EXPECT_EQ(1u, manager.Updaters().size());
    EXPECT_EQ(L"Alpha.LaunchExecutables", world.Entries().back());
}

}  // namespace
