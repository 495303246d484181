// The application object of TavUpdateWizard.exe: start-up, the prerequisite questions, the
// wizard, and the teardown.
#pragma once

#include "app/StartupChain.h"
#include "app/lang/StringBase.h"
#include "app/win32/Dialog.h"

class CTavUpdateWizardApp final : public app::CApplication, private IStartupPrompts {
public:
    CTavUpdateWizardApp() = default;

private:
    bool InitInstance() override;
    // The start-up questions: no owner, in English, the program's name as caption.
    int Ask(uint32_t textId, uint32_t style) override;

    CStringBase texts_;  // the language texts for the whole run
};
