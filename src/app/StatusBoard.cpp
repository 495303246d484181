// The state the update worker shares with the wizard's window.
#include "app/StatusBoard.h"

CStatusBoard::CStatusBoard(sys::IClock& clock, Announce announce)
    : clock_(clock), announce_(std::move(announce)), actionShownMs_(clock.TickMs()) {}

void CStatusBoard::AddStatusLine(const std::wstring& text, int upper, int lower) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.push_back(L"-- " + text);
        if (upper != -1) upper_ = upper;
        if (lower != -1) lower_ = lower;
    }
    if (announce_) announce_(Change::StatusLines);
}

std::wstring CStatusBoard::Shorten(const std::wstring& text) {
    if (text.size() <= kLongestAction) return text;
    return text.substr(0, kActionEnds) + L"..." + text.substr(text.size() - kActionEnds);
}

void CStatusBoard::SetCurrentAction(const std::wstring& text) {
    const std::wstring shown = Shorten(text);
    const uint64_t now = clock_.TickMs();
    {
        std::lock_guard<std::mutex> guard(lock_);
        // Elapsed time, not a field of the wall clock: a minute later is not "too soon".
        if (shown == action_ || now - actionShownMs_ < kActionIntervalMs) return;
        action_ = shown;
        actionShownMs_ = now;
    }
    if (announce_) announce_(Change::CurrentAction);
}

void CStatusBoard::ClearCurrentAction() {
    std::lock_guard<std::mutex> guard(lock_);
    action_.clear();
}

CStatusBoard::Lines CStatusBoard::StatusLines() const {
    std::lock_guard<std::mutex> guard(lock_);
    Lines lines;
    for (const std::wstring& line : lines_) {
        if (lines.count > 0) lines.text += L"\r\n";
        lines.text += line;
        ++lines.count;
    }
    lines.upper = upper_;
    lines.lower = lower_;
    return lines;
}

std::wstring CStatusBoard::CurrentAction() const {
    std::lock_guard<std::mutex> guard(lock_);
    return action_;
}
