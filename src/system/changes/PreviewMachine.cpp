// The preview machine: its smaller parts (services, programs, processes, versions, shell,
// spooler, certificate component) and the notes of every change kept back.
#include "system/changes/PreviewMachine.h"

#include <algorithm>
#include <set>

#include "base/WideText.h"

namespace sys {

class CPreviewMachine::Services::Service final : public IService {
public:
    Service(Services& services, std::wstring name, std::unique_ptr<IService> below)
        : services_(services), name_(std::move(name)), key_(tav::FoldUpper(name_)),
          below_(std::move(below)) {}

    bool QueryState(uint32_t& state) override {
        const Laid laid = Get();
        if (laid.hasState) {
            state = laid.state;
            return true;
        }
        return below_->QueryState(state);
    }
    bool QueryConfig(ServiceConfig& config) override {
        if (!below_->QueryConfig(config)) return false;
        const Laid laid = Get();
        if (laid.hasStartType) config.startType = laid.startType;
        return true;
    }
    bool QueryProcess(ServiceProcess& process) override {
        if (!below_->QueryProcess(process)) return false;
        const Laid laid = Get();
        if (laid.hasState && laid.state == ServiceState::Stopped) process.processId = 0;
        return true;
    }
    bool SetStartType(uint32_t startType) override {
        Change([&](Laid& laid) {
            laid.hasStartType = true;
            laid.startType = startType;
        });
        services_.owner_.NoteChange({L"set start type", name_, std::to_wstring(startType)});
        return true;
    }
    bool SendStop() override {
        Change([](Laid& laid) {
            laid.hasState = true;
            laid.state = ServiceState::Stopped;
        });
        services_.owner_.NoteChange({L"stop service", name_, L""});
        return true;
    }
    bool Start() override {
        Change([](Laid& laid) {
            laid.hasState = true;
            laid.state = ServiceState::Running;
        });
        services_.owner_.NoteChange({L"start service", name_, L""});
        return true;
    }
    bool ActiveDependents(std::vector<std::wstring>& names) override {
        if (!below_->ActiveDependents(names)) return false;
        std::lock_guard<std::mutex> guard(services_.mutex_);
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [&](const std::wstring& name) {
                                       const auto laid = services_.laid_.find(tav::FoldUpper(name));
                                       return laid != services_.laid_.end() && laid->second.hasState &&
                                              laid->second.state == ServiceState::Stopped;
                                   }),
                    names.end());
        return true;
    }

private:
    Laid Get() {
        std::lock_guard<std::mutex> guard(services_.mutex_);
        const auto laid = services_.laid_.find(key_);
        return laid == services_.laid_.end() ? Laid() : laid->second;
    }
    template <typename Edit>
    void Change(Edit edit) {
        std::lock_guard<std::mutex> guard(services_.mutex_);
        edit(services_.laid_[key_]);
    }

    Services& services_;
    std::wstring name_;
    std::wstring key_;
    std::unique_ptr<IService> below_;
};

class CPreviewMachine::Services::Manager final : public IServiceManager {
public:
    Manager(Services& services, std::unique_ptr<IServiceManager> below)
        : services_(services), below_(std::move(below)) {}

    std::unique_ptr<IService> Open(const std::wstring& name, OpenFailure& failure) override {
        std::unique_ptr<IService> below = below_->Open(name, failure);
        if (!below) return nullptr;
        return std::make_unique<Service>(services_, name, std::move(below));
    }

private:
    Services& services_;
    std::unique_ptr<IServiceManager> below_;
};

std::unique_ptr<IServiceManager> CPreviewMachine::Services::Connect() {
    std::unique_ptr<IServiceManager> below = below_.Connect();
    if (!below) return nullptr;
    return std::make_unique<Manager>(*this, std::move(below));
}

namespace {

bool IsFullPath(const std::wstring& path) {
    return (path.size() > 2 && path[1] == L':' && path[2] == L'\\') || path.rfind(L"\\\\", 0) == 0;
}

// The first word of a command line, the program Windows would look for.
std::wstring FirstWord(const std::wstring& commandLine) {
    size_t at = commandLine.find_first_not_of(L" \t");
    if (at == std::wstring::npos) return std::wstring();
    if (commandLine[at] == L'"') {
        const size_t close = commandLine.find(L'"', at + 1);
        return commandLine.substr(at + 1, close == std::wstring::npos ? std::wstring::npos : close - at - 1);
    }
    const size_t end = commandLine.find_first_of(L" \t", at);
    return commandLine.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
}

}  // namespace

// Programs are noted, not started. One named by a full path that does not exist fails to start
// as it would in the run; any other counts as started and ended with exit code 0.
class CPreviewMachine::Launcher final : public ILauncher {
public:
    Launcher(CPreviewMachine& owner, Files& files) : owner_(owner), files_(files) {}

    bool Run(const std::wstring& program, const std::wstring& commandLine, bool wait,
             uint32_t* exitCode) override {
        const bool started = Exists(program, commandLine);
        owner_.Note(StartedProgram{program, commandLine, wait, started});
        if (started && exitCode) *exitCode = 0;
        return started;
    }

private:
    bool IsFile(const std::wstring& path) { return IsExistingFile(files_, path); }
    bool Exists(const std::wstring& program, const std::wstring& commandLine) {
        if (!program.empty()) return !IsFullPath(program) || IsFile(program);
        // Windows adds ".exe" to a first word without an extension.
        const std::wstring word = FirstWord(commandLine);
        if (!IsFullPath(word)) return true;
        const size_t dot = word.find_last_of(L".\\");
        const bool extension = dot != std::wstring::npos && word[dot] == L'.';
        return IsFile(word) || (!extension && IsFile(word + L".exe"));
    }

    CPreviewMachine& owner_;
    Files& files_;
};

// Processes as below, without the ones this preview has ended.
class CPreviewMachine::Processes final : public IProcesses {
public:
    Processes(CPreviewMachine& owner, IProcesses& below) : owner_(owner), below_(below) {}

    bool Walk(const std::function<bool(uint32_t, const std::wstring&)>& visit) override {
        const std::set<uint32_t> ended = Ended();
        return below_.Walk([&](uint32_t id, const std::wstring& path) {
            return ended.count(id) ? true : visit(id, path);
        });
    }
    // Only this process's own token changes.
    bool SetDebugPrivilege(bool enable) override { return below_.SetDebugPrivilege(enable); }
    bool Terminate(uint32_t processId) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            ended_.insert(processId);
        }
        owner_.NoteChange({L"end process", std::to_wstring(processId), L""});
        return true;
    }

private:
    std::set<uint32_t> Ended() {
        std::lock_guard<std::mutex> guard(mutex_);
        return ended_;
    }

    CPreviewMachine& owner_;
    IProcesses& below_;
    std::mutex mutex_;
    std::set<uint32_t> ended_;
};

// A file's version is read from the file below whose bytes it holds now.
class CPreviewMachine::Versions final : public IVersionResources {
public:
    Versions(Files& files, IVersionResources& below) : files_(files), below_(below) {}

    bool ReadFixedInfo(const std::wstring& path, FixedVersionInfo& info) override {
        std::wstring source;
        return files_.BytesFrom(path, source) && below_.ReadFixedInfo(source, info);
    }

private:
    Files& files_;
    IVersionResources& below_;
};

class CPreviewMachine::Shell final : public IShell {
public:
    Shell(CPreviewMachine& owner, IShell& below) : owner_(owner), below_(below) {}

    // A special folder that does not exist is not made.
    bool GetSpecialFolder(int csidl, bool, std::wstring& path) override {
        return below_.GetSpecialFolder(csidl, false, path);
    }
    bool CreateShortcut(const std::wstring& linkPath, const ShortcutSpec& shortcut) override {
        owner_.NoteChange({L"create shortcut", linkPath, shortcut.target});
        return true;
    }

private:
    CPreviewMachine& owner_;
    IShell& below_;
};

// Print processors as below, with the ones this preview registered.
class CPreviewMachine::Spooler final : public ISpooler {
public:
    Spooler(CPreviewMachine& owner, ISpooler& below) : owner_(owner), below_(below) {}

    bool GetPrintProcessorFolder(std::wstring& folder) override {
        return below_.GetPrintProcessorFolder(folder);
    }
    bool ListPrintProcessors(std::vector<std::wstring>& names) override {
        if (!below_.ListPrintProcessors(names)) return false;
        std::lock_guard<std::mutex> guard(mutex_);
        for (const std::wstring& name : registered_) {
            if (std::none_of(names.begin(), names.end(),
                             [&](const std::wstring& n) { return tav::FoldEquals(n, name); })) {
                names.push_back(name);
            }
        }
        return true;
    }
    bool RegisterPrintProcessor(const std::wstring& library, const std::wstring& name) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            registered_.push_back(name);
        }
        owner_.NoteChange({L"register print processor", name, library});
        return true;
    }

private:
    CPreviewMachine& owner_;
    ISpooler& below_;
    std::mutex mutex_;
    std::vector<std::wstring> registered_;
};

// The component is not created (the update registers it first); every call is noted and
// answered as done.
class CPreviewMachine::Certificates final : public ICertificateComponent {
public:
    explicit Certificates(CPreviewMachine& owner) : owner_(owner) {}

    std::unique_ptr<ICertificateSession> Create() override {
        return std::make_unique<Session>(owner_);
    }

private:
    class Session final : public ICertificateSession {
    public:
        explicit Session(CPreviewMachine& owner) : owner_(owner) {}

        ComponentCall RemoveBindingForSite(const std::wstring& site, const std::wstring& protocol,
                                           const std::wstring& bindingInformation) override {
            return Call(L"RemoveBindingForSite", site + L", " + protocol + L", " + bindingInformation);
        }
        ComponentCall AddBindingForSite(const std::wstring& site, const std::wstring& protocol,
                                        const std::wstring& bindingInformation,
                                        const std::wstring& certificateName,
                                        int32_t storeFlags) override {
            return Call(L"AddBindingForSite", site + L", " + protocol + L", " + bindingInformation +
                                                  L", " + certificateName + L", " +
                                                  std::to_wstring(storeFlags));
        }
        ComponentCall CreateSelfSignedCertificateInStore(int32_t storeFlags,
                                                         const std::wstring& subjectNames,
                                                         const std::wstring& certificateName,
                                                         bool flag) override {
            return Call(L"CreateSelfSignedCertificateInStore",
                        std::to_wstring(storeFlags) + L", " + subjectNames + L", " +
                            certificateName + L", " + (flag ? L"true" : L"false"));
        }

    private:
        ComponentCall Call(const wchar_t* method, const std::wstring& arguments) {
            owner_.NoteChange({L"certificate component", method, arguments});
            return {true, true, L""};
        }

        CPreviewMachine& owner_;
    };

    CPreviewMachine& owner_;
};

CPreviewMachine::CPreviewMachine(Machine& below)
    : machine_(below),
      files_(std::make_unique<Files>(*this, *below.files, *below.environment)),
      registry_(std::make_unique<Registry>(*this, *below.registry)),
      services_(std::make_unique<Services>(*this, *below.services)),
      launcher_(std::make_unique<Launcher>(*this, *files_)),
      processes_(std::make_unique<Processes>(*this, *below.processes)),
      versions_(std::make_unique<Versions>(*files_, *below.versions)),
      shell_(std::make_unique<Shell>(*this, *below.shell)),
      spooler_(std::make_unique<Spooler>(*this, *below.spooler)),
      certificates_(std::make_unique<Certificates>(*this)) {
    machine_.files = files_.get();
    machine_.registry = registry_.get();
    machine_.services = services_.get();
    machine_.launcher = launcher_.get();
    machine_.processes = processes_.get();
    machine_.versions = versions_.get();
    machine_.shell = shell_.get();
    machine_.spooler = spooler_.get();
    machine_.certificates = certificates_.get();
}

CPreviewMachine::~CPreviewMachine() = default;

bool CPreviewMachine::WouldChangeFile(const std::wstring& path) { return files_->WouldChange(path); }

void CPreviewMachine::Note(StartedProgram program) {
    NoteChange({L"start program", program.program, program.commandLine});
    notes_.Note(std::move(program));
}

void CPreviewMachine::Note(WrittenValue value) {
    NoteChange({L"write registry value", value.key, value.name});
    notes_.Note(std::move(value));
}

void CPreviewMachine::NoteChange(PreviewChange change) {
    std::lock_guard<std::mutex> guard(lock_);
    changes_.push_back(std::move(change));
}

std::vector<PreviewChange> CPreviewMachine::Changes() const {
    std::lock_guard<std::mutex> guard(lock_);
    return changes_;
}

}  // namespace sys
