// The wizard's pages and what moves between them: which controls each page shows with which
// texts, the language choice, the checks and questions behind Next, Back and Cancel, and the
// loop over the package's parts that the worker runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/WizardManager.h"

class CStringBase;

// The languages of the language list, in its sorted order.
struct WizardLanguage {
    const wchar_t* name;
    const wchar_t* code;
};
extern const WizardLanguage kWizardLanguages[15];
constexpr int kEnglishIndex = 4;

// How a control of the wizard looks on the current page.
struct ControlLook {
    int id;
    bool visible;
    bool enabled;
    uint32_t textId;  // 0: the control's content is not a text of the language file
};

// The stored language when it is one of the wizard's codes (letter case included), else English.
std::wstring WizardLanguageOf(const std::wstring& stored);

// The licence as the licence page shows it: its paragraphs in the language, blank-line apart.
std::wstring LicenceTextOf(CStringBase& texts, const std::wstring& language);

class CWizardFlow {
public:
    enum class Action { Stay, ShowPage, EndDialog, StartUpdate };
    static constexpr int kFirstControl = 1000;
    static constexpr int kLastControl = 1024;

    CWizardFlow(CStringBase& texts, IWizardManager& manager, IWizardPrompts& prompts,
                bool enforced);

    // The language stored in the registry, when it is one of the others the wizard offers.
    void ChooseStoredLanguage(const std::wstring& stored);
    // A new selection of the language list; true when the language changed.
    bool SelectLanguage(int index);
    int LanguageIndex() const { return languageIndex_; }
    const std::wstring& Language() const { return language_; }
    // Whether the wizard's windows are mirrored and read right to left in its language.
    bool RightToLeft() const;

    int Page() const { return page_; }
    // Every control from 1000 to 1024 as the current page shows it.
    std::vector<ControlLook> Controls() const;

    Action Next();
    Action Back();
    // The Cancel button, and Escape or closing the window: never while the update runs.
    Action Cancel();

    bool Running() const { return running_; }
    // The worker's end.
    void Finished(bool succeeded);

    // The page texts that are not labels.
    std::wstring LicenceText() const;
    std::wstring Summary() { return manager_.Summary(); }

    // The worker: every part of the package in turn, asking before the next after a failure;
    // true when all succeeded.
    static bool RunPackages(IWizardManager& manager, IWizardPrompts& prompts);

private:
    Action NextOnWelcome();
    Action NextOnSummary();
    bool AskVersionQuestions(bool& endDialog);
    bool AskSettings();
    bool Show(CCommSyncSettings& settings);

    CStringBase& texts_;
    IWizardManager& manager_;
    IWizardPrompts& prompts_;
    bool enforced_;
    int page_ = 0;
    int languageIndex_ = kEnglishIndex;
    std::wstring language_ = L"EN";
    bool running_ = false;
    bool finished_ = false;
    bool succeeded_ = false;
};
