// A condition on the state of the machine: a file, a registry key, a service present or absent.
#pragma once

#include <string>

#include "persist/PersistentObject.h"

class CTupExecutionCondition : public CPersistentObject {
public:
    // Reads or stores the four keys.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // True when every non-empty field holds on this machine; all four are always tested, so a
    // condition with no fields is met.
    bool IsMet() const;

    // Must be an existing file (a folder does not count).
    const std::wstring& PathExists() const { return pathExists_; }
    void SetPathExists(const std::wstring& path) { pathExists_ = path; }
    // Registry key (root name, backslash, subkey) that must yield at least one entry.
    const std::wstring& RegKeyExists() const { return regKeyExists_; }
    void SetRegKeyExists(const std::wstring& key) { regKeyExists_ = key; }
    // A service of this name must exist.
    const std::wstring& ServiceExists() const { return serviceExists_; }
    void SetServiceExists(const std::wstring& name) { serviceExists_ = name; }
    // No service of this name may exist.
    const std::wstring& ServiceNotExists() const { return serviceNotExists_; }
    void SetServiceNotExists(const std::wstring& name) { serviceNotExists_ = name; }

private:
    std::wstring pathExists_;
    std::wstring regKeyExists_;
    std::wstring serviceExists_;
    std::wstring serviceNotExists_;
};
