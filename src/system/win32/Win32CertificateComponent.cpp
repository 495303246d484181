// The certificate component of Windows, through its COM class and interface.
#include "system/win32/Win32CertificateComponent.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include "system/win32/TavCertHlp.h"

namespace sys::win32 {
namespace {

// A BSTR owned by the caller, freed when the object goes.
class OwnedBstr {
public:
    explicit OwnedBstr(const std::wstring& text)
        : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    OwnedBstr() = default;
    ~OwnedBstr() { SysFreeString(bstr_); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;

    BSTR Get() const { return bstr_; }
    // For an out parameter: the callee stores a string the caller then owns.
    BSTR* Out() {
        SysFreeString(bstr_);
        bstr_ = nullptr;
        return &bstr_;
    }
    std::wstring Text() const {
        return bstr_ ? std::wstring(bstr_, SysStringLen(bstr_)) : std::wstring();
    }
    // False when a string to pass could not be allocated.
    bool Allocated() const { return bstr_ != nullptr; }

private:
    BSTR bstr_ = nullptr;
};

// The thread's membership in the multithreaded apartment, held while the object lives.
class ApartmentMembership {
public:
    ApartmentMembership() {
        // S_OK and S_FALSE both count as an initialization to balance; a thread in a
        // single-threaded apartment (RPC_E_CHANGED_MODE) stays there and calls through it.
        joined_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    }
    ~ApartmentMembership() {
        if (joined_) CoUninitialize();
    }
    ApartmentMembership(const ApartmentMembership&) = delete;
    ApartmentMembership& operator=(const ApartmentMembership&) = delete;

private:
    bool joined_ = false;
};

ComponentCall Answer(HRESULT hr, VARIANT_BOOL result, const OwnedBstr* message) {
    ComponentCall call;
    call.called = SUCCEEDED(hr);
    call.result = call.called && result == VARIANT_TRUE;
    if (message) call.message = message->Text();
    return call;
}

class Win32CertificateSession final : public ICertificateSession {
public:
    Win32CertificateSession(std::unique_ptr<ApartmentMembership> apartment,
                            tavcerthlp::ICertificateHelper* helper)
        : apartment_(std::move(apartment)), helper_(helper) {}
    ~Win32CertificateSession() override {
        // The object goes before the apartment is left.
        helper_->Release();
    }
    Win32CertificateSession(const Win32CertificateSession&) = delete;
    Win32CertificateSession& operator=(const Win32CertificateSession&) = delete;

    ComponentCall RemoveBindingForSite(const std::wstring& site, const std::wstring& protocol,
                                       const std::wstring& bindingInformation) override {
        const OwnedBstr siteText(site), protocolText(protocol), bindingText(bindingInformation);
        if (!siteText.Allocated() || !protocolText.Allocated() || !bindingText.Allocated()) {
            return {};
        }
        OwnedBstr message;
        VARIANT_BOOL result = VARIANT_FALSE;
        const HRESULT hr = helper_->RemoveBindingForSite(siteText.Get(), protocolText.Get(),
                                                         bindingText.Get(), message.Out(), &result);
        return Answer(hr, result, &message);
    }

    ComponentCall AddBindingForSite(const std::wstring& site, const std::wstring& protocol,
                                    const std::wstring& bindingInformation,
                                    const std::wstring& certificateName,
                                    int32_t storeFlags) override {
        const OwnedBstr siteText(site), protocolText(protocol), bindingText(bindingInformation),
            nameText(certificateName);
        if (!siteText.Allocated() || !protocolText.Allocated() || !bindingText.Allocated() ||
            !nameText.Allocated()) {
            return {};
        }
        OwnedBstr message;
        VARIANT_BOOL result = VARIANT_FALSE;
        const HRESULT hr =
            helper_->AddBindingForSite(siteText.Get(), protocolText.Get(), bindingText.Get(),
                                       nameText.Get(), storeFlags, message.Out(), &result);
        return Answer(hr, result, &message);
    }

    ComponentCall CreateSelfSignedCertificateInStore(int32_t storeFlags,
                                                     const std::wstring& subjectNames,
                                                     const std::wstring& certificateName,
                                                     bool flag) override {
        const OwnedBstr subjectText(subjectNames), nameText(certificateName);
        if (!subjectText.Allocated() || !nameText.Allocated()) return {};
        VARIANT_BOOL result = VARIANT_FALSE;
        const HRESULT hr = helper_->CreateSelfSignedCertificateInStore(
            storeFlags, subjectText.Get(), nameText.Get(), flag ? VARIANT_TRUE : VARIANT_FALSE,
            &result);
        return Answer(hr, result, nullptr);
    }

private:
    std::unique_ptr<ApartmentMembership> apartment_;
    tavcerthlp::ICertificateHelper* helper_;
};

}  // namespace

std::unique_ptr<ICertificateSession> Win32CertificateComponent::Create() {
    auto apartment = std::make_unique<ApartmentMembership>();
    void* object = nullptr;
    const HRESULT hr = CoCreateInstance(
        tavcerthlp::kClassId, nullptr,
        CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
        tavcerthlp::kInterfaceId, &object);
    if (FAILED(hr) || !object) return nullptr;
    return std::make_unique<Win32CertificateSession>(
        std::move(apartment), static_cast<tavcerthlp::ICertificateHelper*>(object));
}

}  // namespace sys::win32
