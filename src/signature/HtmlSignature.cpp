// Signature of HTML pages and templates.
#include "signature/HtmlSignature.h"

#include <string>

#include "signature/CommentStripper.h"
#include "signature/LineRules.h"
#include "signature/SignatureComments.h"
#include "system/Machine.h"

namespace {

constexpr size_t npos = std::string_view::npos;

// The earlier of "<script" and "<style" in text, or npos.
size_t FindElementStart(std::string_view text) {
    const size_t script = text.find("<script");
    const size_t style = text.find("<style");
    return script < style ? script : style;
}

// The first "<!--", "<script" or "<style" in text, or npos; comment tells which kind it is.
size_t FindMarkup(std::string_view text, bool& comment) {
    for (size_t at = text.find('<'); at != npos; at = text.find('<', at + 1)) {
        const std::string_view tail = text.substr(at + 1);
        comment = tail.starts_with("!--");
        if (comment || tail.starts_with("script") || tail.starts_with("style")) return at;
    }
    return npos;
}

// Lower-cased lines lose HTML comments and, inside script and style elements, script comments.
// A line is read left to right: outside an element and a comment, whichever of "<!--" and an
// element start comes first takes effect (the markup before it is kept as it stands); an HTML
// comment is removed through its "-->" and reading goes on after it; from an element start, the
// rest of the line is script text. Script text is stripped of its comments, and then, unless a
// block comment is still open, the element ends with the last "</script" of the stripped text
// (or, without one, its last "</style") when no further "<script" or "<style" follows it. Text
// after that closing tag on the same line was read as script text. Lines are lower-cased as
// the system code page lowers its text.
class CHtmlRules final : public CLineRules {
public:
    explicit CHtmlRules(sys::ICodePage& codePage) : codePage_(codePage) {}

    std::string_view Strip(std::string_view line) override {
        lower_.assign(line);
        codePage_.ToLower(lower_);
        std::string_view rest(lower_);
        bool comment = false;
        size_t markup = inComment_ || inElement_ ? 0 : FindMarkup(rest, comment);
        // Plain markup, the common case, is taken without a further copy.
        if (markup == npos) return rest;
        kept_.clear();
        while (!rest.empty()) {
            if (inComment_) {
                const size_t close = rest.find("-->");
                if (close == npos) break;
                rest.remove_prefix(close + 3);
                inComment_ = false;
                markup = FindMarkup(rest, comment);
                continue;
            }
            if (inElement_) {
                const std::string_view script = scripts_.Strip(rest);
                if (!scripts_.InBlockComment()) {
                    size_t close = script.rfind("</script");
                    if (close == npos) close = script.rfind("</style");
                    if (close != npos && FindElementStart(script.substr(close + 1)) == npos) {
                        inElement_ = false;
                    }
                }
                if (kept_.empty()) return script;
                kept_.append(script);
                break;
            }
            // markup is where the next comment or element starts in rest.
            if (markup == npos) {
                kept_.append(rest);
                break;
            }
            kept_.append(rest.substr(0, markup));
            if (comment) {
                rest.remove_prefix(markup + 4);
                inComment_ = true;
            } else {
                rest.remove_prefix(markup);
                inElement_ = true;
            }
        }
        return kept_;
    }

private:
    sys::ICodePage& codePage_;
    bool inComment_ = false;
    bool inElement_ = false;
    CCommentStripper scripts_{CCommentStripper::CloseSearch::FromLineStart};
    std::string lower_;  // buffers reused from line to line
    std::string kept_;
};

}  // namespace

bool CHtmlSignature::ComputeDigest(const std::wstring& path, Digest& digest) {
    CHtmlRules rules(*sys::CurrentMachine().codePage);
    return ComputeLineDigest(path, rules, digest);
}

const char* CHtmlSignature::LinePattern() const { return signature_comments::kMarkupPattern; }

std::string CHtmlSignature::SignatureLine(const std::string& signatureText) const {
    return signature_comments::MarkupLine(signatureText);
}
