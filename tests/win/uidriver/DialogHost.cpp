// DialogHost: shows one of the wizard's dialog templates with the texts of the language file, so
// that the driver's tests and the screenshots see the real resources without the wizard.
//   DialogHost.exe TEMPLATE [--page N] [--lang XX] [--texts FOLDER] [--stretch PERCENT]
//                  [--desktop NAME]
//   DialogHost.exe TEMPLATE,... --check-fit LANG:PERCENT,... [--texts FOLDER] [--desktop NAME]
// Pages of template 102: 0-3, and 4 for page 3 after the run; of template 134: the form (0, 1).
// OK, Cancel and the wizard's Cancel end it and it prints "result ID"; Next asks in a message
// box whether to go on; check boxes, the language list and links write what they got into the
// title, where a test can read it. --check-fit instead measures every label of every page and
// form of each template in each language at each lengthening, prints those whose text does not
// fit and exits 0 when all fit, else 1.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "ResourceIds.h"
#include "app/lang/StringBase.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Options {
    int templateId = 0;
    int page = 0;
    std::wstring language = L"EN";
    std::wstring textFolder;
    int stretchPercent = 100;
    bool checkFit = false;
    // Languages and lengthenings of a fit check.
    struct FitRun {
        std::wstring language;
        int stretchPercent;
    };
    std::vector<FitRun> fitRuns;
};
using FitRun = Options::FitRun;

constexpr UINT kCheckFit = WM_APP + 1;
constexpr UINT kLicenceToTop = WM_APP + 2;
// The dialog result of a fit check that found nothing (0 and -1 are failures of DialogBox).
constexpr INT_PTR kAllFit = 1000000;

Options g_options;
CStringBase* g_texts = nullptr;

// A text of the language file, lengthened to the stretch percentage by repeating its words, as
// a longer translation would be; empty when the file has none.
std::wstring Text(int id) {
    std::wstring text = g_texts->GetTextOrEmpty(id, g_options.language);
    const size_t wanted = text.size() * static_cast<size_t>(g_options.stretchPercent) / 100;
    const std::wstring original = text;
    for (size_t i = 0; !original.empty() && text.size() < wanted; ++i) {
        text += (i % original.size() == 0 ? L" " : L"") + original.substr(i % original.size(), 1);
    }
    return text;
}

void SetText(HWND dialog, int control, const std::wstring& text) {
    if (!text.empty()) SetDlgItemTextW(dialog, control, text.c_str());
}

void SetTextId(HWND dialog, int control, int textId) { SetText(dialog, control, Text(textId)); }

void SetTitle(HWND dialog, const std::wstring& text) {
    if (!text.empty()) SetWindowTextW(dialog, text.c_str());
}

// Controls and their text ids, by page; 0: the control has no text of its own.
struct Label {
    int control;
    int textId;
};

std::vector<Label> WizardPage(int page) {
    const std::vector<Label> header = {{IDC_PAGE_TITLE, 0}, {IDC_PAGE_SUBTITLE, 0}, {IDC_PAGE_GROUP, 0}};
    std::vector<Label> labels;
    switch (page) {
    case 0:
        labels = {{IDC_NEXT, 53003}, {IDC_CANCEL_WIZARD, 53004}, {IDC_STRIP, 0},
                  {IDC_WELCOME_TITLE, 53000}, {IDC_WELCOME_INTRO, 53001},
                  {IDC_LANGUAGE_LABEL, 53002}, {IDC_LANGUAGE, 0}};
        break;
    case 1:
        labels = {{IDC_NEXT, 53016}, {IDC_CANCEL_WIZARD, 53015}, {IDC_BACK, 53005},
                  {IDC_PAGE_TITLE, 53011}, {IDC_PAGE_SUBTITLE, 53012}, {IDC_PAGE_GROUP, 53011},
                  {IDC_LICENCE_HINT, 53013}, {IDC_LICENCE_TEXT, 0}, {IDC_LICENCE_QUESTION, 53014}};
        break;
    case 2:
        labels = {{IDC_NEXT, 53026}, {IDC_CANCEL_WIZARD, 53004}, {IDC_BACK, 53005},
                  {IDC_PAGE_TITLE, 53017}, {IDC_PAGE_SUBTITLE, 53018}, {IDC_PAGE_GROUP, 53017},
                  {IDC_SUMMARY, 0}, {IDC_SUMMARY_NOTE, 53025}};
        break;
    default:
        labels = {{IDC_PAGE_TITLE, 53027}, {IDC_PAGE_SUBTITLE, page == 4 ? 53029 : 53028},
                  {IDC_PAGE_GROUP, 53027}, {IDC_CURRENT_ACTION_LABEL, 53208},
                  {IDC_CURRENT_ACTION, 0}, {IDC_STEP_PROGRESS_LABEL, 53031},
                  {IDC_STEP_PROGRESS, 0}, {IDC_TOTAL_PROGRESS_LABEL, 53032},
                  {IDC_TOTAL_PROGRESS, 0}, {IDC_STATUS, 0},
                  {IDC_PROGRESS_NOTE, page == 4 ? 53034 : 53033}};
        if (page == 4) labels.push_back({IDC_NEXT, 53036});
        break;
    }
    return labels;
}

// The licence as the wizard shows it: its paragraphs from the first id up to the first missing
// or empty one, separated by a blank line.
std::wstring Licence() {
    std::wstring licence;
    for (int id = 53500; id < 53530; ++id) {
        const std::wstring paragraph = Text(id);
        if (paragraph.empty()) break;
        licence += (licence.empty() ? L"" : L"\r\n\r\n") + paragraph;
    }
    return licence;
}

void ShowWizardPage(HWND dialog, int page) {
    for (int id = IDC_NEXT; id <= IDC_CURRENT_ACTION; ++id) {
        if (HWND c = GetDlgItem(dialog, id)) ShowWindow(c, SW_HIDE);
    }
    for (const Label& label : WizardPage(page)) {
        ShowWindow(GetDlgItem(dialog, label.control), SW_SHOW);
        if (label.textId) SetTextId(dialog, label.control, label.textId);
    }
    if (page == 1) SetText(dialog, IDC_LICENCE_TEXT, Licence());
    if (page == 2) {
        SetText(dialog, IDC_SUMMARY,
                Text(53019) + L"\r\n  " + Text(53020) + L" " + Text(53021) + L"\r\n  " +
                    Text(53023) + L" C:\\Program Files\\Kelmark\\Tarnova\\\r\n  " + Text(53024) +
                    L"\r\n    CoreServer\r\n    WebPages\r\n\r\n" + Text(53213) + L"\r\n");
    }
    if (page >= 3) {
        std::wstring lines;
        for (int id : {53045, 53046, 53054, 53055, 53051}) {
            lines += (lines.empty() ? L"-- " : L"\r\n-- ") + Text(id);
        }
        SetText(dialog, IDC_STATUS, lines);
        SetText(dialog, IDC_CURRENT_ACTION, L"C:\\Program Files...\\TavAps.exe");
        SendDlgItemMessageW(dialog, IDC_STEP_PROGRESS, PBM_SETRANGE32, 0, 100);
        SendDlgItemMessageW(dialog, IDC_TOTAL_PROGRESS, PBM_SETRANGE32, 0, 100);
        SendDlgItemMessageW(dialog, IDC_STEP_PROGRESS, PBM_SETPOS, page == 4 ? 100 : 40, 0);
        SendDlgItemMessageW(dialog, IDC_TOTAL_PROGRESS, PBM_SETPOS, page == 4 ? 100 : 65, 0);
    }
    // Close is greyed while the update runs.
    EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE,
                   MF_BYCOMMAND | (page == 3 ? MF_GRAYED : MF_ENABLED));
    SetWindowTextW(dialog, (L"page " + std::to_wstring(page)).c_str());
}

void SetSettingsTexts(HWND dialog, int templateId, int form) {
    struct Row {
        int dialogId, control, textId;
    };
    static const Row rows[] = {
        {IDD_COMMSYNC_V52, IDC_V52_INTRO, 53309},
        {IDD_COMMSYNC_V52, IDC_V52_SECURE_CHANNEL, 53310},
        {IDD_COMMSYNC_V52, IDC_V52_SECURE_CHANNEL_TEXT, 53311},
        {IDD_COMMSYNC_V52, IDC_V52_SSL_CERTIFICATE, 53312},
        {IDD_COMMSYNC_V52, IDC_V52_SSL_CERTIFICATE_TEXT, 53342},
        {IDD_COMMSYNC_V52, IDC_V52_SYNC_COMPATIBILITY, 53314},
        {IDD_COMMSYNC_V52, IDC_V52_SYNC_COMPATIBILITY_TEXT, 53315},
        {IDD_COMMSYNC_V52, IDC_V52_UNDERSTOOD, 53316},
        {IDD_COMMSYNC_V53, IDC_V53_INTRO, 53309},
        {IDD_COMMSYNC_V53, IDC_V53_SECURE_CHANNEL, 53310},
        {IDD_COMMSYNC_V53, IDC_V53_SECURE_CHANNEL_TEXT, 53311},
        {IDD_COMMSYNC_V53, IDC_V53_INTERNAL_SECURE_CHANNEL, 53321},
        {IDD_COMMSYNC_V53, IDC_V53_INTERNAL_SECURE_CHANNEL_TEXT, 53322},
        {IDD_COMMSYNC_V53, IDC_V53_SSL_CERTIFICATE, 53312},
        {IDD_COMMSYNC_V53, IDC_V53_SSL_CERTIFICATE_TEXT, 53342},
        {IDD_COMMSYNC_V53, IDC_V53_SYNC_COMPATIBILITY, 53314},
        {IDD_COMMSYNC_V53, IDC_V53_SYNC_COMPATIBILITY_TEXT, 53315},
        {IDD_COMMSYNC_V53, IDC_V53_UNDERSTOOD, 53316},
        {IDD_COMMSYNC_RVXSVX, IDC_RVX_INTRO, 53309},
        {IDD_COMMSYNC_RVXSVX, IDC_RVX_UNDERSTOOD, 53316},
    };
    for (const Row& row : rows) {
        if (row.dialogId == templateId) SetTextId(dialog, row.control, row.textId);
    }
    const int link = templateId == IDD_COMMSYNC_V52   ? IDC_V52_HELP_LINK
                     : templateId == IDD_COMMSYNC_V53 ? IDC_V53_HELP_LINK
                                                      : IDC_RVX_HELP_LINK;
    if (!Text(53308).empty()) SetText(dialog, link, L"<a>" + Text(53308) + L"</a>");
    if (templateId == IDD_COMMSYNC_RVXSVX) {
        SetTextId(dialog, IDC_RVX_INTERNAL_SECURE_CHANNEL, form ? 53323 : 53321);
        SetTextId(dialog, IDC_RVX_INTERNAL_SECURE_CHANNEL_TEXT, form ? 53324 : 53322);
    }
    SetTitle(dialog, Text(templateId == IDD_COMMSYNC_RVXSVX ? (form ? 53326 : 53325) : 53307));
}

void SetAboutTexts(HWND dialog) {
    SetTextId(dialog, IDC_ABOUT_TITLE, 53006);
    SetTitle(dialog, Text(53007));
}

// The strip bitmap cut to the control's size around its centre, as the wizard shows it.
void DrawStrip(const DRAWITEMSTRUCT& item) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                     MAKEINTRESOURCEW(IDB_STRIP), IMAGE_BITMAP,
                                                     0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return;
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    HDC memory = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, memory,
           (info.bmWidth - width) / 2, (info.bmHeight - height) / 2, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

// Prints the visible labels, check boxes and buttons whose text needs more room than they have
// with their own font; returns how many there are.
int CheckFit(HWND dialog, int page) {
    int overflows = 0;
    HDC dc = GetDC(dialog);
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(c, cls, 32);
        const LONG style = GetWindowLongW(c, GWL_STYLE);
        RECT client{};
        GetClientRect(c, &client);
        int width = client.right;
        UINT format = DT_CALCRECT | DT_WORDBREAK;
        if (!(style & WS_VISIBLE)) continue;  // the dialog itself may not be shown yet
        if (std::wstring(cls) == L"Static") {
            const LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) continue;
            if (style & SS_ELLIPSISMASK) continue;  // shortens its text on purpose
            if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
        } else if (std::wstring(cls) == L"Button") {
            const LONG type = style & BS_TYPEMASK;
            if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON) {
                width -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
            } else if (type == BS_GROUPBOX) {
                width -= 16;
            } else {
                width -= 8;  // the push button's frame and margins
            }
            if (!(style & BS_MULTILINE)) format &= ~static_cast<UINT>(DT_WORDBREAK);
        } else {
            continue;
        }
        wchar_t text[8192] = {};
        GetWindowTextW(c, text, 8192);
        if (!*text) continue;
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
        RECT needed{0, 0, width, 0};
        DrawTextW(dc, text, -1, &needed, format);
        SelectObject(dc, old);
        if (needed.right > width || needed.bottom > client.bottom) {
            ++overflows;
            printf("overflow template %d page %d control %d in %ls at %d %%: needs %ldx%ld, "
                   "has %dx%ld\n",
                   static_cast<int>(GetWindowLongPtrW(dialog, DWLP_USER)), page, GetDlgCtrlID(c),
                   g_options.language.c_str(), g_options.stretchPercent, needed.right,
                   needed.bottom, width, client.bottom);
        }
    }
    ReleaseDC(dialog, dc);
    fflush(stdout);
    return overflows;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const int templateId = static_cast<int>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        const int id = static_cast<int>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, id);
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
        SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        if (id == IDD_TAVUPDATEWIZARD_DIALOG) {
            wchar_t about[128] = {};
            LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 128);
            HMENU menu = GetSystemMenu(dialog, FALSE);
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
            for (const wchar_t* name :
                 {L"English", L"Arabic", L"Czech", L"Danish", L"Dutch", L"Estonian", L"Finnish",
                  L"French", L"German", L"Hungarian", L"Italian", L"Norwegian", L"Polish",
                  L"Spanish", L"Swedish"}) {
                SendDlgItemMessageW(dialog, IDC_LANGUAGE, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(name));
            }
            SendDlgItemMessageW(dialog, IDC_LANGUAGE, CB_SETCURSEL, 4, 0);
            ShowWizardPage(dialog, g_options.page);
        } else if (id == IDD_ABOUTBOX) {
            SetAboutTexts(dialog);
        } else {
            SetSettingsTexts(dialog, id, g_options.page);
        }
        if (g_options.checkFit) PostMessageW(dialog, kCheckFit, 0, 0);
        // The default button takes the focus once the dialog is shown and active, so no edit box
        // starts with all of its text selected.
        HWND button = GetDlgItem(dialog, id == IDD_TAVUPDATEWIZARD_DIALOG ? IDC_NEXT : IDOK);
        if (button && (GetWindowLongW(button, GWL_STYLE) & WS_VISIBLE)) {
            PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
        }
        PostMessageW(dialog, kLicenceToTop, 0, 0);
        return TRUE;
    }
    case kLicenceToTop:
        // Focusing an edit box selects its text whole and shows its end: back to the top.
        SendDlgItemMessageW(dialog, IDC_LICENCE_TEXT, EM_SETSEL, 0, 0);
        SendDlgItemMessageW(dialog, IDC_LICENCE_TEXT, EM_SCROLLCARET, 0, 0);
        return TRUE;
    case kCheckFit: {
        // Every page of the wizard, both forms of dialog 134, the others as they are; in each
        // language of the check.
        int overflows = 0;
        for (const FitRun& run : g_options.fitRuns) {
            g_options.language = run.language;
            g_options.stretchPercent = run.stretchPercent;
            if (templateId == IDD_TAVUPDATEWIZARD_DIALOG) {
                for (int page = 0; page <= 4; ++page) {
                    ShowWizardPage(dialog, page);
                    overflows += CheckFit(dialog, page);
                }
            } else if (templateId == IDD_COMMSYNC_RVXSVX) {
                for (int form = 0; form <= 1; ++form) {
                    SetSettingsTexts(dialog, templateId, form);
                    overflows += CheckFit(dialog, form);
                }
            } else if (templateId == IDD_ABOUTBOX) {
                SetAboutTexts(dialog);
                overflows += CheckFit(dialog, 0);
            } else {
                SetSettingsTexts(dialog, templateId, 0);
                overflows += CheckFit(dialog, 0);
            }
        }
        EndDialog(dialog, overflows ? 1 : kAllFit);
        return TRUE;
    }
    case WM_DRAWITEM:
        if (wParam == IDC_STRIP) {
            DrawStrip(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), dialog,
                            DialogProc, IDD_ABOUTBOX);
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == NM_CLICK) {
            SetWindowTextW(dialog, (L"link " + std::to_wstring(header->idFrom)).c_str());
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDOK || id == IDCANCEL || id == IDC_CANCEL_WIZARD) {
            EndDialog(dialog, id);
        } else if (id == IDC_NEXT && templateId == IDD_TAVUPDATEWIZARD_DIALOG) {
            if (MessageBoxW(dialog, L"Show the next page?", L"DialogHost",
                            MB_YESNO | MB_ICONQUESTION) == IDYES) {
                g_options.page = (g_options.page + 1) % 5;
                ShowWizardPage(dialog, g_options.page);
            }
        } else if (id == IDC_BACK && g_options.page > 0) {
            ShowWizardPage(dialog, --g_options.page);
        } else if (id == IDC_LANGUAGE && code == CBN_SELCHANGE) {
            const auto index = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
            SetWindowTextW(dialog, (L"selected " + std::to_wstring(index)).c_str());
        } else if (code == BN_CLICKED) {
            const auto state = SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0);
            SetWindowTextW(dialog, (L"clicked " + std::to_wstring(id) + L" checked=" +
                                    std::to_wstring(state)).c_str());
        }
        return TRUE;
    }
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring desktop;
    std::vector<int> templates;
    bool ok = argc >= 2;
    // TEMPLATE, or for a fit check a comma-separated list of them.
    for (wchar_t* t = ok ? wcstok(argv[1], L",") : nullptr; t; t = wcstok(nullptr, L",")) {
        templates.push_back(_wtoi(t));
        ok = ok && templates.back() > 0;
    }
    for (int i = 2; ok && i < argc; i += 2) {
        const std::wstring option = argv[i];
        wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) {
            ok = false;
        } else if (option == L"--page") {
            g_options.page = _wtoi(value);
        } else if (option == L"--lang") {
            g_options.language = value;
        } else if (option == L"--texts") {
            g_options.textFolder = value;
        } else if (option == L"--stretch") {
            g_options.stretchPercent = _wtoi(value);
        } else if (option == L"--desktop") {
            desktop = value;
        } else if (option == L"--check-fit") {
            g_options.checkFit = true;
            for (wchar_t* run = wcstok(value, L","); ok && run; run = wcstok(nullptr, L",")) {
                const wchar_t* colon = wcschr(run, L':');
                ok = colon != nullptr;
                if (ok) g_options.fitRuns.push_back({std::wstring(run, static_cast<size_t>(colon - run)), _wtoi(colon + 1)});
            }
        } else {
            ok = false;
        }
    }
    if (!ok || templates.empty() || (templates.size() > 1 && !g_options.checkFit)) {
        fputs("usage: DialogHost TEMPLATE [--page N] [--lang XX] [--texts FOLDER] "
              "[--stretch PERCENT] [--desktop NAME]\n"
              "       DialogHost TEMPLATE,... --check-fit LANG:PERCENT,... [--texts FOLDER] "
              "[--desktop NAME]\n", stderr);
        return 2;
    }
    // A desktop of the test's own keeps its windows apart from other programs in the prefix.
    if (!desktop.empty()) {
        HDESK handle = CreateDesktopW(desktop.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        if (!handle || !SetThreadDesktop(handle)) {
            fputs("DialogHost: cannot create the desktop\n", stderr);
            return 3;
        }
    }
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    CStringBase texts(g_options.textFolder);
    g_texts = &texts;
    int exitCode = 0;
    for (int id : templates) {
        const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(id), nullptr, DialogProc, id);
        if (result == -1 || result == 0) {
            fprintf(stderr, "DialogHost: template %d cannot be shown (error %lu)\n", id, GetLastError());
            return 3;
        }
        if (!g_options.checkFit) printf("result %d\n", static_cast<int>(result));
        if (g_options.checkFit && result != kAllFit) exitCode = 1;
    }
    return exitCode;
}
