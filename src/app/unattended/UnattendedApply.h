// The unattended update of a package folder on this machine, from the update lock to the
// result a deployment tool reads (written as JSON by app/unattended/UpdateResultJson.h).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/unattended/UnattendedAnswers.h"
#include "app/unattended/UnattendedOwner.h"
#include "manager/TupRunRecord.h"
#include "system/changes/PreviewMachine.h"
#include "system/changes/RecordingMachine.h"

// What an unattended update did, for the deployment tool.
struct UpdateResult {
    int exitCode = 0;
    std::wstring reason;
    std::wstring failedStep;  // the status line of the step that failed
    bool preview = false;     // nothing was changed: what the update would do
    bool ran = false;         // the update itself started
    bool applied = false;     // the update ran and succeeded (a preview: would)
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
    // The package's last recorded run on this server before this one.
    bool hasLastRun = false;
    TupRunRecord lastRun;
    // A preview's values of the modules' registry lists that the update would add or change,
    // as "key\name".
    std::vector<std::wstring> listValuesChanged;
    // What a preview cannot know and takes for granted, one line each.
    std::vector<std::wstring> assumed;
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
