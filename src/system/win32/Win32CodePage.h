// The ANSI code page of this Windows installation.
#pragma once

#include "system/CodePage.h"

namespace sys::win32 {

class Win32CodePage final : public ICodePage {
public:
    bool FromWide(std::wstring_view text, std::string& bytes) override;
    bool IsLeadByte(uint8_t byte) override;
};

}  // namespace sys::win32
