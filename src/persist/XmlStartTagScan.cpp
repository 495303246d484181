// A quick look over a whole XML document for start tags with very many attributes.
#include "persist/XmlStartTagScan.h"

#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Bit i of lt and eq tells whether byte i of the 64 at bytes is '<' and '='.
void MarkBlock(const char* bytes, uint64_t& lt, uint64_t& eq) {
    lt = 0;
    eq = 0;
#if defined(__SSE2__)
    for (int i = 0; i < 4; ++i) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
        const auto ltBits = static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('<'))));
        const auto eqBits = static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('='))));
        lt |= uint64_t{ltBits} << (16 * i);
        eq |= uint64_t{eqBits} << (16 * i);
    }
#else
    for (int i = 0; i < 64; ++i) {
        lt |= uint64_t{bytes[i] == '<'} << i;
        eq |= uint64_t{bytes[i] == '='} << i;
    }
#endif
}

// Whether more than limit '=' bytes lie between two '<' bytes somewhere. Every attribute of a
// start tag lies between its '<' and the next one and has an '=', so in a document of one
// byte a character, "no" means no tag has more attributes. Looks at 64 bytes at a time.
bool MoreSignsBetweenTags(std::string_view bytes, size_t limit) {
    size_t signs = 0;  // since the last '<'
    size_t at = 0;
    for (; at + 64 <= bytes.size(); at += 64) {
        uint64_t lt = 0, eq = 0;
        MarkBlock(bytes.data() + at, lt, eq);
        if (lt == 0) {
            signs += std::popcount(eq);
        } else {
            signs += std::popcount(eq & ((uint64_t{1} << std::countr_zero(lt)) - 1));
            if (signs > limit) return true;
            signs = std::popcount(eq >> (63 - std::countl_zero(lt)));
        }
        if (signs > limit) return true;
    }
    for (; at < bytes.size(); ++at) {
        if (bytes[at] == '<') {
            signs = 0;
        } else if (bytes[at] == '=' && ++signs > limit) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool HasStartTagWithMoreAttributes(std::string_view document, size_t maxAttributes) {
    const Layout layout = DetectLayout(document);
    // Most documents are settled by the quick count; the scan below tells which of the rest
    // really hold such a tag.
    if (layout.width == 1 && !MoreSignsBetweenTags(document.substr(layout.start), maxAttributes)) {
        return false;
    }
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
