// Base of the core and remote print server updaters: registry defaults below the install
// folder, reported program starts and the re-registration of a server executable.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "modules/TupUpdaterSteps.h"
#include "updater/TupModuleUpdater.h"

class CTupServerUpdater : public CTupModuleUpdater {
public:
    // Placeholders of resource paths in the installation paths of the module's files.
    static constexpr const wchar_t* kPosPathPlaceholder = L"[$TAV_POSPATH]";
    static constexpr const wchar_t* kJobTicketFolderPlaceholder = L"[$TAV_POSJTCONFIGFOLDER]";

    // The internal secure channel's HTTPS port of both servers.
    static constexpr uint32_t kInternalHttpsPort = 8443;

protected:
    // A registry value and what its default adds to the install folder.
    struct InstallPathDefault {
        const wchar_t* valueName;
        const wchar_t* suffix;
    };

    std::wstring InstallFolder() const;
    // EnsureRegistryValue of valueName under key with the default install folder + suffix; the
    // value found or written.
    std::wstring EnsureInstallPath(const std::wstring& key, const wchar_t* valueName,
                                   const wchar_t* suffix) const;
    // The same for each value in turn.
    void EnsureInstallPaths(const std::wstring& key,
                            std::initializer_list<InstallPathDefault> values) const;

    // Replaces the first placeholder found in each installation path (every occurrence of it)
    // and answers the number of files changed. A placeholder without a value stays where it
    // is: replaced by nothing, it would turn the file's target into a relative path.
    int ReplaceFirstPlaceholder(std::vector<TupSteps::PathPlaceholder> placeholders);

    // Writes the internal secure channel values into key when the settings dialog set them.
    void WriteInternalSecureChannel(const std::wstring& key);

    // Reports the program, starts it without parameters (waiting for its end or not) and
    // reports whether it started; 1 when it did. refused: a value between its quotes holds a
    // quote; nothing starts and it is reported as not started.
    int RunReported(const std::wstring& program, bool wait, bool refused = false);
    // Lets the server executable of the install folder register itself again and waits.
    int RegisterServer(const wchar_t* executable);
};
