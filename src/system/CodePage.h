// The system's ANSI code page: how text files without a byte-order mark store characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sys {

class ICodePage {
public:
    virtual ~ICodePage() = default;

    // The bytes of text in the code page; false when a character has no exact equivalent there
    // (no best-fit look-alikes and no default character are ever substituted).
    virtual bool FromWide(std::wstring_view text, std::string& bytes) = 0;

    // Whether byte begins a two-byte character; always false for single-byte code pages.
    virtual bool IsLeadByte(uint8_t byte) = 0;

    // Lower-cases text in place as the system lowers a string of the code page: every byte of
    // a single-byte code page as a character by itself, whatever the text's real encoding (so
    // UTF-8 text is lowered byte by byte too), and two-byte characters as whole characters.
    virtual void ToLower(std::string& text) = 0;
};

// Windows-1252 (Western European), the code page of the Linux build and of the tests.
class Windows1252CodePage final : public ICodePage {
public:
    bool FromWide(std::wstring_view text, std::string& bytes) override;
    bool IsLeadByte(uint8_t) override { return false; }
    // A-Z, 0xC0-0xDE except 0xD7, and 0x8A, 0x8C, 0x8E, 0x9F (to 0x9A, 0x9C, 0x9E, 0xFF).
    void ToLower(std::string& text) override;
};

}  // namespace sys
