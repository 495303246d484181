// Builds a container from the ITEM elements of a container XML document.
#include "persist/ObjContainerXmlParserHelper.h"

#include <string_view>

#include "base/CrtNumbers.h"
#include "persist/ObjContainer.h"

namespace {

using namespace std::string_view_literals;

constexpr std::wstring_view kItem = L"ITEM"sv;
constexpr std::wstring_view kKey = L"key"sv;
constexpr std::wstring_view kType = L"type"sv;
constexpr std::wstring_view kContainer = L"OCContainer"sv;
constexpr std::wstring_view kNone = L"OCNone"sv;
constexpr std::wstring_view kListItem = L"OCStringListItem"sv;
constexpr std::wstring_view kString = L"OCString"sv;
constexpr std::wstring_view kUnsignedLong = L"OCUnsignedLong"sv;
constexpr std::wstring_view kStringList = L"OCStringList"sv;

}  // namespace

ObjContainer* ObjContainerXmlParserHelper::FollowKeys(ObjContainer* root, size_t count) const {
    ObjContainer* current = root;
    for (size_t i = 0; i < count && current; ++i) current = current->GetContainer(keys_[i]);
    return current;
}

void ObjContainerXmlParserHelper::PopKeysTo(size_t count) {
    if (keys_.size() > count) {
        keys_.resize(count);
        parentKnown_ = false;
    }
}

ObjContainer* ObjContainerXmlParserHelper::Parent(ObjContainer* root) {
    // Values are stored only into this container, never into one on the way to it, so the
    // answer holds until the stack changes or a container start replaces an entry.
    if (!parentKnown_) {
        parent_ = FollowKeys(root, keys_.size());
        parentKnown_ = true;
    }
    return parent_;
}

void ObjContainerXmlParserHelper::OnStartElement(const std::wstring& name,
                                                 const Kmk::Xml::ElementList& openElements,
                                                 const Kmk::Xml::AttributeMap& attributes,
                                                 void* userData) {
    if (name != kItem) return;
    const std::wstring* key = attributes.Find(kKey);
    const std::wstring* type = attributes.Find(kType);
    if (!key || !type || *type != kContainer) return;

    const size_t d = openElements.size();
    const size_t n = keys_.size();
    parentKnown_ = false;
    if (n == d && n > 0) {
        keys_.back() = *key;
    } else if (n > d || (n == d && n == 0)) {
        // A container that is itself the root element has no key to replace.
        PopKeysTo(d > 0 ? d - 1 : 0);
        keys_.push_back(*key);
    } else {
        keys_.push_back(*key);
    }
    depth_ = keys_.size();

    ObjContainer* parent = FollowKeys(static_cast<ObjContainer*>(userData), keys_.size() - 1);
    if (parent) parent->AddContainerCopy(*key, ObjContainer());
}

void ObjContainerXmlParserHelper::OnEndElement(const std::wstring& name, const std::wstring& text,
                                               const Kmk::Xml::ElementList& openElements,
                                               const Kmk::Xml::AttributeMap& attributes,
                                               void* userData) {
    if (name != kItem) return;
    const std::wstring* key = attributes.Find(kKey);
    const std::wstring* type = attributes.Find(kType);
    if (!key || !type) return;

    if (*type == kContainer || *type == kNone) return;
    if (*type == kListItem) {
        pendingItems_.push_back(text);
        return;
    }
    const bool isString = *type == kString;
    const bool isNumber = *type == kUnsignedLong;
    const bool isList = *type == kStringList;

    const size_t d = openElements.size();
    if (keys_.size() >= d) PopKeysTo(d > 0 ? d - 1 : 0);
    ObjContainer* parent = Parent(static_cast<ObjContainer*>(userData));

    // Skipped kinds (buffers, doubles, dates) and unknown type names store nothing.
    if (!parent || !(isString || isNumber || isList)) return;
    if (isString) {
        parent->SetString(*key, text);
    } else if (isNumber) {
        parent->SetUnsignedLong(*key, tav::CrtWcstoul(text));
    } else {
        parent->SetStringList(*key, pendingItems_);
        pendingItems_.clear();
    }
}
