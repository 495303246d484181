// Signature of ASP pages: a "<!-- Signature={...} -->" line, and a digest of the page without
// the comments of its server scripts and without indentation.
#pragma once

#include "signature/KmkSignature.h"

class CASPSignature : public CKmkSignature {
public:
    bool ComputeDigest(const std::wstring& path, Digest& digest) override;

protected:
    const char* LinePattern() const override;
    std::string SignatureLine(const std::string& signatureText) const override;
};
