// Fuzzes the container XML reader: any bytes as a package description must load without harm.
#include <cstdint>
#include <string>
#include <string_view>

#include "persist/ObjContainerXml.h"
#include "tavpkg/ContainerJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader's own path from the bytes of a file on; reading the file adds nothing to fuzz.
    ObjContainerXml container;
    container.LoadDocument(std::string_view(reinterpret_cast<const char*>(data), size));
    // Walk everything that was stored.
    volatile size_t length = tavpkg::ContainerToJson(container).size();
    (void)length;
    return 0;
}
