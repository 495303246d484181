// The board the update worker shares with the wizard: status lines and progress, the current
// action shortened and throttled by elapsed time, and changes from another thread.
#include "app/StatusBoard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/WideText.h"
#include "fakes/FakeMachine.h"

namespace {

using Change = CStatusBoard::Change;

struct Announcements {
    std::vector<Change> changes;
    CStatusBoard::Announce Recorder() {
        return [this](Change change) { changes.push_back(change); };
    }
};

TEST(StatusBoardTest, LinesAreJoinedWithTheirMarkAndProgressMinusOneKeepsABar) {
    fakes::FakeClock clock;
    Announcements seen;
    CStatusBoard board(clock, seen.Recorder());
    EXPECT_EQ(L"", board.StatusLines().text);
    board.AddStatusLine(L"first", 10, -1);
    board.AddStatusLine(L"", -1, 40);
    board.AddStatusLine(L"third", 0, -1);
    const CStatusBoard::Lines lines = board.StatusLines();
    EXPECT_EQ(L"-- first\r\n-- \r\n-- third", lines.text);
    EXPECT_EQ(3u, lines.count);
    EXPECT_EQ(0, lines.upper);
    EXPECT_EQ(40, lines.lower);
    EXPECT_EQ(std::vector<Change>(3, Change::StatusLines), seen.changes);
}

TEST(StatusBoardTest, LongActionsAreShortenedAroundTheMiddle) {
    const std::wstring thirty(30, L'a');
    EXPECT_EQ(thirty, CStatusBoard::Shorten(thirty));
    EXPECT_EQ(L"0123456789abcde...fghijklmnopqrst",
              CStatusBoard::Shorten(L"0123456789abcde_fghijklmnopqrst"));
    EXPECT_EQ(33u, CStatusBoard::Shorten(std::wstring(500, L'x')).size());
}

TEST(StatusBoardTest, ActionsAreShownAtMostOncePerFiftyMillisecondsOfElapsedTime) {
    fakes::FakeClock clock;
    Announcements seen;
    CStatusBoard board(clock, seen.Recorder());
    const struct {
        uint64_t advanceMs;
        const wchar_t* action;
        const wchar_t* shown;
    } steps[] = {
        {10, L"too soon after the start", L""},
        {40, L"copying a", L"copying a"},
        {20, L"copying b", L"copying a"},  // dropped, and not shown later
        {30, L"copying a", L"copying a"},
        {0, L"copying c", L"copying c"},
        {50, L"copying c", L"copying c"},   // the same text is not announced again
        {60000, L"a minute later", L"a minute later"},
        {60000 + 20, L"copying d", L"copying d"},
    };
    for (const auto& step : steps) {
        clock.nowMs += step.advanceMs;
        board.SetCurrentAction(step.action);
        EXPECT_EQ(step.shown, board.CurrentAction()) << tav::ToUtf8(step.action);
    }
    EXPECT_EQ(std::vector<Change>(4, Change::CurrentAction), seen.changes);
}

TEST(StatusBoardTest, ConcurrentWorkerAndWindowSeeWholeLines) {
    fakes::FakeClock clock;
    std::atomic<int> notices{0};
    CStatusBoard board(clock, [&](Change) { ++notices; });
    constexpr int kLines = 2000;
    std::thread worker([&] {
        for (int i = 0; i < kLines; ++i) {
            board.AddStatusLine(L"line " + std::to_wstring(i), i % 101, 100 - i % 101);
            board.SetCurrentAction(L"action " + std::to_wstring(i));
        }
    });
    size_t last = 0;
    while (last < static_cast<size_t>(kLines)) {
        const CStatusBoard::Lines lines = board.StatusLines();
        EXPECT_GE(lines.count, last);
        if (lines.count > 0) {
            EXPECT_EQ(100, lines.upper + lines.lower);
        }
        board.CurrentAction();
        last = lines.count;
        // A window reads now and then; a reader that never lets go starves the worker (for
        // minutes under the thread sanitizer).
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_GE(notices.load(), kLines);
}

}  // namespace
