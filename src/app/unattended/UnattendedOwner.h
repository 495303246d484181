// What the update manager tells an unattended update: status lines and the current action go to
// a console (the action at most once a second), the service questions are answered from the
// options, and every file decision of the run is noted for its result.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "manager/TupOwner.h"

namespace sys {
class IClock;
}

// What the run did with one file.
struct FileOutcome {
    std::wstring path;  // the installed file
    FileDecision decision;
    std::wstring module;  // the package module whose file it is
    // A preview's view: the file's version (or "md5 ..." digest) now and after the update, and
    // whether the update would leave it with other bytes than it has now.
    std::wstring before;
    std::wstring after;
    bool changed = false;
    std::wstring packagePath;  // its package file, below the package folder
};

const wchar_t* FileDecisionName(FileDecision decision);

class CUnattendedOwner final : public ITupOwner {
public:
    using Printer = std::function<void(const std::wstring& line)>;

    // print gets each line to show; null prints nothing (quiet).
    CUnattendedOwner(sys::IClock& clock, Printer print, int serviceRetries);

    void AddStatusLine(const std::wstring& text, int stepProgress, int totalProgress) override;
    void SetCurrentAction(const std::wstring& text) override;
    int AskQuestion(const std::wstring& text, const std::wstring& caption, uint32_t style) override;
    void RunEvent(const TupRunEvent& event) override;

    // Every file the run decided about, in the order of its first decision; a later decision
    // about the same file replaces the earlier one.
    const std::vector<FileOutcome>& Files() const { return files_; }
    const std::vector<std::wstring>& ServicesStopped() const { return stopped_; }
    const std::vector<std::wstring>& ServicesStarted() const { return started_; }
    // The values of the modules' registry lists the run meant to write (when missing).
    const std::vector<TupRunEvent>& ListValues() const { return listValues_; }
    // The run changed nothing, since no installation of the server was found.
    bool InstallationNotFound() const { return installationNotFound_; }
    // The status line of the first step the run failed in (empty: it did not fail).
    const std::wstring& FailedStep() const { return failedStep_; }

private:
    void Decide(const TupRunEvent& event);

    sys::IClock& clock_;
    Printer print_;
    int retriesLeft_;
    bool actionShown_ = false;
    uint64_t lastActionMs_ = 0;
    bool installationNotFound_ = false;
    std::wstring failedStep_;
    std::vector<FileOutcome> files_;
    std::vector<std::wstring> stopped_;
    std::vector<std::wstring> started_;
    std::vector<TupRunEvent> listValues_;
};
