// Updater of the print processor module: installs the JqxPrint print processor into the
// spooler's print processor folder and registers it with the spooler.
#pragma once

#include "updater/TupModuleUpdater.h"

class CTupJqxPrintUpdater : public CTupModuleUpdater {
public:
    static constexpr const wchar_t* kFolderPlaceholder = L"[$PRINT_PROCESSOR_DIRECTORY]";
    static constexpr const wchar_t* kProcessorName = L"JqxPrint";
    static constexpr const wchar_t* kProcessorLibrary = L"JqxPrint.dll";

    // Base, then only the processor library built for this machine's architecture, and the
    // print processor folder in place of its placeholder.
    int PrepareUpdate() override;
    // Base, with file-system redirection off on 64-bit Windows.
    int ApplyUpdate() override;
    // Registers the print processor unless the spooler lists it already.
    int LaunchExecutables() override;
};
