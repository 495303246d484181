// uidriver: walks another process's dialogs for the Wine tests by finding windows and posting
// messages to them, never waiting on a modal loop of its own. One command per run.
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kNotFound = 1;
constexpr int kUsage = 2;

constexpr DWORD kDefaultTimeoutMs = 5000;
constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 2000;

// The static that holds a message box's text (Windows and Wine alike).
constexpr int kMessageBoxTextId = 0xFFFF;
// Buttons a message box can have: IDOK to IDCONTINUE.
constexpr int kMessageBoxButtons[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE,
                                      IDYES, IDNO, IDTRYAGAIN, IDCONTINUE};

const char kUsageText[] =
    "usage: uidriver [--desktop NAME] [--timeout MS] COMMAND ...\n"
    "  wait-dialog CONTROLID [TIMEOUT_MS]      print the handle of the dialog with that control\n"
    "  text --dialog D ID                      text of control ID (0: the dialog's title)\n"
    "  state --dialog D ID                     visible=, enabled=, checked= (and selected=, pos=)\n"
    "  layout --dialog D ID                    exstyle= and rtl= (mirrored) of ID (0: the dialog)\n"
    "  controls --dialog D                     the dialog (id 0) and every child, one a line:\n"
    "                                          id class visible enabled x y w h style text\n"
    "  click --dialog D ID                     waits until ID is visible and enabled, clicks it\n"
    "  check --dialog D ID 0|1                 sets a check box and notifies the dialog\n"
    "  select --dialog D ID INDEX              selects a combo box entry and notifies the dialog\n"
    "  link --dialog D ID                      clicks the first link of a SysLink control\n"
    "  wait-text --dialog D ID TEXT [TIMEOUT_MS]  (directional marks of the control ignored)\n"
    "  msgbox [TIMEOUT_MS]                     caption, text, button ids and layout of a message box\n"
    "  answer BUTTONID [TIMEOUT_MS]            presses that button of a message box\n"
    "  menu-item --dialog D                    the dialog's system menu: id greyed text\n"
    "  syscommand --dialog D CMDID             posts WM_SYSCOMMAND\n"
    "D is a control id that identifies the dialog: the first visible top-level window with a\n"
    "child of that id. Exit 0 on success, 1 when nothing was found in time, 2 for a wrong\n"
    "command line. Output is UTF-8.\n";

void Print(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                        size, nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), stdout);
    fflush(stdout);
}

void PrintLine(const std::wstring& text) { Print(text + L"\n"); }

int Fail(const std::wstring& message) {
    fwprintf(stderr, L"uidriver: %ls\n", message.c_str());
    return kNotFound;
}

int UsageError(const wchar_t* message) {
    fwprintf(stderr, L"uidriver: %ls\n", message);
    fputs(kUsageText, stderr);
    return kUsage;
}

bool ParseNumber(const wchar_t* text, long& value) {
    if (!text || !*text) return false;
    wchar_t* end = nullptr;
    value = std::wcstol(text, &end, 0);
    return *end == L'\0';
}

// Repeats probe until it succeeds or timeoutMs have passed; true when it succeeded.
template <typename Probe>
bool WaitFor(DWORD timeoutMs, Probe probe) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (probe()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// The first visible top-level window that passes accept, in z-order.
template <typename Accept>
HWND FindTopLevel(Accept accept) {
    struct Search {
        Accept* accept;
        HWND found;
    } search{&accept, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (IsWindowVisible(window) && (*s->accept)(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialog(int controlId) {
    return FindTopLevel([controlId](HWND w) { return GetDlgItem(w, controlId) != nullptr; });
}

bool IsMessageBox(HWND window) {
    return ClassOf(window) == L"#32770" && GetDlgItem(window, kMessageBoxTextId) != nullptr &&
           ClassOf(GetDlgItem(window, kMessageBoxTextId)) == L"Static";
}

// WM_GETTEXT through the target's own window procedure, which works across processes.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length)) {
        return L"";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

// The text without the marks that set the direction of its parts (U+200E, U+200F, U+202A-U+202E).
std::wstring WithoutMarks(const std::wstring& text) {
    std::wstring plain;
    for (wchar_t c : text) {
        if (c != 0x200E && c != 0x200F && !(c >= 0x202A && c <= 0x202E)) plain += c;
    }
    return plain;
}

LRESULT Query(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                        &result);
    return static_cast<LRESULT>(result);
}

bool IsButtonOfType(HWND control, std::initializer_list<LONG> types) {
    if (ClassOf(control) != L"Button") return false;
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    for (LONG t : types) {
        if (type == t) return true;
    }
    return false;
}

bool IsCheckable(HWND control) {
    return IsButtonOfType(control, {BS_CHECKBOX, BS_AUTOCHECKBOX, BS_3STATE, BS_AUTO3STATE,
                                    BS_RADIOBUTTON, BS_AUTORADIOBUTTON});
}

void NotifyCommand(HWND dialog, HWND control, WORD code) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

// The parsed command line: options, the command and its remaining arguments.
struct CommandLine {
    std::wstring desktop;
    DWORD timeoutMs = kDefaultTimeoutMs;
    bool hasDialog = false;
    int dialogControl = 0;
    std::wstring command;
    std::vector<std::wstring> args;
};

// Finds the dialog named by --dialog, waiting up to the time-out.
HWND WaitForDialog(const CommandLine& line) {
    HWND dialog = nullptr;
    WaitFor(line.timeoutMs, [&] { return (dialog = FindDialog(line.dialogControl)) != nullptr; });
    return dialog;
}

std::wstring Hex(const void* handle) {
    wchar_t text[32];
    swprintf(text, 32, L"0x%llx", static_cast<unsigned long long>(
                                      reinterpret_cast<uintptr_t>(handle)));
    return text;
}

// "id class visible enabled x y width height style text" of a control, its rectangle in the
// dialog's client coordinates; the dialog itself is id 0 with its client area.
std::wstring ControlLine(HWND dialog, HWND child) {
    RECT r{};
    if (child == dialog) {
        GetClientRect(dialog, &r);
    } else {
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    }
    wchar_t head[200];
    swprintf(head, 200, L"%d %ls %d %d %ld %ld %ld %ld 0x%08lx ",
             child == dialog ? 0 : GetDlgCtrlID(child), ClassOf(child).c_str(),
             IsWindowVisible(child) ? 1 : 0, IsWindowEnabled(child) ? 1 : 0, r.left, r.top,
             r.right - r.left, r.bottom - r.top,
             static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE)));
    std::wstring text;
    for (wchar_t c : TextOf(child)) {
        if (c == 0xFFFF) continue;  // the resource marker an icon static reports as its text
        text += (c == L'\r' || c == L'\n' || c == L'\t') ? L' ' : c;
    }
    return head + text;
}

// The extended style of a window and whether it is laid out right to left.
std::wstring LayoutLine(HWND window) {
    const auto exStyle = static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE));
    wchar_t line[64];
    swprintf(line, 64, L"exstyle=0x%08lx rtl=%d", exStyle, (exStyle & WS_EX_LAYOUTRTL) ? 1 : 0);
    return line;
}

std::wstring StateLine(HWND control) {
    std::wstring line = L"visible=" + std::to_wstring(IsWindowVisible(control) ? 1 : 0) +
                        L" enabled=" + std::to_wstring(IsWindowEnabled(control) ? 1 : 0) +
                        L" checked=" +
                        std::to_wstring(IsCheckable(control) ? Query(control, BM_GETCHECK) : 0);
    const std::wstring cls = ClassOf(control);
    if (cls == L"ComboBox") {
        line += L" selected=" + std::to_wstring(static_cast<int>(Query(control, CB_GETCURSEL))) +
                L" count=" + std::to_wstring(static_cast<int>(Query(control, CB_GETCOUNT)));
    } else if (cls == PROGRESS_CLASSW) {
        line += L" pos=" + std::to_wstring(static_cast<int>(Query(control, PBM_GETPOS)));
    }
    return line;
}

// Reads the system menu inside the dialog's own process: a hook DLL beside the driver answers
// a registered message with WM_COPYDATA, since menus cannot be read from another process.
int PrintSystemMenu(HWND dialog, DWORD timeoutMs) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, length);
    dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"uidriver_hook.dll";
    HMODULE module = LoadLibraryW(dll.c_str());
    auto hook = module ? reinterpret_cast<HOOKPROC>(
                             reinterpret_cast<void*>(GetProcAddress(module, "UiDriverMenuHook")))
                       : nullptr;
    if (!hook) return Fail(L"cannot load " + dll);

    HWND receiver = CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr);
    struct Reply {
        bool received = false;
        std::wstring text;
    } reply;
    SetWindowLongPtrW(receiver, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reply));
    SetWindowLongPtrW(receiver, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(
        +[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_COPYDATA) {
                auto* r = reinterpret_cast<Reply*>(GetWindowLongPtrW(w, GWLP_USERDATA));
                const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
                r->text.assign(static_cast<const wchar_t*>(data->lpData),
                               data->cbData / sizeof(wchar_t));
                r->received = true;
                return TRUE;
            }
            return DefWindowProcW(w, m, wp, lp);
        }));

    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    HHOOK installed = SetWindowsHookExW(WH_GETMESSAGE, hook, module, thread);
    if (!installed) return Fail(L"cannot hook the dialog's thread");
    const UINT query = RegisterWindowMessageW(L"TavUiDriverSystemMenu");
    PostMessageW(dialog, query, reinterpret_cast<WPARAM>(receiver), 0);
    const bool answered = WaitFor(timeoutMs, [&] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        return reply.received;
    });
    UnhookWindowsHookEx(installed);
    DestroyWindow(receiver);
    if (!answered) return Fail(L"the dialog did not answer the system menu query");
    Print(reply.text);
    return kOk;
}

int Run(const CommandLine& line) {
    const std::wstring& cmd = line.command;
    const auto& args = line.args;
    auto number = [&](size_t i, long& value) { return i < args.size() && ParseNumber(args[i].c_str(), value); };

    if (cmd == L"wait-dialog") {
        long id = 0;
        if (args.size() != 1 || !number(0, id)) return UsageError(L"wait-dialog CONTROLID [TIMEOUT_MS]");
        HWND dialog = nullptr;
        if (!WaitFor(line.timeoutMs, [&] { return (dialog = FindDialog(static_cast<int>(id))) != nullptr; })) {
            return Fail(L"no dialog with control " + std::to_wstring(id));
        }
        PrintLine(Hex(dialog));
        return kOk;
    }
    if (cmd == L"msgbox" || cmd == L"answer") {
        long button = 0;
        const bool answer = cmd == L"answer";
        if (args.size() != (answer ? 1u : 0u) || (answer && !number(0, button))) {
            return UsageError(answer ? L"answer BUTTONID [TIMEOUT_MS]" : L"msgbox [TIMEOUT_MS]");
        }
        HWND box = nullptr;
        HWND pressed = nullptr;
        const bool found = WaitFor(line.timeoutMs, [&] {
            box = FindTopLevel([&](HWND w) {
                if (!IsMessageBox(w)) return false;
                if (!answer) return true;
                pressed = GetDlgItem(w, static_cast<int>(button));
                return pressed && IsWindowVisible(pressed) && IsWindowEnabled(pressed);
            });
            return box != nullptr;
        });
        if (!found) {
            return Fail(answer ? L"no message box with button " + std::to_wstring(button)
                               : std::wstring(L"no message box"));
        }
        if (answer) {
            NotifyCommand(box, pressed, BN_CLICKED);
            return kOk;
        }
        std::wstring buttons;
        for (int id : kMessageBoxButtons) {
            HWND b = GetDlgItem(box, id);
            if (b && IsWindowVisible(b)) buttons += (buttons.empty() ? L"" : L" ") + std::to_wstring(id);
        }
        PrintLine(TextOf(box));
        PrintLine(TextOf(GetDlgItem(box, kMessageBoxTextId)));
        PrintLine(buttons);
        PrintLine(LayoutLine(box));
        return kOk;
    }

    // Every other command works on the dialog named by --dialog.
    if (!line.hasDialog) return UsageError(L"this command needs --dialog CONTROLID");
    long id = 0;
    const bool hasId = number(0, id);
    struct Shape {
        const wchar_t* name;
        size_t minArgs, maxArgs;
        bool needsId;
    };
    static const Shape shapes[] = {
        {L"text", 1, 1, true},   {L"state", 1, 1, true},     {L"controls", 0, 0, false},
        {L"click", 1, 1, true},  {L"check", 2, 2, true},     {L"select", 2, 2, true},
        {L"link", 1, 1, true},   {L"wait-text", 2, 2, true}, {L"menu-item", 0, 0, false},
        {L"syscommand", 1, 1, true}, {L"layout", 1, 1, true},
    };
    const Shape* shape = nullptr;
    for (const Shape& s : shapes) {
        if (cmd == s.name) shape = &s;
    }
    if (!shape) return UsageError(L"unknown command");
    if (args.size() < shape->minArgs || args.size() > shape->maxArgs || (shape->needsId && !hasId)) {
        return UsageError(L"wrong arguments");
    }

    HWND dialog = WaitForDialog(line);
    if (!dialog) return Fail(L"no dialog with control " + std::to_wstring(line.dialogControl));

    if (cmd == L"controls") {
        PrintLine(ControlLine(dialog, dialog));
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            PrintLine(ControlLine(dialog, c));
        }
        return kOk;
    }
    if (cmd == L"menu-item") return PrintSystemMenu(dialog, line.timeoutMs);
    if (cmd == L"syscommand") {
        PostMessageW(dialog, WM_SYSCOMMAND, static_cast<WPARAM>(id), 0);
        return kOk;
    }

    HWND control = id == 0 && (cmd == L"text" || cmd == L"wait-text" || cmd == L"layout")
                       ? dialog
                       : GetDlgItem(dialog, static_cast<int>(id));
    if (!control) return Fail(L"the dialog has no control " + std::to_wstring(id));

    if (cmd == L"text") {
        PrintLine(TextOf(control));
        return kOk;
    }
    if (cmd == L"layout") {
        PrintLine(LayoutLine(control));
        return kOk;
    }
    if (cmd == L"state") {
        PrintLine(StateLine(control));
        return kOk;
    }
    if (cmd == L"wait-text") {
        std::wstring last;
        if (!WaitFor(line.timeoutMs, [&] { return (last = WithoutMarks(TextOf(control))) == args[1]; })) {
            return Fail(L"control " + std::to_wstring(id) + L" still reads \"" + last + L"\"");
        }
        return kOk;
    }

    // Input goes only to controls the user could reach.
    if (!WaitFor(line.timeoutMs, [&] { return IsWindowVisible(control) && IsWindowEnabled(control); })) {
        return Fail(L"control " + std::to_wstring(id) + L" is not visible and enabled");
    }
    if (cmd == L"click") {
        // A click on an automatic check box or radio button changes it before the dialog hears.
        if (IsButtonOfType(control, {BS_AUTOCHECKBOX, BS_AUTO3STATE})) {
            Query(control, BM_SETCHECK, Query(control, BM_GETCHECK) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        } else if (IsButtonOfType(control, {BS_AUTORADIOBUTTON})) {
            Query(control, BM_SETCHECK, BST_CHECKED);
        }
        NotifyCommand(dialog, control, BN_CLICKED);
        return kOk;
    }
    if (cmd == L"check") {
        long state = 0;
        if (!number(1, state) || (state != 0 && state != 1)) return UsageError(L"check --dialog D ID 0|1");
        if (!IsCheckable(control)) return Fail(L"control " + std::to_wstring(id) + L" is not a check box");
        Query(control, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED);
        NotifyCommand(dialog, control, BN_CLICKED);
        return kOk;
    }
    if (cmd == L"select") {
        long index = 0;
        if (!number(1, index) || index < 0) return UsageError(L"select --dialog D ID INDEX");
        if (index >= Query(control, CB_GETCOUNT)) {
            return Fail(L"combo box " + std::to_wstring(id) + L" has no entry " + std::to_wstring(index));
        }
        Query(control, CB_SETCURSEL, static_cast<WPARAM>(index));
        NotifyCommand(dialog, control, CBN_SELCHANGE);
        return kOk;
    }
    // link: WM_NOTIFY cannot cross processes, so the SysLink is clicked where its text starts
    // and sends NM_CLICK to its dialog itself.
    if (ClassOf(control) != WC_LINK) return Fail(L"control " + std::to_wstring(id) + L" is not a SysLink");
    const LPARAM at = MAKELPARAM(4, 6);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
    return kOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    CommandLine line;
    int i = 1;
    for (; i < argc && argv[i][0] == L'-' && argv[i][1] == L'-'; i += 2) {
        const std::wstring option = argv[i];
        long value = 0;
        if (i + 1 >= argc) return UsageError(L"option without value");
        if (option == L"--desktop") {
            line.desktop = argv[i + 1];
        } else if (option == L"--timeout" && ParseNumber(argv[i + 1], value) && value >= 0) {
            line.timeoutMs = static_cast<DWORD>(value);
        } else if (option == L"--dialog" && ParseNumber(argv[i + 1], value)) {
            line.hasDialog = true;
            line.dialogControl = static_cast<int>(value);
        } else {
            return UsageError(L"unknown option");
        }
    }
    if (i >= argc) return UsageError(L"no command");
    line.command = argv[i++];
    // --dialog may also follow the command, as in "text --dialog 1000 1002".
    for (; i < argc; ++i) {
        long value = 0;
        if (std::wstring(argv[i]) == L"--dialog") {
            if (i + 1 >= argc || !ParseNumber(argv[i + 1], value)) return UsageError(L"--dialog CONTROLID");
            line.hasDialog = true;
            line.dialogControl = static_cast<int>(value);
            ++i;
        } else {
            line.args.push_back(argv[i]);
        }
    }

    // The optional TIMEOUT_MS argument, by its position, becomes the time-out of every wait.
    struct TimeoutArg {
        const wchar_t* command;
        size_t position;
    };
    for (const TimeoutArg& t : {TimeoutArg{L"wait-dialog", 1}, TimeoutArg{L"msgbox", 0},
                                TimeoutArg{L"answer", 1}, TimeoutArg{L"wait-text", 2}}) {
        if (line.command != t.command || line.args.size() != t.position + 1) continue;
        long value = 0;
        if (!ParseNumber(line.args.back().c_str(), value) || value < 0) {
            return UsageError(L"TIMEOUT_MS must be a number of milliseconds");
        }
        line.timeoutMs = static_cast<DWORD>(value);
        line.args.pop_back();
    }

    // The desktop may not be there yet while the program under test starts.
    if (!line.desktop.empty()) {
        HDESK desktop = nullptr;
        WaitFor(line.timeoutMs, [&] {
            return (desktop = OpenDesktopW(line.desktop.c_str(), 0, FALSE, GENERIC_ALL)) != nullptr;
        });
        if (!desktop || !SetThreadDesktop(desktop)) return Fail(L"cannot open desktop " + line.desktop);
    }
    return Run(line);
}
