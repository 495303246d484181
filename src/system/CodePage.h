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
};

// Windows-1252 (Western European), the code page of the Linux build and of the tests.
class Windows1252CodePage final : public ICodePage {
public:
    bool FromWide(std::wstring_view text, std::string& bytes) override;
    bool IsLeadByte(uint8_t) override { return false; }
};

}  // namespace sys
