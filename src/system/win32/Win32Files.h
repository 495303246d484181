// The file system of Windows.
#pragma once

#include "system/Files.h"

namespace sys::win32 {

class Win32Files final : public IFiles {
public:
    std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path) override;
    std::vector<std::wstring> FindFiles(const std::wstring& folder,
                                        const std::wstring& pattern) override;
};

}  // namespace sys::win32
