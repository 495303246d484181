// Walking the real process list: full executable paths, and stopping on request.
#include <gtest/gtest.h>

#include <vector>

#include "base/WideText.h"
#include "system/ProcessList.h"
#include "win/WinTestSupport.h"

namespace {

struct Seen {
    uint32_t id = 0;
    uint32_t taskId = 0;
    std::wstring path;
};

int Collect(uint32_t id, uint32_t taskId, const wchar_t* path, void* user) {
    static_cast<std::vector<Seen>*>(user)->push_back(Seen{id, taskId, path ? path : L"<null>"});
    return 1;
}

std::vector<Seen> Walk() {
    std::vector<Seen> seen;
    EXPECT_TRUE(sys::EnumerateProcesses(Collect, &seen));
    return seen;
}

// Ids of the processes whose executable is path, compared as the callers do (ignoring case).
std::vector<uint32_t> IdsOf(const std::vector<Seen>& seen, const std::wstring& path) {
    std::vector<uint32_t> ids;
    for (const auto& s : seen) {
        if (tav::FoldEquals(s.path, path)) ids.push_back(s.id);
    }
    return ids;
}

TEST(ProcessListWin, FindsAStartedProcessByItsFullPath) {
    const std::wstring probe = wintest::ProbeExe();
    wintest::ChildProcess child(L"\"" + probe + L"\" 60");
    ASSERT_TRUE(child.Started()) << "cannot start " << tav::ToUtf8(probe);

    // The new process shows its path once its main module is loaded.
    std::vector<uint32_t> ids;
    for (int attempt = 0; attempt < 100 && ids.empty(); ++attempt) {
        if (attempt) Sleep(50);
        ids = IdsOf(Walk(), tav::FoldUpper(probe));
    }
    EXPECT_EQ(std::vector<uint32_t>{child.Id()}, ids);

    const std::vector<Seen> seen = Walk();
    for (const auto& s : seen) EXPECT_EQ(0u, s.taskId) << s.id;
    // This test program itself is listed with its own path.
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(std::vector<uint32_t>{GetCurrentProcessId()}, IdsOf(seen, self));
}

struct StopAfter {
    int remaining;
    int calls = 0;
};

int CountAndStop(uint32_t, uint32_t, const wchar_t*, void* user) {
    auto* stop = static_cast<StopAfter*>(user);
    ++stop->calls;
    return --stop->remaining > 0 ? 1 : 0;
}

TEST(ProcessListWin, StopsWhenTheCallbackReturnsZero) {
    const size_t all = Walk().size();
    ASSERT_GE(all, 3u);  // at least this program and Wine's own services

    StopAfter first{1};
    EXPECT_TRUE(sys::EnumerateProcesses(CountAndStop, &first));
    EXPECT_EQ(1, first.calls);

    StopAfter second{2};
    EXPECT_TRUE(sys::EnumerateProcesses(CountAndStop, &second));
    EXPECT_EQ(2, second.calls);
}

}  // namespace
