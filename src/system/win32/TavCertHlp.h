// The COM class and interface of the certificate component TavCertHlp.dll, as its callers and
// the component see them.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace tavcerthlp {

// {5B1DED7D-FF45-4EC5-8F30-359EC06F5EDE}
inline constexpr CLSID kClassId = {0x5b1ded7d, 0xff45, 0x4ec5,
                                   {0x8f, 0x30, 0x35, 0x9e, 0xc0, 0x6f, 0x5e, 0xde}};
// {493C958F-DEAA-49FE-94AD-41D9430F011A}
inline constexpr IID kInterfaceId = {0x493c958f, 0xdeaa, 0x49fe,
                                     {0x94, 0xad, 0x41, 0xd9, 0x43, 0x0f, 0x01, 0x1a}};

// The class's registry name, as regasm registers it.
inline constexpr const wchar_t* kProgId = L"Kelmark.TavCertHlp.CertificateHelper";

// The component's interface; its methods follow IDispatch's in this order. Strings passed in
// stay the caller's; out strings are the caller's to free. Store flags 16 name the local
// machine's store.
struct ICertificateHelper : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE RemoveBindingForSite(BSTR site, BSTR protocol,
                                                           BSTR bindingInformation,
                                                           BSTR* message,
                                                           VARIANT_BOOL* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddBindingForSite(BSTR site, BSTR protocol,
                                                        BSTR bindingInformation,
                                                        BSTR certificateName, LONG storeFlags,
                                                        BSTR* message, VARIANT_BOOL* result) = 0;
    // Not used by the wizard.
    virtual HRESULT STDMETHODCALLTYPE RemoveCertificateFromStore(LONG storeFlags,
                                                                 BSTR certificateName,
                                                                 VARIANT_BOOL* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSelfSignedCertificateInStore(LONG storeFlags,
                                                                         BSTR subjectNames,
                                                                         BSTR certificateName,
                                                                         VARIANT_BOOL flag,
                                                                         VARIANT_BOOL* result) = 0;
};

}  // namespace tavcerthlp
