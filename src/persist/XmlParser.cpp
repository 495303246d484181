// SAX reading of XML files over libxml2, handing elements with their text to a recipient.
#include "persist/XmlParser.h"

#include <libxml/parser.h>
#include <libxml/entities.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "base/WideText.h"
#include "persist/XmlStartTagScan.h"
#include "system/Machine.h"

namespace Kmk::Xml {
namespace {

constexpr size_t kMaxPathBytes = 255;

std::once_flag g_libxmlInitialised;

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Size of the file; 0 when it cannot be told.
uint64_t FileBytes(const std::wstring& path, const std::string& utf8Name) {
#ifdef _WIN32
    (void)utf8Name;
    struct _stat64 status;
    if (_wstat64(path.c_str(), &status) != 0) return 0;
#else
    (void)path;
    struct stat status;
    if (stat(utf8Name.c_str(), &status) != 0) return 0;
#endif
    return static_cast<uint64_t>(status.st_size);
}

// The file's bytes; false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, const std::string& utf8Name, std::string& bytes) {
#ifdef _WIN32
    FILE* file = _wfopen(path.c_str(), L"rb");
#else
    FILE* file = std::fopen(utf8Name.c_str(), "rb");
#endif
    if (file == nullptr) return false;
    // Room for the whole file and a byte more, which tells the end of a file that did not grow.
    size_t have = 0;
    size_t room = FileBytes(path, utf8Name) + 1;
    for (;;) {
        bytes.resize(have + room);
        const size_t got = std::fread(bytes.data() + have, 1, room, file);
        have += got;
        if (got < room) break;
        room = std::max<size_t>(have, 64 << 10);
    }
    bytes.resize(have);
    const bool complete = std::ferror(file) == 0;
    std::fclose(file);
    return complete;
}

// Hands the document to libxml2 piece by piece, as it reads a file.
struct DocumentReader {
    std::string_view rest;

    static int Read(void* context, char* buffer, int length) {
        auto* self = static_cast<DocumentReader*>(context);
        const size_t count = std::min(self->rest.size(), static_cast<size_t>(std::max(length, 0)));
        std::memcpy(buffer, self->rest.data(), count);
        self->rest.remove_prefix(count);
        return static_cast<int>(count);
    }
    static int Close(void*) { return 0; }
};

}  // namespace

void EnsureParserInitialised() {
    std::call_once(g_libxmlInitialised, [] { xmlInitParser(); });
}

const std::wstring* AttributeMap::Find(std::wstring_view name) const {
    for (size_t i = 0; i < count_; ++i) {
        if (items_[i].first == name) return &items_[i].second;
    }
    return nullptr;
}

std::pair<std::wstring, std::wstring>& AttributeMap::Add() {
    if (count_ == items_.size()) items_.emplace_back();
    auto& slot = items_[count_++];
    slot.first.clear();
    slot.second.clear();
    return slot;
}

// Entities handed to libxml2 during one parse. libxml2 inlines an entity of the predefined
// kind without looking into it: in text it hands on the whole content as character data, in an
// attribute value only its first byte. So the content of each of ours starts with a marker
// byte that XML never lets through otherwise, followed by the text the reference stands for:
// the declared text of a declared entity, the literal reference of any other. Text drops the
// marker; an attribute value has each marker replaced by the text of the reference that put
// it there, taken from the order in which libxml2 asked for them. The text of every reference
// counts against the budget, and so does the record of each name not declared.
struct CParser::Entities {
    static constexpr char kDeclaredMarker = '\x01';
    static constexpr char kLiteralMarker = '\x02';

    struct Held {
        xmlEntity entity;
        std::string name;
        std::string content;  // marker, then the text
        std::string_view Text() const { return std::string_view(content).substr(1); }
    };
    // What a record of a name not declared keeps besides the name and its reference: the
    // record itself and its place in the table.
    static constexpr size_t kMadeUpBytes = sizeof(Held) + 64;

    std::unordered_map<std::string, std::unique_ptr<Held>> declared;
    std::unordered_map<std::string, std::unique_ptr<Held>> madeUp;
    // The answer to every reference once the parse is refused, kept under a name no reference
    // has: it adds no text, and libxml2, which reads the document to its end regardless, has
    // no error to format for it.
    Held* spentEntity = Make(madeUp, "", kLiteralMarker, "");
    // Entities answered since the last element or text event, oldest first: the references
    // of a start tag's attribute values are the last ones before its start element.
    std::vector<const Held*> answered;

    // Bytes that entities may add over the parse, and have added.
    uint64_t budget = 0;
    uint64_t added = 0;
    // Set once the budget is spent: nothing more reaches the recipient.
    bool refused = false;

    // Counts what an entity adds; false, and the parse refused, past the budget.
    bool Spend(size_t bytes) {
        if (refused || bytes > budget - added) {
            refused = true;
            return false;
        }
        added += bytes;
        return true;
    }

    static Held* Make(std::unordered_map<std::string, std::unique_ptr<Held>>& table,
                      std::string_view name, char marker, std::string_view text) {
        auto held = std::make_unique<Held>();
        std::memset(&held->entity, 0, sizeof held->entity);
        held->name.assign(name);
        held->content.reserve(text.size() + 1);
        held->content += marker;
        held->content += text;
        held->entity.type = XML_ENTITY_DECL;
        held->entity.etype = XML_INTERNAL_PREDEFINED_ENTITY;
        held->entity.name = reinterpret_cast<const xmlChar*>(held->name.c_str());
        held->entity.content = reinterpret_cast<xmlChar*>(held->content.data());
        held->entity.length = static_cast<int>(held->content.size());
        // Marks the raw value as present: libxml2 would otherwise hand an entity of ours its
        // own copy of the declaration's text, which nobody would free.
        held->entity.orig = held->entity.content;
        Held* result = held.get();
        table[held->name] = std::move(held);
        return result;
    }
};

// The libxml2 callbacks; ctx is the CParser.
struct CParser::Handlers {
    // Without entity substitution libxml2 hands every ampersand that a reference put into an
    // attribute value on as "&#38;"; a literal one cannot occur there, so each stands for "&".
    static void RestoreAmpersands(std::wstring& value) {
        static const std::wstring kEscaped = L"&#38;";
        size_t at = value.find(kEscaped);
        if (at == std::wstring::npos) return;
        size_t out = at;
        for (size_t in = at; in < value.size();) {
            if (value.compare(in, kEscaped.size(), kEscaped) == 0) {
                value[out++] = L'&';
                in += kEscaped.size();
            } else {
                value[out++] = value[in++];
            }
        }
        value.resize(out);
    }

    static bool IsMarker(wchar_t c) {
        return c == Entities::kDeclaredMarker || c == Entities::kLiteralMarker;
    }

    // Puts the text of each entity reference in place of its marker, white space turned into
    // blanks as for the rest of an attribute value. next is the first answered entity not yet
    // placed; false when an entity's text goes over the budget.
    static bool PlaceEntityTexts(Entities& entities, size_t& next, std::wstring& value) {
        size_t at = 0;
        while ((at = FindMarker(value, at)) != std::wstring::npos) {
            std::wstring text;
            if (next < entities.answered.size()) {
                const Entities::Held& held = *entities.answered[next++];
                if (!entities.Spend(held.Text().size())) return false;
                tav::AppendFromUtf8(text, held.Text());
                for (wchar_t& c : text) {
                    if (c == L'\t' || c == L'\n' || c == L'\r') c = L' ';
                }
            }
            value.replace(at, 1, text);
            at += text.size();
        }
        return true;
    }

    static size_t FindMarker(const std::wstring& value, size_t from) {
        for (size_t i = from; i < value.size(); ++i) {
            if (IsMarker(value[i])) return i;
        }
        return std::wstring::npos;
    }

    static void Characters(void* ctx, const xmlChar* chars, int length) {
        auto* self = static_cast<CParser*>(ctx);
        Entities& entities = *self->entities_;
        entities.answered.clear();
        if (entities.refused || length <= 0) return;
        std::string_view text(reinterpret_cast<const char*>(chars), static_cast<size_t>(length));
        // The content of one of our entities: its marker, then its text.
        if (IsMarker(static_cast<wchar_t>(text[0]))) {
            text.remove_prefix(1);
            if (!entities.Spend(text.size())) return;
        }
        tav::AppendFromUtf8(self->text_, text);
    }

    static void StartElement(void* ctx, const xmlChar* name, const xmlChar** attributes) {
        auto* self = static_cast<CParser*>(ctx);
        Entities& entities = *self->entities_;
        if (entities.refused) return;
        // The file was looked over for such tags before the parse; this holds if it changed since.
        size_t count = 0;
        for (const xmlChar** a = attributes; a && a[0]; a += 2) ++count;
        if (count > kMaxAttributes) {
            entities.refused = true;
            return;
        }
        std::wstring element;
        if (!self->spareNames_.empty()) {
            element = std::move(self->spareNames_.back());
            self->spareNames_.pop_back();
            element.clear();
        }
        tav::AppendFromUtf8(element, View(name));
        self->text_.clear();
        if (self->attributeDepth_ == self->attributeStack_.size()) self->attributeStack_.emplace_back();
        AttributeMap& map = self->attributeStack_[self->attributeDepth_++];
        map.Clear();
        // The markers of this tag belong to the last answered entities, one each.
        size_t next = 0;
        if (!entities.answered.empty()) {
            size_t markers = 0;
            for (const xmlChar** a = attributes; a && a[0]; a += 2) {
                for (const char c : View(a[1])) markers += IsMarker(static_cast<wchar_t>(c));
            }
            next = entities.answered.size() - std::min(markers, entities.answered.size());
        }
        const bool fold = self->recipient_->FoldAttributeNames();
        for (const xmlChar** a = attributes; a && a[0]; a += 2) {
            if (View(a[0]).empty()) {
                for (const char c : View(a[1])) next += IsMarker(static_cast<wchar_t>(c));
                continue;
            }
            auto& slot = map.Add();
            tav::AppendFromUtf8(slot.first, View(a[0]));
            if (fold) slot.first = tav::FoldLower(slot.first);
            tav::AppendFromUtf8(slot.second, View(a[1]));
            RestoreAmpersands(slot.second);
            if (!entities.answered.empty() && !PlaceEntityTexts(entities, next, slot.second)) {
                --self->attributeDepth_;
                return;
            }
        }
        entities.answered.clear();
        self->recipient_->OnStartElement(element, self->openElements_, map, self->userData_);
        self->openElements_.push_back(std::move(element));
        self->openNamesUtf8_.emplace_back(View(name));
    }

    static void EndElement(void* ctx, const xmlChar* name) {
        auto* self = static_cast<CParser*>(ctx);
        self->entities_->answered.clear();
        if (self->entities_->refused) return;
        if (self->openElements_.empty() || self->attributeDepth_ == 0) return;
        if (self->openNamesUtf8_.back() != View(name)) return;
        self->openNamesUtf8_.pop_back();
        self->spareNames_.push_back(std::move(self->openElements_.back()));
        self->openElements_.pop_back();
        const AttributeMap& map = self->attributeStack_[--self->attributeDepth_];
        self->recipient_->OnEndElement(self->spareNames_.back(), self->text_,
                                       self->openElements_, map, self->userData_);
    }

    static xmlEntityPtr GetEntity(void* ctx, const xmlChar* name) {
        auto* self = static_cast<CParser*>(ctx);
        Entities& entities = *self->entities_;
        if (entities.refused) return &entities.spentEntity->entity;
        if (xmlEntityPtr predefined = xmlGetPredefinedEntity(name)) return predefined;
        const std::string key(View(name));
        Entities::Held* held = nullptr;
        if (auto it = entities.declared.find(key); it != entities.declared.end()) {
            held = it->second.get();
        } else if (auto found = entities.madeUp.find(key); found != entities.madeUp.end()) {
            held = found->second.get();
        } else {
            // The record holds the name and the reference: twice the name's bytes, and more.
            if (!entities.Spend(Entities::kMadeUpBytes + 2 * key.size())) {
                return &entities.spentEntity->entity;
            }
            held = Entities::Make(entities.madeUp, key, Entities::kLiteralMarker, "&" + key + ";");
        }
        entities.answered.push_back(held);
        return &held->entity;
    }

    static void EntityDecl(void* ctx, const xmlChar* name, int type, const xmlChar*,
                           const xmlChar*, xmlChar* content) {
        auto* self = static_cast<CParser*>(ctx);
        // Only internal general entities are declared; external ones are never fetched and
        // stay literal references.
        if (type != XML_INTERNAL_GENERAL_ENTITY || name == nullptr) return;
        const std::string key(View(name));
        if (self->entities_->declared.count(key)) return;  // the first declaration wins
        Entities::Make(self->entities_->declared, key, Entities::kDeclaredMarker, View(content));
    }

    // libxml2's reports are neither shown nor logged.
    static void Quiet(void*, const char*, ...) {}
};

CParser::CParser(CParserRecipient* recipient, void* userData)
    : recipient_(recipient), userData_(userData), entities_(std::make_unique<Entities>()) {
    EnsureParserInitialised();
}

CParser::~CParser() = default;

void CParser::Reset() {
    openElements_.clear();
    openNamesUtf8_.clear();
    text_.clear();
    attributeDepth_ = 0;
    entities_ = std::make_unique<Entities>();
}

bool CParser::ParseFile(const std::wstring& path) {
    Reset();
    if (recipient_ == nullptr) return false;
    const std::string name = tav::ToUtf8(path);
    if (name.empty() || name.size() > kMaxPathBytes || name.find('\0') != std::string::npos) {
        return false;
    }
    if (!sys::IsExistingFile(*sys::CurrentMachine().files, path)) return false;
    // The file is read once; the look for wide start tags and the parse both use these bytes.
    std::string document;
    if (!ReadWholeFile(path, name, document)) return false;
    return ParseDocument(document);
}

bool CParser::Parse(std::string_view document) {
    Reset();
    if (recipient_ == nullptr) return false;
    return ParseDocument(document);
}

bool CParser::ParseDocument(std::string_view document) {
    // libxml2 spends time in the square of a start tag's attributes before any handler hears
    // of them, so such a tag is looked for first.
    if (HasStartTagWithMoreAttributes(document, kMaxAttributes)) return false;
    entities_->budget = std::max<uint64_t>(kEntityTextFloor, kEntityTextPerFileByte * document.size());
    xmlSubstituteEntitiesDefault(0);

    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.getEntity = &Handlers::GetEntity;
    sax.entityDecl = &Handlers::EntityDecl;
    sax.startElement = &Handlers::StartElement;
    sax.endElement = &Handlers::EndElement;
    sax.characters = &Handlers::Characters;
    sax.warning = &Handlers::Quiet;
    sax.error = &Handlers::Quiet;
    sax.fatalError = &Handlers::Quiet;
    sax.initialized = 1;  // the element callbacks above, not the namespace-aware ones

    // As libxml2 parses a file, but from the bytes already read: the encoding is told from the
    // first bytes and the declaration, and the bytes are taken as they are, never unpacked.
    DocumentReader reader{document};
    xmlParserCtxtPtr context = xmlCreateIOParserCtxt(&sax, this, &DocumentReader::Read,
                                                     &DocumentReader::Close, &reader,
                                                     XML_CHAR_ENCODING_NONE);
    if (context == nullptr) return false;
    xmlParseDocument(context);
    const bool wellFormed = context->wellFormed != 0;
    if (context->myDoc != nullptr) xmlFreeDoc(context->myDoc);
    context->myDoc = nullptr;
    xmlFreeParserCtxt(context);
    // Past the budget the rest of the document was only scanned: it counts as broken.
    return wellFormed && !entities_->refused;
}

}  // namespace Kmk::Xml
