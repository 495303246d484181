// The wizard's page flow without a window: the controls of each page, the language choice, the
// checks and questions behind Next, Back and Cancel, and the loop over the package's parts.
#include "app/WizardFlow.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "app/CommSyncSettings.h"
#include "app/FakeWizardManager.h"
#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "system/MessageBoxes.h"

namespace {

using namespace tav;
using Action = CWizardFlow::Action;
namespace Style = sys::MessageStyle;
namespace Answer = sys::MessageAnswer;

// Answers from a script (Yes, then whatever comes) and records each question's ids and style.
class ScriptedPrompts final : public IWizardPrompts {
public:
    int Ask(uint32_t textId, uint32_t captionId, uint32_t style) override {
        asked.push_back({textId, captionId, style});
        if (answers.empty()) return Answer::Yes;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool ShowSettings(CCommSyncSettings& settings) override {
        shown.push_back({settings.Form(), settings.helpAddress});
        return settingsOk;
    }
    struct Asked {
        uint32_t text, caption, style;
        bool operator==(const Asked&) const = default;
    };
    std::vector<Asked> asked;
    std::deque<int> answers;
    std::vector<std::pair<CommSyncForm, std::wstring>> shown;
    bool settingsOk = true;
};

class WizardFlowTest : public ::testing::Test {
protected:
    CWizardFlow& Flow(bool enforced = false) {
        flow_ = std::make_unique<CWizardFlow>(texts, manager, prompts, enforced);
        return *flow_;
    }
    // The flow on page 2, reached by Next twice.
    CWizardFlow& OnSummary(bool enforced = false) {
        CWizardFlow& flow = Flow(enforced);
        flow.Next();
        flow.Next();
        prompts.asked.clear();
        return flow;
    }
    std::map<int, ControlLook> Shown(const CWizardFlow& flow) {
        std::map<int, ControlLook> shown;
        for (const ControlLook& look : flow.Controls()) {
            if (look.visible) shown[look.id] = look;
        }
        return shown;
    }

    Texts texts;
    FakeWizardManager manager;
    ScriptedPrompts prompts;
    std::unique_ptr<CWizardFlow> flow_;
};

TEST_F(WizardFlowTest, EachPageShowsItsControlsWithTheirTexts) {
    CWizardFlow& flow = Flow();
    const std::map<int, uint32_t> pages[] = {
        {{1000, 53003}, {1001, 53004}, {1022, 0}, {1002, 53000}, {1003, 53001}, {1004, 53002}, {1005, 0}},
        {{1000, 53016}, {1001, 53015}, {1010, 53005}, {1007, 53011}, {1008, 53012}, {1009, 53011},
         {1011, 53013}, {1013, 0}, {1012, 53014}},
        {{1000, 53026}, {1001, 53004}, {1010, 53005}, {1007, 53017}, {1008, 53018}, {1009, 53017},
         {1014, 0}, {1015, 53025}},
        {{1007, 53027}, {1008, 53028}, {1009, 53027}, {1023, 53208}, {1024, 0}, {1017, 53031},
         {1018, 0}, {1019, 53032}, {1020, 0}, {1016, 0}, {1021, 53033}},
    };
    for (int page = 0; page < 4; ++page) {
        EXPECT_EQ(page, flow.Page());
        std::map<int, uint32_t> shown;
        for (const auto& [id, look] : Shown(flow)) shown[id] = look.textId;
        EXPECT_EQ(pages[page], shown) << "page " << page;
        EXPECT_EQ(25u, flow.Controls().size());
        flow.Next();
    }
    // While the update runs there is no button at all, and nothing leaves the wizard.
    for (int id : {1000, 1001, 1010}) EXPECT_FALSE(flow.Controls()[id - 1000].enabled) << id;
    EXPECT_TRUE(flow.Running());
    EXPECT_EQ(Action::Stay, flow.Next());
    EXPECT_EQ(Action::Stay, flow.Cancel());
    EXPECT_EQ(Action::Stay, flow.Back());

    for (const bool succeeded : {true, false}) {
        flow.Finished(succeeded);
        auto shown = Shown(flow);
        EXPECT_EQ(53036u, shown.at(1000).textId);
        EXPECT_TRUE(shown.at(1000).enabled);
        EXPECT_EQ(succeeded ? 53029u : 53030u, shown.at(1008).textId);
        EXPECT_EQ(succeeded ? 53034u : 53035u, shown.at(1021).textId);
    }
    EXPECT_EQ(Action::EndDialog, flow.Next());
}

TEST_F(WizardFlowTest, BackGoesOnePageBackAndCancelAsksFirst) {
    CWizardFlow& flow = Flow();
    EXPECT_EQ(Action::Stay, flow.Back());
    flow.Next();
    flow.Next();
    EXPECT_EQ(Action::ShowPage, flow.Back());
    EXPECT_EQ(1, flow.Page());
    prompts.asked.clear();
    prompts.answers = {Answer::No, Answer::Yes};
    EXPECT_EQ(Action::Stay, flow.Cancel());
    EXPECT_EQ(Action::EndDialog, flow.Cancel());
    const ScriptedPrompts::Asked cancel{53009, 53008, Style::YesNo | Style::IconWarning};
    EXPECT_EQ((std::vector<ScriptedPrompts::Asked>{cancel, cancel}), prompts.asked);
}

TEST_F(WizardFlowTest, TheStoredLanguageIsTakenOnlyWhenItIsExactlyOneOfTheOthers) {
    const std::pair<std::wstring, int> cases[] = {
        {L"DE", 8}, {L"SE", 14}, {L"AR", 0}, {L"de", 4}, {L"EN", 4}, {L"XX", 4}, {L"", 4}, {L"DEU", 4}};
    for (const auto& [stored, index] : cases) {
        CWizardFlow& flow = Flow();
        flow.ChooseStoredLanguage(stored);
        EXPECT_EQ(index, flow.LanguageIndex()) << tav::ToUtf8(stored);
        EXPECT_EQ(kWizardLanguages[index].code, flow.Language());
    }
    // The manager keeps its language until the administrator picks one.
    EXPECT_TRUE(manager.languages.empty());
    CWizardFlow& flow = Flow();
    EXPECT_FALSE(flow.SelectLanguage(4));
    EXPECT_TRUE(flow.SelectLanguage(6));
    EXPECT_FALSE(flow.SelectLanguage(15));
    EXPECT_EQ(L"FI", flow.Language());
    EXPECT_EQ(std::vector<std::wstring>{L"FI"}, manager.languages);
}

TEST_F(WizardFlowTest, TheWindowsReadRightToLeftExactlyWhileTheLanguageIsArabic) {
    CWizardFlow& stored = Flow();
    stored.ChooseStoredLanguage(L"AR");
    EXPECT_TRUE(stored.RightToLeft());
    CWizardFlow& flow = Flow();
    EXPECT_FALSE(flow.RightToLeft());
    // Switching both ways on the first page, through every other language.
    for (int index = 1; index < 15; ++index) {
        EXPECT_TRUE(flow.SelectLanguage(0));
        EXPECT_TRUE(flow.RightToLeft());
        EXPECT_TRUE(flow.SelectLanguage(index));
        EXPECT_FALSE(flow.RightToLeft()) << tav::ToUtf8(flow.Language());
    }
}

TEST_F(WizardFlowTest, TheFirstFailedWelcomeCheckEndsTheWizardWithItsText) {
    const struct {
        void (*spoil)(FakeWizardManager&);
        uint32_t text;
    } cases[] = {
        {[](FakeWizardManager& m) { m.administrator = false; m.cluster = true; }, 53041},
        {[](FakeWizardManager& m) { m.family2 = true; m.diskSpace = false; }, 53303},
        {[](FakeWizardManager& m) { m.cluster = true; m.loadBalancing = true; }, 53042},
        {[](FakeWizardManager& m) { m.loadBalancing = true; }, 53043},
        {[](FakeWizardManager& m) { m.diskSpace = false; }, 53049},
    };
    for (const auto& c : cases) {
        manager = FakeWizardManager();
        prompts = ScriptedPrompts();
        c.spoil(manager);
        EXPECT_EQ(Action::EndDialog, Flow().Next());
        EXPECT_EQ((std::vector<ScriptedPrompts::Asked>{{c.text, 53040, Style::Ok | Style::IconError}}),
                  prompts.asked);
    }
    manager = FakeWizardManager();
    prompts = ScriptedPrompts();
    EXPECT_EQ(Action::ShowPage, Flow().Next());
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(WizardFlowTest, TheSummaryPageAsksItsQuestionsInOrderAndStaysOnAnyRefusal) {
    using Asked = ScriptedPrompts::Asked;
    const Asked printParts{53214, 53008, Style::YesNo | Style::IconWarning};
    const Asked same{53250, 53251, Style::YesNoCancel | Style::IconQuestion};
    const Asked upgrade{53364, 53251, Style::OkCancel | Style::IconQuestion};
    const Asked start{53010, 53008, Style::YesNo | Style::IconWarning};
    manager.settingsUpdater = manager.sameVersion = manager.minorUpgrade = true;
    const struct {
        std::deque<int> answers;
        Action action;
        std::vector<Asked> asked;
        bool confirmed;
    } cases[] = {
        {{Answer::Yes, Answer::Yes, Answer::Ok, Answer::Yes}, Action::StartUpdate,
         {printParts, same, upgrade, start}, true},
        {{Answer::Yes, Answer::No, Answer::Ok, Answer::Yes}, Action::StartUpdate,
         {printParts, same, upgrade, start}, false},
        // Every question is still asked, but the update does not start.
        {{Answer::No, Answer::Yes, Answer::Ok}, Action::Stay, {printParts, same, upgrade}, true},
        {{Answer::Yes, Answer::Cancel, Answer::Ok}, Action::Stay, {printParts, same, upgrade}, false},
        {{Answer::Yes, Answer::Yes, Answer::Cancel}, Action::Stay, {printParts, same, upgrade}, true},
        {{Answer::Yes, Answer::Yes, Answer::Ok, Answer::No}, Action::Stay,
         {printParts, same, upgrade, start}, true},
    };
    for (const auto& c : cases) {
        manager.confirmed = false;
        CWizardFlow& flow = OnSummary();
        prompts.answers = c.answers;
        EXPECT_EQ(c.action, flow.Next());
        EXPECT_EQ(c.asked, prompts.asked);
        EXPECT_EQ(c.confirmed, manager.confirmed);
        EXPECT_EQ(c.action == Action::StartUpdate ? 3 : 2, flow.Page());
    }
    // Enforced: no version question; a downgrade to the first release ends the wizard.
    EXPECT_EQ(Action::StartUpdate, OnSummary(true).Next());
    EXPECT_EQ((std::vector<Asked>{printParts, start}), prompts.asked);
    manager.minorDowngrade = true;
    EXPECT_EQ(Action::EndDialog, OnSummary().Next());
    EXPECT_EQ((Asked{53365, 53040, Style::Ok | Style::IconError}), prompts.asked.back());
}

TEST_F(WizardFlowTest, TheSettingsDialogFollowsThePackageAndTheServersFound) {
    const struct {
        std::wstring first, scan;
        bool aps, qelsrv, mantlebox;
        std::vector<std::pair<CommSyncForm, std::wstring>> shown;
    } cases[] = {
        {L"v5_2", L"no", false, true, false, {{CommSyncForm::MainServer, L"help:first"}}},
        {L"V5_2", L"no", true, false, false, {{CommSyncForm::MainServer, L"help:first"}}},
        {L"V5_3", L"no", false, true, false, {{CommSyncForm::MainServerInternal, L"help:first"}}},
        {L"V5_3", L"no", true, false, false, {{CommSyncForm::RemotePrintServer, L"help:first"}}},
        {L"V5_3", L"no", false, false, false, {}},
        {L"no", L"no", true, true, false, {}},
        {L"", L"no", false, true, false, {}},
        {L"V5_4", L"V5_3", false, true, false, {}},
        // Only the scan processing server: its own form, and not the first module's.
        {L"V5_2", L"v5_3", false, false, true, {{CommSyncForm::ScanServer, L"help:scan"}}},
        {L"V5_3", L"V5_3", false, true, true,
         {{CommSyncForm::MainServerInternal, L"help:first"}, {CommSyncForm::ScanServer, L"help:scan"}}},
    };
    for (const auto& c : cases) {
        manager.firstDialog = c.first;
        manager.scanDialog = c.scan;
        manager.aps = c.aps;
        manager.qelsrv = c.qelsrv;
        manager.mantlebox = c.mantlebox;
        manager.taken.clear();
        prompts.shown.clear();
        EXPECT_EQ(Action::StartUpdate, OnSummary().Next()) << tav::ToUtf8(c.first);
        EXPECT_EQ(c.shown, prompts.shown) << tav::ToUtf8(c.first);
        EXPECT_EQ(c.shown.size(), manager.taken.size());
    }
    // Cancel in a settings dialog keeps the wizard on page 2 without the final question.
    manager.firstDialog = L"V5_2";
    prompts.settingsOk = false;
    manager.taken.clear();
    CWizardFlow& flow = OnSummary();
    EXPECT_EQ(Action::Stay, flow.Next());
    EXPECT_EQ(2, flow.Page());
    EXPECT_TRUE(manager.taken.empty());
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(WizardFlowTest, TheLicenceIsItsParagraphsUpToTheFirstMissingOne) {
    texts.AddString(std::to_string(kTextLicenceFirstParagraph), L"EN", L"One.");
    texts.AddString(std::to_string(kTextLicenceFirstParagraph + 1), L"EN", L"Two.");
    texts.AddString(std::to_string(kTextLicenceFirstParagraph + 3), L"EN", L"Four.");
    texts.AddString(std::to_string(kTextLicenceFirstParagraph), L"DE", L"Eins.");
    CWizardFlow& flow = Flow();
    EXPECT_EQ(L"One.\r\n\r\nTwo.", flow.LicenceText());
    flow.SelectLanguage(8);
    EXPECT_EQ(L"Eins.", flow.LicenceText());
    flow.SelectLanguage(2);
    EXPECT_EQ(L"", flow.LicenceText());
}

TEST_F(WizardFlowTest, ThePartsRunInTurnAndAFailureAsksBeforeTheNext) {
    using Asked = ScriptedPrompts::Asked;
    const Asked goOn{53306, 53251, Style::YesNo};
    const struct {
        std::deque<bool> runs;
        std::deque<int> answers;
        bool result;
        int ran;
        size_t questions;
    } cases[] = {
        {{}, {}, true, 0, 0},
        {{true, true}, {}, true, 2, 0},
        {{false}, {}, false, 1, 0},  // the last part failed: nothing to ask about
        {{false, true}, {Answer::Yes}, false, 2, 1},
        {{false, true, true}, {Answer::No}, false, 1, 1},
        {{true, false, true}, {Answer::Yes}, false, 3, 1},
    };
    for (const auto& c : cases) {
        manager.runs = c.runs;
        manager.ran = 0;
        prompts.asked.clear();
        prompts.answers = c.answers;
        EXPECT_EQ(c.result, CWizardFlow::RunPackages(manager, prompts));
        EXPECT_EQ(c.ran, manager.ran);
        EXPECT_EQ(std::vector<Asked>(c.questions, goOn), prompts.asked);
    }
}

}  // namespace
