// Which signature class a file of a given type carries.
#include "signature/SignatureFactory.h"

std::unique_ptr<CKmkSignature> CreateSignatureForFile(const std::wstring&, std::wstring*) {
    return nullptr;
}
