// SAX reading of XML files over libxml2, handing elements with their text to a recipient.
#include "persist/XmlParser.h"

#include <libxml/parser.h>
#include <libxml/entities.h>

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "base/WideText.h"
#include "system/Machine.h"

namespace Kmk::Xml {
namespace {

constexpr size_t kMaxPathBytes = 255;

std::once_flag g_libxmlInitialised;

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

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

// Entities handed to libxml2 during one parse. Each is answered as an entity whose text is
// inlined as character data: a declared one with its declared text, any other reference with
// its own literal form, so that it reaches the text unchanged.
struct CParser::Entities {
    struct Held {
        xmlEntity entity;
        std::string name;
        std::string content;
    };
    std::unordered_map<std::string, std::unique_ptr<Held>> declared;
    std::unordered_map<std::string, std::unique_ptr<Held>> madeUp;

    static xmlEntity* Make(std::unordered_map<std::string, std::unique_ptr<Held>>& table,
                           std::string_view name, std::string content) {
        auto held = std::make_unique<Held>();
        std::memset(&held->entity, 0, sizeof held->entity);
        held->name.assign(name);
        held->content = std::move(content);
        held->entity.type = XML_ENTITY_DECL;
        held->entity.etype = XML_INTERNAL_PREDEFINED_ENTITY;
        held->entity.name = reinterpret_cast<const xmlChar*>(held->name.c_str());
        held->entity.content = reinterpret_cast<xmlChar*>(held->content.data());
        held->entity.length = static_cast<int>(held->content.size());
        // Marks the raw value as present: libxml2 would otherwise hand an entity of ours its
        // own copy of the declaration's text, which nobody would free.
        held->entity.orig = held->entity.content;
        xmlEntity* result = &held->entity;
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

    static void Characters(void* ctx, const xmlChar* chars, int length) {
        auto* self = static_cast<CParser*>(ctx);
        if (length > 0) {
            tav::AppendFromUtf8(self->text_, std::string_view(reinterpret_cast<const char*>(chars),
                                                              static_cast<size_t>(length)));
        }
    }

    static void StartElement(void* ctx, const xmlChar* name, const xmlChar** attributes) {
        auto* self = static_cast<CParser*>(ctx);
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
        const bool fold = self->recipient_->FoldAttributeNames();
        for (const xmlChar** a = attributes; a && a[0]; a += 2) {
            if (View(a[0]).empty()) continue;
            auto& slot = map.Add();
            tav::AppendFromUtf8(slot.first, View(a[0]));
            if (fold) slot.first = tav::FoldLower(slot.first);
            tav::AppendFromUtf8(slot.second, View(a[1]));
            RestoreAmpersands(slot.second);
        }
        self->recipient_->OnStartElement(element, self->openElements_, map, self->userData_);
        self->openElements_.push_back(std::move(element));
        self->openNamesUtf8_.emplace_back(View(name));
    }

    static void EndElement(void* ctx, const xmlChar* name) {
        auto* self = static_cast<CParser*>(ctx);
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
        if (xmlEntityPtr predefined = xmlGetPredefinedEntity(name)) return predefined;
        const std::string key(View(name));
        Entities& table = *self->entities_;
        if (auto it = table.declared.find(key); it != table.declared.end()) {
            return &it->second->entity;
        }
        if (auto it = table.madeUp.find(key); it != table.madeUp.end()) return &it->second->entity;
        return Entities::Make(table.madeUp, key, "&" + key + ";");
    }

    static void EntityDecl(void* ctx, const xmlChar* name, int type, const xmlChar*,
                           const xmlChar*, xmlChar* content) {
        auto* self = static_cast<CParser*>(ctx);
        // Only internal general entities are declared; external ones are never fetched and
        // stay literal references.
        if (type != XML_INTERNAL_GENERAL_ENTITY || name == nullptr) return;
        const std::string key(View(name));
        if (self->entities_->declared.count(key)) return;  // the first declaration wins
        Entities::Make(self->entities_->declared, key, std::string(View(content)));
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
    // libxml2 opens file names as UTF-8 on every platform.
    const std::string name = tav::ToUtf8(path);
    if (name.empty() || name.size() > kMaxPathBytes || name.find('\0') != std::string::npos) {
        return false;
    }
    // libxml2 would tell a missing file on the console before our handlers are in place.
    if (!sys::IsExistingFile(*sys::CurrentMachine().files, path)) return false;
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

    const int result = xmlSAXUserParseFile(&sax, this, name.c_str());
    return result == 0;
}

}  // namespace Kmk::Xml
