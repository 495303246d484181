// The system's lower-casing of ANSI text, in a prefix whose ANSI code page is Windows-1252.
#include <gtest/gtest.h>

#include <string>

#include "system/CodePage.h"
#include "system/Machine.h"

namespace {

TEST(CodePageWin, LowersAsWindows1252Does) {
    sys::ICodePage& codePage = *sys::HostMachine().codePage;
    std::string bytes;
    if (!codePage.FromWide(L"\u00E9\u0160\u0178", bytes) || bytes != "\xE9\x8A\x9F") {
        GTEST_SKIP() << "the ANSI code page is not Windows-1252";
    }

    std::string text = "<P CLASS=X>\xC0\xC9\xDE \xD7\xDF\xF7 \x8A\x8C\x8E\x9F \x80\xB5 \xE9</P>";
    codePage.ToLower(text);
    EXPECT_EQ("<p class=x>\xE0\xE9\xFE \xD7\xDF\xF7 \x9A\x9C\x9E\xFF \x80\xB5 \xE9</p>", text);

    // Every byte, in a text long enough for the fast paths, as the portable table has it.
    std::string all, expected;
    for (int round = 0; round < 2; ++round) {
        for (int b = 0; b < 256; ++b) all += char(b);
    }
    expected = all;
    sys::Windows1252CodePage().ToLower(expected);
    codePage.ToLower(all);
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(uint8_t(expected[i]), uint8_t(all[i])) << "byte " << i % 256;
    }
}

}  // namespace
