// The preview machine over the fake one: every change is noted and seen by later reads, and
// nothing reaches the machine below; a file phase run on it decides as the real run does.
#include "system/changes/PreviewMachine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/FakeMachine.h"
#include "signature/SignatureFactory.h"
#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

using sys::RegistryRoot;
using sys::RegistryView;
using Strings = std::vector<std::wstring>;

// Every path of the fake files with its attributes and bytes, to tell any change.
std::map<std::wstring, std::string> Snapshot(const fakes::FakeFiles& files) {
    std::map<std::wstring, std::string> state;
    for (const std::wstring& path : files.List()) {
        state[path] = std::to_string(files.Attributes(path)) + ":" + files.Read(path);
    }
    return state;
}

std::string Read(sys::IFiles& files, const std::wstring& path) {
    std::string bytes;
    return files.ReadAll(path, bytes) ? bytes : "<none>";
}

Strings Names(const std::vector<sys::FoundEntry>& entries) {
    Strings names;
    for (const sys::FoundEntry& entry : entries) names.push_back(entry.name + (entry.isFolder ? L"\\" : L""));
    return names;
}

class PreviewMachineTest : public ::testing::Test {
protected:
    PreviewMachineTest() {
        fake.files.AddFile(L"C:\\TAV\\a.dll", "old a");
        fake.files.AddFile(L"C:\\TAV\\ro.dll", "ro", sys::FileAttribute::ReadOnly);
        fake.files.AddFile(L"C:\\TAV\\_todo\\web\\x.htm", "mine");
        fake.files.AddFile(L"C:\\Update\\package\\a.dll", "new a");
        fake.files.AddFolder(L"C:\\Temp");
        fake.files.AddFile(L"C:\\Windows\\system32\\regsvr32.exe", "tool");
        fake.environment.variables[L"TEMP"] = L"C:\\Temp";
        fake.versions.Set(L"C:\\TAV\\a.dll", 1, 0, 0, 0, 1, 0, 0, 0);
        fake.versions.Set(L"C:\\Update\\package\\a.dll", 2, 0, 0, 0, 2, 0, 0, 0);
        fake.registry.PutDword(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav", RegistryView::Bits32,
                               L"RequireHttps", 1);
        fake.services.Add(L"TavSvc", L"C:\\TAV\\Qelsrv.exe", sys::ServiceState::Running).processIds = {8};
        fake.services.Add(L"TavWeb", L"C:\\TAV\\TavWeb.exe", sys::ServiceState::Running);
        fake.services.AddDependency(L"TavWeb", L"TavSvc");
        fake.processes.processes = {{8, L"C:\\TAV\\Qelsrv.exe"}, {9, L"C:\\TAV\\TavWeb.exe"}};
        before = Snapshot(fake.files);
    }

    // Nothing reached the fake machine.
    void ExpectUntouched() {
        EXPECT_EQ(before, Snapshot(fake.files));
        EXPECT_EQ(0, fake.registry.writes);
        EXPECT_TRUE(fake.services.requests.empty());
        EXPECT_TRUE(fake.services[L"TavSvc"].startTypeChanges.empty());
        EXPECT_TRUE(fake.launcher.starts.empty());
        EXPECT_TRUE(fake.processes.terminated.empty());
        EXPECT_TRUE(fake.spooler.added.empty());
        EXPECT_TRUE(fake.shell.shortcuts.empty());
        EXPECT_TRUE(fake.certificates.calls.empty());
    }

    fakes::FakeMachine fake;
    std::map<std::wstring, std::string> before;
    sys::CPreviewMachine preview{sys::CurrentMachine()};
    sys::IFiles& files = *preview.Get().files;
};

TEST_F(PreviewMachineTest, FileChangesAreSeenByLaterReadsAndKeptFromTheFilesBelow) {
    // The staged copy and replacing rename of the file phase; the version follows the bytes.
    EXPECT_TRUE(files.Copy(L"C:\\Update\\package\\a.dll", L"C:\\TAV\\a.dll.tup~new", false));
    EXPECT_FALSE(files.Copy(L"C:\\Update\\package\\a.dll", L"C:\\TAV\\a.dll.tup~new", true));
    EXPECT_TRUE(files.Move(L"C:\\TAV\\a.dll.tup~new", L"c:/tav/A.DLL", true));
    EXPECT_EQ("new a", Read(files, L"C:\\TAV\\a.dll"));
    EXPECT_FALSE(sys::IsExistingFile(files, L"C:\\TAV\\a.dll.tup~new"));
    sys::FixedVersionInfo info;
    ASSERT_TRUE(preview.Get().versions->ReadFixedInfo(L"C:\\TAV\\a.dll", info));
    EXPECT_EQ(0x20000u, info.fileVersionMs);

    // Folders need their parent; a read-only file is neither replaced nor deleted.
    EXPECT_EQ(sys::CreateFolderResult::Created, files.CreateFolder(L"C:\\TAV\\_TupBkp"));
    EXPECT_EQ(sys::CreateFolderResult::AlreadyExists, files.CreateFolder(L"C:\\TAV\\_TupBkp\\"));
    EXPECT_EQ(sys::CreateFolderResult::Failed, files.CreateFolder(L"C:\\Nowhere\\x"));
    EXPECT_FALSE(files.WriteAll(L"C:\\Nowhere\\x.txt", "x"));
    EXPECT_FALSE(files.Remove(L"C:\\TAV\\ro.dll"));
    EXPECT_FALSE(files.Copy(L"C:\\TAV\\a.dll", L"C:\\TAV\\ro.dll", false));
    EXPECT_TRUE(files.SetAttributes(L"C:\\TAV\\ro.dll", sys::FileAttribute::Normal));
    EXPECT_TRUE(files.Remove(L"C:\\TAV\\ro.dll"));
    EXPECT_FALSE(files.CanOpenExclusively(L"C:\\TAV\\ro.dll"));

    // The result log is written and appended to.
    EXPECT_TRUE(files.WriteAll(L"C:\\TAV\\_TupBkp\\_log.csv", "one\n"));
    auto log = files.OpenForAppend(L"C:\\TAV\\_TupBkp\\_log.csv");
    ASSERT_TRUE(log);
    EXPECT_TRUE(log->Write("two\n", 4));
    EXPECT_EQ(8u, log->Length());
    EXPECT_EQ("one\ntwo\n", Read(files, L"C:\\TAV\\_TupBkp\\_log.csv"));

    // A folder moves with everything in it.
    EXPECT_TRUE(files.Move(L"C:\\TAV\\_todo", L"C:\\TAV\\_TupBkp\\_todo", false));
    EXPECT_EQ("mine", Read(files, L"C:\\TAV\\_TupBkp\\_todo\\web\\x.htm"));
    EXPECT_FALSE(sys::IsExistingFolder(files, L"C:\\TAV\\_todo\\web"));
    EXPECT_EQ((Strings{L"a.dll", L"_TupBkp\\"}), Names(files.FindEntries(L"C:\\TAV", L"*")));
    EXPECT_EQ((Strings{L"_log.csv"}), Names(files.FindEntries(L"C:\\TAV\\_TupBkp\\", L"*.csv")));

    sys::AccessList access{{sys::AccessEntry::kAllowed, 3, sys::AccessEntry::kModify, L"S-1-1-0"}};
    EXPECT_TRUE(files.WriteAccessList(L"C:\\TAV\\_TupBkp", access));
    sys::AccessList read;
    EXPECT_TRUE(files.ReadAccessList(L"C:\\TAV\\_TupBkp", read));
    EXPECT_EQ(access, read);

    // A temporary file is named in the temporary folder and never made there.
    std::wstring temporary;
    ASSERT_TRUE(files.CreateTemporaryFile(L"SIG", temporary));
    EXPECT_EQ(0u, temporary.rfind(L"C:\\Temp\\SIG", 0));
    EXPECT_TRUE(files.WriteAll(temporary, "signed"));
    EXPECT_TRUE(files.Remove(temporary));

    EXPECT_TRUE(preview.WouldChangeFile(L"C:\\TAV\\a.dll"));
    EXPECT_TRUE(preview.WouldChangeFile(L"C:\\TAV\\ro.dll"));
    EXPECT_FALSE(preview.WouldChangeFile(L"C:\\Update\\package\\a.dll"));
    EXPECT_FALSE(preview.WouldChangeFile(temporary));
    // The same bytes again are no change.
    EXPECT_TRUE(files.WriteAll(L"C:\\TAV\\_TupBkp\\_log.csv", "x"));
    fake.files.AddFile(L"C:\\TAV\\same.txt", "same");
    EXPECT_TRUE(files.WriteAll(L"C:\\TAV\\same.txt", "same"));
    EXPECT_FALSE(preview.WouldChangeFile(L"C:\\TAV\\same.txt"));
    fake.files.Remove(L"C:\\TAV\\same.txt");

    const std::vector<sys::PreviewChange> changes = preview.Changes();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(L"copy", changes[0].what);
    EXPECT_EQ(L"C:\\TAV\\a.dll.tup~new", changes[0].detail);
    ExpectUntouched();
}

TEST_F(PreviewMachineTest, ASwapIsOneChangeThatLeavesTheOldFileInTheBackup) {
    EXPECT_TRUE(files.Copy(L"C:\\Update\\package\\a.dll", L"C:\\TAV\\a.dll.tup~new", true));
    ASSERT_EQ(sys::CreateFolderResult::Created, files.CreateFolder(L"C:\\TAV\\_TupBkp"));
    EXPECT_EQ(sys::SwapResult::Refused, files.Swap(L"C:\\TAV\\a.dll", L"C:\\TAV\\a.dll.tup~new", L"C:\\TAV\\ro.dll"));
    EXPECT_EQ(sys::SwapResult::Swapped,
              files.Swap(L"C:\\TAV\\a.dll", L"C:\\TAV\\a.dll.tup~new", L"C:\\TAV\\_TupBkp\\a.dll"));
    EXPECT_EQ("new a", Read(files, L"C:\\TAV\\a.dll"));
    EXPECT_EQ("old a", Read(files, L"C:\\TAV\\_TupBkp\\a.dll"));
    EXPECT_FALSE(sys::IsExistingFile(files, L"C:\\TAV\\a.dll.tup~new"));
    sys::FileFacts facts;
    ASSERT_TRUE(files.GetFacts(L"C:\\TAV\\a.dll", facts));
    EXPECT_EQ(5u, facts.size);
    const std::vector<sys::PreviewChange> changes = preview.Changes();
    ASSERT_EQ(3u, changes.size());
    EXPECT_EQ(L"replace, old kept in the backup", changes[2].what);
    EXPECT_EQ(L"C:\\TAV\\a.dll", changes[2].subject);
    ExpectUntouched();
}

TEST_F(PreviewMachineTest, RegistryServicesProgramsAndComponentsAreKeptBackAndReadBack) {
    sys::Machine& machine = preview.Get();
    // A value written is read back, with the value it replaced noted; a new key is listed.
    {
        auto key = machine.registry->CreateKey(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav",
                                               RegistryView::Bits32);
        ASSERT_TRUE(key);
        const std::vector<uint8_t> zero{0, 0, 0, 0};
        EXPECT_TRUE(key->SetValue(L"requirehttps", sys::RegType::Dword, zero.data(), zero.size()));
        auto made = machine.registry->CreateKey(RegistryRoot::LocalMachine,
                                                L"SOFTWARE\\Kelmark\\Tav\\New\\Deeper", RegistryView::Bits32);
        ASSERT_TRUE(made);
        const std::vector<uint8_t> text = fakes::RegString(L"8443");
        EXPECT_TRUE(made->SetValue(L"Port", sys::RegType::String, text.data(), text.size()));
    }
    auto key = machine.registry->OpenKey(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav",
                                         RegistryView::Bits32, sys::RegistryAccess::Read);
    ASSERT_TRUE(key);
    sys::RegistryValue value;
    ASSERT_TRUE(key->EnumValue(0, 256, 256, value));
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 0}), value.data);
    EXPECT_FALSE(key->EnumValue(1, 256, 256, value));
    std::wstring name;
    ASSERT_TRUE(key->EnumSubkey(0, 256, name));
    EXPECT_EQ(L"New", name);
    EXPECT_TRUE(machine.registry->OpenKey(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav\\new\\deeper",
                                          RegistryView::Bits32, sys::RegistryAccess::Read));
    EXPECT_FALSE(machine.registry->OpenKey(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav\\New",
                                           RegistryView::Bits64, sys::RegistryAccess::Read));
    const auto values = preview.Values();
    ASSERT_EQ(2u, values.size());
    EXPECT_TRUE(values[0].replaced);
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 0, 0}), values[0].previousData);
    EXPECT_FALSE(values[1].replaced);
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\New\\Deeper", values[1].key);

    // A stopped service answers stopped, without a process, and is no active dependent.
    sys::OpenFailure failure = sys::OpenFailure::None;
    auto manager = machine.services->Connect();
    ASSERT_TRUE(manager);
    auto web = manager->Open(L"TavWeb", failure);
    auto svc = manager->Open(L"TavSvc", failure);
    ASSERT_TRUE(web && svc);
    std::vector<std::wstring> dependents;
    EXPECT_TRUE(svc->ActiveDependents(dependents));
    EXPECT_EQ(Strings{L"TavWeb"}, dependents);
    EXPECT_TRUE(web->SendStop());
    EXPECT_TRUE(svc->SendStop());
    uint32_t state = 0;
    EXPECT_TRUE(svc->QueryState(state));
    EXPECT_EQ(sys::ServiceState::Stopped, state);
    sys::ServiceProcess process;
    EXPECT_TRUE(svc->QueryProcess(process));
    EXPECT_EQ(0u, process.processId);
    dependents.clear();
    EXPECT_TRUE(svc->ActiveDependents(dependents));
    EXPECT_TRUE(dependents.empty());
    EXPECT_TRUE(svc->SetStartType(sys::ServiceStartType::Automatic));
    sys::ServiceConfig config;
    EXPECT_TRUE(svc->QueryConfig(config));
    EXPECT_EQ(sys::ServiceStartType::Automatic, config.startType);
    EXPECT_TRUE(svc->Start());
    EXPECT_TRUE(svc->QueryState(state));
    EXPECT_EQ(sys::ServiceState::Running, state);

    // Programs that are there count as started with exit code 0; one named by a full path that
    // is not there fails to start as it would in the run. An ended process is no longer listed.
    const struct {
        const wchar_t* program;
        const wchar_t* commandLine;
        bool started;
    } programs[] = {
        {L"C:\\Windows\\system32\\regsvr32.exe", L"regsvr32 /s x.dll", true},
        {L"", L"\"C:\\Windows\\system32\\regsvr32\" /s x.dll", true},  // ".exe" is added
        {L"", L"appcmd list site", true},                             // found by Windows
        {L"C:\\TAV\\gone.exe", L"\"C:\\TAV\\gone.exe\"", false},
        {L"", L"\"C:\\Program Files\\Browser\\browser.exe\" readme.html", false},
    };
    for (const auto& p : programs) {
        uint32_t exitCode = 7;
        EXPECT_EQ(p.started, machine.launcher->Run(p.program, p.commandLine, true, &exitCode)) << p.commandLine;
        EXPECT_EQ(p.started ? 0u : 7u, exitCode) << p.commandLine;
    }
    EXPECT_TRUE(machine.processes->Terminate(9));
    Strings running;
    machine.processes->Walk([&](uint32_t, const std::wstring& path) {
        running.push_back(path);
        return true;
    });
    EXPECT_EQ(Strings{L"C:\\TAV\\Qelsrv.exe"}, running);

    EXPECT_TRUE(machine.spooler->RegisterPrintProcessor(L"tavpp.dll", L"TavPrint"));
    Strings processors;
    EXPECT_TRUE(machine.spooler->ListPrintProcessors(processors));
    EXPECT_EQ((Strings{L"winprint", L"TavPrint"}), processors);
    sys::ShortcutSpec shortcut;
    shortcut.target = L"C:\\TAV\\Tav.exe";
    EXPECT_TRUE(machine.shell->CreateShortcut(L"C:\\Menu\\Tav.lnk", shortcut));
    auto session = machine.certificates->Create();
    ASSERT_TRUE(session);
    const sys::ComponentCall call = session->AddBindingForSite(L"Default", L"https", L"*:443:", L"Tav", 2);
    EXPECT_TRUE(call.called && call.result);

    Strings whats;
    for (const sys::PreviewChange& change : preview.Changes()) whats.push_back(change.what);
    EXPECT_EQ((Strings{L"write registry value", L"create registry key", L"write registry value",
                       L"stop service", L"stop service", L"set start type", L"start service",
                       L"start program", L"start program", L"start program", L"start program",
                       L"start program", L"end process", L"register print processor",
                       L"create shortcut", L"certificate component"}),
              whats);
    ASSERT_EQ(5u, preview.Programs().size());
    EXPECT_EQ(L"regsvr32 /s x.dll", preview.Programs()[0].commandLine);
    EXPECT_FALSE(preview.Programs()[3].started);
    ExpectUntouched();
}

// The file phase of one module, run once on the preview machine and once for real: the same
// decisions, the preview's files as the real run leaves them, and the fake machine untouched
// by the preview.
class FileUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::ReplaceFiles;
};

struct FilePhase {
    std::vector<updater_tests::Seen> reports;
    std::map<std::wstring, std::string> files;  // every path the real run leaves
};

FilePhase RunFilePhase(bool previewed, const std::map<std::wstring, std::string>* expected) {
    using updater_tests::UpdaterWorld;
    UpdaterWorld world;
    fakes::FakeFiles& files = world.machine.files;
    world.machine.versions.Set(L"C:\\TAV\\Qelsrv.exe", 7, 2, 0, 0, 7, 2, 0, 0);
    world.machine.versions.Set(L"C:\\Update\\package\\Qelsrv.exe", 7, 3, 0, 0, 7, 3, 0, 0);
    FileUpdater updater;
    updater.Attach(world.manager.get(), &world.texts, &world.language);
    const auto add = [&](const std::wstring& name, const std::wstring& installed, const char* content,
                         bool checked) {
        files.AddFile(UpdaterWorld::kPackage + name, "new " + tav::ToUtf8(name));
        if (content) files.AddFile(installed, content);
        updater.Files().push_back(updater_tests::MakeFile(name, installed));
        updater.Files().back().SetUserCustomizationCheckPlanned(checked ? 1 : 0);
    };
    add(L"Qelsrv.exe", L"C:\\TAV\\Qelsrv.exe", "old server", false);
    add(L"web\\page.htm", L"C:\\TAV\\web\\page.htm", "<html><body>mine</body></html>\n", true);
    add(L"web\\signed.htm", L"C:\\TAV\\web\\signed.htm", "<html><body>as delivered</body></html>\n", true);
    EXPECT_TRUE(CreateSignatureForFile(L"x.htm")->Sign(L"C:\\TAV\\web\\signed.htm"));
    add(L"web\\fresh\\new.htm", L"C:\\TAV\\web\\fresh\\new.htm", nullptr, false);
    files.AddFile(L"C:\\TAV\\ro.cfg", "old ro", sys::FileAttribute::ReadOnly);
    add(L"ro.cfg", L"C:\\TAV\\ro.cfg", nullptr, false);
    world.TakeReports();

    FilePhase phase;
    if (!previewed) {
        EXPECT_EQ(1, updater.ReplaceFiles());
        phase.reports = world.TakeReports();
        for (const std::wstring& path : files.List()) phase.files[path] = files.Read(path);
        return phase;
    }
    const auto untouched = Snapshot(files);
    sys::CPreviewMachine preview(sys::CurrentMachine());
    {
        const sys::MachineInPlace inPlace(&preview.Get());
        EXPECT_EQ(1, updater.ReplaceFiles());
        phase.reports = world.TakeReports();
        for (const auto& [path, content] : *expected) {
            if (path.back() == L'\\') {
                EXPECT_TRUE(sys::IsExistingFolder(*preview.Get().files, path)) << tav::ToUtf8(path);
            } else {
                EXPECT_EQ(content, Read(*preview.Get().files, path)) << tav::ToUtf8(path);
            }
        }
    }
    EXPECT_EQ(untouched, Snapshot(files));
    EXPECT_TRUE(preview.WouldChangeFile(L"C:\\TAV\\web\\page.htm"));
    return phase;
}

TEST(PreviewFilePhaseTest, DecidesAsTheRealRunAndLeavesTheMachineAsItWas) {
    const FilePhase real = RunFilePhase(false, nullptr);
    // The customized page is kept in the to-do folder; every other file is replaced.
    ASSERT_TRUE(real.files.count(L"C:\\TAV\\_todo\\web\\page.htm"));
    const FilePhase previewed = RunFilePhase(true, &real.files);
    EXPECT_EQ(real.reports, previewed.reports);
}

}  // namespace
