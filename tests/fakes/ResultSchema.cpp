// A result checked against the schema by Python's jsonschema, natively.
#include "fakes/ResultSchema.h"

#include <nlohmann/json.hpp>

#ifndef _WIN32
#include <cstdio>

#include "fakes/ScratchFolder.h"
#endif

namespace testing_support {

std::string ResultSchemaProblems(const std::string& json) {
    if (!nlohmann::json::accept(json)) return "not well-formed JSON";
#ifdef _WIN32
    return "";
#else
    const ScratchFolder folder;
    const std::string path = tav::ToUtf8(folder.Write("result.json", json));
    const std::string command =
        "python3 '" TAV_SOURCE_DIR "/tests/tools/check-result.py' '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "python3 cannot be started";
    std::string output;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    return status == 0 && output == "ok\n" ? "" : output;
#endif
}

}  // namespace testing_support
