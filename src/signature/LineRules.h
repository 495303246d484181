// The content rules of a line-based signature class: what of a line counts for the digest.
#pragma once

#include <string_view>

class CLineRules {
public:
    virtual ~CLineRules() = default;

    // The significant text of the next line of the file (lines come in file order, so rules
    // may carry a state from one to the next). The result points into line or into a buffer
    // of the rules that stays valid until the next call.
    virtual std::string_view Strip(std::string_view line) = 0;
};
