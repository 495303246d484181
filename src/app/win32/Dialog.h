// The small dialog layer of the wizard: modal dialogs from resource templates with virtual
// handlers, control helpers, check-box exchange, message boxes and posted messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace app {

// A message box over owner (none: null) with the given buttons and icon (MB_ values); the
// button that closed it.
int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption, UINT style);

// Posts a message to a window of this or another thread; false when the window is gone.
bool Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The layout of the windows made from now on (message boxes, dialogs opened later): mirrored
// for a right-to-left language.
void SetDefaultLayout(bool rightToLeft);

// Mirrors a dialog that already exists, or turns it back: the dialog and its controls change
// sides, texts read in the new direction, pictures keep theirs.
void MirrorDialog(HWND dialog, bool rightToLeft);

// A modal dialog made from a template of the program's resources.
class CDialog {
public:
    explicit CDialog(int templateId);
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until a handler ends it; the result given to EndDialog, or -1 when the
    // template cannot be loaded.
    INT_PTR DoModal(HWND parent = nullptr);
    HWND Handle() const { return window_; }

protected:
    // After the controls exist; true lets the dialog give the first control the focus.
    virtual bool OnInitDialog() { return true; }
    // WM_COMMAND of a control or menu; true when handled. The default ends the dialog on
    // IDOK and IDCANCEL through OnOK and OnCancel.
    virtual bool OnCommand(int id, int code);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // WM_NOTIFY; true when handled.
    virtual bool OnNotify(const NMHDR&) { return false; }
    // Any other message; true when handled, with result as the message's result.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

    void EndDialog(INT_PTR result);
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    void SetItemText(int id, const std::wstring& text);
    std::wstring ItemText(int id) const;
    void ShowItem(int id, bool show);
    void EnableItem(int id, bool enable);
    // Moves a check box's state into flag (fromControl) or flag into the check box.
    void ExchangeCheck(int id, uint32_t& flag, bool fromControl);

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND window_ = nullptr;
};

// The program's one application object: it runs InitInstance and ends the process after it.
class CApplication {
public:
    CApplication();
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    static CApplication* Current() { return current_; }
    static HINSTANCE Instance();
    // The executable's file name without its extension, the caption of its own messages.
    static std::wstring Name();

    // Runs the program; the exit code.
    int Run();

protected:
    // The whole run; false ends the program right after it.
    virtual bool InitInstance() = 0;

private:
    static CApplication* current_;
};

}  // namespace app
