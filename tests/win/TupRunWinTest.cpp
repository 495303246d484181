// A whole update run on the real machine: the server program runs as the service "TavSvc" from
// an install folder of the test's own, the wizard's folder holds a package description with
// one updater of this test, and the run stops the service around the file work, starts it
// again and writes its result log below the install folder.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "manager/TupRunTestWorld.h"
#include "win/WinIisRunWorld.h"
#include "win/WinScratchFolder.h"
#include "win/WinTestSupport.h"
#include "win/WinUpdaterSupport.h"

namespace {

using Strings = std::vector<std::wstring>;

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE handle = nullptr) : handle_(handle) {}
    ~ScHandle() { Reset(); }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE Get() const { return handle_; }
    void Reset(SC_HANDLE handle = nullptr) {
        if (handle_) CloseServiceHandle(handle_);
        handle_ = handle;
    }

private:
    SC_HANDLE handle_;
};

SERVICE_STATUS_PROCESS StatusOf(SC_HANDLE service) {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed)) {
        status.dwCurrentState = 0;
    }
    return status;
}

bool WaitForState(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
    for (DWORD waited = 0;; waited += 50) {
        if (StatusOf(service).dwCurrentState == state) return true;
        if (waited >= timeoutMs) return false;
        Sleep(50);
    }
}

// Stops a service (ending its process when it will not stop) and deletes it.
void StopAndDelete(SC_HANDLE service) {
    SERVICE_STATUS_PROCESS status = StatusOf(service);
    if (status.dwCurrentState != SERVICE_STOPPED) {
        SERVICE_STATUS ignored{};
        ControlService(service, SERVICE_CONTROL_STOP, &ignored);
        WaitForState(service, SERVICE_STOPPED, 5000);
    }
    // The program file can only go once its process has.
    if (status.dwProcessId != 0) {
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                         status.dwProcessId)) {
            if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) {
                TerminateProcess(process, 1);
                WaitForSingleObject(process, 5000);
            }
            CloseHandle(process);
        }
    }
    DeleteService(service);
}

// The service "TavSvc" running the given program, created for the test (after removing one
// that an interrupted run left behind) and removed when the object goes.
class ServerService {
public:
    static constexpr const wchar_t* kName = L"TavSvc";

    explicit ServerService(const std::wstring& program)
        : manager_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        if (!manager_.Get()) return;
        ScHandle leftOver(OpenServiceW(manager_.Get(), kName, SERVICE_ALL_ACCESS));
        if (leftOver.Get()) StopAndDelete(leftOver.Get());
        leftOver.Reset();
        const std::wstring command = L"\"" + program + L"\"";
        service_.Reset(CreateServiceW(manager_.Get(), kName, L"Tarnova server (test)",
                                      SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                      SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(),
                                      nullptr, nullptr, nullptr, nullptr, nullptr));
    }
    ~ServerService() {
        if (service_.Get()) StopAndDelete(service_.Get());
    }
    ServerService(const ServerService&) = delete;
    ServerService& operator=(const ServerService&) = delete;

    bool Created() const { return service_.Get() != nullptr; }
    bool Start() {
        return StartServiceW(service_.Get(), 0, nullptr) &&
               WaitForState(service_.Get(), SERVICE_RUNNING, 10000);
    }
    DWORD State() const { return StatusOf(service_.Get()).dwCurrentState; }
    DWORD ProcessId() const { return StatusOf(service_.Get()).dwProcessId; }

private:
    ScHandle manager_;
    ScHandle service_;
};

// Every operation writes itself into the journal with the state the service had then.
class ServiceWatchingUpdater : public CTupModuleUpdater {
public:
    int PrepareUpdate() override { return Note(L"PrepareUpdate"); }
    int CheckFilesExist() override { return Note(L"CheckFilesExist"); }
    int CheckVersions() override {
        Note(L"CheckVersions");
        return 0;
    }
    int CheckFilesWritable() override { return Note(L"CheckFilesWritable"); }
    int BackupFiles() override { return Note(L"BackupFiles"); }
    int ApplyUpdate() override { return Note(L"ApplyUpdate"); }
    int LaunchExecutables() override { return Note(L"LaunchExecutables"); }

    static Strings& Journal() {
        static Strings journal;
        return journal;
    }

private:
    int Note(const wchar_t* operation) {
        std::wstring state = L"gone";
        ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        ScHandle service(manager.Get() ? OpenServiceW(manager.Get(), ServerService::kName,
                                                      SERVICE_QUERY_STATUS)
                                       : nullptr);
        if (service.Get()) {
            const DWORD current = StatusOf(service.Get()).dwCurrentState;
            state = current == SERVICE_RUNNING   ? L"running"
                    : current == SERVICE_STOPPED ? L"stopped"
                                                 : L"state " + std::to_wstring(current);
        }
        Journal().push_back(std::wstring(operation) + L" (" + state + L")");
        return 1;
    }
};

std::string PackageDescription() {
    using run_tests::ListItem;
    using run_tests::StringItem;
    return "<?xml version=\"1.0\"?>\n<CONFIG><ITEM key=\"Tarnova_Update\" type=\"OCContainer\">" +
           StringItem("ComponentName", "WineRun") +
           "<ITEM key=\"Updaters\" type=\"OCContainer\"><ITEM key=\"Updater0\" "
           "type=\"OCContainer\">" +
           StringItem("ClassType", "CTupServiceWatchUpdater") +
           ListItem("AffectedServices", {"TavSvc"}) + "</ITEM></ITEM></ITEM></CONFIG>\n";
}

// The lines of a result log, each without its line end; false when a line lacks one.
bool SplitLines(const std::string& content, std::vector<std::string>& lines) {
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(content.substr(start, end - start));
    }
    return start == content.size();
}

// The index of the first line at or after from that ends with the text, or the line count.
size_t Find(const std::vector<std::string>& lines, const std::string& ending, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i) {
        if (lines[i].size() >= ending.size() &&
            lines[i].compare(lines[i].size() - ending.size(), ending.size(), ending) == 0) {
            return i;
        }
    }
    return lines.size();
}

// The server installed in a folder of its own (the test service program as Qelsrv.exe,
// running as "TavSvc"), a wizard folder with the package description, and the manager the
// wizard would make there, its package loaded.
struct StagedServer {
    // running: the service is started before the manager looks at the machine.
    explicit StagedServer(bool running = true) {
        if (!turn.Owned() || !install.Made() || !wizard.Made()) return;
        if (!CopyFileW(wintest::WindowsPathOf(TAV_TEST_SERVICE_EXE).c_str(), server.c_str(), TRUE) ||
            !CreateDirectoryW(wizard.PathOf(L"package").c_str(), nullptr) ||
            !wintest::WriteWholeFile(wizard.PathOf(L"config.xml"), PackageDescription())) {
            return;
        }
        service = std::make_unique<ServerService>(server);
        if (!service->Created() || (running && !service->Start())) return;
        firstProcess = service->ProcessId();
        ServiceWatchingUpdater::Journal().clear();
        program = std::make_unique<wintest::ProgramElsewhere>(wizard.PathOf(L"TavUpdateWizard.exe"));
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        ready = manager->LoadNextPackage();
    }
    ~StagedServer() { manager.reset(); }

    wintest::MachineWideTurn turn;
    wintest::WinScratchFolder install;
    wintest::WinScratchFolder wizard;
    const std::wstring server = install.PathOf(L"Qelsrv.exe");
    std::unique_ptr<ServerService> service;
    DWORD firstProcess = 0;
    run_tests::ScopedClass watching{L"CTupServiceWatchUpdater", [] {
        return std::unique_ptr<CPersistentObject>(new ServiceWatchingUpdater);
    }};
    std::unique_ptr<wintest::ProgramElsewhere> program;
    run_tests::IdTexts texts;
    const std::wstring language = L"EN";
    uint32_t enforce = 0;
    std::unique_ptr<CTupManager> manager;
    bool ready = false;
};

TEST(TupRunWin, RunStopsTheServerServiceAroundTheFileWorkAndWritesTheResultLog) {
    StagedServer staged;
    ASSERT_TRUE(staged.ready);
    CTupManager* manager = staged.manager.get();
    ServerService& service = *staged.service;
    const DWORD firstProcess = staged.firstProcess;
    wintest::WinScratchFolder& install = staged.install;

    // The install folder is where the running Qelsrv.exe lies, as the process list spells it.
    ASSERT_TRUE(manager->RunsQelsrv());
    ASSERT_TRUE(tav::FoldEquals(install.Path() + L"\\", manager->InstallFolder()))
        << tav::ToUtf8(manager->InstallFolder());
    ASSERT_EQ(1u, manager->Updaters().size());

    EXPECT_TRUE(manager->RunUpdate());

    // The service was down exactly while the files were worked on, and runs again.
    EXPECT_EQ((Strings{L"PrepareUpdate (running)", L"CheckFilesExist (running)",
                       L"CheckVersions (running)", L"CheckFilesWritable (stopped)",
                       L"BackupFiles (stopped)", L"ApplyUpdate (stopped)",
                       L"LaunchExecutables (running)"}),
              ServiceWatchingUpdater::Journal());
    EXPECT_EQ(DWORD(SERVICE_RUNNING), service.State());
    EXPECT_NE(firstProcess, service.ProcessId());
    // "w3svc" goes before "tavsvc" but is not installed here, so it is set aside.
    EXPECT_EQ(Strings{L"tavsvc"}, manager->ServicesToStop());

    // The result log lies in this run's folder below the install folder's backup root.
    const std::wstring backupRoot = manager->InstallFolder() + L"_TupBkp\\";
    const std::wstring backupFolder = manager->BackupFolder();
    ASSERT_EQ(backupRoot, backupFolder.substr(0, backupRoot.size()));
    // Time stamp, installed version (the program has no version resource) and random digits.
    const std::wstring name = backupFolder.substr(backupRoot.size());
    EXPECT_TRUE(std::regex_match(name, std::wregex(LR"(\d{8}_\d{9}_unknown_version_\d{8}\\)")))
        << tav::ToUtf8(name);
    std::string content;
    ASSERT_TRUE(wintest::ReadWholeFile(backupFolder + L"_log.csv", content));

    std::vector<std::string> lines;
    EXPECT_TRUE(SplitLines(content, lines)) << content;
    ASSERT_FALSE(lines.empty());
    const std::regex form(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} - ;WineRun: #\d+( .*)?)");
    for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, form)) << line;

    const size_t started = Find(lines, ";WineRun: #53037");
    const size_t stopped = Find(lines, ";WineRun: #53078 tavsvc", started);
    const size_t applied = Find(lines, ";WineRun: #53134 ServiceWatch", stopped);
    const size_t restarted = Find(lines, ";WineRun: #53086 tavsvc", applied);
    EXPECT_EQ(0u, started);
    EXPECT_LT(stopped, lines.size());
    EXPECT_LT(applied, lines.size());
    EXPECT_LT(restarted, lines.size());
    EXPECT_EQ(lines.size() - 1, Find(lines, ";WineRun: #53038", restarted));
}

TEST(TupRunWin, AFileNamedLikeTheBackupRootEndsTheRunBeforeAnythingIsStopped) {
    StagedServer staged;
    ASSERT_TRUE(staged.ready);
    const std::wstring root = staged.manager->InstallFolder() + L"_TupBkp";
    ASSERT_TRUE(wintest::WriteWholeFile(root, "a file, not a folder"));

    EXPECT_FALSE(staged.manager->RunUpdate());
    EXPECT_TRUE(ServiceWatchingUpdater::Journal().empty());
    EXPECT_EQ(DWORD(SERVICE_RUNNING), staged.service->State());
    EXPECT_EQ(staged.firstProcess, staged.service->ProcessId());
    const DWORD attributes = GetFileAttributesW(root.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY));
    DeleteFileW(root.c_str());
}

// An administrator stopped the server before the update: no server program runs, and the
// service's configuration tells where the installation is.
TEST(TupRunWin, AServerStoppedBeforeTheRunIsUpdatedInItsFolderAndStaysStopped) {
    StagedServer staged(false);
    ASSERT_TRUE(staged.ready);
    CTupManager& manager = *staged.manager;
    ASSERT_EQ(DWORD(SERVICE_STOPPED), staged.service->State());
    EXPECT_TRUE(manager.RunsQelsrv());
    ASSERT_TRUE(tav::FoldEquals(staged.install.Path() + L"\\", manager.InstallFolder()))
        << tav::ToUtf8(manager.InstallFolder());

    EXPECT_TRUE(manager.RunUpdate());

    EXPECT_EQ((Strings{L"PrepareUpdate (stopped)", L"CheckFilesExist (stopped)",
                       L"CheckVersions (stopped)", L"CheckFilesWritable (stopped)",
                       L"BackupFiles (stopped)", L"ApplyUpdate (stopped)",
                       L"LaunchExecutables (stopped)"}),
              ServiceWatchingUpdater::Journal());
    EXPECT_EQ(DWORD(SERVICE_STOPPED), staged.service->State());
    const std::wstring backupRoot = manager.InstallFolder() + L"_TupBkp\\";
    ASSERT_EQ(backupRoot, manager.BackupFolder().substr(0, backupRoot.size()));
    std::string content;
    ASSERT_TRUE(wintest::ReadWholeFile(manager.BackupFolder() + L"_log.csv", content));
    std::vector<std::string> lines;
    EXPECT_TRUE(SplitLines(content, lines));
    EXPECT_LT(Find(lines, ";WineRun: #53080 tavsvc"), lines.size());
    EXPECT_EQ(lines.size() - 1, Find(lines, ";WineRun: #53038"));
}

// One file of a module, new to the machine.
std::string NewFile(const std::string& packageFile, const std::string& installationFile) {
    using run_tests::StringItem;
    return "<ITEM key=\"Files\" type=\"OCContainer\"><ITEM key=\"File0\" type=\"OCContainer\">" +
           StringItem("UpdatePackageFile", packageFile) +
           StringItem("InstallationFile", installationFile) +
           "<ITEM key=\"VersionCheckType\" type=\"OCUnsignedLong\">2</ITEM></ITEM></ITEM>";
}

// The core server updater, whose last step shows the readme, then the web pages updater with
// one web and the web client's RequireHttps.
std::string ReadmeThenWebPackage() {
    using run_tests::ListItem;
    using run_tests::StringItem;
    return "<?xml version=\"1.0\"?>\n<CONFIG><ITEM key=\"Tarnova_Update\" type=\"OCContainer\">" +
           StringItem("ComponentName", "WebRun") +
           "<ITEM key=\"Updaters\" type=\"OCContainer\"><ITEM key=\"Updater0\" "
           "type=\"OCContainer\">" +
           StringItem("ClassType", "CTupKernelUpdater") +
           NewFile("server\\TavNotes.txt", "[$TN_INSTALL_PATH]TavNotes.txt") +
           "</ITEM><ITEM key=\"Updater1\" type=\"OCContainer\">" +
           StringItem("ClassType", "CTupWebpagesUpdater") +
           NewFile("web\\index.htm", "[$TAV_WEBCLIENTPATH]index.htm") +
           ListItem("WebsToCreate", {"[$TAV_WEBCLIENTPATH];wbclient;docreateweb;;;;;;"}) +
           "<ITEM key=\"RegistryKeys\" type=\"OCContainer\"><ITEM key=\"Key0\" "
           "type=\"OCContainer\">" +
           StringItem("KeyName", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\WebClient") +
           StringItem("ValueName", "RequireHttps") +
           "<ITEM key=\"Value\" type=\"OCUnsignedLong\">0</ITEM></ITEM></ITEM>"
           "</ITEM></ITEM></ITEM></CONFIG>\n";
}

TEST(TupRunWin, AReadmeThatCannotBeShownLeavesTheWebPagesConfiguredAndFailsTheRun) {
    using ::testing::Contains;
    using ::testing::StartsWith;
    wintest::IisRunWorld world(L"Qelsrv.exe", ReadmeThenWebPackage());
    ASSERT_TRUE(world.Ready());
    ASSERT_TRUE(world.inetStp.WriteDword(false, L"", L"MajorVersion", 10));
    ASSERT_TRUE(world.AddPackageFile(L"server\\TavNotes.txt", "notes"));
    ASSERT_TRUE(world.AddPackageFile(L"web\\index.htm", "<html></html>"));
    // No browser where the core server updater looks for it.
    wintest::BorrowedValue noBrowser(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                     L"ProgramFilesDir", KEY_WOW64_32KEY,
                                     world.ClientFolder() + L"NoProgramFiles");
    ASSERT_TRUE(noBrowser.Set());
    CTupManager& manager = world.Manager();
    ASSERT_TRUE(manager.LoadNextPackage());
    ASSERT_EQ(2u, manager.Updaters().size());

    EXPECT_FALSE(manager.RunUpdate());

    // The web pages updater came after the failed readme and did its work.
    const std::vector<std::wstring> log = world.Log();
    EXPECT_THAT(log, Contains(L"CrtVDir.exe|\"" + world.ClientFolder() +
                              L"Support\\CrtVDir.exe\" CD \"" + world.WebClientFolder() +
                              L"\\\" wbclient 5"));
    EXPECT_THAT(log, ::testing::Not(Contains(StartsWith(L"iexplore.exe|"))));
    EXPECT_TRUE(world.product.Read(false, L"Tav\\WebClient", L"RequireHttps").present);

    // Each updater's last step is reported, and the step and the run failed.
    std::string content;
    ASSERT_TRUE(wintest::ReadWholeFile(manager.BackupFolder() + L"_log.csv", content));
    std::vector<std::string> lines;
    EXPECT_TRUE(SplitLines(content, lines));
    const size_t kernel = Find(lines, ";WebRun: #53166 Kernel");
    const size_t web = Find(lines, ";WebRun: #53165 Webpages", kernel);
    const size_t failed = Find(lines, ";WebRun: #53162", web);
    EXPECT_LT(failed, lines.size());
    EXPECT_EQ(lines.size() - 1, Find(lines, ";WebRun: #53039", failed));
}

}  // namespace
