// An in-memory registry with separate 32- and 64-bit views, for native tests.
#include "fakes/FakeRegistry.h"

#include "base/WideText.h"

namespace fakes {
namespace {

std::vector<std::wstring> SplitPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find(L'\\', start);
        const size_t end = slash == std::wstring::npos ? path.size() : slash;
        if (end > start) parts.push_back(path.substr(start, end - start));
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
    return parts;
}

FakeRegistry::Node* Child(FakeRegistry::Node* node, const std::wstring& name) {
    for (auto& sub : node->subkeys) {
        if (tav::FoldEquals(sub->name, name)) return sub.get();
    }
    return nullptr;
}

class FakeKey final : public sys::IRegistryKey {
public:
    FakeKey(FakeRegistry::Node* node, FakeRegistry* owner, bool writable)
        : node_(node), owner_(owner), writable_(writable) {}

    bool EnumSubkey(uint32_t index, size_t nameBufferChars, std::wstring& name) override {
        if (index >= node_->subkeys.size()) return false;
        const auto& sub = node_->subkeys[index]->name;
        if (sub.size() + 1 > nameBufferChars) return false;
        name = sub;
        return true;
    }

    bool EnumValue(uint32_t index, size_t nameBufferChars, size_t dataBufferBytes,
                   sys::RegistryValue& value) override {
        if (index >= node_->values.size()) return false;
        const auto& v = node_->values[index];
        if (v.name.size() + 1 > nameBufferChars || v.data.size() > dataBufferBytes) return false;
        value = v;
        return true;
    }

    bool SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                  size_t bytes) override {
        if (!writable_) return false;
        ++owner_->writes;
        std::vector<uint8_t> copy(data, data + bytes);
        for (auto& v : node_->values) {
            if (tav::FoldEquals(v.name, name)) {
                v.type = type;
                v.data = std::move(copy);
                return true;
            }
        }
        node_->values.push_back(sys::RegistryValue{name, type, std::move(copy)});
        return true;
    }

private:
    FakeRegistry::Node* node_;
    FakeRegistry* owner_;
    bool writable_;
};

}  // namespace

std::vector<uint8_t> RegString(const std::wstring& text) {
    std::vector<uint8_t> data;
    tav::AppendUtf16Le(data, text);
    data.push_back(0);
    data.push_back(0);
    return data;
}

FakeRegistry::Node* FakeRegistry::Find(sys::RegistryRoot root, const std::wstring& path,
                                       sys::RegistryView view) const {
    auto it = roots_.find({root, view});
    if (it == roots_.end()) return nullptr;
    Node* node = it->second.get();
    for (const auto& part : SplitPath(path)) {
        node = Child(node, part);
        if (!node) return nullptr;
    }
    return node;
}

FakeRegistry::Node* FakeRegistry::Make(sys::RegistryRoot root, const std::wstring& path,
                                       sys::RegistryView view) {
    auto& top = roots_[{root, view}];
    if (!top) top = std::make_unique<Node>();
    Node* node = top.get();
    for (const auto& part : SplitPath(path)) {
        Node* next = Child(node, part);
        if (!next) {
            node->subkeys.push_back(std::make_unique<Node>());
            next = node->subkeys.back().get();
            next->name = part;
        }
        node = next;
    }
    return node;
}

std::unique_ptr<sys::IRegistryKey> FakeRegistry::OpenKey(sys::RegistryRoot root,
                                                         const std::wstring& path,
                                                         sys::RegistryView view,
                                                         sys::RegistryAccess access) {
    Node* node = Find(root, path, view);
    if (!node) return nullptr;
    return std::make_unique<FakeKey>(node, this, access == sys::RegistryAccess::Write);
}

std::unique_ptr<sys::IRegistryKey> FakeRegistry::CreateKey(sys::RegistryRoot root,
                                                           const std::wstring& path,
                                                           sys::RegistryView view) {
    return std::make_unique<FakeKey>(Make(root, path, view), this, true);
}

void FakeRegistry::Put(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view,
                       const std::wstring& name, uint32_t type, std::vector<uint8_t> data) {
    Node* node = Make(root, path, view);
    for (auto& v : node->values) {
        if (tav::FoldEquals(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    }
    node->values.push_back(sys::RegistryValue{name, type, std::move(data)});
}

void FakeRegistry::PutString(sys::RegistryRoot root, const std::wstring& path,
                             sys::RegistryView view, const std::wstring& name,
                             const std::wstring& text, uint32_t type) {
    Put(root, path, view, name, type, RegString(text));
}

void FakeRegistry::PutDword(sys::RegistryRoot root, const std::wstring& path,
                            sys::RegistryView view, const std::wstring& name, uint32_t value) {
    std::vector<uint8_t> data;
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(value >> (8 * i)));
    Put(root, path, view, name, sys::RegType::Dword, std::move(data));
}

void FakeRegistry::Remove(sys::RegistryRoot root, const std::wstring& path, sys::RegistryView view,
                          const std::wstring& name) {
    Node* node = Find(root, path, view);
    if (!node) return;
    auto& values = node->values;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (tav::FoldEquals(it->name, name)) {
            values.erase(it);
            return;
        }
    }
}

void FakeRegistry::PutMultiString(sys::RegistryRoot root, const std::wstring& path,
                                  sys::RegistryView view, const std::wstring& name,
                                  const std::vector<std::wstring>& items) {
    std::vector<uint8_t> data;
    for (const auto& item : items) {
        tav::AppendUtf16Le(data, item);
        data.push_back(0);
        data.push_back(0);
    }
    data.push_back(0);
    data.push_back(0);
    Put(root, path, view, name, sys::RegType::MultiString, std::move(data));
}

const sys::RegistryValue* FakeRegistry::Get(sys::RegistryRoot root, const std::wstring& path,
                                            sys::RegistryView view,
                                            const std::wstring& name) const {
    Node* node = Find(root, path, view);
    if (!node) return nullptr;
    for (const auto& v : node->values) {
        if (tav::FoldEquals(v.name, name)) return &v;
    }
    return nullptr;
}

bool FakeRegistry::KeyExists(sys::RegistryRoot root, const std::wstring& path,
                             sys::RegistryView view) const {
    return Find(root, path, view) != nullptr;
}

}  // namespace fakes
