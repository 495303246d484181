// The ANSI code page of this Windows installation.
#pragma once

#include "system/CodePage.h"

namespace sys::win32 {

class Win32CodePage final : public ICodePage {
public:
    bool FromWide(std::wstring_view text, std::string& bytes) override;
    bool IsLeadByte(uint8_t byte) override;
    // Through the system's lower-casing of ANSI text: once for all 256 bytes of a single-byte
    // code page, for each text of a multi-byte one.
    void ToLower(std::string& text) override;
};

}  // namespace sys::win32
