// What derived updaters ask of the machine: folders, registry defaults and access lists.
#include "app/lang/TextIds.h"
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

sys::AccessList CTupModuleUpdater::WithEveryoneFullAccess(const sys::AccessList& old) {
    sys::AccessList list = old;
    sys::AccessEntry everyone;
    everyone.type = sys::AccessEntry::kAllowed;
    everyone.flags = sys::AccessEntry::kObjectInherit | sys::AccessEntry::kContainerInherit;
    everyone.mask = sys::AccessEntry::kGenericAll;
    everyone.sid = kEveryoneSid;
    list.push_back(everyone);
    return list;
}

bool CTupModuleUpdater::GrantEveryoneFullAccess(const std::wstring& path) const {
    Report(tav::kTextGrantingFullAccess, path);
    sys::IFiles& files = *sys::CurrentMachine().files;
    // Without the old list nothing is written: the new one would drop its entries.
    sys::AccessList old;
    const bool granted =
        files.ReadAccessList(path, old) && files.WriteAccessList(path, WithEveryoneFullAccess(old));
    Report(granted ? tav::kTextFullAccessGranted : tav::kTextFullAccessNotGranted);
    return granted;
}
