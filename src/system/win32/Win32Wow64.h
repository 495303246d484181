// 64-bit detection and file-system redirection of Windows.
#pragma once

#include "system/Wow64.h"

namespace sys::win32 {

class Win32Wow64 final : public IWow64 {
public:
    bool Is64BitWindows() override;
    bool SetRedirection(bool enabled) override;
};

}  // namespace sys::win32
