// The signature text and line: decoding and its failures, the text's form, a known answer made
// with the OpenSSL command line, reading the first signature line, signing with the file's line
// ends, the end of a file's text at a Ctrl-Z, and the choice of class by file type.
#include "signature/KmkSignature.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fakes/FakeMachine.h"
#include "signature/Des.h"
#include "signature/JsSignature.h"
#include "signature/Md5.h"
#include "signature/SignatureFactory.h"

namespace {

using namespace std::string_literals;
using Block = std::array<uint8_t, 20>;

const std::wstring kFile = L"C:\\Tav\\web\\queue.js";

// Derived by hand, independently of this code: the significant text of kScript is
// "function add(a, b) {return a + b;}"; `printf '%s' TEXT | openssl md5` gives
// 57a3c9d5b97cb48bde3f6c264428a5e1. The block is that digest's words 1, 0, 2, 3 and their
// exclusive or (74c8b499); with four pad bytes 04 appended,
// `openssl enc -des-ecb -K 4B523476704C4E51 -nopad -provider legacy -provider default`
// (the key is "KR4vpLNQ") turns the 24 bytes into the signature below.
constexpr char kScript[] =
    "// Print queue helpers.\n"
    "function add(a, b) {\n"
    "    return a + b; /* sum */\n"
    "}\n";
constexpr wchar_t kKnownSignature[] = L"71F47E2A-C4BBAE62-4408D8BF-0251F7D7-A058EC95-9A57A01C";
constexpr Block kKnownBlock = {0xb9, 0x7c, 0xb4, 0x8b, 0x57, 0xa3, 0xc9, 0xd5, 0xde, 0x3f,
                               0x6c, 0x26, 0x44, 0x28, 0xa5, 0xe1, 0x74, 0xc8, 0xb4, 0x99};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring Hex(const std::vector<uint8_t>& bytes) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

// The signature text of plain bytes (a whole number of cipher blocks) under the signature key.
std::wstring Encrypted(const std::vector<uint8_t>& plain) {
    const uint8_t key[8] = {'K', 'R', '4', 'v', 'p', 'L', 'N', 'Q'};
    const CDes des(key);
    std::vector<uint8_t> cipher(plain.size());
    for (size_t at = 0; at + 8 <= plain.size(); at += 8) {
        des.EncryptBlock(plain.data() + at, cipher.data() + at);
    }
    return Hex(cipher);
}

TEST(KmkSignatureTest, KnownAnswerDecodesSignsAndVerifies) {
    fakes::FakeMachine machine;
    CJsSignature signature;
    ASSERT_TRUE(signature.DecodeSignature(kKnownSignature));
    EXPECT_EQ(kKnownBlock, signature.Block());
    EXPECT_EQ(kKnownSignature, signature.FormatSignature());

    const std::string line = "/*Signature={" + Narrow(kKnownSignature) + "}*/\n";
    machine.files.AddFile(kFile, kScript + line);
    EXPECT_TRUE(CJsSignature().Verify(kFile));

    // Signing the bare script writes exactly that line.
    machine.files.AddFile(kFile, kScript);
    CJsSignature signer;
    ASSERT_TRUE(signer.Sign(kFile));
    EXPECT_EQ(kScript + line, machine.files.Read(kFile));
    EXPECT_EQ(kKnownBlock, signer.Block());
}

TEST(KmkSignatureTest, TextIsReadInAnyCaseWithDashesAnywhereAndWrittenInOneForm) {
    std::mt19937 random(7);
    for (size_t blocks = 3; blocks <= 5; ++blocks) {
        std::vector<uint8_t> bytes(8 * blocks);
        for (auto& b : bytes) b = uint8_t(random());
        std::wstring canonical;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i > 0 && i % 4 == 0) canonical += L'-';
            canonical += Hex({bytes[i]});
        }
        std::wstring loose;
        for (wchar_t c : Hex(bytes)) loose += L"-" + std::wstring(1, c >= L'A' ? c + 32 : c);

        CJsSignature signature;
        ASSERT_TRUE(signature.DecodeSignature(loose)) << blocks;
        EXPECT_EQ(bytes, signature.SignatureBytes());
        EXPECT_EQ(canonical, signature.FormatSignature());
        CJsSignature again;
        ASSERT_TRUE(again.DecodeSignature(signature.FormatSignature()));
        EXPECT_EQ(signature.Block(), again.Block());
    }
}

TEST(KmkSignatureTest, PaddingIsRemovedOnlyWhenWholeAndTheBlockMustBeComplete) {
    std::vector<uint8_t> plain(24);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(0x10 + i);
    CJsSignature signature;

    // No pad pattern: all 24 bytes are data, the block is the first 20.
    ASSERT_TRUE(signature.DecodeSignature(Encrypted(plain)));
    EXPECT_EQ(0x10, signature.Block()[0]);
    EXPECT_EQ(0x10 + 19, signature.Block()[19]);

    // Four bytes of 4 leave exactly the block.
    std::fill(plain.begin() + 20, plain.end(), 4);
    EXPECT_TRUE(signature.DecodeSignature(Encrypted(plain)));

    // Five bytes of 5 leave 19 bytes of data: too short for a block.
    std::fill(plain.begin() + 19, plain.end(), 5);
    EXPECT_FALSE(signature.DecodeSignature(Encrypted(plain)));
    // Not all of the last five are 5: nothing is removed.
    plain[19] = 6;
    EXPECT_TRUE(signature.DecodeSignature(Encrypted(plain)));
    EXPECT_EQ(6, signature.Block()[19]);

    // Two blocks hold at most 16 bytes.
    plain.resize(16);
    EXPECT_FALSE(signature.DecodeSignature(Encrypted(plain)));
}

TEST(KmkSignatureTest, MalformedTextFailsAndLeavesTheBlock) {
    CJsSignature signature;
    ASSERT_TRUE(signature.DecodeSignature(kKnownSignature));
    const std::wstring known = kKnownSignature;
    const std::wstring digits = L"71F47E2AC4BBAE624408D8BF0251F7D7A058EC959A57A01C";
    const std::wstring bad[] = {
        L"",
        L"----",
        digits.substr(0, digits.size() - 1),                   // odd digit count
        digits.substr(0, digits.size() - 2),                   // 23 bytes
        digits + L"00",                                        // 25 bytes
        L"G" + digits.substr(1),                               // not a hex digit
        digits.substr(0, 10) + L" " + digits.substr(11),       // a blank for a digit
        digits.substr(0, 10) + L"\x661" + digits.substr(11),   // a digit of another script
        digits.substr(0, 10) + L"\x131" + digits.substr(11),   // truncates to '1' as a byte
    };
    for (const auto& text : bad) {
        EXPECT_FALSE(signature.DecodeSignature(text)) << Narrow(text);
        EXPECT_EQ(kKnownBlock, signature.Block());
    }
}

TEST(KmkSignatureTest, TheFirstSignatureLineCountsAndAFileWithoutOneFails) {
    fakes::FakeMachine machine;
    machine.files.AddFile(kFile, kScript);
    EXPECT_FALSE(CJsSignature().Verify(kFile));  // never signed
    EXPECT_FALSE(CJsSignature().Verify(L"C:\\Tav\\web\\missing.js"));

    ASSERT_TRUE(CJsSignature().Sign(kFile));
    const std::string signedText = machine.files.Read(kFile);
    ASSERT_TRUE(CJsSignature().Verify(kFile));
    const std::string good = signedText.substr(std::string(kScript).size());
    const std::string stale = "/* Signature = {" + Narrow(std::wstring(L"00") + kKnownSignature + L"00") + "} */\n";

    // Both lines are left out of the digest, but only the first is read.
    machine.files.AddFile(kFile, good + kScript + stale);
    EXPECT_TRUE(CJsSignature().Verify(kFile));
    machine.files.AddFile(kFile, stale + kScript + good);
    std::wstring text;
    ASSERT_TRUE(CJsSignature().ReadSignature(kFile, text));
    EXPECT_EQ(std::wstring(L"00") + kKnownSignature + L"00", text);
    EXPECT_FALSE(CJsSignature().Verify(kFile));

    // The markup form does not count in a script.
    machine.files.AddFile(kFile, std::string(kScript) + "<!-- Signature={" +
                                     Narrow(kKnownSignature) + "} -->\n");
    EXPECT_FALSE(CJsSignature().ReadSignature(kFile, text));
}

TEST(KmkSignatureTest, SigningKeepsLineEndsAndContentAndReplacesEarlierLines) {
    fakes::FakeMachine machine;
    struct Case {
        std::string before;
        std::string content;  // expected before the new signature line
        std::string lineEnd;
    };
    const std::string old = "/*Signature={00112233}*/";
    const Case cases[] = {
        {"a();\r\nb();\r\n", "a();\r\nb();\r\n", "\r\n"},
        {"a();\nb();\n", "a();\nb();\n", "\n"},
        {"a();\r\nb();", "a();\r\nb();\r\n", "\r\n"},           // the last line gets its end
        {"a();\nb();\r\n", "a();\nb();\r\n", "\n"},             // as the first line ends
        {"a();\n" + old + "\nb();\n" + old, "a();\nb();\n", "\n"},  // earlier lines go
        {"", "", "\n"},
        // Behind a zero byte a signature line is no longer one.
        {"x\0y\r\nz\0/*Signature={1}*/\r\n"s, "x\0y\r\nz\0/*Signature={1}*/\r\n"s, "\r\n"},
    };
    int temporaryFiles = 0;
    for (const auto& [before, content, lineEnd] : cases) {
        machine.files.AddFile(kFile, before);
        CKmkSignature::Digest unsigned_{}, signed_{};
        CJsSignature signature;
        ASSERT_TRUE(signature.ComputeDigest(kFile, unsigned_));
        ASSERT_TRUE(signature.Sign(kFile)) << before;
        ++temporaryFiles;
        const std::string line = "/*Signature={" + Narrow(signature.FormatSignature()) + "}*/";
        EXPECT_EQ(content + line + lineEnd, machine.files.Read(kFile)) << before;
        ASSERT_TRUE(CJsSignature().ComputeDigest(kFile, signed_));
        EXPECT_EQ(unsigned_, signed_) << before;
        EXPECT_TRUE(CJsSignature().Verify(kFile)) << before;
        // The temporary file is gone again.
        EXPECT_EQ(temporaryFiles, machine.files.temporaryFiles);
        EXPECT_TRUE(machine.files.List(L"C:\\Temp").empty());
    }
}

TEST(KmkSignatureTest, TextEndsAtACtrlZAndSigningKeepsTheBytesAfterIt) {
    fakes::FakeMachine machine;
    const std::string line = "/*Signature={" + Narrow(kKnownSignature) + "}*/\n";
    std::wstring text;
    // Neither a signature line nor content after a Ctrl-Z is read.
    machine.files.AddFile(kFile, kScript + "\x1A"s + line);
    EXPECT_FALSE(CJsSignature().ReadSignature(kFile, text));
    machine.files.AddFile(kFile, kScript + line + "x\x1A changed();\n" + line);
    EXPECT_FALSE(CJsSignature().Verify(kFile));  // the "x" before the Ctrl-Z counts
    machine.files.AddFile(kFile, kScript + line + "\x1A changed();\n");
    EXPECT_TRUE(CJsSignature().Verify(kFile));

    // The new line goes before the Ctrl-Z, where reading finds it; an earlier signature line
    // after it is left with the other bytes there.
    const std::string tail = "\x1A tail\r\n/*Signature={00}*/\r\n\x1A";
    machine.files.AddFile(kFile, "a();\r\n/*Signature={11}*/\r\nb();" + tail);
    CKmkSignature::Digest before{}, after{};
    CJsSignature signature;
    ASSERT_TRUE(signature.ComputeDigest(kFile, before));
    EXPECT_EQ(CMd5::Of("a();b();"), before);
    ASSERT_TRUE(signature.Sign(kFile));
    EXPECT_EQ("a();\r\nb();\r\n/*Signature={" + Narrow(signature.FormatSignature()) + "}*/\r\n" +
                  tail,
              machine.files.Read(kFile));
    ASSERT_TRUE(CJsSignature().ComputeDigest(kFile, after));
    EXPECT_EQ(before, after);
    EXPECT_TRUE(CJsSignature().Verify(kFile));
}

TEST(KmkSignatureTest, SigningFailsWithoutTouchingTheFileWhenItCannotWork) {
    fakes::FakeMachine machine;
    EXPECT_FALSE(CJsSignature().Sign(kFile));  // missing

    machine.files.AddFile(kFile, kScript);
    machine.files.AddFolder(L"C:\\Temp");
    machine.files.DenyCreateIn(L"C:\\Temp");
    EXPECT_FALSE(CJsSignature().Sign(kFile));
    EXPECT_EQ(kScript, machine.files.Read(kFile));

    fakes::FakeMachine other;
    other.files.AddFile(kFile, kScript);
    other.files.Lock(kFile);
    EXPECT_FALSE(CJsSignature().Sign(kFile));
    other.files.Unlock(kFile);
    EXPECT_EQ(kScript, other.files.Read(kFile));
    EXPECT_TRUE(other.files.List(L"C:\\Temp").empty());
}

TEST(KmkSignatureTest, FactoryChoosesByTheLastThreeCharactersInAnyCase) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\web\\default.asp", L"CASPSignature"}, {L"C:\\web\\DEFAULT.ASP", L"CASPSignature"},
        {L"C:\\web\\queue.js", L"CJsSignature"},     {L"C:\\web\\queue.Js", L"CJsSignature"},
        {L"C:\\web\\site.css", L"CJsSignature"},     {L"C:\\web\\index.htm", L"CHtmlSignature"},
        {L"C:\\web\\mail.TPL", L"CHtmlSignature"},   {L"C:\\web\\config.xml", L"CXMLSignature"},
        {L"C:\\web\\index.html", L""},               {L"C:\\web\\tools.ajs", L""},
        {L"C:\\web\\app.dll", L""},                  {L"js", L""},
        {L"", L""},
    };
    for (const auto& [path, expected] : cases) {
        std::wstring kind = L"stale";
        const auto signature = CreateSignatureForFile(path, &kind);
        EXPECT_EQ(expected, kind) << Narrow(path);
        EXPECT_EQ(*expected != 0, signature != nullptr) << Narrow(path);
    }
    EXPECT_NE(nullptr, CreateSignatureForFile(L"a.xml"));  // kind is optional
}

}  // namespace
