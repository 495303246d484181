// Selection of the machine the update logic works on.
#include "system/Machine.h"

#include <atomic>

namespace sys {
namespace {
std::atomic<Machine*> g_current{nullptr};
}  // namespace

Machine& CurrentMachine() {
    Machine* current = g_current.load(std::memory_order_acquire);
    return current ? *current : HostMachine();
}

Machine* ReplaceCurrentMachine(Machine* machine) {
    return g_current.exchange(machine, std::memory_order_acq_rel);
}

}  // namespace sys
