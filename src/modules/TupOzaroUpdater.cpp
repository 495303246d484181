// Updater of the web scripting component.
#include "modules/TupOzaroUpdater.h"

#include <utility>
#include <vector>

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "modules/TupUpdaterSteps.h"
#include "persist/ObjContainer.h"

namespace {

const std::wstring kComponentKey = std::wstring(CTupManager::kProductKey) + L"\\Ozaro";
const std::wstring kWebEventAgentKey =
    std::wstring(CTupManager::kProductKey) + L"\\TavAps\\WebEventAgent";

// A string value of a key in the 32-bit view; empty when missing.
std::wstring ReadString(const std::wstring& key, const wchar_t* name) {
    ObjContainer values;
    values.LoadFromRegistry(key, false, -1, false);
    std::wstring value;
    values.GetString(name, value);
    return value;
}

std::wstring WithBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path;
}

// Text up to and including its last backslash; empty without one.
std::wstring FolderPart(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

std::wstring CTupOzaroUpdater::EnsureComponentFolder() const {
    // The component lives below the web folder of the server kind that runs here.
    const bool tavAps = Manager() && Manager()->RunsTavAps();
    Report(tavAps ? tav::kTextReadingHtmlResourcePath : tav::kTextReadingWebClientPath);
    const std::wstring webFolder = tavAps ? ReadString(kWebEventAgentKey, L"HTMLRESOURCEFILES")
                                          : ReadString(CTupManager::kProductKey, L"WEBCLIENTPATH");
    if (webFolder.empty()) {
        Report(tavAps ? tav::kTextHtmlResourcePathNotSet : tav::kTextWebClientPathNotSet);
        return {};
    }
    Report(tavAps ? tav::kTextHtmlResourcePathFound : tav::kTextWebClientPathFound);
    std::wstring folder;
    bool written = false;
    // A web folder stored without its closing backslash still gets the component below it.
    EnsureRegistryValue(kComponentKey, L"OZAROPATH", WithBackslash(webFolder) + L"Ozaro\\", folder,
                        written);
    return folder;
}

int CTupOzaroUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;

    const std::wstring folder = WithBackslash(EnsureComponentFolder());
    if (folder.empty()) {
        Report(tav::kTextOzaroPathNotSet);
        return 0;
    }
    Report(tav::kTextUsingPath, folder);
    const int changed = TupSteps::ReplacePathPlaceholders(Files(), {{kFolderPlaceholder, folder}});
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));

    Report(tav::kTextCheckingOzaroFileEntry);
    if (Files().size() != 1) {
        Report(tav::kTextOzaroNeedsOneFileEntry);
        return 0;
    }
    Report(tav::kTextReadingOzaroPattern);
    packagePattern_ = Files().front().UpdatePackageFile();
    installationPattern_ = Files().front().InstallationFile();
    const size_t at = installationPattern_.find(kScriptPattern);
    if (at == std::wstring::npos) {
        Report(tav::kTextOzaroPatternInvalid);
        return 0;
    }
    // The installed scripts lie in the folder above the one the package's go to.
    installationPattern_.erase(at, std::char_traits<wchar_t>::length(kInstallSegment));

    ExpandFilePatterns();
    return CreateFolderForPath(folder) ? 1 : 0;
}

int CTupOzaroUpdater::CheckVersions() {
    Report(tav::kTextOzaroNoVersionCheck);
    return 0;
}

int CTupOzaroUpdater::BackupFiles() {
    std::vector<CTupModuleFile> moduleFiles;
    moduleFiles.swap(Files());

    Report(tav::kTextSearchingInstalledScripts);
    StringList installed;
    // Without a pattern (no preparation) there is nothing to look for.
    if (!installationPattern_.empty()) FindFiles(installationPattern_, installed);
    const std::wstring installedFolder = FolderPart(installationPattern_);
    const std::wstring packageFolder = FolderPart(packagePattern_);
    for (const std::wstring& path : installed) {
        Report(tav::kTextInstalledScriptFound, path);
        CTupModuleFile entry;
        entry.SetInstallationFile(path);
        entry.SetUpdatePackageFile(packageFolder + path.substr(installedFolder.size()));
        Files().push_back(std::move(entry));
    }

    const int result = CTupModuleUpdater::BackupFiles();
    Files() = std::move(moduleFiles);
    return result;
}

int CTupOzaroUpdater::LaunchExecutables() { return 1; }
