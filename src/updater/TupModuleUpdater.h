// Base of every module updater: one module of a package, its settings from the package
// description, and the operations the update run drives it through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "manager/TupRunEvent.h"
#include "persist/PersistentObject.h"
#include "system/Files.h"
#include "updater/TupExecutableFile.h"
#include "updater/TupExecutionCondition.h"
#include "updater/TupFileTokenReplacement.h"
#include "updater/TupModuleFile.h"
#include "updater/TupRegistryKey.h"
#include "updater/TupShortCut.h"
#include "updater/TupStagedCopy.h"
#include "updater/TupToken.h"
#include "updater/TupTokenReplacer.h"

class CStringBase;
class CTupManager;

class CTupModuleUpdater : public CPersistentObject, public CTupTokenReplacer {
public:
    using StringList = std::vector<std::wstring>;

    CTupModuleUpdater() = default;
    ~CTupModuleUpdater() override = default;
    CTupModuleUpdater(const CTupModuleUpdater&) = delete;
    CTupModuleUpdater& operator=(const CTupModuleUpdater&) = delete;

    // What every updater receives from the manager before it loads its section.
    void Attach(CTupManager* manager, CStringBase* texts, const std::wstring* language) {
        manager_ = manager;
        texts_ = texts;
        language_ = language;
    }

    // Loading reads every key of the updater's section; storing writes only the five string
    // lists. Derived updaters read their own keys after calling this one.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // How programs are started, then the operations of the update run in the order the run
    // calls them. Results are 1 for success and 0 for failure; CheckVersions answers 0 (update
    // needed), 1 (nothing to update) or 2 (abort).
    virtual int RunAndWait(const std::wstring& commandLine, const std::wstring& parameters);
    virtual int RunNoWait(const std::wstring& commandLine, const std::wstring& parameters);
    // Starts command line + blank + parameters (just the command line for empty parameters);
    // with wait 1 waits for the program to end. The command line's program is the file started
    // (see sys::MakeProgramStart): a path, a quoted path first, or a bare Windows tool, which
    // comes from the system folder. 1 when the process was created; its exit code is not
    // examined; 0 too when the program is refused (a quote inside a path, broken quotes).
    virtual int LaunchProcess(const std::wstring& commandLine, const std::wstring& parameters,
                              int wait);
    // Starts a whole command line of the description and waits for it: only a quoted first
    // word or a bare Windows tool decides the file started. 1 when the process was created.
    int RunCommandLine(const std::wstring& commandLine);
    // Replaces tokens in every installation path; always 1.
    virtual int PrepareUpdate();
    virtual int CheckFilesExist();
    virtual int CheckVersions();
    virtual int CheckFilesWritable();
    virtual int BackupFiles();
    virtual int ApplyUpdate();
    virtual int LaunchExecutables();

    // Staging, while the services still run: the files that will be staged (the new file
    // beside an installed one, or in an existing folder) are added to paths, and the bytes
    // their copies take to bytes. A file whose package file is missing is planned too: staging
    // it fails the run before anything stops.
    void PlanStaging(std::vector<std::wstring>& paths, uint64_t& bytes);
    // Copies every planned file beside its target and checks the installed files for
    // customization; 0, with the failing file reported and nothing staged left, when a
    // package file is missing or cannot be copied.
    int StageFiles();
    // After the file phase, whatever it did: backups logged but not yet made are copied, and
    // staged files not used are removed.
    void EndStaging();

    CTupManager* Manager() const { return manager_; }
    CStringBase* Texts() const { return texts_; }
    const std::wstring* Language() const { return language_; }

    // Set by the run when CheckVersions answered 1; the manager then drops the updater.
    uint32_t NothingToUpdate() const { return nothingToUpdate_; }
    void SetNothingToUpdate(uint32_t flag) { nothingToUpdate_ = flag; }

    // The run starts the module's programs through the base LaunchExecutables and then calls
    // the updater's own. While it does, it sets the base call's result here, and the base
    // LaunchExecutables answers it again instead of starting the programs a second time (for
    // an updater that keeps the base's, or an override that calls it). -1: not set.
    void SetBaseLaunchResult(int result) { baseLaunchResult_ = result; }
    int BaseLaunchResult() const { return baseLaunchResult_; }

    const StringList& ObjectsToRegister() const { return objectsToRegister_; }
    StringList& ObjectsToRegister() { return objectsToRegister_; }
    const StringList& NetObjectsToRegister() const { return netObjectsToRegister_; }
    StringList& NetObjectsToRegister() { return netObjectsToRegister_; }
    const StringList& Net4ObjectsToRegister() const { return net4ObjectsToRegister_; }
    StringList& Net4ObjectsToRegister() { return net4ObjectsToRegister_; }
    const StringList& CommandsToExecute() const { return commandsToExecute_; }
    StringList& CommandsToExecute() { return commandsToExecute_; }
    const StringList& AffectedServices() const { return affectedServices_; }
    StringList& AffectedServices() { return affectedServices_; }

    const std::vector<CTupModuleFile>& Files() const { return files_; }
    std::vector<CTupModuleFile>& Files() { return files_; }
    const std::vector<CTupToken>& Tokens() const { return tokens_; }
    std::vector<CTupToken>& Tokens() { return tokens_; }
    const CTupExecutionCondition& ExecutionCondition() const { return executionCondition_; }
    CTupExecutionCondition& ExecutionCondition() { return executionCondition_; }
    const std::vector<CTupExecutableFile>& ExecutablesToLaunch() const { return executablesToLaunch_; }
    std::vector<CTupExecutableFile>& ExecutablesToLaunch() { return executablesToLaunch_; }
    const std::vector<CTupRegistryKey>& RegistryKeys() const { return registryKeys_; }
    std::vector<CTupRegistryKey>& RegistryKeys() { return registryKeys_; }
    const std::vector<CTupRegistryKey>& RegistryKeys64() const { return registryKeys64_; }
    std::vector<CTupRegistryKey>& RegistryKeys64() { return registryKeys64_; }
    const std::vector<CTupFileTokenReplacement>& TokensToReplaceInFiles() const {
        return tokensToReplaceInFiles_;
    }
    std::vector<CTupFileTokenReplacement>& TokensToReplaceInFiles() { return tokensToReplaceInFiles_; }
    const std::vector<CTupExecutionCondition>& ExecutionConditions() const { return executionConditions_; }
    std::vector<CTupExecutionCondition>& ExecutionConditions() { return executionConditions_; }
    const std::vector<CTupShortCut>& ShortCuts() const { return shortCuts_; }
    std::vector<CTupShortCut>& ShortCuts() { return shortCuts_; }

    // The old access list with an entry appended that allows everyone (S-1-1-0) to read, write,
    // run and delete, but not to change access lists or owners, inherited by files and folders
    // below; the old list as it is when it holds that entry already.
    static sys::AccessList WithEveryoneFullAccess(const sys::AccessList& old);

    // The world identity, all users.
    static constexpr const wchar_t* kEveryoneSid = L"S-1-1-0";

    // The file phase copies a new file to its installed path plus this ending first and puts
    // it in place only once the copy is whole.
    static constexpr const wchar_t* kStagingSuffix = TupStaging::kSuffix;

    // Between the installed path and the backup's name (below the backup folder) in the
    // "backed up" log line of a file whose backup is not named after its package path.
    static constexpr const wchar_t* kBackupNameSeparator = L" -> ";

protected:
    // A report of kind 1 (result log) unless told otherwise, without progress values.
    void Report(uint32_t textId, const std::wstring& extra = std::wstring(), int kind = 1) const;

    // Reports a result-log line about the file's installed path and tells the run what became
    // of the file.
    void ReportFile(uint32_t textId, const CTupModuleFile& file, FileDecision decision,
                    int kind = 1) const;
    // Tells the run that the installed file is kept, its version being newer or the same.
    void TellLeftAlone(const CTupModuleFile& file) const;
    // Whether path exists and is a folder.
    bool FolderExists(const std::wstring& path) const;
    // Creates root + each missing prefix of relative (segments separated by backslashes);
    // false at the first folder that cannot be created. An empty relative path gives true.
    bool CreateFolders(const std::wstring& root, const std::wstring& relative) const;
    // Creates the folders of path below its root (up to the first backslash), with reports.
    bool CreateFolderForPath(const std::wstring& path) const;
    // Reads a registry value (32-bit view) into value; when it is empty or missing, writes
    // defaultValue as a string, sets written and reads it again.
    void EnsureRegistryValue(const std::wstring& keyPath, const std::wstring& valueName,
                             const std::wstring& defaultValue, std::wstring& value,
                             bool& written) const;
    // Adds the entry of WithEveryoneFullAccess to the access list of path. A drive or share
    // root, the Windows folder and the system folders are refused and left as they are.
    bool GrantEveryoneFullAccess(const std::wstring& path) const;
    // Keeps the customization check only for web, script and XML files.
    void RestrictCustomizationCheck();
    // Appends the files that pattern (folder + name pattern) matches to list, entering every
    // subfolder whose own name matches the name pattern.
    void FindFiles(const std::wstring& pattern, StringList& list) const;
    // Replaces each file entry whose package path holds '*' or '?' by one entry per matching
    // package file; the number of file entries afterwards.
    int ExpandFilePatterns();

    // The two halves of the base ApplyUpdate: replacing the module's files (keeping copies of
    // customized ones), then registering components, writing registry values, replacing
    // tokens in files, creating shortcuts and running commands. Each answers 1 or 0.
    int ReplaceFiles();
    int RegisterAndRunCommands();
    // Registers .NET assemblies with the regasm of a framework version ("v4.0.30319").
    void RegisterNetObjects(const StringList& objects, const std::wstring& frameworkVersion);

    // What token replacement needs of the updater.
    const CTupManager* TokenManager() const override { return manager_; }
    const std::vector<CTupToken>& ModuleTokens() const override { return tokens_; }

private:
    // Steps of ReplaceFiles, one file at a time; false when the file failed.
    enum class TargetFolder { Ready, Skip, Failed };
    bool ReplaceFile(CTupModuleFile& file) const;
    // Puts the staged new file in place of the existing installed one, making the owed backup
    // by the swap where the system allows it and by a copy where it does not.
    TupStaging::Outcome PlaceStagedFile(CTupModuleFile& file) const;
    // Copies the installed file to the backup under a staging name first, so that a backup
    // name never holds half a file.
    bool CopyOwedBackup(const std::wstring& installed, const std::wstring& backup) const;
    // Whether the file is to be staged: an update of a file whose folder is there.
    bool WantsStaging(const CTupModuleFile& file) const;
    // What the customization check finds in the installed file now, or found before the stop
    // when the file has not changed since.
    CustomizationFound CustomizationOf(const CTupModuleFile& file, const sys::FileFacts& now) const;
    TargetFolder PrepareTargetFolder(const CTupModuleFile& file) const;
    // Whether the installed file's signature no longer matches its content.
    CustomizationFound CheckCustomization(const std::wstring& installed) const;
    // Keeps a copy of a customized file in the to-do folder with a note for the administrator.
    void KeepCustomizedFile(const CTupModuleFile& file) const;
    // Whether the customization check applies to this installed file.
    static bool WantsCustomizationCheck(const CTupModuleFile& file);
    void AppendTodoEntry(const std::wstring& todoFolder, const std::wstring& installed,
                         const std::wstring& kept) const;

    StringList objectsToRegister_;
    StringList netObjectsToRegister_;
    StringList net4ObjectsToRegister_;
    StringList commandsToExecute_;
    CStringBase* texts_ = nullptr;
    const std::wstring* language_ = nullptr;
    CTupManager* manager_ = nullptr;
    std::vector<CTupModuleFile> files_;
    StringList affectedServices_;
    uint32_t nothingToUpdate_ = 0;
    int baseLaunchResult_ = -1;
    std::vector<CTupToken> tokens_;
    CTupExecutionCondition executionCondition_;
    std::vector<CTupExecutableFile> executablesToLaunch_;
    std::vector<CTupRegistryKey> registryKeys_;
    std::vector<CTupRegistryKey> registryKeys64_;
    std::vector<CTupFileTokenReplacement> tokensToReplaceInFiles_;
    std::vector<CTupExecutionCondition> executionConditions_;
    std::vector<CTupShortCut> shortCuts_;
};
