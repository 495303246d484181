// What the wizard asks of the update manager and tells it, and the questions it puts to the
// administrator: the seams between the page flow and the rest of the program.
#pragma once

#include <cstdint>
#include <string>

class CCommSyncSettings;

class IWizardManager {
public:
    virtual ~IWizardManager() = default;

    // Page 0 checks.
    virtual bool IsAdministrator() = 0;
    virtual bool IsProductFamily2() = 0;
    virtual bool IsCluster() = 0;
    virtual bool RunsLoadBalancing() = 0;
    virtual bool HasEnoughDiskSpace() = 0;

    // Page 2 checks, from the package as it waits to be applied.
    virtual bool HasSettingsUpdater() = 0;
    virtual bool IsSameVersionInstalled() = 0;
    virtual bool IsMinorUpgradeFromFirstRelease() = 0;
    virtual bool IsMinorDowngradeToFirstRelease() = 0;
    virtual void SetVersionQuestionConfirmed() = 0;
    virtual std::wstring FirstModuleSettingsDialog() = 0;
    virtual std::wstring ScanServerSettingsDialog() = 0;
    virtual std::wstring OnlineHelpPath() = 0;
    virtual std::wstring ScanServerOnlineHelpPath() = 0;
    virtual bool RunsTavAps() = 0;
    virtual bool RunsQelsrv() = 0;
    virtual bool RunsMantlebox() = 0;
    // The answers of a confirmed settings dialog.
    virtual void TakeSettings(const CCommSyncSettings& settings) = 0;
    virtual std::wstring Summary() = 0;

    // The language of the texts the manager gives the wizard, from now on.
    virtual void SetLanguage(const std::wstring* language) = 0;

    // The run, on the worker thread.
    virtual bool HasPendingPackage() = 0;
    virtual bool LoadNextPackage() = 0;
    virtual bool RunUpdate() = 0;
};

class IWizardPrompts {
public:
    virtual ~IWizardPrompts() = default;

    // A message box owned by the wizard; style and answer are sys::MessageStyle and
    // sys::MessageAnswer values.
    virtual int Ask(uint32_t textId, uint32_t captionId, uint32_t style) = 0;
    // A settings dialog, its state prepared; true when it was confirmed with OK.
    virtual bool ShowSettings(CCommSyncSettings& settings) = 0;
};
