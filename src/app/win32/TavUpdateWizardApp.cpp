// Start-up of TavUpdateWizard.exe.
#include "app/win32/TavUpdateWizardApp.h"

#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "app/ReadingDirection.h"
#include "app/TupWizardManager.h"
#include "app/WizardFlow.h"
#include "app/lang/TextIds.h"
#include "app/win32/TavUpdateWizardDlg.h"
#include "manager/TupManager.h"
#include "system/MachineLock.h"
#include "system/MessageBoxes.h"

namespace {

const std::wstring kStartupLanguage = L"EN";  // the start-up questions are always English

}  // namespace

int CTavUpdateWizardApp::Ask(uint32_t textId, uint32_t style) {
    return app::ShowMessage(nullptr, texts_.GetTextOrEmpty(static_cast<int32_t>(textId), kStartupLanguage),
                            Name(), style);
}

bool CTavUpdateWizardApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS |
                                                       ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return false;

    uint32_t enforce = EnforceFlagOf(CommandLineTail(GetCommandLineW()));
    // One update at a time: a second wizard or unattended update ends before it looks at anything.
    const sys::UpdateLock lock = sys::TakeUpdateLock();
    if (lock.state != sys::LockState::Taken) {
        // In the administrator's language, and in its direction.
        const std::wstring language = WizardLanguageOf(StoredLanguageSetting());
        const bool busy = lock.state == sys::LockState::Busy;
        std::wstring message = texts_.GetTextOrEmpty(
            static_cast<int32_t>(busy ? tav::kTextAnotherUpdateRunning : tav::kTextUpdateLockFailed),
            language);
        if (!busy) message += L"\n\n" + lock.problem;
        app::ShowMessage(nullptr, TextForDisplay(message, language), Name(),
                         MessageStyleIn(language, sys::MessageStyle::Ok |
                                                      (busy ? sys::MessageStyle::IconWarning
                                                            : sys::MessageStyle::IconError)));
        CoUninitialize();
        return false;
    }
    {
        const std::wstring language = kStartupLanguage;
        auto manager = std::make_unique<CTupManager>(&texts_, &language, enforce);
        CTupWizardManager wizardManager(*manager);
        if (RunPrerequisiteChain(wizardManager, *this)) {
            CTavUpdateWizardDlg wizard(texts_, enforce, *manager, wizardManager);
            wizard.DoModal(nullptr);
        }
        // Destroying the manager also closes the log files.
    }
    CoUninitialize();
    return false;
}
