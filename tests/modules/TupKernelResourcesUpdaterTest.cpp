// The core server's resources updater: job ticket folder, resource path placeholders, their
// conditions, registry defaults and the synchronization compatibility value.
#include "modules/TupKernelResourcesUpdater.h"

#include <gtest/gtest.h>

#include "modules/ServerUpdaterTestWorld.h"

namespace {

using namespace server_tests;

TEST(TupKernelResourcesUpdaterTest, PreparesEveryResourcePathWithReportsInOrder) {
    ServerWorld world;
    world.Put(L"REPORTSERVERPATH", L"D:\\Reports\\");
    world.Put(L"POSPATH", L"D:\\Pos\\Pos.exe");
    world.Put(L"GSRIPPATH", L"");
    world.Put(L"TAVCLNTMSIPATH", L"C:\\TAV\\Client\\TavClntMsi.exe");
    world.Put(L"TAVISSPATH", L"E:\\iss.exe");
    world.machine.files.AddFile(L"C:\\Update\\package\\bin\\a.dll");
    world.SetMinimumRequiredVersion(L"1.510.1.0");
    world.Manager().SetEnforceSyncCompatibility(1);
    auto& updater = world.Make<CTupKernelResourcesUpdater>();
    updater.Files() = {MakeFile(L"jt.xml", L"[$TAV_POSJTCONFIGFOLDER]jt\\[$TAV_POSJTCONFIGFOLDER]jt.xml"),
                       MakeFile(L"r.dll", L"[$TAV_REPORTSERVERPATH]r.dll"),
                       // Only the first placeholder found is replaced, every time it occurs.
                       MakeFile(L"p.ini", L"[$TAV_POSPATH].ini|[$TAV_POSPATH]|[$TAV_GSRIPPATH]"),
                       MakeFile(L"c.cfg", L"[$TAV_TAVCLNTMSIPATH].cfg"),
                       MakeFile(L"d.cfg", L"[$TAV_IGV2PORTDRIVERMSIPATH].cfg"),
                       // Without a RIP path the placeholder stays: no relative target.
                       MakeFile(L"gs.dll", L"[$TAV_GSRIPPATH]gs.dll"),
                       MakeFile(L"bin\\*.dll", L"[$TN_INSTALL_PATH]bin\\x.dll")};

    EXPECT_EQ(1, updater.PrepareUpdate());

    EXPECT_EQ((Strings{L"C:\\TAV\\bin\\a.dll", L"C:\\TAV\\jt\\C:\\TAV\\jt.xml", L"D:\\Reports\\r.dll",
                       L"D:\\Pos\\Pos.exe.ini|D:\\Pos\\Pos.exe|[$TAV_GSRIPPATH]",
                       L"C:\\TAV\\Client\\TavClntMsi.exe.cfg", L"C:\\TAV\\IgV2PortDriverMsi.exe.cfg",
                       L"[$TAV_GSRIPPATH]gs.dll"}),
              ServerWorld::InstallPaths(updater));
    const std::wstring& key = kProductKey;
    EXPECT_EQ(Then({{{tav::kTextUsingPath, L"C:\\TAV\\"},
                     {tav::kTextInstallPathsChanged, L"1"},
                     {tav::kTextPreparingResourcePaths, L""}},
                    Written(key, L"POSJTCONFIGFOLDER", L"C:\\TAV\\"),
                    Found(key, L"TAVCLNTMSIPATH", L"C:\\TAV\\Client\\TavClntMsi.exe"),
                    Written(key, L"IGV2PORTDRIVERMSIPATH", L"C:\\TAV\\IgV2PortDriverMsi.exe"),
                    {{tav::kTextReplacingResourcePaths, L""},
                     {tav::kTextUsingPath, L"D:\\Reports\\"},
                     {tav::kTextUsingPath, L"D:\\Pos\\Pos.exe"},
                     {tav::kTextUsingPath, L"C:\\TAV\\Client\\TavClntMsi.exe"},
                     {tav::kTextUsingPath, L"C:\\TAV\\IgV2PortDriverMsi.exe"},
                     {tav::kTextUsingPath, L""},
                     {tav::kTextInstallPathsChanged, L"4"},
                     {tav::kTextExpandingFilePatterns, L""},
                     {tav::kTextFileEntryCount, L"7"},
                     {tav::kTextExpandingFilePattern, L"bin\\*.dll"},
                     {tav::kTextFileEntryAdded, L""},
                     {tav::kTextFilePatternRemoved, L"bin\\*.dll"},
                     {tav::kTextFilePatternsExpanded, L""},
                     {tav::kTextFileEntryCount, L"7"}},
                    Written(key, L"JawsEnginePath", L"C:\\TAV\\"),
                    Written(key, L"PclxlEnginePath", L"C:\\TAV\\"),
                    Found(key, L"TAVISSPATH", L"E:\\iss.exe"),
                    Written(key, L"ADLIBCLIENTPATH", L"C:\\TAV\\AdlibClient.exe"),
                    Written(key, L"EAIKEYSTOREFOLDER", L"C:\\TAV\\eaikeystore\\"),
                    {{tav::kTextWritingRegistryValue, key + L"\\UseTrustedCommunication"}}}),
              world.TakeReports());
    EXPECT_EQ(0, world.Dword(L"UseTrustedCommunication"));
    EXPECT_EQ(L"E:\\iss.exe", world.Get(L"TAVISSPATH"));
    EXPECT_EQ(L"C:\\TAV\\eaikeystore\\", world.Get(L"EAIKEYSTOREFOLDER"));
    EXPECT_EQ(L"", world.Get(L"GSRIPPATH"));
    EXPECT_FALSE(world.machine.registry.KeyExists(sys::RegistryRoot::LocalMachine, kProduct,
                                                  sys::RegistryView::Bits64));
}

TEST(TupKernelResourcesUpdaterTest, PathPlaceholdersNeedReportAndPosPathsAndARipPathOrARelease) {
    struct Case {
        const wchar_t* reportPath;
        const wchar_t* posPath;
        const wchar_t* ripPath;
        const wchar_t* minimumVersion;
        bool apply;
    };
    const Case cases[] = {
        {L"D:\\R\\", L"D:\\P.exe", L"D:\\Rip\\", L"", true},
        {L"D:\\R\\", L"D:\\P.exe", L"", L"1.510.1.0", true},
        {L"D:\\R\\", L"D:\\P.exe", L"", L"1.498.1.0", true},
        {L"D:\\R\\", L"D:\\P.exe", L"", L"1.510.1.1", false},
        {L"D:\\R\\", L"D:\\P.exe", L"", L"1.510.1", false},
        {L"D:\\R\\", L"D:\\P.exe", L"", L"", false},
        {L"", L"D:\\P.exe", L"D:\\Rip\\", L"1.510.1.0", false},
        {L"D:\\R\\", L"", L"D:\\Rip\\", L"1.498.1.0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tav::ToUtf8(std::wstring(c.reportPath) + L"|" + c.posPath + L"|" + c.ripPath +
                                 L"|" + c.minimumVersion));
        ServerWorld world;
        world.Put(L"REPORTSERVERPATH", c.reportPath);
        world.Put(L"POSPATH", c.posPath);
        world.Put(L"GSRIPPATH", c.ripPath);
        world.Put(L"POSJTCONFIGFOLDER", L"D:\\Jt\\");
        world.SetMinimumRequiredVersion(c.minimumVersion);
        world.Manager().SetEnforceSyncCompatibility(1);
        auto& updater = world.Make<CTupKernelResourcesUpdater>();
        updater.Files() = {MakeFile(L"r.dll", L"[$TAV_REPORTSERVERPATH]r.dll"),
                           MakeFile(L"jt.xml", L"[$TAV_POSJTCONFIGFOLDER]jt.xml"),
                           MakeFile(L"*.none", L"[$TN_INSTALL_PATH]x")};

        EXPECT_EQ(1, updater.PrepareUpdate());

        // The job ticket folder is put in either way.
        const Strings applied{std::wstring(c.reportPath) + L"r.dll", L"D:\\Jt\\jt.xml"};
        const Strings left{L"[$TAV_REPORTSERVERPATH]r.dll", L"D:\\Jt\\jt.xml", L"C:\\TAV\\x"};
        EXPECT_EQ(c.apply ? applied : left, ServerWorld::InstallPaths(updater));
        const Reports reports = world.TakeReports();
        const bool incomplete = reports.back() == Seen{tav::kTextResourcePathsIncomplete, L""};
        EXPECT_EQ(!c.apply, incomplete);
        EXPECT_EQ(c.apply ? L"C:\\TAV\\TavISS.exe" : L"<none>", world.Get(L"TAVISSPATH"));
        EXPECT_EQ(c.apply ? L"C:\\TAV\\TavClntMsi.exe" : L"<none>", world.Get(L"TAVCLNTMSIPATH"));
        EXPECT_EQ(c.apply ? 0 : -1, world.Dword(L"UseTrustedCommunication"));
    }
}

TEST(TupKernelResourcesUpdaterTest, UseTrustedCommunicationIsOnlyEverWrittenZero) {
    for (uint32_t enforce : {0u, 1u}) {
        ServerWorld world;
        world.Put(L"REPORTSERVERPATH", L"D:\\R\\");
        world.Put(L"POSPATH", L"D:\\P.exe");
        world.Put(L"GSRIPPATH", L"D:\\Rip\\");
        world.machine.registry.PutDword(sys::RegistryRoot::LocalMachine, kProduct,
                                        sys::RegistryView::Bits32, L"UseTrustedCommunication", 1);
        world.Manager().SetEnforceSyncCompatibility(enforce);
        EXPECT_EQ(1, world.Make<CTupKernelResourcesUpdater>().PrepareUpdate());
        EXPECT_EQ(enforce ? 0 : 1, world.Dword(L"UseTrustedCommunication")) << enforce;
        const Reports reports = world.TakeReports();
        EXPECT_EQ(enforce == 1, reports.back().id == tav::kTextWritingRegistryValue);
    }
}

TEST(TupKernelResourcesUpdaterTest, RefusedRegistryWritesLeavePlaceholdersAndStopBeforeTheSetupPaths) {
    ServerWorld world;
    world.Put(L"REPORTSERVERPATH", L"D:\\R\\");
    world.Put(L"POSPATH", L"D:\\P.exe");
    world.Put(L"GSRIPPATH", L"D:\\Rip\\");
    auto& updater = world.Make<CTupKernelResourcesUpdater>();
    updater.Files() = {MakeFile(L"jt.xml", L"[$TAV_POSJTCONFIGFOLDER]jt.xml"),
                       MakeFile(L"*.dll", L"[$TAV_POSPATH]x.dll")};
    RefusedRegistryWrites refused;

    // The failed writes are not the updater's failure; the values read back empty.
    EXPECT_EQ(1, updater.PrepareUpdate());

    EXPECT_EQ((Strings{L"[$TAV_POSJTCONFIGFOLDER]jt.xml", L"[$TAV_POSPATH]x.dll"}),
              ServerWorld::InstallPaths(updater));
    const Reports reports = world.TakeReports();
    EXPECT_EQ((Reports{{tav::kTextRegistryValue, kProductKey + L"\\IGV2PORTDRIVERMSIPATH = \"\""},
                       {tav::kTextResourcePathsIncomplete, L""}}),
              Reports(reports.end() - 2, reports.end()));
    EXPECT_EQ(L"<none>", world.Get(L"POSJTCONFIGFOLDER"));
}

}  // namespace
