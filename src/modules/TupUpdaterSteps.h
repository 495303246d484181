// Steps that several product updaters share: the key of the server's own settings, the secure
// channel values, path placeholders in the installation paths of a module's files, and DWORD
// values of a module's registry items.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "updater/TupModuleFile.h"
#include "updater/TupRegistryKey.h"

class CTupManager;
class CTupTokenReplacer;

namespace TupSteps {

// The remote print server's key when TavAps runs, else the product key.
std::wstring ServerSettingsKey(const CTupManager* manager);

// Reports key\ForceHttps and key\HttpsPort (53293) to the result log and writes both as DWORDs
// into key (32-bit view): ForceHttps 1 when forceHttps is set, else 0.
void WriteSecureChannelValues(CTupManager* manager, const std::wstring& key, uint32_t forceHttps,
                              uint32_t httpsPort);

// A placeholder of an installation path and the folder it stands for.
struct PathPlaceholder {
    std::wstring placeholder;
    std::wstring value;
};

// In each file's installation path, replaces the first of the placeholders that occurs (every
// occurrence of it, the others stay); the number of files changed.
int ReplacePathPlaceholders(std::vector<CTupModuleFile>& files,
                            const std::vector<PathPlaceholder>& placeholders);

// The DWORD that registry items of a value name are given.
struct DwordSetting {
    const wchar_t* valueName;
    uint32_t value;
};

// For each item, in order, whose value name (tokens replaced) equals the name of one of the
// settings (A-Z folded): makes its value that DWORD, reports its key name (tokens replaced,
// 53293) and writes it in the 32-bit view. A value found there is replaced only when
// replaceExisting (the settings came from this run's dialogs); otherwise it stays, as every
// item's does. Other items are left alone.
void WriteDwordItems(std::vector<CTupRegistryKey>& items, const CTupTokenReplacer& replacer,
                     CTupManager* manager, const std::vector<DwordSetting>& settings,
                     bool replaceExisting);

}  // namespace TupSteps
