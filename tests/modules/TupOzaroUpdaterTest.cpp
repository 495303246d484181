// The web scripting updater: its component folder, the single script pattern, no version
// check, and the backup of the installed scripts.
#include "modules/TupOzaroUpdater.h"

#include <gtest/gtest.h>

#include "base/WideText.h"

#include "modules/PrintAndScriptModulesWorld.h"

namespace {

using module_tests::MakeFile;
using module_tests::Reports;
using module_tests::Seen;
using sys::RegistryRoot;
using sys::RegistryView;
using Strings = std::vector<std::wstring>;

constexpr const wchar_t* kProduct = L"SOFTWARE\\Kelmark\\Tav";
constexpr const wchar_t* kComponent = L"SOFTWARE\\Kelmark\\Tav\\Ozaro";
constexpr const wchar_t* kWebEventAgent = L"SOFTWARE\\Kelmark\\Tav\\TavAps\\WebEventAgent";

using World = module_tests::ModuleWorld<CTupOzaroUpdater>;

void Put(World& world, const wchar_t* key, const wchar_t* name, const std::wstring& value) {
    world.machine.registry.PutString(RegistryRoot::LocalMachine, key, RegistryView::Bits32, name, value);
}

// OZAROPATH as stored, "(none)" when missing.
std::wstring ComponentFolder(const World& world) {
    const sys::RegistryValue* value = world.machine.registry.Get(
        RegistryRoot::LocalMachine, kComponent, RegistryView::Bits32, L"OZAROPATH");
    if (!value) return L"(none)";
    return tav::FromUtf16Le(value->data.data(), value->data.size());
}

class TupOzaroUpdaterTest : public ::testing::Test {
protected:
    void Put(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
        ::Put(world, key, name, value);
    }
    // The usual module: one pattern for the component's scripts.
    void UseScriptPattern() {
        updater.Files() = {MakeFile(L"Ozaro\\Install\\*.isa", L"[$TAV_OZAROPATH]Install\\*.isa")};
    }

    World world;
    CTupOzaroUpdater& updater = world.module;
};

TEST(TupOzaroUpdaterFolderTest, TheComponentFolderDefaultsBelowTheWebFolderOfTheServerKind) {
    struct Case {
        const char* name;
        bool tavAps;
        std::wstring webClient, htmlResources, stored;
        int result;
        std::wstring folder;  // OZAROPATH afterwards
        std::vector<uint32_t> reports;
    };
    using namespace tav;
    const std::vector<uint32_t> ensure{kTextCheckingRegistryValue, kTextRegistryValueEmpty,
                                       kTextWritingRegistryValue, kTextRegistryValue};
    auto then = [](std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"web client folder", false, L"D:\\Web\\", L"F:\\Html\\", L"", 1, L"D:\\Web\\Ozaro\\",
         then({kTextReadingWebClientPath, kTextWebClientPathFound}, ensure)},
        // Without its closing backslash the component still goes below it.
        {"web client folder without backslash", false, L"D:\\Web", L"", L"", 1, L"D:\\Web\\Ozaro\\",
         then({kTextReadingWebClientPath, kTextWebClientPathFound}, ensure)},
        {"remote print server", true, L"D:\\Web\\", L"F:\\Html\\", L"", 1, L"F:\\Html\\Ozaro\\",
         then({kTextReadingHtmlResourcePath, kTextHtmlResourcePathFound}, ensure)},
        // A stored folder is kept; the module's paths get its backslash.
        {"stored folder", false, L"D:\\Web\\", L"", L"E:\\Oz", 1, L"E:\\Oz",
         {kTextReadingWebClientPath, kTextWebClientPathFound, kTextCheckingRegistryValue, kTextRegistryValue}},
        // Without the web folder the stored one is not even read.
        {"no web client folder", false, L"", L"F:\\Html\\", L"E:\\Oz\\", 0, L"E:\\Oz\\",
         {kTextReadingWebClientPath, kTextWebClientPathNotSet, kTextOzaroPathNotSet}},
        {"no html resource folder", true, L"D:\\Web\\", L"", L"", 0, L"(none)",
         {kTextReadingHtmlResourcePath, kTextHtmlResourcePathNotSet, kTextOzaroPathNotSet}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        if (c.tavAps) world.RunTavAps();
        if (!c.webClient.empty()) Put(world, kProduct, L"WEBCLIENTPATH", c.webClient);
        if (!c.htmlResources.empty()) Put(world, kWebEventAgent, L"HTMLRESOURCEFILES", c.htmlResources);
        if (!c.stored.empty()) Put(world, kComponent, L"OZAROPATH", c.stored);
        world.module.Files() = {MakeFile(L"Ozaro\\Install\\*.isa", L"[$TAV_OZAROPATH]Install\\*.isa")};
        world.TakeReports();

        EXPECT_EQ(c.result, world.module.PrepareUpdate());

        EXPECT_EQ(c.folder, ComponentFolder(world));
        std::vector<uint32_t> ids;
        for (const Seen& seen : world.TakeReports()) ids.push_back(seen.id);
        // After the base's two reports, up to the component folder's.
        ASSERT_GE(ids.size(), 2 + c.reports.size());
        EXPECT_EQ(c.reports, std::vector<uint32_t>(ids.begin() + 2, ids.begin() + 2 + c.reports.size()));
        if (c.result) {
            const std::wstring used = c.folder.back() == L'\\' ? c.folder : c.folder + L"\\";
            EXPECT_EQ(used + L"*.isa", world.module.InstallationPattern());
            EXPECT_TRUE(world.machine.files.FolderExists(used));
        }
    }
}

TEST_F(TupOzaroUpdaterTest, TheSingleEntryMustPointToTheInstallScripts) {
    Put(kProduct, L"WEBCLIENTPATH", L"D:\\Web\\");
    struct Case {
        const char* name;
        std::vector<CTupModuleFile> files;
        int result;
        uint32_t lastReport;
        std::wstring installationPattern;
    };
    const Case cases[] = {
        {"install scripts", {MakeFile(L"Ozaro\\Install\\*.isa", L"[$TAV_OZAROPATH]Install\\*.isa")}, 1,
         tav::kTextFolderCreated, L"D:\\Web\\Ozaro\\*.isa"},
        // The placeholder followed by the segment keeps its own backslash.
        {"placeholder then segment", {MakeFile(L"Ozaro\\Install\\*.isa", L"[$TAV_OZAROPATH]\\Install\\*.isa")}, 1,
         tav::kTextFolderCreated, L"D:\\Web\\Ozaro\\\\*.isa"},
        {"other folder", {MakeFile(L"Ozaro\\Scripts\\*.isa", L"[$TAV_OZAROPATH]Scripts\\*.isa")}, 0,
         tav::kTextOzaroPatternInvalid, L"D:\\Web\\Ozaro\\Scripts\\*.isa"},
        {"no entry", {}, 0, tav::kTextOzaroNeedsOneFileEntry, L""},
        {"two entries",
         {MakeFile(L"Ozaro\\Install\\*.isa", L"[$TAV_OZAROPATH]Install\\*.isa"),
          MakeFile(L"Ozaro\\x.isa", L"[$TAV_OZAROPATH]x.isa")},
         0, tav::kTextOzaroNeedsOneFileEntry, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTupOzaroUpdater updater;
        updater.Attach(world.manager.get(), &world.texts, &world.language);
        updater.Files() = c.files;
        world.TakeReports();

        EXPECT_EQ(c.result, updater.PrepareUpdate());

        EXPECT_EQ(c.installationPattern, updater.InstallationPattern());
        EXPECT_EQ(c.lastReport, world.TakeReports().back().id);
    }
}

TEST_F(TupOzaroUpdaterTest, PrepareExpandsThePackageScriptsAndFailsWhenTheFolderCannotBeMade) {
    Put(kProduct, L"WEBCLIENTPATH", L"D:\\Web\\");
    world.machine.files.AddFile(L"C:\\Update\\package\\Ozaro\\Install\\a.isa");
    world.machine.files.AddFile(L"C:\\Update\\package\\Ozaro\\Install\\b.isa");
    UseScriptPattern();

    EXPECT_EQ(1, updater.PrepareUpdate());

    EXPECT_EQ((Strings{L"Ozaro\\Install\\b.isa", L"Ozaro\\Install\\a.isa"}), world.PackagePaths());
    EXPECT_EQ((Strings{L"D:\\Web\\Ozaro\\Install\\b.isa", L"D:\\Web\\Ozaro\\Install\\a.isa"}),
              world.InstallationPaths());
    EXPECT_EQ(L"Ozaro\\Install\\*.isa", updater.PackagePattern());
    EXPECT_EQ(L"D:\\Web\\Ozaro\\*.isa", updater.InstallationPattern());
    EXPECT_TRUE(world.machine.files.FolderExists(L"D:\\Web\\Ozaro"));

    CTupOzaroUpdater blocked;
    blocked.Attach(world.manager.get(), &world.texts, &world.language);
    Put(kComponent, L"OZAROPATH", L"G:\\Locked\\Ozaro\\");
    world.machine.files.AddFolder(L"G:\\Locked");
    world.machine.files.DenyCreateIn(L"G:\\Locked");
    blocked.Files() = {MakeFile(L"Ozaro\\Install\\*.isa", L"[$TAV_OZAROPATH]Install\\*.isa")};
    world.TakeReports();
    EXPECT_EQ(0, blocked.PrepareUpdate());
    EXPECT_EQ((Seen{tav::kTextFolderNotCreated, L""}), world.TakeReports().back());
}

TEST_F(TupOzaroUpdaterTest, VersionsAreNeverComparedSoTheComponentIsAlwaysUpdated) {
    world.machine.files.AddFile(L"C:\\Update\\package\\Ozaro\\Install\\a.isa");
    world.machine.files.AddFile(L"D:\\Web\\Ozaro\\Install\\a.isa");
    world.machine.versions.Set(L"C:\\Update\\package\\Ozaro\\Install\\a.isa", 1, 0, 0, 0, 1, 0, 0, 0);
    world.machine.versions.Set(L"D:\\Web\\Ozaro\\Install\\a.isa", 1, 0, 0, 0, 1, 0, 0, 0);
    CTupModuleFile same = MakeFile(L"Ozaro\\Install\\a.isa", L"D:\\Web\\Ozaro\\Install\\a.isa");
    same.SetVersionCheckType(2);
    // The base finds nothing to update in these files.
    world.updater.Files() = {same};
    ASSERT_EQ(1, world.updater.CheckVersions());

    updater.Files() = {same};
    world.TakeReports();
    EXPECT_EQ(0, updater.CheckVersions());
    EXPECT_EQ((Reports{{tav::kTextOzaroNoVersionCheck, L""}}), world.TakeReports());
    EXPECT_EQ(1u, updater.Files().front().UpdateFile());
}

TEST_F(TupOzaroUpdaterTest, BackupSavesTheInstalledScriptsAndGivesTheModuleItsFilesBack) {
    Put(kProduct, L"WEBCLIENTPATH", L"D:\\Web\\");
    auto& files = world.machine.files;
    files.AddFile(L"C:\\Update\\package\\Ozaro\\Install\\a.isa", "new a");
    files.AddFile(L"D:\\Web\\Ozaro\\a.isa", "old a");
    files.AddFile(L"D:\\Web\\Ozaro\\custom.isa", "own script");
    files.AddFile(L"D:\\Web\\Ozaro\\lib.isa\\c.isa", "old c");   // a folder whose name matches
    files.AddFile(L"D:\\Web\\Ozaro\\notes.txt", "not a script");
    files.AddFile(L"D:\\Web\\Ozaro\\Install\\a.isa", "copied before");  // not below the pattern
    UseScriptPattern();
    ASSERT_EQ(1, updater.PrepareUpdate());
    const std::vector<CTupModuleFile> moduleFiles = updater.Files();
    const std::wstring backup = world.manager->BackupFolder();
    files.AddFolder(backup);
    world.TakeReports();

    EXPECT_EQ(1, updater.BackupFiles());

    EXPECT_EQ("old a", files.Read(backup + L"Ozaro\\Install\\a.isa"));
    EXPECT_EQ("own script", files.Read(backup + L"Ozaro\\Install\\custom.isa"));
    EXPECT_EQ("old c", files.Read(backup + L"Ozaro\\Install\\lib.isa\\c.isa"));
    EXPECT_EQ(6u, files.List(backup).size());  // the three scripts and three folders
    const Reports reports = world.TakeReports();
    ASSERT_GE(reports.size(), 4u);
    EXPECT_EQ((Reports{{tav::kTextSearchingInstalledScripts, L""},
                       {tav::kTextInstalledScriptFound, L"D:\\Web\\Ozaro\\a.isa"},
                       {tav::kTextInstalledScriptFound, L"D:\\Web\\Ozaro\\custom.isa"},
                       {tav::kTextInstalledScriptFound, L"D:\\Web\\Ozaro\\lib.isa\\c.isa"}}),
              Reports(reports.begin(), reports.begin() + 4));
    ASSERT_EQ(moduleFiles.size(), updater.Files().size());
    for (size_t i = 0; i < moduleFiles.size(); ++i) {
        EXPECT_EQ(moduleFiles[i].UpdatePackageFile(), updater.Files()[i].UpdatePackageFile());
        EXPECT_EQ(moduleFiles[i].InstallationFile(), updater.Files()[i].InstallationFile());
    }

    // A script that cannot be copied fails the backup; the module's files still come back.
    files.Lock(L"D:\\Web\\Ozaro\\custom.isa");
    CTupOzaroUpdater again;
    again.Attach(world.manager.get(), &world.texts, &world.language);
    again.Files() = {MakeFile(L"Ozaro\\Install\\*.isa", L"[$TAV_OZAROPATH]Install\\*.isa")};
    ASSERT_EQ(1, again.PrepareUpdate());
    files.Remove(backup + L"Ozaro\\Install\\custom.isa");
    EXPECT_EQ(0, again.BackupFiles());
    EXPECT_EQ(1u, again.Files().size());
    EXPECT_EQ(L"Ozaro\\Install\\a.isa", again.Files().front().UpdatePackageFile());
}

}  // namespace
