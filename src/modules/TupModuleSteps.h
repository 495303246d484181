// The architecture filter of the updaters that install system files, and the switch of
// file-system redirection around their work in the system folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "updater/TupModuleFile.h"

namespace TupModuleSteps {

// Of the files that applies picks (it sees the file and its A-Z lower-cased package path),
// keeps only those built for this machine: with "x64" in the lower-cased package path on
// 64-bit Windows, without it on 32-bit Windows. Other files are kept. The dropped files, in
// their order.
std::vector<CTupModuleFile> KeepMachineArchitecture(
    std::vector<CTupModuleFile>& files, bool is64BitWindows,
    const std::function<bool(const CTupModuleFile& file, const std::wstring& lowerPackagePath)>&
        applies);

}  // namespace TupModuleSteps

// Switches file-system redirection off on 64-bit Windows for as long as it lives, and on
// again when it goes; does nothing on 32-bit Windows.
class CTupRedirectionOff {
public:
    CTupRedirectionOff();
    ~CTupRedirectionOff();
    CTupRedirectionOff(const CTupRedirectionOff&) = delete;
    CTupRedirectionOff& operator=(const CTupRedirectionOff&) = delete;

    // False when redirection should have been switched off and could not be.
    bool Succeeded() const { return succeeded_; }

private:
    bool switchedOff_ = false;
    bool succeeded_ = true;
};
