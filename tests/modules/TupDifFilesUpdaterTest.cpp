// The device description files updater: the device folder from the registry, the folder in
// the installation paths, and the deletion of obsolete device files.
#include "modules/TupDifFilesUpdater.h"

#include <gtest/gtest.h>

#include <set>

#include "modules/ModuleTestWorld.h"

namespace {

using module_tests::HasId;
using module_tests::kProductKey;
using module_tests::kTavApsKey;
using module_tests::MakeFile;
using module_tests::ModuleWorld;
using module_tests::Reports;
using module_tests::Strings;

constexpr const wchar_t* kDevices = L"D:\\Devices\\";

class TupDifFilesUpdaterTest : public ::testing::Test {
protected:
    TupDifFilesUpdaterTest() {
        world.PutString(kProductKey, L"DIFPATH", kDevices);
        files.AddFolder(kDevices);
    }

    // The reports of deleting folder + name, as the loop gives them.
    static Reports Deletion(const std::wstring& path, bool deleted) {
        if (deleted) return {{tav::kTextDeletingObsoleteDeviceFile, path}, {tav::kTextObsoleteDeviceFileGone, L""}};
        return {{tav::kTextDeletingObsoleteDeviceFile, path}, {tav::kTextObsoleteDeviceFileNotDeleted, path}};
    }

    ModuleWorld world;
    fakes::FakeFiles& files = world.machine.files;
    std::unique_ptr<CTupDifFilesUpdater> updater = world.Make<CTupDifFilesUpdater>();
};

TEST_F(TupDifFilesUpdaterTest, ThirteenDeviceDescriptionsThenTheDeviceData) {
    const Strings& names = CTupDifFilesUpdater::ObsoleteDeviceFiles();
    ASSERT_EQ(13u, names.size());
    EXPECT_EQ(13u, std::set<std::wstring>(names.begin(), names.end()).size());
    for (const std::wstring& name : names) {
        EXPECT_TRUE(tav::FoldEquals(std::wstring_view(name).substr(name.size() - 4), L".xml"))
            << tav::ToUtf8(name);
    }
}

TEST_F(TupDifFilesUpdaterTest, DeletesTheObsoleteFilesInOrderAndMakesReadOnlyOnesWritableFirst) {
    const Strings& names = CTupDifFilesUpdater::ObsoleteDeviceFiles();
    files.AddFile(kDevices + names[0]);
    files.AddFile(kDevices + names[5], "", sys::FileAttribute::ReadOnly | sys::FileAttribute::Hidden);
    files.AddFolder(kDevices + names[7]);  // a folder of that name is left alone
    files.AddFile(std::wstring(kDevices) + L"DifBase.dat");
    files.AddFile(std::wstring(kDevices) + L"Current.xml");

    EXPECT_EQ(1, updater->PrepareUpdate());

    EXPECT_EQ((Strings{L"D:\\Devices\\" + names[7] + L"\\",
                       L"D:\\Devices\\Current.xml"}),
              files.List(kDevices));
    Reports expected;
    for (const std::wstring& name : names) {
        const Reports one = Deletion(kDevices + name, true);
        expected.insert(expected.end(), one.begin(), one.end());
    }
    const Reports last = Deletion(std::wstring(kDevices) + L"DifBase.dat", true);
    expected.insert(expected.end(), last.begin(), last.end());
    const Reports reports = world.TakeReports();
    ASSERT_GE(reports.size(), expected.size());
    EXPECT_EQ(expected, Reports(reports.end() - static_cast<std::ptrdiff_t>(expected.size()), reports.end()));
}

TEST_F(TupDifFilesUpdaterTest, AReadOnlyDeviceDataFileStaysAndFailsThePreparation) {
    const Strings& names = CTupDifFilesUpdater::ObsoleteDeviceFiles();
    files.AddFile(kDevices + names[0], "", sys::FileAttribute::ReadOnly);
    files.AddFile(std::wstring(kDevices) + L"DifBase.dat", "", sys::FileAttribute::ReadOnly);

    EXPECT_EQ(0, updater->PrepareUpdate());
    EXPECT_FALSE(files.Exists(kDevices + names[0]));
    EXPECT_TRUE(files.Exists(std::wstring(kDevices) + L"DifBase.dat"));
    EXPECT_EQ(sys::FileAttribute::ReadOnly, files.Attributes(std::wstring(kDevices) + L"DifBase.dat"));
    EXPECT_TRUE(module_tests::HasRun(world.TakeReports(),
                                     Deletion(std::wstring(kDevices) + L"DifBase.dat", false)));
}

TEST_F(TupDifFilesUpdaterTest, AFileThatCannotBeDeletedFailsThePreparationAndTheOthersStillGo) {
    const Strings& names = CTupDifFilesUpdater::ObsoleteDeviceFiles();
    files.AddFile(kDevices + names[2]);
    files.DenyDelete(kDevices + names[2]);
    files.AddFile(kDevices + names[3]);
    files.AddFile(kDevices + names[4]);
    files.Lock(kDevices + names[4]);
    files.AddFile(std::wstring(kDevices) + L"DifBase.dat");

    EXPECT_EQ(0, updater->PrepareUpdate());
    EXPECT_TRUE(files.Exists(kDevices + names[2]));
    EXPECT_FALSE(files.Exists(kDevices + names[3]));
    EXPECT_TRUE(files.Exists(kDevices + names[4]));
    EXPECT_FALSE(files.Exists(std::wstring(kDevices) + L"DifBase.dat"));
    const Reports reports = world.TakeReports();
    EXPECT_TRUE(module_tests::HasRun(reports, Deletion(kDevices + names[2], false)));
    EXPECT_TRUE(module_tests::HasRun(reports, Deletion(kDevices + names[4], false)));
}

TEST_F(TupDifFilesUpdaterTest, TheDeviceFolderGoesIntoTheInstallationPathsBeforeThePatternsAreExpanded) {
    files.AddFile(std::wstring(ModuleWorld::kPackage) + L"dif\\new1.xml");
    files.AddFile(std::wstring(ModuleWorld::kPackage) + L"dif\\new2.xml");
    updater->Files() = {MakeFile(L"dif\\*.xml", L"[$TAV_DIFPATH]x.xml"),
                        MakeFile(L"dif\\DifBase.dat", L"[$TAV_DIFPATH]DifBase.dat"),
                        MakeFile(L"bin\\a.dll", L"[$TN_INSTALL_PATH]a.dll")};

    EXPECT_EQ(1, updater->PrepareUpdate());
    Strings installed;
    for (const CTupModuleFile& file : updater->Files()) installed.push_back(file.InstallationFile());
    EXPECT_EQ((Strings{L"D:\\Devices\\new2.xml", L"D:\\Devices\\new1.xml", L"D:\\Devices\\DifBase.dat",
                       L"C:\\TAV\\a.dll"}),
              installed);
    const Reports reports = world.TakeReports();
    EXPECT_TRUE(module_tests::HasRun(
        reports, {{tav::kTextPreparingDevicePath, L""}}));
    EXPECT_TRUE(module_tests::HasRun(reports, {{tav::kTextReplacingDevicePath, L""},
                                               {tav::kTextUsingPath, kDevices}}));
    EXPECT_TRUE(HasId(reports, tav::kTextExpandingFilePatterns));
}

TEST_F(TupDifFilesUpdaterTest, TheRemoteServerKeyNamesTheFolderAndGivesItToTheProductKeyWhenItHasNone) {
    struct Case {
        const char* name;
        bool tavAps;
        std::wstring productValue;    // empty: none
        std::wstring remoteValue;     // empty: none
        std::wstring used;            // empty: the preparation fails
        std::wstring productAfter;
    } cases[] = {
        {"core server", false, L"D:\\Devices\\", L"E:\\Remote\\", L"D:\\Devices\\", L"D:\\Devices\\"},
        {"core server without a folder", false, L"", L"E:\\Remote\\", L"", L"<none>"},
        {"remote server", true, L"", L"E:\\Remote\\", L"E:\\Remote\\", L"E:\\Remote\\"},
        {"remote server, product folder kept", true, L"D:\\Devices\\", L"E:\\Remote\\", L"E:\\Remote\\",
         L"D:\\Devices\\"},
        {"remote server without a folder", true, L"D:\\Devices\\", L"", L"", L"D:\\Devices\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleWorld world(c.tavAps ? Strings{L"TavAps.exe"} : Strings{L"Qelsrv.exe"});
        if (!c.productValue.empty()) world.PutString(kProductKey, L"DIFPATH", c.productValue);
        if (!c.remoteValue.empty()) world.PutString(kTavApsKey, L"DIFPATH", c.remoteValue);
        world.machine.files.AddFolder(L"D:\\Devices");
        world.machine.files.AddFolder(L"E:\\Remote");
        world.machine.files.AddFile(L"D:\\Devices\\DifBase.dat");
        world.machine.files.AddFile(L"E:\\Remote\\DifBase.dat");
        auto updater = world.Make<CTupDifFilesUpdater>();
        updater->Files() = {MakeFile(L"a.xml", L"[$TAV_DIFPATH]a.xml")};

        EXPECT_EQ(c.used.empty() ? 0 : 1, updater->PrepareUpdate());
        EXPECT_EQ(c.productAfter, world.String(kProductKey, L"DIFPATH"));
        const Reports reports = world.TakeReports();
        if (c.used.empty()) {
            EXPECT_TRUE(module_tests::HasRun(reports, {{tav::kTextDevicePathNotSet, L""}}));
            EXPECT_FALSE(HasId(reports, tav::kTextDeletingObsoleteDeviceFile));
            EXPECT_FALSE(HasId(reports, tav::kTextExpandingFilePatterns));
            EXPECT_TRUE(world.machine.files.Exists(L"D:\\Devices\\DifBase.dat"));
            EXPECT_TRUE(world.machine.files.Exists(L"E:\\Remote\\DifBase.dat"));
        } else {
            EXPECT_EQ(c.used + L"a.xml", updater->Files()[0].InstallationFile());
            EXPECT_FALSE(world.machine.files.Exists(c.used + L"DifBase.dat"));
            // Only the folder in use loses its device data.
            const std::wstring other = c.used == L"E:\\Remote\\" ? L"D:\\Devices\\" : L"E:\\Remote\\";
            EXPECT_TRUE(world.machine.files.Exists(other + L"DifBase.dat"));
        }
    }
}

TEST_F(TupDifFilesUpdaterTest, AFolderValueWithoutItsBackslashDeletesInsideTheFolderNotBesideIt) {
    world.PutString(kProductKey, L"DIFPATH", L"D:\\Devices");
    files.AddFile(L"D:\\Devices\\DifBase.dat");
    files.AddFile(L"D:\\DevicesDifBase.dat");

    EXPECT_EQ(1, updater->PrepareUpdate());
    EXPECT_FALSE(files.Exists(L"D:\\Devices\\DifBase.dat"));
    EXPECT_TRUE(files.Exists(L"D:\\DevicesDifBase.dat"));
}

}  // namespace
