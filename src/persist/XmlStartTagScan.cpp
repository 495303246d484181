// A quick look over a whole XML document for start tags with very many attributes.
#include "persist/XmlStartTagScan.h"

#include <cstdint>
#include <cstring>

namespace Kmk::Xml {
namespace {

// How the document's characters are laid out in bytes.
struct Layout {
    size_t width = 1;        // bytes a character takes: 1 (UTF-8 and single-byte), 2 or 4
    bool bigEndian = false;
    size_t start = 0;        // bytes of a byte order mark
};

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// libxml2's own detection from the first bytes. In the encodings that stay one byte wide
// (UTF-8, ISO-8859, ASCII) the bytes of '<', '>', '=' and the quotes are never part of
// another character.
Layout DetectLayout(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (StartsWith(bytes, "\0\0\0<"sv)) return {4, true, 0};
    if (StartsWith(bytes, "<\0\0\0"sv)) return {4, false, 0};
    if (StartsWith(bytes, "\0<\0?"sv)) return {2, true, 0};
    if (StartsWith(bytes, "<\0?\0"sv)) return {2, false, 0};
    if (StartsWith(bytes, "\xEF\xBB\xBF"sv)) return {1, false, 3};
    if (StartsWith(bytes, "\xFE\xFF"sv)) return {2, true, 2};
    if (StartsWith(bytes, "\xFF\xFE"sv)) return {2, false, 2};
    return {};
}

uint32_t CharAt(std::string_view bytes, size_t at, const Layout& layout) {
    uint32_t c = 0;
    for (size_t i = 0; i < layout.width; ++i) {
        const uint32_t byte = static_cast<unsigned char>(bytes[at + i]);
        c |= byte << (8 * (layout.bigEndian ? layout.width - 1 - i : i));
    }
    return c;
}

bool IsBlank(uint32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool HasStartTagWithMoreAttributes(std::string_view document, size_t maxAttributes) {
    const Layout layout = DetectLayout(document);
    // Where the scan is: in text (or a comment, declaration or end tag), right after '<', in
    // a start tag, after an '=' of one, or in a quoted value.
    enum class State { kText, kOpened, kTag, kEquals, kValue } state = State::kText;
    uint32_t quote = 0;
    size_t attributes = 0;
    const size_t end = document.size() - (document.size() - layout.start) % layout.width;
    for (size_t at = layout.start; at < end; at += layout.width) {
        if (state == State::kText && layout.width == 1) {
            // Text makes up most of a document: skip to the next tag at once.
            const void* found = std::memchr(document.data() + at, '<', end - at);
            if (found == nullptr) break;
            at = static_cast<const char*>(found) - document.data();
        }
        const uint32_t c = CharAt(document, at, layout);
        // libxml2 ends an attribute value and the start tag at any '<'.
        if (c == '<') {
            state = State::kOpened;
            continue;
        }
        switch (state) {
        case State::kText:
            break;
        case State::kOpened:
            // Declarations, comments, processing instructions and end tags hold no attributes.
            if (c == '!' || c == '?' || c == '/') {
                state = State::kText;
            } else {
                state = State::kTag;
                attributes = 0;
            }
            break;
        case State::kTag:
        case State::kEquals:
            if (c == '=') {
                if (++attributes > maxAttributes) return true;
                state = State::kEquals;
            } else if (c == '>') {
                state = State::kText;
            } else if (state == State::kEquals && (c == '"' || c == '\'')) {
                quote = c;
                state = State::kValue;
            } else if (!IsBlank(c)) {
                state = State::kTag;
            }
            break;
        case State::kValue:
            if (c == quote) state = State::kTag;
            break;
        }
    }
    return false;
}

}  // namespace Kmk::Xml
