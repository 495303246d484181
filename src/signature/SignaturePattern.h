// The small pattern language that recognises signature lines: '\' escapes the next character,
// "\b" matches one blank (space or tab), '*' repeats the preceding item zero or more times
// (greedy), '.' matches any character, unescaped braces delimit the captured group. Letters
// match in any case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CSignaturePattern {
public:
    explicit CSignaturePattern(std::string_view pattern);

    // Whether the pattern matches anywhere within line (bytes); captured receives the text
    // the group matched.
    bool Search(std::string_view line, std::string& captured) const;

private:
    // One character class, possibly repeated, or a group boundary.
    struct Item {
        enum class Kind : uint8_t { Literal, Any, Blank, GroupOpen, GroupClose };
        Kind kind;
        char folded;  // the lower-case character of a literal
        bool repeat;  // followed by '*'
    };

    bool MayMatch(std::string_view line) const;

    std::vector<Item> items_;
    // The longest run of single literals: every match contains it, so a line without it is
    // rejected before any matching. Lower case; empty when the pattern has no literal.
    std::string required_;
    // Two of its characters, the least common ones in text, looked for first.
    size_t probe1_ = 0, probe2_ = 0;
};
