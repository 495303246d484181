// Updater of the core server's resources.
#include "modules/TupKernelResourcesUpdater.h"

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "persist/ObjContainer.h"

bool CTupKernelResourcesUpdater::PathPlaceholdersApply(const std::wstring& reportPath,
                                                       const std::wstring& posPath,
                                                       const std::wstring& ripPath) const {
    if (reportPath.empty() || posPath.empty()) return false;
    if (!ripPath.empty()) return true;
    // These releases install no RIP.
    const std::wstring version =
        Manager() ? Manager()->PackageString(PackageKey::MinimumRequiredVersion) : std::wstring();
    return version == L"1.498.1.0" || version == L"1.510.1.0";
}

int CTupKernelResourcesUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    Report(tav::kTextPreparingResourcePaths);
    const std::wstring product = CTupManager::kProductKey;

    std::wstring reportPath, posPath, ripPath;
    {
        ObjContainer key;
        key.LoadFromRegistry(product, false, -1, false);
        key.GetString(L"REPORTSERVERPATH", reportPath);
        key.GetString(L"POSPATH", posPath);
        key.GetString(L"GSRIPPATH", ripPath);
    }
    const std::wstring jobTicketFolder = EnsureInstallPath(product, L"POSJTCONFIGFOLDER", L"");
    ReplaceFirstPlaceholder({{kJobTicketFolderPlaceholder, jobTicketFolder}});

    if (!PathPlaceholdersApply(reportPath, posPath, ripPath)) {
        Report(tav::kTextResourcePathsIncomplete);
        return 1;
    }
    const std::wstring clientSetup = EnsureInstallPath(product, L"TAVCLNTMSIPATH", L"TavClntMsi.exe");
    const std::wstring portDriverSetup =
        EnsureInstallPath(product, L"IGV2PORTDRIVERMSIPATH", L"IgV2PortDriverMsi.exe");
    if (clientSetup.empty() || portDriverSetup.empty()) {
        Report(tav::kTextResourcePathsIncomplete);
        return 1;
    }

    Report(tav::kTextReplacingResourcePaths);
    for (const std::wstring& path : {reportPath, posPath, clientSetup, portDriverSetup, ripPath}) {
        Report(tav::kTextUsingPath, path);
    }
    const int changed = ReplaceFirstPlaceholder({{kReportServerPathPlaceholder, reportPath},
                                                 {kPosPathPlaceholder, posPath},
                                                 {kClientSetupPlaceholder, clientSetup},
                                                 {kPortDriverSetupPlaceholder, portDriverSetup},
                                                 {kRipPathPlaceholder, ripPath}});
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));

    ExpandFilePatterns();
    EnsureInstallPaths(product, {{L"JawsEnginePath", L""},
                                 {L"PclxlEnginePath", L""},
                                 {L"TAVISSPATH", L"TavISS.exe"},
                                 {L"ADLIBCLIENTPATH", L"AdlibClient.exe"},
                                 {L"EAIKEYSTOREFOLDER", L"eaikeystore\\"}});

    if (Manager() && Manager()->EnforceSyncCompatibility()) {
        Report(tav::kTextWritingRegistryValue, product + L"\\UseTrustedCommunication");
        ObjContainer value;
        value.SetUnsignedLong(L"UseTrustedCommunication", 0);
        value.SaveToRegistry(product, false);
    }
    return 1;
}
