// Updater of the device description files.
#include "modules/TupDifFilesUpdater.h"

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "modules/TupUpdaterSteps.h"
#include "persist/ObjContainer.h"
#include "system/Machine.h"

const std::vector<std::wstring>& CTupDifFilesUpdater::ObsoleteDeviceFiles() {
    static const std::vector<std::wstring> names = {
        // One maker's multifunction devices.
        L"Orvane_MFP_C4200.xml",
        L"Orvane_MFP_C5600.xml",
        // Another maker's production printers.
        L"Brakstad_PX1250.xml",
        L"Brakstad_PX1400.xml",
        L"Brakstad_PX1650.xml",
        L"Brakstad_PX2100.xml",
        L"Brakstad_PX2300.xml",
        L"Brakstad_PX2600.xml",
        L"Brakstad_PX3000.xml",
        L"Brakstad_PX3200c.xml",
        L"Brakstad_PX4000.xml",
        L"Brakstad_PX4500c.xml",
        // A print server.
        L"Velto_PrintServer_PS3.xml",
    };
    return names;
}

int CTupDifFilesUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    Report(tav::kTextPreparingDevicePath);

    CTupManager* manager = Manager();
    std::wstring devicePath;
    {
        ObjContainer values;
        values.LoadFromRegistry(TupSteps::ServerSettingsKey(manager), false, -1, false);
        values.GetString(L"DIFPATH", devicePath);
    }
    if (manager && manager->RunsTavAps()) {
        // The product key gets the remote server's folder when it has none; the value read
        // above is the one used.
        std::wstring productValue;
        bool written = false;
        EnsureRegistryValue(CTupManager::kProductKey, L"DIFPATH", devicePath, productValue, written);
    }
    if (devicePath.empty()) {
        Report(tav::kTextDevicePathNotSet);
        return 0;
    }

    Report(tav::kTextReplacingDevicePath);
    Report(tav::kTextUsingPath, devicePath);
    const int changed =
        TupSteps::ReplacePathPlaceholders(Files(), {{kDevicePathPlaceholder, devicePath}});
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));

    ExpandFilePatterns();

    // Obsolete files are deleted inside the device folder also when its value lacks the
    // closing backslash, never beside it.
    std::wstring folder = devicePath;
    if (folder.back() != L'\\') folder += L'\\';
    bool result = true;
    for (const std::wstring& name : ObsoleteDeviceFiles()) {
        if (!DeleteObsoleteFile(folder, name, true)) result = false;
    }
    // The device data is left alone while it is read-only.
    if (!DeleteObsoleteFile(folder, kDeviceDataFile, false)) result = false;
    return result ? 1 : 0;
}

bool CTupDifFilesUpdater::DeleteObsoleteFile(const std::wstring& folder, const std::wstring& name,
                                             bool clearReadOnly) const {
    const std::wstring path = folder + name;
    Report(tav::kTextDeletingObsoleteDeviceFile, path);
    sys::IFiles& files = *sys::CurrentMachine().files;
    uint32_t attributes = 0;
    if (!files.GetAttributes(path, attributes) || (attributes & sys::FileAttribute::Directory)) {
        Report(tav::kTextObsoleteDeviceFileGone);
        return true;
    }
    if (clearReadOnly && (attributes & sys::FileAttribute::ReadOnly) &&
        !files.SetAttributes(path, sys::FileAttribute::Normal)) {
        Report(tav::kTextObsoleteDeviceFileNotDeleted, path);
        return false;
    }
    if (!files.Remove(path)) {
        Report(tav::kTextObsoleteDeviceFileNotDeleted, path);
        return false;
    }
    Report(tav::kTextObsoleteDeviceFileGone);
    return true;
}
