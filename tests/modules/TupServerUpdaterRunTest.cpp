// The core server updater as a package names it, through a whole update run: the run starts
// the module's programs once, and the updater adds the readme after them.
#include <gtest/gtest.h>

#include "manager/TupRunTestWorld.h"

namespace {

TEST(TupServerUpdaterRunTest, TheRunRegistersQelsrvAndShowsTheReadmeAfterTheModulePrograms) {
    run_tests::RunWorld world;
    world.machine.registry.PutString(sys::RegistryRoot::LocalMachine,
                                     L"Software\\Microsoft\\Windows\\CurrentVersion",
                                     sys::RegistryView::Bits32, L"ProgramFilesDir", L"C:\\PF");
    world.machine.registry.PutString(sys::RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav",
                                     sys::RegistryView::Bits32, L"TAVCLNTMSIPATH",
                                     L"C:\\TAV\\Client\\TavClntMsi.exe");
    world.WriteConfig(
        "<ITEM key=\"Updater0\" type=\"OCContainer\">" +
        run_tests::StringItem("ClassType", "CTupKernelUpdater") +
        "<ITEM key=\"Files\" type=\"OCContainer\"><ITEM key=\"File0\" type=\"OCContainer\">" +
        run_tests::StringItem("UpdatePackageFile", "q.dll") +
        run_tests::StringItem("InstallationFile", "[$TN_INSTALL_PATH]q.dll") +
        "<ITEM key=\"VersionCheckType\" type=\"OCUnsignedLong\">2</ITEM></ITEM></ITEM><ITEM key=\"ExecutablesToLaunch\" type=\"OCContainer\">"
        "<ITEM key=\"File0\" type=\"OCContainer\">" +
        run_tests::StringItem("Path", "[$TN_INSTALL_PATH]Tray.exe") + "</ITEM></ITEM></ITEM>");
    world.machine.files.AddFile(world.folder.PathOf("") + L"package\\q.dll", "new");
    CTupManager& manager = world.Start();
    ASSERT_EQ((std::vector<std::wstring>{L"CTupKernelUpdater"}), manager.UpdaterClassNames());

    EXPECT_TRUE(manager.RunUpdate());

    EXPECT_EQ("new", world.machine.files.Read(L"C:\\TAV\\q.dll"));
    std::vector<std::wstring> started;
    for (const auto& start : world.machine.launcher.starts) started.push_back(start.commandLine);
    EXPECT_EQ((std::vector<std::wstring>{
                  L"\"C:\\TAV\\Qelsrv.exe\" /RegServer", L"C:\\TAV\\Tray.exe",
                  L"\"C:\\PF\\Internet Explorer\\iexplore.exe\" \"C:\\TAV\\Client\\ReadMe\\readme.html\""}),
              started);
}

}  // namespace
