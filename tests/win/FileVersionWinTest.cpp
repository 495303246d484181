// File versions read from the version resources of real executables.
#include <gtest/gtest.h>

#include "system/FileVersion.h"
#include "win/WinTestSupport.h"

namespace {

using sys::FileVersion;

TEST(FileVersionWin, FlagSelectsFileOrProductVersion) {
    const FileVersion file(wintest::ProbeExe(), false);
    ASSERT_FALSE(file.IsUnread());
    EXPECT_EQ(L"1.2.3.4", file.Text());
    EXPECT_EQ(1, file.Major());
    EXPECT_EQ(2, file.Minor());
    EXPECT_EQ(3, file.Build());
    EXPECT_EQ(4, file.Revision());
    EXPECT_EQ(wintest::ProbeExe(), file.Path());

    const FileVersion product(wintest::ProbeExe(), true);
    ASSERT_FALSE(product.IsUnread());
    EXPECT_EQ(L"5.6.7.8", product.Text());
    EXPECT_TRUE(product > file);
    EXPECT_TRUE(file < product);
    EXPECT_FALSE(file == product);
}

TEST(FileVersionWin, RevisionsCompareAsNumbers) {
    const FileVersion r1000(wintest::Probe1000Exe(), false);
    const FileVersion r999(wintest::Probe1000Exe(), true);
    const FileVersion r4(wintest::ProbeExe(), false);
    ASSERT_EQ(L"1.2.3.1000", r1000.Text());
    ASSERT_EQ(L"1.2.3.999", r999.Text());

    EXPECT_TRUE(r1000 > r999);
    EXPECT_FALSE(r1000 < r999);
    EXPECT_TRUE(r999 < r1000);
    EXPECT_TRUE(r4 < r999);
    EXPECT_TRUE(r1000 == FileVersion(wintest::Probe1000Exe(), false));

    EXPECT_TRUE(r1000 == std::wstring_view(L"1.2.3.1000"));
    EXPECT_TRUE(r1000 > std::wstring_view(L"1.2.3.999"));
    EXPECT_TRUE(r1000 < std::wstring_view(L"1.2.4.0"));
    EXPECT_TRUE(r999 < std::wstring_view(L"1.2.3.1000beta"));
    EXPECT_FALSE(r1000 > std::wstring_view(L"1.2.3"));
    EXPECT_FALSE(r1000 < std::wstring_view(L"1.2.3"));
}

TEST(FileVersionWin, FileWithoutResourceIsUnreadAndComparesFalse) {
    const FileVersion readable(wintest::ProbeExe(), false);
    for (const std::wstring& path : {wintest::PlainExe(), wintest::PlainExe() + L".missing"}) {
        for (bool product : {false, true}) {
            const FileVersion none(path, product);
            SCOPED_TRACE(testing::Message() << "product " << product << " missing "
                                            << (path != wintest::PlainExe()));
            EXPECT_TRUE(none.IsUnread());
            EXPECT_EQ(L"unknown_version", none.Text());
            EXPECT_EQ(0, none.Major() + none.Minor() + none.Build() + none.Revision());
            EXPECT_FALSE(none == none);
            EXPECT_FALSE(none == readable);
            EXPECT_FALSE(none < readable);
            EXPECT_FALSE(none > readable);
            EXPECT_FALSE(readable == none);
            EXPECT_FALSE(readable < none);
            EXPECT_FALSE(readable > none);
            EXPECT_FALSE(none == std::wstring_view(L"0.0.0.0"));
            EXPECT_FALSE(none < std::wstring_view(L"1.0.0.0"));
            EXPECT_FALSE(none > std::wstring_view(L"0.0.0.0"));
        }
    }
}

}  // namespace
