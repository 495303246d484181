// An in-memory registry with separate 32- and 64-bit views, for native tests.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "system/Registry.h"

namespace fakes {

class FakeRegistry final : public sys::IRegistry {
public:
    struct Node {
        std::wstring name;
        std::vector<sys::RegistryValue> values;              // in creation order
        std::vector<std::unique_ptr<Node>> subkeys;          // in creation order
    };

    std::unique_ptr<sys::IRegistryKey> OpenKey(sys::RegistryRoot root, const std::wstring& path,
                                               sys::RegistryView view,
                                               sys::RegistryAccess access) override;
    std::unique_ptr<sys::IRegistryKey> CreateKey(sys::RegistryRoot root, const std::wstring& path,
                                                 sys::RegistryView view) override;

    // Test set-up and inspection; paths are "sub\key" below the root, names case-insensitive.
    void Put(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view,
             const std::wstring& name, uint32_t type, std::vector<uint8_t> data);
    void PutString(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view,
                   const std::wstring& name, const std::wstring& text,
                   uint32_t type = sys::RegType::String);
    void PutDword(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view,
                  const std::wstring& name, uint32_t value);
    void PutMultiString(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view,
                        const std::wstring& name, const std::vector<std::wstring>& items);
    const sys::RegistryValue* Get(sys::RegistryRoot root, const std::wstring& path,
                                  sys::RegistryView view, const std::wstring& name) const;
    void Remove(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view,
                const std::wstring& name);
    bool KeyExists(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view) const;

    // Number of SetValue calls that reached the registry.
    int writes = 0;

private:
    Node* Find(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view) const;
    Node* Make(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view);

    std::map<std::pair<sys::RegistryRoot, sys::RegistryView>, std::unique_ptr<Node>> roots_;
};

// UTF-16LE bytes of a text with its terminating zero, as Windows stores a REG_SZ.
std::vector<uint8_t> RegString(const std::wstring& text);

}  // namespace fakes
