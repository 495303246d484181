// Updater of a module that runs only where its execution conditions hold, among them the scan
// processing server, whose secure channel setting it writes.
#pragma once

#include "updater/TupModuleUpdater.h"

class CTupGenericUpdater : public CTupModuleUpdater {
public:
    static constexpr const wchar_t* kScanServerComponent = L"Scan Processing Server Update";
    static constexpr const wchar_t* kMantleboxKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavMantlebox";
    static constexpr uint32_t kScanServerHttpsPort = 8444;

    // Base preparation, then the execution conditions (all of them are evaluated), wildcard
    // expansion and the scan server's secure channel values. 0 when a condition does not hold:
    // the run then leaves the module out.
    int PrepareUpdate() override;
    // The run has started the module's programs already; nothing more to do.
    int LaunchExecutables() override { return 1; }

    // Set at creation, cleared for good by the first condition that does not hold.
    bool Execute() const { return execute_; }

private:
    void WriteScanServerSecureChannel();

    bool execute_ = true;
};
