// Checks a JSON result of tavpkg apply, preview or --detect against the schema in
// docs/tavpkg-result.schema.json, through tests/tools/check-result.py.
#pragma once

#include <string>

namespace testing_support {

// "" when json is a valid result; otherwise what is wrong, one line each. Where Python cannot be
// started (the Windows build under Wine) only that json is well-formed JSON is checked.
std::string ResultSchemaProblems(const std::string& json);

}  // namespace testing_support
