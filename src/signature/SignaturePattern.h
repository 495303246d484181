// The small pattern language that recognises signature lines: '\' escapes the next character,
// "\b" matches one blank (space or tab), '*' repeats the preceding item zero or more times
// (greedy), '.' matches any character, unescaped braces delimit the captured group. Letters
// match in any case.
#pragma once

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
    struct Item;  // one character class, possibly repeated, or a group boundary
    std::vector<Item> items_;
};
