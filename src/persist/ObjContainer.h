// A tree of named, typed values: the one persistence type of the update wizard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

// Kinds of entry; the names are those the XML form uses in its "type" attribute.
enum OCKind : int {
    OCNone = 0,
    OCString = 1,
    OCBuffer = 2,
    OCUnsignedLong = 3,
    OCContainer = 4,
    OCStringList = 5,
    OCDouble = 6,
    OCDateTime = 7,
    OCDateTimeEx = 8,
};

// The enumerator name of a kind ("OCString", ...), or an empty text for an unknown code.
const wchar_t* OCKindName(int kind);

using OCStringListValue = std::vector<std::wstring>;
using OCBytes = std::vector<uint8_t>;

class ObjContainer {
public:
    // One named value. The carried kinds (double, date and time) keep their raw 64 bits.
    struct Entry {
        std::wstring name;
        OCKind kind = OCNone;
        std::variant<std::monostate, std::wstring, OCBytes, uint32_t,
                     std::unique_ptr<ObjContainer>, OCStringListValue, uint64_t>
            value;

        const std::wstring* Text() const { return std::get_if<std::wstring>(&value); }
        const OCBytes* Bytes() const { return std::get_if<OCBytes>(&value); }
        const uint32_t* Number() const { return std::get_if<uint32_t>(&value); }
        const ObjContainer* Container() const;
        const OCStringListValue* List() const { return std::get_if<OCStringListValue>(&value); }
        const uint64_t* Raw() const { return std::get_if<uint64_t>(&value); }
    };

    ObjContainer();
    virtual ~ObjContainer();
    ObjContainer(const ObjContainer&) = delete;
    ObjContainer& operator=(const ObjContainer&) = delete;

    // Lookup; names match case-insensitively (A-Z folded only).
    const Entry* Find(std::wstring_view name) const;
    bool Exists(std::wstring_view name) const { return Find(name) != nullptr; }
    OCKind GetType(std::wstring_view name) const;

    // Getters leave out unchanged unless an entry of that name and kind is present.
    void GetString(std::wstring_view name, std::wstring& out) const;
    void GetUnsignedLong(std::wstring_view name, uint32_t& out) const;
    void GetStringList(std::wstring_view name, OCStringListValue& out) const;
    ObjContainer* GetContainer(std::wstring_view name);
    const ObjContainer* GetContainer(std::wstring_view name) const;

    // Setters replace any entry of that name, whatever its kind, and put the new one in front.
    void SetString(std::wstring_view name, std::wstring_view text);
    void SetUnsignedLong(std::wstring_view name, uint32_t value);
    void SetStringList(std::wstring_view name, const OCStringListValue& list);
    void SetBuffer(std::wstring_view name, const uint8_t* bytes, size_t length);
    void SetContainer(std::wstring_view name, std::unique_ptr<ObjContainer> container);
    void AddContainerCopy(std::wstring_view name, const ObjContainer& source);

    // Deep copy of source's entries, keeping their order; clearFirst empties this one first.
    void CopyFrom(const ObjContainer& source, bool clearFirst);

    void Remove(std::wstring_view name);
    void RemoveAll();

    // Entries newest first: At(0) is the most recently stored.
    size_t Count() const { return entries_.size(); }
    const Entry& At(size_t index) const { return *entries_[entries_.size() - 1 - index]; }

    // Registry form: values (and optionally subkeys) of a key, in the 32- or 64-bit view.
    void LoadFromRegistry(const std::wstring& path, bool recurse, int depth, bool view64);
    void SaveToRegistry(const std::wstring& path, bool view64) const;

private:
    struct FoldedHash {
        size_t operator()(std::wstring_view s) const;
    };
    struct FoldedEqual {
        bool operator()(std::wstring_view a, std::wstring_view b) const;
    };
    using Index = std::unordered_map<std::wstring_view, Entry*, FoldedHash, FoldedEqual>;

    Entry* FindEntry(std::wstring_view name) const;
    // Whether other is a container somewhere below this one.
    bool Holds(const ObjContainer* other) const;
    Entry& Put(std::wstring_view name, OCKind kind);
    void AddIndexed(Entry* entry);

    // Oldest first, so that storing appends; each entry is allocated on its own so that the
    // index can point at its name.
    std::vector<std::unique_ptr<Entry>> entries_;
    // Built only once a container grows large; small ones are searched directly.
    std::unique_ptr<Index> index_;
    // Unique names are always enforced: a store first removes an entry of the same name.
    bool uniqueNames_ = true;
};
