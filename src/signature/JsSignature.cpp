// Signature of script files and style sheets.
#include "signature/JsSignature.h"

#include "signature/CommentStripper.h"
#include "signature/LineRules.h"
#include "signature/SignatureComments.h"

namespace {

// Script files: block and line comments go, a block comment may span lines.
class CScriptRules final : public CLineRules {
public:
    std::string_view Strip(std::string_view line) override { return comments_.Strip(line); }

private:
    CCommentStripper comments_{CCommentStripper::CloseSearch::FromOpening};
};

}  // namespace

bool CJsSignature::ComputeDigest(const std::wstring& path, Digest& digest) {
    CScriptRules rules;
    return ComputeLineDigest(path, rules, digest);
}

const char* CJsSignature::LinePattern() const { return signature_comments::kScriptPattern; }

std::string CJsSignature::SignatureLine(const std::string& signatureText) const {
    return signature_comments::ScriptLine(signatureText);
}
