// Walk over the running processes with the full path of each executable.
#pragma once

#include <cstdint>

namespace sys {

// Called for every process with task id 0 and the executable's full path (empty when the
// process cannot be opened); returning 0 ends the walk.
using ProcessCallback = int (*)(uint32_t processId, uint32_t taskId, const wchar_t* executablePath,
                                void* userData);

// Walks the processes of the current machine; false when they cannot be listed.
bool EnumerateProcesses(ProcessCallback callback, void* userData);

}  // namespace sys
