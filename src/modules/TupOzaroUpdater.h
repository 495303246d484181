// Updater of the web scripting component: installs its scripts into the component's own
// folder and backs up whatever scripts are installed there, whatever their versions.
#pragma once

#include <string>

#include "updater/TupModuleUpdater.h"

class CTupOzaroUpdater : public CTupModuleUpdater {
public:
    static constexpr const wchar_t* kFolderPlaceholder = L"[$TAV_OZAROPATH]";
    static constexpr const wchar_t* kInstallSegment = L"\\Install";
    static constexpr const wchar_t* kScriptPattern = L"\\Install\\*.isa";

    // Base, then the component folder (a registry default on first use) in place of its
    // placeholder, the two patterns of the single file entry, wildcard expansion and the
    // component folder itself.
    int PrepareUpdate() override;
    // The component is always updated: no version is compared.
    int CheckVersions() override;
    // Backs up the installed scripts instead of the module's files.
    int BackupFiles() override;
    // Nothing beyond the module's executables, which the run has started.
    int LaunchExecutables() override;

    // Set by PrepareUpdate: the package path of the file entry, and its installation path
    // without "\Install", where the installed scripts are.
    const std::wstring& PackagePattern() const { return packagePattern_; }
    const std::wstring& InstallationPattern() const { return installationPattern_; }

private:
    // The value of OZAROPATH after giving it its default from the web folder this server
    // uses; empty when that folder is not known.
    std::wstring EnsureComponentFolder() const;

    std::wstring packagePattern_;
    std::wstring installationPattern_;
};
