// The signature line pattern: the two patterns the signatures use on real-looking lines, the
// greedy capture, escapes, and lines that are not signature lines.
#include "signature/SignaturePattern.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kMarkup[] = "\\<\\!\\-\\-.*\\b*Signature\\b*=\\b*\\{{.*}\\}.*\\-\\-\\>";
const char kScript[] = "/\\*\\b*Signature\\b*=\\b*\\{{.*}\\}\\b*\\*/";

// The captured text, or "<no match>".
std::string Capture(const CSignaturePattern& pattern, const std::string& line) {
    std::string captured = "left over";
    return pattern.Search(line, captured) ? captured : "<no match>";
}

TEST(SignaturePatternTest, MarkupLines) {
    const CSignaturePattern p(kMarkup);
    EXPECT_EQ("0A1B2C3D-4E5F6071", Capture(p, "<!-- Signature={0A1B2C3D-4E5F6071} -->\n"));
    EXPECT_EQ("AB", Capture(p, "<!--Signature={AB}-->"));
    EXPECT_EQ("AB", Capture(p, "<!-- \t signature \t=\t {AB}  -->"));
    EXPECT_EQ("ab", Capture(p, "<!-- SIGNATURE={ab} -->"));
    // Any text may stand between the comment start and the word, and around the comment.
    EXPECT_EQ("AB", Capture(p, "  <p>text</p><!-- file Signature={AB} end --> <b>more</b>"));
    EXPECT_EQ("", Capture(p, "<!-- Signature={} -->"));
    // The capture is raw: blanks and anything else inside the braces belong to it.
    EXPECT_EQ(" AB CD ", Capture(p, "<!-- Signature={ AB CD } -->"));
}

TEST(SignaturePatternTest, ScriptLines) {
    const CSignaturePattern p(kScript);
    EXPECT_EQ("0A1B2C3D", Capture(p, "/*Signature={0A1B2C3D}*/\n"));
    EXPECT_EQ("0A1B2C3D", Capture(p, "/* \tSignature\t = {0A1B2C3D} \t*/"));
    EXPECT_EQ("x", Capture(p, "var a = 1; /*sIgNaTuRe={x}*/ var b = 2;"));
    // The script form allows only blanks between the closing brace and "*/".
    EXPECT_EQ("<no match>", Capture(p, "/*Signature={AB} x */"));
    // ... and none between "/*" and "Signature" except blanks.
    EXPECT_EQ("<no match>", Capture(p, "/* file Signature={AB}*/"));
}

// Repetitions are greedy: the group reaches to the last closing brace after which the rest of
// the pattern still matches, so two brace groups on one line are captured together with what
// lies between them.
TEST(SignaturePatternTest, TwoBraceGroupsOnOneLineAreCapturedGreedily) {
    const CSignaturePattern markup(kMarkup);
    EXPECT_EQ("AA} --> <!-- x={BB",
              Capture(markup, "<!-- Signature={AA} --> <!-- x={BB} -->"));
    // A closing brace after the last "-->" cannot end the group.
    EXPECT_EQ("AA", Capture(markup, "<!-- Signature={AA} --> if (a) {b}"));

    const CSignaturePattern script(kScript);
    EXPECT_EQ("AA}*/ f({b}); /* Signature={CC",
              Capture(script, "/*Signature={AA}*/ f({b}); /* Signature={CC} */"));
    // Here the second group is not followed by "*/": the group ends at the first brace.
    EXPECT_EQ("AA", Capture(script, "/*Signature={AA}*/ if (a) { b(); }"));
}

// The leftmost start wins: the earliest comment start from which the pattern can match.
TEST(SignaturePatternTest, LeftmostStart) {
    const CSignaturePattern markup(kMarkup);
    EXPECT_EQ("AB", Capture(markup, "<!-- a --> <!-- Signature={AB} -->"));
}

TEST(SignaturePatternTest, LinesThatAreNotSignatureLines) {
    const CSignaturePattern markup(kMarkup);
    const CSignaturePattern script(kScript);
    for (const char* line : {"", "<html>", "<!-- a comment -->", "<!-- Signature=AB -->",
                             "<!-- Signature={AB -->", "<!-- Signature {AB} -->",
                             "<!- Signature={AB} -->", "<!-- Signature={AB} --",
                             "Signature={AB} -->", "<!-- Signa ture={AB} -->"}) {
        EXPECT_EQ("<no match>", Capture(markup, line)) << line;
    }
    for (const char* line : {"", "var signature = {};", "/* Signature={AB}", "// Signature={AB}*/",
                             "/*Signature={AB}/", "/*Signature=[AB]*/", "/*Signature\n={AB}*/"}) {
        EXPECT_EQ("<no match>", Capture(script, line)) << line;
    }
}

TEST(SignaturePatternTest, EscapesAndClasses) {
    // Escaped braces, dot and star are literal; "\b" is one space or tab, not a letter b.
    const CSignaturePattern braces("\\{\\.\\*\\}");
    EXPECT_EQ("", Capture(braces, "x{.*}y"));
    EXPECT_EQ("<no match>", Capture(braces, "{a*}"));
    const CSignaturePattern blank("a\\bb");
    EXPECT_EQ("", Capture(blank, "a b"));
    EXPECT_EQ("", Capture(blank, "A\tB"));
    EXPECT_EQ("<no match>", Capture(blank, "abb"));
    EXPECT_EQ("<no match>", Capture(blank, "a  b"));
    // '.' is any character; a star repeats only the item before it.
    const CSignaturePattern dots("{a.c}");
    EXPECT_EQ("a\tc", Capture(dots, "xa\tcx"));
    const CSignaturePattern star("{ab*c}");
    EXPECT_EQ("ac", Capture(star, "ac"));
    EXPECT_EQ("abbbc", Capture(star, "abbbc"));
    EXPECT_EQ("<no match>", Capture(star, "aabab"));
    // Backtracking into a repetition: "a*" must give back the last 'a'.
    const CSignaturePattern back("{a*}ab");
    EXPECT_EQ("aaa", Capture(back, "aaaab"));
}

// Lines are first searched for the pattern's longest literal ("signature" here), sixteen
// positions at a time with a shorter tail: it must be found wherever it lies, in any case.
TEST(SignaturePatternTest, TheLiteralIsFoundAtEveryPlaceInTheLine) {
    const CSignaturePattern script(kScript);
    const std::string filler = "var x = \"a/b\"; if (y) { z(); } else { w(); } // ";
    for (size_t before = 0; before <= 40; ++before) {
        for (size_t after = 0; after <= 40; after += 3) {
            const std::string head = filler.substr(0, before), tail = filler.substr(0, after);
            EXPECT_EQ("AB", Capture(script, head + "/*SiGnAtUrE={AB}*/" + tail))
                << before << " " << after;
            EXPECT_EQ("<no match>", Capture(script, head + "/*Signatura={AB}*/" + tail));
            EXPECT_EQ("<no match>", Capture(script, head + "/*Sgnature={AB}*/" + tail));
        }
    }
    // Characters that differ only in the 0x20 bit from a literal's punctuation do not count.
    const CSignaturePattern close("{.*}\\-\\-\\>");
    EXPECT_EQ("x", Capture(close, "x-->"));
    EXPECT_EQ("<no match>", Capture(close, "x\r\r\x1e and some more text to fill a block"));
    EXPECT_EQ("0123456789abcdefghij", Capture(close, "0123456789abcdefghij-->"));
}

// Long ordinary lines, with and without the word, and the adversarial shape that makes naive
// backtracking explode, are all answered quickly (the test would time out otherwise).
TEST(SignaturePatternTest, LongLinesStayLinear) {
    const CSignaturePattern markup(kMarkup);
    std::string line = "<!--";
    for (int i = 0; i < 20000; ++i) line += " signature = {";
    EXPECT_EQ("<no match>", Capture(markup, line));
    line += "x} --";
    EXPECT_EQ("<no match>", Capture(markup, line));
    line += ">";
    std::string captured;
    EXPECT_TRUE(markup.Search(line, captured));
    // The first repetition reaches to the last "signature", so the group holds only "x".
    EXPECT_EQ("x", captured);

    const std::string code(1 << 20, 'x');
    EXPECT_EQ("<no match>", Capture(markup, code));
}

}  // namespace
