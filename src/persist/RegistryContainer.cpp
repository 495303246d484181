// Moving containers to and from registry keys.
#include <cstring>

#include "base/WideText.h"
#include "persist/ObjContainer.h"
#include "system/Machine.h"

namespace {

constexpr size_t kReadPathChars = 512;     // path buffer when reading, with its zero
constexpr size_t kWritePathChars = 256;    // path buffer when writing, with its zero
constexpr size_t kNameChars = 512;         // subkey and value names, with their zero
constexpr size_t kValueDataBytes = 20480;  // data of one value read
constexpr size_t kMultiStringBytes = 61440;
constexpr std::wstring_view kDefaultValueName = L"$(RegistryDefault)";

// Splits "ROOT\sub\path" into its root key and subkey path; false without a backslash.
bool SplitPath(const std::wstring& path, sys::RegistryRoot& root, std::wstring& subkey) {
    const size_t slash = path.find(L'\\');
    if (slash == std::wstring::npos) return false;
    const std::wstring_view name(path.data(), slash);
    if (name == L"HKEY_CLASSES_ROOT") {
        root = sys::RegistryRoot::ClassesRoot;
    } else if (name == L"HKEY_CURRENT_USER") {
        root = sys::RegistryRoot::CurrentUser;
    } else if (name == L"HKEY_USERS") {
        root = sys::RegistryRoot::Users;
    } else {
        root = sys::RegistryRoot::LocalMachine;  // every other root name means the machine
    }
    subkey = path.substr(slash + 1);
    return true;
}

sys::RegistryView ViewOf(bool view64) {
    return view64 ? sys::RegistryView::Bits64 : sys::RegistryView::Bits32;
}

OCStringListValue ReadMultiString(const std::vector<uint8_t>& data) {
    OCStringListValue list;
    const size_t units = data.size() / 2;
    size_t start = 0;
    for (size_t i = 0; i <= units; ++i) {
        const bool end = i == units || (data[2 * i] == 0 && data[2 * i + 1] == 0);
        if (!end) continue;
        if (i == start) break;  // the first empty string ends the list
        list.push_back(tav::FromUtf16Le(data.data() + 2 * start, 2 * (i - start)));
        start = i + 1;
    }
    return list;
}

void PutLittleEndian(std::vector<uint8_t>& out, uint64_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

void ObjContainer::LoadFromRegistry(const std::wstring& path, bool recurse, int depth,
                                    bool view64) {
    if (path.size() >= kReadPathChars) return;
    sys::RegistryRoot root;
    std::wstring subkey;
    if (!SplitPath(path, root, subkey)) return;
    auto key = sys::CurrentMachine().registry->OpenKey(root, subkey, ViewOf(view64),
                                                       sys::RegistryAccess::Read);
    if (!key) return;

    if (recurse && (depth == -1 || depth >= 1)) {
        const int below = depth == -1 ? -1 : depth - 1;
        std::wstring name;
        for (uint32_t i = 0; key->EnumSubkey(i, kNameChars, name); ++i) {
            auto sub = std::make_unique<ObjContainer>();
            sub->LoadFromRegistry(path + L'\\' + name, recurse, below, view64);
            SetContainer(name, std::move(sub));
        }
    }

    sys::RegistryValue value;
    for (uint32_t i = 0; key->EnumValue(i, kNameChars, kValueDataBytes, value); ++i) {
        const auto& data = value.data;
        switch (value.type) {
            case sys::RegType::String:
            case sys::RegType::ExpandString:
                SetString(value.name.empty() ? kDefaultValueName : std::wstring_view(value.name),
                          tav::FromUtf16Le(data.data(), data.size()));
                break;
            case sys::RegType::Binary:
                SetBuffer(value.name, data.data(), data.size());
                break;
            case sys::RegType::Dword: {
                uint32_t number = 0;
                for (size_t b = 0; b < 4 && b < data.size(); ++b) number |= uint32_t(data[b]) << (8 * b);
                SetUnsignedLong(value.name, number);
                break;
            }
            case sys::RegType::MultiString:
                SetStringList(value.name, ReadMultiString(data));
                break;
            default:
                break;
        }
    }
}

void ObjContainer::SaveToRegistry(const std::wstring& path, bool view64) const {
    if (Count() == 0 || path.size() >= kWritePathChars) return;
    sys::RegistryRoot root;
    std::wstring subkey;
    if (!SplitPath(path, root, subkey)) return;
    auto key = sys::CurrentMachine().registry->CreateKey(root, subkey, ViewOf(view64));
    if (!key) return;

    std::vector<uint8_t> data;
    for (size_t i = 0; i < Count(); ++i) {
        const Entry& entry = At(i);
        data.clear();
        switch (entry.kind) {
            case OCString: {
                tav::AppendUtf16Le(data, *entry.Text());
                PutLittleEndian(data, 0, 2);
                const bool isDefault = tav::FoldEquals(entry.name, kDefaultValueName);
                key->SetValue(isDefault ? std::wstring() : entry.name, sys::RegType::String,
                              data.data(), data.size());
                break;
            }
            case OCBuffer:
                key->SetValue(entry.name, sys::RegType::Binary, entry.Bytes()->data(),
                              entry.Bytes()->size());
                break;
            case OCUnsignedLong:
                PutLittleEndian(data, *entry.Number(), 4);
                key->SetValue(entry.name, sys::RegType::Dword, data.data(), data.size());
                break;
            case OCDateTime:
                PutLittleEndian(data, *entry.Raw(), 4);
                key->SetValue(entry.name, sys::RegType::Dword, data.data(), data.size());
                break;
            case OCDouble:
            case OCDateTimeEx:
                PutLittleEndian(data, *entry.Raw(), 8);
                key->SetValue(entry.name, sys::RegType::Binary, data.data(), data.size());
                break;
            case OCContainer:
                if (const ObjContainer* sub = entry.Container()) {
                    sub->SaveToRegistry(path + L'\\' + entry.name, view64);
                }
                break;
            case OCStringList: {
                const OCStringListValue* list = entry.List();
                if (list) {
                    for (const auto& item : *list) {
                        tav::AppendUtf16Le(data, item);
                        PutLittleEndian(data, 0, 2);
                    }
                    PutLittleEndian(data, 0, 2);
                }
                // A list too long for the value buffer is not written.
                if (data.size() <= kMultiStringBytes) {
                    key->SetValue(entry.name, sys::RegType::MultiString, data.data(), data.size());
                }
                break;
            }
            case OCNone:
                break;
        }
    }
}
