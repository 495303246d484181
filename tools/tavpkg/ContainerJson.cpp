// A container as JSON: an array of {"name", "type", "value"} entries, newest first.
#include "tavpkg/ContainerJson.h"

#include <cstdio>

#include "base/WideText.h"
#include "persist/ObjContainer.h"

namespace tavpkg {
namespace {

void AppendString(std::string& out, std::wstring_view text) {
    out.push_back('"');
    for (char c : tav::ToUtf8(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
}

void AppendIndent(std::string& out, int level) { out.append(static_cast<size_t>(level) * 2, ' '); }

void AppendContainer(std::string& out, const ObjContainer& container, int level);

void AppendValue(std::string& out, const ObjContainer::Entry& entry, int level) {
    static const char kHex[] = "0123456789ABCDEF";
    switch (entry.kind) {
        case OCString:
            AppendString(out, *entry.Text());
            break;
        case OCUnsignedLong:
            out += std::to_string(*entry.Number());
            break;
        case OCBuffer:
            out.push_back('"');
            for (uint8_t b : *entry.Bytes()) {
                out.push_back(kHex[b >> 4]);
                out.push_back(kHex[b & 0xF]);
            }
            out.push_back('"');
            break;
        case OCStringList: {
            out.push_back('[');
            const auto& list = *entry.List();
            for (size_t i = 0; i < list.size(); ++i) {
                if (i) out += ", ";
                AppendString(out, list[i]);
            }
            out.push_back(']');
            break;
        }
        case OCContainer:
            AppendContainer(out, *entry.Container(), level);
            break;
        case OCDouble:
        case OCDateTime:
        case OCDateTimeEx:
            out += std::to_string(*entry.Raw());
            break;
        case OCNone:
            out += "null";
            break;
    }
}

void AppendContainer(std::string& out, const ObjContainer& container, int level) {
    if (container.Count() == 0) {
        out += "[]";
        return;
    }
    out += "[\n";
    for (size_t i = 0; i < container.Count(); ++i) {
        const auto& entry = container.At(i);
        AppendIndent(out, level + 1);
        out += "{\"name\": ";
        AppendString(out, entry.name);
        out += ", \"type\": ";
        AppendString(out, OCKindName(entry.kind));
        out += ", \"value\": ";
        AppendValue(out, entry, level + 1);
        out += i + 1 < container.Count() ? "},\n" : "}\n";
    }
    AppendIndent(out, level);
    out.push_back(']');
}

}  // namespace

std::string ContainerToJson(const ObjContainer& container) {
    std::string out;
    AppendContainer(out, container, 0);
    out.push_back('\n');
    return out;
}

}  // namespace tavpkg
