// Version resources of executable files.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

// The fixed part of a version resource: file and product version, each as two 32-bit halves.
struct FixedVersionInfo {
    uint32_t fileVersionMs = 0;
    uint32_t fileVersionLs = 0;
    uint32_t productVersionMs = 0;
    uint32_t productVersionLs = 0;
};

class IVersionResources {
public:
    virtual ~IVersionResources() = default;

    // Reads the fixed version information of the file; false when it has no readable resource
    // (missing file, no resource, a resource larger than 64 KiB).
    virtual bool ReadFixedInfo(const std::wstring& path, FixedVersionInfo& info) = 0;
};

}  // namespace sys
