// Version resources of Windows executables.
#pragma once

#include "system/VersionResources.h"

namespace sys::win32 {

class Win32VersionResources final : public IVersionResources {
public:
    bool ReadFixedInfo(const std::wstring& path, FixedVersionInfo& info) override;
};

}  // namespace sys::win32
