// A token that a module defines.
#include "updater/TupToken.h"

#include <string_view>

#include "base/WideText.h"
#include "system/Machine.h"
#include "system/Service.h"

namespace {

constexpr size_t kValueNameChars = 16384;  // the longest value name Windows allows, with its zero
// Enumeration reads every value of the key into this buffer before the wanted one is found.
constexpr size_t kEnumDataBytes = 65536;
constexpr size_t kMaxValueBytes = 1024;    // a longer value does not count

// The REG_SZ value "ROOT\subkey\value" of the 32-bit view; false when there is none.
bool ReadRegistryString(const std::wstring& path, std::wstring& text) {
    const size_t first = path.find(L'\\');
    const size_t last = path.rfind(L'\\');
    if (first == std::wstring::npos || first == last) return false;
    const std::wstring_view rootName(path.data(), first);
    sys::RegistryRoot root = sys::RegistryRoot::LocalMachine;  // every other root name
    if (rootName == L"HKEY_CLASSES_ROOT") {
        root = sys::RegistryRoot::ClassesRoot;
    } else if (rootName == L"HKEY_CURRENT_USER") {
        root = sys::RegistryRoot::CurrentUser;
    } else if (rootName == L"HKEY_USERS") {
        root = sys::RegistryRoot::Users;
    }
    const std::wstring subkey = path.substr(first + 1, last - first - 1);
    const std::wstring valueName = path.substr(last + 1);

    auto key = sys::CurrentMachine().registry->OpenKey(root, subkey, sys::RegistryView::Bits32,
                                                       sys::RegistryAccess::Read);
    if (!key) return false;
    sys::RegistryValue value;
    for (uint32_t index = 0; key->EnumValue(index, kValueNameChars, kEnumDataBytes, value); ++index) {
        if (!tav::FoldEquals(value.name, valueName)) continue;
        if (value.type != sys::RegType::String || value.data.size() > kMaxValueBytes) return false;
        text = tav::FromUtf16Le(value.data.data(), value.data.size());
        return true;
    }
    return false;
}

// The folder of the program that a service runs, from its configured image path.
bool ReadServiceFolder(const std::wstring& name, std::wstring& folder) {
    ServMon::CService* service = ServMon::CreateServiceByName(name);
    if (!service) return false;
    // Quotes and arguments around the program's path are not part of its folder.
    const std::wstring path = ServMon::ProgramPathOf(service->GetBinaryPath());
    service->Release();
    const size_t slash = path.rfind(L'\\');
    folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    return true;
}

}  // namespace

void CTupToken::Exchange(ObjContainer* container, bool isLoading) {
    if (!container) return;
    if (isLoading) {
        container->GetString(L"Name", name_);
        container->GetString(L"ServiceLocation", serviceLocation_);
        container->GetString(L"RegKeyValue", regKeyValue_);
        container->GetString(L"EnvironmentVariable", environmentVariable_);
        container->GetString(L"Path", path_);
    } else {
        container->SetString(L"Name", name_);
        container->SetString(L"ServiceLocation", serviceLocation_);
        container->SetString(L"RegKeyValue", regKeyValue_);
        container->SetString(L"EnvironmentVariable", environmentVariable_);
        container->SetString(L"Path", path_);
    }
}

std::wstring CTupToken::GetValue() const {
    if (!path_.empty()) return path_;
    std::wstring value;
    if (!environmentVariable_.empty() &&
        sys::CurrentMachine().environment->GetVariable(environmentVariable_, value)) {
        return value;
    }
    if (!regKeyValue_.empty() && ReadRegistryString(regKeyValue_, value)) return value;
    if (!serviceLocation_.empty() && ReadServiceFolder(serviceLocation_, value)) return value;
    return std::wstring();
}
