// An update without anyone at the screen: the wizard's start-up chain, page checks, questions
// and worker loop, with the answers coming from options instead of windows, and the exit codes
// that deployment tools read.
#pragma once

#include <string>
#include <vector>

#include "app/StartupChain.h"
#include "app/unattended/UnattendedAnswers.h"
#include "app/WizardManager.h"

class CStringBase;

// Exit codes as installers give them, so deployment tools read them as they read an installer's.
namespace UnattendedExit {
constexpr int Updated = 0;           // updated, or nothing to update
constexpr int NoAnswer = 1639;       // a question without its answer, or contradicting options;
                                     // nothing changed
constexpr int NewerInstalled = 1638; // the installed server is a later release; nothing changed
constexpr int NotInstalled = 1642;   // no installation of the server found; nothing changed
constexpr int Failed = 1603;         // a failed check (nothing changed) or a failed run
constexpr int Busy = 1618;           // another update runs on this machine
constexpr int RestartNeeded = 3010;  // a prerequisite asks for a restart; the update is not applied
}  // namespace UnattendedExit

struct UnattendedOutcome {
    int exitCode = UnattendedExit::Updated;
    std::wstring reason;  // one line for a refusal or failure
    bool ran = false;     // the update itself started
};

// The prerequisites the update would install first, by their installers' names.
std::vector<std::wstring> MissingPrerequisiteNames(IPrerequisites& prerequisites);

// Walks the same flow as the wizard, on the calling thread, and tells how it ended.
UnattendedOutcome RunUnattendedFlow(CStringBase& texts, IWizardManager& manager,
                                    IPrerequisites& prerequisites,
                                    const UnattendedOptions& options, bool enforced,
                                    CUnattendedPrompts& prompts);
