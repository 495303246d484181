// Walking the running processes with the paths of their executables.
#include "system/ProcessList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/FakeMachine.h"

namespace {

struct Seen {
    uint32_t id;
    uint32_t task;
    std::wstring path;
    bool operator==(const Seen&) const = default;
};

struct Walk {
    std::vector<Seen> seen;
    size_t stopAfter = SIZE_MAX;
};

int Record(uint32_t processId, uint32_t taskId, const wchar_t* path, void* userData) {
    auto* walk = static_cast<Walk*>(userData);
    walk->seen.push_back(Seen{processId, taskId, path ? path : L"<null>"});
    return walk->seen.size() >= walk->stopAfter ? 0 : 1;
}

class ProcessListTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.processes.processes = {
            {4, L"C:\\Windows\\System32\\ntoskrnl.exe"},
            {812, L""},  // another user's process: it cannot be opened
            {1024, L"C:\\Program Files\\Kelmark\\Tav\\TavServer.exe"},
            {2048, L"C:\\Program Files\\Kelmark\\Tav\\TavSync.exe"},
        };
    }
    fakes::FakeMachine machine;
};

TEST_F(ProcessListTest, ReportsEveryProcessWithTaskZeroAndItsPath) {
    Walk walk;
    EXPECT_TRUE(sys::EnumerateProcesses(&Record, &walk));
    EXPECT_EQ((std::vector<Seen>{
                  {4, 0, L"C:\\Windows\\System32\\ntoskrnl.exe"},
                  {812, 0, L""},
                  {1024, 0, L"C:\\Program Files\\Kelmark\\Tav\\TavServer.exe"},
                  {2048, 0, L"C:\\Program Files\\Kelmark\\Tav\\TavSync.exe"},
              }),
              walk.seen);
}

TEST_F(ProcessListTest, StopsWhenTheCallbackAnswersZero) {
    Walk walk;
    walk.stopAfter = 3;
    EXPECT_TRUE(sys::EnumerateProcesses(&Record, &walk));
    ASSERT_EQ(3u, walk.seen.size());
    EXPECT_EQ(1024u, walk.seen.back().id);

    Walk first;
    first.stopAfter = 1;
    EXPECT_TRUE(sys::EnumerateProcesses(&Record, &first));
    EXPECT_EQ(1u, first.seen.size());
}

TEST_F(ProcessListTest, FalseWhenProcessesCannotBeListed) {
    machine.processes.available = false;
    Walk walk;
    EXPECT_FALSE(sys::EnumerateProcesses(&Record, &walk));
    EXPECT_TRUE(walk.seen.empty());

    // No processes at all is still a walk that could be made.
    machine.processes.available = true;
    machine.processes.processes.clear();
    EXPECT_TRUE(sys::EnumerateProcesses(&Record, &walk));
    EXPECT_TRUE(walk.seen.empty());
}

}  // namespace
