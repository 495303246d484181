// Updater of the remote print server's resources.
#include "modules/TupRvxResourcesUpdater.h"

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"

int CTupRvxResourcesUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    Report(tav::kTextPreparingRemoteResourcePaths);
    const std::wstring product = CTupManager::kProductKey;
    const std::wstring posPath = EnsureInstallPath(product, L"POSPATH", L"Pos.exe");
    const std::wstring jobTicketFolder = EnsureInstallPath(product, L"POSJTCONFIGFOLDER", L"");
    if (posPath.empty() || jobTicketFolder.empty()) {
        Report(tav::kTextRemoteResourcePathsNotSet);
        return 0;
    }

    Report(tav::kTextReplacingRemoteResourcePaths);
    Report(tav::kTextUsingPath, posPath);
    Report(tav::kTextUsingPath, jobTicketFolder);
    const int changed = ReplaceFirstPlaceholder(
        {{kPosPathPlaceholder, posPath}, {kJobTicketFolderPlaceholder, jobTicketFolder}});
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));

    ExpandFilePatterns();
    EnsureInstallPaths(product, {{L"JawsEnginePath", L""},
                                 {L"PclxlEnginePath", L""},
                                 {L"TAVISSPATH", L"TavISS.exe"},
                                 {L"ADLIBCLIENTPATH", L"AdlibClient.exe"},
                                 {L"CLIENTPDFFOLDER", L"WebAnon\\Pdf\\"}});
    return 1;
}
