// The certificate component of Windows: objects of the registered TavCertHlp.dll class, created
// and called through COM.
#pragma once

#include <memory>

#include "system/CertificateComponent.h"

namespace sys::win32 {

class Win32CertificateComponent final : public ICertificateComponent {
public:
    // Joins the calling thread to the multithreaded apartment for as long as the session
    // lives, unless it already is in one; the session must be destroyed on the same thread.
    std::unique_ptr<ICertificateSession> Create() override;
};

}  // namespace sys::win32
