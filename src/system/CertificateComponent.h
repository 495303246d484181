// The product's certificate component: a COM library that creates self-signed certificates in
// the machine's store and binds them to a web site.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sys {

// What one call of the component gave: whether the call itself succeeded (a success HRESULT),
// its out result (VARIANT_TRUE) and the message it returned, if any.
struct ComponentCall {
    bool called = false;
    bool result = false;
    std::wstring message;
};

// One created object of the component; destroying it releases the object.
class ICertificateSession {
public:
    virtual ~ICertificateSession() = default;

    virtual ComponentCall RemoveBindingForSite(const std::wstring& site,
                                               const std::wstring& protocol,
                                               const std::wstring& bindingInformation) = 0;
    virtual ComponentCall AddBindingForSite(const std::wstring& site, const std::wstring& protocol,
                                            const std::wstring& bindingInformation,
                                            const std::wstring& certificateName,
                                            int32_t storeFlags) = 0;
    virtual ComponentCall CreateSelfSignedCertificateInStore(int32_t storeFlags,
                                                             const std::wstring& subjectNames,
                                                             const std::wstring& certificateName,
                                                             bool flag) = 0;
};

class ICertificateComponent {
public:
    virtual ~ICertificateComponent() = default;

    // Creates an object of the component, which must have been registered before; nullptr
    // when it cannot be created.
    virtual std::unique_ptr<ICertificateSession> Create() = 0;
};

}  // namespace sys
