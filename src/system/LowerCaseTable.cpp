// Lower-casing of single-byte code-page text through a table of its 256 characters.
#include "system/LowerCaseTable.h"

namespace sys {

void LowerCaseTable::Apply(std::string& text) const {
    if (asciiLettersOnly_) {
        // A-Z in one pass free of branches and table loads, so that it vectorises; the table
        // pass follows only for text with other bytes, and leaves lowered ASCII as it is.
        unsigned char high = 0;
        for (char& c : text) {
            high |= static_cast<unsigned char>(c);
            c = char(c + (uint8_t(c - 'A') < 26 ? 'a' - 'A' : 0));
        }
        if (high < 0x80) return;
    }
    for (char& c : text) c = char(lower_[static_cast<unsigned char>(c)]);
}

}  // namespace sys
