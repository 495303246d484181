// The registry of Windows, every call in an explicit 32- or 64-bit view.
#include "system/win32/Win32Registry.h"

#include <windows.h>

#include <vector>

namespace sys::win32 {
namespace {

HKEY RootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
        case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
        case RegistryRoot::Users: return HKEY_USERS;
        case RegistryRoot::LocalMachine: break;
    }
    return HKEY_LOCAL_MACHINE;
}

REGSAM ViewFlag(RegistryView view) {
    return view == RegistryView::Bits64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

class Win32RegistryKey final : public IRegistryKey {
public:
    explicit Win32RegistryKey(HKEY key) : key_(key) {}
    ~Win32RegistryKey() override { RegCloseKey(key_); }
    Win32RegistryKey(const Win32RegistryKey&) = delete;
    Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

    bool EnumSubkey(uint32_t index, size_t nameBufferChars, std::wstring& name) override {
        if (nameBufferChars == 0) return false;
        std::vector<wchar_t> buffer(nameBufferChars);
        DWORD length = static_cast<DWORD>(nameBufferChars);
        if (RegEnumKeyExW(key_, index, buffer.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            return false;
        }
        name.assign(buffer.data(), length);
        return true;
    }

    bool EnumValue(uint32_t index, size_t nameBufferChars, size_t dataBufferBytes,
                   RegistryValue& value) override {
        if (nameBufferChars == 0) return false;
        std::vector<wchar_t> nameBuffer(nameBufferChars);
        DWORD nameLength = static_cast<DWORD>(nameBufferChars);
        value.data.resize(dataBufferBytes);
        DWORD dataLength = static_cast<DWORD>(dataBufferBytes);
        DWORD type = 0;
        if (RegEnumValueW(key_, index, nameBuffer.data(), &nameLength, nullptr, &type,
                          value.data.data(), &dataLength) != ERROR_SUCCESS) {
            value.data.clear();
            return false;
        }
        value.name.assign(nameBuffer.data(), nameLength);
        value.type = type;
        value.data.resize(dataLength);
        return true;
    }

    bool SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                  size_t bytes) override {
        return RegSetValueExW(key_, name.empty() ? nullptr : name.c_str(), 0, type, data,
                              static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
    }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<IRegistryKey> Win32Registry::OpenKey(RegistryRoot root, const std::wstring& path,
                                                     RegistryView view, RegistryAccess access) {
    const REGSAM rights = (access == RegistryAccess::Write ? KEY_WRITE : KEY_READ) | ViewFlag(view);
    HKEY key = nullptr;
    if (RegOpenKeyExW(RootKey(root), path.c_str(), 0, rights, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(key);
}

std::unique_ptr<IRegistryKey> Win32Registry::CreateKey(RegistryRoot root, const std::wstring& path,
                                                       RegistryView view) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE | ViewFlag(view), nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<Win32RegistryKey>(key);
}

}  // namespace sys::win32
