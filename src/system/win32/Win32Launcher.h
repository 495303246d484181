// Starting programs on Windows.
#pragma once

#include "system/Launcher.h"

namespace sys::win32 {

class Win32Launcher final : public ILauncher {
public:
    bool Run(const std::wstring& program, const std::wstring& commandLine, bool wait,
             uint32_t* exitCode) override;
};

}  // namespace sys::win32
