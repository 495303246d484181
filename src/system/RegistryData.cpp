// Registry data in its one text form.
#include "system/RegistryData.h"

#include "base/WideText.h"
#include "system/Registry.h"

namespace sys {

RegistryDataText DataText(uint32_t type, const std::vector<uint8_t>& data) {
    RegistryDataText out;
    if ((type == RegType::String || type == RegType::ExpandString) && data.size() % 2 == 0) {
        out.form = RegistryDataText::Form::Text;
        out.text = tav::FromUtf16Le(data.data(), data.size());
        return out;
    }
    if (type == RegType::Dword && data.size() == 4) {
        out.form = RegistryDataText::Form::Number;
        out.number = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                     (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
        return out;
    }
    static const wchar_t kDigits[] = L"0123456789abcdef";
    for (const uint8_t b : data) {
        out.text += kDigits[b >> 4];
        out.text += kDigits[b & 15];
    }
    return out;
}

std::wstring RegTypeName(uint32_t type) {
    static const wchar_t* const kNames[] = {
        L"REG_NONE",  L"REG_SZ",        L"REG_EXPAND_SZ",       L"REG_BINARY",
        L"REG_DWORD", L"REG_DWORD_BIG_ENDIAN", L"REG_LINK",      L"REG_MULTI_SZ",
        L"REG_RESOURCE_LIST", L"REG_FULL_RESOURCE_DESCRIPTOR", L"REG_RESOURCE_REQUIREMENTS_LIST",
        L"REG_QWORD",
    };
    if (type < sizeof kNames / sizeof kNames[0]) return kNames[type];
    return L"REG_TYPE_" + std::to_wstring(type);
}

}  // namespace sys
