// The About box: its title and the program title in the wizard's language.
#include "app/win32/AboutDlg.h"

#include "app/ReadingDirection.h"
#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "ResourceIds.h"

CAboutDlg::CAboutDlg(CStringBase& texts, const std::wstring* language)
    : app::CDialog(IDD_ABOUTBOX), texts_(texts), language_(language) {}

bool CAboutDlg::OnInitDialog() {
    auto text = [this](uint32_t id) {
        return TextForDisplay(texts_.GetTextOrEmpty(static_cast<int32_t>(id), *language_), *language_);
    };
    SetWindowTextW(Handle(), text(tav::kTextAboutWizard).c_str());
    SetItemText(IDC_ABOUT_TITLE, text(tav::kTextWizardTitle));
    return true;
}
