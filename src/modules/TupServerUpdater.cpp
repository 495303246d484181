// Steps shared by the core and remote print server updaters.
#include "modules/TupServerUpdater.h"

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "system/ProgramStart.h"

std::wstring CTupServerUpdater::InstallFolder() const {
    return Manager() ? Manager()->InstallFolder() : std::wstring();
}

std::wstring CTupServerUpdater::EnsureInstallPath(const std::wstring& key, const wchar_t* valueName,
                                                  const wchar_t* suffix) const {
    std::wstring value;
    bool written = false;
    EnsureRegistryValue(key, valueName, InstallFolder() + suffix, value, written);
    return value;
}

void CTupServerUpdater::EnsureInstallPaths(const std::wstring& key,
                                           std::initializer_list<InstallPathDefault> values) const {
    for (const InstallPathDefault& value : values) EnsureInstallPath(key, value.valueName, value.suffix);
}

int CTupServerUpdater::ReplaceFirstPlaceholder(std::vector<TupSteps::PathPlaceholder> placeholders) {
    for (TupSteps::PathPlaceholder& entry : placeholders) {
        // No placeholder text matches: the path keeps it, and later ones are not looked for.
        if (entry.value.empty()) entry.value = entry.placeholder;
    }
    std::vector<std::wstring> before;
    for (const CTupModuleFile& file : Files()) before.push_back(file.InstallationFile());
    TupSteps::ReplacePathPlaceholders(Files(), placeholders);
    int changed = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        if (Files()[i].InstallationFile() != before[i]) ++changed;
    }
    return changed;
}

void CTupServerUpdater::WriteInternalSecureChannel(const std::wstring& key) {
    CTupManager* manager = Manager();
    if (!manager || !manager->HasEnforceSecureChannelInternal()) return;
    TupSteps::WriteSecureChannelValues(manager, key, manager->EnforceSecureChannelInternal(),
                                       kInternalHttpsPort);
}

int CTupServerUpdater::RunReported(const std::wstring& program, bool wait, bool refused) {
    Report(tav::kTextRunningCommand, program);
    const int started = refused ? 0
                        : wait  ? RunAndWait(program, std::wstring())
                                : RunNoWait(program, std::wstring());
    Report(started ? tav::kTextCommandStarted : tav::kTextCommandNotStarted, program);
    return started ? 1 : 0;
}

int CTupServerUpdater::RegisterServer(const wchar_t* executable) {
    // The switch belongs to the program string; there are no parameters.
    const std::wstring folder = InstallFolder();
    return RunReported(sys::Quoted(folder + executable) + L" /RegServer", true,
                       !sys::CanQuote(folder));
}
