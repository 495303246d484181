// The update manager: inspects the machine, holds the package description and its queued
// package containers, creates the module updaters of each, and reports every step.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "manager/TupRunEvent.h"
#include "persist/ObjContainerXml.h"
#include "persist/PersistentObject.h"
#include "updater/TupRunNames.h"

class CStringBase;
class CTupModuleUpdater;
class ITupOwner;

namespace HighPerformanceLog {
class CLogFile;
}

// The string keys of a package container, in the order they are read.
enum class PackageKey {
    ComponentName,
    MinimumRequiredVersion,
    MinimumNonCompatibleVersion,
    DotNETFrameworkPolicy,
    InstallNET4Framework,
    InstallNET452Framework,
    InstallNETKB2468871x86,
    InstallNETKB2468871x64,
    InstallASPNETCoreModulex86,
    InstallASPNETCoreModulex64,
    VisualCpp2K8SP1x86,
    VisualCpp2K15x86,
    VisualCpp2K15x64,
    Count
};

// Report kinds: the wizard's status list, the result log, or both.
enum ReportKind : int { kReportStatus = 0, kReportResultLog = 1, kReportBoth = 2 };

class CTupManager : public CPersistentObject {
public:
    static constexpr const wchar_t* kProductKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav";
    static constexpr const wchar_t* kDefaultOnlineHelpPath =
        L"https://help.kelmark.example/tav/5.2/HTML/EN/index.htm#13773.htm";

    // Inspects the machine and loads config.xml beside the program. enforceUpdate comes in
    // from the command line and goes out after the description's "EnforceUpdate".
    CTupManager(CStringBase* texts, const std::wstring* uiLanguage, uint32_t& enforceUpdate);
    ~CTupManager() override;
    CTupManager(const CTupManager&) = delete;
    CTupManager& operator=(const CTupManager&) = delete;

    // Loads the next queued package container; false when none is left.
    bool LoadNextPackage();
    // Reads a package container's keys and creates its updaters; writes nothing.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // The wizard asks these before the first container is loaded, so they answer from the
    // pending package containers, in processing order.
    // "OnlineHelpPath" of the next pending container, else the default.
    std::wstring GetOnlineHelpPath() const;
    // "OnlineHelpPath" of the first pending container of that component name (any letter case).
    std::wstring GetOnlineHelpPathFor(const std::wstring& componentName) const;
    // Whether a pending container lists a print processor or port monitor updater.
    bool HasSettingsUpdater() const;
    // The summary the wizard shows before the update, in the UI language.
    std::wstring SummaryText() const;
    // "ShowCommunicationSynchronizationSettingsDialog" of the first module: "no" when it lacks
    // the key, empty when no container is pending.
    std::wstring FirstModuleSettingsDialog() const;
    // The same key of the scan processing server's container; "no" without one.
    std::wstring ScanServerSettingsDialog() const;

    // Prerequisite checks: true when the package asks for something the machine lacks. Each
    // first looks for its package key in the pending containers and keeps the value found.
    bool NeedsDotNetFrameworkPolicy();
    bool NeedsDotNet4();
    bool NeedsKB2468871x86();
    bool NeedsKB2468871x64();
    bool NeedsVcRedist2008Sp1x86();
    bool NeedsVcRedist2015x86();
    bool NeedsVcRedist2015x64();
    bool NeedsDotNet452();
    bool NeedsAspNetCoreModulex86();
    bool NeedsAspNetCoreModulex64();

    // Installers: each starts the package's program named by its setting, from the package
    // folder below the current folder; nothing when the setting is empty.
    void InstallDotNetFrameworkPolicy();
    void InstallDotNet4();
    void InstallKB2468871x86();
    void InstallKB2468871x64();
    void InstallVcRedist2008Sp1x86();
    void InstallVcRedist2015x86();
    void InstallVcRedist2015x64();
    // Waits for the installer; its exit code, or -1 when it did not run or gave none.
    int InstallDotNet452();
    void InstallAspNetCoreModulex86();
    void InstallAspNetCoreModulex64();

    // The installed server executable whose version the version questions compare.
    std::wstring InstalledServerPath() const;

    // The wizard's questions about the machine.
    bool IsAdministrator() const;
    bool HasEnoughDiskSpace() const;
    bool IsSameVersionInstalled() const;
    bool IsFixForInstalledVersion() const;
    bool IsMantleboxOnly() const;
    bool IsMinorUpgradeFromFirstRelease() const;
    bool IsMinorDowngradeToFirstRelease() const;

    // Tells a step to the wizard and/or the result log (kinds above); progress -1 = unchanged.
    void Report(int kind, uint32_t textId, int stepProgress, int totalProgress,
                const std::wstring& extra = std::wstring());
    // Tells the owner what became of a file of the module the run is at.
    void TellFile(FileDecision decision, const std::wstring& packagePath, const std::wstring& installed);
    // Shows a text as the wizard's current action only: no status line, no result-log line.
    void ShowAction(uint32_t textId, const std::wstring& extra);
    // Opens the result log that reports of kinds 1 and 2 write to.
    void OpenResultLog(const std::wstring& path);
    // install folder + "_TupBkp\" + time stamp + "_" + installed version + "_" + 8 digits + "\".
    std::wstring MakeBackupFolderName();

    // Applies the loaded package container: backup folder and result log, then every updater
    // through each step in turn, with the affected services stopped around the file work.
    // True when the package was applied or nothing needed it.
    bool RunUpdate();
    // The order in which a run stops services, from the services of its updaters (no name
    // twice, letter case folded) and the general affected services: the general ones first,
    // then the web server and the server services, then those printing through the spooler.
    static std::vector<std::wstring> StopOrder(std::vector<std::wstring> names,
                                               const std::vector<std::wstring>& general);
    // The folder below the backup folder where a run keeps a copy of the package description
    // and the language files it ran with, so that its backup can be put back later.
    static constexpr const wchar_t* kBackupWizardFolder = L"_wizard";
    // The file in the backup folder that names, one path a line (UTF-8), the new files a run
    // staged beside their targets, while any may still be there; a restore removes them.
    static constexpr const wchar_t* kStagedListName = L"_staged.txt";
    // The services the last run stopped (and started again), in stopping order.
    const std::vector<std::wstring>& ServicesToStop() const { return servicesToStop_; }
    // Set once the administrator cancels a service retry; later failures are not asked about.
    bool ServiceRetriesCancelled() const { return serviceRetriesCancelled_; }

    // Set by the wizard.
    void SetOwner(ITupOwner* owner) { owner_ = owner; }
    // Tells the owner what the run did (the updaters tell theirs through here).
    void Tell(const TupRunEvent& event);
    void SetUiLanguage(const std::wstring* language) { uiLanguage_ = language; }
    void SetVersionQuestionConfirmed(bool confirmed) { versionQuestionConfirmed_ = confirmed; }
    void SetEnforceSecureChannel(uint32_t value) {
        enforceSecureChannel_ = value;
        enforceSecureChannelSet_ = true;
    }
    void SetInstallSslCertificate(uint32_t value) { installSslCertificate_ = value; }
    void SetEnforceSyncCompatibility(uint32_t value) { enforceSyncCompatibility_ = value; }
    void SetEnforceSecureChannelInternal(uint32_t value);
    void SetScanServerSecureChannelInternal(uint32_t value);
    // The first scan server updater of a run that writes the setting takes its mark away.
    void ClearScanServerSecureChannelInternalMark() { scanServerSecureChannelInternalSet_ = false; }

    // What the construction found out.
    bool IsCluster() const { return cluster_; }
    bool IsProductFamily2() const { return productFamily2_; }
    bool RunsTavAps() const { return runsTavAps_; }
    bool RunsLoadBalancing() const { return runsLoadBalancing_; }
    bool RunsMantlebox() const { return runsMantlebox_; }
    bool RunsQelsrv() const { return runsQelsrv_; }
    const std::wstring& MainExecutableName() const { return mainExecutable_; }
    // The server's programs found running outside the installation, which decided nothing.
    const std::vector<std::wstring>& IgnoredPrograms() const { return ignoredPrograms_; }
    const std::wstring& InstallFolder() const { return installFolder_; }
    const std::wstring& ClientMsiFolder() const { return clientMsiFolder_; }
    const std::wstring& ProgramFolder() const { return programFolder_; }
    const std::wstring& PackageFolder() const { return packageFolder_; }
    const std::wstring& TimeStamp() const { return timeStamp_; }
    const std::wstring& PackageVersion() const { return packageVersion_; }
    const std::wstring& InstalledVersion() const { return installedVersion_; }
    const std::wstring& BackupFolder() const { return backupFolder_; }
    // The names of the backups and of the kept customized copies, distinct per installed file;
    // they live as long as the backup folder, which later runs of this program start reuse.
    CTupRunNames& BackupNames() { return backupNames_; }
    CTupRunNames& TodoNames() { return todoNames_; }
    uint32_t EnforceUpdate() const { return enforceUpdate_; }
    uint32_t RequiredDiskSpaceMb() const { return requiredDiskSpaceMb_; }
    const std::wstring& FixForVersion() const { return fixForVersion_; }
    const std::vector<std::wstring>& GeneralAffectedServices() const { return generalAffectedServices_; }

    // The loaded package container.
    const std::wstring& PackageString(PackageKey key) const {
        return packageStrings_[static_cast<size_t>(key)];
    }
    const std::wstring& ComponentName() const { return PackageString(PackageKey::ComponentName); }
    const std::wstring& OnlineHelpPath() const { return onlineHelpPath_; }
    const std::vector<std::unique_ptr<CTupModuleUpdater>>& Updaters() const { return updaters_; }
    const std::vector<std::wstring>& UpdaterClassNames() const { return updaterClassNames_; }
    size_t PendingPackageCount() const { return pending_.size(); }
    const ObjContainerXml& Description() const { return description_; }

    // Wizard answers, read by the updaters.
    CStringBase* Texts() const { return texts_; }
    const std::wstring* UiLanguage() const { return uiLanguage_; }
    bool VersionQuestionConfirmed() const { return versionQuestionConfirmed_; }
    // Set once a confirmed settings dialog supplied EnforceSecureChannel in this run.
    bool HasEnforceSecureChannel() const { return enforceSecureChannelSet_; }
    uint32_t EnforceSecureChannel() const { return enforceSecureChannel_; }
    uint32_t InstallSslCertificate() const { return installSslCertificate_; }
    uint32_t EnforceSyncCompatibility() const { return enforceSyncCompatibility_; }
    bool HasEnforceSecureChannelInternal() const { return enforceSecureChannelInternalSet_; }
    uint32_t EnforceSecureChannelInternal() const { return enforceSecureChannelInternal_; }
    bool HasScanServerSecureChannelInternal() const { return scanServerSecureChannelInternalSet_; }
    uint32_t ScanServerSecureChannelInternal() const { return scanServerSecureChannelInternal_; }

private:
    // The texts of one per-updater step: start (with the count), per updater, ok, failed.
    struct UpdaterStepTexts {
        uint32_t start, each, ok, failed;
    };
    enum class ServiceAction { Stop, Start };

    void InspectMachine();
    void QueuePackages();
    // Finds a prerequisite's package key in the pending containers and stores its value.
    bool FindPackageKey(PackageKey key);
    static const wchar_t* PackageKeyName(PackageKey key);
    // Starts prefix + the setting + arguments; false when the setting is empty or the program
    // could not be started.
    bool StartInstaller(const wchar_t* prefix, PackageKey key, const wchar_t* arguments, bool wait,
                        uint32_t* exitCode = nullptr);
    // The "ClassType" of every updater the pending containers list, in processing order.
    std::vector<std::wstring> PendingUpdaterClassNames() const;
    // The server executable the version questions look at, in the install and package folder.
    std::wstring ServerExecutableName() const;
    std::wstring Text(uint32_t textId, const std::wstring& language) const;
    std::wstring UiText(uint32_t textId) const;

    // Steps of RunUpdate.
    bool RunUpdateSteps();
    // Keeps the end of the run in the product key, for detection.
    void RecordRunEnd();
    // Reports a step's failure and tells the owner which step it was.
    void FailStep(uint32_t textId);
    bool CreateBackupFolder();
    // Copies the package description and the language files into the backup folder.
    void KeepDescriptionInBackup();
    bool ArchiveTodoFolder();
    bool RenameTodoFolder();
    bool PrepareUpdaters();
    bool VersionGatesPass();
    bool RunUpdaterStep(const UpdaterStepTexts& texts, int (CTupModuleUpdater::*operation)());
    // Copies every updater's new files beside their targets while the services run; false,
    // with nothing staged left, when there is no room for them or one cannot be copied.
    bool StageUpdaterFiles();
    // Ends the staging of every updater after the file phase and removes the staged list.
    void EndUpdaterStaging();
    // Starts every updater's programs; false when any of them failed.
    bool LaunchUpdaterExecutables();
    bool CheckUpdaterVersions();
    void RemoveUpdater(size_t index);
    std::wstring ShortName(size_t index) const;
    static bool ServiceRunning(const wchar_t* name);
    static bool ServiceInstalled(const wchar_t* name);
    // The full path of the program an installed service runs, as the service manager holds
    // it without quotes and arguments; empty without such a service or a full path.
    static std::wstring ServiceProgram(const wchar_t* name);
    // Whether an updater works on the installation: its files, programs or registrations
    // lie in the install folder.
    bool NeedsInstallFolder(size_t index) const;
    void CollectServicesToStop();
    bool StopServices();
    bool StartServices();
    // After a failed stop or start: asks whether to try again; false means give up.
    bool RetryService(ServiceAction action, const std::wstring& name);

    CStringBase* texts_;
    const std::wstring* uiLanguage_;
    uint32_t enforceUpdate_;
    const std::wstring resultLogLanguage_ = L"EN";  // result-log lines are always English

    bool cluster_ = false;
    bool productFamily2_ = false;
    bool runsTavAps_ = false;
    bool runsLoadBalancing_ = false;
    bool runsMantlebox_ = false;
    bool runsQelsrv_ = false;
    std::wstring mainExecutable_;
    std::vector<std::wstring> ignoredPrograms_;  // upper case, as the process list gives them
    bool ignoredProgramsLogged_ = false;          // the result log names them once

    std::vector<std::unique_ptr<CTupModuleUpdater>> updaters_;
    std::vector<ObjContainer*> pending_;  // borrowed from the description; null for a missing one
    bool packageContainerLoaded_ = false;  // pending_ no longer starts with the package container
    std::vector<std::wstring> updaterClassNames_;

    std::wstring installFolder_;
    std::wstring clientMsiFolder_;
    std::wstring packageFolder_;
    std::wstring programFolder_;
    std::wstring timeStamp_;
    std::wstring packageVersion_;
    std::wstring installedVersion_;
    std::wstring backupFolder_;
    CTupRunNames backupNames_;
    CTupRunNames todoNames_;

    ITupOwner* owner_ = nullptr;
    HighPerformanceLog::CLogFile* resultLog_ = nullptr;
    std::vector<std::wstring> generalAffectedServices_;
    bool versionQuestionConfirmed_ = false;
    uint32_t requiredDiskSpaceMb_ = 1024;
    std::wstring fixForVersion_;
    std::array<std::wstring, static_cast<size_t>(PackageKey::Count)> packageStrings_;
    std::wstring onlineHelpPath_ = kDefaultOnlineHelpPath;
    ObjContainerXml description_;

    bool enforceSecureChannelSet_ = false;
    uint32_t enforceSecureChannel_ = 0;
    uint32_t installSslCertificate_ = 0;
    uint32_t enforceSyncCompatibility_ = 0;
    bool enforceSecureChannelInternalSet_ = false;
    uint32_t enforceSecureChannelInternal_ = 0;
    bool scanServerSecureChannelInternalSet_ = false;
    uint32_t scanServerSecureChannelInternal_ = 0;

    std::vector<std::wstring> servicesToStop_;  // rebuilt by every run
    bool serviceRetriesCancelled_ = false;      // never cleared
    bool runStarted_ = false;  // this run got past the installation checks
    std::wstring currentModule_;  // short name of the updater the run is at
    bool runFailed_ = false;   // a run of this program start failed
};
