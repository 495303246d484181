// MD5: the RFC 1321 test suite, pieces split around the block and padding boundaries, and
// (on Linux) agreement with the OpenSSL command line.
#include "signature/Md5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "fakes/ScratchFolder.h"
#include "signature/OpenSslTool.h"

namespace {

std::string Hex(const CMd5::Digest& digest) {
    std::string text;
    char pair[3];
    for (uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

TEST(Md5Test, Rfc1321TestSuite) {
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Hex(CMd5::Of("")));
    EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", Hex(CMd5::Of("a")));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Hex(CMd5::Of("abc")));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", Hex(CMd5::Of("message digest")));
    EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", Hex(CMd5::Of("abcdefghijklmnopqrstuvwxyz")));
    EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
              Hex(CMd5::Of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
              Hex(CMd5::Of("1234567890123456789012345678901234567890"
                           "1234567890123456789012345678901234567890")));
}

TEST(Md5Test, MillionAsAcrossManyBlocksAndUpdates) {
    CMd5 md5;
    const std::string chunk(1000, 'a');
    for (int i = 0; i < 1000; ++i) md5.Update(chunk.data(), chunk.size());
    EXPECT_EQ("7707d6ae4e027c70eea2a935c2296f21", Hex(md5.Final()));
}

// Whatever the pieces, the digest is the one of the whole message; the lengths around 56 and
// 64 bytes decide whether the padding needs a second block.
TEST(Md5Test, PiecesSplitAtAwkwardBoundariesGiveTheWholeDigest) {
    const std::string message = RandomBytes(1000, 7);
    const std::vector<size_t> sizes = {1, 55, 56, 63, 64, 65, 127, 128, 129};
    for (size_t total : {size_t(55), size_t(56), size_t(63), size_t(64), size_t(65), size_t(119),
                         size_t(120), size_t(128), size_t(1000)}) {
        const std::string whole = message.substr(0, total);
        const CMd5::Digest expected = CMd5::Of(whole);
        for (size_t piece : sizes) {
            CMd5 md5;
            for (size_t at = 0; at < total; at += piece) {
                md5.Update(whole.data() + at, std::min(piece, total - at));
            }
            EXPECT_EQ(Hex(expected), Hex(md5.Final())) << "total " << total << " piece " << piece;
        }
        // Uneven pieces: a short one first leaves every later block unaligned with the input.
        CMd5 md5;
        size_t at = 0;
        for (size_t piece : {size_t(3), size_t(55), size_t(1), size_t(63), size_t(65)}) {
            const size_t take = std::min(piece, total - at);
            md5.Update(whole.data() + at, take);
            at += take;
        }
        md5.Update(whole.data() + at, total - at);
        md5.Update(whole.data(), 0);
        EXPECT_EQ(Hex(expected), Hex(md5.Final())) << "total " << total << " uneven";
    }
}

TEST(Md5Test, FinalStartsANewMessage) {
    CMd5 md5;
    const std::string earlier(100, 'e');  // more than a block: state and length both change
    md5.Update(earlier.data(), earlier.size());
    md5.Final();
    md5.Update("abc", 3);
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Hex(md5.Final()));
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Hex(md5.Final()));
}

#ifndef _WIN32
TEST(Md5Test, AgreesWithOpenSsl) {
    if (!testing_support::HaveOpenSsl()) GTEST_SKIP() << "openssl is not on PATH";
    testing_support::ScratchFolder folder;
    unsigned seed = 1;
    for (size_t size : {size_t(0), size_t(1), size_t(55), size_t(56), size_t(57), size_t(63),
                        size_t(64), size_t(65), size_t(4096), size_t(100003)}) {
        const std::string bytes = RandomBytes(size, seed++);
        const std::string path =
            tav::ToUtf8(folder.Write("random" + std::to_string(size) + ".bin", bytes));
        const std::string out =
            testing_support::CommandOutput("openssl dgst -md5 -r " + testing_support::ShellQuoted(path));
        ASSERT_GE(out.size(), 32u) << "openssl dgst failed for size " << size;
        EXPECT_EQ(out.substr(0, 32), Hex(CMd5::Of(bytes))) << "size " << size;
    }
}
#endif

}  // namespace
