// Version, architecture and token groups of the running Windows.
#include "system/win32/Win32OperatingSystem.h"

#include <windows.h>

#include <memory>

namespace sys::win32 {
namespace {

// The group list is read into a buffer of this size; a larger list counts as a failure.
constexpr DWORD kGroupBufferBytes = 1024;

// An access token, closed when it goes.
class TokenHandle {
public:
    explicit TokenHandle(HANDLE handle) : handle_(handle) {}
    ~TokenHandle() {
        if (handle_) CloseHandle(handle_);
    }
    TokenHandle(const TokenHandle&) = delete;
    TokenHandle& operator=(const TokenHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// The thread's token when it impersonates, else the process's; null when neither opens.
HANDLE OpenQueryToken() {
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return token;
    if (GetLastError() != ERROR_NO_TOKEN) return nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return token;
    return nullptr;
}

struct SidFree {
    void operator()(void* sid) const { FreeSid(sid); }
};

}  // namespace

OsVersion Win32OperatingSystem::Version() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info)) return {};
    return OsVersion{info.dwMajorVersion, info.dwMinorVersion};
}

std::wstring Win32OperatingSystem::Architecture() {
#ifdef _WIN64
    // A 64-bit process only runs on 64-bit Windows.
    return L"x64";
#else
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64)) return {};
    return wow64 ? L"x64" : L"x86";
#endif
}

bool Win32OperatingSystem::TokenListsAdministrators() {
    const TokenHandle token(OpenQueryToken());
    if (!token.Get()) return false;

    alignas(TOKEN_GROUPS) BYTE buffer[kGroupBufferBytes];
    DWORD length = 0;
    if (!GetTokenInformation(token.Get(), TokenGroups, buffer, sizeof buffer, &length)) {
        return false;
    }

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID raw = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &raw)) {
        return false;
    }
    const std::unique_ptr<void, SidFree> administrators(raw);

    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer);
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators.get())) return true;
    }
    return false;
}

std::wstring Win32OperatingSystem::SystemFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    return std::wstring(buffer, length);
}

}  // namespace sys::win32
