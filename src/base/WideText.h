// Conversions between UTF-8 and wide text, and name comparison as the C runtime does it without a locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>
#include <cstdint>

namespace tav {

// UTF-8 of a wide text (UTF-16 on Windows, UTF-32 elsewhere); unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view text);

// Wide text of UTF-8 bytes; invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);

// Appends the wide text of UTF-8 bytes to out, as FromUtf8 converts them.
void AppendFromUtf8(std::wstring& out, std::string_view bytes);

// Wide text of UTF-16LE bytes, up to the first zero character or the end (an odd last byte is
// ignored). This is how Windows stores text in registry values and files.
std::wstring FromUtf16Le(const uint8_t* bytes, size_t length);

// UTF-16LE bytes of a wide text, without a terminating zero.
void AppendUtf16Le(std::vector<uint8_t>& out, std::wstring_view text);

// Folds A-Z to a-z and leaves every other character alone.
inline wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Compares as _wcsicmp does while no locale is set: negative, zero or positive.
int FoldCompare(std::wstring_view a, std::wstring_view b);

inline bool FoldEquals(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && FoldCompare(a, b) == 0;
}

// Hash that agrees with FoldEquals.
size_t FoldHash(std::wstring_view text);

// Copy of text with A-Z folded to a-z.
std::wstring FoldLower(std::wstring_view text);

// Copy of text with a-z folded to A-Z.
std::wstring FoldUpper(std::wstring_view text);

}  // namespace tav
