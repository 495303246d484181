// Removes block and line comments from script text line by line.
#include "signature/CommentStripper.h"

std::string_view CCommentStripper::Strip(std::string_view line) {
    constexpr size_t npos = std::string_view::npos;
    size_t at = 0;
    if (inBlock_) {
        const size_t close = line.find("*/");
        if (close == npos) return {};
        at = close + 2;
        inBlock_ = false;
    }
    std::string_view rest = line.substr(at);
    // Most lines hold no comment at all, and many only a line comment: no copy for them.
    if (rest.find('/') == npos) return rest;
    size_t open = rest.find("/*");
    if (open == npos) return rest.substr(0, rest.find("//"));

    // The kept text grows left to right; it never holds a whole "/*", but its last '/' and the
    // next '*' of the line may form one after a comment between them was removed.
    kept_.clear();
    size_t i = 0;
    for (;;) {
        if (!kept_.empty() && kept_.back() == '/' && i < rest.size() && rest[i] == '*') {
            open = i;
            kept_.pop_back();
        } else {
            const size_t slash = rest.find("/*", i);
            if (slash == npos) {
                kept_.append(rest.substr(i));
                break;
            }
            kept_.append(rest.substr(i, slash - i));
            open = slash + 1;
        }
        // open is the index of the comment's '*'; the kept text ends just before its '/'.
        if (closeSearch_ == CloseSearch::FromLineStart && !kept_.empty() && kept_.back() == '*') {
            i = open;  // "*/*": only the '/' goes, and the '*' is ordinary text again
            continue;
        }
        const size_t close = rest.find("*/", open);
        if (close == npos) {
            // The rest of the line is comment; the block state applies from the next line.
            inBlock_ = true;
            return kept_;
        }
        i = close + 2;
    }
    // No "/*" is left: a "//" removes the rest of the line.
    const size_t slashes = kept_.find("//");
    if (slashes != npos) kept_.resize(slashes);
    return kept_;
}
