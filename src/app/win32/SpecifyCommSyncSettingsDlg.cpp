// The communication and synchronization settings dialogs.
#include "app/win32/SpecifyCommSyncSettingsDlg.h"

#include <commctrl.h>

#include "app/ReadingDirection.h"
#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "persist/ObjContainer.h"
#include "system/Machine.h"

namespace {

constexpr wchar_t kWindowsKey[] = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion";

}  // namespace

CCommSyncSettingsDlg::CCommSyncSettingsDlg(CCommSyncSettings& settings)
    : app::CDialog(settings.DialogId()), settings_(settings) {}

std::wstring CCommSyncSettingsDlg::Text(uint32_t textId) const {
    const std::wstring& language = *settings_.language;
    return TextForDisplay(settings_.texts.GetTextOrEmpty(static_cast<int32_t>(textId), language), language);
}

void CCommSyncSettingsDlg::Exchange(bool fromControls) {
    for (const auto& box : settings_.CheckBoxes()) ExchangeCheck(box.controlId, settings_.Flag(box), fromControls);
}

bool CCommSyncSettingsDlg::OnInitDialog() {
    SetWindowTextW(Handle(), Text(settings_.TitleTextId()).c_str());
    SetItemText(settings_.HelpLinkId(), settings_.HelpLinkMarkup());
    SetItemText(settings_.IntroductionId(), Text(tav::kTextCommSyncIntro));
    for (const auto& box : settings_.CheckBoxes()) {
        SetItemText(box.controlId, Text(box.textId));
        if (box.explanationId) SetItemText(box.explanationId, Text(box.explanationTextId));
    }
    EnableItem(IDOK, false);
    settings_.SetDefaults();
    Exchange(false);
    return true;
}

bool CCommSyncSettingsDlg::OnCommand(int id, int code) {
    for (const auto& box : settings_.CheckBoxes()) {
        if (box.controlId == id && code == BN_CLICKED) {
            Exchange(true);
            EnableItem(IDOK, settings_.OkEnabled());
            return true;
        }
    }
    return app::CDialog::OnCommand(id, code);
}

bool CCommSyncSettingsDlg::OnNotify(const NMHDR& header) {
    if (static_cast<int>(header.idFrom) == settings_.HelpLinkId() &&
        (header.code == NM_CLICK || header.code == NM_RETURN)) {
        OpenHelp();
        return true;
    }
    return false;
}

void CCommSyncSettingsDlg::OnOK() {
    Exchange(true);
    // Enter reaches here even while the OK button is disabled.
    if (settings_.OkEnabled()) EndDialog(IDOK);
}

void CCommSyncSettingsDlg::OpenHelp() {
    ObjContainer windows;
    windows.LoadFromRegistry(kWindowsKey, false, -1, false);
    std::wstring programFiles;
    windows.GetString(L"ProgramFilesDir", programFiles);
    if (programFiles.empty()) return;
    // Started without waiting; a missing browser only means nothing opens.
    sys::ProgramStart start;
    if (!settings_.BrowserStart(programFiles, start)) return;
    sys::CurrentMachine().launcher->Run(start.program, start.commandLine, false, nullptr);
}

bool RunCommSyncSettingsDialog(CCommSyncSettings& settings, HWND owner) {
    switch (settings.Form()) {
        case CommSyncForm::MainServer:
            return CSpecifyCommSyncSettingsDlg(settings).DoModal(owner) == IDOK;
        case CommSyncForm::MainServerInternal:
            return CSpecifyCommSyncSettingsV2Dlg(settings).DoModal(owner) == IDOK;
        default:
            return CSpecifyCommSyncSettingsRvxSvxDlg(settings).DoModal(owner) == IDOK;
    }
}
