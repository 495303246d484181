// The ANSI code page of this Windows installation, through the system's conversions.
#include "system/win32/Win32CodePage.h"

#include <windows.h>

#include <array>
#include <climits>
#include <optional>

#include "system/LowerCaseTable.h"

namespace sys::win32 {
namespace {

// The lower-case form of each byte of a single-byte ANSI code page; none for the others,
// whose characters are lowered as whole characters of a text.
std::optional<LowerCaseTable> SingleByteLowerCase() {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1) return std::nullopt;
    char bytes[256];
    for (int b = 0; b < 256; ++b) bytes[b] = static_cast<char>(b);
    // Each byte is a character by itself, so one call lowers them all as it lowers any text.
    CharLowerBuffA(bytes, 256);
    std::array<uint8_t, 256> lower{};
    for (int b = 0; b < 256; ++b) lower[b] = static_cast<uint8_t>(bytes[b]);
    return LowerCaseTable(lower);
}

}  // namespace

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

void Win32CodePage::ToLower(std::string& text) {
    static const std::optional<LowerCaseTable> table = SingleByteLowerCase();
    if (table) {
        table->Apply(text);
        return;
    }
    // A text longer than one call takes goes in pieces that end after two ASCII bytes where it
    // can: the second of them is a character by itself, in double-byte code pages and in UTF-8.
    constexpr size_t kLongest = 0x7FFFFFFF;
    size_t at = 0;
    while (at < text.size()) {
        size_t piece = text.size() - at;
        if (piece > kLongest) {
            piece = kLongest;
            while (piece > 2 && (static_cast<unsigned char>(text[at + piece - 1]) >= 0x80 ||
                                 static_cast<unsigned char>(text[at + piece - 2]) >= 0x80)) {
                --piece;
            }
            if (piece <= 2) piece = kLongest;
        }
        CharLowerBuffA(text.data() + at, static_cast<DWORD>(piece));
        at += piece;
    }
}

}  // namespace sys::win32
