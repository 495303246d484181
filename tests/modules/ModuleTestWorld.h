// A world for the product updater tests: a fake machine with the server installed in C:\TAV
// (which server processes run is the test's choice), the wizard in C:\Update\, a manager whose
// reports are recorded by text id, and registry access by full key path.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "manager/TupManager.h"
#include "updater/TupModuleUpdaterTestWorld.h"

namespace module_tests {

using updater_tests::MakeFile;
using updater_tests::Seen;
using Reports = std::vector<Seen>;
using Strings = std::vector<std::wstring>;

constexpr const wchar_t* kProductKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav";
constexpr const wchar_t* kTavApsKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavAps";

class ModuleWorld {
public:
    static constexpr const wchar_t* kPackage = L"C:\\Update\\package\\";

    // Processes are server executables below C:\TAV\ ("Qelsrv.exe", "TavAps.exe", ...).
    explicit ModuleWorld(const Strings& processes = {L"Qelsrv.exe"}) {
        machine.program.path = L"C:\\Update\\TavUpdateWizard.exe";
        uint32_t id = 8;
        for (const std::wstring& name : processes) {
            machine.processes.processes.push_back({id++, L"C:\\TAV\\" + name});
        }
        machine.files.AddFolder(L"C:\\TAV");
        machine.RecordInstallFolder(L"C:\\TAV\\");
        machine.files.AddFolder(kPackage);
        uint32_t enforce = 0;
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        manager->SetOwner(&owner);
    }

    // An updater of class T wired to the manager, as the manager wires the ones it creates.
    template <class T>
    std::unique_ptr<T> Make() {
        auto updater = std::make_unique<T>();
        updater->Attach(manager.get(), &texts, &language);
        return updater;
    }

    // A container read from XML text, as the wizard reads its package description; libxml2
    // reads real files only, so the host machine stands in while it reads.
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

    // Registry values by full key path ("HKEY_LOCAL_MACHINE\..."), 32-bit view.
    void PutString(const std::wstring& key, const std::wstring& name, const std::wstring& text) {
        machine.registry.PutString(sys::RegistryRoot::LocalMachine, Below(key),
                                   sys::RegistryView::Bits32, name, text);
    }
    // The text of a string value; "<none>" when it is missing.
    std::wstring String(const std::wstring& key, const std::wstring& name) const {
        const sys::RegistryValue* value = machine.registry.Get(
            sys::RegistryRoot::LocalMachine, Below(key), sys::RegistryView::Bits32, name);
        if (!value || value->type != sys::RegType::String) return L"<none>";
        std::wstring text;
        for (size_t i = 0; i + 1 < value->data.size(); i += 2) {
            const wchar_t c = static_cast<wchar_t>(value->data[i] | (value->data[i + 1] << 8));
            if (c == 0) break;
            text += c;
        }
        return text;
    }
    // A DWORD value; -1 when it is missing or of another type.
    int64_t Dword(const std::wstring& key, const std::wstring& name) const {
        const sys::RegistryValue* value = machine.registry.Get(
            sys::RegistryRoot::LocalMachine, Below(key), sys::RegistryView::Bits32, name);
        if (!value || value->type != sys::RegType::Dword || value->data.size() != 4) return -1;
        return static_cast<int64_t>(value->data[0] | (value->data[1] << 8) |
                                    (value->data[2] << 16) | (uint32_t(value->data[3]) << 24));
    }

    // The reports so far, forgotten afterwards.
    Reports TakeReports() {
        std::lock_guard<std::mutex> lock(owner.mutex);
        Reports reports;
        reports.swap(owner.reports);
        return reports;
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder scratch;
    updater_tests::IdTexts texts;
    std::wstring language = L"EN";
    updater_tests::RecordingOwner owner;
    std::unique_ptr<CTupManager> manager;

private:
    static std::wstring Below(const std::wstring& key) {
        const std::wstring root = L"HKEY_LOCAL_MACHINE\\";
        return key.compare(0, root.size(), root) == 0 ? key.substr(root.size()) : key;
    }
};

// Whether reports holds want as a contiguous run.
inline bool HasRun(const Reports& reports, const Reports& want) {
    if (want.empty()) return true;
    for (size_t i = 0; i + want.size() <= reports.size(); ++i) {
        if (std::equal(want.begin(), want.end(), reports.begin() + static_cast<std::ptrdiff_t>(i))) {
            return true;
        }
    }
    return false;
}

inline bool HasId(const Reports& reports, uint32_t id) {
    for (const Seen& seen : reports) {
        if (seen.id == id) return true;
    }
    return false;
}

}  // namespace module_tests
