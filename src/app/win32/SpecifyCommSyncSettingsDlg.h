// The communication and synchronization settings dialogs: views over a settings form.
#pragma once

#include "app/CommSyncSettings.h"
#include "app/win32/Dialog.h"

// Shows one form: its texts from the language file, its check boxes bound to the form's flags,
// OK enabled only while "understood" is ticked, and the help link.
class CCommSyncSettingsDlg : public app::CDialog {
public:
    explicit CCommSyncSettingsDlg(CCommSyncSettings& settings);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnNotify(const NMHDR& header) override;
    void OnOK() override;

private:
    std::wstring Text(uint32_t textId) const;
    void Exchange(bool fromControls);
    void OpenHelp();

    CCommSyncSettings& settings_;
};

// Dialog 132: secure channel, SSL certificate, synchronization compatibility.
class CSpecifyCommSyncSettingsDlg final : public CCommSyncSettingsDlg {
public:
    using CCommSyncSettingsDlg::CCommSyncSettingsDlg;
};

// Dialog 133: the same and the internal web server's secure channel.
class CSpecifyCommSyncSettingsV2Dlg final : public CCommSyncSettingsDlg {
public:
    using CCommSyncSettingsDlg::CCommSyncSettingsDlg;
};

// Dialog 134: the internal secure channel of a remote print or scan processing server.
class CSpecifyCommSyncSettingsRvxSvxDlg final : public CCommSyncSettingsDlg {
public:
    using CCommSyncSettingsDlg::CCommSyncSettingsDlg;
};

// Runs the dialog of the form; true when it was confirmed with OK.
bool RunCommSyncSettingsDialog(CCommSyncSettings& settings, HWND owner);
