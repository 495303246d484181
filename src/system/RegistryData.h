// Registry data in its one text form, for people (the preview's plan) and for the JSON result
// alike: the type's name, and the data as text, a number or hexadecimal bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sys {

struct RegistryDataText {
    enum class Form { Text, Number, Hex };
    Form form = Form::Hex;
    std::wstring text;    // Text: the string up to its first zero; Hex: lower-case digits
    uint32_t number = 0;  // Number: a DWORD's value
};

// Strings (REG_SZ, REG_EXPAND_SZ) of whole UTF-16 characters as text, a 4-byte DWORD as a number,
// everything else as hexadecimal bytes.
RegistryDataText DataText(uint32_t type, const std::vector<uint8_t>& data);

// "REG_SZ", "REG_DWORD", ...; a type without a name as "REG_TYPE_" and its number.
std::wstring RegTypeName(uint32_t type);

}  // namespace sys
