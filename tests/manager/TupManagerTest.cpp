// The update manager on a fake machine: what it finds out, which package containers it queues,
// how it loads them and creates their updaters.
#include "manager/TupManager.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/lang/StringBase.h"
#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "manager/TupClassFactory.h"
#include "updater/TupModuleUpdater.h"

namespace {

using sys::RegistryRoot;
using sys::RegistryView;

const std::wstring kProductPath = L"SOFTWARE\\Kelmark\\Tav";

class TupManagerTest : public ::testing::Test {
protected:
    TupManagerTest() {
        machine.UseHostFiles();  // config.xml is a real file
        machine.program.path = folder.PathOf("") + L"TavUpdateWizard.exe";
    }

    void WriteConfig(const std::string& items) {
        folder.Write("config.xml", "<?xml version=\"1.0\"?>\n<CONFIG>" + items + "</CONFIG>\n");
    }

    void Run(uint32_t id, const std::wstring& path) { machine.processes.processes.push_back({id, path}); }

    std::unique_ptr<CTupManager> Make(uint32_t enforce = 0) {
        enforceUpdate = enforce;
        return std::make_unique<CTupManager>(&texts, &language, enforceUpdate);
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
    CStringBase texts;
    std::wstring language = L"EN";
    uint32_t enforceUpdate = 0;
};

TEST_F(TupManagerTest, WithoutProductProcessNothingIsInstalledAndTheDefaultPackageIsQueued) {
    auto manager = Make();
    EXPECT_TRUE(manager->InstallFolder().empty());
    EXPECT_TRUE(manager->InstalledVersion().empty());
    EXPECT_TRUE(manager->BackupFolder().empty());
    EXPECT_EQ(L"Qelsrv.exe", manager->MainExecutableName());
    EXPECT_EQ(folder.PathOf(""), manager->ProgramFolder());
    EXPECT_EQ(folder.PathOf("") + L"package\\", manager->PackageFolder());
    EXPECT_EQ(L"unknown_version", manager->PackageVersion());
    EXPECT_EQ(L"20261208_093000000", manager->TimeStamp());
    EXPECT_EQ(1024u, manager->RequiredDiskSpaceMb());
    EXPECT_FALSE(manager->IsCluster());
    // The missing "Tarnova_Update" is queued all the same; loading it changes nothing.
    EXPECT_EQ(1u, manager->PendingPackageCount());
    EXPECT_TRUE(manager->LoadNextPackage());
    EXPECT_FALSE(manager->LoadNextPackage());
    EXPECT_TRUE(manager->Updaters().empty());
    // The debug privilege is switched on for the scans and off again.
    EXPECT_EQ((std::vector<bool>{true, false}), machine.processes.privilegeChanges);
    EXPECT_TRUE(machine.clock.sleeps.empty());
}

TEST_F(TupManagerTest, TheRunningServerGivesInstallFolderVersionsAndBackupFolder) {
    Run(4, L"C:\\Windows\\System32\\svchost.exe");
    Run(8, L"C:\\Program Files\\Kelmark\\Tav\\Qelsrv.exe");
    machine.RecordInstallFolder(L"C:\\Program Files\\Kelmark\\Tav");
    machine.versions.Set(L"C:\\PROGRAM FILES\\KELMARK\\TAV\\Qelsrv.exe", 7, 2, 10, 1000, 7, 2, 0, 0);
    machine.versions.Set(folder.PathOf("") + L"package\\Qelsrv.exe", 7, 3, 0, 12, 7, 3, 0, 0);
    machine.clock.unixStart = 0;  // the backup name's digits come from the runtime's rand()
    auto manager = Make();
    EXPECT_TRUE(manager->RunsQelsrv());
    EXPECT_FALSE(manager->RunsTavAps());
    EXPECT_EQ(L"C:\\PROGRAM FILES\\KELMARK\\TAV\\", manager->InstallFolder());
    EXPECT_EQ(L"7.2.10.1000", manager->InstalledVersion());
    EXPECT_EQ(L"7.3.0.12", manager->PackageVersion());
    // One second's wait, then srand(1): the first rand() of the Windows runtime is 41.
    EXPECT_EQ((std::vector<uint32_t>{1000}), machine.clock.sleeps);
    EXPECT_EQ(L"C:\\PROGRAM FILES\\KELMARK\\TAV\\_TupBkp\\20261208_093000000_7.2.10.1000_00000041\\",
              manager->BackupFolder());
}

TEST_F(TupManagerTest, TavApsMachinesUseTheRemotePrintServerPackage) {
    WriteConfig(
        "<ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
        "<ITEM key=\"ComponentName\" type=\"OCString\">server</ITEM></ITEM>"
        "<ITEM key=\"Tarnova_RVX_Update\" type=\"OCContainer\">"
        "<ITEM key=\"ComponentName\" type=\"OCString\">remote</ITEM></ITEM>");
    Run(5, L"d:\\aps\\tavaps.exe");
    machine.RecordInstallFolder(L"D:\\Aps\\");
    auto manager = Make();
    EXPECT_EQ(L"TavAps.exe", manager->MainExecutableName());
    EXPECT_EQ(L"D:\\APS\\", manager->InstallFolder());
    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_EQ(L"remote", manager->ComponentName());
    EXPECT_FALSE(manager->LoadNextPackage());
}

TEST_F(TupManagerTest, MantleboxAloneIsTheMainExecutableOnlyWithoutTheServer) {
    Run(7, L"E:\\Box\\TavMantlebox.exe");
    Run(9, L"C:\\Tav\\Qelsrv.exe");
    machine.RecordInstallFolder(L"E:\\Box\\");
    {
        auto manager = Make();
        EXPECT_EQ(L"TavMantlebox.exe", manager->MainExecutableName());
        EXPECT_EQ(L"E:\\BOX\\", manager->InstallFolder());
    }
    Run(10, L"E:\\Box\\Qelsrv.exe");
    auto manager = Make();
    EXPECT_EQ(L"Qelsrv.exe", manager->MainExecutableName());
    EXPECT_EQ(L"E:\\BOX\\", manager->InstallFolder());
}

TEST_F(TupManagerTest, OnlyServicesOrTheRecordedFolderTellTheKindAndFolderOfTheServer) {
    struct Case {
        const char* what;
        std::vector<std::tuple<std::wstring, std::wstring, uint32_t>> services;
        std::wstring recorded;  // the product key's install folder
        std::vector<std::wstring> processes;
        std::wstring folder;
        bool qelsrv, aps;
        std::vector<std::wstring> ignored;
    };
    const uint32_t kRunning = sys::ServiceState::Running, kStopped = sys::ServiceState::Stopped;
    const std::wstring userAps = L"C:\\Users\\Public\\aps\\TavAps.exe";
    const Case cases[] = {
        {"running, quoted with arguments",
         {{L"TavSvc", L"\"C:\\Program Files\\Tav\\Qelsrv.exe\" -service", kRunning}}, L"",
         {L"C:\\Program Files\\Tav\\Qelsrv.exe"}, L"C:\\PROGRAM FILES\\TAV\\", true, false, {}},
        {"stopped, nothing runs", {{L"TavSvc", L"C:\\Tav\\Qelsrv.exe", kStopped}}, L"", {},
         L"C:\\TAV\\", true, false, {}},
        // Programs of the server's names that anyone may start elsewhere decide nothing.
        {"a user's TavAps.exe beside the server's service",
         {{L"TavSvc", L"C:\\Tav\\Qelsrv.exe", kRunning}}, L"",
         {userAps, L"C:\\Tav\\Qelsrv.exe", L"D:\\Users\\Joe\\Qelsrv.exe"}, L"C:\\TAV\\", true, false,
         {L"C:\\USERS\\PUBLIC\\APS\\TAVAPS.EXE", L"D:\\USERS\\JOE\\QELSRV.EXE"}},
        {"a user's TavAps.exe without a service", {}, L"C:\\Tav\\", {userAps}, L"", false, false,
         {L"C:\\USERS\\PUBLIC\\APS\\TAVAPS.EXE"}},
        {"unquoted with blanks and arguments",
         {{L"TavAps", L"C:\\Remote Server\\TavAps.exe /service", kStopped}}, L"",
         {L"E:\\Copy\\TavAps.exe"}, L"C:\\REMOTE SERVER\\", false, true,
         {L"E:\\COPY\\TAVAPS.EXE"}},
        {"no service: the program in the recorded folder", {}, L"D:\\Tav", {L"D:\\Tav\\TavAps.exe"},
         L"D:\\TAV\\", false, true, {}},
        {"no service, no recorded folder", {}, L"", {L"D:\\Tav\\Qelsrv.exe"}, L"", false, false,
         {L"D:\\TAV\\QELSRV.EXE"}},
        // A service without a full path names no folder; the recorded folder's program counts.
        {"service without a full path", {{L"TavSvc", L"Qelsrv.exe", kStopped}}, L"D:\\Tav\\",
         {L"D:\\Tav\\Qelsrv.exe", L"E:\\Qelsrv.exe"}, L"D:\\TAV\\", true, false, {L"E:\\QELSRV.EXE"}},
        {"nothing at all", {}, L"", {}, L"", false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fakes::FakeMachine local;
        local.UseHostFiles();
        local.program.path = machine.program.path;
        uint32_t id = 10;
        for (const auto& path : c.processes) local.processes.processes.push_back({id++, path});
        for (const auto& [name, binary, state] : c.services) local.services.Add(name, binary, state);
        if (!c.recorded.empty()) local.RecordInstallFolder(c.recorded);
        if (!c.folder.empty()) {
            local.versions.Set(c.folder + (c.aps ? L"TavAps.exe" : L"Qelsrv.exe"), 7, 2, 1, 0, 7,
                               2, 1, 0);
        }
        auto manager = Make();
        EXPECT_EQ(c.folder, manager->InstallFolder());
        EXPECT_EQ(c.qelsrv, manager->RunsQelsrv());
        EXPECT_EQ(c.aps, manager->RunsTavAps());
        EXPECT_EQ(c.ignored, manager->IgnoredPrograms());
        EXPECT_EQ(c.folder.empty() ? L"" : L"7.2.1.0", manager->InstalledVersion());
        // Reading the service changes nothing about it.
        EXPECT_TRUE(local.services.requests.empty());
    }
}

TEST_F(TupManagerTest, ClusterFamilyAndClientFolderComeFromTheProductKey) {
    machine.registry.PutString(RegistryRoot::LocalMachine, kProductPath, RegistryView::Bits32,
                               L"TAVCLNTMSIPATH", L"\\\\srv\\share\\client\\TavClient.msi");
    machine.registry.PutDword(RegistryRoot::LocalMachine, kProductPath, RegistryView::Bits32,
                              L"productfamily", 2);
    {
        auto manager = Make();
        EXPECT_FALSE(manager->IsCluster());
        EXPECT_TRUE(manager->IsProductFamily2());
        EXPECT_EQ(L"\\\\srv\\share\\client\\", manager->ClientMsiFolder());
    }
    // The 64-bit view is not where the product keeps its key.
    machine.registry.PutString(RegistryRoot::LocalMachine, kProductPath, RegistryView::Bits64,
                               L"ClusterName", L"TAVCLUSTER");
    EXPECT_FALSE(Make()->IsCluster());
    machine.registry.PutString(RegistryRoot::LocalMachine, kProductPath, RegistryView::Bits32,
                               L"ClusterName", L"TAVCLUSTER");
    EXPECT_TRUE(Make()->IsCluster());
    machine.registry.PutString(RegistryRoot::LocalMachine, kProductPath, RegistryView::Bits32,
                               L"ClusterName", L"");
    EXPECT_FALSE(Make()->IsCluster());
    Run(2, L"C:\\Windows\\Cluster\\clussvc.exe");
    EXPECT_TRUE(Make()->IsCluster());
}

TEST_F(TupManagerTest, TopLevelKeysInAnyLetterCaseAndTheEnforceValueGoesBack) {
    WriteConfig(
        "<ITEM key=\"enforceupdate\" type=\"OCUnsignedLong\">1</ITEM>"
        "<ITEM key=\"REQUIREDDISKSPACEMB\" type=\"OCUnsignedLong\">300</ITEM>"
        "<ITEM key=\"FixForVersion\" type=\"OCString\">7.2.0.0</ITEM>"
        "<ITEM key=\"AdditionalUpdateInformation\" type=\"OCContainer\">"
        "<ITEM key=\"GeneralAffectedServices\" type=\"OCStringList\">"
        "<ITEM key=\"0\" type=\"OCStringListItem\">Spooler</ITEM>"
        "<ITEM key=\"1\" type=\"OCStringListItem\">fax</ITEM></ITEM></ITEM>");
    auto manager = Make(0);
    EXPECT_EQ(1u, enforceUpdate);
    EXPECT_EQ(300u, manager->RequiredDiskSpaceMb());
    EXPECT_EQ(L"7.2.0.0", manager->FixForVersion());
    EXPECT_EQ((std::vector<std::wstring>{L"Spooler", L"fax"}), manager->GeneralAffectedServices());

    // Without the key, the command line's value stands.
    WriteConfig("");
    Make(1);
    EXPECT_EQ(1u, enforceUpdate);
}

TEST_F(TupManagerTest, GenericUpdatersAreQueuedUpToTheFirstGap) {
    WriteConfig(
        "<ITEM key=\"GenericUpdater0\" type=\"OCContainer\">"
        "<ITEM key=\"ComponentName\" type=\"OCString\">generic zero</ITEM></ITEM>"
        "<ITEM key=\"GenericUpdater2\" type=\"OCContainer\">"
        "<ITEM key=\"ComponentName\" type=\"OCString\">generic two</ITEM></ITEM>"
        "<ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
        "<ITEM key=\"ComponentName\" type=\"OCString\">server</ITEM></ITEM>");
    auto manager = Make();
    EXPECT_EQ(2u, manager->PendingPackageCount());
    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_EQ(L"server", manager->ComponentName());
    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_EQ(L"generic zero", manager->ComponentName());
    EXPECT_FALSE(manager->LoadNextPackage());
}

// A configurable object that is not an updater; the factory may create it, the manager skips it.
class NotAnUpdater : public CPersistentObject {};

// An updater that remembers what it was given.
class RecordingUpdater : public CTupModuleUpdater {
public:
    void Exchange(ObjContainer* container, bool isLoading) override {
        if (isLoading) container->GetString(L"Name", name);
    }
    std::wstring name;
};

// Registers test classes for one test and restores the table afterwards.
class ScopedClass {
public:
    ScopedClass(const std::wstring& name, TupClassFactory::CreateFunction create)
        : name_(name), previous_(TupClassFactory::Register(name, create)) {}
    ~ScopedClass() { TupClassFactory::Register(name_, previous_); }

private:
    std::wstring name_;
    TupClassFactory::CreateFunction previous_;
};

std::string Updater(int index, const std::string& classType, const std::string& name) {
    return "<ITEM key=\"Updater" + std::to_string(index) + "\" type=\"OCContainer\">"
           "<ITEM key=\"ClassType\" type=\"OCString\">" + classType + "</ITEM>"
           "<ITEM key=\"Name\" type=\"OCString\">" + name + "</ITEM></ITEM>";
}

TEST_F(TupManagerTest, LoadingCreatesTheListedUpdatersAndSkipsWhatIsNone) {
    ScopedClass recording(L"CTupRecordingUpdater",
                          [] { return std::unique_ptr<CPersistentObject>(new RecordingUpdater); });
    ScopedClass other(L"CTupNotAnUpdater",
                      [] { return std::unique_ptr<CPersistentObject>(new NotAnUpdater); });
    WriteConfig("<ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
                "<ITEM key=\"Updaters\" type=\"OCContainer\">" +
                Updater(0, "CTupNoSuchUpdater", "a") + Updater(1, "CTupRecordingUpdater", "b") +
                Updater(2, "ctuprecordingupdater", "c") + Updater(3, "CTupNotAnUpdater", "d") +
                Updater(4, "CTupModuleUpdater", "e") + Updater(6, "CTupRecordingUpdater", "g") +
                "</ITEM></ITEM>");
    language = L"DE";
    auto manager = Make();
    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_EQ((std::vector<std::wstring>{L"CTupRecordingUpdater", L"CTupModuleUpdater"}),
              manager->UpdaterClassNames());
    ASSERT_EQ(2u, manager->Updaters().size());
    auto* first = dynamic_cast<RecordingUpdater*>(manager->Updaters()[0].get());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(L"b", first->name);
    EXPECT_EQ(manager.get(), first->Manager());
    EXPECT_EQ(&texts, first->Texts());
    EXPECT_EQ(L"DE", *first->Language());
    EXPECT_FALSE(manager->HasSettingsUpdater());
}

TEST_F(TupManagerTest, EachPackageContainerStartsFromDefaultsButKeepsUpdatersWithoutAList) {
    WriteConfig(
        "<ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
        "<ITEM key=\"ComponentName\" type=\"OCString\">server</ITEM>"
        "<ITEM key=\"MinimumRequiredVersion\" type=\"OCString\">7.0.0.0</ITEM>"
        "<ITEM key=\"VisualC++2K15x64\" type=\"OCString\">vc_redist.x64.exe</ITEM>"
        "<ITEM key=\"OnlineHelpPath\" type=\"OCString\">https://help/server</ITEM>"
        "<ITEM key=\"Updaters\" type=\"OCContainer\">" +
        Updater(0, "CTupModuleUpdater", "x") +
        "</ITEM></ITEM>"
        "<ITEM key=\"GenericUpdater0\" type=\"OCContainer\">"
        "<ITEM key=\"componentname\" type=\"OCString\">generic</ITEM></ITEM>");
    auto manager = Make();
    EXPECT_EQ(L"https://help/server", manager->GetOnlineHelpPath());
    EXPECT_EQ(L"https://help/server", manager->GetOnlineHelpPathFor(L"SERVER"));
    EXPECT_EQ(CTupManager::kDefaultOnlineHelpPath, manager->GetOnlineHelpPathFor(L"generic"));
    EXPECT_EQ(CTupManager::kDefaultOnlineHelpPath, manager->GetOnlineHelpPathFor(L"other"));

    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_EQ(L"7.0.0.0", manager->PackageString(PackageKey::MinimumRequiredVersion));
    EXPECT_EQ(L"vc_redist.x64.exe", manager->PackageString(PackageKey::VisualCpp2K15x64));
    EXPECT_EQ(L"https://help/server", manager->OnlineHelpPath());
    ASSERT_EQ(1u, manager->Updaters().size());
    const CTupModuleUpdater* kept = manager->Updaters()[0].get();
    EXPECT_EQ(CTupManager::kDefaultOnlineHelpPath, manager->GetOnlineHelpPath());

    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_EQ(L"generic", manager->ComponentName());
    EXPECT_EQ(L"", manager->PackageString(PackageKey::MinimumRequiredVersion));
    EXPECT_EQ(L"", manager->PackageString(PackageKey::VisualCpp2K15x64));
    EXPECT_EQ(CTupManager::kDefaultOnlineHelpPath, manager->OnlineHelpPath());
    ASSERT_EQ(1u, manager->Updaters().size());
    EXPECT_EQ(kept, manager->Updaters()[0].get());
}

std::string Container(const std::string& key, const std::string& items) {
    return "<ITEM key=\"" + key + "\" type=\"OCContainer\">" + items + "</ITEM>";
}

std::string StringItem(const std::string& key, const std::string& value) {
    return "<ITEM key=\"" + key + "\" type=\"OCString\">" + value + "</ITEM>";
}

std::string UpdaterClass(int index, const std::string& classType) {
    return Container("Updater" + std::to_string(index), StringItem("ClassType", classType));
}

// A package container that lists updaters of these classes under these indexes.
std::string WithUpdaters(const std::string& key,
                         const std::vector<std::pair<int, std::string>>& classes) {
    std::string updaters;
    for (const auto& [index, classType] : classes) updaters += UpdaterClass(index, classType);
    return Container(key, Container("Updaters", updaters));
}

// The wizard asks before the worker loads the first container: the answer comes from the
// pending containers, whose classes need not even be creatable.
TEST_F(TupManagerTest, SpoolerSettingUpdatersAreFoundInThePendingContainersByExactName) {
    struct Case {
        const char* name;
        std::string config;
        bool found;
    };
    const Case cases[] = {
        {"port monitor in the package container",
         WithUpdaters("Tarnova_Update", {{0, "CTupModuleUpdater"}, {1, "CTupTavPortUpdater"}}),
         true},
        {"print processor in a generic container",
         WithUpdaters("GenericUpdater0", {{0, "CTupJqxPrintUpdater"}}), true},
        {"letter case counts", WithUpdaters("Tarnova_Update", {{0, "CTupJqxPrintupdater"}}), false},
        {"after a gap in the list",
         WithUpdaters("Tarnova_Update", {{0, "CTupKernelUpdater"}, {2, "CTupTavPortUpdater"}}),
         false},
        {"in a generic container that is not queued",
         WithUpdaters("GenericUpdater1", {{0, "CTupTavPortUpdater"}}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteConfig(c.config);
        EXPECT_EQ(c.found, Make()->HasSettingsUpdater());
    }

    // A loaded container is no longer asked about; the ones still pending are.
    WriteConfig(WithUpdaters("Tarnova_Update", {{0, "CTupTavPortUpdater"}}) +
                WithUpdaters("GenericUpdater0", {{0, "CTupJqxPrintUpdater"}}));
    auto manager = Make();
    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_TRUE(manager->HasSettingsUpdater());
    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_FALSE(manager->HasSettingsUpdater());
}

// Summary texts in English and in part in German.
class SummaryTexts final : public CStringBase {
public:
    SummaryTexts() : CStringBase(L"C:\\NoLanguageFiles") {
        AddString("53019", L"EN", L"Summary:");
        AddString("53020", L"EN", L"Server type:");
        AddString("53021", L"EN", L"main server");
        AddString("53022", L"EN", L"remote print server");
        AddString("53023", L"EN", L"Installation folder:");
        AddString("53024", L"EN", L"Modules:");
        AddString("53213", L"EN", L"Press Start.");
        AddString("53019", L"DE", L"Zusammenfassung:");
        AddString("53020", L"DE", L"Servertyp:");
        AddString("53023", L"DE", L"Installationsordner:");
        AddString("53024", L"DE", L"Module:");
        AddString("53213", L"DE", L"Start dr\u00fccken.");
    }
};

TEST_F(TupManagerTest, TheSummaryListsTheModulesOfThePendingContainersInTheUiLanguage) {
    SummaryTexts summaryTexts;
    Run(8, L"C:\\Tav\\Qelsrv.exe");
    machine.RecordInstallFolder(L"C:\\Tav\\");
    WriteConfig(WithUpdaters("Tarnova_Update", {{0, "CTupKernelUpdater"},
                                                 {1, "CTupWebpagesUpdater"},
                                                 {2, ""},  // names no class
                                                 {3, "CTupShort"},
                                                 {4, "CTupUpdater"},
                                                 {5, "CTupNoSuchUpdater"}}) +
                WithUpdaters("GenericUpdater0", {{0, "CTupGenericUpdater"}}));
    CTupManager manager(&summaryTexts, &language, enforceUpdate);
    EXPECT_EQ(L"Summary:\r\n"
              L"  Server type: main server\r\n"
              L"  Installation folder: C:\\TAV\\\r\n"
              L"  Modules:\r\n"
              L"    Kernel\r\n"
              L"    Webpages\r\n"
              L"    CTupShort\r\n"
              L"    \r\n"
              L"    NoSuch\r\n"
              L"    Generic\r\n"
              L"\r\n"
              L"Press Start.\r\n",
              manager.SummaryText());

    // The wizard re-points the language; a missing text is empty.
    const std::wstring german = L"DE";
    manager.SetUiLanguage(&german);
    ASSERT_TRUE(manager.LoadNextPackage());
    EXPECT_EQ(L"Zusammenfassung:\r\n"
              L"  Servertyp: \r\n"
              L"  Installationsordner: C:\\TAV\\\r\n"
              L"  Module:\r\n"
              L"    Generic\r\n"
              L"\r\n"
              L"Start dr\u00fccken.\r\n",
              manager.SummaryText());

    // A remote print server without a package or an install folder.
    machine.processes.processes = {{5, L"d:\\aps\\tavaps.exe"}};
    machine.RecordInstallFolder(L"D:\\APS\\");
    WriteConfig("");
    CTupManager remote(&summaryTexts, &language, enforceUpdate);
    EXPECT_EQ(L"Summary:\r\n  Server type: remote print server\r\n"
              L"  Installation folder: D:\\APS\\\r\n  Modules:\r\n\r\nPress Start.\r\n",
              remote.SummaryText());
}

TEST_F(TupManagerTest, SettingsDialogChoicesComeFromThePendingContainers) {
    const std::string dialogKey = "ShowCommunicationSynchronizationSettingsDialog";
    const std::string scanName = StringItem("ComponentName", "Scan Processing Server Update");
    struct Case {
        const char* name;
        std::string config;
        std::wstring first;
        std::wstring scan;
    };
    const Case cases[] = {
        {"both set",
         Container("Tarnova_Update", StringItem(dialogKey, "V5_2")) +
             Container("GenericUpdater0", scanName + StringItem(dialogKey, "v5_3")),
         L"V5_2", L"v5_3"},
        {"the first module lacks the key",
         Container("Tarnova_Update", StringItem("ComponentName", "server")) +
             Container("GenericUpdater0", StringItem(dialogKey, "V5_3")),
         L"no", L"no"},
        {"a missing package container is a first module without the key",
         Container("GenericUpdater0", scanName + StringItem(dialogKey, "V5_3")), L"no", L"V5_3"},
        {"the scan server is the first module",
         Container("Tarnova_Update", scanName + StringItem(dialogKey, "V5_3")), L"V5_3", L"V5_3"},
        {"the first scan server decides, in any letter case",
         Container("Tarnova_Update", StringItem("ComponentName", "SCAN processing server update")) +
             Container("GenericUpdater0", scanName + StringItem(dialogKey, "V5_3")),
         L"no", L"no"},
        {"a component name that only starts alike",
         Container("Tarnova_Update",
                   StringItem("ComponentName", "Scan Processing Server Update 2") +
                       StringItem(dialogKey, "V5_3")),
         L"V5_3", L"no"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteConfig(c.config);
        auto manager = Make();
        EXPECT_EQ(c.first, manager->FirstModuleSettingsDialog());
        EXPECT_EQ(c.scan, manager->ScanServerSettingsDialog());
    }

    // Nothing pending: no first module, no scan server.
    WriteConfig(Container("Tarnova_Update", StringItem(dialogKey, "V5_2") + scanName));
    auto manager = Make();
    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_EQ(L"", manager->FirstModuleSettingsDialog());
    EXPECT_EQ(L"no", manager->ScanServerSettingsDialog());
}

TEST_F(TupManagerTest, OnlineHelpOfAMissingPackageContainerIsTheDefault) {
    WriteConfig(Container("GenericUpdater0", StringItem("ComponentName", "generic") +
                                                 StringItem("OnlineHelpPath", "https://help/g")));
    auto manager = Make();
    EXPECT_EQ(CTupManager::kDefaultOnlineHelpPath, manager->GetOnlineHelpPath());
    EXPECT_EQ(L"https://help/g", manager->GetOnlineHelpPathFor(L"GENERIC"));
    ASSERT_TRUE(manager->LoadNextPackage());
    EXPECT_EQ(L"https://help/g", manager->GetOnlineHelpPath());
}

TEST_F(TupManagerTest, ABrokenDescriptionKeepsWhatWasRead) {
    folder.Write("config.xml",
                 "<CONFIG><ITEM key=\"RequiredDiskspaceMB\" type=\"OCUnsignedLong\">99</ITEM>"
                 "<ITEM key=\"GenericUpdater0\" type=\"OCContainer\"><ITEM key=");
    auto manager = Make();
    EXPECT_EQ(99u, manager->RequiredDiskSpaceMb());
    EXPECT_EQ(2u, manager->PendingPackageCount());
}

}  // namespace
