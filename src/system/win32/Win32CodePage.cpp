// The ANSI code page of this Windows installation, through the system's conversions.
#include "system/win32/Win32CodePage.h"

#include <windows.h>

#include <climits>

namespace sys::win32 {

bool Win32CodePage::FromWide(std::wstring_view text, std::string& bytes) {
    if (text.empty()) {
        bytes.clear();
        return true;
    }
    if (text.size() > static_cast<size_t>(INT_MAX)) return false;
    const int length = static_cast<int>(text.size());
    // A UTF-8 system code page takes neither flag nor default-character query; it can only
    // fail on unpaired surrogates, which it is told to refuse.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultQuery = utf8 ? nullptr : &usedDefault;
    const int needed = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0,
                                           nullptr, usedDefaultQuery);
    if (needed <= 0 || usedDefault) return false;
    std::string out(static_cast<size_t>(needed), '\0');
    const int written = WideCharToMultiByte(CP_ACP, flags, text.data(), length, out.data(),
                                            needed, nullptr, usedDefaultQuery);
    if (written != needed || usedDefault) return false;
    bytes.swap(out);
    return true;
}

bool Win32CodePage::IsLeadByte(uint8_t byte) { return IsDBCSLeadByteEx(CP_ACP, byte) != FALSE; }

}  // namespace sys::win32
