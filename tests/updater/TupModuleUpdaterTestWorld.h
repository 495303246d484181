// A world for the module updater tests: a fake machine with the product installed in C:\TAV\,
// the wizard in C:\Update\, a manager whose reports are recorded by text id, and an updater
// whose protected operations the tests can call.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "manager/TupManager.h"
#include "manager/TupOwner.h"
#include "persist/ObjContainerXml.h"
#include "updater/TupModuleUpdater.h"

namespace updater_tests {

// Every text of the program is its own id after a '#', so a report shows which id it used.
class IdTexts final : public CStringBase {
public:
    IdTexts() : CStringBase(L"C:\\NoLanguageFiles") {
        for (uint32_t id : tav::kAllTextIds) {
            AddString(std::to_string(id), L"EN", L"#" + std::to_wstring(id));
        }
    }
};

// One report as the wizard saw it.
struct Seen {
    uint32_t id;
    std::wstring extra;
    bool operator==(const Seen&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Seen& seen) {
    return out << seen.id << " '" << tav::ToUtf8(seen.extra) << "'";
}

// Records every report by its current action ("#id" or "#id extra") and whether it also went
// to the status list (kinds 0 and 2).
class RecordingOwner final : public ITupOwner {
public:
    void AddStatusLine(const std::wstring&, int, int) override {
        std::lock_guard<std::mutex> lock(mutex);
        statusLines++;
    }
    void SetCurrentAction(const std::wstring& text) override {
        std::lock_guard<std::mutex> lock(mutex);
        Seen seen{0, L""};
        const size_t blank = text.find(L' ');
        seen.id = static_cast<uint32_t>(std::stoul(tav::ToUtf8(text.substr(1, blank - 1))));
        if (blank != std::wstring::npos) seen.extra = text.substr(blank + 1);
        reports.push_back(seen);
    }
    // Updaters ask nothing.
    int AskQuestion(const std::wstring&, const std::wstring&, uint32_t) override {
        return sys::MessageAnswer::Cancel;
    }

    std::mutex mutex;
    std::vector<Seen> reports;
    int statusLines = 0;
};

// The base updater with its protected operations opened for the tests.
class OpenUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::CreateFolderForPath;
    using CTupModuleUpdater::CreateFolders;
    using CTupModuleUpdater::EnsureRegistryValue;
    using CTupModuleUpdater::ExpandFilePatterns;
    using CTupModuleUpdater::FindFiles;
    using CTupModuleUpdater::FolderExists;
    using CTupModuleUpdater::GrantEveryoneFullAccess;
    using CTupModuleUpdater::RestrictCustomizationCheck;
};

inline CTupModuleFile MakeFile(const std::wstring& packagePath, const std::wstring& installationPath) {
    CTupModuleFile file;
    file.SetUpdatePackageFile(packagePath);
    file.SetInstallationFile(installationPath);
    return file;
}

class UpdaterWorld {
public:
    static constexpr const wchar_t* kPackage = L"C:\\Update\\package\\";

    // installFolder: where the running server is, with its final backslash.
    explicit UpdaterWorld(const std::wstring& installFolder = L"C:\\TAV\\") {
        machine.program.path = L"C:\\Update\\TavUpdateWizard.exe";
        machine.processes.processes.push_back({8, installFolder + L"Qelsrv.exe"});
        machine.RecordInstallFolder(installFolder);
        machine.files.AddFolder(installFolder.substr(0, installFolder.size() - 1));
        machine.files.AddFolder(kPackage);
        uint32_t enforce = 0;
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        manager->SetOwner(&owner);
        updater.Attach(manager.get(), &texts, &language);
    }

    // A container read from XML text, as the wizard reads its package description.
    // libxml2 reads real files only, so the host machine stands in while it reads.
    std::unique_ptr<ObjContainerXml> Xml(const std::string& items) {
        const std::wstring path =
            scratch.Write("section.xml", "<?xml version=\"1.0\"?>\n<C>" + items + "</C>\n");
        auto container = std::make_unique<ObjContainerXml>();
        sys::Machine host = sys::HostMachine();
        sys::Machine* previous = sys::ReplaceCurrentMachine(&host);
        EXPECT_TRUE(container->Load(path)) << items;
        sys::ReplaceCurrentMachine(previous);
        return container;
    }

    // The reports so far, forgotten afterwards.
    std::vector<Seen> TakeReports() {
        std::lock_guard<std::mutex> lock(owner.mutex);
        std::vector<Seen> reports;
        reports.swap(owner.reports);
        return reports;
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder scratch;
    IdTexts texts;
    std::wstring language = L"EN";
    RecordingOwner owner;
    std::unique_ptr<CTupManager> manager;
    OpenUpdater updater;
};

}  // namespace updater_tests
