// The comment stripper against the removal rule applied literally, pass by pass, on a copy of
// the line: every line of up to eight markers and letters, from both states, with the closing
// mark searched from the "/*" and from the start of the line.
#include "signature/CommentStripper.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using CloseSearch = CCommentStripper::CloseSearch;
constexpr size_t npos = std::string::npos;

// One pass after another until a pass finds nothing or the line is empty.
std::string StripByPasses(std::string line, CloseSearch search, bool& inBlock) {
    while (!line.empty()) {
        if (inBlock) {
            const size_t close = line.find("*/");
            if (close == npos) return "";
            line.erase(0, close + 2);
            inBlock = false;
            continue;
        }
        const size_t open = line.find("/*");
        if (open == npos) return line.substr(0, line.find("//"));
        const size_t close = line.find("*/", search == CloseSearch::FromOpening ? open : 0);
        if (close != npos && close > open) {
            line.erase(open, close + 2 - open);
        } else {
            line.erase(open);
            inBlock = true;
        }
    }
    return line;
}

TEST(CommentStripperTest, AgreesWithTheRuleAppliedPassByPass) {
    const char kAlphabet[] = {'/', '*', 'a'};
    int compared = 0;
    for (const CloseSearch search : {CloseSearch::FromOpening, CloseSearch::FromLineStart}) {
        for (size_t length = 0; length <= 8; ++length) {
            size_t count = 1;
            for (size_t i = 0; i < length; ++i) count *= 3;
            for (size_t n = 0; n < count; ++n) {
                std::string line;
                for (size_t i = 0, digits = n; i < length; ++i, digits /= 3) {
                    line += kAlphabet[digits % 3];
                }
                for (const bool startInBlock : {false, true}) {
                    CCommentStripper stripper(search);
                    if (startInBlock) {
                        ASSERT_TRUE(stripper.Strip("/*").empty());
                    }
                    bool inBlock = startInBlock;
                    const std::string expected = StripByPasses(line, search, inBlock);
                    ASSERT_EQ(expected, std::string(stripper.Strip(line)))
                        << line << " from line start " << (search == CloseSearch::FromLineStart)
                        << " in block " << startInBlock;
                    ASSERT_EQ(inBlock, stripper.InBlockComment()) << line;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(2 * 2 * 9841, compared);
}

}  // namespace
