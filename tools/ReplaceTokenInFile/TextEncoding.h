// How a text file stores its characters, and text converted into that form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "system/CodePage.h"

namespace replacetoken {

enum class TextEncoding {
    Utf8,         // no byte-order mark, valid UTF-8 (plain ASCII included)
    Utf8Bom,      // EF BB BF
    Utf16LeBom,   // FF FE
    CodePage,     // no byte-order mark and not valid UTF-8: the system code page
    Unsupported,  // the mark of UTF-16 big endian or of UTF-32
};

// The encoding of a file's content, by its byte-order mark or else by whether it is UTF-8.
TextEncoding DetectEncoding(std::string_view bytes);

// Length of the byte-order mark that the encoding begins with.
size_t MarkLength(TextEncoding encoding);

// Whether bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The bytes of text in the encoding, without a mark; false when a character cannot be
// represented there (or text holds an unpaired surrogate).
bool EncodeText(std::wstring_view text, TextEncoding encoding, sys::ICodePage& codePage,
                std::string& bytes);

// Length of the character that starts at pos: the step between places where a character can
// begin. Never more than the bytes left.
size_t CharacterLength(std::string_view bytes, size_t pos, TextEncoding encoding,
                       sys::ICodePage& codePage);

}  // namespace replacetoken
