// Signature of XML files.
#include "signature/XMLSignature.h"

#include <libxml/entities.h>
#include <libxml/parser.h>

#include <cstring>
#include <string_view>

#include "base/WideText.h"
#include "persist/XmlParser.h"
#include "signature/Md5.h"
#include "signature/SignatureComments.h"
#include "system/Machine.h"

namespace {

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// The SAX callbacks; ctx is the digest being built. Names, attribute names and values reach
// the digest as UTF-8, in document order (text through OnCharacters).
struct DigestHandlers {
    static void Add(void* ctx, std::string_view bytes) {
        static_cast<CMd5*>(ctx)->Update(bytes.data(), bytes.size());
    }

    static void StartElement(void* ctx, const xmlChar* name, const xmlChar** attributes) {
        Add(ctx, View(name));
        for (const xmlChar** a = attributes; a && a[0]; a += 2) {
            Add(ctx, View(a[0]));
            Add(ctx, View(a[1]));
        }
    }

    static void EndElement(void* ctx, const xmlChar* name) { Add(ctx, View(name)); }

    // Only the five predefined entities exist; nothing external is ever fetched.
    static xmlEntityPtr GetEntity(void*, const xmlChar* name) { return xmlGetPredefinedEntity(name); }

    // The parser's reports are neither shown nor logged.
    static void Quiet(void*, const char*, ...) {}
};

}  // namespace

void CXMLSignature::OnCharacters(void* ctx, const unsigned char* chars, int length) {
    if (length <= 0) return;
    AddTrimmedText(*static_cast<CMd5*>(ctx),
                   std::string_view(reinterpret_cast<const char*>(chars), size_t(length)));
}

bool CXMLSignature::ComputeDigest(const std::wstring& path, Digest& digest) {
    Kmk::Xml::EnsureParserInitialised();
    // libxml2 opens file names as UTF-8 on every platform.
    const std::string name = tav::ToUtf8(path);
    if (name.empty() || name.find('\0') != std::string::npos) return false;
    // libxml2 would tell a missing file on the console before our handlers are in place.
    if (!sys::IsExistingFile(*sys::CurrentMachine().files, path)) return false;

    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.getEntity = &DigestHandlers::GetEntity;
    sax.startElement = &DigestHandlers::StartElement;
    sax.endElement = &DigestHandlers::EndElement;
    sax.characters = &CXMLSignature::OnCharacters;
    sax.ignorableWhitespace = &CXMLSignature::OnCharacters;
    sax.warning = &DigestHandlers::Quiet;
    sax.error = &DigestHandlers::Quiet;
    sax.fatalError = &DigestHandlers::Quiet;
    sax.initialized = 1;  // the element callbacks above, not the namespace-aware ones

    CMd5 md5;
    if (xmlSAXUserParseFile(&sax, &md5, name.c_str()) != 0) return false;
    digest = md5.Final();
    return true;
}

const char* CXMLSignature::LinePattern() const { return signature_comments::kMarkupPattern; }

std::string CXMLSignature::SignatureLine(const std::string& signatureText) const {
    return signature_comments::MarkupLine(signatureText);
}
