// Updater of the core server's resources: their path registry values, and those paths put into
// the installation paths of the module's files.
#pragma once

#include "modules/TupServerUpdater.h"

class CTupKernelResourcesUpdater : public CTupServerUpdater {
public:
    static constexpr const wchar_t* kReportServerPathPlaceholder = L"[$TAV_REPORTSERVERPATH]";
    static constexpr const wchar_t* kClientSetupPlaceholder = L"[$TAV_TAVCLNTMSIPATH]";
    static constexpr const wchar_t* kPortDriverSetupPlaceholder = L"[$TAV_IGV2PORTDRIVERMSIPATH]";
    static constexpr const wchar_t* kRipPathPlaceholder = L"[$TAV_GSRIPPATH]";

    // Base preparation, then the job ticket folder and, where the server's resources are
    // installed, the other resource paths, wildcard expansion, the engine path defaults and
    // the synchronization compatibility. Always 1.
    int PrepareUpdate() override;
    // The module has no programs beyond those the run starts.
    int LaunchExecutables() override { return 1; }

private:
    // Whether the resource path placeholders can be replaced on this server.
    bool PathPlaceholdersApply(const std::wstring& reportPath, const std::wstring& posPath,
                               const std::wstring& ripPath) const;
};
