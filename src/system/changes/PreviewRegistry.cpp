// The preview machine's registry: keys are only read below; made keys and written values are
// laid over them and noted.
#include <algorithm>

#include "base/WideText.h"
#include "system/changes/PreviewMachine.h"

namespace sys {

namespace {

constexpr size_t kNameChars = 16384;
constexpr size_t kDataBytes = 1 << 20;

std::wstring Trimmed(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

bool Fits(const RegistryValue& value, size_t nameBufferChars, size_t dataBufferBytes) {
    return value.name.size() < nameBufferChars && value.data.size() <= dataBufferBytes;
}

}  // namespace

// A key as below (if there) with this preview's values and subkeys added.
class CPreviewMachine::Registry::Key final : public IRegistryKey {
public:
    Key(Registry& registry, std::unique_ptr<IRegistryKey> below, RegistryRoot root,
        std::wstring path, RegistryView view)
        : registry_(registry), below_(std::move(below)), root_(root), path_(Trimmed(std::move(path))),
          view_(view) {}

    bool EnumSubkey(uint32_t index, size_t nameBufferChars, std::wstring& name) override {
        std::vector<std::wstring> names;
        std::wstring found;
        for (uint32_t i = 0; below_ && below_->EnumSubkey(i, kNameChars, found); ++i) {
            names.push_back(found);
        }
        {
            const std::wstring prefix = std::get<2>(WhereOf(root_, view_, path_)) + L"\\";
            std::lock_guard<std::mutex> guard(registry_.mutex_);
            for (const auto& [where, laid] : registry_.keys_) {
                const std::wstring& key = std::get<2>(where);
                if (!laid.created || std::get<0>(where) != root_ || std::get<1>(where) != view_ ||
                    key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0 ||
                    key.find(L'\\', prefix.size()) != std::wstring::npos) {
                    continue;
                }
                const std::wstring name = laid.spelled.substr(laid.spelled.find_last_of(L'\\') + 1);
                const bool listed = std::any_of(names.begin(), names.end(), [&](const std::wstring& n) {
                    return tav::FoldEquals(n, name);
                });
                if (!listed) names.push_back(name);
            }
        }
        if (index >= names.size() || names[index].size() >= nameBufferChars) return false;
        name = names[index];
        return true;
    }

    bool EnumValue(uint32_t index, size_t nameBufferChars, size_t dataBufferBytes,
                   RegistryValue& value) override {
        const std::vector<RegistryValue> values = Values(nameBufferChars, dataBufferBytes);
        if (index >= values.size() || !Fits(values[index], nameBufferChars, dataBufferBytes)) {
            return false;
        }
        value = values[index];
        return true;
    }

    bool SetValue(const std::wstring& name, uint32_t type, const uint8_t* data,
                  size_t bytes) override {
        WrittenValue written =
            NoteOfWrite(root_, path_, view_, name, type, data, bytes, Values(kNameChars, kDataBytes));
        written.written = true;
        {
            std::lock_guard<std::mutex> guard(registry_.mutex_);
            std::vector<RegistryValue>& laid = registry_.keys_[WhereOf(root_, view_, path_)].values;
            const auto same = std::find_if(laid.begin(), laid.end(), [&](const RegistryValue& v) {
                return tav::FoldEquals(v.name, name);
            });
            RegistryValue value{name, type, written.data};
            if (same != laid.end()) {
                *same = std::move(value);
            } else {
                laid.push_back(std::move(value));
            }
        }
        registry_.owner_.Note(std::move(written));
        return true;
    }

private:
    // The values below in their order, each replaced by this preview's value of that name,
    // then this preview's new values. Below is read with the caller's buffers, so a value
    // too large for them ends the list there as it would without the preview.
    std::vector<RegistryValue> Values(size_t nameBufferChars, size_t dataBufferBytes) {
        std::vector<RegistryValue> values;
        RegistryValue value;
        for (uint32_t i = 0; below_ && below_->EnumValue(i, nameBufferChars, dataBufferBytes, value); ++i) {
            values.push_back(value);
        }
        std::lock_guard<std::mutex> guard(registry_.mutex_);
        const auto laid = registry_.keys_.find(WhereOf(root_, view_, path_));
        if (laid == registry_.keys_.end()) return values;
        for (const RegistryValue& written : laid->second.values) {
            const auto same = std::find_if(values.begin(), values.end(), [&](const RegistryValue& v) {
                return tav::FoldEquals(v.name, written.name);
            });
            if (same != values.end()) {
                *same = written;
            } else {
                values.push_back(written);
            }
        }
        return values;
    }

    Registry& registry_;
    std::unique_ptr<IRegistryKey> below_;
    RegistryRoot root_;
    std::wstring path_;
    RegistryView view_;
};

CPreviewMachine::Registry::Where CPreviewMachine::Registry::WhereOf(RegistryRoot root,
                                                                    RegistryView view,
                                                                    const std::wstring& path) {
    return {root, view, tav::FoldUpper(Trimmed(path))};
}

std::unique_ptr<IRegistryKey> CPreviewMachine::Registry::OpenKey(RegistryRoot root,
                                                                 const std::wstring& path,
                                                                 RegistryView view,
                                                                 RegistryAccess) {
    return Open(root, path, view, false);
}

std::unique_ptr<IRegistryKey> CPreviewMachine::Registry::CreateKey(RegistryRoot root,
                                                                   const std::wstring& path,
                                                                   RegistryView view) {
    return Open(root, path, view, true);
}

std::unique_ptr<IRegistryKey> CPreviewMachine::Registry::Open(RegistryRoot root,
                                                              const std::wstring& path,
                                                              RegistryView view, bool create) {
    // Below is only ever read, whatever the caller means to do.
    std::unique_ptr<IRegistryKey> below = below_.OpenKey(root, path, view, RegistryAccess::Read);
    if (!below) {
        std::lock_guard<std::mutex> guard(mutex_);
        const auto laid = keys_.find(WhereOf(root, view, path));
        const bool made = laid != keys_.end() && laid->second.created;
        if (!made && !create) return nullptr;
        if (!made) {
            // The key and every missing key above it come into being.
            const std::wstring trimmed = Trimmed(path);
            for (size_t end = 0; end != std::wstring::npos;) {
                end = trimmed.find(L'\\', end + 1);
                const std::wstring upTo = trimmed.substr(0, end);
                Laid& key = keys_[WhereOf(root, view, upTo)];
                if (key.created || below_.OpenKey(root, upTo, view, RegistryAccess::Read)) continue;
                key.created = true;
                key.spelled = upTo;
            }
            owner_.NoteChange(PreviewChange{L"create registry key",
                                      std::wstring(RegistryRootName(root)) + L"\\" + trimmed, L""});
        }
    }
    return std::make_unique<Key>(*this, std::move(below), root, path, view);
}

}  // namespace sys
