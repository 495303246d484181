// The file system of Windows.
#pragma once

#include "system/Files.h"

namespace sys::win32 {

class Win32Files final : public IFiles {
public:
    std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path) override;
};

}  // namespace sys::win32
