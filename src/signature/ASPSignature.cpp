// Signature of ASP pages.
#include "signature/ASPSignature.h"

#include "signature/CommentStripper.h"
#include "signature/LineRules.h"
#include "signature/SignatureComments.h"

namespace {

// Lines of a server script ("<%" to "%>") lose their script comments; markup outside the
// scripts is taken as it stands, letter case included.
class CAspRules final : public CLineRules {
public:
    std::string_view Strip(std::string_view line) override {
        if (!inScript_) {
            if (line.find("<%") == std::string_view::npos) return line;
            inScript_ = true;
        }
        const std::string_view kept = comments_.Strip(line);
        if (!comments_.InBlockComment()) {
            // The script goes on past this line only when it is reopened after its last close.
            const size_t close = kept.rfind("%>");
            if (close != std::string_view::npos) {
                inScript_ = kept.find("<%", close + 2) != std::string_view::npos;
            }
        }
        return kept;
    }

private:
    bool inScript_ = false;
    CCommentStripper comments_{CCommentStripper::CloseSearch::FromLineStart};
};

}  // namespace

bool CASPSignature::ComputeDigest(const std::wstring& path, Digest& digest) {
    CAspRules rules;
    return ComputeLineDigest(path, rules, digest);
}

const char* CASPSignature::LinePattern() const { return signature_comments::kMarkupPattern; }

std::string CASPSignature::SignatureLine(const std::string& signatureText) const {
    return signature_comments::MarkupLine(signatureText);
}
