// What derived updaters ask of the machine: folders, registry defaults and access lists.
#include <algorithm>
#include <string>
#include <vector>

#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "persist/ObjContainer.h"
#include "system/Machine.h"
#include "updater/TupModuleUpdater.h"

bool CTupModuleUpdater::FolderExists(const std::wstring& path) const {
    return sys::IsExistingFolder(*sys::CurrentMachine().files, path);
}

bool CTupModuleUpdater::CreateFolders(const std::wstring& root, const std::wstring& relative) const {
    sys::IFiles& files = *sys::CurrentMachine().files;
    size_t start = 0;
    while (start < relative.size()) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos) end = relative.size();
        // An empty segment (after a trailing backslash) names no new folder.
        if (end > start) {
            const std::wstring folder = root + relative.substr(0, end);
            if (!sys::IsExistingFolder(files, folder)) {
                const sys::CreateFolderResult result = files.CreateFolder(folder);
                // Someone else may have made it meanwhile; a file of that name does not count.
                if (result == sys::CreateFolderResult::Failed ||
                    (result == sys::CreateFolderResult::AlreadyExists &&
                     !sys::IsExistingFolder(files, folder))) {
                    return false;
                }
            }
        }
        start = end + 1;
    }
    return true;
}

bool CTupModuleUpdater::CreateFolderForPath(const std::wstring& path) const {
    Report(tav::kTextCreatingFolder, path);
    const size_t slash = path.find(L'\\');
    const bool created = slash != std::wstring::npos &&
                         CreateFolders(path.substr(0, slash + 1), path.substr(slash + 1));
    Report(created ? tav::kTextFolderCreated : tav::kTextFolderNotCreated);
    return created;
}

void CTupModuleUpdater::EnsureRegistryValue(const std::wstring& keyPath,
                                            const std::wstring& valueName,
                                            const std::wstring& defaultValue, std::wstring& value,
                                            bool& written) const {
    const std::wstring name = keyPath + L"\\" + valueName;
    written = false;
    Report(tav::kTextCheckingRegistryValue, name);
    value.clear();
    {
        ObjContainer key;
        key.LoadFromRegistry(keyPath, false, -1, false);
        key.GetString(valueName, value);
    }
    if (value.empty()) {
        Report(tav::kTextRegistryValueEmpty, name);
        Report(tav::kTextWritingRegistryValue, name);
        ObjContainer defaults;
        defaults.SetString(valueName, defaultValue);
        defaults.SaveToRegistry(keyPath, false);
        written = true;
        ObjContainer key;
        key.LoadFromRegistry(keyPath, false, -1, false);
        key.GetString(valueName, value);
    }
    Report(tav::kTextRegistryValue, name + L" = \"" + value + L"\"");
}

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The folder a path names, for comparing: without a "\\?\" or "\\.\" prefix, "." and ".."
// segments resolved, the blanks and dots Windows drops from the end of a name dropped, no
// separator at the end, letters A to Z in lower case. atRoot tells whether it names a drive or
// share root ("c:", "\\server\share", or a single backslash for the current drive's).
std::wstring ComparableFolder(std::wstring path, bool* atRoot = nullptr) {
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    path = tav::FoldLower(path);
    if (path.rfind(L"\\\\?\\unc\\", 0) == 0 || path.rfind(L"\\\\.\\unc\\", 0) == 0) {
        path.replace(0, 8, L"\\\\");
    } else if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) {
        path.erase(0, 4);
    }
    size_t start = 0;
    std::wstring root;
    if (path.size() >= 2 && path[1] == L':') {
        root = path.substr(0, 2);
        start = 2;
    } else if (path.rfind(L"\\\\", 0) == 0) {
        // A share root is the server and share names.
        size_t end = 2;
        for (int part = 0; part < 2; ++part) {
            while (end < path.size() && !IsSeparator(path[end])) ++end;
            if (part == 0 && end < path.size()) ++end;
        }
        root = path.substr(0, end);
        start = end;
    } else if (!path.empty() && IsSeparator(path[0])) {
        root = L"\\";
    }
    std::vector<std::wstring> segments;
    while (start < path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        std::wstring segment = path.substr(start, end - start);
        if (segment == L"..") {
            if (!segments.empty()) segments.pop_back();
        } else {
            while (!segment.empty() && (segment.back() == L'.' || segment.back() == L' ')) {
                segment.pop_back();
            }
            if (!segment.empty()) segments.push_back(std::move(segment));
        }
        start = end + 1;
    }
    if (atRoot) *atRoot = !root.empty() && segments.empty();
    std::wstring folder = root;
    for (const std::wstring& segment : segments) folder += L"\\" + segment;
    return folder;
}

// "\\?\Volume{...}\", "\\.\HarddiskVolume1\" and other paths of the device name space: the
// folder they name cannot be told from their text.
bool IsDevicePath(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    if (path.rfind(L"\\\\?\\", 0) != 0 && path.rfind(L"\\\\.\\", 0) != 0) return false;
    const std::wstring rest = tav::FoldLower(path.substr(4));
    const bool drive = rest.size() >= 2 && rest[1] == L':';
    return !drive && rest.rfind(L"unc\\", 0) != 0;
}

// Shell folder ids of the program files folders and the folder of every user's program data.
constexpr int kProgramFilesFolder = 0x26;
constexpr int kProgramFilesX86Folder = 0x2a;
constexpr int kCommonAppDataFolder = 0x23;

// The folders of every program and of every user's program data, as the environment and the
// shell name them and at their usual place on the drives of the Windows folders.
std::vector<std::wstring> SharedProgramFolders(const std::vector<std::wstring>& windowsFolders) {
    sys::Machine& machine = sys::CurrentMachine();
    std::vector<std::wstring> folders;
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432",
                                L"ProgramData", L"ALLUSERSPROFILE"}) {
        std::wstring value;
        if (machine.environment->GetVariable(name, value) && !value.empty()) folders.push_back(value);
    }
    for (int id : {kProgramFilesFolder, kProgramFilesX86Folder, kCommonAppDataFolder}) {
        std::wstring value;
        if (machine.shell && machine.shell->GetSpecialFolder(id, false, value) && !value.empty()) {
            folders.push_back(value);
        }
    }
    for (const std::wstring& windows : windowsFolders) {
        if (windows.size() < 2 || windows[1] != L':') continue;
        for (const wchar_t* name : {L"\\Program Files", L"\\Program Files (x86)", L"\\ProgramData"}) {
            folders.push_back(windows.substr(0, 2) + name);
        }
    }
    return folders;
}

// Whether path is a drive or share root, a device path, the Windows folder, a system folder
// (of either view), a program files folder or the program data folder: opening one of them to
// every user would open the whole system or every installed program.
bool IsSystemWideFolder(const std::wstring& path) {
    if (IsDevicePath(path)) return true;
    bool atRoot = false;
    const std::wstring folder = ComparableFolder(path, &atRoot);
    if (atRoot) return true;
    sys::Machine& machine = sys::CurrentMachine();
    std::vector<std::wstring> windowsFolders;
    const std::wstring systemFolder = machine.operatingSystem->SystemFolder();
    if (!systemFolder.empty()) windowsFolders.push_back(systemFolder + L"\\..");
    std::wstring systemRoot;
    if (machine.environment->GetVariable(L"SYSTEMROOT", systemRoot) && !systemRoot.empty()) {
        windowsFolders.push_back(systemRoot);
    }
    std::vector<std::wstring> refused;
    if (!systemFolder.empty()) refused.push_back(systemFolder);
    for (const std::wstring& windows : windowsFolders) {
        refused.push_back(windows);
        refused.push_back(windows + L"\\system32");
        refused.push_back(windows + L"\\syswow64");
    }
    for (std::wstring& shared : SharedProgramFolders(windowsFolders)) {
        refused.push_back(std::move(shared));
    }
    return std::any_of(refused.begin(), refused.end(), [&](const std::wstring& other) {
        return ComparableFolder(other) == folder;
    });
}

}  // namespace

sys::AccessList CTupModuleUpdater::WithEveryoneFullAccess(const sys::AccessList& old) {
    sys::AccessEntry everyone;
    everyone.type = sys::AccessEntry::kAllowed;
    everyone.flags = sys::AccessEntry::kObjectInherit | sys::AccessEntry::kContainerInherit;
    everyone.mask = sys::AccessEntry::kModify;
    everyone.sid = kEveryoneSid;
    sys::AccessList list = old;
    if (std::find(list.begin(), list.end(), everyone) == list.end()) list.push_back(everyone);
    return list;
}

bool CTupModuleUpdater::GrantEveryoneFullAccess(const std::wstring& path) const {
    Report(tav::kTextGrantingFullAccess, path);
    if (IsSystemWideFolder(path)) {
        Report(tav::kTextFullAccessNotGranted);
        return false;
    }
    sys::IFiles& files = *sys::CurrentMachine().files;
    // Without the old list nothing is written: the new one would drop its entries.
    sys::AccessList old;
    bool granted = files.ReadAccessList(path, old);
    if (granted) {
        const sys::AccessList wanted = WithEveryoneFullAccess(old);
        // A grant made before is not made again.
        if (wanted != old) granted = files.WriteAccessList(path, wanted);
    }
    Report(granted ? tav::kTextFullAccessGranted : tav::kTextFullAccessNotGranted);
    return granted;
}
