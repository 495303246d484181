// Windows-1252: Latin-1 with typographic characters in 0x80-0x9F.
#include "system/CodePage.h"

#include "system/LowerCaseTable.h"

namespace sys {
namespace {

// The characters of bytes 0x80-0x9F; the five bytes without a character of their own stand
// for the control character of the same number, as Windows maps them.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte of one character; false when the code page has none.
bool ByteOf(char32_t c, char& byte) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        byte = static_cast<char>(c);
        return true;
    }
    for (unsigned i = 0; i < 32; ++i) {
        if (kHighControls[i] == c) {
            byte = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

// The letters with a lower-case form: A-Z, the Latin-1 capitals (not the multiplication sign
// 0xD7) and the four capitals among the typographic characters.
constexpr std::array<uint8_t, 256> LowerCaseBytes() {
    std::array<uint8_t, 256> lower{};
    for (int b = 0; b < 256; ++b) {
        const bool letter = (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7);
        lower[b] = uint8_t(letter ? b + 0x20 : b);
    }
    lower[0x8A] = 0x9A;  // S caron
    lower[0x8C] = 0x9C;  // OE
    lower[0x8E] = 0x9E;  // Z caron
    lower[0x9F] = 0xFF;  // Y diaeresis
    return lower;
}

constexpr LowerCaseTable kLowerCase(LowerCaseBytes());

}  // namespace

bool Windows1252CodePage::FromWide(std::wstring_view text, std::string& bytes) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        char byte = 0;
        if (!ByteOf(static_cast<char32_t>(c), byte)) return false;
        out += byte;
    }
    bytes.swap(out);
    return true;
}

void Windows1252CodePage::ToLower(std::string& text) { kLowerCase.Apply(text); }

}  // namespace sys
