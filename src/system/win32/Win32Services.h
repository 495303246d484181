// The service control manager of Windows.
#pragma once

#include "system/Services.h"

namespace sys::win32 {

class Win32Services final : public IServices {
public:
    std::unique_ptr<IServiceManager> Connect() override;
};

}  // namespace sys::win32
