// A world for the server updater tests: the fake machine with the core server (or the remote
// print server) running from C:\TAV\, a manager whose reports are recorded by text id, and
// helpers to read and write the product's registry values.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "fakes/FakeMachine.h"
#include "persist/ObjContainer.h"
#include "updater/TupModuleUpdaterTestWorld.h"

namespace server_tests {

using updater_tests::MakeFile;
using updater_tests::Seen;
using Reports = std::vector<Seen>;
using Strings = std::vector<std::wstring>;

// Key paths as the updaters name them and as the fake registry stores them.
inline const std::wstring kProductKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav";
inline const std::wstring kProduct = L"SOFTWARE\\Kelmark\\Tav";

// A registry that reads but refuses every write, in place while the object lives.
class RefusedRegistryWrites final : public sys::IRegistry {
public:
    RefusedRegistryWrites() : inner_(*sys::CurrentMachine().registry), machine_(sys::CurrentMachine()) {
        machine_.registry = this;
        previous_ = sys::ReplaceCurrentMachine(&machine_);
    }
    ~RefusedRegistryWrites() override { sys::ReplaceCurrentMachine(previous_); }
    RefusedRegistryWrites(const RefusedRegistryWrites&) = delete;
    RefusedRegistryWrites& operator=(const RefusedRegistryWrites&) = delete;

    std::unique_ptr<sys::IRegistryKey> OpenKey(sys::RegistryRoot root, const std::wstring& path,
                                               sys::RegistryView view,
                                               sys::RegistryAccess access) override {
        if (access == sys::RegistryAccess::Write) return nullptr;
        return inner_.OpenKey(root, path, view, access);
    }
    std::unique_ptr<sys::IRegistryKey> CreateKey(sys::RegistryRoot, const std::wstring&,
                                                 sys::RegistryView) override {
        return nullptr;
    }

private:
    sys::IRegistry& inner_;
    sys::Machine machine_;
    sys::Machine* previous_ = nullptr;
};

class ServerWorld {
public:
    static constexpr const wchar_t* kPackage = L"C:\\Update\\package\\";

    // server: the path of the running server executable.
    explicit ServerWorld(const std::wstring& server = L"C:\\Tav\\Qelsrv.exe") {
        machine.program.path = L"C:\\Update\\TavUpdateWizard.exe";
        machine.processes.processes.push_back({8, server});
        // The server's service, installed and stopped, tells its kind and folder.
        const bool aps = server.size() >= 10 && tav::FoldEquals(server.substr(server.size() - 10), L"TavAps.exe");
        machine.services.Add(aps ? L"TavAps" : L"TavSvc", server, sys::ServiceState::Stopped);
        machine.files.AddFolder(L"C:\\TAV");
        machine.files.AddFolder(kPackage);
    }

    // The manager reads the machine when it is built: set the registry up first.
    CTupManager& Manager() {
        if (!manager) {
            uint32_t enforce = 0;
            manager = std::make_unique<CTupManager>(&texts, &language, enforce);
            manager->SetOwner(&owner);
        }
        return *manager;
    }

    // A new updater of that class, attached to the manager and owned by the world.
    template <typename Updater>
    Updater& Make() {
        auto updater = std::make_unique<Updater>();
        updater->Attach(&Manager(), &texts, &language);
        Updater& made = *updater;
        updaters.push_back(std::move(updater));
        return made;
    }

    // The package container's minimum version, as loading it gives it to the manager.
    void SetMinimumRequiredVersion(const std::wstring& version) {
        ObjContainer package;
        package.SetString(L"MinimumRequiredVersion", version);
        Manager().Load(&package);
    }

    // Values of the 32-bit view below HKEY_LOCAL_MACHINE; "<none>" / -1 when missing.
    void Put(const std::wstring& name, const std::wstring& text, const std::wstring& key = kProduct) {
        machine.registry.PutString(sys::RegistryRoot::LocalMachine, key, sys::RegistryView::Bits32,
                                   name, text);
    }
    std::wstring Get(const std::wstring& name, const std::wstring& key = kProduct) const {
        ObjContainer values;
        values.LoadFromRegistry(L"HKEY_LOCAL_MACHINE\\" + key, false, -1, false);
        if (values.GetType(name) != OCString) return L"<none>";
        std::wstring text;
        values.GetString(name, text);
        return text;
    }
    int64_t Dword(const std::wstring& name, const std::wstring& key = kProduct) const {
        const sys::RegistryValue* value = machine.registry.Get(
            sys::RegistryRoot::LocalMachine, key, sys::RegistryView::Bits32, name);
        if (!value || value->type != sys::RegType::Dword || value->data.size() != 4) return -1;
        return value->data[0] | value->data[1] << 8 | value->data[2] << 16 |
               int64_t(value->data[3]) << 24;
    }

    std::vector<Seen> TakeReports() {
        std::lock_guard<std::mutex> lock(owner.mutex);
        std::vector<Seen> reports;
        reports.swap(owner.reports);
        return reports;
    }

    static Strings InstallPaths(const CTupModuleUpdater& updater) {
        Strings paths;
        for (const CTupModuleFile& file : updater.Files()) paths.push_back(file.InstallationFile());
        return paths;
    }

    fakes::FakeMachine machine;
    updater_tests::IdTexts texts;
    std::wstring language = L"EN";
    updater_tests::RecordingOwner owner;
    std::unique_ptr<CTupManager> manager;
    std::vector<std::unique_ptr<CTupModuleUpdater>> updaters;
};

// The reports of EnsureRegistryValue for a value that was found, or was empty and written.
inline Reports Found(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    const std::wstring path = key + L"\\" + name;
    return {{tav::kTextCheckingRegistryValue, path}, {tav::kTextRegistryValue, path + L" = \"" + value + L"\""}};
}
inline Reports Written(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    const std::wstring path = key + L"\\" + name;
    return {{tav::kTextCheckingRegistryValue, path},
            {tav::kTextRegistryValueEmpty, path},
            {tav::kTextWritingRegistryValue, path},
            {tav::kTextRegistryValue, path + L" = \"" + value + L"\""}};
}

// Reports joined in order.
inline Reports Then(std::initializer_list<Reports> parts) {
    Reports all;
    for (const Reports& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace server_tests
