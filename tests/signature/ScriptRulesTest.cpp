// What of a script file counts for its digest: comments go (a block comment across lines too),
// and so do blank lines and the white space around each line; the rest is hashed without
// separators.
#include "signature/JsSignature.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/FakeMachine.h"
#include "signature/Md5.h"

namespace {

using namespace std::string_literals;

class ScriptRulesTest : public ::testing::Test {
protected:
    CKmkSignature::Digest DigestOf(const std::string& content) {
        machine.files.AddFile(kPath, content);
        CKmkSignature::Digest digest{};
        EXPECT_TRUE(CJsSignature().ComputeDigest(kPath, digest));
        return digest;
    }

    const std::wstring kPath = L"C:\\Tav\\web\\scripts\\queue.js";
    fakes::FakeMachine machine;
};

TEST_F(ScriptRulesTest, CommentsAndLayoutAreLeftOut) {
    const std::string script =
        "  // header\r\n"
        "function f(a) {   \r\n"
        "\tvar b = a; /* inline */ var c = 2;\r\n"
        "\t/* open\r\n"
        "   still comment // and more\r\n"
        "*/ return b + c; // done\r\n"
        "\r\n"
        "}\r\n";
    EXPECT_EQ(CMd5::Of("function f(a) {var b = a;  var c = 2;return b + c;}"), DigestOf(script));
}

TEST_F(ScriptRulesTest, AddedCommentsBlankLinesAndIndentationDoNotChangeTheDigest) {
    const std::string base = "function f(a) {\n    return a * 2;\n}\nvar x = f(1);\n";
    const CKmkSignature::Digest digest = DigestOf(base);
    const std::string same[] = {
        "/* Copyright\n * Tav\n */\n" + base,
        "function f(a) { // doubles\n\n\n    return a * 2; /* twice */\n}\nvar x = f(1);\n",
        "function f(a) {\r\n\t\treturn a * 2;   \r\n}\r\n  var x = f(1);",
        "function f(a) {\n/* a\n   b */    return a * 2;\n}\nvar x = f(1);\n",
    };
    for (const auto& text : same) EXPECT_EQ(digest, DigestOf(text)) << text;
    const std::string changed[] = {
        "function f(a) {\n    return a * 3;\n}\nvar x = f(1);\n",
        "function f(a) {\n    return a*2;\n}\nvar x = f(1);\n",  // inside a line
        "function f(a) {\n    return a * 2;\n}\nvar x = f(1);\nf(2);\n",
    };
    for (const auto& text : changed) EXPECT_NE(digest, DigestOf(text)) << text;
}

TEST_F(ScriptRulesTest, MarkersCountInsideStringLiterals) {
    // A URL loses everything after its double slash; a "/*" in a string opens a comment, and
    // the line it stands on goes with it.
    EXPECT_EQ(CMd5::Of("var u = \"http:next();"),
              DigestOf("var u = \"http://tav/queue\"; call();\nnext();\n"));
    EXPECT_EQ(CMd5::Of("var glob = \"*.js\";shown();"),
              DigestOf("var glob = \"*.js\";\nvar p = \"a/*\";\nhidden();\n*/shown();"));
}

TEST_F(ScriptRulesTest, TheLineAsItShrinksIsSearchedAgain) {
    struct Case {
        std::string line;
        std::string kept;
    };
    const Case cases[] = {
        // Removing "/**/" joins '/' and '*' into a new "/*".
        {"p//**/*q*/r", "pr"},
        // The closing "*/" is looked for from the "/*" on, so "/*/" is a whole comment.
        {"a/*/b", "ab"},
        // A "*/" before the "/*" is ordinary text.
        {"a */ b /* c */ d", "a */ b  d"},
        {"x*/*y*/z", "x*z"},
        // "/*" is looked for before "//", wherever they stand.
        {"a // b /* c */ d", "a"},
        {"/*a*//*b*//*c*/d//e", "d"},
        // An unclosed "/*" opens the block state, and the next pass, inside the comment,
        // removes what is left of the line.
        {"a // b /* c", ""},
        {"x = 1; /* note\ncontinued */ y = 2;", "y = 2;"},
        // Unless a "*/" before the "/*" ends the comment again at once: it closes nothing, but
        // the pass inside the comment removes the text up to it.
        {"b = 2; */ c = 3; /* d\ne = 4;", "c = 3;e = 4;"},
        {"a */ b /* c", "b"},
    };
    for (const auto& [line, kept] : cases) {
        EXPECT_EQ(CMd5::Of(kept), DigestOf(line + "\n")) << line;
    }
}

TEST_F(ScriptRulesTest, LinesEndAtZeroBytesAndLoseEveryCarriageReturn) {
    EXPECT_EQ(CMd5::Of("abcghi"), DigestOf("abc\0def\r\n\0hidden\nghi"s));
    EXPECT_EQ(CMd5::Of("abc"), DigestOf("a\rb\r\rc\r\n \r \n"));
    EXPECT_EQ(CMd5::Of(""), DigestOf(""));
    // The signature line is skipped wherever it stands: inside a block comment its "*/" does
    // not close the comment.
    EXPECT_EQ(CMd5::Of("ad"),
              DigestOf("a\n /* Signature = {0011} */ \nb /*\n/*Signature={}*/\nc\n*/d\n"));
}

}  // namespace
