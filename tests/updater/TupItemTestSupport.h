// A small world for the module item tests: a fake machine, a manager built on it, and a token
// replacer that stands in for a module updater.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "manager/TupManager.h"
#include "updater/TupToken.h"
#include "updater/TupTokenReplacer.h"

namespace item_tests {

// A token replacer over a manager and a token list that the test fills.
class TestReplacer final : public CTupTokenReplacer {
public:
    explicit TestReplacer(const CTupManager* manager) : manager_(manager) {}

    std::vector<CTupToken> tokens;

protected:
    const CTupManager* TokenManager() const override { return manager_; }
    const std::vector<CTupToken>& ModuleTokens() const override { return tokens; }

private:
    const CTupManager* manager_;
};

inline CTupToken MakeToken(const std::wstring& name, const std::wstring& path) {
    CTupToken token;
    token.SetName(name);
    token.SetPath(path);
    return token;
}

// The fake machine with the product installed in C:\Tav\ (its server process runs).
class ItemWorld {
public:
    ItemWorld() {
        machine.program.path = folder.PathOf("") + L"TavUpdateWizard.exe";
        machine.processes.processes.push_back({8, L"C:\\Tav\\Qelsrv.exe"});
        machine.RecordInstallFolder(L"C:\\Tav\\");
    }

    // A manager that inspects the machine as it is now.
    CTupManager& Manager() {
        uint32_t enforce = 0;
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        return *manager;
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
    CStringBase texts;
    std::wstring language = L"EN";
    std::unique_ptr<CTupManager> manager;
};

}  // namespace item_tests
