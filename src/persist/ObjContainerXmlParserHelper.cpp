// Builds a container from the ITEM elements of a container XML document.
#include "persist/ObjContainerXmlParserHelper.h"

#include "base/CrtNumbers.h"
#include "persist/ObjContainer.h"

namespace {

const std::wstring kItem = L"ITEM";

}  // namespace

ObjContainer* ObjContainerXmlParserHelper::FollowKeys(ObjContainer* root, size_t count) const {
    ObjContainer* current = root;
    for (size_t i = 0; i < count && current; ++i) current = current->GetContainer(keys_[i]);
    return current;
}

void ObjContainerXmlParserHelper::PopKeysTo(size_t count) {
    if (keys_.size() > count) keys_.resize(count);
}

void ObjContainerXmlParserHelper::OnStartElement(const std::wstring& name,
                                                 const Kmk::Xml::ElementList& openElements,
                                                 const Kmk::Xml::AttributeMap& attributes,
                                                 void* userData) {
    if (name != kItem) return;
    const std::wstring* key = attributes.Find(L"key");
    const std::wstring* type = attributes.Find(L"type");
    if (!key || !type || *type != L"OCContainer") return;

    const size_t d = openElements.size();
    const size_t n = keys_.size();
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
    const std::wstring* key = attributes.Find(L"key");
    const std::wstring* type = attributes.Find(L"type");
    if (!key || !type) return;

    if (*type == L"OCContainer" || *type == L"OCNone") return;
    if (*type == L"OCStringListItem") {
        pendingItems_.push_back(text);
        return;
    }
    const bool isString = *type == L"OCString";
    const bool isNumber = *type == L"OCUnsignedLong";
    const bool isList = *type == L"OCStringList";

    const size_t d = openElements.size();
    if (keys_.size() >= d) PopKeysTo(d > 0 ? d - 1 : 0);
    ObjContainer* parent = FollowKeys(static_cast<ObjContainer*>(userData), keys_.size());

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
