// A container as JSON: an array of {"name", "type", "value"} entries, newest first.
#include "tavpkg/ContainerJson.h"

#include <nlohmann/json.hpp>

#include "base/WideText.h"
#include "persist/ObjContainer.h"

namespace tavpkg {
namespace {

using Json = nlohmann::ordered_json;

Json ContainerJson(const ObjContainer& container);

Json ValueJson(const ObjContainer::Entry& entry) {
    static const char kHex[] = "0123456789ABCDEF";
    switch (entry.kind) {
        case OCString:
            return tav::ToUtf8(*entry.Text());
        case OCUnsignedLong:
            return *entry.Number();
        case OCBuffer: {
            std::string hex;
            for (uint8_t b : *entry.Bytes()) {
                hex.push_back(kHex[b >> 4]);
                hex.push_back(kHex[b & 0xF]);
            }
            return hex;
        }
        case OCStringList: {
            Json list = Json::array();
            for (const std::wstring& item : *entry.List()) list.push_back(tav::ToUtf8(item));
            return list;
        }
        case OCContainer:
            return ContainerJson(*entry.Container());
        case OCDouble:
        case OCDateTime:
        case OCDateTimeEx:
            return *entry.Raw();
        case OCNone:
            break;
    }
    return nullptr;
}

Json ContainerJson(const ObjContainer& container) {
    Json entries = Json::array();
    for (size_t i = 0; i < container.Count(); ++i) {
        const auto& entry = container.At(i);
        entries.push_back({{"name", tav::ToUtf8(entry.name)},
                           {"type", tav::ToUtf8(OCKindName(entry.kind))},
                           {"value", ValueJson(entry)}});
    }
    return entries;
}

}  // namespace

std::string ContainerToJson(const ObjContainer& container) {
    // A name that is not valid UTF-8 is written with replacement characters rather than refused.
    return ContainerJson(container).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tavpkg
