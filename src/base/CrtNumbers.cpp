// Number parsing with the Windows C runtime's rules.
#include "base/CrtNumbers.h"

namespace tav {
namespace {

// The runtime's white space for text without a locale.
bool IsCrtSpace(wchar_t c) { return c == L' ' || (c >= 0x09 && c <= 0x0D); }

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Skips white space and reads an optional sign; returns the index of the first digit.
size_t SkipPrefix(std::wstring_view text, bool& negative) {
    size_t i = 0;
    while (i < text.size() && IsCrtSpace(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    return i;
}

}  // namespace

uint32_t CrtWcstoul(std::wstring_view text) {
    bool negative = false;
    size_t i = SkipPrefix(text, negative);
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (!overflow) {
            value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
            if (value > 0xFFFFFFFFull) overflow = true;
        }
    }
    if (overflow) return 0xFFFFFFFFu;
    auto result = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - result) : result;
}

int32_t CrtAtoi(std::wstring_view text) {
    bool negative = false;
    size_t i = SkipPrefix(text, negative);
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (value <= 0x80000000ll) value = value * 10 + (text[i] - L'0');
    }
    if (negative) value = -value;
    if (value > 0x7FFFFFFFll) return 0x7FFFFFFF;
    if (value < -0x80000000ll) return static_cast<int32_t>(-0x7FFFFFFFll - 1);
    return static_cast<int32_t>(value);
}

}  // namespace tav
