// The program's start: the command-line switch, and the prerequisite questions with what OK and
// Cancel do and how the .NET Framework 4.5.2 installer's exit code is read.
#include "app/StartupChain.h"

#include <gtest/gtest.h>

#include <deque>

#include "app/FakeWizardManager.h"
#include "system/MessageBoxes.h"

namespace {

namespace Answer = sys::MessageAnswer;
namespace Style = sys::MessageStyle;

class Prompts final : public IStartupPrompts {
public:
    int Ask(uint32_t textId, uint32_t style) override {
        asked.emplace_back(textId, style);
        const int answer = answers.empty() ? Answer::Ok : answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
    std::vector<std::pair<uint32_t, uint32_t>> asked;
    std::deque<int> answers;
};

TEST(StartupChainTest, OnlyTheExactSwitchEnforcesTheUpdate) {
    const std::pair<const wchar_t*, uint32_t> cases[] = {
        {L"\"C:\\Update Dir\\TavUpdateWizard.exe\" --enforce-update", 1},
        {L"TavUpdateWizard.exe   --enforce-update", 1},
        {L"TavUpdateWizard.exe --Enforce-Update", 0},
        {L"TavUpdateWizard.exe --enforce-update extra", 0},
        {L"TavUpdateWizard.exe /enforce-update", 0},
        {L"TavUpdateWizard.exe --enforce-update ", 0},
        {L"TavUpdateWizard.exe", 0},
        {L"\"TavUpdateWizard.exe", 0},
    };
    for (const auto& [commandLine, flag] : cases) {
        EXPECT_EQ(flag, EnforceFlagOf(CommandLineTail(commandLine)));
    }
    EXPECT_EQ(L"a \"b c\"", CommandLineTail(L"  \"x y.exe\"\t a \"b c\""));
}

TEST(StartupChainTest, EachMissingPrerequisiteIsAskedInOrderAndOkInstallsIt) {
    const uint32_t style = Style::OkCancel | Style::IconWarning;
    FakePrerequisites prerequisites;
    prerequisites.missing = {Prerequisite::AspNetCoreModulex64, Prerequisite::DotNet4,
                             Prerequisite::VcRedist2015x86, Prerequisite::DotNet452,
                             Prerequisite::AspNetCoreModulex86};
    Prompts prompts;
    EXPECT_TRUE(RunPrerequisiteChain(prerequisites, prompts));
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{
                  {53327, style}, {53340, style}, {53336, style}, {53337, style}, {53337, style}}),
              prompts.asked);
    EXPECT_EQ((std::vector<Prerequisite>{Prerequisite::DotNet4, Prerequisite::VcRedist2015x86,
                                         Prerequisite::DotNet452, Prerequisite::AspNetCoreModulex86,
                                         Prerequisite::AspNetCoreModulex64}),
              prerequisites.installed);

    FakePrerequisites none;
    Prompts silent;
    EXPECT_TRUE(RunPrerequisiteChain(none, silent));
    EXPECT_TRUE(silent.asked.empty());
}

TEST(StartupChainTest, CancelEndsEveryRowAndSomeRowsEndAfterTheirInstaller) {
    const struct {
        Prerequisite prerequisite;
        uint32_t text;
        bool goesOnAfterOk;
    } rows[] = {
        {Prerequisite::DotNetFrameworkPolicy, 53304, false}, {Prerequisite::DotNet4, 53327, true},
        {Prerequisite::KB2468871x86, 53328, false},          {Prerequisite::KB2468871x64, 53328, false},
        {Prerequisite::VcRedist2008Sp1x86, 53320, true},     {Prerequisite::VcRedist2015x86, 53340, true},
        {Prerequisite::VcRedist2015x64, 53341, true},        {Prerequisite::DotNet452, 53336, true},
        {Prerequisite::AspNetCoreModulex86, 53337, true},    {Prerequisite::AspNetCoreModulex64, 53337, true},
    };
    for (const auto& row : rows) {
        for (const int answer : {Answer::Ok, Answer::Cancel}) {
            FakePrerequisites prerequisites;
            prerequisites.missing = {row.prerequisite};
            Prompts prompts;
            prompts.answers = {answer};
            const bool ok = answer == Answer::Ok;
            EXPECT_EQ(ok && row.goesOnAfterOk, RunPrerequisiteChain(prerequisites, prompts))
                << row.text;
            EXPECT_EQ(row.text, prompts.asked.at(0).first);
            EXPECT_EQ(ok ? 1u : 0u, prerequisites.installed.size());
        }
    }
}

TEST(StartupChainTest, TheDotNet452ExitCodeDecidesWhetherTheChainGoesOn) {
    const struct {
        int exitCode;
        bool goesOn;
        uint32_t notice;
    } cases[] = {{0, true, 0}, {3010, false, 53338}, {1641, false, 53338},
                 {1603, false, 53339}, {-1, false, 53339}};
    for (const auto& c : cases) {
        FakePrerequisites prerequisites;
        prerequisites.missing = {Prerequisite::DotNet452, Prerequisite::AspNetCoreModulex86};
        prerequisites.exitCode = c.exitCode;
        Prompts prompts;
        EXPECT_EQ(c.goesOn, RunPrerequisiteChain(prerequisites, prompts)) << c.exitCode;
        if (c.goesOn) {
            EXPECT_EQ(2u, prompts.asked.size());
            EXPECT_EQ(53337u, prompts.asked.back().first);
        } else {
            ASSERT_EQ(2u, prompts.asked.size());
            EXPECT_EQ((std::pair<uint32_t, uint32_t>{c.notice, Style::Ok | Style::IconWarning}),
                      prompts.asked.back());
        }
    }
}

}  // namespace
