// Hook DLL of uidriver: runs inside the dialog's process, where alone its system menu can be
// read, and sends the menu's items back to the driver's window.
#include <windows.h>

#include <cwchar>
#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK UiDriverMenuHook(int code, WPARAM wParam,
                                                                   LPARAM lParam) {
    static const UINT query = RegisterWindowMessageW(L"TavUiDriverSystemMenu");
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == query) {
        // One line per item: command id, 1 when greyed or disabled, text (separators: "-").
        std::wstring text;
        HMENU menu = GetSystemMenu(msg->hwnd, FALSE);
        const int count = menu ? GetMenuItemCount(menu) : 0;
        for (int i = 0; i < count; ++i) {
            wchar_t label[256] = {};
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
            info.dwTypeData = label;
            info.cch = 255;
            if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
            wchar_t head[40];
            swprintf(head, 40, L"%u %d ", info.wID,
                     (info.fState & (MFS_GRAYED | MFS_DISABLED)) ? 1 : 0);
            text += head;
            text += (info.fType & MFT_SEPARATOR) ? L"-" : label;
            text += L"\n";
        }
        COPYDATASTRUCT data{};
        data.cbData = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        data.lpData = text.data();
        SendMessageTimeoutW(reinterpret_cast<HWND>(msg->wParam), WM_COPYDATA,
                            reinterpret_cast<WPARAM>(msg->hwnd), reinterpret_cast<LPARAM>(&data),
                            SMTO_ABORTIFHUNG, 2000, nullptr);
        msg->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
