// Signature of XML files: a "<!-- Signature={...} -->" line, and a digest of the elements,
// attributes and text as the XML parser reads them, so that comments, processing instructions
// and layout do not count.
#pragma once

#include "signature/KmkSignature.h"

class CXMLSignature : public CKmkSignature {
public:
    // False when the file cannot be read or is not well-formed.
    bool ComputeDigest(const std::wstring& path, Digest& digest) override;

protected:
    const char* LinePattern() const override;
    std::string SignatureLine(const std::string& signatureText) const override;

private:
    // Parser callback for a piece of text: adds it without line breaks and surrounding white
    // space; ctx is the digest being built.
    static void OnCharacters(void* ctx, const unsigned char* chars, int length);
};
