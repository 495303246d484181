// Conversions between UTF-8 and wide text, and locale-free name comparison.
#include "base/WideText.h"

#include <cstdint>
#include <cstring>

namespace tav {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsSurrogate(char32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

}  // namespace

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
                char32_t low = static_cast<char32_t>(text[i + 1]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if (IsSurrogate(cp) || cp > 0x10FFFF) cp = kReplacement;
        AppendUtf8(out, cp);
    }
    return out;
}

std::wstring FromUtf8(std::string_view bytes) {
    std::wstring out;
    AppendFromUtf8(out, bytes);
    return out;
}

namespace {

// Converts n bytes into dst, which has room for n wide characters: every sequence yields at
// most as many wide characters as it has bytes. Returns the end of what was written.
wchar_t* ConvertUtf8(const unsigned char* p, size_t n, wchar_t* dst) {
    size_t i = 0;
    while (i < n) {
        // Runs of ASCII, the bulk of every package description, eight bytes at a time.
        while (i + 8 <= n) {
            uint64_t block;
            std::memcpy(&block, p + i, 8);
            if (block & 0x8080808080808080ull) break;
            for (int k = 0; k < 8; ++k) dst[k] = static_cast<wchar_t>(p[i + k]);
            dst += 8;
            i += 8;
        }
        if (i == n) break;
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            *dst++ = static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        size_t extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            cp = lead & 0x1F;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            cp = lead & 0x0F;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            cp = lead & 0x07;
            minimum = 0x10000;
        } else {
            *dst++ = static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        size_t taken = 1;
        while (taken <= extra && i + taken < n && (p[i + taken] & 0xC0) == 0x80) {
            cp = (cp << 6) | (p[i + taken] & 0x3F);
            ++taken;
        }
        i += taken;
        if (taken != extra + 1 || cp < minimum || cp > 0x10FFFF || IsSurrogate(cp)) {
            *dst++ = static_cast<wchar_t>(kReplacement);
        } else if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            cp -= 0x10000;
            *dst++ = static_cast<wchar_t>(0xD800 + (cp >> 10));
            *dst++ = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *dst++ = static_cast<wchar_t>(cp);
        }
    }
    return dst;
}

}  // namespace

void AppendFromUtf8(std::wstring& out, std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    // Names and short values go through a buffer on the stack, longer text straight into place.
    constexpr size_t kShort = 64;
    if (bytes.size() <= kShort) {
        wchar_t buffer[kShort];
        const wchar_t* end = ConvertUtf8(p, bytes.size(), buffer);
        out.append(buffer, static_cast<size_t>(end - buffer));
        return;
    }
    const size_t old = out.size();
    out.resize(old + bytes.size());
    const wchar_t* end = ConvertUtf8(p, bytes.size(), out.data() + old);
    out.resize(static_cast<size_t>(end - out.data()));
}

std::wstring FromUtf16Le(const uint8_t* bytes, size_t length) {
    std::wstring out;
    const size_t units = length / 2;
    for (size_t i = 0; i < units; ++i) {
        char32_t unit = static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (unit == 0) break;
        if constexpr (sizeof(wchar_t) == 4) {
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
                const char32_t low =
                    static_cast<char32_t>(bytes[2 * i + 2] | (bytes[2 * i + 3] << 8));
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        out.push_back(static_cast<wchar_t>(unit));
    }
    return out;
}

void AppendUtf16Le(std::vector<uint8_t>& out, std::wstring_view text) {
    auto put = [&out](uint32_t unit) {
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    };
    for (wchar_t c : text) {
        const auto cp = static_cast<uint32_t>(c);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else if (cp > 0x10FFFF) {
            put(0xFFFD);
        } else {
            put(cp);
        }
    }
}

int FoldCompare(std::wstring_view a, std::wstring_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        // Compared as unsigned 16-bit units, as the Windows runtime does.
        const auto ca = static_cast<uint32_t>(FoldAscii(a[i]));
        const auto cb = static_cast<uint32_t>(FoldAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

size_t FoldHash(std::wstring_view text) {
    // FNV-1a over the folded characters.
    uint64_t h = 1469598103934665603ull;
    for (wchar_t c : text) {
        h ^= static_cast<uint32_t>(FoldAscii(c));
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
}

std::wstring FoldLower(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = FoldAscii(c);
    return out;
}

std::wstring FoldUpper(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return out;
}

}  // namespace tav
