// What of an ASP or HTML page counts for its digest: ASP pages lose the comments of their server
// scripts only; HTML pages are lower-cased and lose HTML comments and the comments of their
// script and style elements. Both keep their states across lines.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fakes/FakeMachine.h"
#include "signature/ASPSignature.h"
#include "signature/HtmlSignature.h"
#include "signature/Md5.h"
#include "system/Machine.h"

namespace {

class MarkupRulesTest : public ::testing::Test {
protected:
    CKmkSignature::Digest DigestOf(CKmkSignature&& signature, const std::string& content) {
        machine.files.AddFile(kPath, content);
        CKmkSignature::Digest digest{};
        EXPECT_TRUE(signature.ComputeDigest(kPath, digest));
        return digest;
    }
    CKmkSignature::Digest Asp(const std::string& content) {
        return DigestOf(CASPSignature(), content);
    }
    CKmkSignature::Digest Html(const std::string& content) {
        return DigestOf(CHtmlSignature(), content);
    }

    const std::wstring kPath = L"C:\\Tav\\web\\page";
    fakes::FakeMachine machine;
};

TEST_F(MarkupRulesTest, AspStripsCommentsOnlyInsideServerScripts) {
    const std::string page =
        "<p>http://tav/ /* not a comment */</p>\n"
        "<% var a = 1; // one\n"
        "   /* block\n"
        "   */ a = 2; %> <b>x</b> // y\n"
        "<i>http://x</i>\n"
        "<% a(); %> mid <% b(); // c\n"
        "x // y %>\n"   // the "%>" went with the comment: the script goes on
        "%>\n"
        "<u>//u</u>\n";
    EXPECT_EQ(CMd5::Of("<p>http://tav/ /* not a comment */</p>"
                       "<% var a = 1;"
                       "a = 2; %> <b>x</b>"
                       "<i>http://x</i>"
                       "<% a(); %> mid <% b();"
                       "x"
                       "%>"
                       "<u>//u</u>"),
              Asp(page));
}

TEST_F(MarkupRulesTest, LetterCaseCountsInAspButNotInHtml) {
    const std::string lower = "<p class=\"a\">Hello</p>\n<% x = 1 %>\n";
    const std::string upper = "<P CLASS=\"A\">HELLO</P>\n<% X = 1 %>\n";
    EXPECT_NE(Asp(lower), Asp(upper));
    EXPECT_EQ(Html(lower), Html(upper));
    EXPECT_EQ(CMd5::Of("<p class=\"a\">hello</p><% x = 1 %>"), Html(upper));
}

TEST_F(MarkupRulesTest, HtmlCommentsGoWithinALineAndAcrossLines) {
    const std::string page =
        "<HTML>\n"
        "<!-- header -->\n"
        "<P>Text <!-- inline --> more</P>\n"
        "  <!-- multi\n"
        "  <script> line\n"
        "line --> <B>after</B>\n";
    EXPECT_EQ(CMd5::Of("<html><p>text  more</p><b>after</b>"), Html(page));
}

TEST_F(MarkupRulesTest, HtmlScriptAndStyleElementsLoseTheirComments) {
    const std::string page =
        "<a href=\"http://tav/\">x</a>\n"
        "<SCRIPT type=\"text/javascript\"> // setup\n"
        "var u = \"http://a/\"; /* c */\n"
        "/* multi\n"
        "</script> still comment */ f();\n"
        "</SCRIPT> <!-- c -->\n"          // the element ends; the rest was read as script
        "<p>//kept</p>\n"
        "<!-- <script> --> <style>a { } /* x */</style> b // c\n"
        "<script>a();</script><script>\n"  // reopened after its last close
        "x // y\n"
        "</script>\n"
        "<p>//z</p>\n";
    EXPECT_EQ(CMd5::Of("<a href=\"http://tav/\">x</a>"
                       "<script type=\"text/javascript\">"
                       "var u = \"http:"
                       "f();"
                       "</script> <!-- c -->"
                       "<p>//kept</p>"
                       "<style>a { } </style> b"
                       "<script>a();</script><script>"
                       "x"
                       "</script>"
                       "<p>//z</p>"),
              Html(page));
}

TEST_F(MarkupRulesTest, AnUnclosedBlockCommentTakesTheTextBeforeIt) {
    // The next pass is inside the comment and removes the rest of the line.
    EXPECT_EQ(CMd5::Of("<p>y = 2; %>"), Asp("<p>\n<% x = 1; /* note\ncontinued */ y = 2; %>\n"));
    EXPECT_EQ(CMd5::Of("<script>y = 2;</script>"),
              Html("<SCRIPT>\nx = 1; /* note\ncontinued */ y = 2;\n</SCRIPT>\n"));

    // The closing "*/" is looked for from the start of the line here: when the first one
    // begins before the "/*", the "/*" is unclosed, and the pass inside the comment then
    // removes the text up to that "*/" and ends the comment.
    EXPECT_EQ(CMd5::Of("c = 3;e = 4; %>"), Asp("<% b = 2; */ c = 3; /* d\ne = 4; %>\n"));
    EXPECT_EQ(CMd5::Of("b<p>"), Asp("<% a */ b /* c */ d %>\n<p>\n"));
    EXPECT_EQ(CMd5::Of("*/y */ z %><p>"), Asp("<% */ */ /* x\ny */ z %>\n<p>\n"));
    EXPECT_EQ(CMd5::Of("b<p>http:"), Html("<script>a */ b /* c */ d</script>\n<p>http://x</p>\n"));
    // One that ends on the '/' of the "/*" goes with the line, and the comment stays open.
    EXPECT_EQ(CMd5::Of("%><p>"), Asp("<% x*/*y*/z %>\nstill */ %>\n<p>\n"));

    std::string many = "<% ";
    for (int i = 0; i < 2000; ++i) many += "*/ ";
    const std::string left = many.substr(6, many.size() - 7);  // the first "*/" ends the comment
    EXPECT_EQ(CMd5::Of(left + "<p>"), Asp(many + "/* b */ a\n<p>\n"));
}

TEST_F(MarkupRulesTest, HtmlIsLowerCasedInTheSystemCodePage) {
    // Windows-1252 here: accented capitals and the four capitals among 0x80-0x9F; the
    // multiplication sign and sharp s have no other form.
    EXPECT_EQ(CMd5::Of("<p>\xE0\xE9\xF5\xFC\xFD\xFE \xD7\xF7\xDF \x9A\x9C\x9E\xFF \x80\x8B</p>"),
              Html("<P>\xC0\xC9\xD5\xDC\xDD\xDE \xD7\xF7\xDF \x8A\x8C\x8E\x9F \x80\x8B</P>\n"));
    // UTF-8 bytes are lowered as the code page's characters: "\xC3\x89" (E acute) lowers its
    // first byte, and so differs from "\xC3\xA9" (e acute) after lowering as well.
    EXPECT_EQ(CMd5::Of("<p>\xE3\x89t\xE3\x89 \xE5\xB8</p>"),
              Html("<P>\xC3\x89T\xC3\x89 \xC5\xB8</P>\n"));
    EXPECT_NE(Html("<p>\xC3\xA9t\xC3\xA9</p>\n"), Html("<p>\xC3\x89T\xC3\x89</p>\n"));

    // The machine's code page decides: one that lowers nothing leaves the page as it is.
    class UnchangedCase final : public sys::ICodePage {
    public:
        bool FromWide(std::wstring_view, std::string&) override { return false; }
        bool IsLeadByte(uint8_t) override { return false; }
        void ToLower(std::string&) override {}
    } unchanged;
    sys::Machine machineWithPage = sys::CurrentMachine();
    machineWithPage.codePage = &unchanged;
    sys::Machine* previous = sys::ReplaceCurrentMachine(&machineWithPage);
    const CKmkSignature::Digest digest = Html("<P>\xC9</P>\n");
    sys::ReplaceCurrentMachine(previous);
    EXPECT_EQ(CMd5::Of("<P>\xC9</P>"), digest);
}

}  // namespace
