// What an unattended update notes of its run: each file's decision from the reports, the
// services, the throttled current action, the service retries, and the JSON of the result.
#include "app/UnattendedApply.h"

#include <gtest/gtest.h>

#include "app/lang/TextIds.h"
#include "fakes/FakeMachine.h"
#include "system/MessageBoxes.h"

namespace {

using namespace tav;
namespace Answer = sys::MessageAnswer;
namespace Style = sys::MessageStyle;

class UnattendedOwnerTest : public ::testing::Test {
protected:
    fakes::FakeClock clock;
    std::vector<std::wstring> printed;
    CUnattendedOwner owner{clock, [this](const std::wstring& line) { printed.push_back(line); }, 2};
};

TEST_F(UnattendedOwnerTest, EachFileKeepsItsLastDecision) {
    const std::pair<uint32_t, const wchar_t*> reports[] = {
        {kTextCheckingModuleFiles, L"Web"},
        {kTextCheckingFileExists, L"web\\a.htm"},
        {kTextFileExists, L"web\\a.htm"},
        {kTextCheckingFileExists, L"bin\\gone.dll"},
        {kTextInstalledFileMissing, L""},
        {kTextInstalledFileNewer, L"bin\\new.dll"},
        {kTextInstalledFileSameVersion, L"bin\\same.dll"},
        {kTextFileToWriteMissingSkipped, L"C:\\Tav\\opt.cfg"},
        {kTextCustomizedFileFound, L"C:\\Tav\\web\\a.htm"},
        {kTextFileUpdated, L"C:\\Tav\\web\\a.htm"},
        {kTextUpdatingModule, L"Kernel"},
        {kTextFileUpdated, L"C:\\Tav\\Qelsrv.exe"},
        {kTextFileNotCopied, L"C:\\Tav\\locked.dll"},
    };
    for (const auto& [id, extra] : reports) owner.Reported(id, extra);
    const std::vector<std::pair<std::wstring, FileDecision>> expected = {
        {L"bin\\gone.dll", FileDecision::Missing},
        {L"bin\\new.dll", FileDecision::LeftAlone},
        {L"bin\\same.dll", FileDecision::LeftAlone},
        {L"C:\\Tav\\opt.cfg", FileDecision::Missing},
        {L"C:\\Tav\\web\\a.htm", FileDecision::KeptCustomized},
        {L"C:\\Tav\\Qelsrv.exe", FileDecision::Replaced},
        {L"C:\\Tav\\locked.dll", FileDecision::NotReplaced},
    };
    std::vector<std::pair<std::wstring, FileDecision>> seen;
    for (const FileOutcome& file : owner.Files()) seen.emplace_back(file.path, file.decision);
    EXPECT_EQ(expected, seen);
    // Each file belongs to the module the run was at when it first decided about it.
    EXPECT_EQ(L"Web", owner.Files()[4].module);
    EXPECT_EQ(L"Kernel", owner.Files()[5].module);
}

TEST_F(UnattendedOwnerTest, TheRunsEventsAreCollectedAndTheFirstFailedStepKept) {
    using Kind = TupRunEvent::Kind;
    for (const TupRunEvent& event : {
             TupRunEvent::Service(Kind::ServiceStopped, L"W3SVC"),
             TupRunEvent::Service(Kind::ServiceStopped, L"TavSvc"),
             TupRunEvent::StepFailed(kTextApplyingUpdateFailed, L"Tarnova server: files not replaced"),
             TupRunEvent::Service(Kind::ServiceStarted, L"TavSvc"),
             TupRunEvent::StepFailed(kTextStartingServicesFailed, L"Tarnova server: not started"),
             TupRunEvent::ListValue(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav", L"Path", true),
         }) {
        owner.RunEvent(event);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"W3SVC", L"TavSvc"}), owner.ServicesStopped());
    EXPECT_EQ(std::vector<std::wstring>{L"TavSvc"}, owner.ServicesStarted());
    EXPECT_EQ(L"Tarnova server: files not replaced", owner.FailedStep());
    ASSERT_EQ(1u, owner.ListValues().size());
    EXPECT_TRUE(owner.ListValues()[0].view64);
    EXPECT_FALSE(owner.InstallationNotFound());
    owner.RunEvent(TupRunEvent::NothingInstalled());
    EXPECT_TRUE(owner.InstallationNotFound());
}

TEST_F(UnattendedOwnerTest, StatusLinesAlwaysAndTheCurrentActionOnceASecond) {
    owner.AddStatusLine(L"status", 1, 2);
    owner.SetCurrentAction(L"one");
    clock.nowMs += 999;
    owner.SetCurrentAction(L"two");
    clock.nowMs += 1;
    owner.SetCurrentAction(L"three");
    EXPECT_EQ((std::vector<std::wstring>{L"status", L"  ... one", L"  ... three"}), printed);
}

TEST_F(UnattendedOwnerTest, AServiceIsTriedAgainAsOftenAsAllowedThenCancelled) {
    const uint32_t retry = Style::RetryCancel | Style::IconWarning;
    EXPECT_EQ(Answer::Retry, owner.AskQuestion(L"start failed", L"c", retry));
    EXPECT_EQ(Answer::Retry, owner.AskQuestion(L"start failed", L"c", retry));
    EXPECT_EQ(Answer::Cancel, owner.AskQuestion(L"start failed", L"c", retry));
    EXPECT_EQ(Answer::Ok, owner.AskQuestion(L"notice", L"c", Style::Ok | Style::IconWarning));
    EXPECT_EQ(L"notice", printed.back());
}

TEST(UpdateResultJsonTest, HoldsEveryPartWithTextsEscaped) {
    UpdateResult result;
    result.exitCode = 1603;
    result.reason = L"the \"update\" failed\n";
    result.installFolder = L"C:\\Tav\\";
    result.files = {{L"C:\\Tav\\a.htm", FileDecision::KeptCustomized, L"", L"", L"", false},
                    {L"bin\\b.dll", FileDecision::LeftAlone, L"", L"", L"", false}};
    result.servicesStopped = {L"W3SVC", L"TavSvc"};
    result.programs = {{L"C:\\Tav\\x.exe", L"\"C:\\Tav\\x.exe\" /r", true, true}};
    sys::WrittenValue value;
    value.key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav";
    value.name = L"RequireHttps";
    value.type = sys::RegType::Dword;
    value.data = {1, 0, 0, 0};
    value.replaced = true;
    value.previousType = sys::RegType::Dword;
    value.previousData = {0, 0, 0, 0};
    value.written = true;
    result.values = {value};
    const std::string json = UpdateResultJson(result);
    for (const char* part : {
             "\"exitCode\": 1603",
             "\"reason\": \"the \\\"update\\\" failed\\u000a\"",
             "\"preview\": false",
             "\"installFolder\": \"C:\\\\Tav\\\\\"",
             "{\"path\": \"C:\\\\Tav\\\\a.htm\", \"decision\": \"kept-customized\", \"todoFolder\": "
             "\"C:\\\\Tav\\\\_todo\\\\\"}",
             "{\"path\": \"bin\\\\b.dll\", \"decision\": \"left-alone\"}",
             "\"servicesStopped\": [\"W3SVC\", \"TavSvc\"]",
             "\"servicesStarted\": []",
             "{\"program\": \"C:\\\\Tav\\\\x.exe\", \"commandLine\": \"\\\"C:\\\\Tav\\\\x.exe\\\" /r\", \"waited\": true, \"started\": true}",
             "\"name\": \"RequireHttps\", \"data\": 1, \"replaced\": 0, \"written\": true}",
         }) {
        EXPECT_NE(std::string::npos, json.find(part)) << part << "\n" << json;
    }
}

}  // namespace
