// The print spooler of Windows, through its library loaded when asked.
#pragma once

#include <cstdint>

#include "system/Spooler.h"

namespace sys::win32 {

class Win32Spooler final : public ISpooler {
public:
    // firstListBytes: the buffer size of the first listing attempt; the second one takes the
    // size the spooler asks for.
    explicit Win32Spooler(uint32_t firstListBytes = kFirstListBytes)
        : firstListBytes_(firstListBytes) {}

    bool GetPrintProcessorFolder(std::wstring& folder) override;
    bool ListPrintProcessors(std::vector<std::wstring>& names) override;
    bool RegisterPrintProcessor(const std::wstring& library, const std::wstring& name) override;

    static constexpr uint32_t kFirstListBytes = 1024;
    static constexpr uint32_t kFolderChars = 260;

private:
    uint32_t firstListBytes_;
};

}  // namespace sys::win32
