// What an unattended update notes of its run: each file's decision from the reports, the
// services, the throttled current action, the service retries, and the JSON of the result with
// each type of registry data.
#include "app/unattended/UnattendedApply.h"

#include <algorithm>
#include <iterator>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/unattended/UpdatePreview.h"
#include "app/unattended/UpdateResultJson.h"
#include "app/lang/TextIds.h"
#include "fakes/ResultSchema.h"
#include "fakes/FakeMachine.h"
#include "system/MessageBoxes.h"

namespace {

using namespace tav;
namespace Answer = sys::MessageAnswer;
namespace Style = sys::MessageStyle;
using Json = nlohmann::json;

// A value the update added to the product key.
sys::WrittenValue Value(uint32_t type, std::vector<uint8_t> data) {
    sys::WrittenValue value;
    value.key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav";
    value.name = L"V";
    value.type = type;
    value.data = std::move(data);
    value.written = true;
    return value;
}

class UnattendedOwnerTest : public ::testing::Test {
protected:
    fakes::FakeClock clock;
    std::vector<std::wstring> printed;
    CUnattendedOwner owner{clock, [this](const std::wstring& line) { printed.push_back(line); }, 2};
};

TEST_F(UnattendedOwnerTest, EachFileKeepsItsLastDecisionAndTheModuleOfItsFirst) {
    using D = FileDecision;
    const std::tuple<D, const wchar_t*, const wchar_t*> decided[] = {
        {D::Missing, L"Web", L"C:\\Tav\\bin\\gone.dll"},
        {D::LeftAlone, L"Web", L"C:\\Tav\\bin\\new.dll"},
        {D::KeptCustomized, L"Web", L"C:\\Tav\\web\\a.htm"},
        {D::Replaced, L"Kernel", L"C:\\Tav\\web\\a.htm"},
        {D::LeftAlone, L"Kernel", L"C:\\Tav\\Qelsrv.exe"},
        {D::Replaced, L"Kernel", L"C:\\Tav\\Qelsrv.exe"},
        {D::NotReplaced, L"Kernel", L"C:\\Tav\\locked.dll"},
    };
    for (const auto& [decision, module, path] : decided) {
        owner.RunEvent(TupRunEvent::File(decision, module, L"pkg\\x", path));
    }
    const std::vector<std::tuple<std::wstring, D, std::wstring>> expected = {
        {L"C:\\Tav\\bin\\gone.dll", D::Missing, L"Web"},
        {L"C:\\Tav\\bin\\new.dll", D::LeftAlone, L"Web"},
        // The kept copy stays the news about a customized file that was then replaced.
        {L"C:\\Tav\\web\\a.htm", D::KeptCustomized, L"Web"},
        {L"C:\\Tav\\Qelsrv.exe", D::Replaced, L"Kernel"},
        {L"C:\\Tav\\locked.dll", D::NotReplaced, L"Kernel"},
    };
    std::vector<std::tuple<std::wstring, D, std::wstring>> seen;
    for (const FileOutcome& file : owner.Files()) seen.emplace_back(file.path, file.decision, file.module);
    EXPECT_EQ(expected, seen);
    EXPECT_EQ(L"pkg\\x", owner.Files()[0].packagePath);
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

TEST(UpdateResultJsonTest, HoldsEveryPartWithTextsEscapedAndMeetsTheSchema) {
    UpdateResult result;
    result.exitCode = 1603;
    result.reason = L"the \"update\" failed\n";
    result.failedStep = L"Tarnova server: files not replaced";
    result.installFolder = L"C:\\Tav\\";
    result.files = {{L"C:\\Tav\\a.htm", FileDecision::KeptCustomized, L"", L"", L"", false, L""},
                    {L"bin\\b.dll", FileDecision::LeftAlone, L"Web", L"", L"", false, L""}};
    result.servicesStopped = {L"W3SVC", L"TavSvc"};
    result.programs = {{L"C:\\Tav\\x.exe", L"\"C:\\Tav\\x.exe\" /r", true, true}};
    result.values = {Value(sys::RegType::Dword, {1, 0, 0, 0})};
    result.values[0].replaced = true;
    result.values[0].previousType = sys::RegType::Dword;
    result.values[0].previousData = {0, 0, 0, 0};
    result.seconds = 1.23456;
    const std::string text = UpdateResultJson(result);
    EXPECT_EQ("", testing_support::ResultSchemaProblems(text)) << text;
    Json json = Json::parse(text);
    EXPECT_EQ(kResultSchemaVersion, json["schemaVersion"]);
    EXPECT_EQ(1603, json["exitCode"]);
    EXPECT_EQ("the \"update\" failed\n", json["reason"]);
    EXPECT_EQ("Tarnova server: files not replaced", json["failedStep"]);
    EXPECT_EQ(false, json["preview"]);
    EXPECT_FALSE(json.contains("assumed"));
    EXPECT_EQ(Json::parse(R"([{"path": "C:\\Tav\\a.htm", "decision": "kept-customized", "todoFolder": "C:\\Tav\\_todo\\"},
                              {"path": "bin\\b.dll", "decision": "left-alone", "module": "Web"}])"),
              json["files"]);
    EXPECT_EQ(Json::parse(R"(["W3SVC", "TavSvc"])"), json["servicesStopped"]);
    EXPECT_EQ(Json::array(), json["servicesStarted"]);
    EXPECT_EQ(Json::parse(R"([{"program": "C:\\Tav\\x.exe", "commandLine": "\"C:\\Tav\\x.exe\" /r",
                               "waited": true, "started": true}])"),
              json["programs"]);
    EXPECT_EQ(Json::parse(R"([{"key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav", "view": 32, "name": "V",
                               "type": "REG_DWORD", "data": 1, "replaced": 0, "replacedType": "REG_DWORD",
                               "written": true}])"),
              json["registryValues"]);
    EXPECT_EQ(1.235, json["seconds"]);
}

// Each type of registry data, as the JSON result and the preview's plan write it.
TEST(UpdateResultJsonTest, RegistryDataHasOneTextFormBesideItsType) {
    const struct {
        uint32_t type;
        std::vector<uint8_t> data;
        const char* json;  // the value's "type" and "data"
        const wchar_t* plan;
    } cases[] = {
        {sys::RegType::String, {'C', 0, ':', 0, '\\', 0, 0, 0}, R"({"type": "REG_SZ", "data": "C:\\"})", L"\"C:\\\""},
        {sys::RegType::ExpandString, {'%', 0, 0x3D, 0xD8, 0x00, 0xDE}, R"({"type": "REG_EXPAND_SZ", "data": "%\ud83d\ude00"})",
         L"\"%\U0001F600\""},
        {sys::RegType::String, {'a', 0, 'b'}, R"({"type": "REG_SZ", "data": "610062"})", L"hex:610062"},
        {sys::RegType::Dword, {0xFB, 0x20, 0, 0}, R"({"type": "REG_DWORD", "data": 8443})", L"8443"},
        {sys::RegType::Dword, {1, 2}, R"({"type": "REG_DWORD", "data": "0102"})", L"hex:0102"},
        {sys::RegType::Binary, {0x00, 0xAB}, R"({"type": "REG_BINARY", "data": "00ab"})", L"hex:00ab"},
        {sys::RegType::MultiString, {'a', 0, 0, 0, 0, 0}, R"({"type": "REG_MULTI_SZ", "data": "610000000000"})",
         L"hex:610000000000"},
        {sys::RegType::Qword, {}, R"({"type": "REG_QWORD", "data": ""})", L"hex:"},
        {99, {7}, R"({"type": "REG_TYPE_99", "data": "07"})", L"hex:07"},
    };
    UpdateResult result;
    result.preview = true;
    for (const auto& c : cases) result.values.push_back(Value(c.type, c.data));
    const std::string text = UpdateResultJson(result);
    EXPECT_EQ("", testing_support::ResultSchemaProblems(text)) << text;
    Json json = Json::parse(text);
    const std::vector<std::wstring> plan = PreviewPlanLines(result);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Json& value = json["registryValues"][i];
        EXPECT_EQ(Json::parse(cases[i].json), Json({{"type", value["type"]}, {"data", value["data"]}})) << i;
        EXPECT_NE(plan.end(), std::find(plan.begin(), plan.end(),
                                        L"  HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\V = " +
                                            std::wstring(cases[i].plan) + L"  (new)"))
            << i;
    }
}

}  // namespace
