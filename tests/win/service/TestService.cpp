// Service program for the tests under Wine: a real Windows service that runs until it is asked
// to stop. With --ignore-stop it answers a stop request with "stop pending" and runs on, like a
// service that hangs while stopping. With --fail-start-when PATH it reports itself stopped with
// an error at once whenever it is started while PATH exists, like a service that cannot start.
#include <windows.h>

#include <cwchar>

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
bool g_ignoreStop = false;
const wchar_t* g_failMarker = nullptr;

void Report(DWORD state, DWORD exitCode = NO_ERROR) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwWin32ExitCode = exitCode;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? 1000 : 0;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            Report(SERVICE_STOP_PENDING);
            if (!g_ignoreStop) SetEvent(g_stopEvent);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv) {
    g_statusHandle = RegisterServiceCtrlHandlerExW(argc > 0 ? argv[0] : L"", Handler, nullptr);
    if (!g_statusHandle) return;
    if (g_failMarker && GetFileAttributesW(g_failMarker) != INVALID_FILE_ATTRIBUTES) {
        Report(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR);
        return;
    }
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stopEvent, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--ignore-stop") == 0) g_ignoreStop = true;
        if (std::wcscmp(argv[i], L"--fail-start-when") == 0 && i + 1 < argc) g_failMarker = argv[++i];
    }
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t name[] = L"";  // a service of its own process: the name is not looked at
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
