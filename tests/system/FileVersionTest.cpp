// Four-part file versions: parsing version texts, reading resources, comparing.
#include "system/FileVersion.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/FakeMachine.h"

namespace {

struct Parsed {
    bool ok;
    uint16_t a, b, c, d;
    bool operator==(const Parsed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Parsed& p) {
    return out << (p.ok ? "ok " : "fails ") << p.a << '.' << p.b << '.' << p.c << '.' << p.d;
}

Parsed Parse(std::wstring_view text) {
    Parsed p{false, 11, 22, 33, 44};
    p.ok = sys::ParseVersionText(text, p.a, p.b, p.c, p.d);
    return p;
}

TEST(ParseVersionText, NeedsThreeDotsAndReadsEachPartAsAtoiDoes) {
    EXPECT_EQ((Parsed{true, 7, 1, 2, 232}), Parse(L"7.1.2.232"));
    EXPECT_EQ((Parsed{true, 1, 2, 3, 232}), Parse(L"1.2.3.232abc"));
    EXPECT_EQ((Parsed{true, 1, 2, 3, 4}), Parse(L"1.2.3.4.5"));   // the rest after the third dot
    EXPECT_EQ((Parsed{true, 0, 0, 0, 0}), Parse(L"..."));
    EXPECT_EQ((Parsed{true, 0, 2, 0, 0}), Parse(L"x.2..y"));
    EXPECT_EQ((Parsed{true, 1, 2, 3, 4}), Parse(L" 1. +2.\t3. 4"));
    EXPECT_EQ((Parsed{true, 0, 65535, 4464, 65535}), Parse(L"65536.65535.70000.-1"));
    EXPECT_EQ((Parsed{true, 65535, 1, 1, 1}), Parse(L"99999999999.1.1.1"));

    // Too few dots: no part is written.
    EXPECT_EQ((Parsed{false, 11, 22, 33, 44}), Parse(L"1.2.3"));
    EXPECT_EQ((Parsed{false, 11, 22, 33, 44}), Parse(L"1"));
    EXPECT_EQ((Parsed{false, 11, 22, 33, 44}), Parse(L""));
    EXPECT_EQ((Parsed{false, 11, 22, 33, 44}), Parse(L"1,2,3,4"));
}

class FileVersionTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.versions.Set(L"C:\\Tav\\TavServer.exe", 7, 1, 2, 1000, 7, 0, 0, 0);
        machine.versions.Set(L"C:\\Tav\\Older.exe", 7, 1, 2, 999, 8, 0, 0, 0);
        machine.versions.Set(L"C:\\Tav\\Max.exe", 65535, 65535, 65535, 65535, 1, 2, 3, 4);
    }
    fakes::FakeMachine machine;
};

TEST_F(FileVersionTest, ReadsTheFileOrTheProductVersion) {
    const sys::FileVersion file(L"C:\\Tav\\TavServer.exe", false);
    EXPECT_FALSE(file.IsUnread());
    EXPECT_EQ(L"7.1.2.1000", file.Text());
    EXPECT_EQ(L"C:\\Tav\\TavServer.exe", file.Path());
    EXPECT_EQ(7, file.Major());
    EXPECT_EQ(1, file.Minor());
    EXPECT_EQ(2, file.Build());
    EXPECT_EQ(1000, file.Revision());

    const sys::FileVersion product(L"C:\\Tav\\TavServer.exe", true);
    EXPECT_EQ(L"7.0.0.0", product.Text());

    const sys::FileVersion max(L"C:\\Tav\\Max.exe", false);
    EXPECT_EQ(L"65535.65535.65535.65535", max.Text());
    EXPECT_EQ(L"1.2.3.4", sys::FileVersion(L"C:\\Tav\\Max.exe", true).Text());

    const sys::FileVersion missing(L"C:\\Tav\\NoResource.dll", false);
    EXPECT_TRUE(missing.IsUnread());
    EXPECT_EQ(L"unknown_version", missing.Text());
    EXPECT_EQ(0, missing.Major() + missing.Minor() + missing.Build() + missing.Revision());
}

TEST_F(FileVersionTest, ComparesNumbersPartByPart) {
    const sys::FileVersion v1000(L"C:\\Tav\\TavServer.exe", false);  // 7.1.2.1000
    const sys::FileVersion v999(L"C:\\Tav\\Older.exe", false);       // 7.1.2.999
    const sys::FileVersion again(L"C:\\Tav\\TavServer.exe", false);
    const sys::FileVersion product(L"C:\\Tav\\Older.exe", true);     // 8.0.0.0

    EXPECT_TRUE(v1000 > v999);
    EXPECT_FALSE(v1000 < v999);
    EXPECT_FALSE(v1000 == v999);
    EXPECT_TRUE(v999 < v1000);
    EXPECT_FALSE(v999 > v1000);
    EXPECT_TRUE(v1000 == again);
    EXPECT_FALSE(v1000 > again);
    EXPECT_FALSE(v1000 < again);
    // An earlier part decides before a later one.
    EXPECT_TRUE(product > v1000);
    EXPECT_TRUE(v1000 < product);

    EXPECT_TRUE(v1000 > L"7.1.2.999");
    EXPECT_TRUE(v1000 == L"7.1.2.1000");
    EXPECT_TRUE(v1000 == L"7.1.2.1000 build");
    EXPECT_TRUE(v1000 < L"7.1.2.1001");
    EXPECT_TRUE(v1000 < L"7.2.0.0");
    EXPECT_TRUE(v1000 > L"6.99.99.9999");
    EXPECT_TRUE(v1000 > L"7.1.1.65535");
    EXPECT_FALSE(v1000 > L"7.1.2.1000");
    EXPECT_FALSE(v1000 < L"7.1.2.1000");
}

TEST_F(FileVersionTest, EveryComparisonIsFalseWhenAVersionIsUnknown) {
    const sys::FileVersion known(L"C:\\Tav\\TavServer.exe", false);
    const sys::FileVersion unknown(L"C:\\Tav\\NoResource.dll", false);
    const sys::FileVersion unknownToo(L"C:\\Tav\\Other.dll", false);

    EXPECT_FALSE(unknown == unknownToo);
    EXPECT_FALSE(unknown > unknownToo);
    EXPECT_FALSE(unknown < unknownToo);
    EXPECT_FALSE(known == unknown);
    EXPECT_FALSE(known > unknown);
    EXPECT_FALSE(known < unknown);
    EXPECT_FALSE(unknown == known);
    EXPECT_FALSE(unknown > known);
    EXPECT_FALSE(unknown < known);

    // An unread version equals no text, not even "0.0.0.0".
    for (const wchar_t* text : {L"0.0.0.0", L"1.0.0.0", L"unknown_version"}) {
        EXPECT_FALSE(unknown == text) << text;
        EXPECT_FALSE(unknown > text) << text;
        EXPECT_FALSE(unknown < text) << text;
    }
    // A text with two dots does not parse: nothing is true of it.
    for (const wchar_t* text : {L"7.1.2", L"8.0.0", L"6.0.0", L"", L"unknown_version"}) {
        EXPECT_FALSE(known == text) << text;
        EXPECT_FALSE(known > text) << text;
        EXPECT_FALSE(known < text) << text;
    }
}

}  // namespace
