// Staging while the services run and swapping while they are down: every way a swap can go
// ends as the copy did, a file changed after its check is checked again, and a staging that
// fails leaves nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "signature/SignatureFactory.h"
#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

using updater_tests::MakeFile;
using updater_tests::Seen;
using updater_tests::UpdaterWorld;
using Reports = std::vector<Seen>;

const std::wstring kSuffix = CTupModuleUpdater::kStagingSuffix;

// One module of four files in a world of its own: two in the installation, one the package
// adds to an existing folder, one outside the installation.
struct StagingRun {
    StagingRun() {
        for (const auto& [name, installed] : kFiles) {
            files.AddFile(UpdaterWorld::kPackage + name, "new " + tav::ToUtf8(name));
            if (name != L"added.dll") files.AddFile(installed, "old " + tav::ToUtf8(name));
            world.updater.Files().push_back(MakeFile(name, installed));
        }
        files.AddFolder(world.manager->BackupFolder());
    }

    // Staging as the run drives it before the stop.
    int Stage() {
        std::vector<std::wstring> paths;
        uint64_t bytes = 0;
        world.updater.PlanStaging(paths, bytes);
        EXPECT_EQ(kFiles.size(), paths.size());
        return world.updater.StageFiles();
    }

    // The backup and file steps as the run drives them after the stop; between runs while the
    // services would still run, after staging.
    Reports Run(bool staged, const std::function<void()>& beforeStop = [] {}) {
        if (staged) {
            EXPECT_EQ(1, Stage());
            // Staging shows each file as the current action, and nothing more.
            EXPECT_EQ(kFiles.size(), world.TakeReports().size());
        }
        beforeStop();
        EXPECT_EQ(1, world.updater.BackupFiles());
        EXPECT_EQ(1, world.updater.ApplyUpdate());
        world.updater.EndStaging();
        return world.TakeReports();
    }

    static inline const std::vector<std::pair<std::wstring, std::wstring>> kFiles{
        {L"a.dll", L"C:\\TAV\\a.dll"},
        {L"web\\page.htm", L"C:\\TAV\\web\\page.htm"},
        {L"added.dll", L"C:\\TAV\\added.dll"},
        {L"print\\x.dll", L"D:\\Print\\x.dll"},
    };
    UpdaterWorld world;
    fakes::FakeFiles& files = world.machine.files;
};

TEST(TupFileStagingTest, EveryWayASwapCanGoEndsAsTheCopyDidWithTheSameReports) {
    StagingRun copied;
    const Reports reference = copied.Run(false);

    for (const sys::SwapResult end : {sys::SwapResult::Swapped, sys::SwapResult::Refused, sys::SwapResult::OldAtBackup}) {
        SCOPED_TRACE(static_cast<int>(end));
        StagingRun run;
        run.files.swapsEnd = end;
        EXPECT_EQ(reference, run.Run(true));
        const std::wstring backup = run.world.manager->BackupFolder();
        for (const auto& [name, installed] : StagingRun::kFiles) {
            EXPECT_EQ("new " + tav::ToUtf8(name), run.files.Read(installed)) << tav::ToUtf8(name);
            EXPECT_FALSE(run.files.Exists(installed + kSuffix)) << tav::ToUtf8(name);
            if (name != L"added.dll") {
                EXPECT_EQ(copied.files.Read(backup + name), run.files.Read(backup + name));
            }
        }
        std::vector<std::wstring> expected = copied.files.List(backup), found = run.files.List(backup);
        std::sort(expected.begin(), expected.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(expected, found);
        // Only the two installed files in the installation are swapped; the one elsewhere
        // keeps a copied backup.
        EXPECT_EQ(2, run.files.swaps);
    }
}

TEST(TupFileStagingTest, AFileChangedAfterItsCheckIsCheckedAgainOnceTheServicesAreDown) {
    const std::wstring page = L"C:\\TAV\\web\\page.htm";
    const std::wstring todoCopy = L"C:\\TAV\\_todo\\web\\page.htm";
    const auto sign = [](const std::wstring& path) { ASSERT_TRUE(CreateSignatureForFile(path)->Sign(path)); };
    struct Case {
        const char* name;
        bool signedAtCheck;
        bool signedAtStop;
    };
    for (const Case& c : {Case{"changed by hand after a clean check", true, false},
                          Case{"signed again after a check that found changes", false, true}}) {
        SCOPED_TRACE(c.name);
        StagingRun run;
        run.world.updater.Files()[1].SetUserCustomizationCheckPlanned(1);
        run.files.AddFile(page, "<html><body>delivered</body></html>\n");
        if (c.signedAtCheck) sign(page);
        run.Run(true, [&] {
            run.files.AddFile(page, "<html><body>edited while the server ran, longer</body></html>\n");
            if (c.signedAtStop) sign(page);
        });
        EXPECT_EQ(!c.signedAtStop, run.files.Exists(todoCopy));
    }
}

TEST(TupFileStagingTest, AStagingThatFailsReportsTheFileAndLeavesNothingStaged) {
    struct Case {
        const char* name;
        std::function<void(StagingRun&)> arrange;
        Reports expected;
    };
    const Case cases[] = {
        {"disk full", [](StagingRun& run) { run.files.FailWritesAfter(10); },
         {{tav::kTextUpdatingFile, L"C:\\TAV\\web\\page.htm"}, {tav::kTextFileNotCopied, L"C:\\TAV\\web\\page.htm"}}},
        {"package file missing", [](StagingRun& run) { run.files.Remove(UpdaterWorld::kPackage + std::wstring(L"added.dll")); },
         {{tav::kTextUpdatingFile, L"C:\\TAV\\added.dll"}, {tav::kTextUpdatePackageFileMissing, L""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StagingRun run;
        c.arrange(run);
        EXPECT_EQ(0, run.Stage());
        // The current actions of the files staged so far come first.
        const Reports seen = run.world.TakeReports();
        ASSERT_GE(seen.size(), c.expected.size());
        EXPECT_EQ(c.expected, Reports(seen.end() - static_cast<std::ptrdiff_t>(c.expected.size()), seen.end()));
        for (const auto& [name, installed] : StagingRun::kFiles) {
            EXPECT_FALSE(run.files.Exists(installed + kSuffix)) << tav::ToUtf8(name);
            if (name != L"added.dll") {
                EXPECT_EQ("old " + tav::ToUtf8(name), run.files.Read(installed));
            }
        }
    }
}

}  // namespace
