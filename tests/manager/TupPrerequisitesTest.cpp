// Prerequisite checks, installers and the wizard's machine questions of the update manager, on a
// fake machine.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "base/WideText.h"
#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "manager/TupManager.h"

namespace {

using sys::RegistryRoot;
using sys::RegistryView;

const std::wstring kDotNet35 = L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v3.5";
const std::wstring kDotNet4 = L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";
const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kVc2008 = kUninstall + L"{9A25302D-30C0-39D9-BD6F-21E6EC160475}";
const std::wstring kVc2015x86 = kUninstall + L"{A2563E55-3BEC-3828-8D67-E5E8B9E8B675}";
const std::wstring kVc2015x64 = kUninstall + L"{0D3E9E15-DE7A-300B-96F1-B4AF12B96488}";
const std::wstring kMscorlib = L"C:\\Windows\\Microsoft.NET\\Framework\\v4.0.30319\\mscorlib.dll";

std::string StringItem(const std::string& key, const std::string& value) {
    return "<ITEM key=\"" + key + "\" type=\"OCString\">" + value + "</ITEM>";
}

std::string Container(const std::string& key, const std::string& items) {
    return "<ITEM key=\"" + key + "\" type=\"OCContainer\">" + items + "</ITEM>";
}

// A machine with a wizard in a scratch folder; the manager is made once config.xml is written.
class World {
public:
    World() {
        machine.UseHostFiles();  // config.xml is read by libxml2
        machine.program.path = folder.PathOf("") + L"TavUpdateWizard.exe";
        machine.environment.variables[L"SystemRoot"] = L"C:\\Windows";
    }

    void WriteConfig(const std::string& items) {
        folder.Write("config.xml", "<?xml version=\"1.0\"?>\n<CONFIG>" + items + "</CONFIG>\n");
    }
    void Run(const std::wstring& path) {
        machine.processes.processes.push_back(
            {uint32_t(machine.processes.processes.size() + 4), path});
        machine.RecordInstallFolder(path.substr(0, path.rfind(L'\\') + 1));
    }
    void RunServer() { Run(L"C:\\Tav\\Qelsrv.exe"); }
    void PutDword(const std::wstring& key, const std::wstring& name, uint32_t value,
                  RegistryView view = RegistryView::Bits32) {
        machine.registry.PutDword(RegistryRoot::LocalMachine, key, view, name, value);
    }
    void PutString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                   RegistryView view = RegistryView::Bits32) {
        machine.registry.PutString(RegistryRoot::LocalMachine, key, view, name, value);
    }
    void Version(const std::wstring& path, uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
        machine.versions.Set(path, a, b, c, d, a, b, c, d);
    }
    std::wstring PackageFolder() const { return folder.PathOf("") + L"package\\"; }

    CTupManager& Make() {
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        machine.UseFakeFiles();
        return *manager;
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
    CStringBase texts{L"C:\\NoLanguageFiles"};
    std::wstring language = L"EN";
    uint32_t enforce = 0;
    std::unique_ptr<CTupManager> manager;
};

using Check = bool (CTupManager::*)();

TEST(TupPrerequisites, ThePackageContainerCountsOnlyOnAServerMachine) {
    struct Case {
        const char* name;
        std::vector<std::wstring> processes;
        std::string package;  // items of the package container
        std::string generic;  // items of GenericUpdater0 (none when empty)
        bool needed;
        std::wstring setting;
    };
    const std::string inPackage = StringItem("InstallNET452Framework", "ndp452-package.exe");
    const std::string inGeneric = StringItem("installnet452framework", "ndp452-generic.exe");
    const Case cases[] = {
        {"package only, no server", {}, inPackage, "", false, L""},
        {"package only, Mantlebox alone",
         {L"C:\\Box\\TavMantlebox.exe"},
         inPackage,
         "",
         false,
         L""},
        {"package only, Qelsrv",
         {L"C:\\Tav\\Qelsrv.exe"},
         inPackage,
         "",
         true,
         L"ndp452-package.exe"},
        {"generic only, no server", {}, "", inGeneric, true, L"ndp452-generic.exe"},
        {"both, no server", {}, inPackage, inGeneric, true, L"ndp452-generic.exe"},
        {"both, Qelsrv",
         {L"C:\\Tav\\Qelsrv.exe"},
         inPackage,
         inGeneric,
         true,
         L"ndp452-package.exe"},
        {"a number is no installer name",
         {L"C:\\Tav\\Qelsrv.exe"},
         "<ITEM key=\"InstallNET452Framework\" type=\"OCUnsignedLong\">1</ITEM>",
         inGeneric,
         true,
         L"ndp452-generic.exe"},
        {"nowhere",
         {L"C:\\Tav\\Qelsrv.exe"},
         StringItem("InstallNET4Framework", "x.exe"),
         "",
         false,
         L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        for (const auto& path : c.processes) world.Run(path);
        world.WriteConfig(Container("Tarnova_Update", c.package) +
                          (c.generic.empty() ? "" : Container("GenericUpdater0", c.generic)));
        CTupManager& manager = world.Make();
        EXPECT_EQ(c.needed, manager.NeedsDotNet452());
        EXPECT_EQ(c.setting, manager.PackageString(PackageKey::InstallNET452Framework));
    }

    // On a remote print server the package container is the remote one.
    World aps;
    aps.Run(L"D:\\Aps\\TavAps.exe");
    aps.WriteConfig(Container("Tarnova_Update", StringItem("InstallNET4Framework", "main.exe")) +
                    Container("Tarnova_RVX_Update", StringItem("InstallNET4Framework", "rvx.exe")));
    CTupManager& manager = aps.Make();
    EXPECT_TRUE(manager.NeedsDotNet4());
    EXPECT_EQ(L"rvx.exe", manager.PackageString(PackageKey::InstallNET4Framework));

    // Once the package container is loaded, the first pending container is a generic one and
    // always counts.
    World loaded;
    loaded.WriteConfig(Container("Tarnova_Update", "") + Container("GenericUpdater0", "") +
                       Container("GenericUpdater1", inGeneric));
    CTupManager& later = loaded.Make();
    ASSERT_TRUE(later.LoadNextPackage());
    ASSERT_TRUE(later.LoadNextPackage());
    EXPECT_TRUE(later.NeedsDotNet452());
}

using Arrange = std::function<void(World&)>;

Arrange Dword(const std::wstring& key, const wchar_t* name, uint32_t value,
              RegistryView view = RegistryView::Bits32) {
    return [=](World& w) { w.PutDword(key, name, value, view); };
}
Arrange DisplayVersion(const std::wstring& key, const wchar_t* version,
                       RegistryView view = RegistryView::Bits32) {
    return [=](World& w) { w.PutString(key, L"DisplayVersion", version, view); };
}
Arrange Os(uint32_t major, uint32_t minor) {
    return [=](World& w) { w.machine.operatingSystem.version = {major, minor}; };
}
Arrange Arch(const wchar_t* architecture) {
    return [=](World& w) { w.machine.operatingSystem.architecture = architecture; };
}
Arrange Mscorlib(uint16_t revision) {
    return [=](World& w) { w.Version(kMscorlib, 4, 0, 30319, revision); };
}
Arrange All(std::vector<Arrange> steps) {
    return [=](World& w) {
        for (const auto& step : steps) step(w);
    };
}

// What each check finds on the machine, the package key being in the package container of a
// server machine. The default machine: Windows 6.1, "x64", SYSTEMROOT C:\Windows, nothing
// installed.
TEST(TupPrerequisites, EachCheckAsksTheMachine) {
    struct Row {
        const char* name;
        Arrange arrange;
        bool needed;
    };
    struct Group {
        Check check;
        const char* key;
        std::vector<Row> rows;
    };
    const Arrange none = [](World&) {};
    const Arrange dotNet4 = Dword(kDotNet4, L"Install", 1);
    const Arrange x86 = Arch(L"x86");
    const Group groups[] = {
        {&CTupManager::NeedsDotNetFrameworkPolicy,
         "DotNETFrameworkPolicy",
         {{"missing", none, true},
          {"with SP", All({Dword(kDotNet35, L"Install", 1), Dword(kDotNet35, L"SP", 1)}), false},
          {"SP 0", All({Dword(kDotNet35, L"Install", 1), Dword(kDotNet35, L"SP", 0)}), true},
          {"only in the 64-bit view",
           All({Dword(kDotNet35, L"Install", 1, RegistryView::Bits64),
                Dword(kDotNet35, L"SP", 1, RegistryView::Bits64)}),
           true}}},
        {&CTupManager::NeedsDotNet4,
         "InstallNET4Framework",
         {{"missing on 6.1", none, true},
          {"Install 0", Dword(kDotNet4, L"Install", 0), true},
          {"installed", dotNet4, false},
          {"missing on 6.2", Os(6, 2), false},
          {"missing on 10.0", Os(10, 0), false}}},
        {&CTupManager::NeedsKB2468871x86,
         "InstallNETKB2468871x86",
         {{"no SYSTEMROOT",
           All({dotNet4, x86, [](World& w) { w.machine.environment.variables.clear(); }}), true},
          {"mscorlib unreadable", All({dotNet4, x86}), true},
          {"old mscorlib", All({dotNet4, x86, Mscorlib(232)}), true},
          {"updated mscorlib", All({dotNet4, x86, Mscorlib(233)}), false},
          {"SYSTEMROOT with its backslash",
           All({dotNet4, x86, Mscorlib(1000),
                [](World& w) {
                    w.machine.environment.variables[L"SystemRoot"] = L"C:\\Windows\\";
                }}),
           false},
          {"on x64", dotNet4, false},
          {"on 6.2", All({dotNet4, x86, Os(6, 2)}), false},
          {"without .NET 4", x86, false}}},
        {&CTupManager::NeedsKB2468871x64,
         "InstallNETKB2468871x64",
         {{"on x64", dotNet4, true},
          {"on x86", All({dotNet4, x86}), false},
          {"architecture unknown", All({dotNet4, Arch(L"")}), true}}},
        {&CTupManager::NeedsVcRedist2008Sp1x86,
         "VisualC++2K8SP1x86",
         {{"missing", none, true},
          {"present", DisplayVersion(kVc2008, L"9.0.30729"), false},
          {"with a fourth number", DisplayVersion(kVc2008, L"9.0.30729.6161"), true},
          {"only in the 64-bit view", DisplayVersion(kVc2008, L"9.0.30729", RegistryView::Bits64),
           true}}},
        {&CTupManager::NeedsVcRedist2015x86,
         "VisualC++2K15x86",
         {{"present", DisplayVersion(kVc2015x86, L"14.0.23026"), false},
          {"with a fourth number", DisplayVersion(kVc2015x86, L"14.0.23026.0"), true},
          {"under the 64-bit runtime's key", DisplayVersion(kVc2015x64, L"14.0.23026"), true}}},
        {&CTupManager::NeedsVcRedist2015x64,
         "VisualC++2K15x64",
         {{"present", DisplayVersion(kVc2015x64, L"14.0.23026", RegistryView::Bits64), false},
          {"only in the 32-bit view", DisplayVersion(kVc2015x64, L"14.0.23026"), true},
          {"with a fourth number",
           DisplayVersion(kVc2015x64, L"14.0.23026.0", RegistryView::Bits64), true},
          {"on x86", x86, false}}},
        {&CTupManager::NeedsDotNet452,
         "InstallNET452Framework",
         {{"missing", none, true},
          {"older release", Dword(kDotNet4, L"Release", 379892), true},
          {"installed", Dword(kDotNet4, L"Release", 379893), false},
          {"missing on 5.2", Os(5, 2), false}}},
        {&CTupManager::NeedsAspNetCoreModulex86,
         "InstallASPNETCoreModulex86",
         {{"on x86", x86, true},
          {"on x64", none, false},
          {"architecture unknown", Arch(L""), true}}},
        {&CTupManager::NeedsAspNetCoreModulex64,
         "InstallASPNETCoreModulex64",
         {{"on x64", none, true}, {"on x86", x86, false}}},
    };
    for (const Group& group : groups) {
        for (const Row& row : group.rows) {
            SCOPED_TRACE(std::string(group.key) + ", " + row.name);
            World world;
            world.RunServer();
            row.arrange(world);
            world.WriteConfig(Container("Tarnova_Update", StringItem(group.key, "setup.exe")));
            EXPECT_EQ(row.needed, (world.Make().*group.check)());
        }
        // Without the package key nothing is needed, whatever the machine lacks.
        World without;
        without.RunServer();
        without.WriteConfig(Container("Tarnova_Update", StringItem("ComponentName", "server")));
        EXPECT_FALSE((without.Make().*group.check)()) << group.key;
    }
}

// Installers start from the program's own package folder, wherever the program was started
// from; Windows Installer from the system folder.
TEST(TupPrerequisites, InstallersStartFromTheProgramsPackageFolder) {
    struct Case {
        Check check;
        void (CTupManager::*install)();
        const char* key;
        bool msi;
        std::wstring arguments;
        bool waits;
    };
    const Case cases[] = {
        {&CTupManager::NeedsDotNetFrameworkPolicy, &CTupManager::InstallDotNetFrameworkPolicy,
         "DotNETFrameworkPolicy", false, L"", false},
        {&CTupManager::NeedsDotNet4, &CTupManager::InstallDotNet4, "InstallNET4Framework", false,
         L" /passive /norestart", true},
        {&CTupManager::NeedsKB2468871x86, &CTupManager::InstallKB2468871x86,
         "InstallNETKB2468871x86", false, L" /passive /promptrestart", false},
        {&CTupManager::NeedsKB2468871x64, &CTupManager::InstallKB2468871x64,
         "InstallNETKB2468871x64", false, L" /passive /promptrestart", false},
        {&CTupManager::NeedsVcRedist2008Sp1x86, &CTupManager::InstallVcRedist2008Sp1x86,
         "VisualC++2K8SP1x86", false, L" /q", false},
        {&CTupManager::NeedsVcRedist2015x86, &CTupManager::InstallVcRedist2015x86,
         "VisualC++2K15x86", false, L" /q", false},
        {&CTupManager::NeedsVcRedist2015x64, &CTupManager::InstallVcRedist2015x64,
         "VisualC++2K15x64", false, L" /q", false},
        {&CTupManager::NeedsAspNetCoreModulex86, &CTupManager::InstallAspNetCoreModulex86,
         "InstallASPNETCoreModulex86", true, L" /quiet /qn", false},
        {&CTupManager::NeedsAspNetCoreModulex64, &CTupManager::InstallAspNetCoreModulex64,
         "InstallASPNETCoreModulex64", true, L" /quiet /qn", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        // A name with a blank is quoted; a quote in the name starts nothing.
        const struct {
            const char* name;
            std::wstring written;
        } names[] = {{"setup.exe", L"setup.exe"}, {"my setup.exe", L"\"my setup.exe\""},
                     {"set\"up.exe", L""}, {"", L""}};
        for (const auto& name : names) {
            World world;
            world.RunServer();
            world.WriteConfig(Container("Tarnova_Update", StringItem(c.key, name.name)));
            CTupManager& manager = world.Make();
            (manager.*c.check)();  // finds the installer's name
            (manager.*c.install)();
            const auto& starts = world.machine.launcher.starts;
            if (name.written.empty()) {
                EXPECT_TRUE(starts.empty()) << name.name;
                continue;
            }
            const std::wstring installer = world.PackageFolder() + tav::FromUtf8(name.name);
            const std::wstring quoted =
                name.written.front() == L'"' ? L"\"" + installer + L"\"" : installer;
            ASSERT_EQ(1u, starts.size());
            EXPECT_EQ(c.msi ? L"C:\\Windows\\system32\\msiexec.exe" : installer, starts[0].program);
            EXPECT_EQ(c.msi ? L"msiexec.exe /i " + quoted + c.arguments : quoted + c.arguments,
                      starts[0].commandLine);
            EXPECT_EQ(c.waits, starts[0].waited);
        }
    }
}

TEST(TupPrerequisites, TheFrameworkPolicyStartsOnlyOnVersionsAboveFiveWithAMinorNumber) {
    struct Case {
        uint32_t major, minor;
        bool starts;
    };
    const Case cases[] = {{5, 1, false}, {5, 2, false}, {6, 0, false}, {6, 1, true},
                          {6, 2, true},  {6, 3, true},  {10, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
        World world;
        world.RunServer();
        world.machine.operatingSystem.version = {c.major, c.minor};
        world.WriteConfig(
            Container("Tarnova_Update", StringItem("DotNETFrameworkPolicy", "p.exe")));
        CTupManager& manager = world.Make();
        EXPECT_TRUE(manager.NeedsDotNetFrameworkPolicy());
        manager.InstallDotNetFrameworkPolicy();
        EXPECT_EQ(c.starts ? 1u : 0u, world.machine.launcher.starts.size());
    }
}

TEST(TupPrerequisites, TheFrameworkInstallerGivesItsExitCodeOrMinusOne) {
    struct Case {
        const char* name;
        const char* setting;
        uint32_t exitCode;
        bool startFails;
        bool codeReadable;
        int result;
        size_t starts;
    };
    const Case cases[] = {
        {"success", "ndp452.exe", 0, false, true, 0, 1},
        {"restart needed", "ndp452.exe", 3010, false, true, 3010, 1},
        {"restart started", "ndp452.exe", 1641, false, true, 1641, 1},
        {"failure", "ndp452.exe", 1603, false, true, 1603, 1},
        {"no start", "ndp452.exe", 0, true, true, -1, 0},
        {"no exit code", "ndp452.exe", 0, false, false, -1, 1},
        {"no setting", "", 0, false, true, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        world.RunServer();
        world.machine.launcher.exitCode = c.exitCode;
        world.machine.launcher.exitCodeReadable = c.codeReadable;
        if (c.startFails) world.machine.launcher.failing.push_back(L"ndp452");
        world.WriteConfig(
            Container("Tarnova_Update", StringItem("InstallNET452Framework", c.setting)));
        CTupManager& manager = world.Make();
        EXPECT_TRUE(manager.NeedsDotNet452());
        EXPECT_EQ(c.result, manager.InstallDotNet452());
        ASSERT_EQ(c.starts, world.machine.launcher.starts.size());
        if (c.starts) {
            EXPECT_EQ(world.PackageFolder() + L"ndp452.exe /passive /norestart",
                      world.machine.launcher.starts[0].commandLine);
            EXPECT_TRUE(world.machine.launcher.starts[0].waited);
        }
    }
}

TEST(TupPrerequisites, AdministratorRightsComeFromTheTokenOnlyBeforeVersionSix) {
    struct Case {
        uint32_t major, minor;
        bool tokenListsAdministrators;
        bool administrator;
    };
    const Case cases[] = {{5, 2, true, true},
                          {5, 2, false, false},
                          {5, 0, false, false},
                          {6, 0, false, true},
                          {10, 0, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
        World world;
        world.machine.operatingSystem.version = {c.major, c.minor};
        world.machine.operatingSystem.administrators = c.tokenListsAdministrators;
        world.WriteConfig("");
        EXPECT_EQ(c.administrator, world.Make().IsAdministrator());
    }
}

TEST(TupPrerequisites, DiskSpaceInWholeMegabytesOfTheInstallFolderOrTheCurrentDrive) {
    struct Case {
        const char* name;
        bool serverRuns;
        const char* requiredMb;  // RequiredDiskspaceMB, or the default
        uint64_t freeBytes;
        bool readable;
        bool enough;
        std::wstring asked;
    };
    constexpr uint64_t kMb = 1048576;
    const Case cases[] = {
        {"exactly the default", true, nullptr, 1024 * kMb, true, true, L"C:\\TAV\\"},
        {"a byte short of it", true, nullptr, 1024 * kMb - 1, true, false, L"C:\\TAV\\"},
        {"as required", true, "300", 300 * kMb + kMb - 1, true, true, L"C:\\TAV\\"},
        {"short of the requirement", true, "300", 299 * kMb + kMb - 1, true, false, L"C:\\TAV\\"},
        {"nothing required", true, "0", 0, true, true, L"C:\\TAV\\"},
        {"unreadable", true, nullptr, 0, false, true, L"C:\\TAV\\"},
        {"no server: the current drive", false, nullptr, 10, true, false, L"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        if (c.serverRuns) world.Run(L"C:\\Tav\\Qelsrv.exe");
        world.WriteConfig(c.requiredMb
                              ? "<ITEM key=\"RequiredDiskspaceMB\" type=\"OCUnsignedLong\">" +
                                    std::string(c.requiredMb) + "</ITEM>"
                              : "");
        CTupManager& manager = world.Make();
        world.machine.files.freeBytes = c.freeBytes;
        world.machine.files.freeSpaceReadable = c.readable;
        EXPECT_EQ(c.enough, manager.HasEnoughDiskSpace());
        EXPECT_EQ(std::vector<std::wstring>{c.asked}, world.machine.files.freeSpacePaths);
    }
}

TEST(TupPrerequisites, SameVersionAndFixForTheInstalledVersion) {
    struct Case {
        const char* name;
        const char* fixFor;
        bool installedKnown;
        bool packagedKnown;
        uint16_t packagedMinor;  // installed is 7.2.0.0; packaged 7.<minor>.0.0
        bool same;
        bool fix;
    };
    const Case cases[] = {
        {"equal", "", true, true, 2, true, true},
        {"different", "", true, true, 3, false, true},
        {"installed unknown", "", false, true, 2, false, true},
        {"packaged unknown", "", true, false, 2, false, true},
        {"a fix for it", "7.1.0.0,7.2.0.0", true, true, 2, false, true},
        {"a fix for another", "7.1.0.0", true, true, 2, true, false},
        {"a fix for another, different", "7.1.0.0", true, true, 3, false, false},
        {"a fix, installed unknown", "7.1.0.0", false, true, 2, false, true},
        {"three parts are no version", "7.2.0", true, true, 2, true, false},
        {"empty items", ",,7.2.0.0,", true, true, 2, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        world.RunServer();
        if (c.installedKnown) world.Version(L"C:\\TAV\\Qelsrv.exe", 7, 2, 0, 0);
        if (c.packagedKnown)
            world.Version(world.PackageFolder() + L"Qelsrv.exe", 7, c.packagedMinor, 0, 0);
        world.WriteConfig(StringItem("FixForVersion", c.fixFor));
        CTupManager& manager = world.Make();
        EXPECT_EQ(c.same, manager.IsSameVersionInstalled());
        EXPECT_EQ(c.fix, manager.IsFixForInstalledVersion());
    }
}

TEST(TupPrerequisites, VersionQuestionsLookAtTheServerExecutable) {
    // TavAps on a remote print server.
    {
        World world;
        world.Run(L"D:\\Aps\\TavAps.exe");
        world.Version(L"D:\\APS\\TavAps.exe", 7, 2, 0, 0);
        world.Version(world.PackageFolder() + L"TavAps.exe", 7, 2, 0, 0);
        world.WriteConfig("");
        EXPECT_TRUE(world.Make().IsSameVersionInstalled());
    }
    // Mantlebox alone is where the install folder is, but its executable is not asked about.
    {
        World world;
        world.Run(L"E:\\Box\\TavMantlebox.exe");
        world.Version(L"E:\\BOX\\TavMantlebox.exe", 7, 2, 0, 0);
        world.Version(world.PackageFolder() + L"TavMantlebox.exe", 7, 2, 0, 0);
        world.WriteConfig("");
        CTupManager& manager = world.Make();
        EXPECT_EQ(L"E:\\BOX\\", manager.InstallFolder());
        EXPECT_FALSE(manager.IsSameVersionInstalled());
        world.Version(L"E:\\BOX\\Qelsrv.exe", 7, 2, 0, 0);
        world.Version(world.PackageFolder() + L"Qelsrv.exe", 7, 2, 0, 0);
        EXPECT_TRUE(manager.IsSameVersionInstalled());
    }
    // Without an install folder nothing is installed, even when a bare name has a version.
    {
        World world;
        world.Version(L"Qelsrv.exe", 7, 2, 0, 0);
        world.Version(world.PackageFolder() + L"Qelsrv.exe", 7, 2, 0, 0);
        world.WriteConfig(StringItem("FixForVersion", "7.1.0.0"));
        CTupManager& manager = world.Make();
        EXPECT_FALSE(manager.IsSameVersionInstalled());
        EXPECT_TRUE(manager.IsFixForInstalledVersion());
    }
}

TEST(TupPrerequisites, MinorStepsFromAndToTheFirstReleaseCompareProductVersions) {
    struct Case {
        uint16_t installedMajor, installedMinor, packagedMajor, packagedMinor;
        bool upgrade, downgrade;
    };
    const Case cases[] = {
        {2018, 1, 2018, 2, true, false},  {2018, 1, 2018, 5, true, false},
        {2018, 2, 2018, 1, false, true},  {2019, 3, 2019, 1, false, true},
        {2017, 1, 2017, 2, false, false}, {2017, 2, 2017, 1, false, false},
        {2018, 1, 2019, 2, false, false}, {2018, 2, 2018, 3, false, false},
        {2018, 0, 2018, 2, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.installedMajor << "." << c.installedMinor << " -> "
                                        << c.packagedMajor << "." << c.packagedMinor);
        World world;
        world.RunServer();
        // File versions say the opposite, so that only the product versions can give the answer.
        world.machine.versions.Set(L"C:\\TAV\\Qelsrv.exe", c.packagedMajor, c.packagedMinor, 0, 0,
                                   c.installedMajor, c.installedMinor, 0, 0);
        world.machine.versions.Set(world.PackageFolder() + L"Qelsrv.exe", c.installedMajor,
                                   c.installedMinor, 0, 0, c.packagedMajor, c.packagedMinor, 0, 0);
        world.WriteConfig("");
        CTupManager& manager = world.Make();
        EXPECT_EQ(c.upgrade, manager.IsMinorUpgradeFromFirstRelease());
        EXPECT_EQ(c.downgrade, manager.IsMinorDowngradeToFirstRelease());
        EXPECT_FALSE(manager.IsMantleboxOnly());
    }

    // Only a server machine is asked, and only when both versions are known.
    World mantlebox;
    mantlebox.Run(L"E:\\Box\\TavMantlebox.exe");
    mantlebox.machine.versions.Set(L"E:\\BOX\\Qelsrv.exe", 0, 0, 0, 0, 2018, 1, 0, 0);
    mantlebox.machine.versions.Set(mantlebox.PackageFolder() + L"Qelsrv.exe", 0, 0, 0, 0, 2018, 2,
                                   0, 0);
    mantlebox.WriteConfig("");
    EXPECT_TRUE(mantlebox.Make().IsMantleboxOnly());
    EXPECT_FALSE(mantlebox.manager->IsMinorUpgradeFromFirstRelease());

    World unknown;
    unknown.RunServer();
    unknown.machine.versions.Set(L"C:\\TAV\\Qelsrv.exe", 0, 0, 0, 0, 2018, 2, 0, 0);
    unknown.WriteConfig("");
    EXPECT_FALSE(unknown.Make().IsMinorDowngradeToFirstRelease());
}

}  // namespace
