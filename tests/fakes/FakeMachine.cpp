// A whole fake machine for native tests, put in place for the lifetime of the object.
#include "fakes/FakeMachine.h"

#include <algorithm>

#include "base/WideText.h"

namespace fakes {

bool FakeProcesses::Walk(const std::function<bool(uint32_t, const std::wstring&)>& visit) {
    if (!available) return false;
    for (const auto& p : processes) {
        if (!visit(p.id, p.path)) break;
    }
    return true;
}

bool FakeProcesses::SetDebugPrivilege(bool enable) {
    privilegeChanges.push_back(enable);
    return true;
}

bool FakeProcesses::Terminate(uint32_t processId) {
    auto it = std::find_if(processes.begin(), processes.end(),
                           [&](const Process& p) { return p.id == processId; });
    if (it == processes.end()) return false;
    processes.erase(it);
    terminated.push_back(processId);
    if (onTerminate) onTerminate(processId);
    return true;
}

bool FakeVersionResources::ReadFixedInfo(const std::wstring& path, sys::FixedVersionInfo& info) {
    auto it = files.find(tav::FoldLower(path));
    if (it == files.end()) return false;
    info = it->second;
    return true;
}

void FakeVersionResources::Set(const std::wstring& path, uint16_t a, uint16_t b, uint16_t c,
                               uint16_t d, uint16_t e, uint16_t f, uint16_t g, uint16_t h) {
    sys::FixedVersionInfo info;
    info.fileVersionMs = (uint32_t(a) << 16) | b;
    info.fileVersionLs = (uint32_t(c) << 16) | d;
    info.productVersionMs = (uint32_t(e) << 16) | f;
    info.productVersionLs = (uint32_t(g) << 16) | h;
    files[tav::FoldLower(path)] = info;
}

sys::LocalTime FakeClock::Now() {
    // The start time advanced by the milliseconds slept, within the day.
    sys::LocalTime t = start;
    uint64_t ms = (nowMs - 1000000) + uint64_t(t.millisecond) + 1000ull * t.second +
                  60000ull * t.minute + 3600000ull * t.hour;
    ms %= 24ull * 3600000ull;
    t.hour = int(ms / 3600000);
    t.minute = int(ms / 60000 % 60);
    t.second = int(ms / 1000 % 60);
    t.millisecond = int(ms % 1000);
    return t;  // the day stays the start's: tests do not sleep past midnight
}

void FakeClock::SleepMs(uint32_t milliseconds) {
    sleeps.push_back(milliseconds);
    nowMs += milliseconds;
}

class FakeCertificateComponent::Session final : public sys::ICertificateSession {
public:
    explicit Session(FakeCertificateComponent& component) : component_(component) {}
    ~Session() override { component_.Record({L"Release", {}}); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    sys::ComponentCall RemoveBindingForSite(const std::wstring& site, const std::wstring& protocol,
                                            const std::wstring& bindingInformation) override {
        component_.Record({L"RemoveBindingForSite", {site, protocol, bindingInformation}});
        return component_.Answer();
    }
    sys::ComponentCall AddBindingForSite(const std::wstring& site, const std::wstring& protocol,
                                         const std::wstring& bindingInformation,
                                         const std::wstring& certificateName,
                                         int32_t storeFlags) override {
        component_.Record({L"AddBindingForSite",
                           {site, protocol, bindingInformation, certificateName,
                            std::to_wstring(storeFlags)}});
        return component_.Answer();
    }
    sys::ComponentCall CreateSelfSignedCertificateInStore(int32_t storeFlags,
                                                          const std::wstring& subjectNames,
                                                          const std::wstring& certificateName,
                                                          bool flag) override {
        component_.Record({L"CreateSelfSignedCertificateInStore",
                           {std::to_wstring(storeFlags), subjectNames, certificateName,
                            flag ? L"true" : L"false"}});
        return component_.Answer();
    }

private:
    FakeCertificateComponent& component_;
};

std::unique_ptr<sys::ICertificateSession> FakeCertificateComponent::Create() {
    Record({L"Create", {}});
    if (!creatable) return nullptr;
    return std::make_unique<Session>(*this);
}

void FakeCertificateComponent::Record(Call call) {
    calls.push_back(call);
    if (onCall) onCall(call.name);
}

sys::ComponentCall FakeCertificateComponent::Answer() {
    if (answers.empty()) return {true, true, std::wstring()};
    sys::ComponentCall answer = answers.front();
    answers.pop_front();
    return answer;
}

FakeMachine::FakeMachine() {
    machine_.registry = &registry;
    machine_.processes = &processes;
    machine_.versions = &versions;
    machine_.clock = &clock;
    machine_.program = &program;
    machine_.files = &files;
    machine_.services = &services;
    machine_.launcher = &launcher;
    machine_.environment = &environment;
    machine_.shell = &shell;
    machine_.messageBoxes = &messageBoxes;
    machine_.codePage = &codePage;
    machine_.operatingSystem = &operatingSystem;
    machine_.spooler = &spooler;
    machine_.wow64 = &wow64;
    machine_.certificates = &certificates;
    processes.onTerminate = [this](uint32_t id) { services.OnProcessEnded(id); };
    previous_ = sys::ReplaceCurrentMachine(&machine_);
}

FakeMachine::~FakeMachine() { sys::ReplaceCurrentMachine(previous_); }

void FakeMachine::UseHostFiles() { machine_.files = sys::HostMachine().files; }

void FakeMachine::UseFakeFiles() { machine_.files = &files; }

bool FakeLauncher::Run(const std::wstring& program, const std::wstring& commandLine, bool wait,
                       uint32_t* code) {
    for (const auto& text : failing) {
        if (commandLine.find(text) != std::wstring::npos) return false;
    }
    starts.push_back({commandLine, wait, program});
    if (onStart) onStart(commandLine);
    if (wait && code && exitCodeReadable) *code = exitCode;
    return true;
}

bool FakeEnvironment::GetVariable(const std::wstring& name, std::wstring& value) {
    for (const auto& [key, text] : variables) {
        if (tav::FoldEquals(key, name)) {
            value = text;
            return true;
        }
    }
    return false;
}

bool FakeShell::GetSpecialFolder(int csidl, bool create, std::wstring& path) {
    auto it = folders.find(csidl);
    if (it == folders.end()) return false;
    path = it->second;
    if (create) files_->AddFolder(path);
    return true;
}

bool FakeShell::CreateShortcut(const std::wstring& linkPath, const sys::ShortcutSpec& shortcut) {
    if (!files_->WriteAll(linkPath, "shortcut to " + tav::ToUtf8(shortcut.target))) return false;
    shortcuts.emplace_back(linkPath, shortcut);
    return true;
}

int FakeMessageBoxes::Show(uintptr_t, const std::wstring& text, const std::wstring& caption,
                           uint32_t style) {
    questions.push_back({text, caption, style});
    if (answers.empty()) return sys::MessageAnswer::Cancel;
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

bool FakeSpooler::GetPrintProcessorFolder(std::wstring& answer) {
    if (onCall) onCall(L"GetPrintProcessorFolder");
    if (!folderAvailable) return false;
    answer = folder;
    return true;
}

bool FakeSpooler::ListPrintProcessors(std::vector<std::wstring>& names) {
    if (onCall) onCall(L"ListPrintProcessors");
    ++listings;
    if (!listable) return false;
    names = processors;
    return true;
}

bool FakeSpooler::RegisterPrintProcessor(const std::wstring& library, const std::wstring& name) {
    if (onCall) onCall(L"RegisterPrintProcessor");
    added.emplace_back(library, name);
    if (addRefused) return false;
    processors.push_back(name);
    return true;
}

bool FakeWow64::SetRedirection(bool enabled) {
    switches.push_back(enabled);
    if (enabled ? onFails : offFails) return false;
    redirected = enabled;
    return true;
}

void FakeMachine::RecordInstallFolder(const std::wstring& folder) {
    registry.PutString(sys::RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav",
                       sys::RegistryView::Bits32, L"JawsEnginePath", folder);
}

}  // namespace fakes
