// A token that a module defines, with where its value comes from.
#pragma once

#include <string>

#include "persist/PersistentObject.h"

class CTupToken : public CPersistentObject {
public:
    // Reads or stores the five keys.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // The value from the first source that yields one: Path, the environment variable, the
    // REG_SZ registry value, the folder of the service's program; else empty. Read anew on
    // every call.
    std::wstring GetValue() const;

    // The text searched for, exactly as written.
    const std::wstring& Name() const { return name_; }
    void SetName(const std::wstring& name) { name_ = name; }
    // A Windows service name.
    const std::wstring& ServiceLocation() const { return serviceLocation_; }
    void SetServiceLocation(const std::wstring& name) { serviceLocation_ = name; }
    // Root name, backslash, subkey path, backslash, value name.
    const std::wstring& RegKeyValue() const { return regKeyValue_; }
    void SetRegKeyValue(const std::wstring& path) { regKeyValue_ = path; }
    const std::wstring& EnvironmentVariable() const { return environmentVariable_; }
    void SetEnvironmentVariable(const std::wstring& name) { environmentVariable_ = name; }
    // A literal value.
    const std::wstring& Path() const { return path_; }
    void SetPath(const std::wstring& path) { path_ = path; }

private:
    std::wstring name_;
    std::wstring serviceLocation_;
    std::wstring regKeyValue_;
    std::wstring environmentVariable_;
    std::wstring path_;
};
