// Which signature class a file of a given type carries.
#include "signature/SignatureFactory.h"

#include "base/WideText.h"
#include "signature/ASPSignature.h"
#include "signature/HtmlSignature.h"
#include "signature/JsSignature.h"
#include "signature/XMLSignature.h"

std::unique_ptr<CKmkSignature> CreateSignatureForFile(const std::wstring& path,
                                                      std::wstring* kind) {
    std::unique_ptr<CKmkSignature> signature;
    const wchar_t* name = nullptr;
    const std::wstring_view type =
        path.size() >= 3 ? std::wstring_view(path).substr(path.size() - 3) : std::wstring_view();
    if (tav::FoldEquals(type, L"asp")) {
        signature = std::make_unique<CASPSignature>();
        name = L"CASPSignature";
    } else if (tav::FoldEquals(type, L".js") || tav::FoldEquals(type, L"css")) {
        signature = std::make_unique<CJsSignature>();
        name = L"CJsSignature";
    } else if (tav::FoldEquals(type, L"htm") || tav::FoldEquals(type, L"tpl")) {
        signature = std::make_unique<CHtmlSignature>();
        name = L"CHtmlSignature";
    } else if (tav::FoldEquals(type, L"xml")) {
        signature = std::make_unique<CXMLSignature>();
        name = L"CXMLSignature";
    }
    if (kind) *kind = signature ? name : L"";
    return signature;
}
