// What the update worker shares with the wizard's window: the status lines, the two progress
// values and the current action, all under one lock.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "system/Clock.h"

// The worker changes the board and the board announces the change; the window reads the board
// when it handles the announcement. Nothing here touches a window.
class CStatusBoard {
public:
    enum class Change { StatusLines, CurrentAction };
    using Announce = std::function<void(Change)>;

    // Longer actions are shortened to their first and last 15 characters around "...".
    static constexpr size_t kLongestAction = 30;
    static constexpr size_t kActionEnds = 15;
    // Actions closer together than this are dropped.
    static constexpr uint64_t kActionIntervalMs = 50;

    // announce is called from the changing thread, with no lock held.
    CStatusBoard(sys::IClock& clock, Announce announce);

    // Appends "-- " and the text; a progress value of -1 leaves its bar as it is.
    void AddStatusLine(const std::wstring& text, int upper, int lower);
    // Shows a new action unless it repeats the shown one or comes too soon after it.
    void SetCurrentAction(const std::wstring& text);
    void ClearCurrentAction();

    struct Lines {
        std::wstring text;  // every line, separated by CR LF
        size_t count = 0;
        int upper = 0;
        int lower = 0;
    };
    Lines StatusLines() const;
    std::wstring CurrentAction() const;

    static std::wstring Shorten(const std::wstring& text);

private:
    sys::IClock& clock_;
    Announce announce_;
    mutable std::mutex lock_;
    std::vector<std::wstring> lines_;
    int upper_ = 0;
    int lower_ = 0;
    std::wstring action_;
    uint64_t actionShownMs_;
};
