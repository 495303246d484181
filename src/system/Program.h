// Facts about the running program itself.
#pragma once

#include <string>

namespace sys {

class IProgram {
public:
    virtual ~IProgram() = default;

    // Full path of the program's executable file.
    virtual std::wstring ExecutablePath() = 0;
};

}  // namespace sys
