// The file system as the update logic sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace sys {

// A file opened for appending; closed when the object goes.
class IAppendFile {
public:
    virtual ~IAppendFile() = default;

    // Appends the bytes at the end of the file; false on a write error.
    virtual bool Write(const void* data, size_t bytes) = 0;

    // Length of the file in bytes.
    virtual uint64_t Length() = 0;
};

class IFiles {
public:
    virtual ~IFiles() = default;

    // Opens a file for appending, creating it when missing and never truncating it, shared for
    // reading and writing with other processes and not inherited by child processes. Null
    // when it cannot be opened (locked, missing folder, no rights).
    virtual std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path) = 0;
};

}  // namespace sys
