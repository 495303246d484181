// The dialog layer over Win32.
#include "app/win32/Dialog.h"

#include <vector>

namespace app {

int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), style);
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(window, message, wParam, lParam) != FALSE;
}

CDialog::CDialog(int templateId) : templateId_(templateId) {}

INT_PTR CDialog::DoModal(HWND parent) {
    return DialogBoxParamW(CApplication::Instance(), MAKEINTRESOURCEW(templateId_), parent,
                           Procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (the font, the frame) go to the default handling.
    return dialog ? dialog->Dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
        default: {
            INT_PTR result = 0;
            if (!OnMessage(message, wParam, lParam, result)) return FALSE;
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
}

bool CDialog::OnCommand(int id, int) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::EndDialog(INT_PTR result) { ::EndDialog(window_, result); }

void CDialog::SetItemText(int id, const std::wstring& text) { SetDlgItemTextW(window_, id, text.c_str()); }

std::wstring CDialog::ItemText(int id) const {
    HWND item = Item(id);
    const int length = item ? GetWindowTextLengthW(item) : 0;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    if (item) GetWindowTextW(item, buffer.data(), length + 1);
    return buffer.data();
}

void CDialog::ShowItem(int id, bool show) {
    if (HWND item = Item(id)) ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

void CDialog::EnableItem(int id, bool enable) {
    if (HWND item = Item(id)) EnableWindow(item, enable ? TRUE : FALSE);
}

void CDialog::ExchangeCheck(int id, uint32_t& flag, bool fromControl) {
    if (fromControl) {
        flag = IsDlgButtonChecked(window_, id) == BST_CHECKED ? 1 : 0;
    } else {
        CheckDlgButton(window_, id, flag ? BST_CHECKED : BST_UNCHECKED);
    }
}

CApplication* CApplication::current_ = nullptr;

CApplication::CApplication() { current_ = this; }
CApplication::~CApplication() { current_ = nullptr; }

HINSTANCE CApplication::Instance() { return GetModuleHandleW(nullptr); }

std::wstring CApplication::Name() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring name(path.data(), length);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

int CApplication::Run() {
    InitInstance();
    return 0;
}

}  // namespace app
