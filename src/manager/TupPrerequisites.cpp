// Prerequisites of a package (runtimes the start-up offers to install, and their installers) and
// the wizard's questions about the machine: rights, disk space and the versions involved.
#include <cstdint>

#include "base/WideText.h"
#include "manager/TupManager.h"
#include "system/FileVersion.h"
#include "system/Machine.h"
#include "system/ProgramStart.h"

namespace {

constexpr const wchar_t* kDotNet35Key =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v3.5";
constexpr const wchar_t* kDotNet4Key =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";
constexpr const wchar_t* kVcRedist2008Sp1x86Key =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    L"{9A25302D-30C0-39D9-BD6F-21E6EC160475}";
constexpr const wchar_t* kVcRedist2015x86Key =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    L"{A2563E55-3BEC-3828-8D67-E5E8B9E8B675}";
constexpr const wchar_t* kVcRedist2015x64Key =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    L"{0D3E9E15-DE7A-300B-96F1-B4AF12B96488}";
constexpr const wchar_t* kVcRedist2008Sp1Version = L"9.0.30729";
constexpr const wchar_t* kVcRedist2015Version = L"14.0.23026";
// The "Release" value of .NET Framework 4.5.2.
constexpr uint32_t kDotNet452Release = 379893;
// The last mscorlib.dll of .NET Framework 4 that still lacks update KB2468871.
constexpr const wchar_t* kMscorlibWithoutUpdate = L"4.0.30319.232";

// The first major version of the yearly releases; their minor number 1 is the first release.
constexpr uint16_t kFirstYearlyMajor = 2018;

// What starts an installer of the package folder: the installer itself, or Windows Installer.
constexpr const wchar_t* kPackagePrefix = L"";
constexpr const wchar_t* kMsiPackagePrefix = L"msiexec.exe";

sys::IOperatingSystem& OperatingSystem() {
    return *sys::CurrentMachine().operatingSystem;
}

// Windows 7 / Server 2008 R2 (6.1) or older.
bool AtMostWindows61(const sys::OsVersion& version) {
    return version.major < 6 || (version.major == 6 && version.minor <= 1);
}

uint32_t RegistryNumber(const wchar_t* key, const wchar_t* name, uint32_t absent) {
    ObjContainer values;
    values.LoadFromRegistry(key, false, -1, false);
    uint32_t number = absent;
    values.GetUnsignedLong(name, number);
    return number;
}

// "DisplayVersion" of an uninstall key; empty when absent.
std::wstring DisplayVersion(const wchar_t* key, bool view64) {
    ObjContainer values;
    values.LoadFromRegistry(key, false, -1, view64);
    std::wstring version;
    values.GetString(L"DisplayVersion", version);
    return version;
}

// .NET Framework 4 is installed on Windows 7 or older without update KB2468871.
bool NeedsDotNet4Update() {
    if (RegistryNumber(kDotNet4Key, L"Install", 0) != 1) return false;
    if (!AtMostWindows61(OperatingSystem().Version())) return false;
    std::wstring root;
    if (!sys::CurrentMachine().environment->GetVariable(L"SYSTEMROOT", root)) return true;
    if (root.empty() || root.back() != L'\\') root += L'\\';
    const sys::FileVersion mscorlib(root + L"Microsoft.NET\\Framework\\v4.0.30319\\mscorlib.dll",
                                    false);
    // An unreadable version counts as 0.0.0.0.
    return mscorlib.IsUnread() || !(mscorlib > kMscorlibWithoutUpdate);
}

// Whether both product versions belong to the same yearly release and the step between them
// goes from the first minor release to a later one (upgrade) or back (downgrade).
bool IsFirstReleaseStep(const sys::FileVersion& installed, const sys::FileVersion& packaged,
                        bool upgrade) {
    if (installed.IsUnread() || packaged.IsUnread()) return false;
    if (installed.Major() != packaged.Major() || installed.Major() < kFirstYearlyMajor) {
        return false;
    }
    return upgrade ? installed.Minor() == 1 && packaged.Minor() >= 2
                   : installed.Minor() >= 2 && packaged.Minor() == 1;
}

}  // namespace

bool CTupManager::FindPackageKey(PackageKey key) {
    const wchar_t* name = PackageKeyName(key);
    for (size_t i = 0; i < pending_.size(); ++i) {
        // The package container only counts on a machine that runs a server.
        if (i == 0 && !packageContainerLoaded_ && !runsTavAps_ && !runsQelsrv_) continue;
        const ObjContainer* container = pending_[i];
        if (!container || container->GetType(name) != OCString) continue;
        std::wstring& setting = packageStrings_[static_cast<size_t>(key)];
        setting.clear();
        container->GetString(name, setting);
        return true;
    }
    return false;
}

bool CTupManager::NeedsDotNetFrameworkPolicy() {
    if (!FindPackageKey(PackageKey::DotNETFrameworkPolicy)) return false;
    ObjContainer values;
    values.LoadFromRegistry(kDotNet35Key, false, -1, false);
    uint32_t install = UINT32_MAX, servicePack = UINT32_MAX;
    values.GetUnsignedLong(L"Install", install);
    values.GetUnsignedLong(L"SP", servicePack);
    return !(install == 1 && servicePack == 1);
}

bool CTupManager::NeedsDotNet4() {
    if (!FindPackageKey(PackageKey::InstallNET4Framework)) return false;
    return RegistryNumber(kDotNet4Key, L"Install", 0) == 0 &&
           AtMostWindows61(OperatingSystem().Version());
}

bool CTupManager::NeedsKB2468871x86() {
    if (!FindPackageKey(PackageKey::InstallNETKB2468871x86)) return false;
    return OperatingSystem().Architecture() != L"x64" && NeedsDotNet4Update();
}

bool CTupManager::NeedsKB2468871x64() {
    if (!FindPackageKey(PackageKey::InstallNETKB2468871x64)) return false;
    return OperatingSystem().Architecture() != L"x86" && NeedsDotNet4Update();
}

bool CTupManager::NeedsVcRedist2008Sp1x86() {
    if (!FindPackageKey(PackageKey::VisualCpp2K8SP1x86)) return false;
    return !tav::FoldEquals(DisplayVersion(kVcRedist2008Sp1x86Key, false), kVcRedist2008Sp1Version);
}

bool CTupManager::NeedsVcRedist2015x86() {
    if (!FindPackageKey(PackageKey::VisualCpp2K15x86)) return false;
    return !tav::FoldEquals(DisplayVersion(kVcRedist2015x86Key, false), kVcRedist2015Version);
}

bool CTupManager::NeedsVcRedist2015x64() {
    if (!FindPackageKey(PackageKey::VisualCpp2K15x64)) return false;
    return !tav::FoldEquals(DisplayVersion(kVcRedist2015x64Key, true), kVcRedist2015Version) &&
           OperatingSystem().Architecture() != L"x86";
}

bool CTupManager::NeedsDotNet452() {
    if (!FindPackageKey(PackageKey::InstallNET452Framework)) return false;
    return RegistryNumber(kDotNet4Key, L"Release", 0) < kDotNet452Release &&
           OperatingSystem().Version().major >= 6;
}

// Nothing on the machine is looked up for the ASP.NET Core module: the architecture decides.
bool CTupManager::NeedsAspNetCoreModulex86() {
    if (!FindPackageKey(PackageKey::InstallASPNETCoreModulex86)) return false;
    return OperatingSystem().Architecture() != L"x64";
}

bool CTupManager::NeedsAspNetCoreModulex64() {
    if (!FindPackageKey(PackageKey::InstallASPNETCoreModulex64)) return false;
    return OperatingSystem().Architecture() != L"x86";
}

bool CTupManager::StartInstaller(const wchar_t* prefix, PackageKey key, const wchar_t* arguments,
                                 bool wait, uint32_t* exitCode) {
    const std::wstring& setting = PackageString(key);
    if (setting.empty()) return false;
    // From the program's own package folder, wherever the program was started from.
    const std::wstring installer = packageFolder_ + setting;
    // arguments lead with their blank.
    const std::wstring rest = *arguments ? std::wstring(arguments + 1) : std::wstring();
    sys::ProgramStart start;
    const std::wstring systemFolder = OperatingSystem().SystemFolder();
    const bool made =
        *prefix ? sys::CanQuote(installer) &&
                      sys::MakeProgramStart(prefix, L"/i " + sys::QuotedWhenBlank(installer) +
                                                        arguments,
                                            systemFolder, start)
                : sys::MakeProgramStart(installer, rest, systemFolder, start);
    if (!made) return false;
    return sys::CurrentMachine().launcher->Run(start.program, start.commandLine, wait, exitCode);
}

void CTupManager::InstallDotNetFrameworkPolicy() {
    const sys::OsVersion version = OperatingSystem().Version();
    if (version.major <= 5 || version.minor == 0) return;
    StartInstaller(kPackagePrefix, PackageKey::DotNETFrameworkPolicy, L"", false);
}

void CTupManager::InstallDotNet4() {
    StartInstaller(kPackagePrefix, PackageKey::InstallNET4Framework, L" /passive /norestart", true);
}

void CTupManager::InstallKB2468871x86() {
    StartInstaller(kPackagePrefix, PackageKey::InstallNETKB2468871x86, L" /passive /promptrestart",
                   false);
}

void CTupManager::InstallKB2468871x64() {
    StartInstaller(kPackagePrefix, PackageKey::InstallNETKB2468871x64, L" /passive /promptrestart",
                   false);
}

void CTupManager::InstallVcRedist2008Sp1x86() {
    StartInstaller(kPackagePrefix, PackageKey::VisualCpp2K8SP1x86, L" /q", false);
}

void CTupManager::InstallVcRedist2015x86() {
    StartInstaller(kPackagePrefix, PackageKey::VisualCpp2K15x86, L" /q", false);
}

void CTupManager::InstallVcRedist2015x64() {
    StartInstaller(kPackagePrefix, PackageKey::VisualCpp2K15x64, L" /q", false);
}

int CTupManager::InstallDotNet452() {
    // Stays as it is when the exit code cannot be read, and reads as -1.
    uint32_t exitCode = UINT32_MAX;
    if (!StartInstaller(kPackagePrefix, PackageKey::InstallNET452Framework, L" /passive /norestart",
                        true, &exitCode)) {
        return -1;
    }
    return static_cast<int>(exitCode);
}

void CTupManager::InstallAspNetCoreModulex86() {
    StartInstaller(kMsiPackagePrefix, PackageKey::InstallASPNETCoreModulex86, L" /quiet /qn",
                   false);
}

void CTupManager::InstallAspNetCoreModulex64() {
    StartInstaller(kMsiPackagePrefix, PackageKey::InstallASPNETCoreModulex64, L" /quiet /qn",
                   false);
}

bool CTupManager::IsAdministrator() const {
    sys::IOperatingSystem& os = OperatingSystem();
    // From Windows Vista on the manifest has the program started with administrator rights.
    return os.Version().major > 5 || os.TokenListsAdministrators();
}

bool CTupManager::HasEnoughDiskSpace() const {
    // Without an installed server the current drive is asked about.
    const std::wstring where = installFolder_.empty() ? std::wstring(L".") : installFolder_;
    uint64_t freeBytes = 0;
    if (!sys::CurrentMachine().files->FreeSpace(where, freeBytes)) return true;
    return freeBytes / 1048576 >= requiredDiskSpaceMb_;
}

std::wstring CTupManager::ServerExecutableName() const {
    return runsTavAps_ ? L"TavAps.exe" : L"Qelsrv.exe";
}

std::wstring CTupManager::InstalledServerPath() const {
    // No install folder, no installed executable: a bare name would be looked for elsewhere.
    return installFolder_.empty() ? std::wstring() : installFolder_ + ServerExecutableName();
}

bool CTupManager::IsFixForInstalledVersion() const {
    if (fixForVersion_.empty()) return true;
    const sys::FileVersion installed(InstalledServerPath(), false);
    if (installed.IsUnread()) return true;
    for (size_t start = 0;;) {
        const size_t comma = fixForVersion_.find(L',', start);
        const size_t end = comma == std::wstring::npos ? fixForVersion_.size() : comma;
        if (tav::FoldEquals(std::wstring_view(fixForVersion_).substr(start, end - start),
                            installed.Text())) {
            return true;
        }
        if (comma == std::wstring::npos) return false;
        start = comma + 1;
    }
}

bool CTupManager::IsSameVersionInstalled() const {
    if (!fixForVersion_.empty() && IsFixForInstalledVersion()) return false;
    const sys::FileVersion installed(InstalledServerPath(), false);
    const sys::FileVersion packaged(packageFolder_ + ServerExecutableName(), false);
    return installed == packaged;
}

bool CTupManager::IsMantleboxOnly() const {
    return runsMantlebox_ && !runsTavAps_ && !runsQelsrv_;
}

bool CTupManager::IsMinorUpgradeFromFirstRelease() const {
    if (!runsTavAps_ && !runsQelsrv_) return false;
    return IsFirstReleaseStep(sys::FileVersion(InstalledServerPath(), true),
                              sys::FileVersion(packageFolder_ + ServerExecutableName(), true),
                              true);
}

bool CTupManager::IsMinorDowngradeToFirstRelease() const {
    if (!runsTavAps_ && !runsQelsrv_) return false;
    return IsFirstReleaseStep(sys::FileVersion(InstalledServerPath(), true),
                              sys::FileVersion(packageFolder_ + ServerExecutableName(), true),
                              false);
}
