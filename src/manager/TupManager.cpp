// The update manager: machine inspection, package description and the queue of its containers.
#include "manager/TupManager.h"

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

// Whether a process runs whose upper-cased executable path contains name.
bool ProcessRuns(const wchar_t* name) {
    struct Scan {
        std::wstring name;
        bool found = false;
    } scan{name};
    sys::EnumerateProcesses(
        [](uint32_t, uint32_t, const wchar_t* path, void* data) -> int {
            auto* s = static_cast<Scan*>(data);
            if (tav::FoldUpper(path).find(s->name) != std::wstring::npos) {
                s->found = true;
                return 0;
            }
            return 1;
        },
        &scan);
    return scan.found;
}

// Text up to and including its last backslash; empty without one.
std::wstring UpToLastBackslash(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
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
    cluster_ = !clusterName.empty() || ProcessRuns(L"CLUSSVC.EXE");
    uint32_t family = 0;
    product.GetUnsignedLong(L"productfamily", family);
    productFamily2_ = family == 2;

    // An installed server service tells the kind of server and its folder, running or not; a
    // process then counts only as that program, not as any file of the same name.
    const std::wstring qelsrvService = ServiceProgram(L"TavSvc");
    const std::wstring apsService = ServiceProgram(L"TavAps");
    runsTavAps_ = !apsService.empty() || ProcessRuns(L"TAVAPS.EXE");
    runsLoadBalancing_ = ProcessRuns(L"WLBS.EXE");
    runsMantlebox_ = ProcessRuns(L"TAVMANTLEBOX.EXE");
    runsQelsrv_ = !qelsrvService.empty() || ProcessRuns(L"QELSRV.EXE");
    if (runsTavAps_) {
        mainExecutable_ = L"TavAps.exe";
    } else if (runsMantlebox_ && !runsQelsrv_) {
        mainExecutable_ = L"TavMantlebox.exe";
    } else {
        mainExecutable_ = L"Qelsrv.exe";
    }

    ObjContainer productAgain;
    productAgain.LoadFromRegistry(kProductKey, false, -1, false);
    std::wstring clientMsiPath;
    productAgain.GetString(L"TAVCLNTMSIPATH", clientMsiPath);
    clientMsiFolder_ = UpToLastBackslash(clientMsiPath);

    const std::wstring& serviceProgram = runsTavAps_ ? apsService : qelsrvService;
    if (!serviceProgram.empty()) {
        installFolder_ = UpToLastBackslash(tav::FoldUpper(serviceProgram));
        return;
    }

    // Without the service, the install folder is where the main server executable runs from;
    // a later match wins.
    struct Scan {
        CTupManager* self;
    } scan{this};
    sys::EnumerateProcesses(
        [](uint32_t, uint32_t, const wchar_t* path, void* data) -> int {
            CTupManager* self = static_cast<Scan*>(data)->self;
            const std::wstring upper = tav::FoldUpper(path);
            const wchar_t* name = nullptr;
            if (!self->runsTavAps_ && upper.find(L"QELSRV.EXE") != std::wstring::npos) {
                name = L"QELSRV.EXE";
            } else if (self->runsTavAps_ && upper.find(L"TAVAPS.EXE") != std::wstring::npos) {
                name = L"TAVAPS.EXE";
            } else if (self->runsMantlebox_ && !self->runsTavAps_ && !self->runsQelsrv_ &&
                       upper.find(L"TAVMANTLEBOX.EXE") != std::wstring::npos) {
                name = L"TAVMANTLEBOX.EXE";
            }
            if (name) self->installFolder_ = upper.substr(0, upper.rfind(name));
            return 1;
        },
        &scan);
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
