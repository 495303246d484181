// The web modules updater: spool and data folders made only for values it had to write, and
// the scripts it runs at the end of the update.
#include "modules/TupWebModulesUpdater.h"

#include <gtest/gtest.h>

#include "manager/TupClassFactory.h"
#include "modules/ModuleTestWorld.h"

namespace {

using module_tests::HasId;
using module_tests::kProductKey;
using module_tests::kTavApsKey;
using module_tests::ModuleWorld;
using module_tests::Reports;
using module_tests::Strings;

bool EveryoneMayWrite(fakes::FakeFiles& files, const std::wstring& folder) {
    sys::AccessList list;
    return files.ReadAccessList(folder, list) && !list.empty() &&
           list.back() == CTupWebModulesUpdater::WithEveryoneFullAccess({}).back();
}

TEST(TupWebModulesUpdaterTest, EmptyFolderValuesGetTheirDefaultsAndFoldersInTheKeyOfTheServer) {
    struct Case {
        const char* name;
        bool tavAps;
        std::wstring key;             // where the spool and data folders are named
        bool dataFolderGranted;
    } cases[] = {
        {"core server", false, kProductKey, true},
        {"remote server", true, kTavApsKey, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleWorld world(c.tavAps ? Strings{L"TavAps.exe"} : Strings{L"Qelsrv.exe"});
        fakes::FakeFiles& files = world.machine.files;
        auto updater = world.Make<CTupWebModulesUpdater>();

        EXPECT_EQ(1, updater->PrepareUpdate());
        EXPECT_EQ(L"C:\\TAV\\DRQMSpool\\", world.String(c.key, L"DRQMSPOOLERPATH"));
        EXPECT_EQ(L"C:\\TAV\\Data\\", world.String(c.key, L"DataFolder"));
        EXPECT_EQ(L"C:\\TAV\\Data\\", world.String(kProductKey, L"DataFolder"));
        if (c.tavAps) {
            EXPECT_EQ(L"<none>", world.String(kProductKey, L"DRQMSPOOLERPATH"));
        }
        EXPECT_TRUE(files.FolderExists(L"C:\\TAV\\DRQMSpool"));
        EXPECT_TRUE(files.FolderExists(L"C:\\TAV\\Data"));
        EXPECT_TRUE(EveryoneMayWrite(files, L"C:\\TAV\\DRQMSpool\\"));
        EXPECT_EQ(c.dataFolderGranted, EveryoneMayWrite(files, L"C:\\TAV\\Data\\"));
        EXPECT_TRUE(HasId(world.TakeReports(), tav::kTextExpandingFilePatterns));
    }
}

TEST(TupWebModulesUpdaterTest, AFolderValueAlreadySetIsTrustedAndItsFolderLeftAlone) {
    ModuleWorld world({L"TavAps.exe"});
    fakes::FakeFiles& files = world.machine.files;
    world.PutString(kTavApsKey, L"DRQMSPOOLERPATH", L"E:\\Spool\\");
    world.PutString(kTavApsKey, L"DataFolder", L"E:\\Data\\");
    world.PutString(kProductKey, L"DataFolder", L"F:\\Data\\");
    auto updater = world.Make<CTupWebModulesUpdater>();

    EXPECT_EQ(1, updater->PrepareUpdate());
    EXPECT_EQ(L"E:\\Spool\\", world.String(kTavApsKey, L"DRQMSPOOLERPATH"));
    EXPECT_EQ(L"F:\\Data\\", world.String(kProductKey, L"DataFolder"));
    // The folders do not exist, and still nothing is made or granted.
    EXPECT_TRUE(files.List(L"C:\\TAV").empty());
    EXPECT_FALSE(files.FolderExists(L"E:\\Spool"));
    EXPECT_FALSE(files.FolderExists(L"E:\\Data"));
    EXPECT_FALSE(files.FolderExists(L"F:\\Data"));
    const Reports reports = world.TakeReports();
    EXPECT_FALSE(HasId(reports, tav::kTextCreatingFolder));
    EXPECT_FALSE(HasId(reports, tav::kTextGrantingFullAccess));
}

TEST(TupWebModulesUpdaterTest, AFolderThatCannotBeMadeFailsThePreparationAtOnce) {
    struct Case {
        const char* name;
        bool tavAps;
        std::wstring spool;           // preset spool folder value; empty: none
        std::wstring deniedIn;        // folder in which nothing can be created
        std::wstring missingValue;    // what stays unwritten after the failure
    } cases[] = {
        {"spool folder", false, L"", L"C:\\TAV", L"DataFolder"},
        {"data folder", false, L"E:\\Spool\\", L"C:\\TAV", L"-"},
        {"the product's data folder", true, L"E:\\Spool\\", L"C:\\TAV", L"-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleWorld world(c.tavAps ? Strings{L"TavAps.exe"} : Strings{L"Qelsrv.exe"});
        const std::wstring key = c.tavAps ? kTavApsKey : kProductKey;
        if (!c.spool.empty()) world.PutString(key, L"DRQMSPOOLERPATH", c.spool);
        if (c.tavAps) world.PutString(kTavApsKey, L"DataFolder", L"E:\\Data\\");
        world.machine.files.DenyCreateIn(c.deniedIn);
        auto updater = world.Make<CTupWebModulesUpdater>();

        EXPECT_EQ(0, updater->PrepareUpdate());
        const Reports reports = world.TakeReports();
        EXPECT_TRUE(HasId(reports, tav::kTextFolderNotCreated));
        EXPECT_FALSE(HasId(reports, tav::kTextGrantingFullAccess));
        EXPECT_FALSE(HasId(reports, tav::kTextExpandingFilePatterns));
        if (c.missingValue != L"-") {
            EXPECT_EQ(L"<none>", world.String(key, c.missingValue));
        }
    }
}

TEST(TupWebModulesUpdaterTest, RunsEveryScriptWithCscriptAndFailsWhenOneCouldNotStart) {
    struct Case {
        const char* name;
        std::vector<std::string> scripts;
        std::wstring failing;     // text of the command lines that cannot start
        int expected;
    } cases[] = {
        {"none", {}, L"", 1},
        {"all start", {"[$TN_INSTALL_PATH]web\\setup.vbs", "D:\\x y\\z.js"}, L"", 1},
        {"the first cannot start, the last can", {"[$TN_INSTALL_PATH]missing.vbs", "D:\\x y\\z.js"},
         L"missing", 0},
        {"the last cannot start", {"D:\\x y\\z.js", "[$TN_INSTALL_PATH]missing.vbs"}, L"missing", 0},
        // A quote would end the script's quotes early: refused as not started.
        {"a quote in the script", {"D:\\x\" //E:jscript \"y.js", "D:\\z.js"}, L"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleWorld world;
        std::string list;
        for (size_t i = 0; i < c.scripts.size(); ++i) {
            list += "<ITEM key=\"" + std::to_string(i) + "\" type=\"OCStringListItem\">" + c.scripts[i] +
                    "</ITEM>";
        }
        auto section = world.Xml(
            "<ITEM key=\"ClassType\" type=\"OCString\">CTupWebModulesUpdater</ITEM>"
            "<ITEM key=\"ScriptsToExecute\" type=\"OCStringList\">" + list + "</ITEM>"
            "<ITEM key=\"ExecutablesToLaunch\" type=\"OCContainer\"><ITEM key=\"File0\" type=\"OCContainer\">"
            "<ITEM key=\"Path\" type=\"OCString\">C:\\TAV\\tool.exe</ITEM></ITEM></ITEM>");
        std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(L"CTupWebModulesUpdater");
        auto* updater = dynamic_cast<CTupWebModulesUpdater*>(object.get());
        ASSERT_NE(nullptr, updater);
        updater->Attach(world.manager.get(), &world.texts, &world.language);
        updater->Load(section.get());
        if (!c.failing.empty()) world.machine.launcher.failing = {c.failing};

        EXPECT_EQ(c.expected, updater->LaunchExecutables());
        // The module's own programs are the run's business; only the scripts start here.
        Strings started;
        for (const auto& start : world.machine.launcher.starts) {
            EXPECT_TRUE(start.waited);
            // The system folder's cscript, never one of the current folder.
            EXPECT_EQ(L"C:\\Windows\\system32\\cscript.exe", start.program);
            started.push_back(start.commandLine);
        }
        Strings expected;
        Reports expectedReports;
        for (std::string script : c.scripts) {
            std::wstring path = tav::FromUtf8(script);
            const std::wstring token = L"[$TN_INSTALL_PATH]";
            if (path.compare(0, token.size(), token) == 0) path = L"C:\\TAV\\" + path.substr(token.size());
            const std::wstring program = L"cscript.exe  \"" + path + L"\"";
            const bool starts = (c.failing.empty() || program.find(c.failing) == std::wstring::npos) &&
                                path.find(L'"') == std::wstring::npos;
            if (starts) expected.push_back(program);
            expectedReports.push_back({tav::kTextRunningCommand, program});
            expectedReports.push_back({starts ? tav::kTextCommandStarted : tav::kTextCommandNotStarted, L""});
        }
        EXPECT_EQ(expected, started);
        EXPECT_EQ(expectedReports, world.TakeReports());
    }
}

}  // namespace
