// How a text file stores its characters, and text converted into that form.
#include "ReplaceTokenInFile/TextEncoding.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/WideText.h"

namespace replacetoken {
namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// Whether text is a sequence of whole characters: surrogates only in high-low pairs of
// UTF-16, and nothing past U+10FFFF.
bool IsWellFormed(std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = static_cast<char32_t>(text[i]);
        if (c > 0x10FFFF) return false;
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (sizeof(wchar_t) != 2 || i + 1 == text.size()) return false;
            const char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            ++i;
        }
    }
    return true;
}

}  // namespace

TextEncoding DetectEncoding(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (StartsWith(bytes, "\xEF\xBB\xBF"sv)) return TextEncoding::Utf8Bom;
    // UTF-32 little endian begins like UTF-16 little endian, so it is asked first.
    if (StartsWith(bytes, "\xFF\xFE\0\0"sv)) return TextEncoding::Unsupported;
    if (StartsWith(bytes, "\xFF\xFE"sv)) return TextEncoding::Utf16LeBom;
    if (StartsWith(bytes, "\xFE\xFF"sv) || StartsWith(bytes, "\0\0\xFE\xFF"sv)) {
        return TextEncoding::Unsupported;
    }
    return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::CodePage;
}

size_t MarkLength(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return 3;
    case TextEncoding::Utf16LeBom:
        return 2;
    default:
        return 0;
    }
}

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t extra = 0;
        // The allowed range of the first continuation byte excludes overlong forms,
        // surrogates and values past U+10FFFF.
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (n - i - 1 < extra) return false;
        if (p[i + 1] < low || p[i + 1] > high) return false;
        for (size_t k = 2; k <= extra; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) return false;
        }
        i += extra + 1;
    }
    return true;
}

bool EncodeText(std::wstring_view text, TextEncoding encoding, sys::ICodePage& codePage,
                std::string& bytes) {
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        if (!IsWellFormed(text)) return false;
        bytes = tav::ToUtf8(text);
        return true;
    case TextEncoding::Utf16LeBom: {
        if (!IsWellFormed(text)) return false;
        std::vector<uint8_t> units;
        tav::AppendUtf16Le(units, text);
        bytes.assign(units.begin(), units.end());
        return true;
    }
    case TextEncoding::CodePage:
        return codePage.FromWide(text, bytes);
    case TextEncoding::Unsupported:
        break;
    }
    return false;
}

size_t CharacterLength(std::string_view bytes, size_t pos, TextEncoding encoding,
                       sys::ICodePage& codePage) {
    size_t length = 1;
    if (encoding == TextEncoding::Utf16LeBom) {
        length = 2;
    } else if (encoding == TextEncoding::CodePage &&
               codePage.IsLeadByte(static_cast<uint8_t>(bytes[pos]))) {
        length = 2;
    }
    return std::min(length, bytes.size() - pos);
}

}  // namespace replacetoken
