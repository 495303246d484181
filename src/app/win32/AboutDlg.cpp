// The About box: its title and the program title in the wizard's language.
#include "app/win32/AboutDlg.h"

#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "ResourceIds.h"

CAboutDlg::CAboutDlg(CStringBase& texts, const std::wstring* language)
    : app::CDialog(IDD_ABOUTBOX), texts_(texts), language_(language) {}

bool CAboutDlg::OnInitDialog() {
    SetWindowTextW(Handle(), texts_.GetTextOrEmpty(tav::kTextAboutWizard, *language_).c_str());
    SetItemText(IDC_ABOUT_TITLE, texts_.GetTextOrEmpty(tav::kTextWizardTitle, *language_));
    return true;
}
