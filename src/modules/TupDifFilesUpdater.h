// Updater of the device description files: installs them into the device folder (DIFPATH)
// and deletes the obsolete ones found there.
#pragma once

#include <string>
#include <vector>

#include "updater/TupModuleUpdater.h"

class CTupDifFilesUpdater : public CTupModuleUpdater {
public:
    static constexpr const wchar_t* kDevicePathPlaceholder = L"[$TAV_DIFPATH]";
    // Device data that the server rebuilds from the description files.
    static constexpr const wchar_t* kDeviceDataFile = L"DifBase.dat";

    // Base preparation, the device folder in the installation paths, wildcard expansion and
    // the deletion of obsolete device files. 0 without a device folder or when an obsolete
    // file could not be deleted.
    int PrepareUpdate() override;
    // The run has started the module's programs already; nothing more to do.
    int LaunchExecutables() override { return 1; }

    // Description files of devices the server no longer supports, in the order they go.
    static const std::vector<std::wstring>& ObsoleteDeviceFiles();

private:
    // Deletes folder + name when it is there; a read-only file is made writable first only
    // when clearReadOnly is set. False when it stays.
    bool DeleteObsoleteFile(const std::wstring& folder, const std::wstring& name,
                            bool clearReadOnly) const;
};
