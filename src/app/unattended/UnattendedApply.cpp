// The unattended update on this machine, and its result.
#include "app/unattended/UnattendedApply.h"

#include <algorithm>
#include <optional>

#include "app/TupWizardManager.h"
#include "app/unattended/UnattendedUpdate.h"
#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "signature/Md5.h"
#include "system/FileVersion.h"
#include "system/MachineLock.h"
#include "updater/TupModuleUpdater.h"

namespace {

std::wstring WithSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// A file's version, or the MD5 of its bytes when it has none ("" when it cannot be read), as
// the current machine holds it.
std::wstring VersionOrDigest(const std::wstring& path) {
    const sys::FileVersion version(path, false);
    if (!version.IsUnread()) return version.Text();
    std::string bytes;
    if (!sys::CurrentMachine().files->ReadAll(path, bytes)) return std::wstring();
    return L"md5 " + CMd5::Hex(CMd5::Of(bytes));
}

// The checks before the file phase name a file by its place in the package; the installed file
// the package means there is the one the result names.
std::wstring InstalledPathOf(const CTupManager& manager, const std::wstring& path) {
    const bool full = (path.size() > 1 && path[1] == L':') || path.rfind(L"\\\\", 0) == 0;
    if (full) return path;
    for (const auto& updater : manager.Updaters()) {
        for (const CTupModuleFile& file : updater->Files()) {
            if (tav::FoldEquals(file.UpdatePackageFile(), path)) return file.InstallationFile();
        }
    }
    return path;
}

// Whether a value lies in the keys of the run records: the run's own bookkeeping, not a change
// the package makes.
bool IsRunRecord(const sys::WrittenValue& value) {
    const std::wstring records = kRunRecordsKey;
    return value.key.size() >= records.size() &&
           tav::FoldEquals(std::wstring_view(value.key).substr(0, records.size()), records);
}

// A key path without its root, which may be spelled in more than one way.
std::wstring_view BelowRoot(const std::wstring& key) {
    const size_t slash = key.find(L'\\');
    return slash == std::wstring::npos ? std::wstring_view() : std::wstring_view(key).substr(slash + 1);
}

// The registry-list values whose last write would leave other data than the server holds now.
std::vector<std::wstring> ListValuesChanged(const std::vector<TupRunEvent>& listValues,
                                            const std::vector<sys::WrittenValue>& values) {
    std::vector<std::wstring> changed;
    for (const TupRunEvent& item : listValues) {
        const sys::WrittenValue* first = nullptr;
        const sys::WrittenValue* last = nullptr;
        for (const sys::WrittenValue& value : values) {
            if ((value.view == sys::RegistryView::Bits64) != item.view64 ||
                !tav::FoldEquals(value.name, item.detail) ||
                !tav::FoldEquals(BelowRoot(value.key), BelowRoot(item.subject))) {
                continue;
            }
            if (!first) first = &value;
            last = &value;
        }
        if (!first) continue;  // there already, so not written
        const bool same = first->replaced && first->previousType == last->type &&
                          first->previousData == last->data;
        const std::wstring name = item.subject + L"\\" + item.detail;
        if (!same && std::find(changed.begin(), changed.end(), name) == changed.end()) {
            changed.push_back(name);
        }
    }
    return changed;
}

// What the preview took for granted where it could not look.
std::vector<std::wstring> Assumed(const UpdateResult& result) {
    std::vector<std::wstring> assumed;
    size_t started = 0;
    for (const sys::StartedProgram& program : result.programs) started += program.started ? 1 : 0;
    if (started > 0) {
        assumed.push_back(L"the " + std::to_wstring(started) +
                          L" programs found start and end with exit code 0");
    }
    if (!result.servicesStopped.empty()) {
        assumed.push_back(L"the services stop and start again at once");
    }
    if (!result.files.empty()) {
        assumed.push_back(L"no program other than the services holds an installed file open");
    }
    return assumed;
}

// The update on host, made (apply) or kept back and described (preview).
UpdateResult RunPackage(const UnattendedOptions& options,
                        const std::function<void(const std::wstring&)>& print, bool preview) {
    UpdateResult result;
    result.preview = preview;
    sys::Machine& host = sys::CurrentMachine();
    const uint64_t startMs = host.clock->TickMs();

    // A preview too: a server half-way through an update would show a wrong picture.
    const sys::UpdateLock lock = sys::TakeUpdateLock();
    if (lock.state == sys::LockState::Busy) {
        result.exitCode = UnattendedExit::Busy;
        result.reason = L"another update of this server is running (the wizard or tavpkg apply)";
        return result;
    }
    if (lock.state != sys::LockState::Taken) {
        result.exitCode = UnattendedExit::Failed;
        result.reason = L"no other update can be kept out: " + lock.problem;
        return result;
    }

    std::optional<sys::CRecordingMachine> recording;
    std::optional<sys::CPreviewMachine> previewing;
    sys::Machine machine = preview ? previewing.emplace(host).Get() : recording.emplace(host).Get();
    // The package folder stands where the wizard's own folder would: config.xml, the language
    // files and package\ are read from it.
    sys::ProgramAtPath packageProgram(WithSeparator(options.packageFolder) + L"TavUpdateWizard.exe");
    if (!options.packageFolder.empty()) machine.program = &packageProgram;
    const sys::MachineInPlace inPlace(&machine);
    result.packageFolder = FolderOf(machine.program->ExecutablePath());
    {
        // The record as it was before this run, read from the server itself.
        const sys::MachineInPlace asItIs(&host);
        result.hasLastRun =
            ReadRunRecord(PackageDigestOf(result.packageFolder + L"config.xml"), result.lastRun);
    }

    CStringBase texts(result.packageFolder);
    const std::wstring startupLanguage = L"EN";
    uint32_t enforce = options.enforceUpdate ? 1 : 0;
    CTupManager manager(&texts, &startupLanguage, enforce);
    CUnattendedOwner owner(*machine.clock, print, options.serviceRetries);
    manager.SetOwner(&owner);
    CTupWizardManager wizardManager(manager);
    CUnattendedPrompts prompts(options);

    result.installFolder = manager.InstallFolder();
    result.versionBefore = sys::FileVersion(manager.InstalledServerPath(), false).Text();
    result.prerequisites = MissingPrerequisiteNames(wizardManager);
    const UnattendedOutcome outcome =
        RunUnattendedFlow(texts, wizardManager, wizardManager, options, enforce != 0, prompts);
    // The flow's language goes with it.
    wizardManager.SetLanguage(&startupLanguage);
    manager.SetOwner(nullptr);

    result.exitCode = outcome.exitCode;
    result.reason = outcome.reason;
    result.ran = outcome.ran;
    if (owner.InstallationNotFound()) {
        result.exitCode = UnattendedExit::NotInstalled;
        result.reason = texts.GetTextOrEmpty(static_cast<int32_t>(tav::kTextInstallationNotFound),
                                             options.language);
    }
    result.installationFound = !manager.InstallFolder().empty() && !owner.InstallationNotFound();
    result.failedStep = owner.FailedStep();
    result.applied = outcome.ran && result.exitCode == UnattendedExit::Updated;
    result.versionAfter = sys::FileVersion(manager.InstalledServerPath(), false).Text();
    if (outcome.ran && !manager.BackupFolder().empty()) {
        result.backupFolder = manager.BackupFolder();
        if (!preview) result.resultLog = manager.BackupFolder() + L"_log.csv";
    }
    result.files = owner.Files();
    for (FileOutcome& file : result.files) file.path = InstalledPathOf(manager, file.path);
    result.servicesStopped = owner.ServicesStopped();
    result.servicesStarted = owner.ServicesStarted();
    if (preview) {
        for (FileOutcome& file : result.files) {
            file.after = VersionOrDigest(file.path);
            file.changed = previewing->WouldChangeFile(file.path);
            const sys::MachineInPlace asItIs(&host);
            file.before = VersionOrDigest(file.path);
        }
        result.programs = previewing->Programs();
        result.values = previewing->Values();
        result.changes = previewing->Changes();
        result.listValuesChanged = ListValuesChanged(owner.ListValues(), result.values);
        result.assumed = Assumed(result);
    } else {
        result.programs = recording->Programs();
        result.values = recording->Values();
    }
    result.values.erase(std::remove_if(result.values.begin(), result.values.end(), IsRunRecord),
                        result.values.end());
    result.seconds = static_cast<double>(host.clock->TickMs() - startMs) / 1000.0;
    return result;
}

}  // namespace

UpdateResult ApplyPackage(const UnattendedOptions& options,
                          const std::function<void(const std::wstring&)>& print) {
    return RunPackage(options, print, false);
}

UpdateResult PreviewPackage(const UnattendedOptions& options,
                            const std::function<void(const std::wstring&)>& print) {
    return RunPackage(options, print, true);
}
