// Updater of the server's web modules: their spool and data folders, and the scripts that
// set them up once the update is done.
#pragma once

#include <string>
#include <vector>

#include "updater/TupModuleUpdater.h"

class CTupWebModulesUpdater : public CTupModuleUpdater {
public:
    // The base keys, then "ScriptsToExecute" when loading.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // Base preparation, the spool and data folders (made and opened to everyone only where
    // their registry value was empty) and wildcard expansion. 0 when such a folder could not
    // be made or opened.
    int PrepareUpdate() override;
    // Runs each script with cscript and waits for it; 1 when every script could be started.
    int LaunchExecutables() override;

    const StringList& ScriptsToExecute() const { return scriptsToExecute_; }
    StringList& ScriptsToExecute() { return scriptsToExecute_; }

private:
    // Ensures the folder value of key; a folder is made for a written default, and then,
    // when grant is set, opened to everyone. False when that fails.
    bool EnsureFolderValue(const std::wstring& key, const wchar_t* valueName,
                           const std::wstring& defaultValue, bool grant) const;

    StringList scriptsToExecute_;
};
