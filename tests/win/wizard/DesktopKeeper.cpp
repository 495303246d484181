// Keeps a Wine desktop open between the programs a test starts in it: Wine ends the whole
// session, services included, when the last program of an explorer desktop goes. A hidden
// window of its own, for at most fifteen minutes.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"TavDesktopKeeper";
    RegisterClassW(&windowClass);
    CreateWindowW(L"TavDesktopKeeper", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    SetTimer(nullptr, 0, 15 * 60 * 1000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) break;
        DispatchMessageW(&message);
    }
    return 0;
}
