// The wizard dialog.
#include "app/win32/TavUpdateWizardDlg.h"

#include <commctrl.h>

#include "app/CommSyncSettings.h"
#include "app/ReadingDirection.h"
#include "app/StartupChain.h"
#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "app/win32/AboutDlg.h"
#include "app/win32/SpecifyCommSyncSettingsDlg.h"
#include "manager/TupManager.h"
#include "persist/ObjContainer.h"
#include "system/Machine.h"
#include "ResourceIds.h"

CTavUpdateWizardDlg::CTavUpdateWizardDlg(CStringBase& texts, uint32_t enforce,
                                         CTupManager& manager, IWizardManager& wizardManager)
    : app::CDibDialog(IDD_TAVUPDATEWIZARD_DIALOG, IDB_STRIP, IDC_STRIP, false, true),
      texts_(texts),
      manager_(manager),
      wizardManager_(wizardManager),
      flow_(texts, wizardManager, *this, enforce != 0),
      board_(*sys::CurrentMachine().clock, [this](CStatusBoard::Change change) {
          app::Post(Handle(), change == CStatusBoard::Change::StatusLines ? WM_STATUS_LINES_ADDED
                                                                           : WM_CURRENT_ACTION_CHANGED);
      }) {
    icon_ = LoadIconW(app::CApplication::Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    // Reads the language files now, before the dialog is shown.
    texts_.GetText(tav::kTextWelcomeTitle, L"EN");
}

CTavUpdateWizardDlg::~CTavUpdateWizardDlg() {
    manager_.SetOwner(nullptr);
    if (worker_) {
        WaitForSingleObject(worker_, INFINITE);
        CloseHandle(worker_);
    }
}

std::wstring CTavUpdateWizardDlg::Text(uint32_t textId) const {
    return Shown(texts_.GetTextOrEmpty(static_cast<int32_t>(textId), flow_.Language()));
}

std::wstring CTavUpdateWizardDlg::Shown(const std::wstring& text) const {
    return TextForDisplay(text, flow_.Language());
}

bool CTavUpdateWizardDlg::OnInitDialog() {
    app::CDibDialog::OnInitDialog();
    if (HMENU menu = GetSystemMenu(Handle(), FALSE)) {
        wchar_t about[256] = L"";
        if (LoadStringW(app::CApplication::Instance(), IDS_ABOUTBOX, about, 256) > 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    flow_.ChooseStoredLanguage(StoredLanguageSetting());
    // The summary and the run's status lines follow the language the wizard shows.
    wizardManager_.SetLanguage(&flow_.Language());

    HWND languages = Item(IDC_LANGUAGE);
    for (const WizardLanguage& language : kWizardLanguages) {
        SendMessageW(languages, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(language.name));
    }
    SendMessageW(languages, CB_SETCURSEL, static_cast<WPARAM>(flow_.LanguageIndex()), 0);
    for (int bar : {IDC_STEP_PROGRESS, IDC_TOTAL_PROGRESS}) {
        SendMessageW(Item(bar), PBM_SETRANGE32, 0, 100);
    }
    ApplyLanguage();
    manager_.SetOwner(this);
    return true;
}

void CTavUpdateWizardDlg::ApplyLanguage() {
    // The message boxes and dialogs opened later follow the language too.
    app::SetDefaultLayout(flow_.RightToLeft());
    app::MirrorDialog(Handle(), flow_.RightToLeft());
    SetWindowTextW(Handle(), Text(tav::kTextWizardTitle).c_str());
    if (HMENU menu = GetSystemMenu(Handle(), FALSE)) {
        // By its command, not its place: the standard items differ between systems.
        DeleteMenu(menu, IDM_ABOUTBOX, MF_BYCOMMAND);
        const std::wstring about = Text(tav::kTextAboutWizard);
        if (!about.empty()) AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    ShowPage();
}

void CTavUpdateWizardDlg::ShowPage() {
    for (const ControlLook& look : flow_.Controls()) {
        if (look.textId) SetItemText(look.id, Text(look.textId));
        EnableItem(look.id, look.enabled);
        ShowItem(look.id, look.visible);
    }
    switch (flow_.Page()) {
        case 1:
            SetItemText(IDC_LICENCE_TEXT, TextForEditBox(flow_.LicenceText(), flow_.Language()));
            SetFocus(Item(IDC_LICENCE_TEXT));
            // Read from the top, nothing selected.
            SendMessageW(Item(IDC_LICENCE_TEXT), EM_SETSEL, 0, 0);
            SendMessageW(Item(IDC_LICENCE_TEXT), EM_SCROLLCARET, 0, 0);
            break;
        case 2:
            SetItemText(IDC_SUMMARY, TextForEditBox(flow_.Summary(), flow_.Language()));
            SetFocus(Item(IDC_NEXT));
            break;
        default:
            break;
    }
}

void CTavUpdateWizardDlg::Act(CWizardFlow::Action action) {
    switch (action) {
        case CWizardFlow::Action::ShowPage:
            ShowPage();
            break;
        case CWizardFlow::Action::StartUpdate:
            ShowPage();
            StartUpdate();
            break;
        case CWizardFlow::Action::EndDialog:
            EndDialog(IDOK);
            break;
        case CWizardFlow::Action::Stay:
            break;
    }
}

bool CTavUpdateWizardDlg::OnCommand(int id, int code) {
    switch (id) {
        case IDC_NEXT:
            if (code == BN_CLICKED) Act(flow_.Next());
            return true;
        case IDC_BACK:
            if (code == BN_CLICKED) Act(flow_.Back());
            return true;
        case IDC_CANCEL_WIZARD:
            if (code == BN_CLICKED) Act(flow_.Cancel());
            return true;
        case IDC_LANGUAGE:
            if (code == CBN_SELCHANGE) {
                const auto index = static_cast<int>(SendMessageW(Item(IDC_LANGUAGE), CB_GETCURSEL, 0, 0));
                if (flow_.SelectLanguage(index)) ApplyLanguage();
            }
            return true;
        default:
            return app::CDibDialog::OnCommand(id, code);
    }
}

void CTavUpdateWizardDlg::OnCancel() {
    // Escape and the window's close command: never while the update runs.
    Act(flow_.Cancel());
}

bool CTavUpdateWizardDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
                CAboutDlg(texts_, &flow_.Language()).DoModal(Handle());
                return true;
            }
            if ((wParam & 0xFFF0) == SC_CLOSE && flow_.Running()) return true;
            return false;
        case WM_PAINT:
            if (IsIconic(Handle())) {
                PAINTSTRUCT paint;
                HDC dc = BeginPaint(Handle(), &paint);
                RECT client;
                GetClientRect(Handle(), &client);
                DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                         (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon_);
                EndPaint(Handle(), &paint);
                return true;
            }
            return app::CDibDialog::OnMessage(message, wParam, lParam, result);
        case WM_UPDATE_FINISHED:
            OnUpdateFinished(wParam == 1);
            return true;
        case WM_STATUS_LINES_ADDED:
            OnStatusLinesAdded();
            return true;
        case WM_CURRENT_ACTION_CHANGED:
            if (flow_.Running()) SetItemText(IDC_CURRENT_ACTION, Shown(board_.CurrentAction()));
            return true;
        default:
            return app::CDibDialog::OnMessage(message, wParam, lParam, result);
    }
}

void CTavUpdateWizardDlg::SetCloseEnabled(bool enabled) {
    if (HMENU menu = GetSystemMenu(Handle(), FALSE)) {
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void CTavUpdateWizardDlg::StartUpdate() {
    SetCloseEnabled(false);
    worker_ = CreateThread(nullptr, 0, UpdateThreadProc, this, 0, nullptr);
    if (!worker_) OnUpdateFinished(false);
}

DWORD WINAPI CTavUpdateWizardDlg::UpdateThreadProc(void* dialog) {
    auto* self = static_cast<CTavUpdateWizardDlg*>(dialog);
    const bool succeeded = CWizardFlow::RunPackages(self->wizardManager_, *self);
    app::Post(self->Handle(), WM_UPDATE_FINISHED, succeeded ? 1 : 0);
    return 0;
}

void CTavUpdateWizardDlg::OnUpdateFinished(bool succeeded) {
    flow_.Finished(succeeded);
    board_.ClearCurrentAction();
    for (int bar : {IDC_STEP_PROGRESS, IDC_TOTAL_PROGRESS}) SendMessageW(Item(bar), PBM_SETPOS, 100, 0);
    ShowPage();
    SetItemText(IDC_CURRENT_ACTION, L"");
    SetCloseEnabled(true);
    SetFocus(Item(IDC_NEXT));
}

void CTavUpdateWizardDlg::OnStatusLinesAdded() {
    const CStatusBoard::Lines lines = board_.StatusLines();
    SetItemText(IDC_STATUS, TextForEditBox(lines.text, flow_.Language()));
    SendMessageW(Item(IDC_STATUS), EM_LINESCROLL, 0, static_cast<LPARAM>(lines.count));
    // Once the run has ended the bars stay full.
    if (flow_.Running()) {
        SendMessageW(Item(IDC_STEP_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(lines.upper), 0);
        SendMessageW(Item(IDC_TOTAL_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(lines.lower), 0);
    }
}

void CTavUpdateWizardDlg::AddStatusLine(const std::wstring& text, int stepProgress, int totalProgress) {
    board_.AddStatusLine(text, stepProgress, totalProgress);
}

void CTavUpdateWizardDlg::SetCurrentAction(const std::wstring& text) { board_.SetCurrentAction(text); }

int CTavUpdateWizardDlg::AskQuestion(const std::wstring& text, const std::wstring& caption,
                                     uint32_t style) {
    return app::ShowMessage(Handle(), Shown(text), Shown(caption), MessageStyleIn(flow_.Language(), style));
}

int CTavUpdateWizardDlg::Ask(uint32_t textId, uint32_t captionId, uint32_t style) {
    return app::ShowMessage(Handle(), Text(textId), Text(captionId), MessageStyleIn(flow_.Language(), style));
}

bool CTavUpdateWizardDlg::ShowSettings(CCommSyncSettings& settings) {
    return RunCommSyncSettingsDialog(settings, Handle());
}
