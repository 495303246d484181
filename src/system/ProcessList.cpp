// Walk over the running processes with the full path of each executable.
#include "system/ProcessList.h"

#include "system/Machine.h"

namespace sys {

bool EnumerateProcesses(ProcessCallback callback, void* userData) {
    if (callback == nullptr) return false;
    return CurrentMachine().processes->Walk([&](uint32_t id, const std::wstring& path) {
        return callback(id, 0, path.c_str(), userData) != 0;
    });
}

}  // namespace sys
