// The update manager: machine inspection, package description and the queue of its containers.
#include "manager/TupManager.h"

#include <algorithm>
#include <cstdio>

#include "app/lang/TextIds.h"
#include "base/CrtNumbers.h"
#include "base/WideText.h"
#include "log/LogFile.h"
#include "manager/TupClassFactory.h"
#include "system/FileVersion.h"
#include "system/Machine.h"
#include "system/ProcessList.h"
#include "updater/TupModuleUpdater.h"

namespace {

constexpr const wchar_t* kPackageStringKeys[] = {
    L"ComponentName",
    L"MinimumRequiredVersion",
    L"MinimumNonCompatibleVersion",
    L"DotNETFrameworkPolicy",
    L"InstallNET4Framework",
    L"InstallNET452Framework",
    L"InstallNETKB2468871x86",
    L"InstallNETKB2468871x64",
    L"InstallASPNETCoreModulex86",
    L"InstallASPNETCoreModulex64",
    L"VisualC++2K8SP1x86",
    L"VisualC++2K15x86",
    L"VisualC++2K15x64",
};
static_assert(std::size(kPackageStringKeys) == static_cast<size_t>(PackageKey::Count));

constexpr size_t kProgramPathChars = 520;

// Which settings dialog a package container wants, and the component that has its own.
constexpr const wchar_t* kSettingsDialogKey = L"ShowCommunicationSynchronizationSettingsDialog";
constexpr const wchar_t* kScanServerComponent = L"Scan Processing Server Update";

// The product's programs whose processes tell the kind of server and its folder.
constexpr const wchar_t* kServerPrograms[] = {L"TAVAPS.EXE", L"TAVMANTLEBOX.EXE", L"QELSRV.EXE"};

// The upper-cased executable paths of the running processes.
std::vector<std::wstring> RunningPrograms() {
    std::vector<std::wstring> paths;
    sys::EnumerateProcesses(
        [](uint32_t, uint32_t, const wchar_t* path, void* data) -> int {
            static_cast<std::vector<std::wstring>*>(data)->push_back(tav::FoldUpper(path));
            return 1;
        },
        &paths);
    return paths;
}

// Whether a running program's upper-cased path contains name.
bool AnyContains(const std::vector<std::wstring>& programs, const wchar_t* name) {
    for (const std::wstring& path : programs) {
        if (path.find(name) != std::wstring::npos) return true;
    }
    return false;
}

// Whether folder + name runs; never for an unknown folder.
bool RunsFrom(const std::vector<std::wstring>& programs, const std::wstring& folder,
              const wchar_t* name) {
    if (folder.empty()) return false;
    for (const std::wstring& path : programs) {
        if (path == folder + name) return true;
    }
    return false;
}

// Text up to and including its last backslash; empty without one.
std::wstring UpToLastBackslash(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The install folder the product key records (upper case, with a backslash at its end): the
// engine path that the resources updaters keep as the install folder. Empty unless it is a full
// path.
std::wstring RecordedInstallFolder(const ObjContainer& product) {
    std::wstring folder;
    product.GetString(L"JawsEnginePath", folder);
    if (folder.size() < 3 || folder[1] != L':' || folder[2] != L'\\') return std::wstring();
    if (folder.back() != L'\\') folder += L'\\';
    return tav::FoldUpper(folder);
}

std::wstring Format(const wchar_t* format, int a, int b, int c, int d, int e, int f, int g) {
    wchar_t buffer[64];
    std::swprintf(buffer, 64, format, a, b, c, d, e, f, g);
    return buffer;
}

}  // namespace

CTupManager::CTupManager(CStringBase* texts, const std::wstring* uiLanguage,
                         uint32_t& enforceUpdate)
    : texts_(texts), uiLanguage_(uiLanguage), enforceUpdate_(enforceUpdate) {
    sys::Machine& machine = sys::CurrentMachine();

    machine.processes->SetDebugPrivilege(true);  // to see the paths of service processes
    InspectMachine();
    machine.processes->SetDebugPrivilege(false);

    // The program's own folder holds config.xml and the package folder. The Linux build's
    // paths use slashes.
    std::wstring programPath = machine.program->ExecutablePath();
    if (programPath.size() >= kProgramPathChars) programPath.clear();
    const size_t slash = programPath.find_last_of(L"\\/");
    programFolder_ = slash == std::wstring::npos ? std::wstring() : programPath.substr(0, slash + 1);
    packageFolder_ = programFolder_ + L"package\\";

    const sys::LocalTime now = machine.clock->Now();
    timeStamp_ = Format(L"%d%02d%02d_%02d%02d%02d%03d", now.year, now.month, now.day, now.hour,
                        now.minute, now.second, now.millisecond);

    packageVersion_ = sys::FileVersion(packageFolder_ + mainExecutable_, false).Text();
    if (!installFolder_.empty()) {
        installedVersion_ = sys::FileVersion(installFolder_ + mainExecutable_, false).Text();
        backupFolder_ = MakeBackupFolderName();
    }

    // A broken description keeps what was read; every later read finds its defaults.
    description_.Load(programFolder_ + L"config.xml");
    description_.GetUnsignedLong(L"EnforceUpdate", enforceUpdate_);
    description_.GetUnsignedLong(L"RequiredDiskspaceMB", requiredDiskSpaceMb_);
    description_.GetString(L"FixForVersion", fixForVersion_);
    enforceUpdate = enforceUpdate_;

    QueuePackages();
    if (const ObjContainer* info = description_.GetContainer(L"AdditionalUpdateInformation")) {
        info->GetStringList(L"GeneralAffectedServices", generalAffectedServices_);
    }
}

CTupManager::~CTupManager() {
    HighPerformanceLog::ReleaseAllLogFiles();
    resultLog_ = nullptr;
    updaters_.clear();
}

void CTupManager::InspectMachine() {
    ObjContainer product;
    product.LoadFromRegistry(kProductKey, false, -1, false);
    std::wstring clusterName;
    product.GetString(L"ClusterName", clusterName);
    const std::vector<std::wstring> programs = RunningPrograms();
    cluster_ = !clusterName.empty() || AnyContains(programs, L"CLUSSVC.EXE");
    uint32_t family = 0;
    product.GetUnsignedLong(L"productfamily", family);
    productFamily2_ = family == 2;

    // Any user can start a program named like the server's from a folder of their own, so a
    // process never decides where the installation is. An installed server service tells the
    // kind of server and its folder, running or not; without one, a process counts only when
    // it runs from the install folder the product key records (only administrators may write
    // that key).
    const std::wstring apsProgram = tav::FoldUpper(ServiceProgram(L"TavAps"));
    const std::wstring qelsrvProgram = tav::FoldUpper(ServiceProgram(L"TavSvc"));
    // Only a service whose program has a full path names a folder.
    const bool apsService = !apsProgram.empty();
    const bool qelsrvService = !qelsrvProgram.empty();
    std::wstring trustedFolder;
    if (apsService || qelsrvService) {
        trustedFolder = UpToLastBackslash(apsService ? apsProgram : qelsrvProgram);
        runsTavAps_ = apsService;
        runsQelsrv_ = qelsrvService || RunsFrom(programs, trustedFolder, L"QELSRV.EXE");
    } else {
        trustedFolder = RecordedInstallFolder(product);
        runsTavAps_ = RunsFrom(programs, trustedFolder, L"TAVAPS.EXE");
        runsQelsrv_ = RunsFrom(programs, trustedFolder, L"QELSRV.EXE");
    }
    runsLoadBalancing_ = AnyContains(programs, L"WLBS.EXE");
    runsMantlebox_ = RunsFrom(programs, trustedFolder, L"TAVMANTLEBOX.EXE");
    if (runsTavAps_) {
        mainExecutable_ = L"TavAps.exe";
    } else if (runsMantlebox_ && !runsQelsrv_) {
        mainExecutable_ = L"TavMantlebox.exe";
    } else {
        mainExecutable_ = L"Qelsrv.exe";
    }
    if (apsService || qelsrvService || runsTavAps_ || runsQelsrv_ || runsMantlebox_) {
        installFolder_ = trustedFolder;
    }
    // The server's programs running anywhere else are ignored; the result log names them.
    for (const std::wstring& path : programs) {
        for (const wchar_t* name : kServerPrograms) {
            const bool trusted = path == trustedFolder + name || path == apsProgram ||
                                 path == qelsrvProgram;
            if (path.find(name) == std::wstring::npos || trusted) continue;
            if (std::find(ignoredPrograms_.begin(), ignoredPrograms_.end(), path) ==
                ignoredPrograms_.end()) {
                ignoredPrograms_.push_back(path);
            }
        }
    }

    ObjContainer productAgain;
    productAgain.LoadFromRegistry(kProductKey, false, -1, false);
    std::wstring clientMsiPath;
    productAgain.GetString(L"TAVCLNTMSIPATH", clientMsiPath);
    clientMsiFolder_ = UpToLastBackslash(clientMsiPath);
}

void CTupManager::QueuePackages() {
    pending_.push_back(description_.GetContainer(runsTavAps_ ? L"Tarnova_RVX_Update"
                                                             : L"Tarnova_Update"));
    for (int i = 0;; ++i) {
        ObjContainer* generic = description_.GetContainer(L"GenericUpdater" + std::to_wstring(i));
        if (!generic) break;
        pending_.push_back(generic);
    }
}

const wchar_t* CTupManager::PackageKeyName(PackageKey key) {
    return kPackageStringKeys[static_cast<size_t>(key)];
}

bool CTupManager::LoadNextPackage() {
    if (pending_.empty()) return false;
    ObjContainer* next = pending_.front();
    pending_.erase(pending_.begin());
    packageContainerLoaded_ = true;
    Load(next);
    return true;
}

void CTupManager::Exchange(ObjContainer* container, bool isLoading) {
    if (!isLoading || !container) return;
    for (size_t i = 0; i < packageStrings_.size(); ++i) {
        packageStrings_[i].clear();
        container->GetString(kPackageStringKeys[i], packageStrings_[i]);
    }
    onlineHelpPath_ = kDefaultOnlineHelpPath;
    container->GetString(L"OnlineHelpPath", onlineHelpPath_);

    ObjContainer* updaters = container->GetContainer(L"Updaters");
    if (!updaters) return;  // the updaters of the previous container stay
    updaters_.clear();
    updaterClassNames_.clear();
    for (int i = 0;; ++i) {
        ObjContainer* section = updaters->GetContainer(L"Updater" + std::to_wstring(i));
        if (!section) break;
        std::wstring className;
        section->GetString(L"ClassType", className);
        std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(className);
        auto* updater = dynamic_cast<CTupModuleUpdater*>(object.get());
        if (!updater) continue;  // no such class, or not an updater
        object.release();
        updater->Attach(this, texts_, uiLanguage_);
        updater->Load(section);
        updaters_.emplace_back(updater);
        updaterClassNames_.push_back(className);
    }
}

std::wstring CTupManager::GetOnlineHelpPath() const {
    std::wstring path = kDefaultOnlineHelpPath;
    if (!pending_.empty() && pending_.front()) pending_.front()->GetString(L"OnlineHelpPath", path);
    return path;
}

std::wstring CTupManager::GetOnlineHelpPathFor(const std::wstring& componentName) const {
    std::wstring path = kDefaultOnlineHelpPath;
    for (const ObjContainer* container : pending_) {
        if (!container) continue;
        std::wstring name;
        container->GetString(L"ComponentName", name);
        if (tav::FoldEquals(name, componentName)) {
            container->GetString(L"OnlineHelpPath", path);
            break;
        }
    }
    return path;
}

std::vector<std::wstring> CTupManager::PendingUpdaterClassNames() const {
    std::vector<std::wstring> names;
    for (const ObjContainer* container : pending_) {
        const ObjContainer* updaters = container ? container->GetContainer(L"Updaters") : nullptr;
        if (!updaters) continue;
        for (int i = 0;; ++i) {
            const ObjContainer* section = updaters->GetContainer(L"Updater" + std::to_wstring(i));
            if (!section) break;
            std::wstring className;
            section->GetString(L"ClassType", className);
            names.push_back(std::move(className));
        }
    }
    return names;
}

bool CTupManager::HasSettingsUpdater() const {
    for (const auto& name : PendingUpdaterClassNames()) {
        if (name == L"CTupJqxPrintUpdater" || name == L"CTupTavPortUpdater") return true;
    }
    return false;
}

std::wstring CTupManager::SummaryText() const {
    using namespace tav;
    std::wstring text = UiText(kTextSummaryHeading);
    text += L"\r\n  " + UiText(kTextSummaryServerType) + L" " +
            UiText(runsTavAps_ ? kTextSummaryRemotePrintServer : kTextSummaryMainServer);
    text += L"\r\n  " + UiText(kTextSummaryInstallFolder) + L" " + installFolder_;
    text += L"\r\n  " + UiText(kTextSummaryModules) + L"\r\n";
    for (const auto& className : PendingUpdaterClassNames()) {
        if (className.empty()) continue;  // names no class
        // "CTupKernelUpdater" is listed as Kernel; a name too short for that as it is.
        const std::wstring module =
            className.size() < 11 ? className : className.substr(4, className.size() - 11);
        text += L"    " + module + L"\r\n";
    }
    text += L"\r\n" + UiText(kTextSummaryStartHint) + L"\r\n";
    return text;
}

std::wstring CTupManager::FirstModuleSettingsDialog() const {
    if (pending_.empty()) return std::wstring();
    std::wstring value = L"no";
    if (const ObjContainer* first = pending_.front()) first->GetString(kSettingsDialogKey, value);
    return value;
}

std::wstring CTupManager::ScanServerSettingsDialog() const {
    std::wstring value = L"no";
    for (const ObjContainer* container : pending_) {
        if (!container) continue;
        std::wstring name;
        container->GetString(L"ComponentName", name);
        if (tav::FoldEquals(name, kScanServerComponent)) {
            container->GetString(kSettingsDialogKey, value);
            break;
        }
    }
    return value;
}

std::wstring CTupManager::MakeBackupFolderName() {
    sys::IClock& clock = *sys::CurrentMachine().clock;
    // A second's pause, so that two names made in a row get different seeds.
    clock.SleepMs(1000);
    tav::CrtRandom random(static_cast<uint32_t>(clock.UnixSeconds()));
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%.8d", random.Next());
    return installFolder_ + L"_TupBkp\\" + timeStamp_ + L"_" + installedVersion_ + L"_" + digits +
           L"\\";
}

void CTupManager::SetEnforceSecureChannelInternal(uint32_t value) {
    enforceSecureChannelInternal_ = value;
    enforceSecureChannelInternalSet_ = true;
}

void CTupManager::SetScanServerSecureChannelInternal(uint32_t value) {
    scanServerSecureChannelInternal_ = value;
    scanServerSecureChannelInternalSet_ = true;
}
