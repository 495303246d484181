// After the files: component registration, registry values, tokens in files, shortcuts,
// commands, and the module's programs at the end of the run.
#include "updater/TupModuleUpdater.h"

#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "system/Machine.h"
#include "system/ProgramStart.h"

namespace {

// Whether the part of path after its last dot is "exe", in any case.
bool HasExeExtension(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    return dot != std::wstring::npos && tav::FoldEquals(std::wstring_view(path).substr(dot + 1), L"exe");
}

// The registration of a COM server: an executable registers itself, a library through regsvr32.
struct Registration {
    std::wstring program;
    std::wstring parameters;
    std::wstring Command() const { return program + L" " + parameters; }
};

Registration RegistrationOf(const std::wstring& object) {
    if (HasExeExtension(object)) return {sys::Quoted(object), L"/regserver"};
    return {L"regsvr32.exe", L"/s " + sys::Quoted(object)};
}

// The log text of a file token replacement item, with tokens replaced in its values.
std::wstring DescribeReplacement(const CTupFileTokenReplacement& item,
                                 const CTupTokenReplacer* replacer) {
    return L"file = '" + item.GetFile(replacer) + L"', token='" + item.GetToken(replacer) +
           L"', replacement='" + item.GetReplacement(replacer) + L"'";
}

}  // namespace

int CTupModuleUpdater::RegisterAndRunCommands() {
    // 1 while nothing has run; then the outcome of the last registration or command.
    int result = 1;
    // Reports a command around its start; refused: it holds a value that would break its
    // quotes, and is reported as not started.
    auto reported = [this](const std::wstring& command, bool refused, auto start) {
        Report(tav::kTextRunningCommand, command);
        const int started = !refused && start() ? 1 : 0;
        Report(started ? tav::kTextCommandStarted : tav::kTextCommandNotStarted, command);
        return started;
    };

    const std::wstring installFolder = manager_ ? manager_->InstallFolder() : std::wstring();
    for (const std::wstring& entry : objectsToRegister_) {
        std::wstring object = entry;
        // An entry without a token is relative to the install folder.
        if (!ReplaceTokens(object)) object = installFolder + object;
        const Registration registration = RegistrationOf(object);
        result = reported(registration.Command(), !sys::CanQuote(object), [&] {
            return RunAndWait(registration.program, registration.parameters);
        });
    }

    if (!netObjectsToRegister_.empty()) RegisterNetObjects(netObjectsToRegister_, L"v2.0.50727");
    if (!net4ObjectsToRegister_.empty()) RegisterNetObjects(net4ObjectsToRegister_, L"v4.0.30319");

    for (const auto* keys : {&registryKeys_, &registryKeys64_}) {
        const bool view64 = keys == &registryKeys64_;
        for (const CTupRegistryKey& key : *keys) {
            Report(tav::kTextWritingRegistryValue, key.GetKeyName(this));
            if (manager_) {
                std::wstring valueName = key.ValueName();
                ReplaceTokens(valueName);
                manager_->Tell(TupRunEvent::ListValue(key.GetKeyName(this), valueName, view64));
            }
            key.Write(this, view64, false);
        }
    }

    if (!tokensToReplaceInFiles_.empty()) {
        const std::wstring packageFolder = manager_ ? manager_->PackageFolder() : std::wstring();
        const std::wstring tool = L"\"" + packageFolder + L"ReplaceTokenInFile.exe\"";
        for (const CTupFileTokenReplacement& item : tokensToReplaceInFiles_) {
            Report(tav::kTextReplacingTokenInFile, DescribeReplacement(item, this));
            item.Apply(this, tool);
        }
    }

    for (const CTupShortCut& shortCut : shortCuts_) {
        Report(tav::kTextWritingRegistryValue, shortCut.Title());
        shortCut.Create(this);
    }

    for (const std::wstring& entry : commandsToExecute_) {
        std::wstring command = entry;
        ReplaceTokens(command);
        result = reported(command, false, [&] { return RunCommandLine(command); });
    }
    return result;
}

void CTupModuleUpdater::RegisterNetObjects(const StringList& objects,
                                           const std::wstring& frameworkVersion) {
    Report(tav::kTextReadingWindowsFolder);
    std::wstring windowsFolder;
    if (sys::CurrentMachine().environment->GetVariable(L"SYSTEMROOT", windowsFolder)) {
        if (windowsFolder.empty() || windowsFolder.back() != L'\\') windowsFolder += L'\\';
        Report(tav::kTextWindowsFolder, windowsFolder);
    } else {
        // The tool stays relative and will usually not start.
        Report(tav::kTextSystemRootNotSet);
    }
    const std::wstring tool =
        windowsFolder + L"Microsoft.NET\\Framework\\" + frameworkVersion + L"\\regasm";
    for (const std::wstring& entry : objects) {
        std::wstring object = entry;
        ReplaceTokens(object);  // no install-folder prefix for assemblies
        const std::wstring parameters = sys::Quoted(object) + L" /codebase /silent /nologo /tlb";
        const std::wstring command = tool + L" " + parameters;
        Report(tav::kTextRunningCommand, command);
        const int started = sys::CanQuote(object) && RunAndWait(tool, parameters) ? 1 : 0;
        Report(started ? tav::kTextCommandStarted : tav::kTextCommandNotStarted, command);
    }
}

int CTupModuleUpdater::LaunchExecutables() {
    // The run has started this module's programs just before: they are not started again.
    if (BaseLaunchResult() >= 0) return BaseLaunchResult();
    int result = 1;  // an empty list succeeds
    for (const CTupExecutableFile& executable : executablesToLaunch_) {
        std::wstring path = executable.Path();
        ReplaceTokens(path);
        const std::wstring& parameters = executable.Parameter();
        Report(tav::kTextRunningCommand, path + L" " + parameters);
        const int started = executable.WaitTillEnd() ? RunAndWait(path, parameters)
                                                     : RunNoWait(path, parameters);
        result = started ? 1 : 0;
        Report(result ? tav::kTextCommandStarted : tav::kTextCommandNotStarted, path);
    }
    return result;
}
