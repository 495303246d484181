// Signature of HTML pages and templates: a "<!-- Signature={...} -->" line, and a digest of the
// lower-cased page without HTML comments, without the comments of its scripts and style sheets
// and without indentation.
#pragma once

#include "signature/KmkSignature.h"

class CHtmlSignature : public CKmkSignature {
public:
    bool ComputeDigest(const std::wstring& path, Digest& digest) override;

protected:
    const char* LinePattern() const override;
    std::string SignatureLine(const std::string& signatureText) const override;
};
