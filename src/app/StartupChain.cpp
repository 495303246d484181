// The program's start: command line and prerequisite questions.
#include "app/StartupChain.h"

#include <map>

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "persist/ObjContainer.h"
#include "system/MessageBoxes.h"

namespace {

using namespace tav;
namespace Style = sys::MessageStyle;
namespace Answer = sys::MessageAnswer;

// Exit codes of the installer of .NET Framework 4.5.2 that ask for a restart.
constexpr int kRestartStarted = 1641;
constexpr int kRestartNeeded = 3010;

struct ChainRow {
    Prerequisite prerequisite;
    uint32_t textId;
    bool endsAfterInstall;  // the administrator restarts the wizard afterwards
};

constexpr ChainRow kChain[] = {
    {Prerequisite::DotNetFrameworkPolicy, kTextInstallDotNet35, true},
    {Prerequisite::DotNet4, kTextInstallDotNet4, false},
    {Prerequisite::KB2468871x86, kTextInstallKB2468871, true},
    {Prerequisite::KB2468871x64, kTextInstallKB2468871, true},
    {Prerequisite::VcRedist2008Sp1x86, kTextInstallVcRedist2008Sp1x86, false},
    {Prerequisite::VcRedist2015x86, kTextInstallVcRedist2015x86, false},
    {Prerequisite::VcRedist2015x64, kTextInstallVcRedist2015x64, false},
    {Prerequisite::DotNet452, kTextInstallDotNet452, false},
    {Prerequisite::AspNetCoreModulex86, kTextInstallAspNetCoreModule, false},
    {Prerequisite::AspNetCoreModulex64, kTextInstallAspNetCoreModule, false},
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::wstring CommandLineTail(const std::wstring& commandLine) {
    size_t at = 0;
    while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
    // The program's name runs to the closing quote, or to the first blank.
    if (at < commandLine.size() && commandLine[at] == L'"') {
        const size_t close = commandLine.find(L'"', at + 1);
        at = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        while (at < commandLine.size() && !IsBlank(commandLine[at])) ++at;
    }
    while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
    return commandLine.substr(at);
}

std::wstring StoredLanguageSetting() {
    ObjContainer product;
    product.LoadFromRegistry(CTupManager::kProductKey, false, -1, false);
    std::wstring stored;
    product.GetString(L"TavLanguage", stored);
    return stored;
}

uint32_t EnforceFlagOf(const std::wstring& commandTail) {
    return commandTail == L"--enforce-update" ? 1 : 0;
}

bool RunPrerequisiteChain(IPrerequisites& prerequisites, IStartupPrompts& prompts) {
    for (const ChainRow& row : kChain) {
        if (!prerequisites.Needs(row.prerequisite)) continue;
        if (prompts.Ask(row.textId, Style::OkCancel | Style::IconWarning) != Answer::Ok) return false;
        const int result = prerequisites.Install(row.prerequisite);
        if (row.endsAfterInstall) return false;
        if (row.prerequisite != Prerequisite::DotNet452 || result == 0) continue;
        const bool restart = result == kRestartStarted || result == kRestartNeeded;
        prompts.Ask(restart ? kTextDotNet452RestartNeeded : kTextDotNet452InstallFailed,
                    Style::Ok | Style::IconWarning);
        return false;
    }
    return true;
}

ChainEnd RunPrerequisiteChainUnattended(IPrerequisites& prerequisites, IStartupPrompts& prompts) {
    std::map<Prerequisite, int> installed;  // each installer runs once, with its exit code
    for (bool checkAgain = true; checkAgain;) {
        checkAgain = false;
        for (const ChainRow& row : kChain) {
            if (!prerequisites.Needs(row.prerequisite)) continue;
            const auto earlier = installed.find(row.prerequisite);
            if (earlier != installed.end()) {
                // Its installer said it succeeded, yet it is missing.
                if (earlier->second == 0) return ChainEnd::Failed;
                continue;
            }
            if (prompts.Ask(row.textId, Style::OkCancel | Style::IconWarning) != Answer::Ok) {
                return ChainEnd::Refused;
            }
            const int result = prerequisites.Install(row.prerequisite);
            installed[row.prerequisite] = result;
            if (result == kRestartStarted || result == kRestartNeeded) return ChainEnd::RestartNeeded;
            if (result == 0) {
                checkAgain = true;
                break;
            }
            if (row.endsAfterInstall) return ChainEnd::RestartNeeded;
            if (result != -1) return ChainEnd::Failed;
        }
    }
    return ChainEnd::Ready;
}
