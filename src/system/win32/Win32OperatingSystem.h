// Version, architecture and token groups of the running Windows.
#pragma once

#include "system/OperatingSystem.h"

namespace sys::win32 {

class Win32OperatingSystem final : public IOperatingSystem {
public:
    OsVersion Version() override;
    std::wstring Architecture() override;
    bool TokenListsAdministrators() override;
    std::wstring SystemFolder() override;
};

}  // namespace sys::win32
