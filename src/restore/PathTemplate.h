// An installation path as a package description writes it: literal text and tokens, which the
// run replaced by values a restore cannot know for certain; a token matches any text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "updater/TupToken.h"

namespace restore {

class PathTemplate {
public:
    // text holds built-in "[$...]" tokens and the module's own token names.
    PathTemplate(const std::wstring& text, const std::vector<CTupToken>& moduleTokens);

    // Whether path is the template with some text in place of each token (letters folded).
    bool Matches(std::wstring_view path) const;

private:
    struct Piece {
        bool token;
        std::wstring text;
    };
    std::vector<Piece> pieces_;
};

}  // namespace restore
