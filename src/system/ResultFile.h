// The result file a command is told to write (tavpkg's --json FILE): the tools run elevated, so
// it is opened by its wide name and never through a link that stands in its place.
#pragma once

#include <string>

namespace sys {

// Writes bytes as the whole file at path; false (and error set) when a link stands at path, or
// the file cannot be made or written.
bool WriteResultFile(const std::wstring& path, const std::string& bytes, std::string& error);

}  // namespace sys
