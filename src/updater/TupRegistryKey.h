// One registry value that a module writes, unless (by default) it already exists.
#pragma once

#include <cstdint>
#include <string>

#include "persist/PersistentObject.h"

class CTupTokenReplacer;

class CTupRegistryKey : public CPersistentObject {
public:
    // Reads KeyName, ValueName and Value (a string entry, or a number otherwise); storing
    // writes nothing.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // Writes the value into the key in the 64-bit view or the 32-bit one, creating the key;
    // without overwrite an existing value of that name stays. Tokens are replaced in the key
    // name, value name and string value when a replacer is given.
    void Write(const CTupTokenReplacer* replacer, bool view64, bool overwrite) const;

    // KeyName with tokens replaced (unchanged for a null replacer).
    std::wstring GetKeyName(const CTupTokenReplacer* replacer) const;

    // Full key path beginning with a root name.
    const std::wstring& KeyName() const { return keyName_; }
    void SetKeyName(const std::wstring& keyName) { keyName_ = keyName; }
    const std::wstring& ValueName() const { return valueName_; }
    void SetValueName(const std::wstring& valueName) { valueName_ = valueName; }
    const std::wstring& StringValue() const { return stringValue_; }
    uint32_t NumberValue() const { return numberValue_; }
    // 1 when the value is a string, 0 when it is a number.
    uint32_t IsString() const { return isString_; }
    // Makes the value a string, or a number (written as a DWORD).
    void SetStringValue(const std::wstring& value) {
        stringValue_ = value;
        isString_ = 1;
    }
    void SetNumberValue(uint32_t value) {
        numberValue_ = value;
        isString_ = 0;
    }

private:
    std::wstring keyName_;
    std::wstring valueName_;
    std::wstring stringValue_;
    uint32_t numberValue_ = 0;
    uint32_t isString_ = 0;
};
