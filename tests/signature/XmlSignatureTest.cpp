// What of an XML file counts for its digest: element names, attributes and trimmed text as the
// parser reads them; comments, processing instructions and layout do not. Real files, as the
// parser opens them itself.
#include "signature/XMLSignature.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "signature/Md5.h"

namespace {

class XmlSignatureTest : public ::testing::Test {
protected:
    XmlSignatureTest() { machine.UseHostFiles(); }

    // The digest of a file with that content; false when there is none.
    bool DigestOf(const std::string& content, CKmkSignature::Digest& digest) {
        return CXMLSignature().ComputeDigest(folder.Write("config.xml", content), digest);
    }
    CKmkSignature::Digest DigestOf(const std::string& content) {
        CKmkSignature::Digest digest{};
        EXPECT_TRUE(DigestOf(content, digest)) << content;
        return digest;
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
};

TEST_F(XmlSignatureTest, NamesAttributesAndTrimmedTextInDocumentOrder) {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<root a=\"1\" b=\"x y\">\r\n"
        "  <item>  Hello\r\n  world </item>\r\n"
        "  <empty/><![CDATA[ raw <b> ]]>\r\n"
        "  <name>Gr\xC3\xBC\xC3\x9F""e</name>\r\n"
        "</root>\r\n";
    // The parser hands on text in pieces, a new one at each line break; each is trimmed.
    EXPECT_EQ(CMd5::Of("root" "a" "1" "b" "x y"
                       "item" "Hello" "world" "item"
                       "empty" "empty" "raw <b>"
                       "name" "Gr\xC3\xBC\xC3\x9F""e" "name"
                       "root"),
              DigestOf(xml));
}

TEST_F(XmlSignatureTest, CommentsInstructionsAndLayoutDoNotCountAttributesAndTextDo) {
    const std::string base = "<root><item key=\"a\" value=\"1\">text</item></root>";
    const CKmkSignature::Digest digest = DigestOf(base);
    const std::string same[] = {
        "<?xml version=\"1.0\"?>\n<!-- about -->\n<root>\n  <item key=\"a\" value=\"1\">text</item>\n</root>\n",
        "<root><?tav step=\"1\"?><item  key = 'a'\n value=\"1\" >\n  text\n</item><!-- x --></root>",
        "<!DOCTYPE root SYSTEM \"missing.dtd\">" + base,  // never fetched
    };
    for (const auto& text : same) EXPECT_EQ(digest, DigestOf(text)) << text;
    const std::string changed[] = {
        "<root><item key=\"a\" value=\"2\">text</item></root>",
        "<root><item value=\"1\" key=\"a\">text</item></root>",
        "<root><item key=\"a\" value=\"1\">Text</item></root>",
        "<root><item key=\"a\" value=\"1\"/>text</root>",
    };
    for (const auto& text : changed) EXPECT_NE(digest, DigestOf(text)) << text;
}

TEST_F(XmlSignatureTest, SignedFilesVerifyUntilTheirContentChanges) {
    const std::wstring path =
        folder.Write("config.xml", "<root>\r\n  <item key=\"a\">1</item>\r\n</root>");
    ASSERT_TRUE(CXMLSignature().Sign(path));
    EXPECT_TRUE(CXMLSignature().Verify(path));
    std::string content;
    ASSERT_TRUE(sys::CurrentMachine().files->ReadAll(path, content));
    const std::string head = "<root>\r\n  <item key=\"a\">1</item>\r\n</root>\r\n<!-- Signature={";
    ASSERT_EQ(head, content.substr(0, head.size()));
    EXPECT_EQ("} -->\r\n", content.substr(content.size() - 7));

    // A comment anywhere keeps the signature valid, an attribute value does not.
    const std::string signatureLine = content.substr(content.find("<!-- Signature"));
    folder.Write("config.xml", "<!-- new -->\n<root><item key=\"a\">1</item></root>\n" + signatureLine);
    EXPECT_TRUE(CXMLSignature().Verify(path));
    folder.Write("config.xml", "<root><item key=\"b\">1</item></root>\n" + signatureLine);
    EXPECT_FALSE(CXMLSignature().Verify(path));
}

TEST_F(XmlSignatureTest, FilesThatAreNotWellFormedFailQuietly) {
    const std::string bad[] = {
        "<root><item></root>",
        "<root>&undeclared;</root>",
        "<!DOCTYPE root [<!ENTITY e SYSTEM \"config.xml\">]><root>&e;</root>",
        "",
        "<root/><!-- Signature={00} -->\n<second/>",
    };
    for (const auto& text : bad) {
        testing::internal::CaptureStderr();
        CKmkSignature::Digest digest{};
        EXPECT_FALSE(DigestOf(text, digest)) << text;
        EXPECT_EQ("", testing::internal::GetCapturedStderr()) << text;
    }
    CKmkSignature::Digest digest{};
    EXPECT_FALSE(CXMLSignature().ComputeDigest(folder.PathOf("missing.xml"), digest));
    EXPECT_FALSE(CXMLSignature().Verify(folder.Write("config.xml", "<a>\n<!-- Signature={00} -->")));
}

}  // namespace
