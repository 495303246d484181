// The running processes as the update logic sees them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sys {

class IProcesses {
public:
    virtual ~IProcesses() = default;

    // Calls visit(processId, executablePath) for every running process; the path is empty for a
    // process that cannot be opened. Stops when visit returns false. False when processes
    // cannot be listed on this machine.
    virtual bool Walk(const std::function<bool(uint32_t, const std::wstring&)>& visit) = 0;

    // Enables or disables the debug privilege of this process, which lets it open and end
    // processes of other users; false when that could not be done.
    virtual bool SetDebugPrivilege(bool enable) = 0;

    // Ends a process with exit code 0; false when it cannot be opened or ended.
    virtual bool Terminate(uint32_t processId) = 0;
};

}  // namespace sys
