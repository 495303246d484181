// The world of the update run tests.
#include "manager/TupRunTestWorld.h"

#include <stdexcept>

namespace run_tests {

Journal& TheJournal() {
    static Journal journal;
    return journal;
}

void GuardedClock::SleepMs(uint32_t milliseconds) {
    // A day of waiting is far more than any run needs: something retries for ever.
    if (clock_.nowMs > 1000000 + 24ull * 3600 * 1000) throw std::runtime_error("endless waiting");
    clock_.SleepMs(milliseconds);
    if (onSleep) onSleep(milliseconds);
}

namespace {

template <class T>
TupClassFactory::CreateFunction Creator() {
    return [] { return std::unique_ptr<CPersistentObject>(new T); };
}

}  // namespace

std::string StringItem(const std::string& key, const std::string& value) {
    return "<ITEM key=\"" + key + "\" type=\"OCString\">" + value + "</ITEM>";
}

std::string ListItem(const std::string& key, const std::vector<std::string>& values) {
    std::string items;
    for (size_t i = 0; i < values.size(); ++i) {
        items += "<ITEM key=\"" + std::to_string(i) + "\" type=\"OCStringListItem\">" + values[i] +
                 "</ITEM>";
    }
    return "<ITEM key=\"" + key + "\" type=\"OCStringList\">" + items + "</ITEM>";
}

std::string Updater(int index, const std::string& classType, const std::string& name,
                    const std::vector<std::string>& services) {
    return "<ITEM key=\"Updater" + std::to_string(index) + "\" type=\"OCContainer\">" +
           StringItem("ClassType", classType) + StringItem("Name", name) +
           (services.empty() ? "" : ListItem("AffectedServices", services)) + "</ITEM>";
}

RunWorld::RunWorld()
    : alpha_(L"CTupAlphaUpdater", Creator<ScriptedUpdater>()),
      beta_(L"CTupBetaUpdater", Creator<ScriptedUpdater>()),
      gamma_(L"CTupGammaUpdater", Creator<ScriptedUpdater>()),
      generic_(L"CTupGenericUpdater", Creator<ScriptedUpdater>()),
      plain_(L"CTupPlainUpdater", Creator<PlainUpdater>()) {
    machine.processes.processes.push_back({8, L"C:\\Tav\\Qelsrv.exe"});
    machine.RecordInstallFolder(L"C:\\TAV\\");
    machine.versions.Set(L"C:\\TAV\\Qelsrv.exe", 7, 2, 0, 0, 7, 2, 0, 0);
    machine.services.Add(L"TavSvc", L"\"C:\\TAV\\TavSvc.exe\"", sys::ServiceState::Running);
    machine.files.AddFolder(L"C:\\TAV");
    machine.program.path = folder.PathOf("") + L"TavUpdateWizard.exe";

    TheJournal() = Journal();
    TheJournal().services = &machine.services;
    owner.countLogLines = [this] {
        std::string content;
        if (manager) machine.files.ReadAll(manager->BackupFolder() + L"_log.csv", content);
        size_t lines = 0;
        for (size_t at = content.find("\r\n"); at != std::string::npos;
             at = content.find("\r\n", at + 2)) {
            ++lines;
        }
        return lines;
    };

    // The fake machine with every interface it has, the clock replaced by the guarded one.
    guarded_ = sys::CurrentMachine();
    guarded_.clock = &clock;
    previous_ = sys::ReplaceCurrentMachine(&guarded_);
}

RunWorld::~RunWorld() {
    manager.reset();
    TheJournal().services = nullptr;
    sys::ReplaceCurrentMachine(previous_);
}

void RunWorld::WriteConfig(const std::string& updaters, const std::string& packageKeys,
                           const std::string& topLevel) {
    const std::wstring path =
        folder.Write("config.xml", "<?xml version=\"1.0\"?>\n<CONFIG>"
                                   "<ITEM key=\"Tarnova_Update\" type=\"OCContainer\">" +
                                       StringItem("ComponentName", "C") + packageKeys +
                                       "<ITEM key=\"Updaters\" type=\"OCContainer\">" + updaters +
                                       "</ITEM></ITEM>" + topLevel + "</CONFIG>\n");
    // The reader looks for the file through the machine before libxml2 reads the real one.
    machine.files.AddFile(path);
}

CTupManager& RunWorld::Start(bool withOwner) {
    manager = std::make_unique<CTupManager>(&texts, &language, enforce);
    manager->LoadNextPackage();
    if (withOwner) manager->SetOwner(&owner);
    return *manager;
}

ScriptedUpdater& RunWorld::Scripted(size_t index) {
    return dynamic_cast<ScriptedUpdater&>(*manager->Updaters().at(index));
}

std::vector<std::wstring> RunWorld::LogLines() {
    std::string content;
    machine.files.ReadAll(manager->BackupFolder() + L"_log.csv", content);
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < content.size();) {
        const size_t end = content.find("\r\n", start);
        const std::string line = content.substr(start, end - start);
        lines.push_back(tav::FromUtf8(line.substr(line.find(" - ") + 3)));
        start = end + 2;
    }
    return lines;
}

const std::vector<std::wstring>& RunWorld::Entries() {
    TheJournal().TakeServiceRequests();
    return TheJournal().entries;
}

}  // namespace run_tests
