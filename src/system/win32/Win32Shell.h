// Special folders and shortcuts of the Windows shell.
#pragma once

#include "system/Shell.h"

namespace sys::win32 {

class Win32Shell final : public IShell {
public:
    bool GetSpecialFolder(int csidl, bool create, std::wstring& path) override;
    bool CreateShortcut(const std::wstring& linkPath, const ShortcutSpec& shortcut) override;
};

}  // namespace sys::win32
