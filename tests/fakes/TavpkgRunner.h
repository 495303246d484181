// Runs tavpkg in-process for tests and keeps what it printed.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tavpkg/Tavpkg.h"

namespace testing_support {

struct ToolResult {
    int code;
    std::string out;
    std::string err;
};

inline ToolResult RunTool(const std::vector<std::wstring>& args) {
    std::ostringstream out, err;
    const int code = tavpkg::Run(args, out, err);
    return ToolResult{code, out.str(), err.str()};
}

// Whether text is exactly one line ending in a line feed.
inline bool OneLine(const std::string& text) {
    return !text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 1;
}

}  // namespace testing_support
