// UTF conversions and locale-free name comparison.
#include "base/WideText.h"

#include <gtest/gtest.h>

namespace {

TEST(WideText, Utf8RoundTripIncludingCharactersBeyondTheBasicPlane) {
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x96\xA8";
    const std::wstring wide = tav::FromUtf8(utf8);
    EXPECT_EQ(utf8, tav::ToUtf8(wide));
    EXPECT_EQ(sizeof(wchar_t) == 2 ? 10u : 9u, wide.size());
}

TEST(WideText, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(std::wstring(L"a\xFFFD" L"b"), tav::FromUtf8("a\xC3" "b"));
    EXPECT_EQ(std::wstring(L"\xFFFD\xFFFD"), tav::FromUtf8("\xC0\xAF"));
    EXPECT_EQ(std::wstring(L"\xFFFD"), tav::FromUtf8("\xED\xA0\x80"));  // a surrogate
    EXPECT_EQ(std::wstring(L"x\xFFFD"), tav::FromUtf8("x\xF0\x9F\x96"));  // cut short
}

TEST(WideText, Utf16LeStopsAtTheFirstZeroAndIgnoresAnOddByte) {
    const uint8_t bytes[] = {'a', 0, 'b', 0, 0, 0, 'c', 0, 'd'};
    EXPECT_EQ(L"ab", tav::FromUtf16Le(bytes, sizeof bytes));
    EXPECT_EQ(L"a", tav::FromUtf16Le(bytes, 3));
    std::vector<uint8_t> encoded;
    tav::AppendUtf16Le(encoded, tav::FromUtf8("\xF0\x9F\x96\xA8z"));
    ASSERT_EQ(6u, encoded.size());
    EXPECT_EQ(0x3D, encoded[0]);  // high surrogate 0xD83D, little endian
    EXPECT_EQ(0xD8, encoded[1]);
    EXPECT_EQ(tav::FromUtf8("\xF0\x9F\x96\xA8z"),
              tav::FromUtf16Le(encoded.data(), encoded.size()));
}

TEST(WideText, FoldingTouchesOnlyAsciiLetters) {
    EXPECT_TRUE(tav::FoldEquals(L"AffectedServices", L"AFFECTEDservices"));
    EXPECT_FALSE(tav::FoldEquals(L"\x00C4rger", L"\x00E4rger"));  // no locale: Ä is not ä
    EXPECT_LT(tav::FoldCompare(L"abc", L"ABD"), 0);
    EXPECT_GT(tav::FoldCompare(L"b", L"A"), 0);
    EXPECT_LT(tav::FoldCompare(L"ab", L"abc"), 0);
    // '_' (0x5F) sorts after 'Z' but before 'a' unfolded; folding puts letters after it.
    EXPECT_LT(tav::FoldCompare(L"_", L"A"), 0);
    EXPECT_EQ(tav::FoldHash(L"File12"), tav::FoldHash(L"FILE12"));
}

}  // namespace
