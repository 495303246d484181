// 64-bit detection and file-system redirection, through kernel32 functions looked up at run
// time (32-bit Windows lacks them).
#include "system/win32/Win32Wow64.h"

#include <windows.h>

namespace sys::win32 {
namespace {

template <typename Fn>
Fn KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name)))
                  : nullptr;
}

}  // namespace

bool Win32Wow64::Is64BitWindows() {
    using GetSystemWow64DirectoryFn = UINT(WINAPI*)(LPWSTR, UINT);
    auto getFolder = KernelFunction<GetSystemWow64DirectoryFn>("GetSystemWow64DirectoryW");
    if (!getFolder) return false;
    wchar_t folder[MAX_PATH] = {};
    SetLastError(ERROR_SUCCESS);
    if (getFolder(folder, MAX_PATH) != 0) return true;
    // 32-bit Windows has the function but does not implement it.
    return GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
}

bool Win32Wow64::SetRedirection(bool enabled) {
#if defined(_WIN64)
    // A 64-bit program sees the real system folder; the switch would fail with
    // ERROR_INVALID_FUNCTION and is not needed.
    (void)enabled;
    return true;
#else
    using EnableRedirectionFn = BOOLEAN(WINAPI*)(BOOLEAN);
    auto enable = KernelFunction<EnableRedirectionFn>("Wow64EnableWow64FsRedirection");
    return enable && enable(enabled ? TRUE : FALSE);
#endif
}

}  // namespace sys::win32
