// Special folders and shortcuts of the shell.
#pragma once

#include <string>

namespace sys {

// What a shortcut (.lnk file) points to.
struct ShortcutSpec {
    std::wstring target;
    std::wstring workingFolder;
    std::wstring description;
    std::wstring iconFile;
    int iconIndex = 0;
};

class IShell {
public:
    virtual ~IShell() = default;

    // The path of a special folder by its CSIDL number (no trailing backslash), created when
    // missing if asked; false when it cannot be obtained.
    virtual bool GetSpecialFolder(int csidl, bool create, std::wstring& path) = 0;

    // Writes a shortcut file, replacing an existing one; its folder must exist.
    virtual bool CreateShortcut(const std::wstring& linkPath, const ShortcutSpec& shortcut) = 0;
};

}  // namespace sys
