// Environment variables and facts about the operating system.
#pragma once

#include <string>

namespace sys {

class IEnvironment {
public:
    virtual ~IEnvironment() = default;

    // The value of an environment variable; false when it is not set.
    virtual bool GetVariable(const std::wstring& name, std::wstring& value) = 0;
};

}  // namespace sys
