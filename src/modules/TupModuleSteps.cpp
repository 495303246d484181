// The architecture filter of system file updaters, and the redirection switch.
#include "modules/TupModuleSteps.h"

#include "base/WideText.h"
#include "system/Machine.h"

namespace TupModuleSteps {

std::vector<CTupModuleFile> KeepMachineArchitecture(
    std::vector<CTupModuleFile>& files, bool is64BitWindows,
    const std::function<bool(const CTupModuleFile&, const std::wstring&)>& applies) {
    std::vector<CTupModuleFile> kept;
    std::vector<CTupModuleFile> dropped;
    for (CTupModuleFile& file : files) {
        const std::wstring lower = tav::FoldLower(file.UpdatePackageFile());
        const bool forX64 = lower.find(L"x64") != std::wstring::npos;
        if (applies(file, lower) && forX64 != is64BitWindows) {
            dropped.push_back(std::move(file));
        } else {
            kept.push_back(std::move(file));
        }
    }
    files.swap(kept);
    return dropped;
}

}  // namespace TupModuleSteps

CTupRedirectionOff::CTupRedirectionOff() {
    sys::IWow64& wow64 = *sys::CurrentMachine().wow64;
    if (!wow64.Is64BitWindows()) return;
    succeeded_ = wow64.SetRedirection(false);
    switchedOff_ = succeeded_;
}

CTupRedirectionOff::~CTupRedirectionOff() {
    if (switchedOff_) sys::CurrentMachine().wow64->SetRedirection(true);
}
