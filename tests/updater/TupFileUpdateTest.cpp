// The file phase of the update: files replaced in order, target folders, read-only and
// undeletable installed files, and failures that leave every file old, new or old as ".old".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

using updater_tests::MakeFile;
using updater_tests::Seen;
using updater_tests::UpdaterWorld;
using Reports = std::vector<Seen>;
using Strings = std::vector<std::wstring>;

// The file phase alone, without the registration phase that follows it in ApplyUpdate.
class FileUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::ReplaceFiles;
};

class TupFileUpdateTest : public ::testing::Test {
protected:
    TupFileUpdateTest() { updater.Attach(world.manager.get(), &world.texts, &world.language); }

    // A module file; its package file holds "new NAME", an installed file "old NAME".
    CTupModuleFile& Add(const std::wstring& name, const std::wstring& installed,
                        bool withSource = true, bool withInstalled = true) {
        if (withSource) files.AddFile(UpdaterWorld::kPackage + name, New(name));
        if (withInstalled) files.AddFile(installed, Old(name));
        updater.Files().push_back(MakeFile(name, installed));
        return updater.Files().back();
    }
    static std::string New(const std::wstring& name) { return "new " + tav::ToUtf8(name); }
    static std::string Old(const std::wstring& name) { return "old " + tav::ToUtf8(name); }
    static std::wstring Staged(const std::wstring& installed) {
        return installed + CTupModuleUpdater::kStagingSuffix;
    }

    UpdaterWorld world;
    fakes::FakeFiles& files = world.machine.files;
    FileUpdater updater;
};

TEST_F(TupFileUpdateTest, FilesAreReplacedInOrderAndMissingFoldersAreCreated) {
    Add(L"a.dll", L"C:\\TAV\\a.dll");
    Add(L"skipped.dll", L"C:\\TAV\\skipped.dll").SetUpdateFile(0);
    Add(L"web\\new.htm", L"C:\\TAV\\web\\deep\\new.htm", true, false);
    files.AddFile(L"C:\\TAV\\ro.dll", Old(L"ro.dll"),
                  sys::FileAttribute::ReadOnly | sys::FileAttribute::Archive);
    Add(L"ro.dll", L"C:\\TAV\\ro.dll", true, false);
    // Not tested for customization: no check planned.
    Add(L"page.htm", L"C:\\TAV\\page.htm");

    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\a.dll"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\a.dll"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\web\\deep\\new.htm"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\deep\\new.htm"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\ro.dll"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\ro.dll"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\page.htm"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\page.htm"}}),
              world.TakeReports());
    EXPECT_EQ(New(L"a.dll"), files.Read(L"C:\\TAV\\a.dll"));
    EXPECT_EQ(Old(L"skipped.dll"), files.Read(L"C:\\TAV\\skipped.dll"));
    EXPECT_EQ(New(L"web\\new.htm"), files.Read(L"C:\\TAV\\web\\deep\\new.htm"));
    EXPECT_EQ(New(L"ro.dll"), files.Read(L"C:\\TAV\\ro.dll"));
    EXPECT_EQ(0u, files.Attributes(L"C:\\TAV\\ro.dll") & sys::FileAttribute::ReadOnly);
    // Nothing is left beside the files.
    EXPECT_EQ((Strings{L"C:\\TAV\\a.dll", L"C:\\TAV\\skipped.dll", L"C:\\TAV\\ro.dll",
                       L"C:\\TAV\\page.htm", L"C:\\TAV\\web\\", L"C:\\TAV\\web\\deep\\",
                       L"C:\\TAV\\web\\deep\\new.htm"}),
              files.List(L"C:\\TAV"));
}

TEST_F(TupFileUpdateTest, WithUpdateConditionOneAFileIsOnlyReplacedInAnExistingFolder) {
    Add(L"opt\\x.dll", L"C:\\TAV\\optional\\x.dll", true, false).SetUpdateConditionType(1);
    files.AddFolder(L"C:\\TAV\\present");
    Add(L"present\\y.dll", L"C:\\TAV\\present\\y.dll", true, false).SetUpdateConditionType(1);
    Add(L"z.dll", L"C:\\TAV\\other\\z.dll", true, false).SetUpdateConditionType(2);

    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\optional\\x.dll"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\present\\y.dll"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\present\\y.dll"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\other\\z.dll"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\other\\z.dll"}}),
              world.TakeReports());
    EXPECT_FALSE(files.FolderExists(L"C:\\TAV\\optional"));
    EXPECT_TRUE(files.Exists(L"C:\\TAV\\present\\y.dll"));
    EXPECT_TRUE(files.Exists(L"C:\\TAV\\other\\z.dll"));

    // A path without a folder is skipped too, and an installed file there stays as it was.
    updater.Files().clear();
    Add(L"bare.dll", L"bare.dll").SetUpdateConditionType(1);
    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ(Old(L"bare.dll"), files.Read(L"bare.dll"));
}

TEST_F(TupFileUpdateTest, AMissingPackageFileOrTargetFolderFailsTheFileAndEndsThePhase) {
    Add(L"gone.dll", L"C:\\TAV\\gone.dll", false, true);
    Add(L"after.dll", L"C:\\TAV\\after.dll");
    updater.CommandsToExecute().push_back(L"C:\\TAV\\never.exe");
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\gone.dll"},
                       {tav::kTextUpdatePackageFileMissing, L""}}),
              world.TakeReports());
    EXPECT_EQ(Old(L"after.dll"), files.Read(L"C:\\TAV\\after.dll"));
    // The later phases do not run.
    EXPECT_TRUE(world.machine.launcher.starts.empty());

    updater.Files().clear();
    files.AddFolder(L"D:\\closed");
    files.DenyCreateIn(L"D:\\closed");
    Add(L"x.dll", L"D:\\closed\\sub\\x.dll", true, false);
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"D:\\closed\\sub\\x.dll"},
                       {tav::kTextTargetFolderNotCreated, L""}}),
              world.TakeReports());
}

TEST_F(TupFileUpdateTest, AnInstalledFileThatCannotBeDeletedMakesWayAsOldUnlessThatNameIsTaken) {
    Add(L"busy.dll", L"C:\\TAV\\busy.dll");
    files.DenyDelete(L"C:\\TAV\\busy.dll");
    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\busy.dll"},
                       {tav::kTextFileRenamedToOld, L"C:\\TAV\\busy.dll"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\busy.dll"}}),
              world.TakeReports());
    EXPECT_EQ(New(L"busy.dll"), files.Read(L"C:\\TAV\\busy.dll"));
    EXPECT_EQ(Old(L"busy.dll"), files.Read(L"C:\\TAV\\busy.dll.old"));

    // Next time the ".old" name is taken (by the file still in use): the update fails and the
    // installed file stays.
    files.AddFile(L"C:\\TAV\\busy.dll", "in use", sys::FileAttribute::Archive);
    files.DenyDelete(L"C:\\TAV\\busy.dll");
    files.AddFile(UpdaterWorld::kPackage + std::wstring(L"busy.dll"), "newer");
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\busy.dll"},
                       {tav::kTextFileNotRemoved, L"C:\\TAV\\busy.dll"}}),
              world.TakeReports());
    EXPECT_EQ("in use", files.Read(L"C:\\TAV\\busy.dll"));
    EXPECT_EQ(Old(L"busy.dll"), files.Read(L"C:\\TAV\\busy.dll.old"));
    EXPECT_FALSE(files.Exists(Staged(L"C:\\TAV\\busy.dll")));

    // A file held open by another program can neither be deleted nor renamed.
    updater.Files().clear();
    Add(L"held.dll", L"C:\\TAV\\held.dll");
    files.Lock(L"C:\\TAV\\held.dll");
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\held.dll"},
                       {tav::kTextFileNotRemoved, L"C:\\TAV\\held.dll"}}),
              world.TakeReports());
    files.Unlock(L"C:\\TAV\\held.dll");
    EXPECT_EQ(Old(L"held.dll"), files.Read(L"C:\\TAV\\held.dll"));
    EXPECT_FALSE(files.Exists(L"C:\\TAV\\held.dll.old"));
    EXPECT_FALSE(files.Exists(Staged(L"C:\\TAV\\held.dll")));
}

TEST_F(TupFileUpdateTest, ACopyThatFailsHalfWayLeavesTheInstalledFileAndTheBackupAsTheyWere) {
    const std::wstring backup = world.manager->BackupFolder();
    files.AddFolder(backup);
    Add(L"first.dll", L"C:\\TAV\\first.dll");
    Add(L"big.dll", L"C:\\TAV\\big.dll");
    Add(L"fresh.dll", L"C:\\TAV\\fresh.dll", true, false);
    ASSERT_EQ(1, updater.BackupFiles());
    world.TakeReports();

    // The disk fills up during the second copy.
    files.FailWritesAfter(New(L"first.dll").size() + 3);
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\first.dll"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\first.dll"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\big.dll"},
                       {tav::kTextFileNotCopied, L"C:\\TAV\\big.dll"}}),
              world.TakeReports());
    EXPECT_EQ(New(L"first.dll"), files.Read(L"C:\\TAV\\first.dll"));
    EXPECT_EQ(Old(L"big.dll"), files.Read(L"C:\\TAV\\big.dll"));
    EXPECT_EQ(Old(L"first.dll"), files.Read(backup + L"first.dll"));
    EXPECT_EQ(Old(L"big.dll"), files.Read(backup + L"big.dll"));
    EXPECT_FALSE(files.Exists(Staged(L"C:\\TAV\\big.dll")));

    // A new file whose copy fails leaves nothing that looks installed.
    updater.Files().erase(updater.Files().begin(), updater.Files().begin() + 2);
    files.FailWritesAfter(2);
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_FALSE(files.Exists(L"C:\\TAV\\fresh.dll"));
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\fresh.dll"},
                       {tav::kTextFileNotCopied, L"C:\\TAV\\fresh.dll"}}),
              world.TakeReports());
    files.FailWritesAfter(static_cast<size_t>(-1));

    // An unreadable package file: the installed file is not touched.
    updater.Files().clear();
    Add(L"held.dll", L"C:\\TAV\\held.dll");
    files.Lock(UpdaterWorld::kPackage + std::wstring(L"held.dll"));
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_EQ(Old(L"held.dll"), files.Read(L"C:\\TAV\\held.dll"));
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\held.dll"},
                       {tav::kTextFileNotCopied, L"C:\\TAV\\held.dll"}}),
              world.TakeReports());
}

TEST_F(TupFileUpdateTest, AStagedNameThatCannotBeClearedFailsTheFileBeforeItIsTouched) {
    // Whatever lies at the staged name is removed first; here it cannot be, so no new file is
    // made there and the installed file stays as it was.
    Add(L"stuck.dll", L"C:\\TAV\\stuck.dll");
    files.AddFile(Staged(L"C:\\TAV\\stuck.dll"), "stale");
    files.DenyDelete(Staged(L"C:\\TAV\\stuck.dll"));
    EXPECT_EQ(0, updater.ApplyUpdate());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\stuck.dll"},
                       {tav::kTextFileNotCopied, L"C:\\TAV\\stuck.dll"}}),
              world.TakeReports());
    EXPECT_EQ(Old(L"stuck.dll"), files.Read(L"C:\\TAV\\stuck.dll"));
    EXPECT_EQ("stale", files.Read(Staged(L"C:\\TAV\\stuck.dll")));
    EXPECT_FALSE(files.Exists(L"C:\\TAV\\stuck.dll.old"));

    // A stale staged copy that can go is removed and the new one made, read-only or not.
    updater.Files().front().SetUpdateFile(0);
    Add(L"fresh.dll", L"C:\\TAV\\fresh.dll");
    files.AddFile(Staged(L"C:\\TAV\\fresh.dll"), "stale",
                  sys::FileAttribute::ReadOnly | sys::FileAttribute::Archive);
    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ(New(L"fresh.dll"), files.Read(L"C:\\TAV\\fresh.dll"));
    EXPECT_FALSE(files.Exists(Staged(L"C:\\TAV\\fresh.dll")));
}

}  // namespace
