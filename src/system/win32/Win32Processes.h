// The running processes of Windows, through the process status library loaded at run time.
#pragma once

#include "system/Processes.h"

namespace sys::win32 {

class Win32Processes final : public IProcesses {
public:
    bool Walk(const std::function<bool(uint32_t, const std::wstring&)>& visit) override;
    bool SetDebugPrivilege(bool enable) override;
    bool Terminate(uint32_t processId) override;
};

}  // namespace sys::win32
