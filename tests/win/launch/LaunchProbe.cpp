// Helper executable for the launcher tests: exits with the code given as its first argument.
// With two event names it waits (at most 30 s) for the first to be signalled, and signals the
// second just before it exits. When TAV_LAUNCH_LOG names a file, it first appends its own
// path to it, so a test can tell which copy of it was started.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>

namespace {

void LogOwnPath() {
    wchar_t log[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"TAV_LAUNCH_LOG", log, MAX_PATH)) return;
    wchar_t self[MAX_PATH] = {};
    if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return;
    if (FILE* file = _wfopen(log, L"a")) {
        std::fputws(self, file);
        std::fputws(L"\n", file);
        std::fclose(file);
    }
}

}  // namespace

int main(int argc, char** argv) {
    LogOwnPath();
    const int code = argc > 1 ? std::atoi(argv[1]) : 0;
    if (argc > 3) {
        HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
        HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
        if (go) {
            WaitForSingleObject(go, 30000);
            CloseHandle(go);
        }
        if (done) {
            SetEvent(done);
            CloseHandle(done);
        }
    }
    return code;
}
