// A container as JSON: an array of {"name", "type", "value"} entries, newest first.
#pragma once

#include <string>

class ObjContainer;

namespace tavpkg {

std::string ContainerToJson(const ObjContainer& container);

}  // namespace tavpkg
