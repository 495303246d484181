// Wildcard entries of a module updater against a real package folder: which files and
// subfolders the file system's own matching finds, and the entries made from them.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "updater/TupModuleUpdaterTestWorld.h"
#include "win/WinScratchFolder.h"
#include "win/WinUpdaterSupport.h"

namespace {

using ::testing::UnorderedElementsAre;
using Strings = std::vector<std::wstring>;
using updater_tests::MakeFile;

// A wizard folder whose package holds
//   bin\a.dll  bin\b.dll  bin\notes.txt  bin\sub\c.dll  bin\plugins.dll\d.dll
//   bin\plugins.dll\e.txt
// and an updater attached to a manager that takes its package folder from there.
class TupFilePatternsWin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(wizard.Made());
        package = wizard.PathOf(L"package\\");
        for (const wchar_t* folder : {L"package", L"package\\bin", L"package\\bin\\sub",
                                      L"package\\bin\\plugins.dll"}) {
            ASSERT_TRUE(CreateDirectoryW(wizard.PathOf(folder).c_str(), nullptr));
        }
        for (const wchar_t* file : {L"bin\\a.dll", L"bin\\b.dll", L"bin\\notes.txt",
                                    L"bin\\sub\\c.dll", L"bin\\plugins.dll\\d.dll",
                                    L"bin\\plugins.dll\\e.txt"}) {
            ASSERT_TRUE(wintest::WriteWholeFile(package + file, "x"));
        }
        program = std::make_unique<wintest::ProgramElsewhere>(
            wizard.PathOf(L"TavUpdateWizard.exe"));
        uint32_t enforce = 0;
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        manager->SetOwner(&owner);
        ASSERT_EQ(package, manager->PackageFolder());
        updater.Attach(manager.get(), &texts, &language);
    }

    void TearDown() override {
        manager.reset();
        program.reset();
    }

    Strings PackagePaths() const {
        Strings paths;
        for (const auto& file : updater.Files()) paths.push_back(file.UpdatePackageFile());
        return paths;
    }
    Strings InstallationPaths() const {
        Strings paths;
        for (const auto& file : updater.Files()) paths.push_back(file.InstallationFile());
        return paths;
    }
    size_t ReportsOf(uint32_t textId) {
        std::lock_guard<std::mutex> lock(owner.mutex);
        return std::count_if(owner.reports.begin(), owner.reports.end(),
                             [&](const updater_tests::Seen& seen) { return seen.id == textId; });
    }

    wintest::WinScratchFolder wizard;
    std::wstring package;
    updater_tests::IdTexts texts;
    std::wstring language = L"EN";
    updater_tests::RecordingOwner owner;
    std::unique_ptr<wintest::ProgramElsewhere> program;
    std::unique_ptr<CTupManager> manager;
    updater_tests::OpenUpdater updater;
};

TEST_F(TupFilePatternsWin, FindFilesEntersOnlySubfoldersWhoseNamesMatch) {
    const std::wstring bin = package + L"bin\\";
    Strings found{L"kept"};
    updater.FindFiles(bin + L"*.dll", found);
    // "sub" does not match *.dll and is not entered; the folder "plugins.dll" is, and only its
    // .dll file is taken.
    EXPECT_THAT(found, UnorderedElementsAre(L"kept", bin + L"a.dll", bin + L"b.dll",
                                            bin + L"plugins.dll\\d.dll"));

    found.clear();
    updater.FindFiles(bin + L"*", found);
    EXPECT_THAT(found, UnorderedElementsAre(bin + L"a.dll", bin + L"b.dll", bin + L"notes.txt",
                                            bin + L"sub\\c.dll", bin + L"plugins.dll\\d.dll",
                                            bin + L"plugins.dll\\e.txt"));

    // '?' is exactly one character; letters match in any case, and the folder keeps the
    // pattern's spelling while the names are the file system's.
    found.clear();
    updater.FindFiles(package + L"BIN\\?.DLL", found);
    EXPECT_THAT(found, UnorderedElementsAre(package + L"BIN\\a.dll", package + L"BIN\\b.dll"));

    found.clear();
    updater.FindFiles(package + L"missing\\*.dll", found);
    updater.FindFiles(bin + L"*.exe", found);
    EXPECT_TRUE(found.empty());
}

TEST_F(TupFilePatternsWin, ExpandFilePatternsMakesOneEntryPerPackageFile) {
    // The order the file system lists the matches in: new entries go to the head one by one.
    Strings allDlls;
    updater.FindFiles(package + L"bin\\*.dll", allDlls);
    Strings everything;
    updater.FindFiles(package + L"bin\\*", everything);
    ASSERT_EQ(3u, allDlls.size());
    ASSERT_EQ(6u, everything.size());

    CTupModuleFile listed = MakeFile(L"bin\\a.dll", L"C:\\Srv\\bin\\a.dll");
    CTupModuleFile dlls = MakeFile(L"bin\\*.dll", L"C:\\Srv\\bin\\x.dll");
    dlls.SetExistenceCheckType(1);
    dlls.SetVersionCheckType(2);
    dlls.SetUserCustomizationCheckPlanned(1);
    dlls.SetUpdateConditionType(1);
    // a.dll and b.dll again, spelt otherwise: both are there already for that folder.
    CTupModuleFile again = MakeFile(L"BIN\\?.DLL", L"c:\\srv\\BIN\\y.dll");
    CTupModuleFile copies = MakeFile(L"bin\\*", L"D:\\Copy\\");
    CTupModuleFile none = MakeFile(L"bin\\*.exe", L"C:\\Srv\\bin\\z.exe");
    updater.Files() = {listed, dlls, MakeFile(L"readme.txt", L"C:\\Srv\\readme.txt"), again,
                       copies, none};

    EXPECT_EQ(10, updater.ExpandFilePatterns());

    Strings expectedPackage, expectedInstallation;
    for (auto it = everything.rbegin(); it != everything.rend(); ++it) {
        const std::wstring below = it->substr((package + L"bin\\").size());
        expectedPackage.push_back(L"bin\\" + below);
        expectedInstallation.push_back(L"D:\\Copy\\" + below);
    }
    for (auto it = allDlls.rbegin(); it != allDlls.rend(); ++it) {
        const std::wstring below = it->substr((package + L"bin\\").size());
        if (below == L"a.dll") continue;
        expectedPackage.push_back(L"bin\\" + below);
        expectedInstallation.push_back(L"C:\\Srv\\bin\\" + below);
    }
    expectedPackage.insert(expectedPackage.end(), {L"bin\\a.dll", L"readme.txt"});
    expectedInstallation.insert(expectedInstallation.end(),
                                {L"C:\\Srv\\bin\\a.dll", L"C:\\Srv\\readme.txt"});
    EXPECT_EQ(expectedPackage, PackagePaths());
    EXPECT_EQ(expectedInstallation, InstallationPaths());

    // What the package holds below bin\, with subfolders kept below the target folder.
    EXPECT_THAT(Strings(expectedInstallation.begin(), expectedInstallation.begin() + 6),
                UnorderedElementsAre(L"D:\\Copy\\a.dll", L"D:\\Copy\\b.dll",
                                     L"D:\\Copy\\notes.txt", L"D:\\Copy\\sub\\c.dll",
                                     L"D:\\Copy\\plugins.dll\\d.dll",
                                     L"D:\\Copy\\plugins.dll\\e.txt"));
    for (size_t i = 6; i < 8; ++i) {
        const CTupModuleFile& made = updater.Files()[i];
        EXPECT_EQ(1u, made.ExistenceCheckType()) << i;
        EXPECT_EQ(2u, made.VersionCheckType()) << i;
        EXPECT_EQ(1u, made.UserCustomizationCheckPlanned()) << i;
        EXPECT_EQ(1u, made.UpdateConditionType()) << i;
    }
    EXPECT_EQ(0u, updater.Files()[0].VersionCheckType());

    // a.dll once from the first pattern, a.dll and b.dll from the second.
    EXPECT_EQ(3u, ReportsOf(tav::kTextFileEntryAlreadyPresent));
    EXPECT_EQ(8u, ReportsOf(tav::kTextFileEntryAdded));
    EXPECT_EQ(4u, ReportsOf(tav::kTextFilePatternRemoved));
}

}  // namespace
