// The update manager as the wizard and the start-up chain see it.
#include "app/TupWizardManager.h"

#include "app/CommSyncSettings.h"
#include "manager/TupManager.h"

namespace {

constexpr wchar_t kScanServerComponent[] = L"Scan Processing Server Update";

struct PrerequisiteCalls {
    bool (CTupManager::*needs)();
    void (CTupManager::*install)();
};

// In the order of the Prerequisite values; .NET 4.5.2's installer gives an exit code instead.
constexpr PrerequisiteCalls kCalls[] = {
    {&CTupManager::NeedsDotNetFrameworkPolicy, &CTupManager::InstallDotNetFrameworkPolicy},
    {&CTupManager::NeedsDotNet4, &CTupManager::InstallDotNet4},
    {&CTupManager::NeedsKB2468871x86, &CTupManager::InstallKB2468871x86},
    {&CTupManager::NeedsKB2468871x64, &CTupManager::InstallKB2468871x64},
    {&CTupManager::NeedsVcRedist2008Sp1x86, &CTupManager::InstallVcRedist2008Sp1x86},
    {&CTupManager::NeedsVcRedist2015x86, &CTupManager::InstallVcRedist2015x86},
    {&CTupManager::NeedsVcRedist2015x64, &CTupManager::InstallVcRedist2015x64},
    {&CTupManager::NeedsDotNet452, nullptr},
    {&CTupManager::NeedsAspNetCoreModulex86, &CTupManager::InstallAspNetCoreModulex86},
    {&CTupManager::NeedsAspNetCoreModulex64, &CTupManager::InstallAspNetCoreModulex64},
};

}  // namespace

bool CTupWizardManager::IsAdministrator() { return manager_.IsAdministrator(); }
bool CTupWizardManager::IsProductFamily2() { return manager_.IsProductFamily2(); }
bool CTupWizardManager::IsCluster() { return manager_.IsCluster(); }
bool CTupWizardManager::RunsLoadBalancing() { return manager_.RunsLoadBalancing(); }
bool CTupWizardManager::HasEnoughDiskSpace() { return manager_.HasEnoughDiskSpace(); }
bool CTupWizardManager::HasSettingsUpdater() { return manager_.HasSettingsUpdater(); }
bool CTupWizardManager::IsSameVersionInstalled() { return manager_.IsSameVersionInstalled(); }
bool CTupWizardManager::IsMinorUpgradeFromFirstRelease() {
    return manager_.IsMinorUpgradeFromFirstRelease();
}
bool CTupWizardManager::IsMinorDowngradeToFirstRelease() {
    return manager_.IsMinorDowngradeToFirstRelease();
}
void CTupWizardManager::SetVersionQuestionConfirmed() { manager_.SetVersionQuestionConfirmed(true); }
std::wstring CTupWizardManager::FirstModuleSettingsDialog() {
    return manager_.FirstModuleSettingsDialog();
}
std::wstring CTupWizardManager::ScanServerSettingsDialog() {
    return manager_.ScanServerSettingsDialog();
}
std::wstring CTupWizardManager::OnlineHelpPath() { return manager_.GetOnlineHelpPath(); }
std::wstring CTupWizardManager::ScanServerOnlineHelpPath() {
    return manager_.GetOnlineHelpPathFor(kScanServerComponent);
}
bool CTupWizardManager::RunsTavAps() { return manager_.RunsTavAps(); }
bool CTupWizardManager::RunsQelsrv() { return manager_.RunsQelsrv(); }
bool CTupWizardManager::RunsMantlebox() { return manager_.RunsMantlebox(); }

void CTupWizardManager::TakeSettings(const CCommSyncSettings& settings) {
    switch (settings.Form()) {
        case CommSyncForm::MainServerInternal:
            manager_.SetEnforceSecureChannelInternal(settings.enforceSecureChannelInternal);
            [[fallthrough]];
        case CommSyncForm::MainServer:
            manager_.SetEnforceSecureChannel(settings.enforceSecureChannel);
            manager_.SetInstallSslCertificate(settings.installSslCertificate);
            manager_.SetEnforceSyncCompatibility(settings.enforceSyncCompatibility);
            break;
        case CommSyncForm::RemotePrintServer:
            manager_.SetEnforceSecureChannelInternal(settings.enforceSecureChannelInternal);
            break;
        case CommSyncForm::ScanServer:
            manager_.SetScanServerSecureChannelInternal(settings.enforceSecureChannelInternal);
            break;
    }
}

std::wstring CTupWizardManager::Summary() { return manager_.SummaryText(); }
void CTupWizardManager::SetLanguage(const std::wstring* language) { manager_.SetUiLanguage(language); }
bool CTupWizardManager::HasPendingPackage() { return manager_.PendingPackageCount() > 0; }
bool CTupWizardManager::LoadNextPackage() { return manager_.LoadNextPackage(); }
bool CTupWizardManager::RunUpdate() { return manager_.RunUpdate(); }

bool CTupWizardManager::Needs(Prerequisite prerequisite) {
    return (manager_.*kCalls[static_cast<size_t>(prerequisite)].needs)();
}

int CTupWizardManager::Install(Prerequisite prerequisite) {
    if (prerequisite == Prerequisite::DotNet452) return manager_.InstallDotNet452();
    (manager_.*kCalls[static_cast<size_t>(prerequisite)].install)();
    return -1;  // started without waiting for it
}
