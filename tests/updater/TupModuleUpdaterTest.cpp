// The module updater's keys and numbered lists, storing, creation by class name, program
// launching and the preparation step.
#include "updater/TupModuleUpdater.h"

#include <gtest/gtest.h>

#include "manager/TupClassFactory.h"
#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

using updater_tests::MakeFile;
using updater_tests::Seen;
using updater_tests::UpdaterWorld;

// Entries of the container XML form.
std::string S(const std::string& key, const std::string& text) {
    return "<ITEM key=\"" + key + "\" type=\"OCString\">" + text + "</ITEM>";
}
std::string U(const std::string& key, unsigned value) {
    return "<ITEM key=\"" + key + "\" type=\"OCUnsignedLong\">" + std::to_string(value) + "</ITEM>";
}
std::string C(const std::string& key, const std::string& inner) {
    return "<ITEM key=\"" + key + "\" type=\"OCContainer\">" + inner + "</ITEM>";
}
std::string L(const std::string& key, const std::vector<std::string>& items) {
    std::string xml = "<ITEM key=\"" + key + "\" type=\"OCStringList\">";
    for (size_t i = 0; i < items.size(); ++i) {
        xml += "<ITEM key=\"" + std::to_string(i) + "\" type=\"OCStringListItem\">" + items[i] + "</ITEM>";
    }
    return xml + "</ITEM>";
}
std::string File(const std::string& key, const std::string& package, const std::string& installed) {
    return C(key, S("UpdatePackageFile", package) + S("InstallationFile", installed));
}

using Strings = std::vector<std::wstring>;

std::vector<std::wstring> PackagePaths(const std::vector<CTupModuleFile>& files) {
    std::vector<std::wstring> paths;
    for (const auto& file : files) paths.push_back(file.UpdatePackageFile());
    return paths;
}

class TupModuleUpdaterTest : public ::testing::Test {
protected:
    UpdaterWorld world;
    updater_tests::OpenUpdater& updater = world.updater;
};

TEST_F(TupModuleUpdaterTest, ReadsEveryKeyAndEndsEachNumberedListAtItsFirstGap) {
    auto section = world.Xml(
        S("ClassType", "CTupModuleUpdater") + L("AffectedServices", {"tavsvc", "Spooler"}) +
        C("Files", File("File0", "bin\\a.dll", "[$TN_INSTALL_PATH]bin\\a.dll") +
                       C("File1", S("UpdatePackageFile", "bin\\b.exe") + U("VersionCheckType", 1) +
                                      U("UpdateCheckType", 2)) +
                       File("File3", "bin\\lost.dll", "lost")) +
        // Executables use the element name of files, not "Executable%d".
        C("ExecutablesToLaunch",
          C("File0", S("Path", "[$TN_INSTALL_PATH]x.exe") + S("Parameter", "/s") + U("WaitTillEnd", 1)) +
              C("File1", S("Path", "y.exe")) + C("Executable2", S("Path", "never.exe"))) +
        C("Tokens", C("Token0", S("Name", "[$A]") + S("Path", "C:\\a")) +
                        C("Token2", S("Name", "[$LOST]"))) +
        C("RegistryKeys", C("Key0", S("KeyName", "HKEY_LOCAL_MACHINE\\SOFTWARE\\K") + S("ValueName", "s") +
                                        S("Value", "text")) +
                              C("Key1", S("ValueName", "n") + U("Value", 7))) +
        C("RegistryKeys64", C("Key0", S("ValueName", "v64"))) +
        C("TokensToReplaceInFiles",
          C("FileTokenReplacement0", S("File", "f.ini") + S("Token", "%T%") + S("Replacement", "r"))) +
        C("ExecutionCondition", S("PathExists", "C:\\TAV\\Qelsrv.exe")) +
        C("ExecutionConditions", C("Condition0", S("ServiceExists", "tavsvc")) +
                                     C("Condition1", S("ServiceNotExists", "old"))) +
        C("ShortCuts", C("ShortCut0", S("Title", "Tarnova") + S("Type", "COMMON_PROGRAMS")) +
                           C("ShortCut2", S("Title", "lost"))) +
        L("ObjectsToRegister", {"a.dll", "Server.EXE"}) + L("NetObjectsToRegister", {"n2.dll"}) +
        L("Net4ObjectsToRegister", {"n4.dll"}) + L("CommandsToExecute", {"cmd /c x", "y"}));
    updater.Load(section.get());

    EXPECT_EQ((Strings{L"tavsvc", L"Spooler"}), updater.AffectedServices());
    ASSERT_EQ(2u, updater.Files().size());
    EXPECT_EQ(L"bin\\a.dll", updater.Files()[0].UpdatePackageFile());
    EXPECT_EQ(L"[$TN_INSTALL_PATH]bin\\a.dll", updater.Files()[0].InstallationFile());
    EXPECT_EQ(L"bin\\b.exe", updater.Files()[1].UpdatePackageFile());
    EXPECT_EQ(1u, updater.Files()[1].VersionCheckType());
    EXPECT_EQ(2u, updater.Files()[1].UpdateCheckType());
    EXPECT_EQ(1u, updater.Files()[1].UpdateFile());

    ASSERT_EQ(2u, updater.ExecutablesToLaunch().size());
    EXPECT_EQ(L"[$TN_INSTALL_PATH]x.exe", updater.ExecutablesToLaunch()[0].Path());
    EXPECT_EQ(L"/s", updater.ExecutablesToLaunch()[0].Parameter());
    EXPECT_EQ(1u, updater.ExecutablesToLaunch()[0].WaitTillEnd());
    EXPECT_EQ(L"y.exe", updater.ExecutablesToLaunch()[1].Path());

    ASSERT_EQ(1u, updater.Tokens().size());
    EXPECT_EQ(L"[$A]", updater.Tokens()[0].Name());
    ASSERT_EQ(2u, updater.RegistryKeys().size());
    EXPECT_EQ(L"text", updater.RegistryKeys()[0].StringValue());
    EXPECT_EQ(1u, updater.RegistryKeys()[0].IsString());
    EXPECT_EQ(7u, updater.RegistryKeys()[1].NumberValue());
    EXPECT_EQ(0u, updater.RegistryKeys()[1].IsString());
    ASSERT_EQ(1u, updater.RegistryKeys64().size());
    EXPECT_EQ(L"v64", updater.RegistryKeys64()[0].ValueName());
    ASSERT_EQ(1u, updater.TokensToReplaceInFiles().size());
    EXPECT_EQ(L"%T%", updater.TokensToReplaceInFiles()[0].Token());
    EXPECT_EQ(L"C:\\TAV\\Qelsrv.exe", updater.ExecutionCondition().PathExists());
    ASSERT_EQ(2u, updater.ExecutionConditions().size());
    EXPECT_EQ(L"tavsvc", updater.ExecutionConditions()[0].ServiceExists());
    EXPECT_EQ(L"old", updater.ExecutionConditions()[1].ServiceNotExists());
    ASSERT_EQ(1u, updater.ShortCuts().size());
    EXPECT_EQ(L"COMMON_PROGRAMS", updater.ShortCuts()[0].Type());

    EXPECT_EQ((Strings{L"a.dll", L"Server.EXE"}), updater.ObjectsToRegister());
    EXPECT_EQ((Strings{L"n2.dll"}), updater.NetObjectsToRegister());
    EXPECT_EQ((Strings{L"n4.dll"}), updater.Net4ObjectsToRegister());
    EXPECT_EQ((Strings{L"cmd /c x", L"y"}), updater.CommandsToExecute());
    EXPECT_EQ(0u, updater.NothingToUpdate());
}

TEST_F(TupModuleUpdaterTest, AnAbsentKeyLeavesItsListAndAPresentOneReplacesIt) {
    updater.Load(world.Xml(L("AffectedServices", {"tavsvc"}) + L("CommandsToExecute", {"c"}) +
                           C("Files", File("File0", "a", "A") + File("File1", "b", "B")) +
                           C("Tokens", C("Token0", S("Name", "[$T]"))) +
                           C("ExecutablesToLaunch", C("File0", S("Path", "x.exe"))) +
                           C("ExecutionCondition", S("PathExists", "p") + S("ServiceExists", "s")))
                     .get());
    // Key names match in any letter case; an empty list container empties its list; a list
    // key of another kind counts as absent.
    updater.Load(world.Xml(C("files", File("file0", "c", "C")) + C("TOKENS", "") +
                           S("ExecutablesToLaunch", "x") + L("affectedservices", {}) +
                           C("ExecutionCondition", S("PathExists", "q")))
                     .get());

    EXPECT_EQ((Strings{L"c"}), PackagePaths(updater.Files()));
    EXPECT_TRUE(updater.Tokens().empty());
    ASSERT_EQ(1u, updater.ExecutablesToLaunch().size());
    EXPECT_EQ(L"x.exe", updater.ExecutablesToLaunch()[0].Path());
    EXPECT_TRUE(updater.AffectedServices().empty());
    EXPECT_EQ((Strings{L"c"}), updater.CommandsToExecute());
    // The single condition takes the keys present and keeps the others.
    EXPECT_EQ(L"q", updater.ExecutionCondition().PathExists());
    EXPECT_EQ(L"s", updater.ExecutionCondition().ServiceExists());
}

TEST_F(TupModuleUpdaterTest, StoringWritesTheFiveStringListsOnly) {
    updater.Load(world.Xml(L("AffectedServices", {"tavsvc", "w3svc"}) + L("ObjectsToRegister", {"o"}) +
                           L("Net4ObjectsToRegister", {"n4a", "n4b"}) +
                           C("Files", File("File0", "a", "A")) +
                           C("Tokens", C("Token0", S("Name", "[$T]"))))
                     .get());
    const std::unique_ptr<ObjContainer> saved = updater.Save();

    ASSERT_EQ(5u, saved->Count());
    Strings list{L"untouched"};
    saved->GetStringList(L"AffectedServices", list);
    EXPECT_EQ((Strings{L"tavsvc", L"w3svc"}), list);
    saved->GetStringList(L"ObjectsToRegister", list);
    EXPECT_EQ((Strings{L"o"}), list);
    saved->GetStringList(L"NetObjectsToRegister", list);
    EXPECT_EQ(Strings{}, list);
    saved->GetStringList(L"Net4ObjectsToRegister", list);
    EXPECT_EQ((Strings{L"n4a", L"n4b"}), list);
    EXPECT_EQ(OCStringList, saved->GetType(L"CommandsToExecute"));

    // What was stored reads back into a fresh updater.
    updater_tests::OpenUpdater copy;
    copy.Load(saved.get());
    EXPECT_EQ(updater.AffectedServices(), copy.AffectedServices());
    EXPECT_EQ(updater.Net4ObjectsToRegister(), copy.Net4ObjectsToRegister());
    EXPECT_TRUE(copy.Files().empty());
}

TEST_F(TupModuleUpdaterTest, TheFactoryCreatesABaseUpdaterThatLetsTheRunGoOn) {
    std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(L"CTupModuleUpdater");
    auto* created = dynamic_cast<CTupModuleUpdater*>(object.get());
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(nullptr, TupClassFactory::Create(L"ctupmoduleupdater"));
    // Without files every step passes, and the version check finds nothing to update, so the
    // run drops the updater.
    EXPECT_EQ(1, created->PrepareUpdate());
    EXPECT_EQ(1, created->CheckFilesExist());
    EXPECT_EQ(1, created->CheckVersions());
    EXPECT_EQ(1, created->CheckFilesWritable());
    EXPECT_EQ(1, created->BackupFiles());
    EXPECT_EQ(1, created->ApplyUpdate());
    EXPECT_EQ(1, created->LaunchExecutables());
    EXPECT_TRUE(world.machine.launcher.starts.empty());
}

TEST_F(TupModuleUpdaterTest, LaunchingBuildsTheCommandLineAndCountsAStartAsSuccess) {
    auto& launcher = world.machine.launcher;
    launcher.exitCode = 1603;  // a program that starts and fails
    EXPECT_EQ(1, updater.RunAndWait(L"\"C:\\TAV\\setup.exe\"", L"/quiet /norestart"));
    EXPECT_EQ(1, updater.RunNoWait(L"C:\\TAV\\Qelsrv.exe", L""));
    EXPECT_EQ(1, updater.LaunchProcess(L"x.exe", L" ", 0));
    launcher.failing = {L"missing.exe"};
    EXPECT_EQ(0, updater.RunAndWait(L"C:\\missing.exe", L"/s"));
    EXPECT_EQ(0, updater.RunNoWait(L"C:\\missing.exe", L""));

    ASSERT_EQ(3u, launcher.starts.size());
    EXPECT_EQ(L"\"C:\\TAV\\setup.exe\" /quiet /norestart", launcher.starts[0].commandLine);
    EXPECT_TRUE(launcher.starts[0].waited);
    // No blank is added for empty parameters; a blank parameter text is still appended.
    EXPECT_EQ(L"C:\\TAV\\Qelsrv.exe", launcher.starts[1].commandLine);
    EXPECT_FALSE(launcher.starts[1].waited);
    EXPECT_EQ(L"x.exe  ", launcher.starts[2].commandLine);
    EXPECT_TRUE(world.TakeReports().empty());
}

TEST_F(TupModuleUpdaterTest, PrepareUpdateReplacesTokensInInstallationPathsAndCountsTheChangedOnes) {
    ASSERT_EQ(L"C:\\TAV\\", world.manager->InstallFolder());
    CTupToken own;
    own.SetName(L"[$OWN]");
    own.SetPath(L"D:\\own\\");
    CTupToken unresolved;
    unresolved.SetName(L"[$NOWHERE]");
    updater.Tokens() = {own, unresolved};
    updater.Files() = {MakeFile(L"bin\\a.dll", L"[$TN_INSTALL_PATH]bin\\a.dll"),
                       MakeFile(L"[$TN_INSTALL_PATH]b.dll", L"D:\\fixed\\b.dll"),
                       MakeFile(L"c.dll", L"[$OWN]c.dll"),
                       MakeFile(L"d.dll", L"[$NOWHERE]d.dll"),
                       MakeFile(L"e.dll", L"[$tn_install_path]e.dll")};

    EXPECT_EQ(1, updater.PrepareUpdate());

    const std::vector<std::wstring> expected{L"C:\\TAV\\bin\\a.dll", L"D:\\fixed\\b.dll",
                                             L"D:\\own\\c.dll", L"[$NOWHERE]d.dll",
                                             L"[$tn_install_path]e.dll"};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i], updater.Files()[i].InstallationFile()) << i;
    }
    // Package paths are not touched.
    EXPECT_EQ(L"[$TN_INSTALL_PATH]b.dll", updater.Files()[1].UpdatePackageFile());
    EXPECT_EQ((std::vector<Seen>{{tav::kTextUsingPath, L"C:\\TAV\\"},
                                 {tav::kTextInstallPathsChanged, L"2"}}),
              world.TakeReports());
    // Every report of the updater goes to the result log only.
    EXPECT_EQ(0, world.owner.statusLines);

    // A second preparation finds nothing left to replace.
    EXPECT_EQ(1, updater.PrepareUpdate());
    EXPECT_EQ((std::vector<Seen>{{tav::kTextUsingPath, L"C:\\TAV\\"},
                                 {tav::kTextInstallPathsChanged, L"0"}}),
              world.TakeReports());
}

}  // namespace
