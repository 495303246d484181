// Removes block ("/*" to "*/") and line ("//") comments from script text line by line, carrying
// an open block comment from one line to the next.
#pragma once

#include <string>
#include <string_view>

// Every "/*" and "//" counts, also inside string literals. On each line the first "/*" is
// removed with its comment, repeatedly (the text around a removed comment is joined, and the
// join may form a new marker); an unclosed one removes the rest of the line and opens the block
// state for the next lines. Once no "/*" is left, a "//" removes the rest of the line.
class CCommentStripper {
public:
    // Where the closing "*/" of a comment opened on a line is looked for.
    enum class CloseSearch {
        // From the "/*" on, so "/*/" is a whole comment (script files).
        FromOpening,
        // From the start of the line (script inside ASP and HTML pages). A "*/" that ends
        // before the "/*" begins cannot close it and is passed over; one that ends on the '/'
        // of the "/*" ("*/*") closes it at once, which removes just that '/'.
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
