// Removes block ("/*" to "*/") and line ("//") comments from script text line by line, carrying
// an open block comment from one line to the next.
#pragma once

#include <string>
#include <string_view>

// Every "/*" and "//" counts, also inside string literals. A line is worked on in passes, each
// on the text the earlier ones left, until a pass finds nothing or the text is empty:
// - outside a block comment, the first "/*" goes with its comment up to and including the
//   closing "*/"; without one, it goes with the rest of the text and opens the block state.
//   Without a "/*", a "//" removes the rest of the text;
// - inside a block comment, the text goes up to and including its first "*/", which ends the
//   state; without one, all of it goes and the state goes on to the next line.
// So after an unclosed "/*" the text before it goes as well, unless an earlier "*/" ends the
// block again at once. Removing a comment joins the text around it, and the join may form a new
// marker.
class CCommentStripper {
public:
    // Where the closing "*/" of a comment opened on a line is looked for.
    enum class CloseSearch {
        // From the "/*" on, so "/*/" is a whole comment (script files).
        FromOpening,
        // From the start of the text (script inside ASP and HTML pages): when its first "*/"
        // begins before the "/*", even on the '*' before its '/' ("*/*"), the "/*" is unclosed.
        FromLineStart,
    };

    explicit CCommentStripper(CloseSearch closeSearch) : closeSearch_(closeSearch) {}

    // The line without its comments. Points into line or into a buffer of the stripper that
    // stays valid until the next call.
    std::string_view Strip(std::string_view line);

    // Whether the last line stripped ended inside a block comment.
    bool InBlockComment() const { return inBlock_; }

private:
    CloseSearch closeSearch_;
    bool inBlock_ = false;
    std::string kept_;  // reused from line to line
};
