// One file of a module: where the new file lies in the package, where it goes, and how it is
// checked before it replaces the installed one.
#pragma once

#include <cstdint>
#include <string>

#include "persist/PersistentObject.h"
#include "system/Files.h"

// What the customization check found in an installed file.
enum class CustomizationFound { NotLooked, Unchanged, Customized, NoCheckForType };

// Run-time state of a file whose new version is copied beside the installed one while the
// services still run and swapped in while they are down.
struct StagedReplacement {
    bool planned = false;         // the file is to be staged, its package file being there
    bool staged = false;          // the new file lies at the installed path + the staging ending
    // What the customization check found before the services stopped, in the installed file as
    // it was then.
    CustomizationFound customization = CustomizationFound::NotLooked;
    sys::FileFacts lookedFacts;
    std::wstring owedBackup;      // logged as backed up; the swap (or a copy) is still to make it
};

class CTupModuleFile : public CPersistentObject {
public:
    // Reads every key; stores the two paths and the five numbers (not the updateFile flag).
    void Exchange(ObjContainer* container, bool isLoading) override;

    // Path of the new file below the package folder; may hold '*' or '?'.
    const std::wstring& UpdatePackageFile() const { return updatePackageFile_; }
    void SetUpdatePackageFile(const std::wstring& path) { updatePackageFile_ = path; }
    // Full target path, usually starting with a token.
    const std::wstring& InstallationFile() const { return installationFile_; }
    void SetInstallationFile(const std::wstring& path) { installationFile_ = path; }

    uint32_t ExistenceCheckType() const { return existenceCheckType_; }
    void SetExistenceCheckType(uint32_t type) { existenceCheckType_ = type; }
    uint32_t VersionCheckType() const { return versionCheckType_; }
    void SetVersionCheckType(uint32_t type) { versionCheckType_ = type; }
    uint32_t UpdateCheckType() const { return updateCheckType_; }
    void SetUpdateCheckType(uint32_t type) { updateCheckType_ = type; }

    // Run-time flag: the file is to be backed up and replaced; cleared by CheckVersions.
    uint32_t UpdateFile() const { return updateFile_; }
    void SetUpdateFile(uint32_t flag) { updateFile_ = flag; }

    // Run-time state of the staged replacement; not stored.
    StagedReplacement& Staging() { return staging_; }
    const StagedReplacement& Staging() const { return staging_; }

    // Non-zero: look for user changes in the installed file before it is replaced.
    uint32_t UserCustomizationCheckPlanned() const { return userCustomizationCheckPlanned_; }
    void SetUserCustomizationCheckPlanned(uint32_t planned) { userCustomizationCheckPlanned_ = planned; }
    // 1: replace only when the target folder exists.
    uint32_t UpdateConditionType() const { return updateConditionType_; }
    void SetUpdateConditionType(uint32_t type) { updateConditionType_ = type; }

private:
    std::wstring updatePackageFile_;
    std::wstring installationFile_;
    uint32_t existenceCheckType_ = 0;
    uint32_t versionCheckType_ = 0;
    uint32_t updateCheckType_ = 0;
    uint32_t updateFile_ = 1;
    uint32_t userCustomizationCheckPlanned_ = 0;
    uint32_t updateConditionType_ = 0;
    StagedReplacement staging_;
};
