// One registry value that a module writes.
#include "updater/TupRegistryKey.h"

#include "updater/TupTokenReplacer.h"

void CTupRegistryKey::Exchange(ObjContainer* container, bool isLoading) {
    if (!container || !isLoading) return;
    container->GetString(L"KeyName", keyName_);
    container->GetString(L"ValueName", valueName_);
    if (container->GetType(L"Value") == OCString) {
        container->GetString(L"Value", stringValue_);
        isString_ = 1;
    } else {
        container->GetUnsignedLong(L"Value", numberValue_);
    }
}

void CTupRegistryKey::Write(const CTupTokenReplacer* replacer, bool view64,
                            bool overwrite) const {
    std::wstring keyName = keyName_;
    std::wstring valueName = valueName_;
    std::wstring stringValue = stringValue_;
    if (replacer) {
        replacer->ReplaceTokens(keyName);
        replacer->ReplaceTokens(valueName);
        replacer->ReplaceTokens(stringValue);
    }

    if (!overwrite) {
        ObjContainer existing;
        existing.LoadFromRegistry(keyName, false, -1, view64);
        if (existing.Exists(valueName)) return;
        // A string default value is read under its own entry name.
        if (valueName.empty() && existing.Exists(L"$(RegistryDefault)")) return;
    }

    ObjContainer value;
    if (isString_) {
        value.SetString(valueName, stringValue);
    } else {
        value.SetUnsignedLong(valueName, numberValue_);
    }
    value.SaveToRegistry(keyName, view64);
}

std::wstring CTupRegistryKey::GetKeyName(const CTupTokenReplacer* replacer) const {
    std::wstring name = keyName_;
    if (replacer) replacer->ReplaceTokens(name);
    return name;
}
