// Version resources of Windows executables.
#include "system/win32/Win32VersionResources.h"

#include <windows.h>

#include <vector>

namespace sys::win32 {

bool Win32VersionResources::ReadFixedInfo(const std::wstring& path, FixedVersionInfo& info) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size < 1 || size > 65536) return false;
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength) ||
        fixed == nullptr || fixedLength < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    info.fileVersionMs = fixed->dwFileVersionMS;
    info.fileVersionLs = fixed->dwFileVersionLS;
    info.productVersionMs = fixed->dwProductVersionMS;
    info.productVersionLs = fixed->dwProductVersionLS;
    return true;
}

}  // namespace sys::win32
