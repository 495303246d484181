// Removes block and line comments from script text line by line.
#include "signature/CommentStripper.h"

std::string_view CCommentStripper::Strip(std::string_view line) {
    constexpr size_t npos = std::string_view::npos;
    if (inBlock_) {
        const size_t close = line.find("*/");
        if (close == npos) return {};
        line.remove_prefix(close + 2);
        inBlock_ = false;
    }
    // Most lines hold no comment at all, and many only a line comment: no copy for them.
    if (line.find('/') == npos) return line;
    if (line.find("/*") == npos) return line.substr(0, line.find("//"));

    // The text of a pass is kept_ followed by line from at. kept_ never holds a "/*": the first
    // one goes before the text after it is kept. So the next "/*" is the last '/' of kept_ with
    // the '*' at line[at], or lies in the rest of the line. Under FromLineStart kept_ holds no
    // "*/" either, or the pass that kept it would have found the "/*" unclosed.
    kept_.clear();
    size_t at = 0;
    for (;;) {
        const bool joined =
            !kept_.empty() && kept_.back() == '/' && at < line.size() && line[at] == '*';
        size_t star = at;  // index in line of the '*' of the "/*"
        if (!joined) {
            const size_t slash = line.find("/*", at);
            if (slash == npos) {
                kept_.append(line.substr(at));
                break;
            }
            star = slash + 1;
        }
        size_t close = npos;
        bool closed = false;
        if (closeSearch_ == CloseSearch::FromOpening) {
            close = line.find("*/", star);
            closed = close != npos;
        } else {
            // The first "*/" of the text: formed at the join, or the first in the rest, which
            // closes the comment only when it begins after the "/*".
            const bool closeAtJoin = !joined && !kept_.empty() && kept_.back() == '*' &&
                                     line[at] == '/';
            close = line.find("*/", at);
            closed = !closeAtJoin && close != npos && close >= star;
        }
        if (joined) {
            kept_.pop_back();
        } else {
            kept_.append(line.substr(at, star - 1 - at));
        }
        if (closed) {
            at = close + 2;
            continue;
        }
        // Unclosed: the rest of the line went and the block state is set. The next pass is
        // inside the block comment: what is left goes through its first "*/", or all of it.
        const size_t end = kept_.find("*/");
        if (end == npos) {
            inBlock_ = true;
            return {};
        }
        kept_.erase(0, end + 2);
        break;
    }
    // No "/*" is left: a "//" removes the rest of the text.
    const size_t slashes = kept_.find("//");
    if (slashes != npos) kept_.resize(slashes);
    return kept_;
}
