// Options of an unattended update and the answers they give.
#include "app/unattended/UnattendedAnswers.h"

#include <cwchar>

#include "app/CommSyncSettings.h"
#include "app/WizardFlow.h"
#include "app/lang/TextIds.h"
#include "system/MessageBoxes.h"

namespace {

using namespace tav;
namespace Style = sys::MessageStyle;
namespace Answer = sys::MessageAnswer;

// Switches without a value.
struct Flag {
    const wchar_t* name;
    bool UnattendedOptions::*field;
};
constexpr Flag kFlags[] = {
    {L"--accept-licence", &UnattendedOptions::acceptLicence},
    {L"--show-licence", &UnattendedOptions::showLicence},
    {L"--install-prerequisites", &UnattendedOptions::installPrerequisites},
    {L"--confirm-settings-update", &UnattendedOptions::confirmSettingsUpdate},
    {L"--upgrade-first-release", &UnattendedOptions::upgradeFirstRelease},
    {L"--allow-older", &UnattendedOptions::upgradeFirstRelease},  // its first name
    {L"--continue-after-failure", &UnattendedOptions::continueAfterFailure},
    {L"--enforce-update", &UnattendedOptions::enforceUpdate},
    {L"--quiet", &UnattendedOptions::quiet},
    {L"--help", &UnattendedOptions::help},
    {L"--detect", &UnattendedOptions::detect},
};

// Options that answer a question with two words.
struct ChoiceOption {
    const wchar_t* name;
    Choice UnattendedOptions::*field;
    const wchar_t* yes;
    const wchar_t* no;
};
constexpr ChoiceOption kChoices[] = {
    {L"--version-question", &UnattendedOptions::versionQuestion, L"yes", L"no"},
    {L"--secure-channel", &UnattendedOptions::secureChannel, L"on", L"off"},
    {L"--ssl-certificate", &UnattendedOptions::sslCertificate, L"on", L"off"},
    {L"--sync-compatibility", &UnattendedOptions::syncCompatibility, L"on", L"off"},
    {L"--internal-secure-channel", &UnattendedOptions::internalSecureChannel, L"on", L"off"},
};

// The settings dialogs' check boxes and the options that tick them.
struct SettingOption {
    uint32_t CCommSyncSettings::*flag;
    Choice UnattendedOptions::*field;
    const wchar_t* name;
};
const SettingOption kSettings[] = {
    {&CCommSyncSettings::enforceSecureChannel, &UnattendedOptions::secureChannel,
     L"--secure-channel"},
    {&CCommSyncSettings::installSslCertificate, &UnattendedOptions::sslCertificate,
     L"--ssl-certificate"},
    {&CCommSyncSettings::enforceSyncCompatibility, &UnattendedOptions::syncCompatibility,
     L"--sync-compatibility"},
    {&CCommSyncSettings::enforceSecureChannelInternal, &UnattendedOptions::internalSecureChannel,
     L"--internal-secure-channel"},
};

// Checks the page flow makes before the licence; each refuses the update when it fails.
constexpr uint32_t kFailedChecks[] = {
    kTextNoAdministratorRights, kTextOtherProductFamily, kTextClusterNotSupported,
    kTextLoadBalancingNotSupported, kTextNotEnoughDiskSpace,
};

bool IsLanguageCode(const std::wstring& code) {
    for (const WizardLanguage& language : kWizardLanguages) {
        if (code == language.code) return true;
    }
    return false;
}

}  // namespace

bool ParseUnattendedOptions(const std::vector<std::wstring>& args, UnattendedOptions& options,
                            std::wstring& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        bool known = false;
        for (const Flag& flag : kFlags) {
            if (arg == flag.name) {
                options.*flag.field = true;
                known = true;
            }
        }
        if (known) continue;

        const bool takesValue = arg == L"--language" || arg == L"--json" ||
                                arg == L"--service-retries";
        const ChoiceOption* choice = nullptr;
        for (const ChoiceOption& option : kChoices) {
            if (arg == option.name) choice = &option;
        }
        if (choice || takesValue) {
            if (i + 1 >= args.size()) {
                error = L"option '" + arg + L"' needs a value";
                return false;
            }
            const std::wstring& value = args[++i];
            if (choice) {
                Choice given = Choice::Unset;
                if (value == choice->yes) {
                    given = Choice::Yes;
                } else if (value == choice->no) {
                    given = Choice::No;
                } else {
                    error = L"option '" + arg + L"' takes " + choice->yes + L" or " + choice->no;
                    return false;
                }
                Choice& answer = options.*choice->field;
                if (answer != Choice::Unset && answer != given && options.contradiction.empty()) {
                    options.contradiction = L"option '" + arg + L"' is given both " + choice->yes +
                                            L" and " + choice->no;
                }
                answer = given;
            } else if (arg == L"--language") {
                if (!IsLanguageCode(value)) {
                    error = L"'" + value + L"' is not a language code of the wizard";
                    return false;
                }
                options.language = value;
            } else if (arg == L"--json") {
                options.jsonFile = value;
            } else {
                wchar_t* end = nullptr;
                const long retries = std::wcstol(value.c_str(), &end, 10);
                if (value.empty() || *end != L'\0' || retries < 0 || retries > 100) {
                    error = L"option '--service-retries' takes a number from 0 to 100";
                    return false;
                }
                options.serviceRetries = static_cast<int>(retries);
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == L'-') {
            error = L"unknown option '" + arg + L"'";
            return false;
        }
        if (!options.packageFolder.empty()) {
            error = L"only one PACKAGE_FOLDER may be given";
            return false;
        }
        options.packageFolder = arg;
    }
    if (options.detect) {
        // Detection asks for no answers: it takes the way that tells most, the one that
        // looks at every file, and leaves the settings as the dialogs show them.
        options.acceptLicence = true;
        options.installPrerequisites = true;
        options.confirmSettingsUpdate = true;
        options.upgradeFirstRelease = true;
        options.continueAfterFailure = true;
        if (options.versionQuestion == Choice::Unset) options.versionQuestion = Choice::Yes;
    }
    return true;
}

int CUnattendedPrompts::Refuse(uint32_t textId, const std::wstring& reason, int answer) {
    if (refusedText_ == 0) {
        refusedText_ = textId;
        refusalReason_ = reason;
    }
    return answer;
}

int CUnattendedPrompts::Ask(uint32_t textId, uint32_t /*captionId*/, uint32_t /*style*/) {
    for (uint32_t check : kFailedChecks) {
        if (textId == check) return Refuse(textId, L"a check before the update failed", Answer::Ok);
    }
    switch (textId) {
    case kTextConfirmPrintComponentsUpdate:
        if (options_.confirmSettingsUpdate) return Answer::Yes;
        return Refuse(textId, L"the update of the print components needs --confirm-settings-update",
                      Answer::No);
    case kTextSameVersionQuestion:
        if (options_.versionQuestion == Choice::Yes) return Answer::Yes;
        if (options_.versionQuestion == Choice::No) return Answer::No;
        return Refuse(textId, L"the installed version equals the package's: answer it with "
                              L"--version-question yes|no",
                      Answer::Cancel);
    case kTextMinorUpgradeQuestion:
        if (options_.upgradeFirstRelease) return Answer::Ok;
        return Refuse(textId, L"the package updates a first release to a later one: allow it with "
                              L"--upgrade-first-release",
                      Answer::Cancel);
    case kTextMinorDowngradeRefused:
        return Refuse(textId, L"the installed server is a later release than the package's",
                      Answer::Ok);
    case kTextConfirmStartUpdate:
        return Answer::Yes;
    case kTextContinueAfterFailure:
        if (options_.continueAfterFailure) return Answer::Yes;
        stoppedAfterFailure_ = true;
        return Answer::No;
    default:
        // A question nobody can answer here never waits: it counts as refused.
        return Refuse(textId, L"a question that has no option", Answer::Cancel);
    }
}

bool CUnattendedPrompts::ShowSettings(CCommSyncSettings& settings) {
    if (options_.detect) {
        settings.understood = 1;
        return true;
    }
    std::wstring missing;
    for (const CCommSyncSettings::CheckBox& box : settings.CheckBoxes()) {
        for (const SettingOption& setting : kSettings) {
            if (box.flag != setting.flag) continue;
            const Choice choice = options_.*setting.field;
            if (choice == Choice::Unset) {
                missing += (missing.empty() ? L"" : L", ") + std::wstring(setting.name);
            }
            settings.Flag(box) = choice == Choice::Yes ? 1 : 0;
        }
    }
    if (!missing.empty()) {
        Refuse(settings.TitleTextId(), L"the package asks for its communication settings: " +
                                           missing + L" missing",
               Answer::Cancel);
        return false;
    }
    // Giving the answers is what ticking "understood" says.
    settings.understood = 1;
    return true;
}

bool CUnattendedPrompts::CheckFailed() const {
    for (uint32_t check : kFailedChecks) {
        if (refusedText_ == check) return true;
    }
    return false;
}

int CUnattendedPrompts::Ask(uint32_t textId, uint32_t /*style*/) {
    if (options_.installPrerequisites) return Answer::Ok;
    return Refuse(textId, L"a prerequisite is missing: install it with --install-prerequisites",
                  Answer::Cancel);
}
