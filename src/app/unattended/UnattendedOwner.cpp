// The console side of an unattended update.
#include "app/unattended/UnattendedOwner.h"

#include "app/lang/TextIds.h"
#include "system/Clock.h"
#include "system/MessageBoxes.h"

namespace {

using namespace tav;

constexpr uint64_t kActionIntervalMs = 1000;

}  // namespace

const wchar_t* FileDecisionName(FileDecision decision) {
    switch (decision) {
    case FileDecision::Replaced:
        return L"replaced";
    case FileDecision::KeptCustomized:
        return L"kept-customized";
    case FileDecision::LeftAlone:
        return L"left-alone";
    case FileDecision::Missing:
        return L"missing";
    case FileDecision::NotReplaced:
        return L"not-replaced";
    }
    return L"";
}

CUnattendedOwner::CUnattendedOwner(sys::IClock& clock, Printer print, int serviceRetries)
    : clock_(clock), print_(std::move(print)), retriesLeft_(serviceRetries) {}

void CUnattendedOwner::AddStatusLine(const std::wstring& text, int, int) {
    if (print_) print_(text);
}

void CUnattendedOwner::SetCurrentAction(const std::wstring& text) {
    if (!print_) return;
    const uint64_t now = clock_.TickMs();
    if (actionShown_ && now - lastActionMs_ < kActionIntervalMs) return;
    actionShown_ = true;
    lastActionMs_ = now;
    print_(L"  ... " + text);
}

int CUnattendedOwner::AskQuestion(const std::wstring& text, const std::wstring&, uint32_t style) {
    namespace Style = sys::MessageStyle;
    namespace Answer = sys::MessageAnswer;
    if (print_) print_(text);
    if ((style & 0xF) != Style::RetryCancel) return Answer::Ok;
    if (retriesLeft_ > 0) {
        --retriesLeft_;
        return Answer::Retry;
    }
    return Answer::Cancel;
}

void CUnattendedOwner::Decide(const TupRunEvent& event) {
    for (FileOutcome& file : files_) {
        if (file.path != event.subject) continue;
        // The kept copy stays the news about a customized file that was then replaced.
        if (!(file.decision == FileDecision::KeptCustomized && event.decision == FileDecision::Replaced)) {
            file.decision = event.decision;
        }
        return;
    }
    FileOutcome file;
    file.path = event.subject;
    file.packagePath = event.detail;
    file.decision = event.decision;
    file.module = event.module;
    files_.push_back(std::move(file));
}

void CUnattendedOwner::RunEvent(const TupRunEvent& event) {
    switch (event.kind) {
    case TupRunEvent::Kind::NothingInstalled:
        installationNotFound_ = true;
        break;
    case TupRunEvent::Kind::StepFailed:
        if (failedStep_.empty()) failedStep_ = event.subject;
        break;
    case TupRunEvent::Kind::ServiceStopped:
        stopped_.push_back(event.subject);
        break;
    case TupRunEvent::Kind::ServiceStarted:
        started_.push_back(event.subject);
        break;
    case TupRunEvent::Kind::ListValueWritten:
        listValues_.push_back(event);
        break;
    case TupRunEvent::Kind::FileDecided:
        Decide(event);
        break;
    }
}
