// The About box the wizard opens from its system menu.
#pragma once

#include <string>

#include "app/win32/Dialog.h"

class CStringBase;

class CAboutDlg final : public app::CDialog {
public:
    CAboutDlg(CStringBase& texts, const std::wstring* language);

private:
    bool OnInitDialog() override;

    CStringBase& texts_;
    const std::wstring* language_;
};
