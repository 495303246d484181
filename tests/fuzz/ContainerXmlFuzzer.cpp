// Fuzzes the container XML reader: any bytes as a package description must load without harm.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/WideText.h"
#include "persist/ObjContainerXml.h"
#include "tavpkg/ContainerJson.h"

namespace {

// The reader takes files only; each fuzzing process writes its inputs to its own file.
const std::string& InputPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/tav-fuzz-container-" +
               std::to_string(getpid()) + ".xml";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = InputPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    ObjContainerXml container;
    container.Load(tav::FromUtf8(path));
    // Walk everything that was stored.
    volatile size_t length = tavpkg::ContainerToJson(container).size();
    (void)length;
    return 0;
}
