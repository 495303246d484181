// The update manager as the wizard and the start-up chain see it.
#pragma once

#include "app/StartupChain.h"
#include "app/WizardManager.h"

class CTupManager;

class CTupWizardManager final : public IWizardManager, public IPrerequisites {
public:
    explicit CTupWizardManager(CTupManager& manager) : manager_(manager) {}

    bool IsAdministrator() override;
    bool IsProductFamily2() override;
    bool IsCluster() override;
    bool RunsLoadBalancing() override;
    bool HasEnoughDiskSpace() override;
    bool HasSettingsUpdater() override;
    bool IsSameVersionInstalled() override;
    bool IsMinorUpgradeFromFirstRelease() override;
    bool IsMinorDowngradeToFirstRelease() override;
    void SetVersionQuestionConfirmed() override;
    std::wstring FirstModuleSettingsDialog() override;
    std::wstring ScanServerSettingsDialog() override;
    std::wstring OnlineHelpPath() override;
    std::wstring ScanServerOnlineHelpPath() override;
    bool RunsTavAps() override;
    bool RunsQelsrv() override;
    bool RunsMantlebox() override;
    void TakeSettings(const CCommSyncSettings& settings) override;
    std::wstring Summary() override;
    void SetLanguage(const std::wstring* language) override;
    bool HasPendingPackage() override;
    bool LoadNextPackage() override;
    bool RunUpdate() override;

    bool Needs(Prerequisite prerequisite) override;
    int Install(Prerequisite prerequisite) override;

private:
    CTupManager& manager_;
};
