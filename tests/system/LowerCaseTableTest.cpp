// Lower-casing through a byte table: ASCII runs and text with other bytes give what the table
// says, also when the table lowers ASCII letters other than A-Z.
#include "system/LowerCaseTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::array<uint8_t, 256> Identity() {
    std::array<uint8_t, 256> lower{};
    for (int b = 0; b < 256; ++b) lower[b] = uint8_t(b);
    return lower;
}

TEST(LowerCaseTableTest, EveryByteGoesThroughTheTable) {
    std::array<uint8_t, 256> plain = Identity();
    for (int b = 'A'; b <= 'Z'; ++b) plain[b] = uint8_t(b + 32);
    plain[0xC9] = 0xE9;
    // A dotless lower-case i for 'I', as a Turkish table would have it: ASCII text must not
    // be lowered as A-Z then.
    std::array<uint8_t, 256> dotless = plain;
    dotless['I'] = 0xFD;
    const std::array<uint8_t, 256> identity = Identity();

    const std::string ascii = "<HTML><BODY CLASS=\"Main\">@[`{ INDEX.HTM 0123456789 AZ</BODY>";
    const std::string asciiLower = "<html><body class=\"main\">@[`{ index.htm 0123456789 az</body>";
    struct Case {
        const std::array<uint8_t, 256>& table;
        std::string text, lowered;
    };
    const Case cases[] = {
        {plain, ascii, asciiLower},
        {plain, "", ""},
        {plain, ascii + "\xC9\xD7" + ascii, asciiLower + "\xE9\xD7" + asciiLower},
        {dotless, ascii, "<html><body class=\"main\">@[`{ \xFDndex.htm 0123456789 az</body>"},
        {identity, ascii, ascii},
    };
    for (const auto& [table, text, lowered] : cases) {
        std::string result = text;
        sys::LowerCaseTable(table).Apply(result);
        EXPECT_EQ(lowered, result) << text;
    }
}

}  // namespace
