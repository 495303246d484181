// The unattended update: the options that stand for the wizard's windows, how each question is
// answered or refused, and the exit code of each way the flow ends, over the wizard's own flow.
#include "app/unattended/UnattendedUpdate.h"

#include <gtest/gtest.h>

#include <set>

#include "app/FakeWizardManager.h"
#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "system/MessageBoxes.h"

namespace {

using namespace tav;
namespace Answer = sys::MessageAnswer;
namespace Style = sys::MessageStyle;

UnattendedOptions Parsed(const std::vector<std::wstring>& args) {
    UnattendedOptions options;
    std::wstring error;
    EXPECT_TRUE(ParseUnattendedOptions(args, options, error)) << tav::ToUtf8(error);
    return options;
}

TEST(UnattendedOptionsTest, EveryOptionSetsItsAnswerAndWrongOnesAreNamed) {
    const UnattendedOptions options = Parsed(
        {L"C:\\Pkg", L"--accept-licence", L"--install-prerequisites", L"--confirm-settings-update",
         L"--version-question", L"no", L"--upgrade-first-release", L"--secure-channel", L"on",
         L"--ssl-certificate", L"off", L"--sync-compatibility", L"on", L"--internal-secure-channel",
         L"off", L"--service-retries", L"3", L"--continue-after-failure", L"--enforce-update",
         L"--language", L"DE", L"--quiet", L"--json", L"r.json"});
    EXPECT_EQ(L"C:\\Pkg", options.packageFolder);
    EXPECT_TRUE(options.acceptLicence && options.installPrerequisites &&
                options.confirmSettingsUpdate && options.upgradeFirstRelease &&
                options.continueAfterFailure && options.enforceUpdate && options.quiet);
    EXPECT_EQ(Choice::No, options.versionQuestion);
    EXPECT_EQ(Choice::Yes, options.secureChannel);
    EXPECT_EQ(Choice::No, options.sslCertificate);
    EXPECT_EQ(Choice::Yes, options.syncCompatibility);
    EXPECT_EQ(Choice::No, options.internalSecureChannel);
    EXPECT_EQ(3, options.serviceRetries);
    EXPECT_EQ(L"DE", options.language);
    EXPECT_EQ(L"r.json", options.jsonFile);
    EXPECT_EQ(1, Parsed({}).serviceRetries);
    // The option's former name still answers the same question.
    EXPECT_TRUE(Parsed({L"--allow-older"}).upgradeFirstRelease);
    EXPECT_TRUE(Parsed({L"--secure-channel", L"on", L"--secure-channel", L"on"}).contradiction.empty());
    EXPECT_NE(std::wstring::npos,
              Parsed({L"--secure-channel", L"on", L"--secure-channel", L"off"}).contradiction.find(
                  L"--secure-channel"));

    const struct {
        std::vector<std::wstring> args;
        const char* named;
    } wrong[] = {
        {{L"--accept-license"}, "--accept-license"},
        {{L"--secure-channel"}, "needs a value"},
        {{L"--secure-channel", L"yes"}, "on or off"},
        {{L"--version-question", L"on"}, "yes or no"},
        {{L"--language", L"de"}, "'de'"},
        {{L"--service-retries", L"-1"}, "--service-retries"},
        {{L"--service-retries", L"2x"}, "--service-retries"},
        {{L"A", L"B"}, "only one"},
    };
    for (const auto& [args, named] : wrong) {
        UnattendedOptions options;
        std::wstring error;
        EXPECT_FALSE(ParseUnattendedOptions(args, options, error)) << named;
        EXPECT_NE(std::string::npos, tav::ToUtf8(error).find(named)) << tav::ToUtf8(error);
    }
}

// Each question with and without its option: the answer, and whether it refuses the update.
TEST(UnattendedPromptsTest, EachQuestionIsAnsweredByItsOptionOrRefused) {
    const struct {
        uint32_t textId;
        bool UnattendedOptions::*flag;  // null: no switch
        Choice UnattendedOptions::*choice;
        Choice value;
        int answer;
        bool refused;
    } cases[] = {
        {kTextClusterNotSupported, nullptr, nullptr, Choice::Unset, Answer::Ok, true},
        {kTextNotEnoughDiskSpace, nullptr, nullptr, Choice::Unset, Answer::Ok, true},
        {kTextConfirmPrintComponentsUpdate, nullptr, nullptr, Choice::Unset, Answer::No, true},
        {kTextConfirmPrintComponentsUpdate, &UnattendedOptions::confirmSettingsUpdate, nullptr,
         Choice::Unset, Answer::Yes, false},
        {kTextSameVersionQuestion, nullptr, nullptr, Choice::Unset, Answer::Cancel, true},
        {kTextSameVersionQuestion, nullptr, &UnattendedOptions::versionQuestion, Choice::Yes,
         Answer::Yes, false},
        {kTextSameVersionQuestion, nullptr, &UnattendedOptions::versionQuestion, Choice::No,
         Answer::No, false},
        {kTextMinorUpgradeQuestion, nullptr, nullptr, Choice::Unset, Answer::Cancel, true},
        {kTextMinorUpgradeQuestion, &UnattendedOptions::upgradeFirstRelease, nullptr, Choice::Unset,
         Answer::Ok, false},
        {kTextMinorDowngradeRefused, &UnattendedOptions::upgradeFirstRelease, nullptr, Choice::Unset,
         Answer::Ok, true},
        {kTextConfirmStartUpdate, nullptr, nullptr, Choice::Unset, Answer::Yes, false},
        {kTextContinueAfterFailure, nullptr, nullptr, Choice::Unset, Answer::No, false},
        {kTextContinueAfterFailure, &UnattendedOptions::continueAfterFailure, nullptr,
         Choice::Unset, Answer::Yes, false},
        {kTextConfirmCancelWizard, nullptr, nullptr, Choice::Unset, Answer::Cancel, true},
    };
    for (const auto& c : cases) {
        UnattendedOptions options;
        if (c.flag) options.*c.flag = true;
        if (c.choice) options.*c.choice = c.value;
        CUnattendedPrompts prompts(options);
        IWizardPrompts& wizardPrompts = prompts;
        EXPECT_EQ(c.answer, wizardPrompts.Ask(c.textId, kTextWizardCaption, Style::YesNo)) << c.textId;
        EXPECT_EQ(c.refused ? c.textId : 0u, prompts.RefusedText()) << c.textId;
    }
}

TEST(UnattendedPromptsTest, SettingsComeFromTheOptionsAndAMissingOneIsNamed) {
    Texts texts;
    const std::wstring language = L"EN";
    UnattendedOptions options;
    options.secureChannel = Choice::Yes;
    options.syncCompatibility = Choice::No;
    {
        CUnattendedPrompts prompts(options);
        CCommSyncSettings settings(CommSyncForm::MainServer, texts, &language, L"help");
        EXPECT_FALSE(prompts.ShowSettings(settings));
        EXPECT_NE(std::wstring::npos, prompts.RefusalReason().find(L"--ssl-certificate"));
        EXPECT_EQ(std::wstring::npos, prompts.RefusalReason().find(L"--secure-channel"));
        EXPECT_EQ(0u, settings.understood);
    }
    options.sslCertificate = Choice::Yes;
    CUnattendedPrompts prompts(options);
    CCommSyncSettings main(CommSyncForm::MainServer, texts, &language, L"help");
    main.SetDefaults();
    ASSERT_TRUE(prompts.ShowSettings(main));
    EXPECT_EQ(1u, main.enforceSecureChannel);
    EXPECT_EQ(1u, main.installSslCertificate);
    EXPECT_EQ(0u, main.enforceSyncCompatibility);
    EXPECT_EQ(1u, main.understood);
    // The internal server's form asks one more.
    CCommSyncSettings internal(CommSyncForm::MainServerInternal, texts, &language, L"help");
    EXPECT_FALSE(prompts.ShowSettings(internal));
    EXPECT_NE(std::wstring::npos, prompts.RefusalReason().find(L"--internal-secure-channel"));
}

TEST(UnattendedPromptsTest, DetectionAnswersEveryQuestionAndKeepsTheSettingsAsShown) {
    const UnattendedOptions options = Parsed({L"--detect"});
    EXPECT_TRUE(options.acceptLicence && options.installPrerequisites && options.confirmSettingsUpdate &&
                options.upgradeFirstRelease && options.continueAfterFailure);
    // The way that looks at every file: same-version files are compared too.
    EXPECT_EQ(Choice::Yes, options.versionQuestion);
    EXPECT_EQ(Choice::No, Parsed({L"--version-question", L"no", L"--detect"}).versionQuestion);

    Texts texts;
    const std::wstring language = L"EN";
    CUnattendedPrompts prompts(options);
    CCommSyncSettings settings(CommSyncForm::MainServerInternal, texts, &language, L"help");
    settings.SetDefaults();
    const CCommSyncSettings shown = settings;
    ASSERT_TRUE(prompts.ShowSettings(settings));
    EXPECT_EQ(shown.enforceSecureChannel, settings.enforceSecureChannel);
    EXPECT_EQ(shown.enforceSecureChannelInternal, settings.enforceSecureChannelInternal);
    EXPECT_EQ(1u, settings.understood);
    EXPECT_EQ(Answer::Yes, prompts.Ask(kTextSameVersionQuestion, 0, 0));
    EXPECT_EQ(Answer::Ok, prompts.Ask(kTextInstallDotNet4, 0));
    EXPECT_EQ(0u, prompts.RefusedText());
}

class UnattendedFlowTest : public ::testing::Test {
public:
    UnattendedOutcome Run() {
        CUnattendedPrompts prompts(options);
        UnattendedOutcome outcome =
            RunUnattendedFlow(texts, manager, prerequisites, options, enforced, prompts);
        refused = prompts.RefusedText();
        return outcome;
    }

    Texts texts;
    FakeWizardManager manager;
    FakePrerequisites prerequisites;
    UnattendedOptions options;
    bool enforced = false;
    uint32_t refused = 0;
};

TEST_F(UnattendedFlowTest, AllAnswersGivenTheUpdateRunsAndSucceeds) {
    options.acceptLicence = true;
    manager.firstDialog = L"V5_2";
    options.secureChannel = options.sslCertificate = options.syncCompatibility = Choice::Yes;
    options.language = L"FR";
    manager.runs = {true};
    const UnattendedOutcome outcome = Run();
    EXPECT_EQ(UnattendedExit::Updated, outcome.exitCode);
    EXPECT_TRUE(outcome.ran);
    EXPECT_EQ(1, manager.ran);
    ASSERT_EQ(1u, manager.takenFlags.size());
    EXPECT_EQ((std::vector<uint32_t>{1, 1, 1, 0}), manager.takenFlags[0]);
    EXPECT_EQ(std::vector<std::wstring>{L"FR"}, manager.languages);
}

// Every way of refusing ends before the run, with its exit code and the reason.
TEST_F(UnattendedFlowTest, ARefusalEndsBeforeAnythingRuns) {
    using namespace UnattendedExit;
    const struct {
        const char* name;
        void (*set)(UnattendedFlowTest&);
        int exitCode;
        const wchar_t* reason;
    } cases[] = {
        {"licence", [](UnattendedFlowTest& t) { t.options.acceptLicence = false; }, NoAnswer,
         L"--accept-licence"},
        {"contradiction",
         [](UnattendedFlowTest& t) { t.options.contradiction = L"option '--x' is given both"; },
         NoAnswer, L"--x"},
        {"check", [](UnattendedFlowTest& t) { t.manager.cluster = true; }, Failed, L"check"},
        {"administrator", [](UnattendedFlowTest& t) { t.manager.administrator = false; }, Failed,
         L"check"},
        {"settings", [](UnattendedFlowTest& t) { t.manager.firstDialog = L"V5_2"; }, NoAnswer,
         L"--secure-channel"},
        {"same version", [](UnattendedFlowTest& t) { t.manager.sameVersion = true; }, NoAnswer,
         L"--version-question"},
        {"first release", [](UnattendedFlowTest& t) { t.manager.minorUpgrade = true; }, NoAnswer,
         L"--upgrade-first-release"},
        {"later release installed", [](UnattendedFlowTest& t) { t.manager.minorDowngrade = true; },
         NewerInstalled, L"later release"},
        {"print components", [](UnattendedFlowTest& t) { t.manager.settingsUpdater = true; },
         NoAnswer, L"--confirm-settings-update"},
        {"prerequisite",
         [](UnattendedFlowTest& t) {
             t.prerequisites.missing = {Prerequisite::DotNet4, Prerequisite::VcRedist2015x64};
         },
         NoAnswer, L".NET Framework 4, Visual C++ 2015 runtime (x64)"},
    };
    for (const auto& c : cases) {
        options = UnattendedOptions();
        options.acceptLicence = true;
        manager = FakeWizardManager();
        manager.runs = {true};
        prerequisites = FakePrerequisites();
        c.set(*this);
        const UnattendedOutcome outcome = Run();
        EXPECT_EQ(c.exitCode, outcome.exitCode) << c.name;
        EXPECT_FALSE(outcome.ran) << c.name;
        EXPECT_EQ(0, manager.ran) << c.name;
        EXPECT_TRUE(prerequisites.installed.empty()) << c.name;
        EXPECT_NE(std::wstring::npos, outcome.reason.find(c.reason))
            << c.name << ": " << tav::ToUtf8(outcome.reason);
    }
}

TEST_F(UnattendedFlowTest, TheRefusedTextIsGivenInTheChosenLanguage) {
    texts.AddString(std::to_string(kTextClusterNotSupported), L"DE", L"Cluster nicht unterstützt");
    options.acceptLicence = true;
    options.language = L"DE";
    manager.cluster = true;
    EXPECT_NE(std::wstring::npos, Run().reason.find(L"Cluster nicht unterstützt"));
    EXPECT_EQ(kTextClusterNotSupported, refused);
}

// An installer that succeeds lets the update go on in the same run; only a restart ends it.
TEST_F(UnattendedFlowTest, InstalledPrerequisitesEndWithTheInstallersCodes) {
    const struct {
        Prerequisite missing;
        int installerExit;  // -1: not waited for
        bool staysMissing;
        int exitCode;
        int ran;
    } cases[] = {
        {Prerequisite::DotNet452, 3010, false, UnattendedExit::RestartNeeded, 0},
        {Prerequisite::DotNet452, 1641, false, UnattendedExit::RestartNeeded, 0},
        {Prerequisite::DotNet452, 1603, false, UnattendedExit::Failed, 0},
        {Prerequisite::DotNet452, 0, false, UnattendedExit::Updated, 1},
        {Prerequisite::DotNet452, 0, true, UnattendedExit::Failed, 0},
        {Prerequisite::KB2468871x64, 0, false, UnattendedExit::Updated, 1},
        // The wizard ends after this installer, and no exit code tells better.
        {Prerequisite::KB2468871x64, -1, false, UnattendedExit::RestartNeeded, 0},
        {Prerequisite::VcRedist2015x86, -1, false, UnattendedExit::Updated, 1},
    };
    for (const auto& c : cases) {
        manager = FakeWizardManager();
        manager.runs = {true};
        prerequisites = FakePrerequisites();
        prerequisites.missing = {c.missing};
        prerequisites.exitCode = c.installerExit;
        prerequisites.staysMissing = c.staysMissing;
        options.acceptLicence = options.installPrerequisites = true;
        EXPECT_EQ(c.exitCode, Run().exitCode) << c.installerExit;
        EXPECT_EQ(std::vector<Prerequisite>{c.missing}, prerequisites.installed);
        EXPECT_EQ(c.ran, manager.ran);
    }
}

TEST_F(UnattendedFlowTest, AFailedPartFailsTheUpdateAndTheNextRunsOnlyWhenAsked) {
    options.acceptLicence = true;
    manager.runs = {false, true};
    UnattendedOutcome outcome = Run();
    EXPECT_EQ(UnattendedExit::Failed, outcome.exitCode);
    EXPECT_EQ(1, manager.ran);
    EXPECT_NE(std::wstring::npos, outcome.reason.find(L"--continue-after-failure"));

    manager = FakeWizardManager();
    manager.runs = {false, true};
    options.continueAfterFailure = true;
    EXPECT_EQ(UnattendedExit::Failed, Run().exitCode);
    EXPECT_EQ(2, manager.ran);
}

TEST_F(UnattendedFlowTest, EnforcedUpdatesAskNoVersionQuestion) {
    options.acceptLicence = true;
    enforced = true;
    manager.sameVersion = manager.minorUpgrade = true;
    manager.runs = {true};
    EXPECT_EQ(UnattendedExit::Updated, Run().exitCode);
    EXPECT_EQ(1, manager.ran);
}

}  // namespace
