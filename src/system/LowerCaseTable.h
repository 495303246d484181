// Lower-casing of single-byte code-page text through a table of its 256 characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sys {

class LowerCaseTable {
public:
    // lower[b] is the lower-case form of the character of byte b.
    constexpr explicit LowerCaseTable(const std::array<uint8_t, 256>& lower) : lower_(lower) {
        for (int b = 0; b < 0x80; ++b) {
            const int plain = b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b;
            if (lower_[b] != plain) asciiLettersOnly_ = false;
        }
    }

    // Lower-cases every byte of text.
    void Apply(std::string& text) const;

private:
    std::array<uint8_t, 256> lower_;
    // Whether the ASCII half lowers exactly A-Z, so that ASCII text, the common case, can be
    // lowered without the table.
    bool asciiLettersOnly_ = true;
};

}  // namespace sys
