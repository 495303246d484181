// The answers of an update without anyone at the screen: the command-line options that stand
// for the wizard's windows, and the prompts that answer each question from them or refuse.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/StartupChain.h"
#include "app/WizardManager.h"

// An answer that may be missing.
enum class Choice { Unset, Yes, No };

// Every answer the wizard would ask for, as options give them.
struct UnattendedOptions {
    std::wstring packageFolder;  // empty: the program's own folder
    std::wstring language = L"EN";
    std::wstring jsonFile;
    bool acceptLicence = false;
    bool showLicence = false;
    bool installPrerequisites = false;
    bool confirmSettingsUpdate = false;
    bool upgradeFirstRelease = false;  // a first release may be updated to a later one
    bool continueAfterFailure = false;
    bool enforceUpdate = false;
    bool quiet = false;
    bool help = false;
    // Only tell whether the update would change the server (tavpkg preview --detect): every
    // question is answered, the settings dialogs as they are shown.
    bool detect = false;
    Choice versionQuestion = Choice::Unset;
    Choice secureChannel = Choice::Unset;
    Choice sslCertificate = Choice::Unset;
    Choice syncCompatibility = Choice::Unset;
    Choice internalSecureChannel = Choice::Unset;
    int serviceRetries = 1;
    // Options that contradict each other (the same question answered both ways): the update is
    // refused with this reason before anything changes.
    std::wstring contradiction;
};

// Reads the options of an unattended update; false with a one-line message on a wrong one.
bool ParseUnattendedOptions(const std::vector<std::wstring>& args, UnattendedOptions& options,
                            std::wstring& error);

// Answers the start-up chain's, the page flow's and the worker's questions from the options.
// A question without its answer is refused: the prompt answers as the wizard's Cancel or No
// would, and remembers why, so the run ends before anything changes.
class CUnattendedPrompts final : public IWizardPrompts, public IStartupPrompts {
public:
    explicit CUnattendedPrompts(const UnattendedOptions& options) : options_(options) {}

    // The wizard's questions and notices.
    int Ask(uint32_t textId, uint32_t captionId, uint32_t style) override;
    bool ShowSettings(CCommSyncSettings& settings) override;
    // The start-up chain's questions.
    int Ask(uint32_t textId, uint32_t style) override;

    // The first refusal: the text id that was refused (0: none) and what was missing.
    uint32_t RefusedText() const { return refusedText_; }
    const std::wstring& RefusalReason() const { return refusalReason_; }
    // The refusal was a failed check (administrator rights, cluster, disk space, ...).
    bool CheckFailed() const;
    // A failed package part ended the run before the next one.
    bool StoppedAfterFailure() const { return stoppedAfterFailure_; }

private:
    int Refuse(uint32_t textId, const std::wstring& reason, int answer);

    const UnattendedOptions& options_;
    uint32_t refusedText_ = 0;
    std::wstring refusalReason_;
    bool stoppedAfterFailure_ = false;
};
