// The update lock of the Linux build: one holder at a time, and every way of failing to take it
// refuses instead of falling back to a weaker lock.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "base/WideText.h"
#include "fakes/ScratchFolder.h"
#include "system/MachineLock.h"

namespace {

std::string Native(const std::wstring& path) { return tav::ToUtf8(path); }

// A folder for the lock that only this user may write.
struct LockFolder {
    LockFolder() { mkdir(Native(folder).c_str(), 0700); }
    std::wstring LockPath() const { return folder + L"/" + sys::kUpdateLockFileName; }

    testing_support::ScratchFolder scratch;
    const std::wstring folder = scratch.PathOf("locks");
};

TEST(PosixMachineLockTest, OneHolderAtATime) {
    const LockFolder world;
    const std::wstring& folder = world.folder;
    sys::UpdateLock first = sys::TakeUpdateLockFile(folder);
    ASSERT_EQ(sys::LockState::Taken, first.state) << Native(first.problem);
    ASSERT_NE(nullptr, first.held);
    const sys::UpdateLock second = sys::TakeUpdateLockFile(folder);
    EXPECT_EQ(sys::LockState::Busy, second.state);
    EXPECT_EQ(nullptr, second.held);
    first.held.reset();
    EXPECT_EQ(sys::LockState::Taken, sys::TakeUpdateLockFile(folder).state);
}

TEST(PosixMachineLockTest, EveryOtherWayOfFailingRefusesWithAReason) {
    const testing_support::ScratchFolder elsewhere;
    const std::string target = Native(elsewhere.Write("target", "kept"));
    const struct {
        const char* name;
        std::function<bool(LockFolder&)> stage;  // false: cannot be staged here
    } cases[] = {
        {"no folder", [](auto& t) { return rmdir(Native(t.folder).c_str()) == 0; }},
        {"a file for the folder",
         [](auto& t) { return rmdir(Native(t.folder).c_str()) == 0 && !t.scratch.Write("locks", "").empty(); }},
        {"others may write the folder", [](auto& t) { return chmod(Native(t.folder).c_str(), 0777) == 0; }},
        {"anyone may add to the folder", [](auto& t) { return chmod(Native(t.folder).c_str(), 01777) == 0; }},
        {"the group may write the folder", [](auto& t) { return chmod(Native(t.folder).c_str(), 0770) == 0; }},
        {"the folder is another user's",
         [](auto& t) { return geteuid() == 0 && chown(Native(t.folder).c_str(), 65534, 65534) == 0; }},
        {"a link at the lock's name",
         [&](auto& t) { return symlink(target.c_str(), Native(t.LockPath()).c_str()) == 0; }},
        {"a folder at the lock's name", [](auto& t) { return mkdir(Native(t.LockPath()).c_str(), 0700) == 0; }},
        {"a pipe at the lock's name", [](auto& t) { return mkfifo(Native(t.LockPath()).c_str(), 0600) == 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LockFolder world;
        if (!c.stage(world)) {
            std::printf("skipped: %s (cannot be staged by this user)\n", c.name);
            continue;
        }
        const sys::UpdateLock lock = sys::TakeUpdateLockFile(world.folder);
        EXPECT_EQ(sys::LockState::Failed, lock.state);
        EXPECT_EQ(nullptr, lock.held);
        EXPECT_FALSE(lock.problem.empty());
    }
    // The link was never written through.
    struct stat state {};
    ASSERT_EQ(0, stat(target.c_str(), &state));
    EXPECT_EQ(4, state.st_size);
}

}  // namespace

#endif  // _WIN32
