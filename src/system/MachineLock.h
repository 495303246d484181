// One update at a time on a machine: the wizard, the unattended update and restore hold this
// lock from before they look at the server until they end. Only administrators can hold it, so
// an ordinary user can neither block updates nor make two of them run side by side.
#pragma once

#include <memory>
#include <string>

namespace sys {

// Held until the object goes.
class IMachineLock {
public:
    virtual ~IMachineLock() = default;
};

// What taking the lock came to: taken, held by another update, or failed for another reason
// (which refuses the update too: there is no weaker lock to fall back to).
enum class LockState { Taken, Busy, Failed };

struct UpdateLock {
    LockState state = LockState::Failed;
    std::unique_ptr<IMachineLock> held;  // while taken
    std::wstring problem;                // why it failed, in English
};

// Takes the machine-wide update lock.
UpdateLock TakeUpdateLock();

// The lock as a file opened exclusively in folder, which only administrators may write: where
// the system offers no private name space, and in the Linux build. A link or anything but a
// plain file at the lock's name fails; so does, in the Linux build, a folder that others may
// write.
UpdateLock TakeUpdateLockFile(const std::wstring& folder);

// The name of that file.
constexpr const wchar_t* kUpdateLockFileName = L"Kelmark.Tav.ServerUpdate.lock";

}  // namespace sys
