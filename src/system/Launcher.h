// Starting other programs.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

class ILauncher {
public:
    virtual ~ILauncher() = default;

    // Starts the file program with the command line, with no inherited handles, the default
    // environment and folder. An empty program leaves it to Windows to find the command line's
    // first word. With wait, waits without a time limit for the program to end and gives its
    // exit code. False when the process could not be created.
    virtual bool Run(const std::wstring& program, const std::wstring& commandLine, bool wait,
                     uint32_t* exitCode) = 0;
};

}  // namespace sys
