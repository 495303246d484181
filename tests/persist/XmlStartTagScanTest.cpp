// Looking over documents for start tags with too many attributes, in every layout libxml2 reads.
#include "persist/XmlStartTagScan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The text's characters as code units of width bytes, in the byte order asked for.
std::string Encode(std::u32string_view text, size_t width, bool bigEndian) {
    std::string bytes;
    for (const char32_t c : text) {
        for (size_t i = 0; i < width; ++i) {
            const size_t shift = 8 * (bigEndian ? width - 1 - i : i);
            bytes += static_cast<char>((c >> shift) & 0xFF);
        }
    }
    return bytes;
}

TEST(XmlStartTagScanTest, CountsEveryAttributeOfAStartTagAndNothingElse) {
    struct Case {
        const char* what;
        std::string document;
        bool tooMany;  // more than three attributes in a start tag
    };
    const Case cases[] = {
        {"three", "<a x=\"1\" y='2' z=\"3\"></a>", false},
        {"four", "<r><a x=\"1\" y='2' z=\"3\" w=\"4\"/></r>", true},
        {"blanks around the signs", "<a x = \"1\" y\n=\n'2' z= \"3\" w\t='4'>", true},
        {"values holding > and =", "<a x=\">=\" y='>\"' z=\"=>'\" w=\"\">", true},
        {"after a byte order mark", "\xEF\xBB\xBF<a x='' y='' z='' w=''>", true},
        {"signs in text", "<a x='' y='' z=''>= = = = =</a>", false},
        {"signs outside start tags",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<!DOCTYPE a [ <!ENTITY e \"a=b c=d e=f g=h\"> ]><!-- a=1 b=2 c=3 d=4 --><a></a b=c d=e f=g h=i>",
         false},
        {"many tags of three", "<a x='' y='' z=''><b x='' y='' z=''/></a>", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.tooMany, Kmk::Xml::HasStartTagWithMoreAttributes(c.document, 3)) << c.what;
    }
}

TEST(XmlStartTagScanTest, ReadsWideDocumentsByTheirCharacters) {
    // U+223E and U+3E22 hold the bytes of '>' and '"': read byte by byte they would end the
    // value and the tag early.
    const std::u32string four = U"<?xml version='1.0'?><a x='\u223E\u3E22' y='' z='' w=''/>";
    const std::u32string three = U"<?xml version='1.0'?><a x='\u223E\u3E22' y='' z=''/>";
    struct Case {
        const char* what;
        size_t width;
        bool bigEndian;
        std::string mark;
    };
    const Case cases[] = {
        {"UTF-16LE", 2, false, "\xFF\xFE"},
        {"UTF-16BE", 2, true, "\xFE\xFF"},
        {"UTF-16LE without a mark", 2, false, ""},
        {"UTF-16BE without a mark", 2, true, ""},
        {"UCS-4LE", 4, false, ""},
        {"UCS-4BE", 4, true, ""},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(Kmk::Xml::HasStartTagWithMoreAttributes(
            c.mark + Encode(four, c.width, c.bigEndian), 3))
            << c.what;
        EXPECT_FALSE(Kmk::Xml::HasStartTagWithMoreAttributes(
            c.mark + Encode(three, c.width, c.bigEndian), 3))
            << c.what;
    }
}

}  // namespace
