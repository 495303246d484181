// The file system as the update logic sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/WideText.h"

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

    // Names of the files in folder (not of its subfolders) that match pattern as
    // MatchesFilePattern does, in the order the file system lists them; empty when the folder
    // cannot be read. The folder may end with a separator or not.
    virtual std::vector<std::wstring> FindFiles(const std::wstring& folder,
                                                const std::wstring& pattern) = 0;
};

// Whether a file name matches a pattern in which '*' stands for any run of characters and '?'
// for exactly one; letters compare with A-Z folded.
inline bool MatchesFilePattern(std::wstring_view name, std::wstring_view pattern) {
    size_t n = 0, p = 0;
    // Where the last '*' was and how much of the name it has taken so far.
    size_t starPattern = std::wstring_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == L'?' || tav::FoldAscii(pattern[p]) == tav::FoldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::wstring_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

}  // namespace sys
