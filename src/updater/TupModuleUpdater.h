// Base of every module updater: one module of a package, with its settings from the package
// description. The update operations are added by the update run.
#pragma once

#include <string>

#include "persist/PersistentObject.h"

class CStringBase;
class CTupManager;

class CTupModuleUpdater : public CPersistentObject {
public:
    // What every updater receives from the manager before it loads its section.
    void Attach(CTupManager* manager, CStringBase* texts, const std::wstring* language) {
        manager_ = manager;
        texts_ = texts;
        language_ = language;
    }

    CTupManager* Manager() const { return manager_; }
    CStringBase* Texts() const { return texts_; }
    const std::wstring* Language() const { return language_; }

private:
    CTupManager* manager_ = nullptr;
    CStringBase* texts_ = nullptr;
    const std::wstring* language_ = nullptr;
};
