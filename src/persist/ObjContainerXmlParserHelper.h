// Builds a container from the ITEM elements of a container XML document.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "persist/XmlParser.h"

class ObjContainer;

class ObjContainerXmlParserHelper : public Kmk::Xml::CParserRecipient {
public:
    void OnEndElement(const std::wstring& name, const std::wstring& text,
                      const Kmk::Xml::ElementList& openElements,
                      const Kmk::Xml::AttributeMap& attributes, void* userData) override;
    void OnStartElement(const std::wstring& name, const Kmk::Xml::ElementList& openElements,
                        const Kmk::Xml::AttributeMap& attributes, void* userData) override;
    bool FoldAttributeNames() override { return false; }

private:
    // The container reached from root by the first `count` keys of the stack, or null.
    ObjContainer* FollowKeys(ObjContainer* root, size_t count) const;
    void PopKeysTo(size_t count);

    // The container the keys lead to, valid until the key stack or a container on it changes.
    ObjContainer* Parent(ObjContainer* root);

    size_t depth_ = 0;
    ObjContainer* parent_ = nullptr;
    bool parentKnown_ = false;
    std::vector<std::wstring> keys_;
    std::vector<std::wstring> pendingItems_;
};
