// The language text table and its reader of the language files.
#include "app/lang/StringBase.h"

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <cstring>

#include "base/CrtNumbers.h"
#include "base/WideText.h"
#include "persist/XmlParser.h"
#include "system/Machine.h"

namespace {

#ifdef _WIN32
constexpr wchar_t kSeparator = L'\\';
#else
constexpr wchar_t kSeparator = L'/';
#endif

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// At most limit bytes of value, never ending inside a UTF-8 sequence.
std::string_view CutUtf8(std::string_view value, size_t limit) {
    if (value.size() <= limit) return value;
    size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80) --n;
    return value.substr(0, n);
}

// libxml2's reports are neither shown nor logged.
void Quiet(void*, const char*, ...) {}

// Silences libxml2's reports of this thread that bypass a parse's own handlers, while it lives.
class QuietGenericErrors {
public:
    QuietGenericErrors() : previous_(xmlGenericError), previousContext_(xmlGenericErrorContext) {
        xmlSetGenericErrorFunc(nullptr, &Quiet);
    }
    ~QuietGenericErrors() { xmlSetGenericErrorFunc(previousContext_, previous_); }
    QuietGenericErrors(const QuietGenericErrors&) = delete;
    QuietGenericErrors& operator=(const QuietGenericErrors&) = delete;

private:
    xmlGenericErrorFunc previous_;
    void* previousContext_;
};

}  // namespace

// The libxml2 callbacks; ctx is the table being filled.
struct CStringBase::Handlers {
    // Only the five predefined entities are known; any other reference ends the parse.
    static xmlEntityPtr GetEntity(void*, const xmlChar* name) {
        return xmlGetPredefinedEntity(name);
    }

    static void StartElement(void* ctx, const xmlChar* name, const xmlChar** attributes) {
        static_cast<CStringBase*>(ctx)->StartElement(View(name), attributes);
    }

    static void EndElement(void* ctx, const xmlChar* name) {
        static_cast<CStringBase*>(ctx)->EndElement(View(name));
    }

    static void Characters(void* ctx, const xmlChar* chars, int length) {
        if (length > 0) {
            static_cast<CStringBase*>(ctx)->Characters(reinterpret_cast<const char*>(chars),
                                                       static_cast<size_t>(length));
        }
    }

};

CStringBase::CStringBase() = default;

CStringBase::CStringBase(std::wstring folder) : folder_(std::move(folder)) {}

CStringBase::~CStringBase() = default;

uint32_t CStringBase::PackLanguage(std::wstring_view language) {
    uint32_t units[2] = {0, 0};
    size_t count = 0;
    for (size_t i = 0; i < language.size() && count < 2; ++i) {
        const uint32_t c = static_cast<uint32_t>(language[i]);
        if (c > 0xFFFF && c <= 0x10FFFF) {
            // Wide text of this build is UTF-32: the character's UTF-16 form counts.
            units[count++] = 0xD800 + ((c - 0x10000) >> 10);
            if (count < 2) units[count++] = 0xDC00 + ((c - 0x10000) & 0x3FF);
        } else {
            units[count++] = c & 0xFFFF;
        }
    }
    return (units[0] << 16) | units[1];
}

const std::wstring* CStringBase::GetText(int32_t textId, std::wstring_view language) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (texts_.empty()) LoadLanguageFiles();
    // A missed lookup leaves its key behind, so the files are read once even when they hold no
    // texts at all.
    auto it = texts_.try_emplace({textId, PackLanguage(language.substr(0, 2))}).first;
    return it->second ? &*it->second : nullptr;
}

std::wstring CStringBase::GetTextOrEmpty(int32_t textId, std::wstring_view language) {
    const std::wstring* text = GetText(textId, language);
    return text ? *text : std::wstring();
}

std::optional<std::wstring> CStringBase::GetDisplayOrder(std::wstring_view language) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = languages_.find(PackLanguage(language.substr(0, 2)));
    if (it == languages_.end()) return std::nullopt;
    return it->second;
}

bool CStringBase::AddString(std::string_view code, std::wstring_view language, std::wstring text) {
    // The texts of one STRING share its code: convert it once.
    if (code != convertedCode_) {
        convertedCode_.assign(code);
        codeBuffer_.clear();
        tav::AppendFromUtf8(codeBuffer_, code);
        convertedId_ = tav::CrtAtoi(codeBuffer_);
    }
    if (convertedId_ == 0) return false;
    const std::pair<int32_t, uint32_t> key(convertedId_, PackLanguage(language));
    // Files list their ids in ascending order as a rule, so the place of a text is found from
    // the end: the first entry after the key.
    auto place = texts_.end();
    for (int steps = 0; place != texts_.begin() && key < std::prev(place)->first; --place) {
        if (++steps > kNearEnd) {
            place = texts_.upper_bound(key);
            break;
        }
    }
    if (place != texts_.begin()) {
        const auto before = std::prev(place);
        if (before->first == key) {
            before->second = std::move(text);
            return true;
        }
    }
    texts_.emplace_hint(place, key, std::move(text));
    return true;
}

bool CStringBase::OnLanguageName(std::wstring_view, const std::wstring&) { return true; }

bool CStringBase::AddLanguage(std::wstring_view language, const std::wstring& displayOrder,
                              const std::wstring&) {
    languages_[PackLanguage(language)] = displayOrder;
    return true;
}

void CStringBase::LoadLanguageFiles() {
    std::wstring folder = folder_;
    if (folder.empty()) {
        folder = sys::CurrentMachine().program->ExecutablePath();
        const size_t cut = folder.find_last_of(L"\\/");
        if (cut == std::wstring::npos) return;
        folder.resize(cut + 1);
    } else if (!IsSeparator(folder.back())) {
        folder += kSeparator;
    }
    ParseFile(folder + L"TavLang.Xml");
    for (const std::wstring& name :
         sys::CurrentMachine().files->FindFiles(folder, L"CustomTavLang*.Xml")) {
        ParseFile(folder + name);
    }
}

void CStringBase::ParseFile(const std::wstring& path) {
    const std::string name = tav::ToUtf8(path);
    if (name.size() > kMaxPathBytes || name.find('\0') != std::string::npos) return;
    state_ = kOutside;
    code_.clear();
    convertedCode_.clear();
    convertedId_ = 0;
    textStore_.clear();
    textStore_.reserve(kMaxTextBytes);

    Kmk::Xml::EnsureParserInitialised();
    xmlSubstituteEntitiesDefault(1);
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.getEntity = &Handlers::GetEntity;
    sax.startElement = &Handlers::StartElement;
    sax.endElement = &Handlers::EndElement;
    sax.characters = &Handlers::Characters;
    sax.warning = &Quiet;
    sax.error = &Quiet;
    sax.fatalError = &Quiet;
    sax.initialized = 1;  // the element callbacks above, not the namespace-aware ones
    // A file that cannot be opened is reported before the handlers above are in place.
    const QuietGenericErrors quiet;
    // Whatever was stored before an error stays stored.
    xmlSAXUserParseFile(&sax, this, name.c_str());
}

bool CStringBase::NameIs(std::string_view name, std::string_view asciiName) {
    // The rule of tav::FoldEquals: with an ASCII name to match, UTF-8 bytes compare one to one,
    // since no byte of a longer sequence folds to an ASCII letter.
    if (name.size() != asciiName.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (tav::FoldAscii(static_cast<unsigned char>(name[i])) !=
            tav::FoldAscii(static_cast<unsigned char>(asciiName[i]))) {
            return false;
        }
    }
    return true;
}

void CStringBase::StartElement(std::string_view name, const unsigned char** attributes) {
    // The first attribute's name and value, and the second's, when present.
    std::string_view first, firstValue, second, secondValue;
    if (attributes && attributes[0]) {
        first = View(attributes[0]);
        firstValue = View(attributes[1]);
        if (attributes[2]) {
            second = View(attributes[2]);
            secondValue = View(attributes[3]);
        }
    }
    switch (state_) {
        case kOutside:
            if (NameIs(name, "STRING")) {
                // A code too long to keep counts as missing, so that its texts cannot land
                // under the code of an earlier element.
                if (NameIs(first, "code") && !firstValue.empty() &&
                    firstValue.size() <= kMaxCodeBytes) {
                    code_.assign(firstValue);
                    state_ = kInString;
                }
            } else if (NameIs(name, "LANGUAGES")) {
                state_ = kInLanguages;
            }
            break;
        case kInString:
        case kInLanguages:
            if (!NameIs(name, "LANG")) break;
            if (NameIs(first, "code") && !firstValue.empty()) {
                language_.clear();
                tav::AppendFromUtf8(language_, firstValue.substr(0, 2));
                textStore_.clear();
                state_ = state_ == kInString ? kInStringLang : kInLanguagesLang;
            }
            if (NameIs(second, "displayorder") && !secondValue.empty()) {
                displayOrder_.assign(CutUtf8(secondValue, kMaxDisplayOrderBytes));
            }
            break;
        case kInStringLang:
        case kInLanguagesLang:
            break;  // nested elements add their character data to the text
    }
}

void CStringBase::EndElement(std::string_view name) {
    switch (state_) {
        case kInString:
            if (NameIs(name, "STRING")) state_ = kOutside;
            break;
        case kInLanguages:
            if (NameIs(name, "LANGUAGES")) state_ = kOutside;
            break;
        case kInStringLang: {
            if (!NameIs(name, "LANG")) break;
            // Converted straight into the string that the table will keep.
            std::wstring text;
            text.reserve(textStore_.size());
            tav::AppendFromUtf8(text, textStore_);
            AddString(code_, language_, std::move(text));
            state_ = kInString;
            break;
        }
        case kInLanguagesLang:
            if (!NameIs(name, "LANG")) break;
            if (!textStore_.empty()) {
                textBuffer_.clear();
                tav::AppendFromUtf8(textBuffer_, textStore_);
                const std::wstring order = tav::FromUtf8(displayOrder_);
                OnLanguageName(language_, textBuffer_);
                AddLanguage(language_, order, textBuffer_);
            }
            state_ = kInLanguages;
            break;
        case kOutside:
            break;
    }
}

void CStringBase::Characters(const char* chars, size_t length) {
    if (state_ != kInStringLang && state_ != kInLanguagesLang) return;
    // A chunk that does not fit is left out whole.
    if (textStore_.size() + length <= kMaxTextBytes) textStore_.append(chars, length);
}
