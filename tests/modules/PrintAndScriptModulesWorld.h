// A world for the print processor, port monitor and web scripting updater tests: the module
// updater world with one updater of the class under test attached to its manager.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "updater/TupModuleUpdaterTestWorld.h"

namespace module_tests {

using updater_tests::MakeFile;
using updater_tests::Seen;
using Reports = std::vector<Seen>;

template <typename Updater>
class ModuleWorld : public updater_tests::UpdaterWorld {
public:
    ModuleWorld() { module.Attach(manager.get(), &texts, &language); }

    // The server as a remote print server: the manager is built again with TavAps running.
    void RunTavAps() {
        machine.processes.processes.push_back({9, L"C:\\TAV\\TavAps.exe"});
        uint32_t enforce = 0;
        module.Attach(nullptr, nullptr, nullptr);
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        manager->SetOwner(&owner);
        module.Attach(manager.get(), &texts, &language);
    }

    // The package paths, then the installation paths, of the module's files in order.
    std::vector<std::wstring> PackagePaths() const {
        std::vector<std::wstring> paths;
        for (const auto& file : module.Files()) paths.push_back(file.UpdatePackageFile());
        return paths;
    }
    std::vector<std::wstring> InstallationPaths() const {
        std::vector<std::wstring> paths;
        for (const auto& file : module.Files()) paths.push_back(file.InstallationFile());
        return paths;
    }

    Updater module;
};

}  // namespace module_tests
