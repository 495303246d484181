// The module updater's settings, how it starts programs, and its preparation step.
#include "updater/TupModuleUpdater.h"

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "system/Machine.h"
#include "system/ProgramStart.h"

namespace {

// Reads the numbered elements prefix0, prefix1, ... of the list container key into list. A
// present key empties the list first; the first missing number ends it; an absent key leaves
// the list as it was.
template <typename Item>
void LoadList(ObjContainer* container, const wchar_t* key, const wchar_t* prefix,
              std::vector<Item>& list) {
    ObjContainer* elements = container->GetContainer(key);
    if (!elements) return;
    list.clear();
    for (int i = 0;; ++i) {
        ObjContainer* element = elements->GetContainer(prefix + std::to_wstring(i));
        if (!element) break;
        Item item;
        item.Exchange(element, true);
        list.push_back(std::move(item));
    }
}

}  // namespace

void CTupModuleUpdater::Exchange(ObjContainer* container, bool isLoading) {
    if (!container) return;
    if (!isLoading) {
        container->SetStringList(L"AffectedServices", affectedServices_);
        container->SetStringList(L"ObjectsToRegister", objectsToRegister_);
        container->SetStringList(L"NetObjectsToRegister", netObjectsToRegister_);
        container->SetStringList(L"Net4ObjectsToRegister", net4ObjectsToRegister_);
        container->SetStringList(L"CommandsToExecute", commandsToExecute_);
        return;
    }
    container->GetStringList(L"AffectedServices", affectedServices_);
    LoadList(container, L"Files", L"File", files_);
    LoadList(container, L"ExecutablesToLaunch", L"File", executablesToLaunch_);
    LoadList(container, L"Tokens", L"Token", tokens_);
    LoadList(container, L"RegistryKeys", L"Key", registryKeys_);
    LoadList(container, L"RegistryKeys64", L"Key", registryKeys64_);
    LoadList(container, L"TokensToReplaceInFiles", L"FileTokenReplacement", tokensToReplaceInFiles_);
    if (ObjContainer* condition = container->GetContainer(L"ExecutionCondition")) {
        executionCondition_.Exchange(condition, true);
    }
    LoadList(container, L"ExecutionConditions", L"Condition", executionConditions_);
    LoadList(container, L"ShortCuts", L"ShortCut", shortCuts_);
    container->GetStringList(L"ObjectsToRegister", objectsToRegister_);
    container->GetStringList(L"NetObjectsToRegister", netObjectsToRegister_);
    container->GetStringList(L"Net4ObjectsToRegister", net4ObjectsToRegister_);
    container->GetStringList(L"CommandsToExecute", commandsToExecute_);
}

void CTupModuleUpdater::Report(uint32_t textId, const std::wstring& extra, int kind) const {
    if (manager_) manager_->Report(kind, textId, -1, -1, extra);
}

void CTupModuleUpdater::ReportFile(uint32_t textId, const CTupModuleFile& file, FileDecision decision,
                                   int kind) const {
    Report(textId, file.InstallationFile(), kind);
    if (manager_) manager_->TellFile(decision, file.UpdatePackageFile(), file.InstallationFile());
}

int CTupModuleUpdater::RunAndWait(const std::wstring& commandLine, const std::wstring& parameters) {
    return LaunchProcess(commandLine, parameters, 1);
}

int CTupModuleUpdater::RunNoWait(const std::wstring& commandLine, const std::wstring& parameters) {
    return LaunchProcess(commandLine, parameters, 0);
}

int CTupModuleUpdater::LaunchProcess(const std::wstring& commandLine,
                                     const std::wstring& parameters, int wait) {
    sys::Machine& machine = sys::CurrentMachine();
    sys::ProgramStart start;
    if (!sys::MakeProgramStart(commandLine, parameters, machine.operatingSystem->SystemFolder(),
                               start)) {
        return 0;
    }
    uint32_t exitCode = 0;  // not examined: a program that started counts as success
    return machine.launcher->Run(start.program, start.commandLine, wait == 1, &exitCode) ? 1 : 0;
}

int CTupModuleUpdater::RunCommandLine(const std::wstring& commandLine) {
    sys::Machine& machine = sys::CurrentMachine();
    sys::ProgramStart start;
    if (!sys::MakeCommandStart(commandLine, machine.operatingSystem->SystemFolder(),
                               *machine.files, start)) {
        return 0;
    }
    uint32_t exitCode = 0;
    return machine.launcher->Run(start.program, start.commandLine, true, &exitCode) ? 1 : 0;
}

int CTupModuleUpdater::PrepareUpdate() {
    Report(tav::kTextUsingPath, manager_ ? manager_->InstallFolder() : std::wstring());
    int changed = 0;
    for (CTupModuleFile& file : files_) {
        std::wstring path = file.InstallationFile();
        if (ReplaceTokens(path)) {
            file.SetInstallationFile(path);
            ++changed;
        }
    }
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));
    return 1;
}

// The base file checks and backup are in TupFileChecks.cpp, the file phase in TupFileUpdate.cpp,
// registration, commands and launching in TupRegistration.cpp.
int CTupModuleUpdater::ApplyUpdate() {
    if (!ReplaceFiles()) return 0;
    return RegisterAndRunCommands();
}
