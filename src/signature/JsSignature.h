// Signature of script files and style sheets: a "/*Signature={...}*/" line, and a digest of the
// text without comments and without indentation.
#pragma once

#include "signature/KmkSignature.h"

class CJsSignature : public CKmkSignature {
public:
    bool ComputeDigest(const std::wstring& path, Digest& digest) override;

protected:
    const char* LinePattern() const override;
    std::string SignatureLine(const std::string& signatureText) const override;
};
