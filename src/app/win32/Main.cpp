// Entry point of TavUpdateWizard.exe.
#include <windows.h>

#include "app/win32/TavUpdateWizardApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CTavUpdateWizardApp application;
    return application.Run();
}
