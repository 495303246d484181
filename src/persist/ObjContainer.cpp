// A tree of named, typed values: the one persistence type of the update wizard.
#include "persist/ObjContainer.h"

#include <algorithm>
#include <iterator>

#include "base/WideText.h"

namespace {

// Containers with more entries than this keep a hash index of their names.
constexpr size_t kIndexThreshold = 16;

}  // namespace

const wchar_t* OCKindName(int kind) {
    switch (kind) {
        case OCNone: return L"OCNone";
        case OCString: return L"OCString";
        case OCBuffer: return L"OCBuffer";
        case OCUnsignedLong: return L"OCUnsignedLong";
        case OCContainer: return L"OCContainer";
        case OCStringList: return L"OCStringList";
        case OCDouble: return L"OCDouble";
        case OCDateTime: return L"OCDateTime";
        case OCDateTimeEx: return L"OCDateTimeEx";
    }
    return L"";
}

const ObjContainer* ObjContainer::Entry::Container() const {
    const auto* owned = std::get_if<std::unique_ptr<ObjContainer>>(&value);
    return owned ? owned->get() : nullptr;
}

size_t ObjContainer::FoldedHash::operator()(std::wstring_view s) const { return tav::FoldHash(s); }

bool ObjContainer::FoldedEqual::operator()(std::wstring_view a, std::wstring_view b) const {
    return tav::FoldEquals(a, b);
}

ObjContainer::ObjContainer() = default;
ObjContainer::~ObjContainer() = default;

ObjContainer::Entry* ObjContainer::FindEntry(std::wstring_view name) const {
    if (index_) {
        auto it = index_->find(name);
        return it == index_->end() ? nullptr : it->second;
    }
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (tav::FoldEquals((*it)->name, name)) return it->get();
    }
    return nullptr;
}

const ObjContainer::Entry* ObjContainer::Find(std::wstring_view name) const {
    return FindEntry(name);
}

OCKind ObjContainer::GetType(std::wstring_view name) const {
    const Entry* entry = FindEntry(name);
    return entry ? entry->kind : OCNone;
}

void ObjContainer::GetString(std::wstring_view name, std::wstring& out) const {
    const Entry* entry = FindEntry(name);
    if (entry && entry->kind == OCString) out = *entry->Text();
}

void ObjContainer::GetUnsignedLong(std::wstring_view name, uint32_t& out) const {
    const Entry* entry = FindEntry(name);
    if (entry && entry->kind == OCUnsignedLong) out = *entry->Number();
}

void ObjContainer::GetStringList(std::wstring_view name, OCStringListValue& out) const {
    const Entry* entry = FindEntry(name);
    if (entry && entry->kind == OCStringList && entry->List()) out = *entry->List();
}

ObjContainer* ObjContainer::GetContainer(std::wstring_view name) {
    Entry* entry = FindEntry(name);
    if (!entry || entry->kind != OCContainer) return nullptr;
    return std::get<std::unique_ptr<ObjContainer>>(entry->value).get();
}

const ObjContainer* ObjContainer::GetContainer(std::wstring_view name) const {
    const Entry* entry = FindEntry(name);
    return entry && entry->kind == OCContainer ? entry->Container() : nullptr;
}

void ObjContainer::AddIndexed(Entry* entry) {
    if (index_) {
        index_->emplace(entry->name, entry);
    } else if (entries_.size() > kIndexThreshold) {
        index_ = std::make_unique<Index>();
        index_->reserve(entries_.size() * 2);
        for (const auto& e : entries_) index_->emplace(e->name, e.get());
    }
}

ObjContainer::Entry& ObjContainer::Put(std::wstring_view name, OCKind kind) {
    auto entry = std::make_unique<Entry>();
    entry->name.assign(name);  // before the removal: name may be the old entry's own
    if (uniqueNames_) Remove(entry->name);
    entry->kind = kind;
    Entry* raw = entry.get();
    if (entries_.empty()) entries_.reserve(4);  // most containers hold a handful of entries
    entries_.push_back(std::move(entry));
    AddIndexed(raw);
    return *raw;
}

// Each setter copies its value before the old entry goes: the value may live in that entry.
void ObjContainer::SetString(std::wstring_view name, std::wstring_view text) {
    std::wstring copy(text);
    Put(name, OCString).value = std::move(copy);
}

void ObjContainer::SetUnsignedLong(std::wstring_view name, uint32_t value) {
    Put(name, OCUnsignedLong).value = value;
}

void ObjContainer::SetStringList(std::wstring_view name, const OCStringListValue& list) {
    OCStringListValue copy(list);
    Put(name, OCStringList).value = std::move(copy);
}

void ObjContainer::SetBuffer(std::wstring_view name, const uint8_t* bytes, size_t length) {
    OCBytes copy;
    if (bytes && length) copy.assign(bytes, bytes + length);
    Put(name, OCBuffer).value = std::move(copy);
}

void ObjContainer::SetContainer(std::wstring_view name, std::unique_ptr<ObjContainer> container) {
    if (!container) container = std::make_unique<ObjContainer>();
    Put(name, OCContainer).value = std::move(container);
}

void ObjContainer::AddContainerCopy(std::wstring_view name, const ObjContainer& source) {
    auto copy = std::make_unique<ObjContainer>();
    copy->CopyFrom(source, true);
    SetContainer(name, std::move(copy));
}

bool ObjContainer::Holds(const ObjContainer* other) const {
    for (const auto& e : entries_) {
        const ObjContainer* sub = e->Container();
        if (sub && (sub == other || sub->Holds(other))) return true;
    }
    return false;
}

void ObjContainer::CopyFrom(const ObjContainer& source, bool clearFirst) {
    if (&source == this) return;
    if (Holds(&source)) {
        // The source lives inside this container and could go while it is copied.
        ObjContainer detached;
        detached.CopyFrom(source, true);
        CopyFrom(detached, clearFirst);
        return;
    }
    if (clearFirst) RemoveAll();
    for (const auto& e : source.entries_) {  // oldest first, so the copy keeps the order
        Entry& copy = Put(e->name, e->kind);
        if (const ObjContainer* sub = e->Container()) {
            auto deep = std::make_unique<ObjContainer>();
            deep->CopyFrom(*sub, true);
            copy.value = std::move(deep);
        } else if (e->kind == OCContainer) {
            copy.value = std::make_unique<ObjContainer>();
        } else {
            std::visit(
                [&copy](const auto& v) {
                    using T = std::decay_t<decltype(v)>;
                    if constexpr (!std::is_same_v<T, std::unique_ptr<ObjContainer>>) copy.value = v;
                },
                e->value);
        }
    }
}

void ObjContainer::Remove(std::wstring_view name) {
    Entry* entry = FindEntry(name);
    if (!entry) return;
    if (index_) index_->erase(entry->name);
    // Replacements usually hit recent entries, so the search starts at the newest.
    auto it = std::find_if(entries_.rbegin(), entries_.rend(),
                           [entry](const auto& e) { return e.get() == entry; });
    entries_.erase(std::next(it).base());
}

void ObjContainer::RemoveAll() {
    index_.reset();
    entries_.clear();
}
