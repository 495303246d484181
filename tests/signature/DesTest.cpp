// DES: known-answer vectors, decryption inverting encryption, parity bits ignored, and (on
// Linux) agreement with the OpenSSL command line.
#include "signature/Des.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "base/WideText.h"
#include "fakes/ScratchFolder.h"
#include "signature/OpenSslTool.h"

namespace {

struct Block {
    uint8_t bytes[8];
};

Block FromHex(const char* hex) {
    Block block{};
    for (int i = 0; i < 8; ++i) {
        unsigned value = 0;
        std::sscanf(hex + 2 * i, "%2x", &value);
        block.bytes[i] = static_cast<uint8_t>(value);
    }
    return block;
}

std::string ToHex(const uint8_t* bytes, size_t count) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

std::string Encrypt(const char* key, const char* plain) {
    const Block k = FromHex(key), p = FromHex(plain);
    Block c{};
    CDes(k.bytes).EncryptBlock(p.bytes, c.bytes);
    return ToHex(c.bytes, 8);
}

std::string Decrypt(const char* key, const char* cipher) {
    const Block k = FromHex(key), c = FromHex(cipher);
    Block p{};
    CDes(k.bytes).DecryptBlock(c.bytes, p.bytes);
    return ToHex(p.bytes, 8);
}

TEST(DesTest, KnownAnswers) {
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Vector vectors[] = {
        {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
        {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
        {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},  // "Now is t"
        {"0000000000000000", "0000000000000000", "8CA64DE9C1B123A7"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "7359B2163E4EDC58"},
        {"3000000000000000", "1000000000000001", "958E6E627A05557B"},
        {"1111111111111111", "1111111111111111", "F40379AB9E0EC533"},
        {"0101010101010101", "95F8A5E5DD31D900", "8000000000000000"},  // variable plain text
        {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},  // variable key
    };
    for (const Vector& v : vectors) {
        EXPECT_EQ(v.cipher, Encrypt(v.key, v.plain)) << "key " << v.key;
        EXPECT_EQ(v.plain, Decrypt(v.key, v.cipher)) << "key " << v.key;
    }
}

TEST(DesTest, DecryptInvertsEncryptAndParityBitsAreIgnored) {
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        uint8_t key[8], plain[8], cipher[8], back[8];
        for (auto& b : key) b = static_cast<uint8_t>(random());
        for (auto& b : plain) b = static_cast<uint8_t>(random());
        const CDes des(key);
        des.EncryptBlock(plain, cipher);
        des.DecryptBlock(cipher, back);
        ASSERT_EQ(ToHex(plain, 8), ToHex(back, 8));

        uint8_t flipped[8];
        for (int i = 0; i < 8; ++i) flipped[i] = key[i] ^ 1;
        uint8_t other[8];
        CDes(flipped).EncryptBlock(plain, other);
        ASSERT_EQ(ToHex(cipher, 8), ToHex(other, 8));
    }
}

#ifndef _WIN32
// The signature key and random keys over several blocks, each block by itself (ECB).
TEST(DesTest, AgreesWithOpenSslInElectronicCodeBook) {
    if (!testing_support::HaveOpenSsl()) GTEST_SKIP() << "openssl is not on PATH";
    testing_support::ScratchFolder folder;
    std::mt19937 random(11);
    for (int round = 0; round < 4; ++round) {
        uint8_t key[8];
        if (round == 0) {
            for (int i = 0; i < 8; ++i) key[i] = static_cast<uint8_t>("KR4vpLNQ"[i]);
        } else {
            for (auto& b : key) b = static_cast<uint8_t>(random());
        }
        std::string plain(8 * 5, '\0');
        for (char& c : plain) c = static_cast<char>(random());
        const std::string path = tav::ToUtf8(folder.Write("plain" + std::to_string(round), plain));
        const std::string out = testing_support::CommandOutput(
            "openssl enc -des-ecb -nopad -provider legacy -provider default -K " +
            ToHex(key, 8) + " -in " + testing_support::ShellQuoted(path));
        ASSERT_EQ(plain.size(), out.size()) << "openssl enc failed";

        const CDes des(key);
        for (size_t at = 0; at < plain.size(); at += 8) {
            uint8_t cipher[8];
            des.EncryptBlock(reinterpret_cast<const uint8_t*>(plain.data() + at), cipher);
            EXPECT_EQ(ToHex(reinterpret_cast<const uint8_t*>(out.data() + at), 8),
                      ToHex(cipher, 8))
                << "key " << ToHex(key, 8) << " block " << at / 8;
        }
    }
}
#endif

}  // namespace
