// The preview's printed plan, its JSON and detection's answer for each way a run can end.
#include "app/unattended/UpdatePreview.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "app/unattended/UnattendedUpdate.h"
#include "app/unattended/UpdateResultJson.h"
#include "base/WideText.h"
#include "fakes/FakeMachine.h"
#include "fakes/ResultSchema.h"
#include "fakes/ScratchFolder.h"
#include "fakes/TavpkgRunner.h"
#include "manager/TupRunRecord.h"

namespace {

using Json = nlohmann::ordered_json;

FileOutcome File(const wchar_t* path, FileDecision decision, const wchar_t* module, const wchar_t* before,
                 const wchar_t* after, bool changed) {
    FileOutcome file;
    file.path = path;
    file.decision = decision;
    file.module = module;
    file.before = before;
    file.after = after;
    file.changed = changed;
    return file;
}

// A preview of an update with every kind of decision.
UpdateResult EveryKind() {
    UpdateResult result;
    result.preview = true;
    result.ran = true;
    result.installationFound = true;
    result.packageFolder = L"C:\\Update\\";
    result.installFolder = L"C:\\Tav\\";
    result.backupFolder = L"C:\\Tav\\_TupBkp\\20261209_1.2.3.4\\";
    result.versionBefore = L"1.2.3.4";
    result.versionAfter = L"1.2.4.0";
    result.files = {
        File(L"C:\\Tav\\Qelsrv.exe", FileDecision::Replaced, L"Kernel", L"1.2.3.4", L"1.2.4.0", true),
        File(L"C:\\Tav\\web\\status.asp", FileDecision::KeptCustomized, L"Webpages", L"md5 aa", L"md5 bb", true),
        File(L"C:\\Tav\\web\\new.asp", FileDecision::Replaced, L"Webpages", L"", L"md5 cc", true),
        File(L"C:\\Tav\\bin\\x.dll", FileDecision::LeftAlone, L"Webpages", L"9.0.0.0", L"9.0.0.0", false),
        File(L"C:\\Tav\\opt.cfg", FileDecision::Missing, L"Generic", L"", L"", false),
    };
    result.servicesStopped = {L"w3svc", L"tavsvc"};
    result.servicesStarted = {L"tavsvc", L"w3svc"};
    sys::WrittenValue value;
    value.key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavWeb";
    value.name = L"RequireHttps";
    value.type = sys::RegType::Dword;
    value.data = {1, 0, 0, 0};
    value.replaced = true;
    value.previousType = sys::RegType::Dword;
    value.previousData = {0, 0, 0, 0};
    result.values = {value};
    result.programs = {{L"C:\\Windows\\system32\\regsvr32.exe", L"regsvr32 /s \"C:\\Tav\\a.dll\"", true, true},
                       {L"C:\\Windows\\system32\\inetsrv\\appcmd.exe", L"appcmd set vdir", true, true}};
    result.changes = {{L"certificate component", L"CreateSelfSignedCertificateInStore", L"16, cn=x, Tav, true"},
                      {L"copy", L"C:\\Update\\package\\Qelsrv.exe", L"C:\\Tav\\Qelsrv.exe.tup~new"}};
    return result;
}

TEST(UpdatePreviewTest, ThePlanGroupsEveryDecisionAndEndsWithItsCount) {
    const std::vector<std::wstring> expected = {
        L"Preview of the update of C:\\Tav\\ from C:\\Update\\; nothing on this server was changed.",
        L"Server version: 1.2.3.4 -> 1.2.4.0",
        L"Prerequisites to install first: none",
        L"Files:",
        L"  Kernel:",
        L"    replace      C:\\Tav\\Qelsrv.exe  1.2.3.4 -> 1.2.4.0",
        L"  Webpages:",
        L"    keep copy    C:\\Tav\\web\\status.asp  changed here: the administrator's copy goes to "
        L"C:\\Tav\\_todo\\, then md5 aa -> md5 bb",
        L"    replace      C:\\Tav\\web\\new.asp  (new) -> md5 cc",
        L"    leave alone  C:\\Tav\\bin\\x.dll  installed version newer or equal (9.0.0.0)",
        L"  Generic:",
        L"    missing      C:\\Tav\\opt.cfg  not installed and not required",
        L"Services stopped, in order: w3svc, tavsvc",
        L"Services started again: tavsvc, w3svc",
        L"Registry values:",
        L"  HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavWeb\\RequireHttps = 1  (replaces 0)",
        L"Components registered:",
        L"  regsvr32 /s \"C:\\Tav\\a.dll\"",
        L"  certificate component: CreateSelfSignedCertificateInStore(16, cn=x, Tav, true)",
        L"Programs, scripts and IIS commands:",
        L"  appcmd set vdir",
        L"Backup folder: C:\\Tav\\_TupBkp\\20261209_1.2.3.4\\",
        L"preview: 2 files replaced, 1 kept in _todo, 1 left alone, 1 missing, 0 not replaced; "
        L"2 services stopped; 1 registry values; 2 programs; would update (exit 0)",
    };
    EXPECT_EQ(expected, PreviewPlanLines(EveryKind()));

    UpdateResult failed = EveryKind();
    failed.exitCode = UnattendedExit::Failed;
    failed.reason = L"the update failed";
    failed.failedStep = L"Tarnova server: The files of module Kernel could not be replaced.";
    const std::vector<std::wstring> lines = PreviewPlanLines(failed);
    EXPECT_EQ(L"  at: Tarnova server: The files of module Kernel could not be replaced.; reason: the update failed",
              lines.back());
    EXPECT_NE(std::wstring::npos, lines[lines.size() - 2].find(L"would fail (exit 1603)"));
}

TEST(UpdatePreviewTest, TheJsonIsApplysMarkedAsAPreviewWithEachFilesVersionsAndDetectionInFront) {
    UpdateResult result = EveryKind();
    result.assumed = {L"the services stop and start again at once"};
    const std::string text = UpdateResultJson(result);
    EXPECT_EQ("", testing_support::ResultSchemaProblems(text)) << text;
    Json json = Json::parse(text);
    EXPECT_EQ(true, json["preview"]);
    EXPECT_EQ("", json["resultLog"]);
    EXPECT_EQ(Json::array(), json["prerequisites"]);
    EXPECT_EQ(Json::parse(R"({"path": "C:\\Tav\\Qelsrv.exe", "decision": "replaced", "module": "Kernel",
                              "before": "1.2.3.4", "after": "1.2.4.0", "changed": true})"),
              json["files"][0]);
    EXPECT_EQ(Json::parse(R"(["the services stop and start again at once"])"), json["assumed"]);

    const std::string detected = DetectResultJson(result, {DetectExit::WouldChange, L"not applied: x"});
    EXPECT_EQ("", testing_support::ResultSchemaProblems(detected)) << detected;
    Json detect = Json::parse(detected);
    EXPECT_EQ("detect", std::next(detect.begin(), 1).key());  // in front, after the version
    EXPECT_EQ(Json::parse(R"({"exitCode": 1, "answer": "not-applied", "line": "not applied: x"})"), detect["detect"]);
    detect.erase("detect");
    EXPECT_EQ(json, detect);
}

TEST(UpdatePreviewTest, DetectionAnswersFromHowThePreviewEnded) {
    struct Case {
        const char* name;
        void (*arrange)(UpdateResult&);
        int exitCode;
        const wchar_t* line;
    };
    const Case cases[] = {
        {"every file already as the package has it", [](UpdateResult& r) {
             for (FileOutcome& file : r.files) file.changed = false;
         }, DetectExit::Applied,
         L"applied: the update would leave every installed file and registry value as it is"},
        {"applied by a run that succeeded", [](UpdateResult& r) {
             for (FileOutcome& file : r.files) file.changed = false;
             r.hasLastRun = true;
             r.lastRun.succeeded = true;
         }, DetectExit::Applied, nullptr},
        {"the last run failed, whatever the files say", [](UpdateResult& r) {
             for (FileOutcome& file : r.files) file.changed = false;
             r.hasLastRun = true;
             r.lastRun.when = L"2026-12-09 23:42:14";
             r.lastRun.backupFolder = L"C:\\Tav\\_TupBkp\\x\\";
             r.exitCode = UnattendedExit::Failed;
         }, DetectExit::WouldChange,
         L"not applied: the last update run of this package failed (2026-12-09 23:42:14, backup folder "
         L"C:\\Tav\\_TupBkp\\x\\)"},
        {"a registry list value would be written", [](UpdateResult& r) {
             for (FileOutcome& file : r.files) file.changed = false;
             r.listValuesChanged = {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\JawsEnginePath"};
         }, DetectExit::WouldChange,
         L"not applied: the update would write 1 registry values "
         L"(HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\JawsEnginePath)"},
        {"nothing to update", [](UpdateResult& r) { r.files.clear(); }, DetectExit::Applied, nullptr},
        {"files would change", [](UpdateResult&) {}, DetectExit::WouldChange,
         L"not applied: the update would change 3 installed files (C:\\Tav\\Qelsrv.exe, ...)"},
        {"a prerequisite is missing", [](UpdateResult& r) {
             for (FileOutcome& file : r.files) file.changed = false;
             r.prerequisites = {L".NET Framework 4.5.2"};
             r.exitCode = UnattendedExit::RestartNeeded;
         }, DetectExit::WouldChange, L"not applied: prerequisites would be installed first: .NET Framework 4.5.2"},
        {"no installation", [](UpdateResult& r) { r.installationFound = false; }, DetectExit::CannotTell,
         L"cannot tell: no installation of the server was found"},
        {"a broken package refuses", [](UpdateResult& r) {
             r.exitCode = UnattendedExit::NoAnswer;
             r.reason = L"config.xml cannot be read";
         }, DetectExit::CannotTell,
         L"cannot tell: the update would refuse: a question has no answer; config.xml cannot be read"},
        {"the run would fail", [](UpdateResult& r) {
             r.exitCode = UnattendedExit::Failed;
             r.failedStep = L"step";
         }, DetectExit::CannotTell, L"cannot tell: the update would fail at: step"},
        {"another update runs", [](UpdateResult& r) {
             r = UpdateResult();
             r.exitCode = UnattendedExit::Busy;
             r.reason = L"busy";
         }, DetectExit::CannotTell, L"cannot tell: busy"},
    };
    for (const Case& c : cases) {
        UpdateResult result = EveryKind();
        c.arrange(result);
        const DetectAnswer answer = Detect(result);
        EXPECT_EQ(c.exitCode, answer.exitCode) << c.name;
        if (c.line) {
            EXPECT_EQ(c.line, answer.line) << c.name;
        }
    }
}

}  // namespace

namespace {

std::string Item(const char* key, const char* type, const std::string& value) {
    return std::string("<ITEM key=\"") + key + "\" type=\"" + type + "\">" + value + "</ITEM>";
}

// One file of the package: where it comes from and goes, and its checks.
std::string PackageFile(int index, const char* from, const char* to, const std::string& checks) {
    return Item(("File" + std::to_string(index)).c_str(), "OCContainer",
                Item("UpdatePackageFile", "OCString", from) + Item("InstallationFile", "OCString", to) + checks);
}

std::string Number(const char* key, int value) { return Item(key, "OCUnsignedLong", std::to_string(value)); }

// Every path of the fake files with its attributes and bytes.
std::map<std::wstring, std::string> Snapshot(const fakes::FakeFiles& files) {
    std::map<std::wstring, std::string> state;
    for (const std::wstring& path : files.List()) {
        state[path] = std::to_string(files.Attributes(path)) + ":" + files.Read(path);
    }
    return state;
}

// A server installed in C:\TAV\ (Qelsrv.exe 7.2 running as TavSvc) and a package of one module
// whose files meet it each in another way: replaced, changed by the administrator, the same
// version, and missing where it is only written into an existing folder.
class PreviewPackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.operatingSystem.administrators = true;
        machine.program.path = folder.PathOf("") + L"tavpkg.exe";
        machine.processes.processes.push_back({8, L"C:\\TAV\\Qelsrv.exe"});
        machine.services.Add(L"TavSvc", L"\"C:\\TAV\\Qelsrv.exe\"", sys::ServiceState::Running).processIds = {8};
        machine.files.AddFile(L"C:\\TAV\\Qelsrv.exe", "server 7.2");
        machine.files.AddFile(L"C:\\TAV\\web\\page.asp", "<html>mine</html>\n");
        machine.files.AddFile(L"C:\\TAV\\same.dll", "same");
        machine.versions.Set(L"C:\\TAV\\Qelsrv.exe", 7, 2, 0, 0, 7, 2, 0, 0);
        machine.versions.Set(L"C:\\TAV\\same.dll", 1, 0, 0, 0, 1, 0, 0, 0);

        const std::wstring package = folder.PathOf("") + L"package\\";
        machine.files.AddFile(package + L"Qelsrv.exe", "server 7.3");
        machine.files.AddFile(package + L"web\\page.asp", "<html>delivered</html>\n");
        machine.files.AddFile(package + L"same.dll", "same");
        machine.files.AddFile(package + L"opt\\opt.cfg", "option");
        machine.versions.Set(package + L"Qelsrv.exe", 7, 3, 0, 0, 7, 3, 0, 0);
        machine.versions.Set(package + L"same.dll", 1, 0, 0, 0, 1, 0, 0, 0);
        WriteConfig("");
    }

    // config.xml with one module of that class, its files and more of its lists.
    void WriteConfig(const std::string& lists, const char* className = "CTupGenericUpdater") {
        const std::string files =
            PackageFile(0, "Qelsrv.exe", "[$TN_INSTALL_PATH]Qelsrv.exe", Number("VersionCheckType", 1)) +
            PackageFile(1, "web\\page.asp", "[$TN_INSTALL_PATH]web\\page.asp", Number("UserCustomizationCheckPlanned", 1)) +
            PackageFile(2, "same.dll", "[$TN_INSTALL_PATH]same.dll", Number("VersionCheckType", 2)) +
            PackageFile(3, "opt\\opt.cfg", "[$TN_INSTALL_PATH]opt\\opt.cfg",
                        Number("UpdateCheckType", 1) + Number("UpdateConditionType", 1));
        const std::wstring config = folder.Write(
            "config.xml", "<?xml version=\"1.0\"?>\n<CONFIG>" +
                              Item("Tarnova_Update", "OCContainer",
                                   Item("ComponentName", "OCString", "Tarnova server") +
                                       Item("Updaters", "OCContainer",
                                            Item("Updater0", "OCContainer",
                                                 Item("ClassType", "OCString", className) +
                                                     Item("AffectedServices", "OCStringList",
                                                          Item("0", "OCStringListItem", "TavSvc")) +
                                                     Item("Files", "OCContainer", files) + lists))) +
                              "</CONFIG>\n");
        machine.files.AddFile(config);  // found through the machine, read by libxml2
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
    const std::wstring packageFolder = folder.PathOf("");
};

TEST_F(PreviewPackageTest, OverTheFakeMachineEveryDecisionIsPlannedAndNothingChanges) {
    const auto before = Snapshot(machine.files);

    // Through the tool, as an administrator runs it.
    const testing_support::ToolResult shown = testing_support::RunTool({L"preview", packageFolder, L"--accept-licence"});
    EXPECT_EQ(0, shown.code) << shown.out << shown.err;
    for (const char* part : {
             "Server version: 7.2.0.0 -> 7.3.0.0\n",
             "  Generic:\n",
             "    replace      C:\\TAV\\Qelsrv.exe  7.2.0.0 -> 7.3.0.0\n",
             "    keep copy    C:\\TAV\\web\\page.asp  changed here: the administrator's copy goes to C:\\TAV\\_todo\\",
             "    leave alone  C:\\TAV\\same.dll  installed version newer or equal (1.0.0.0)\n",
             "    missing      C:\\TAV\\opt\\opt.cfg  not installed and not required\n",
             "Services stopped, in order: tavsvc\n",
             "Services started again: tavsvc\n",
             "Backup folder: C:\\TAV\\_TupBkp\\",
             "preview: 1 files replaced, 1 kept in _todo, 1 left alone, 1 missing, 0 not replaced; 1 services stopped",
         }) {
        EXPECT_NE(std::string::npos, shown.out.find(part)) << part << "\n" << shown.out;
    }
    const testing_support::ToolResult quiet =
        testing_support::RunTool({L"preview", packageFolder, L"--accept-licence", L"--quiet"});
    EXPECT_TRUE(testing_support::OneLine(quiet.out)) << quiet.out;
    EXPECT_EQ(0u, quiet.out.rfind("preview: 1 files replaced", 0)) << quiet.out;
    const testing_support::ToolResult refused = testing_support::RunTool({L"preview", packageFolder});
    EXPECT_EQ(UnattendedExit::NoAnswer, refused.code);
    EXPECT_NE(std::string::npos, refused.out.find("reason: the licence agreement is not accepted")) << refused.out;
    const testing_support::ToolResult detect = testing_support::RunTool({L"preview", packageFolder, L"--detect"});
    EXPECT_EQ(DetectExit::WouldChange, detect.code);
    EXPECT_EQ("detect: not applied: the update would change 2 installed files (C:\\TAV\\Qelsrv.exe, ...)\n",
              detect.out);

    EXPECT_EQ(before, Snapshot(machine.files));
    EXPECT_EQ(0, machine.registry.writes);
    EXPECT_TRUE(machine.services.requests.empty());
    EXPECT_TRUE(machine.launcher.starts.empty());
}

// The module's last program is not there: the preview foresees the failure, the run fails and
// is recorded, and detection calls the package not applied until a run of it succeeds. A run
// record of another package changes nothing.
TEST_F(PreviewPackageTest, AFailedRunIsForeseenRecordedAndNeverCalledApplied) {
    WriteConfig(Item("ExecutablesToLaunch", "OCContainer",
                     Item("File0", "OCContainer",
                          Item("Path", "OCString", "[$TN_INSTALL_PATH]tools\\check.exe") +
                              Number("WaitTillEnd", 1))) +
                Item("RegistryKeys", "OCContainer",
                     Item("Key0", "OCContainer",
                          Item("KeyName", "OCString", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav") +
                              Item("ValueName", "OCString", "CheckPath") +
                              Item("Value", "OCString", "[$TN_INSTALL_PATH]tools\\"))),
                "CTupModuleUpdater");  // a module whose failing program fails the run
    machine.launcher.failing = {L"check.exe"};
    const std::vector<std::wstring> answers = {L"--accept-licence", L"--version-question", L"yes"};
    const auto tool = [&](std::vector<std::wstring> args) {
        args.insert(args.begin() + 1, packageFolder);
        args.insert(args.end(), answers.begin(), answers.end());
        return testing_support::RunTool(args);
    };
    const auto record = [&] {
        TupRunRecord found;
        return ReadRunRecord(PackageDigestOf(packageFolder + L"config.xml"), found)
                   ? (found.succeeded ? "succeeded" : "failed")
                   : "none";
    };
    // Another package's failed run, under its own digest.
    WriteRunRecord(std::wstring(32, L'0'), TupRunRecord());

    const struct {
        const char* step;
        std::function<void()> before;
        std::vector<std::wstring> args;
        int exitCode;
        const char* says;
        const char* record;
    } steps[] = {
        {"the preview foresees the failure", [] {}, {L"preview"}, UnattendedExit::Failed,
         "check.exe  (not found: fails to start)", "none"},
        {"detection cannot tell before any run", [] {}, {L"preview", L"--detect"}, DetectExit::CannotTell,
         "detect: cannot tell: the update would fail", "none"},
        {"the run fails", [] {}, {L"apply"}, UnattendedExit::Failed, "apply: failed (exit 1603)", "failed"},
        {"its files are in place, yet it is not applied", [&] { machine.launcher.failing.clear(); },
         {L"preview", L"--detect"}, DetectExit::WouldChange,
         "detect: not applied: the last update run of this package failed", "failed"},
        {"the program is there again: the preview foresees success",
         [&] { machine.files.AddFile(L"C:\\TAV\\tools\\check.exe", "check"); }, {L"preview"},
         UnattendedExit::Updated, "would update (exit 0)", "failed"},
        {"the run succeeds", [] {}, {L"apply"}, UnattendedExit::Updated, "apply: updated (exit 0)",
         "succeeded"},
        {"right after it, applied", [] {}, {L"preview", L"--detect"}, DetectExit::Applied,
         "detect: applied", "succeeded"},
        {"a registry list value gone: not applied",
         [&] {
             machine.registry.Remove(sys::RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav",
                                     sys::RegistryView::Bits32, L"CheckPath");
         },
         {L"preview", L"--detect"}, DetectExit::WouldChange,
         "registry values (HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\CheckPath)", "succeeded"},
    };
    for (const auto& step : steps) {
        step.before();
        std::vector<std::wstring> args = step.args;
        args.insert(args.end(), {L"--json", folder.PathOf("result.json")});
        const testing_support::ToolResult shown = tool(args);
        EXPECT_EQ(step.exitCode, shown.code) << step.step << "\n" << shown.out << shown.err;
        EXPECT_NE(std::string::npos, shown.out.find(step.says)) << step.step << "\n" << shown.out;
        EXPECT_STREQ(step.record, record()) << step.step;
        // The result says the same as the exit code, in the schema's form.
        std::ifstream file(tav::ToUtf8(folder.PathOf("result.json")), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        EXPECT_EQ("", testing_support::ResultSchemaProblems(text)) << step.step << "\n" << text;
        Json json = Json::parse(text, nullptr, false);
        const bool detect = step.args.back() == L"--detect";
        EXPECT_EQ(step.exitCode, detect ? json["detect"]["exitCode"] : json["exitCode"]) << step.step;
        EXPECT_EQ(step.args.front() == L"preview", json["preview"]) << step.step;
    }
}

}  // namespace
