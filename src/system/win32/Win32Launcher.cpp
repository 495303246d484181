// Starting programs on Windows.
#include "system/win32/Win32Launcher.h"

#include <windows.h>

#include <vector>

namespace sys::win32 {

bool Win32Launcher::Run(const std::wstring& commandLine, bool wait, uint32_t* exitCode) {
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    if (wait) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (exitCode && GetExitCodeProcess(process.hProcess, &code)) *exitCode = code;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace sys::win32
