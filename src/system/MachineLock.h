// One update at a time on a machine: the wizard and the unattended update hold this lock from
// before the update manager is made until they end.
#pragma once

#include <memory>

namespace sys {

// Held until the object goes.
class IMachineLock {
public:
    virtual ~IMachineLock() = default;
};

// Takes the machine-wide update lock; null when another program holds it.
std::unique_ptr<IMachineLock> TakeUpdateLock();

}  // namespace sys
