// Steps that several product updaters share.
#include "modules/TupUpdaterSteps.h"

#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "persist/ObjContainer.h"
#include "updater/TupTokenReplacer.h"

namespace TupSteps {

std::wstring ServerSettingsKey(const CTupManager* manager) {
    std::wstring key = CTupManager::kProductKey;
    if (manager && manager->RunsTavAps()) key += L"\\TavAps";
    return key;
}

void WriteSecureChannelValues(CTupManager* manager, const std::wstring& key, uint32_t forceHttps,
                              uint32_t httpsPort) {
    if (manager) {
        manager->Report(kReportResultLog, tav::kTextWritingRegistryValue, -1, -1, key + L"\\ForceHttps");
        manager->Report(kReportResultLog, tav::kTextWritingRegistryValue, -1, -1, key + L"\\HttpsPort");
    }
    ObjContainer values;
    values.SetUnsignedLong(L"ForceHttps", forceHttps ? 1 : 0);
    values.SetUnsignedLong(L"HttpsPort", httpsPort);
    values.SaveToRegistry(key, false);
}

int ReplacePathPlaceholders(std::vector<CTupModuleFile>& files,
                            const std::vector<PathPlaceholder>& placeholders) {
    int changed = 0;
    for (CTupModuleFile& file : files) {
        std::wstring path = file.InstallationFile();
        for (const PathPlaceholder& entry : placeholders) {
            if (entry.placeholder.empty()) continue;
            size_t at = path.find(entry.placeholder);
            if (at == std::wstring::npos) continue;
            // Left to right, each replacement skipped over, so a value holding the placeholder
            // is not replaced again.
            for (; at != std::wstring::npos;
                 at = path.find(entry.placeholder, at + entry.value.size())) {
                path.replace(at, entry.placeholder.size(), entry.value);
            }
            file.SetInstallationFile(path);
            ++changed;
            break;
        }
    }
    return changed;
}

void WriteDwordItems(std::vector<CTupRegistryKey>& items, const CTupTokenReplacer& replacer,
                     CTupManager* manager, const std::vector<DwordSetting>& settings,
                     bool replaceExisting) {
    for (CTupRegistryKey& item : items) {
        std::wstring valueName = item.ValueName();
        replacer.ReplaceTokens(valueName);
        for (const DwordSetting& setting : settings) {
            if (!tav::FoldEquals(valueName, setting.valueName)) continue;
            item.SetNumberValue(setting.value);
            if (manager) {
                manager->Report(kReportResultLog, tav::kTextWritingRegistryValue, -1, -1,
                                item.GetKeyName(&replacer));
            }
            // A setting the administrator was not asked for this time never undoes one made
            // before.
            item.Write(&replacer, false, replaceExisting);
            break;
        }
    }
}

}  // namespace TupSteps
