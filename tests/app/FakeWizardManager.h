// A wizard manager whose answers a test sets, prerequisites a test says are missing, and a
// language table a test fills: the world of the page flow's, start-up's and unattended tests.
#pragma once

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "app/CommSyncSettings.h"
#include "app/StartupChain.h"
#include "app/WizardManager.h"
#include "app/lang/StringBase.h"

namespace {

class Texts final : public CStringBase {
public:
    Texts() : CStringBase(L"C:\\NoLanguageFiles") {}
    using CStringBase::AddString;
};

// The manager's answers as a test sets them; what the wizard told it is recorded.
class FakeWizardManager final : public IWizardManager {
public:
    bool IsAdministrator() override { return administrator; }
    bool IsProductFamily2() override { return family2; }
    bool IsCluster() override { return cluster; }
    bool RunsLoadBalancing() override { return loadBalancing; }
    bool HasEnoughDiskSpace() override { return diskSpace; }
    bool HasSettingsUpdater() override { return settingsUpdater; }
    bool IsSameVersionInstalled() override { return sameVersion; }
    bool IsMinorUpgradeFromFirstRelease() override { return minorUpgrade; }
    bool IsMinorDowngradeToFirstRelease() override { return minorDowngrade; }
    void SetVersionQuestionConfirmed() override { confirmed = true; }
    std::wstring FirstModuleSettingsDialog() override { return firstDialog; }
    std::wstring ScanServerSettingsDialog() override { return scanDialog; }
    std::wstring OnlineHelpPath() override { return L"help:first"; }
    std::wstring ScanServerOnlineHelpPath() override { return L"help:scan"; }
    bool RunsTavAps() override { return aps; }
    bool RunsQelsrv() override { return qelsrv; }
    bool RunsMantlebox() override { return mantlebox; }
    void TakeSettings(const CCommSyncSettings& settings) override {
        taken.push_back(settings.Form());
        takenFlags.push_back({settings.enforceSecureChannel, settings.installSslCertificate,
                              settings.enforceSyncCompatibility,
                              settings.enforceSecureChannelInternal});
    }
    std::wstring Summary() override { return L"summary"; }
    void SetLanguage(const std::wstring* language) override { languages.push_back(*language); }
    bool HasPendingPackage() override { return !runs.empty(); }
    bool LoadNextPackage() override {
        if (runs.empty()) return false;
        next = runs.front();
        runs.pop_front();
        return true;
    }
    bool RunUpdate() override {
        ++ran;
        return next;
    }

    bool administrator = true, family2 = false, cluster = false, loadBalancing = false,
         diskSpace = true, settingsUpdater = false, sameVersion = false, minorUpgrade = false,
         minorDowngrade = false, confirmed = false, aps = false, qelsrv = true, mantlebox = false;
    std::wstring firstDialog = L"no", scanDialog = L"no";
    std::vector<CommSyncForm> taken;
    // Secure channel, certificate, synchronization compatibility, internal secure channel.
    std::vector<std::vector<uint32_t>> takenFlags;
    std::vector<std::wstring> languages;
    std::deque<bool> runs;  // the result of each part's run
    bool next = true;
    int ran = 0;
};

// The prerequisites a test says are missing; every installer started is recorded, and the
// .NET Framework 4.5.2 installer gives the exit code the test sets.
class FakePrerequisites final : public IPrerequisites {
public:
    bool Needs(Prerequisite p) override { return missing.count(p) > 0; }
    // An installer that ends with 0 installs it, unless it is to stay missing.
    int Install(Prerequisite p) override {
        installed.push_back(p);
        if (exitCode == 0 && !staysMissing) missing.erase(p);
        return exitCode;
    }
    std::set<Prerequisite> missing;
    std::vector<Prerequisite> installed;
    int exitCode = 0;
    bool staysMissing = false;
};

}  // namespace
