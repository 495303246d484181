// The module updater's checks before the update: files present, versions, write access with
// the lock test, and the backup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

using updater_tests::MakeFile;
using updater_tests::Seen;
using updater_tests::UpdaterWorld;
using Reports = std::vector<Seen>;

class TupFileChecksTest : public ::testing::Test {
protected:
    // Only the pauses of the checks count.
    TupFileChecksTest() { world.machine.clock.sleeps.clear(); }

    // A module file whose package file and installed file exist (either may be left out).
    CTupModuleFile& Add(const std::wstring& name, const std::wstring& installed,
                        bool withSource = true, bool withInstalled = true) {
        if (withSource) files.AddFile(UpdaterWorld::kPackage + name, "new " + tav::ToUtf8(name));
        if (withInstalled) files.AddFile(installed, "old " + tav::ToUtf8(name));
        updater.Files().push_back(MakeFile(name, installed));
        return updater.Files().back();
    }
    void SetVersion(const std::wstring& path, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
        world.machine.versions.Set(path, a, b, c, d, a, b, c, d);
    }
    std::wstring Source(const std::wstring& name) { return UpdaterWorld::kPackage + name; }

    UpdaterWorld world;
    fakes::FakeFiles& files = world.machine.files;
    updater_tests::OpenUpdater& updater = world.updater;
};

TEST_F(TupFileChecksTest, CheckFilesExistHonoursEachCheckTypeAndStopsAtTheFirstFailure) {
    Add(L"none.dll", L"C:\\TAV\\none.dll", false, false).SetExistenceCheckType(0);
    Add(L"source.dll", L"C:\\TAV\\source.dll", true, false).SetExistenceCheckType(1);
    Add(L"both.dll", L"C:\\TAV\\both.dll").SetExistenceCheckType(2);
    Add(L"other.dll", L"C:\\TAV\\other.dll", true, false).SetExistenceCheckType(7);
    // A folder of the installed file's name is no file.
    files.AddFolder(L"C:\\TAV\\folder.dll");
    Add(L"folder.dll", L"C:\\TAV\\folder.dll", true, false).SetExistenceCheckType(2);
    Add(L"after.dll", L"C:\\TAV\\after.dll", false, false).SetExistenceCheckType(1);

    EXPECT_EQ(0, updater.CheckFilesExist());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileExists, L"source.dll"},
                       {tav::kTextFileExists, L"source.dll"},
                       {tav::kTextCheckingFileExists, L"both.dll"},
                       {tav::kTextFileExists, L"both.dll"},
                       {tav::kTextCheckingFileExists, L"other.dll"},
                       {tav::kTextFileExists, L"other.dll"},
                       {tav::kTextCheckingFileExists, L"folder.dll"},
                       {tav::kTextInstalledFileMissing, L""}}),
              world.TakeReports());

    // Both missing: both are told before the check stops.
    updater.Files().clear();
    Add(L"gone.dll", L"C:\\TAV\\gone.dll", false, false).SetExistenceCheckType(2);
    EXPECT_EQ(0, updater.CheckFilesExist());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileExists, L"gone.dll"},
                       {tav::kTextPackageFileMissing, L""},
                       {tav::kTextInstalledFileMissing, L""}}),
              world.TakeReports());

    // Type 1 asks only for the package file.
    updater.Files().clear();
    Add(L"gone.dll", L"C:\\TAV\\gone.dll", false, true).SetExistenceCheckType(1);
    EXPECT_EQ(0, updater.CheckFilesExist());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileExists, L"gone.dll"},
                       {tav::kTextPackageFileMissing, L""}}),
              world.TakeReports());

    updater.Files().clear();
    Add(L"both.dll", L"C:\\TAV\\both.dll").SetExistenceCheckType(2);
    EXPECT_EQ(1, updater.CheckFilesExist());
}

TEST_F(TupFileChecksTest, CheckVersionsComparesResourcesOrNumbersAndClearsFilesThatNeedNothing) {
    // Type 1: older, equal, missing installed file, type 0 and an unknown type.
    SetVersion(L"C:\\TAV\\older.dll", 1, 2, 3, 4);
    SetVersion(Source(L"older.dll"), 1, 2, 10, 0);
    Add(L"older.dll", L"C:\\TAV\\older.dll").SetVersionCheckType(1);
    SetVersion(L"C:\\TAV\\equal.dll", 2, 0, 0, 1);
    SetVersion(Source(L"equal.dll"), 2, 0, 0, 1);
    Add(L"equal.dll", L"C:\\TAV\\equal.dll").SetVersionCheckType(1);
    SetVersion(Source(L"new.dll"), 1, 0, 0, 0);
    Add(L"new.dll", L"C:\\TAV\\new.dll", true, false).SetVersionCheckType(1);
    Add(L"plain.txt", L"C:\\TAV\\plain.txt", false, false).SetVersionCheckType(0);
    Add(L"odd.txt", L"C:\\TAV\\odd.txt").SetVersionCheckType(3);

    EXPECT_EQ(0, updater.CheckVersions());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileVersion, L"older.dll"},
                       {tav::kTextInstalledFileOlder, L"older.dll"},
                       {tav::kTextCheckingFileVersion, L"equal.dll"},
                       {tav::kTextInstalledFileSameVersion, L"equal.dll"},
                       {tav::kTextCheckingFileVersion, L"new.dll"},
                       {tav::kTextInstalledFileMissingUpdateNeeded, L"new.dll"},
                       {tav::kTextCheckingFileVersion, L"odd.txt"}}),
              world.TakeReports());
    std::vector<uint32_t> flags;
    for (const auto& file : updater.Files()) flags.push_back(file.UpdateFile());
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 1, 1, 1}), flags);

    // Only equal versions: nothing to update, so the module can be dropped.
    updater.Files().erase(updater.Files().begin());
    updater.Files().erase(updater.Files().begin() + 1);
    updater.Files()[0].SetUpdateFile(1);
    EXPECT_EQ(1, updater.CheckVersions());
    EXPECT_EQ(0u, updater.Files()[0].UpdateFile());
    world.TakeReports();

    // With the administrator's consent the same version is applied again.
    world.manager->SetVersionQuestionConfirmed(true);
    updater.Files()[0].SetUpdateFile(1);
    EXPECT_EQ(0, updater.CheckVersions());
    EXPECT_EQ(1u, updater.Files()[0].UpdateFile());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileVersion, L"equal.dll"},
                       {tav::kTextInstalledFileSameVersion, L"equal.dll"},
                       {tav::kTextSameVersionReplaced, L""},
                       {tav::kTextCheckingFileVersion, L"odd.txt"}}),
              world.TakeReports());
}

TEST_F(TupFileChecksTest, CheckVersionsAbortsOnANewerInstalledFileUnreadableVersionsOrAMissingPackageFile) {
    SetVersion(L"C:\\TAV\\newer.dll", 3, 0, 0, 0);
    SetVersion(Source(L"newer.dll"), 2, 9, 9, 9);
    Add(L"newer.dll", L"C:\\TAV\\newer.dll").SetVersionCheckType(1);
    Add(L"after.dll", L"C:\\TAV\\after.dll").SetVersionCheckType(1);
    EXPECT_EQ(2, updater.CheckVersions());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileVersion, L"newer.dll"},
                       {tav::kTextInstalledFileNewer, L"newer.dll"}}),
              world.TakeReports());

    updater.Files().clear();
    SetVersion(Source(L"noresource.dll"), 1, 0, 0, 0);
    Add(L"noresource.dll", L"C:\\TAV\\noresource.dll").SetVersionCheckType(1);
    EXPECT_EQ(2, updater.CheckVersions());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileVersion, L"noresource.dll"},
                       {tav::kTextFileVersionUnreadable, L"noresource.dll"}}),
              world.TakeReports());

    // A missing package file aborts whatever the type.
    for (uint32_t type : {1u, 2u, 5u}) {
        updater.Files().clear();
        Add(L"missing.dll", L"C:\\TAV\\missing.dll", false, true).SetVersionCheckType(type);
        EXPECT_EQ(2, updater.CheckVersions()) << type;
        EXPECT_EQ((Reports{{tav::kTextCheckingFileVersion, L"missing.dll"},
                           {tav::kTextVersionPackageFileMissing, L"missing.dll"}}),
                  world.TakeReports())
            << type;
    }
}

TEST_F(TupFileChecksTest, VersionCheckTypeTwoUpdatesOnAnyDifferenceAndSkipsOnlyEqualVersions) {
    SetVersion(L"C:\\TAV\\newer.dll", 3, 0, 0, 0);
    SetVersion(Source(L"newer.dll"), 2, 0, 0, 0);
    Add(L"newer.dll", L"C:\\TAV\\newer.dll").SetVersionCheckType(2);
    SetVersion(L"C:\\TAV\\same.dll", 2, 1, 0, 7);
    SetVersion(Source(L"same.dll"), 2, 1, 0, 7);
    Add(L"same.dll", L"C:\\TAV\\same.dll").SetVersionCheckType(2);
    // Without version resources nothing tells the files apart: the file is replaced.
    Add(L"data.bin", L"C:\\TAV\\data.bin").SetVersionCheckType(2);
    Add(L"fresh.dll", L"C:\\TAV\\fresh.dll", true, false).SetVersionCheckType(2);

    EXPECT_EQ(0, updater.CheckVersions());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileVersion, L"newer.dll"},
                       {tav::kTextInstalledFileOlder, L"newer.dll"},
                       {tav::kTextCheckingFileVersion, L"same.dll"},
                       {tav::kTextInstalledFileSameVersion, L"same.dll"},
                       {tav::kTextCheckingFileVersion, L"data.bin"},
                       {tav::kTextInstalledFileOlder, L"data.bin"},
                       {tav::kTextCheckingFileVersion, L"fresh.dll"},
                       {tav::kTextInstalledFileMissingUpdateNeeded, L"fresh.dll"}}),
              world.TakeReports());
    std::vector<uint32_t> flags;
    for (const auto& file : updater.Files()) flags.push_back(file.UpdateFile());
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 1, 1}), flags);

    // A module without version-checked files has nothing to update.
    updater.Files().clear();
    Add(L"a.txt", L"C:\\TAV\\a.txt");
    EXPECT_EQ(1, updater.CheckVersions());
    EXPECT_TRUE(world.TakeReports().empty());
}

TEST_F(TupFileChecksTest, CheckFilesWritableHonoursEachCheckTypeAndClearsReadOnly) {
    Add(L"zero.dll", L"C:\\TAV\\zero.dll", true, false).SetUpdateCheckType(0);
    Add(L"one.dll", L"C:\\TAV\\one.dll", true, false).SetUpdateCheckType(1);
    Add(L"two.dll", L"C:\\TAV\\two.dll", true, false).SetUpdateCheckType(2);
    files.AddFile(L"C:\\TAV\\ro.dll", "old", sys::FileAttribute::ReadOnly | sys::FileAttribute::Archive);
    Add(L"ro.dll", L"C:\\TAV\\ro.dll", true, false).SetUpdateCheckType(1);
    // Types other than 1 make no lock test, so a locked file passes them.
    Add(L"locked2.dll", L"C:\\TAV\\locked2.dll").SetUpdateCheckType(2);
    Add(L"locked3.dll", L"C:\\TAV\\locked3.dll").SetUpdateCheckType(3);
    files.Lock(L"C:\\TAV\\locked2.dll");
    files.Lock(L"C:\\TAV\\locked3.dll");
    Add(L"three.dll", L"C:\\TAV\\three.dll", true, false).SetUpdateCheckType(3);
    Add(L"after.dll", L"C:\\TAV\\after.dll").SetUpdateCheckType(1);

    EXPECT_EQ(0, updater.CheckFilesWritable());
    EXPECT_EQ((Reports{{tav::kTextCheckingFileWritable, L"C:\\TAV\\one.dll"},
                       {tav::kTextFileToWriteMissingSkipped, L"C:\\TAV\\one.dll"},
                       {tav::kTextCheckingFileWritable, L"C:\\TAV\\two.dll"},
                       {tav::kTextFileToWriteMissingSkipped, L"C:\\TAV\\two.dll"},
                       {tav::kTextCheckingFileWritable, L"C:\\TAV\\ro.dll"},
                       {tav::kTextFileWritable, L"C:\\TAV\\ro.dll"},
                       {tav::kTextCheckingFileWritable, L"C:\\TAV\\locked2.dll"},
                       {tav::kTextCheckingFileWritable, L"C:\\TAV\\locked3.dll"},
                       {tav::kTextCheckingFileWritable, L"C:\\TAV\\three.dll"},
                       {tav::kTextFileToWriteMissing, L"C:\\TAV\\three.dll"}}),
              world.TakeReports());
    EXPECT_EQ(sys::FileAttribute::Normal, files.Attributes(L"C:\\TAV\\ro.dll"));
    EXPECT_EQ(1, files.exclusiveAttempts);
    EXPECT_TRUE(world.machine.clock.sleeps.empty());
}

TEST_F(TupFileChecksTest, ALockedFileIsRetriedWithFiveSecondPausesUntilItFrees) {
    Add(L"busy.dll", L"C:\\TAV\\busy.dll").SetUpdateCheckType(1);
    Add(L"next.dll", L"C:\\TAV\\next.dll").SetUpdateCheckType(1);
    files.Lock(L"C:\\TAV\\busy.dll", 4);

    EXPECT_EQ(1, updater.CheckFilesWritable());
    EXPECT_EQ(std::vector<uint32_t>(4, 5000), world.machine.clock.sleeps);
    EXPECT_EQ(5 + 1, files.exclusiveAttempts);
    EXPECT_EQ((Reports{{tav::kTextCheckingFileWritable, L"C:\\TAV\\busy.dll"},
                       {tav::kTextFileWritable, L"C:\\TAV\\busy.dll"},
                       {tav::kTextCheckingFileWritable, L"C:\\TAV\\next.dll"},
                       {tav::kTextFileWritable, L"C:\\TAV\\next.dll"}}),
              world.TakeReports());
    EXPECT_EQ(0, world.owner.statusLines);

    // Freed on the last of the 36 tries still counts.
    world.machine.clock.sleeps.clear();
    files.Lock(L"C:\\TAV\\busy.dll", 35);
    EXPECT_EQ(1, updater.CheckFilesWritable());
    EXPECT_EQ(35u, world.machine.clock.sleeps.size());
}

TEST_F(TupFileChecksTest, AFileThatStaysLockedFailsAfter36TriesAndNamesTheComponentThatHoldsIt) {
    struct Case {
        std::wstring path;
        uint32_t text;
    };
    const Case cases[] = {
        {L"C:\\TAV\\Qelsrv.exe", tav::kTextQelsrvInUse},
        {L"C:\\TAV\\bin\\TavPortUi.dll", tav::kTextTavPortUiInUse},
        {L"C:\\TAV\\TavAps.exe", tav::kTextTavApsInUse},
        // The endings compare case-sensitively.
        {L"C:\\TAV\\qelsrv.exe", tav::kTextFileInUse},
        {L"C:\\TAV\\TAVAPS.EXE", tav::kTextFileInUse},
        {L"C:\\TAV\\Other.dll", tav::kTextFileInUse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tav::ToUtf8(c.path));
        updater.Files().clear();
        world.machine.clock.sleeps.clear();
        files.exclusiveAttempts = 0;
        const int statusLines = world.owner.statusLines;
        Add(L"locked", c.path).SetUpdateCheckType(1);
        Add(L"after.dll", L"C:\\TAV\\after.dll").SetUpdateCheckType(1);
        files.Lock(c.path);

        EXPECT_EQ(0, updater.CheckFilesWritable());
        EXPECT_EQ(36, files.exclusiveAttempts);
        EXPECT_EQ(std::vector<uint32_t>(35, 5000), world.machine.clock.sleeps);
        EXPECT_EQ((Reports{{tav::kTextCheckingFileWritable, c.path},
                           {tav::kTextFileLocked, c.path},
                           {c.text, L""}}),
                  world.TakeReports());
        // Only the component's text also goes to the wizard's status list.
        EXPECT_EQ(statusLines + 1, world.owner.statusLines);
        files.Unlock(c.path);
    }
}

TEST_F(TupFileChecksTest, BackupCopiesEachFileOnceIntoItsPackageFolderAndNeverOverwritesABackup) {
    const std::wstring backup = world.manager->BackupFolder();
    ASSERT_FALSE(backup.empty());
    files.AddFolder(backup);
    Add(L"skipped.dll", L"C:\\TAV\\skipped.dll").SetUpdateFile(0);
    Add(L"notbacked.dll", L"C:\\TAV\\notbacked.dll").SetUpdateCheckType(2);
    Add(L"missing.dll", L"C:\\TAV\\missing.dll", true, false).SetUpdateCheckType(1);
    Add(L"web\\scripts\\app.js", L"C:\\TAV\\web\\app.js").SetUpdateCheckType(3);
    Add(L"web\\page.htm", L"C:\\TAV\\web\\page.htm");
    Add(L"kept.dll", L"C:\\TAV\\kept.dll");
    files.AddFile(backup + L"kept.dll", "first backup");

    EXPECT_EQ(1, updater.BackupFiles());
    EXPECT_EQ((Reports{{tav::kTextBackingUpFile, L"C:\\TAV\\missing.dll"},
                       {tav::kTextNoFileToBackUp, L""},
                       {tav::kTextBackingUpFile, L"C:\\TAV\\web\\app.js"},
                       {tav::kTextFileBackedUp, L"C:\\TAV\\web\\app.js"},
                       {tav::kTextBackingUpFile, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextFileBackedUp, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextBackingUpFile, L"C:\\TAV\\kept.dll"},
                       {tav::kTextBackupAlreadyExists, L""}}),
              world.TakeReports());
    EXPECT_EQ((std::vector<std::wstring>{backup + L"kept.dll", backup + L"web\\",
                                         backup + L"web\\scripts\\",
                                         backup + L"web\\scripts\\app.js",
                                         backup + L"web\\page.htm"}),
              files.List(backup));
    EXPECT_EQ("old web\\scripts\\app.js", files.Read(backup + L"web\\scripts\\app.js"));
    EXPECT_EQ("first backup", files.Read(backup + L"kept.dll"));

    // A second backup in the same folder keeps the first copies.
    files.AddFile(L"C:\\TAV\\web\\page.htm", "changed meanwhile");
    EXPECT_EQ(1, updater.BackupFiles());
    EXPECT_EQ("old web\\page.htm", files.Read(backup + L"web\\page.htm"));
}

TEST_F(TupFileChecksTest, AFailedBackupStopsAndLeavesNoHalfCopyBehind) {
    const std::wstring backup = world.manager->BackupFolder();
    files.AddFolder(backup);
    Add(L"big.dll", L"C:\\TAV\\big.dll");
    Add(L"after.dll", L"C:\\TAV\\after.dll");
    files.FailWritesAfter(3);

    EXPECT_EQ(0, updater.BackupFiles());
    EXPECT_EQ((Reports{{tav::kTextBackingUpFile, L"C:\\TAV\\big.dll"},
                       {tav::kTextFileNotBackedUp, L"C:\\TAV\\big.dll"}}),
              world.TakeReports());
    // A half copy would count as the first backup of a later package of the same run.
    EXPECT_TRUE(files.List(backup).empty());
    EXPECT_EQ("old big.dll", files.Read(L"C:\\TAV\\big.dll"));
    files.FailWritesAfter(static_cast<size_t>(-1));

    // A subfolder that cannot be made.
    updater.Files().clear();
    Add(L"sub\\x.dll", L"C:\\TAV\\x.dll");
    files.DenyCreateIn(backup);
    EXPECT_EQ(0, updater.BackupFiles());
    EXPECT_EQ((Reports{{tav::kTextBackingUpFile, L"C:\\TAV\\x.dll"},
                       {tav::kTextBackupSubfolderNotCreated, L""}}),
              world.TakeReports());
}

TEST_F(TupFileChecksTest, TargetsOfOnePackageFileEachGetABackupOfTheirOwnNamedInTheLog) {
    const std::wstring backup = world.manager->BackupFolder();
    files.AddFolder(backup);
    Add(L"web\\page.htm", L"C:\\TAV\\web1\\page.htm");
    Add(L"web\\page.htm", L"C:\\TAV\\web2\\page.htm");
    Add(L"web\\page.htm", L"C:\\TAV\\web3\\page.htm");
    Add(L"web\\page.htm", L"C:\\TAV\\WEB2\\page.htm");  // the second target again
    files.AddFile(L"C:\\TAV\\web2\\page.htm", "old web2");
    files.AddFile(L"C:\\TAV\\web3\\page.htm", "old web3");
    // A name that is taken on disk is passed over.
    files.AddFile(backup + L"web\\page~3.htm", "someone's");

    EXPECT_EQ(1, updater.BackupFiles());
    EXPECT_EQ((Reports{{tav::kTextBackingUpFile, L"C:\\TAV\\web1\\page.htm"},
                       {tav::kTextFileBackedUp, L"C:\\TAV\\web1\\page.htm"},
                       {tav::kTextBackingUpFile, L"C:\\TAV\\web2\\page.htm"},
                       {tav::kTextFileBackedUp, L"C:\\TAV\\web2\\page.htm -> web\\page~2.htm"},
                       {tav::kTextBackingUpFile, L"C:\\TAV\\web3\\page.htm"},
                       {tav::kTextFileBackedUp, L"C:\\TAV\\web3\\page.htm -> web\\page~4.htm"},
                       {tav::kTextBackingUpFile, L"C:\\TAV\\WEB2\\page.htm"},
                       {tav::kTextBackupAlreadyExists, L""}}),
              world.TakeReports());
    EXPECT_EQ("old web\\page.htm", files.Read(backup + L"web\\page.htm"));
    EXPECT_EQ("old web2", files.Read(backup + L"web\\page~2.htm"));
    EXPECT_EQ("old web3", files.Read(backup + L"web\\page~4.htm"));

    // Another updater of the run finds each target's own backup and keeps it.
    files.AddFile(L"C:\\TAV\\web2\\page.htm", "changed meanwhile");
    EXPECT_EQ(1, updater.BackupFiles());
    for (const Seen& seen : world.TakeReports()) EXPECT_NE(tav::kTextFileBackedUp, seen.id);
    EXPECT_EQ("old web2", files.Read(backup + L"web\\page~2.htm"));
}

}  // namespace
