// The wizard's page flow.
#include "app/WizardFlow.h"

#include "app/CommSyncSettings.h"
#include "app/ReadingDirection.h"
#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "system/MessageBoxes.h"

const WizardLanguage kWizardLanguages[15] = {
    {L"Arabic", L"AR"},    {L"Czech", L"CZ"},     {L"Danish", L"DK"},  {L"Dutch", L"NL"},
    {L"English", L"EN"},   {L"Estonian", L"EE"},  {L"Finnish", L"FI"}, {L"French", L"FR"},
    {L"German", L"DE"},    {L"Hungarian", L"HU"}, {L"Italian", L"IT"}, {L"Norwegian", L"NO"},
    {L"Polish", L"PL"},    {L"Spanish", L"ES"},   {L"Swedish", L"SE"},
};

namespace {

using namespace tav;
namespace Style = sys::MessageStyle;
namespace Answer = sys::MessageAnswer;

constexpr wchar_t kScanServerComponent[] = L"Scan Processing Server Update";

// The controls of each page with their texts; every other control is hidden.
struct PageControl {
    int id;
    uint32_t textId;
};
const std::vector<PageControl> kPageControls[4] = {
    {{1000, kTextButtonNext}, {1001, kTextButtonCancel}, {1022, 0}, {1002, kTextWelcomeTitle},
     {1003, kTextWelcomeIntro}, {1004, kTextChooseLanguage}, {1005, 0}},
    {{1000, kTextButtonAccept}, {1001, kTextButtonDecline}, {1010, kTextButtonBack},
     {1007, kTextLicencePageTitle}, {1008, kTextLicencePageSubtitle}, {1009, kTextLicencePageTitle},
     {1011, kTextLicenceScrollHint}, {1013, 0}, {1012, kTextLicenceAcceptQuestion}},
    {{1000, kTextButtonStartUpdate}, {1001, kTextButtonCancel}, {1010, kTextButtonBack},
     {1007, kTextSummaryPageTitle}, {1008, kTextSummaryPageSubtitle}, {1009, kTextSummaryPageTitle},
     {1014, 0}, {1015, kTextSummaryBackupHint}},
    {{1007, kTextProgressPageTitle}, {1008, kTextProgressPageSubtitle}, {1009, kTextProgressPageTitle},
     {1023, kTextCurrentActionLabel}, {1024, 0}, {1017, kTextStepProgressLabel}, {1018, 0},
     {1019, kTextTotalProgressLabel}, {1020, 0}, {1016, 0}, {1021, kTextUpdateRunningNote}},
};

}  // namespace

CWizardFlow::CWizardFlow(CStringBase& texts, IWizardManager& manager, IWizardPrompts& prompts,
                         bool enforced)
    : texts_(texts), manager_(manager), prompts_(prompts), enforced_(enforced) {}

void CWizardFlow::ChooseStoredLanguage(const std::wstring& stored) {
    // Exactly one of the codes, letter case included; English stays otherwise.
    for (int i = 0; i < 15; ++i) {
        if (i != kEnglishIndex && stored == kWizardLanguages[i].code) {
            languageIndex_ = i;
            language_ = stored;
        }
    }
}

bool CWizardFlow::SelectLanguage(int index) {
    if (index < 0 || index >= 15 || index == languageIndex_) return false;
    languageIndex_ = index;
    language_ = kWizardLanguages[index].code;
    manager_.SetLanguage(&language_);
    return true;
}

bool CWizardFlow::RightToLeft() const { return IsRightToLeftLanguage(language_); }

std::vector<ControlLook> CWizardFlow::Controls() const {
    std::vector<ControlLook> looks;
    for (int id = kFirstControl; id <= kLastControl; ++id) looks.push_back({id, false, true, 0});
    auto look = [&](int id) -> ControlLook& { return looks[static_cast<size_t>(id - kFirstControl)]; };
    for (const PageControl& control : kPageControls[page_]) {
        look(control.id) = {control.id, true, true, control.textId};
    }
    if (page_ == 3) {
        // No way out while the update runs; afterwards Next ends the wizard.
        look(1010) = {1010, false, false, kTextButtonBack};
        look(1001) = {1001, false, false, kTextButtonCancel};
        look(1000) = {1000, finished_, finished_, finished_ ? kTextButtonFinish : kTextButtonNext};
        if (finished_) {
            look(1008).textId = succeeded_ ? kTextProgressSubtitleSuccess : kTextProgressSubtitleFailure;
            look(1021).textId = succeeded_ ? kTextUpdateSucceededNote : kTextUpdateFailedNote;
        }
    }
    return looks;
}

CWizardFlow::Action CWizardFlow::Next() {
    switch (page_) {
        case 0:
            return NextOnWelcome();
        case 1:
            page_ = 2;
            return Action::ShowPage;
        case 2:
            return NextOnSummary();
        default:
            return finished_ ? Action::EndDialog : Action::Stay;
    }
}

CWizardFlow::Action CWizardFlow::Back() {
    if (page_ != 1 && page_ != 2) return Action::Stay;
    --page_;
    return Action::ShowPage;
}

CWizardFlow::Action CWizardFlow::Cancel() {
    if (running_) return Action::Stay;
    if (page_ == 3) return finished_ ? Action::EndDialog : Action::Stay;
    const int answer = prompts_.Ask(kTextConfirmCancelWizard, kTextWizardCaption,
                                    Style::YesNo | Style::IconWarning);
    return answer == Answer::Yes ? Action::EndDialog : Action::Stay;
}

void CWizardFlow::Finished(bool succeeded) {
    running_ = false;
    finished_ = true;
    succeeded_ = succeeded;
}

CWizardFlow::Action CWizardFlow::NextOnWelcome() {
    const struct {
        bool failed;
        uint32_t textId;
    } checks[] = {
        {!manager_.IsAdministrator(), kTextNoAdministratorRights},
        {manager_.IsProductFamily2(), kTextOtherProductFamily},
        {manager_.IsCluster(), kTextClusterNotSupported},
        {manager_.RunsLoadBalancing(), kTextLoadBalancingNotSupported},
        {!manager_.HasEnoughDiskSpace(), kTextNotEnoughDiskSpace},
    };
    for (const auto& check : checks) {
        if (!check.failed) continue;
        prompts_.Ask(check.textId, kTextCheckFailedCaption, Style::Ok | Style::IconError);
        return Action::EndDialog;
    }
    page_ = 1;
    return Action::ShowPage;
}

CWizardFlow::Action CWizardFlow::NextOnSummary() {
    bool ok = true;
    if (manager_.HasSettingsUpdater()) {
        ok = prompts_.Ask(kTextConfirmPrintComponentsUpdate, kTextWizardCaption,
                          Style::YesNo | Style::IconWarning) == Answer::Yes;
    }
    if (!enforced_) {
        bool endDialog = false;
        if (!AskVersionQuestions(endDialog)) ok = false;
        if (endDialog) return Action::EndDialog;
    }
    if (!ok) return Action::Stay;
    ok = AskSettings();
    if (ok) {
        ok = prompts_.Ask(kTextConfirmStartUpdate, kTextWizardCaption,
                          Style::YesNo | Style::IconWarning) == Answer::Yes;
    }
    if (!ok) return Action::Stay;
    page_ = 3;
    running_ = true;
    return Action::StartUpdate;
}

bool CWizardFlow::AskVersionQuestions(bool& endDialog) {
    bool ok = true;
    if (manager_.IsSameVersionInstalled()) {
        const int answer = prompts_.Ask(kTextSameVersionQuestion, kTextUpdateQuestionCaption,
                                        Style::YesNoCancel | Style::IconQuestion);
        if (answer == Answer::Cancel) ok = false;
        if (answer == Answer::Yes) manager_.SetVersionQuestionConfirmed();
    }
    if (manager_.IsMinorUpgradeFromFirstRelease() &&
        prompts_.Ask(kTextMinorUpgradeQuestion, kTextUpdateQuestionCaption,
                     Style::OkCancel | Style::IconQuestion) == Answer::Cancel) {
        ok = false;
    }
    if (manager_.IsMinorDowngradeToFirstRelease()) {
        prompts_.Ask(kTextMinorDowngradeRefused, kTextCheckFailedCaption, Style::Ok | Style::IconError);
        endDialog = true;
    }
    return ok;
}

bool CWizardFlow::Show(CCommSyncSettings& settings) {
    if (!prompts_.ShowSettings(settings)) return false;
    manager_.TakeSettings(settings);
    return true;
}

bool CWizardFlow::AskSettings() {
    bool ok = true;
    const bool aps = manager_.RunsTavAps();
    const bool qelsrv = manager_.RunsQelsrv();
    const bool mantlebox = manager_.RunsMantlebox();

    const std::wstring first = manager_.FirstModuleSettingsDialog();
    const bool v52 = tav::FoldEquals(first, L"V5_2");
    const bool v53 = tav::FoldEquals(first, L"V5_3");
    const bool scanServerOnly = mantlebox && !aps && !qelsrv;
    if ((v52 || v53) && !scanServerOnly) {
        const std::wstring help = manager_.OnlineHelpPath();
        if (v52) {
            CCommSyncSettings settings(CommSyncForm::MainServer, texts_, &language_, help);
            ok = Show(settings);
        } else if (qelsrv) {
            CCommSyncSettings settings(CommSyncForm::MainServerInternal, texts_, &language_, help);
            ok = Show(settings);
        } else if (aps) {
            CCommSyncSettings settings(CommSyncForm::RemotePrintServer, texts_, &language_, help);
            ok = Show(settings);
        }
    }
    if (mantlebox && tav::FoldEquals(manager_.ScanServerSettingsDialog(), L"V5_3")) {
        CCommSyncSettings settings(CommSyncForm::ScanServer, texts_, &language_,
                                   manager_.ScanServerOnlineHelpPath());
        if (!Show(settings)) ok = false;
    }
    return ok;
}

std::wstring WizardLanguageOf(const std::wstring& stored) {
    for (const WizardLanguage& language : kWizardLanguages) {
        if (stored == language.code) return stored;
    }
    return L"EN";
}

std::wstring LicenceTextOf(CStringBase& texts, const std::wstring& language) {
    std::wstring text;
    for (uint32_t i = 0; i < kTextLicenceParagraphLimit; ++i) {
        const std::wstring paragraph = texts.GetTextOrEmpty(
            static_cast<int32_t>(kTextLicenceFirstParagraph + i), language);
        if (paragraph.empty()) break;
        if (!text.empty()) text += L"\r\n\r\n";
        text += paragraph;
    }
    return text;
}

std::wstring CWizardFlow::LicenceText() const { return LicenceTextOf(texts_, language_); }

bool CWizardFlow::RunPackages(IWizardManager& manager, IWizardPrompts& prompts) {
    if (!manager.HasPendingPackage()) return true;
    bool allOk = true;
    bool lastOk = true;
    while (manager.LoadNextPackage()) {
        if (!lastOk && prompts.Ask(kTextContinueAfterFailure, kTextUpdateQuestionCaption,
                                   Style::YesNo) == Answer::No) {
            return false;
        }
        lastOk = manager.RunUpdate();
        allOk = allOk && lastOk;
    }
    return allOk;
}
