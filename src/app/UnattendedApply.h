// The unattended update of a package folder on this machine, from the update lock to the
// result a deployment tool reads.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/UnattendedAnswers.h"
#include "app/UnattendedOwner.h"
#include "system/PreviewMachine.h"
#include "system/RecordingMachine.h"

// What an unattended update did, for the deployment tool.
struct UpdateResult {
    int exitCode = 0;
    std::wstring reason;
    std::wstring failedStep;  // the status line of the step that failed
    bool preview = false;     // nothing was changed: what the update would do
    bool ran = false;         // the update itself started
    bool installationFound = false;
    std::wstring packageFolder;
    std::wstring installFolder;
    std::wstring backupFolder;
    std::wstring resultLog;
    std::wstring versionBefore;
    std::wstring versionAfter;
    std::vector<std::wstring> prerequisites;  // missing when the update began
    std::vector<FileOutcome> files;
    std::vector<std::wstring> servicesStopped;
    std::vector<std::wstring> servicesStarted;
    std::vector<sys::StartedProgram> programs;
    std::vector<sys::WrittenValue> values;
    std::vector<sys::PreviewChange> changes;  // a preview's every change kept back
    double seconds = 0;
};

// Takes the update lock, builds the manager over the package folder exactly as the wizard does
// and runs the update with the options' answers; print gets each line to show (null: none).
UpdateResult ApplyPackage(const UnattendedOptions& options,
                          const std::function<void(const std::wstring&)>& print);

// The same update on a machine that keeps every change back: nothing on this server changes,
// and the result tells what would have.
UpdateResult PreviewPackage(const UnattendedOptions& options,
                            const std::function<void(const std::wstring&)>& print);

// The result as one JSON object, UTF-8.
std::string UpdateResultJson(const UpdateResult& result);
