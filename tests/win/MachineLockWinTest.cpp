// The update lock under Wine, which offers no private name spaces: one holder at a time, objects
// a user made under the old names neither block nor split it, and failures refuse.
#include <gtest/gtest.h>

#include <windows.h>

#include "system/MachineLock.h"
#include "win/WinScratchFolder.h"

namespace {

TEST(MachineLockWin, OneUpdateAtATimeWhateverAUserMadeUnderTheOldNames) {
    // What any user could make first: the old global mutex, and another kind of object under
    // the old name of the session.
    HANDLE squatter = CreateMutexW(nullptr, TRUE, L"Global\\Kelmark.Tav.ServerUpdate");
    HANDLE other = CreateEventW(nullptr, TRUE, FALSE, L"Kelmark.Tav.ServerUpdate");
    ASSERT_TRUE(squatter && other);

    sys::UpdateLock first = sys::TakeUpdateLock();
    ASSERT_EQ(sys::LockState::Taken, first.state) << std::string(first.problem.begin(), first.problem.end());
    const sys::UpdateLock second = sys::TakeUpdateLock();
    EXPECT_EQ(sys::LockState::Busy, second.state);
    EXPECT_EQ(nullptr, second.held);
    first.held.reset();
    EXPECT_EQ(sys::LockState::Taken, sys::TakeUpdateLock().state);
    CloseHandle(other);
    CloseHandle(squatter);
}

TEST(MachineLockWin, ALockFileThatCannotBeOpenedAsAPlainFileRefuses) {
    wintest::WinScratchFolder scratch;
    ASSERT_TRUE(scratch.Made());
    const std::wstring missing = scratch.PathOf(L"missing");
    ASSERT_TRUE(CreateDirectoryW((scratch.Path() + L"\\" + sys::kUpdateLockFileName).c_str(), nullptr));
    for (const std::wstring& folder : {missing, scratch.Path()}) {
        const sys::UpdateLock lock = sys::TakeUpdateLockFile(folder);
        EXPECT_EQ(sys::LockState::Failed, lock.state);
        EXPECT_EQ(nullptr, lock.held);
        EXPECT_FALSE(lock.problem.empty());
    }
}

}  // namespace
