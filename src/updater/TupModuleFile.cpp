// One file of a module.
#include "updater/TupModuleFile.h"

void CTupModuleFile::Exchange(ObjContainer* container, bool isLoading) {
    if (!container) return;
    if (isLoading) {
        container->GetString(L"UpdatePackageFile", updatePackageFile_);
        container->GetString(L"InstallationFile", installationFile_);
        container->GetUnsignedLong(L"ExistenceCheckType", existenceCheckType_);
        container->GetUnsignedLong(L"VersionCheckType", versionCheckType_);
        container->GetUnsignedLong(L"UpdateCheckType", updateCheckType_);
        container->GetUnsignedLong(L"UserCustomizationCheckPlanned", userCustomizationCheckPlanned_);
        container->GetUnsignedLong(L"UpdateConditionType", updateConditionType_);
    } else {
        container->SetString(L"UpdatePackageFile", updatePackageFile_);
        container->SetString(L"InstallationFile", installationFile_);
        container->SetUnsignedLong(L"ExistenceCheckType", existenceCheckType_);
        container->SetUnsignedLong(L"VersionCheckType", versionCheckType_);
        container->SetUnsignedLong(L"UpdateCheckType", updateCheckType_);
        container->SetUnsignedLong(L"UserCustomizationCheckPlanned", userCustomizationCheckPlanned_);
        container->SetUnsignedLong(L"UpdateConditionType", updateConditionType_);
    }
}
