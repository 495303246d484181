// 64-bit Windows and its file-system redirection, which shows 32-bit programs another
// system folder.
#pragma once

namespace sys {

class IWow64 {
public:
    virtual ~IWow64() = default;

    // Whether Windows is a 64-bit one (for a 32-bit program as well).
    virtual bool Is64BitWindows() = 0;

    // Switches the redirection of the calling thread off or back on; true when it is as
    // asked. A 64-bit program is never redirected: for it both succeed and do nothing.
    virtual bool SetRedirection(bool enabled) = 0;
};

}  // namespace sys
