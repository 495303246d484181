// Facts about the operating system and the account the program runs under.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

// A Windows version number, as major.minor (6.1 is Windows 7 and Server 2008 R2).
struct OsVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
};

class IOperatingSystem {
public:
    virtual ~IOperatingSystem() = default;

    // The version Windows reports to this program, which for a program without a newer system
    // in its manifest stops at 6.2; 0.0 when it cannot be read.
    virtual OsVersion Version() = 0;

    // "x64" on 64-bit Windows (for a 32-bit program as well), "x86" on 32-bit Windows; empty
    // when that cannot be told.
    virtual std::wstring Architecture() = 0;

    // Whether the token of the current thread, or of the process when the thread has none,
    // lists the local Administrators group (S-1-5-32-544) among its groups. False on every
    // failure, and for group lists larger than 1024 bytes.
    virtual bool TokenListsAdministrators() = 0;

    // The Windows system folder (such as "C:\\Windows\\system32"), as Windows gives it; empty
    // when it cannot be read.
    virtual std::wstring SystemFolder() = 0;
};

}  // namespace sys
