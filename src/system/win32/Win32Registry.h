// The registry of Windows.
#pragma once

#include "system/Registry.h"

namespace sys::win32 {

class Win32Registry final : public IRegistry {
public:
    std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                          RegistryView view, RegistryAccess access) override;
    std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot root, const std::wstring& path,
                                            RegistryView view) override;
};

}  // namespace sys::win32
