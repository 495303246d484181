// The package authors' tool: shows what the update wizard would read.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tavpkg {

// Runs one command line (without the program name); output is UTF-8. Returns the exit code.
int Run(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err);

}  // namespace tavpkg
