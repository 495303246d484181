// The running processes of Windows, through the process status library loaded at run time.
#include "system/win32/Win32Processes.h"

#include "system/win32/Win32Library.h"

#include <windows.h>

#include <vector>

namespace sys::win32 {
namespace {

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

constexpr DWORD kPathChars = 520;

// An open process handle, closed when it goes.
class ProcessHandle {
public:
    explicit ProcessHandle(DWORD id)
        : handle_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id)) {}
    ~ProcessHandle() {
        if (handle_) CloseHandle(handle_);
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

}  // namespace

bool Win32Processes::Walk(const std::function<bool(uint32_t, const std::wstring&)>& visit) {
    Library psapi(L"PSAPI.DLL");
    auto enumProcesses = psapi.Function<EnumProcessesFn>("EnumProcesses");
    auto enumModules = psapi.Function<EnumProcessModulesFn>("EnumProcessModules");
    auto moduleFileName = psapi.Function<GetModuleFileNameExFn>("GetModuleFileNameExW");
    if (!enumProcesses || !enumModules || !moduleFileName) return false;

    // Grow the id buffer until the list no longer fills it.
    std::vector<DWORD> ids(1024 / sizeof(DWORD));
    DWORD returnedBytes = 0;
    for (;;) {
        const DWORD bufferBytes = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!enumProcesses(ids.data(), bufferBytes, &returnedBytes)) return false;
        if (returnedBytes != bufferBytes) break;
        ids.resize(ids.size() * 2);
    }
    ids.resize(returnedBytes / sizeof(DWORD));

    wchar_t path[kPathChars];
    for (DWORD id : ids) {
        std::wstring executable;
        ProcessHandle process(id);
        if (process.get()) {
            HMODULE first = nullptr;
            DWORD needed = 0;
            if (enumModules(process.get(), &first, sizeof first, &needed) && first) {
                const DWORD length = moduleFileName(process.get(), first, path, kPathChars);
                if (length > 0 && length < kPathChars) executable.assign(path, length);
            }
        }
        if (!visit(id, executable)) break;
    }
    return true;
}

bool Win32Processes::SetDebugPrivilege(bool enable) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    bool done = LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid);
    if (done) {
        privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
        done = AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr,
                                     nullptr) &&
               GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return done;
}

bool Win32Processes::Terminate(uint32_t processId) {
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
    if (!process) return false;
    const bool ended = TerminateProcess(process, 0) != FALSE;
    CloseHandle(process);
    return ended;
}

}  // namespace sys::win32
