// Tests of tavpkg plan: the plan of the sample package, warnings, exit codes and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "fakes/TavpkgRunner.h"

namespace {

using Result = testing_support::ToolResult;
using testing_support::OneLine;
using testing_support::RunTool;

const std::string kSampleFolder = std::string(TAV_SOURCE_DIR) + "/tests/data/plan/";
const std::wstring kSample = tav::FromUtf8(kSampleFolder + "config.xml");

class PlanCommandTest : public ::testing::Test {
protected:
    PlanCommandTest() { machine.UseHostFiles(); }  // the description is a real file

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
};

TEST_F(PlanCommandTest, PrintsTheUpdatersOfEachContainerAsTheWizardCreatesThem) {
    machine.processes.processes.push_back({8, L"C:\\Tav\\Qelsrv.exe"});
    machine.RecordInstallFolder(L"C:\\Tav\\");
    const Result r = RunTool({L"plan", kSample});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("install folder: C:\\TAV\\\n"
              "package folder: " + kSampleFolder + "package\\\n"
              "Tarnova_Update: component \"Tarnova server\"\n"
              "  Updater0 CTupModuleUpdater\n"
              "    AffectedServices: tavsvc, Spooler\n"
              "    Files:\n"
              "      server\\Qelsrv.exe -> C:\\TAV\\Qelsrv.exe  (VersionCheckType 1, UpdateCheckType 1)\n"
              "      web\\*.asp -> C:\\TAV\\web\\x.asp  (UserCustomizationCheckPlanned 1)\n"
              "    Tokens:\n"
              "      [$CONF] from Path D:\\TavConf\\\n"
              "    ExecutablesToLaunch:\n"
              "      [$TN_INSTALL_PATH]TavSetupCheck.exe /quiet  (waits)\n"
              "    RegistryKeys:\n"
              "      HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\ConfPath = \"[$CONF]\"\n"
              "      HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\Retries = 3\n"
              "    ObjectsToRegister:\n"
              "      TavPortUi.dll\n"
              "    CommandsToExecute:\n"
              "      cmd.exe /c echo updated\n"
              "  Updater2 CTupModuleUpdater\n"
              "    Files: none\n"
              "    ExecutionCondition: ServiceExists W3SVC\n"
              "    ShortCuts:\n"
              "      Tarnova Administration in COMMON_PROGRAMS\\Tarnova -> [$TN_INSTALL_PATH]TavAdmin.exe\n"
              "GenericUpdater0: component \"Language files\"\n"
              "  Updater0 CTupModuleUpdater\n"
              "    Files:\n"
              "      lang\\TavLang.Xml -> C:\\TAV\\TavLang.Xml\n"
              "GenericUpdater1: component \"Readme\"\n"
              "  no Updaters: the updaters of the container before stay\n"
              "  Updater0 CTupModuleUpdater (from GenericUpdater0)\n"
              "    Files:\n"
              "      lang\\TavLang.Xml -> C:\\TAV\\TavLang.Xml\n"
              "Tarnova_RVX_Update: not used on this machine (TavAps does not run)\n",
              r.out);
    EXPECT_EQ("tavpkg plan: warning: (top level): GenericUpdater3 is not read: the list ends "
              "before GenericUpdater2, which is missing\n"
              "tavpkg plan: warning: Tarnova_Update\\Updaters: Updater4 is not read: the list ends "
              "before Updater3, which is missing\n"
              "tavpkg plan: warning: Tarnova_Update\\Updaters\\Updater0\\Files: File3 is not read: "
              "the list ends before File2, which is missing\n"
              "tavpkg plan: warning: Tarnova_Update\\Updaters\\Updater1: class 'ctupmoduleupdater' "
              "is not an updater class (names are case-sensitive): the wizard skips it\n",
              r.err);
    // The wizard's own machine is back in place.
    EXPECT_EQ(L"C:\\Update\\TavUpdateWizard.exe", sys::CurrentMachine().program->ExecutablePath());
}

TEST_F(PlanCommandTest, ARemotePrintServerUsesItsOwnContainerAndNoServerLeavesTokensEmpty) {
    machine.processes.processes.push_back({9, L"D:\\Rvx\\TavAps.exe"});
    machine.RecordInstallFolder(L"D:\\Rvx\\");
    Result r = RunTool({L"plan", kSample});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(0u, r.out.find("install folder: D:\\RVX\\\n"));
    EXPECT_NE(std::string::npos,
              r.out.find("Tarnova_RVX_Update: component \"Remote print server\"\n"
                         "  no Updaters: the updaters of the container before stay\n"
                         "GenericUpdater0: component \"Language files\"\n"));
    EXPECT_NE(std::string::npos, r.out.find("Tarnova_Update: not used on this machine (TavAps runs)\n"));

    machine.processes.processes.clear();
    r = RunTool({L"plan", kSample});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(0u, r.out.find("install folder: none (no server process runs)\n"));
    EXPECT_NE(std::string::npos, r.out.find("      server\\Qelsrv.exe -> Qelsrv.exe  ("));
}

TEST_F(PlanCommandTest, AMissingOrBrokenDescriptionExitsWithOne) {
    Result r = RunTool({L"plan", folder.PathOf("absent.xml")});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("", r.out);
    EXPECT_TRUE(OneLine(r.err)) << r.err;

    // What was read before the document broke off is still planned.
    const std::wstring broken = folder.Write(
        "broken.xml",
        "<CONFIG><ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
        "<ITEM key=\"ComponentName\" type=\"OCString\">Half</ITEM>"
        "<ITEM key=\"Updaters\" type=\"OCContainer\"><ITEM key=\"Updater0\" type=\"OCContainer\">"
        "<ITEM key=\"ClassType\" type=\"OCString\">CTupModuleUpdater</ITEM></ITEM></ITEM>");
    r = RunTool({L"plan", broken});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos,
              r.out.find("Tarnova_Update: component \"Half\"\n  Updater0 CTupModuleUpdater\n"));
    EXPECT_NE(std::string::npos, r.err.find("not read to the end as a well-formed XML document\n"));
}

TEST_F(PlanCommandTest, UsageErrorsAreOneLineWithExitTwo) {
    for (const std::vector<std::wstring>& args :
         {std::vector<std::wstring>{L"plan"}, {L"plan", kSample, kSample}, {L"plan", L"--all", kSample}}) {
        const Result r = RunTool(args);
        EXPECT_EQ(2, r.code);
        EXPECT_EQ("", r.out);
        EXPECT_TRUE(OneLine(r.err)) << r.err;
        EXPECT_EQ(0u, r.err.find("tavpkg plan: "));
    }
    const Result help = RunTool({L"plan", L"--help"});
    EXPECT_EQ(0, help.code);
    EXPECT_EQ(0u, help.out.find("usage: tavpkg plan FILE\n"));
    EXPECT_NE(std::string::npos, RunTool({L"--help"}).out.find("  plan FILE "));
}

}  // namespace
