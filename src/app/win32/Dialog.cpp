// The dialog layer over Win32.
#include "app/win32/Dialog.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "app/win32/RightToLeftEdit.h"

namespace app {

namespace {

// The message box being shown on this thread reads right to left: its window is mirrored
// before it first appears, so that its buttons and icon change sides too.
thread_local HHOOK mirrorHook = nullptr;

LRESULT CALLBACK MirrorMessageBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && mirrorHook) {
        UnhookWindowsHookEx(mirrorHook);
        mirrorHook = nullptr;
        MirrorDialog(reinterpret_cast<HWND>(wParam), true);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style) {
    if (style & MB_RTLREADING) {
        mirrorHook = SetWindowsHookExW(WH_CBT, MirrorMessageBox, nullptr, GetCurrentThreadId());
    }
    const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), style);
    if (mirrorHook) {
        UnhookWindowsHookEx(mirrorHook);
        mirrorHook = nullptr;
    }
    return answer;
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageW(window, message, wParam, lParam) != FALSE;
}

namespace {

constexpr LONG kRightToLeftStyles = WS_EX_LAYOUTRTL | WS_EX_RTLREADING;

bool IsClass(HWND control, const wchar_t* name) {
    wchar_t found[16] = {};
    GetClassNameW(control, found, 16);
    return lstrcmpiW(found, name) == 0;
}

bool IsPicture(HWND control) {
    const LONG type = GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK;
    return IsClass(control, L"Static") && (type == SS_ICON || type == SS_BITMAP);
}

LONG WithDirection(LONG exStyle, LONG styles, bool rightToLeft) {
    return rightToLeft ? exStyle | styles : exStyle & ~styles;
}

// The extended style a control takes in a dialog of the direction. Edit boxes are not mirrored
// (a mirrored edit box puts the pieces of a Latin run in reverse order) and draw their lines right
// to left themselves (DrawLinesRightToLeft). Links are mirrored without the reading flag, which
// they do not use, so that a link made in a mirrored dialog keeps its style and its frame (a
// frame changed inside a mirrored dialog is misplaced under Wine). Pictures keep their direction
// inside their place.
LONG ControlExStyle(HWND control, bool rightToLeft) {
    const LONG exStyle = GetWindowLongW(control, GWL_EXSTYLE);
    if (IsClass(control, L"Edit")) return exStyle & ~kRightToLeftStyles;
    if (IsClass(control, WC_LINK)) {
        return WithDirection(exStyle & ~WS_EX_RTLREADING, WS_EX_LAYOUTRTL, rightToLeft);
    }
    const LONG style = WithDirection(exStyle, kRightToLeftStyles, rightToLeft);
    return IsPicture(control) ? style & ~WS_EX_LAYOUTRTL : style;
}

}  // namespace

void SetDefaultLayout(bool rightToLeft) { SetProcessDefaultLayout(rightToLeft ? LAYOUT_RTL : 0); }

void MirrorDialog(HWND dialog, bool rightToLeft) {
    // Where each control stands, counted from the dialog's leading edge: the same place after
    // the change puts it on the other side.
    struct Place {
        HWND control;
        RECT rect;
    };
    std::vector<Place> places;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        if (rect.left > rect.right) std::swap(rect.left, rect.right);
        places.push_back({child, rect});
    }
    SetWindowLongW(dialog, GWL_EXSTYLE,
                   WithDirection(GetWindowLongW(dialog, GWL_EXSTYLE), kRightToLeftStyles, rightToLeft));
    for (const Place& place : places) {
        if (IsClass(place.control, L"Edit")) DrawLinesRightToLeft(place.control, rightToLeft);
        // Only a control whose frame changes is told so: an edit box told so in a mirrored dialog
        // loses its scroll bar under Wine.
        const LONG exStyle = ControlExStyle(place.control, rightToLeft);
        const bool frameChanged = exStyle != GetWindowLongW(place.control, GWL_EXSTYLE);
        if (frameChanged) SetWindowLongW(place.control, GWL_EXSTYLE, exStyle);
        SetWindowPos(place.control, nullptr, place.rect.left, place.rect.top,
                     place.rect.right - place.rect.left, place.rect.bottom - place.rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (frameChanged ? SWP_FRAMECHANGED : 0));
    }
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
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
        // A dialog reads in the direction of the window it belongs to, or of the program.
        HWND owner = GetWindow(window, GW_OWNER);
        const LONG layoutOf = GetWindowLongW(owner ? owner : window, GWL_EXSTYLE);
        if (layoutOf & WS_EX_LAYOUTRTL) MirrorDialog(window, true);
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
