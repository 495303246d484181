// The unattended update's flow: the wizard's own models driven by answers.
#include "app/unattended/UnattendedUpdate.h"

#include "app/WizardFlow.h"
#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"

namespace {

using Action = CWizardFlow::Action;

// A refusal's line: the refused text in the chosen language, then why.
std::wstring RefusalLine(CStringBase& texts, const std::wstring& language,
                         const CUnattendedPrompts& prompts) {
    const std::wstring text =
        prompts.RefusedText() == 0
            ? std::wstring()
            : texts.GetTextOrEmpty(static_cast<int32_t>(prompts.RefusedText()), language);
    if (text.empty()) return prompts.RefusalReason();
    return prompts.RefusalReason() + L": " + text;
}

// The prerequisites by the names their installers go by, in the order they are asked about.
struct PrerequisiteName {
    Prerequisite prerequisite;
    const wchar_t* name;
};
constexpr PrerequisiteName kPrerequisiteNames[] = {
    {Prerequisite::DotNetFrameworkPolicy, L".NET Framework 3.5 SP1"},
    {Prerequisite::DotNet4, L".NET Framework 4"},
    {Prerequisite::KB2468871x86, L"KB2468871 (x86)"},
    {Prerequisite::KB2468871x64, L"KB2468871 (x64)"},
    {Prerequisite::VcRedist2008Sp1x86, L"Visual C++ 2008 SP1 runtime (x86)"},
    {Prerequisite::VcRedist2015x86, L"Visual C++ 2015 runtime (x86)"},
    {Prerequisite::VcRedist2015x64, L"Visual C++ 2015 runtime (x64)"},
    {Prerequisite::DotNet452, L".NET Framework 4.5.2"},
    {Prerequisite::AspNetCoreModulex86, L"ASP.NET Core module (x86)"},
    {Prerequisite::AspNetCoreModulex64, L"ASP.NET Core module (x64)"},
};

std::wstring MissingPrerequisites(IPrerequisites& prerequisites) {
    std::wstring missing;
    for (const std::wstring& name : MissingPrerequisiteNames(prerequisites)) {
        missing += (missing.empty() ? L"" : L", ") + name;
    }
    return missing;
}

UnattendedOutcome Refused(std::wstring reason) {
    return {UnattendedExit::NoAnswer, std::move(reason), false};
}

// A refusal of the page flow: a failed check, a later release installed, or a question without
// its answer.
UnattendedOutcome FlowRefused(CStringBase& texts, const std::wstring& language,
                              const CUnattendedPrompts& prompts) {
    int exitCode = UnattendedExit::NoAnswer;
    if (prompts.CheckFailed()) exitCode = UnattendedExit::Failed;
    if (prompts.RefusedText() == tav::kTextMinorDowngradeRefused) {
        exitCode = UnattendedExit::NewerInstalled;
    }
    return {exitCode, RefusalLine(texts, language, prompts), false};
}

}  // namespace

std::vector<std::wstring> MissingPrerequisiteNames(IPrerequisites& prerequisites) {
    std::vector<std::wstring> names;
    for (const PrerequisiteName& row : kPrerequisiteNames) {
        if (prerequisites.Needs(row.prerequisite)) names.push_back(row.name);
    }
    return names;
}

UnattendedOutcome RunUnattendedFlow(CStringBase& texts, IWizardManager& manager,
                                    IPrerequisites& prerequisites,
                                    const UnattendedOptions& options, bool enforced,
                                    CUnattendedPrompts& prompts) {
    if (!options.contradiction.empty()) return Refused(options.contradiction);
    if (!options.acceptLicence) {
        return Refused(L"the licence agreement is not accepted: read it with --show-licence, "
                       L"accept it with --accept-licence");
    }
    if (!options.installPrerequisites) {
        const std::wstring missing = MissingPrerequisites(prerequisites);
        if (!missing.empty()) {
            return Refused(L"missing prerequisites: " + missing +
                           L" (--install-prerequisites installs them)");
        }
    }
    switch (RunPrerequisiteChainUnattended(prerequisites, prompts)) {
    case ChainEnd::Ready:
        break;
    case ChainEnd::Refused:
        return Refused(RefusalLine(texts, L"EN", prompts));
    case ChainEnd::Failed:
        return {UnattendedExit::Failed,
                L"a prerequisite's installer failed: " + MissingPrerequisites(prerequisites), false};
    case ChainEnd::RestartNeeded:
        return {UnattendedExit::RestartNeeded,
                L"prerequisites were installed and ask for a restart; the update is not applied: "
                L"restart the machine and run it again",
                false};
    }

    CWizardFlow flow(texts, manager, prompts, enforced);
    for (int i = 0; i < 15; ++i) {
        if (options.language == kWizardLanguages[i].code) flow.SelectLanguage(i);
    }
    const std::wstring& language = flow.Language();
    // Page 0 to the licence, the accepted licence to the summary, the summary to the run.
    if (flow.Next() != Action::ShowPage || flow.Next() != Action::ShowPage ||
        flow.Next() != Action::StartUpdate) {
        return FlowRefused(texts, language, prompts);
    }

    UnattendedOutcome outcome;
    outcome.ran = true;
    if (!CWizardFlow::RunPackages(manager, prompts)) {
        outcome.exitCode = UnattendedExit::Failed;
        outcome.reason = prompts.StoppedAfterFailure()
                             ? L"the update failed; later parts of the package were not run "
                               L"(--continue-after-failure runs them)"
                             : L"the update failed";
    }
    return outcome;
}
