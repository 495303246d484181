// SAX reading of XML files over libxml2, handing elements with their text to a recipient.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Kmk::Xml {

// Attributes of one element, in document order, name to value.
class AttributeMap {
public:
    // The value of the attribute of exactly that name, or null.
    const std::wstring* Find(std::wstring_view name) const;
    size_t Size() const { return count_; }
    const std::pair<std::wstring, std::wstring>& At(size_t i) const { return items_[i]; }

private:
    friend class CParser;
    void Clear() { count_ = 0; }
    std::pair<std::wstring, std::wstring>& Add();

    // Slots are reused from element to element, so only count_ of them are live.
    std::vector<std::pair<std::wstring, std::wstring>> items_;
    size_t count_ = 0;
};

// Initialises libxml2 once per process; every reader calls it before its first parse.
void EnsureParserInitialised();

// Names of the elements open around the current one, outermost first.
using ElementList = std::vector<std::wstring>;

// Receives the elements of a parse.
class CParserRecipient {
public:
    virtual ~CParserRecipient() = default;

    // text is the character data since the most recent start of any element.
    virtual void OnEndElement(const std::wstring& name, const std::wstring& text,
                              const ElementList& openElements, const AttributeMap& attributes,
                              void* userData) = 0;
    virtual void OnStartElement(const std::wstring& name, const ElementList& openElements,
                                const AttributeMap& attributes, void* userData) = 0;
    // Whether attribute names are folded to lower case before they are stored.
    virtual bool FoldAttributeNames() = 0;
};

// The SAX adapter: one parse at a time, on the calling thread.
class CParser {
public:
    CParser(CParserRecipient* recipient, void* userData);
    ~CParser();
    CParser(const CParser&) = delete;
    CParser& operator=(const CParser&) = delete;

    // True when the file was read to its end as a well-formed document; its bytes are read once
    // and parsed as they are, a compressed file never unpacked. Paths whose UTF-8 form
    // is longer than 255 bytes are refused, and so is, before anything is read from it, a file
    // with a start tag of more than kMaxAttributes attributes. A reference to an entity adds
    // its text, to attribute values as to text: a declared entity its declared text, any other
    // the reference as written, which also keeps a record of its name for the rest of the
    // parse. Once what entities so add over the parse would pass the larger of
    // kEntityTextFloor and kEntityTextPerFileByte times the file's size, nothing more reaches
    // the recipient and the file counts as not well-formed.
    bool ParseFile(const std::wstring& path);
    // The same for a document already read: its bytes as a file would hold them.
    bool Parse(std::string_view document);

    static constexpr uint64_t kEntityTextFloor = 64 << 10;
    static constexpr uint64_t kEntityTextPerFileByte = 10;
    static constexpr size_t kMaxAttributes = 2048;

private:
    struct Handlers;
    struct Entities;

    void Reset();
    bool ParseDocument(std::string_view document);

    CParserRecipient* recipient_;
    void* userData_;
    ElementList openElements_;
    // The same names as libxml2 gave them, to match end tags without converting them again.
    std::vector<std::string> openNamesUtf8_;
    // Names of closed elements, kept for their buffers.
    std::vector<std::wstring> spareNames_;
    std::wstring text_;
    // One attribute map per open element; maps past depth_ are kept for reuse.
    std::vector<AttributeMap> attributeStack_;
    size_t attributeDepth_ = 0;
    std::unique_ptr<Entities> entities_;
};

}  // namespace Kmk::Xml
