// Starting programs on Windows.
#include "system/win32/Win32Launcher.h"

#include <windows.h>

#include <vector>

namespace sys::win32 {
namespace {

// The process and thread handles of a started process, closed when the object goes.
class ProcessHandles {
public:
    explicit ProcessHandles(const PROCESS_INFORMATION& info) : info_(info) {}
    ~ProcessHandles() {
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    ProcessHandles(const ProcessHandles&) = delete;
    ProcessHandles& operator=(const ProcessHandles&) = delete;
    HANDLE Process() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_;
};

}  // namespace

bool Win32Launcher::Run(const std::wstring& program, const std::wstring& commandLine, bool wait,
                        uint32_t* exitCode) {
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    const ProcessHandles started(process);
    if (wait) {
        WaitForSingleObject(started.Process(), INFINITE);
        DWORD code = 0;
        if (exitCode && GetExitCodeProcess(started.Process(), &code)) *exitCode = code;
    }
    return true;
}

}  // namespace sys::win32
