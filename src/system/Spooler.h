// The print spooler of the local machine: its print processor folder and print processors.
#pragma once

#include <string>
#include <vector>

namespace sys {

class ISpooler {
public:
    virtual ~ISpooler() = default;

    // The folder print processor libraries are installed to, for the local server and the
    // default environment (no trailing backslash); false when the spooler gives none.
    virtual bool GetPrintProcessorFolder(std::wstring& folder) = 0;

    // The names of the installed print processors, in the spooler's order; false when they
    // cannot be listed.
    virtual bool ListPrintProcessors(std::vector<std::wstring>& names) = 0;

    // Registers a print processor library (a file name in the print processor folder) under
    // a name; false when the spooler refuses.
    virtual bool RegisterPrintProcessor(const std::wstring& library, const std::wstring& name) = 0;
};

}  // namespace sys
