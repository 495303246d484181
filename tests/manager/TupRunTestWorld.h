// A world for the update run tests: the server installed in C:\TAV\ with its service, a package
// of scripted updaters, and a wizard that records every report with its kind and answers the
// run's questions from a script.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "manager/TupClassFactory.h"
#include "manager/TupManager.h"
#include "manager/TupOwner.h"
#include "updater/TupModuleUpdater.h"

namespace run_tests {

// Every text is its own id after a '#', so a report shows which id it used.
class IdTexts final : public CStringBase {
public:
    IdTexts() : CStringBase(L"C:\\NoLanguageFiles") {
        for (uint32_t id : tav::kAllTextIds) {
            AddString(std::to_string(id), L"EN", L"#" + std::to_wstring(id));
        }
    }
};

// One report as it arrived: kind 0 status line, 1 result log, 2 both.
struct Seen {
    int kind;
    uint32_t id;
    int step;
    int total;
    std::wstring extra;
    bool operator==(const Seen&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << "(" << s.kind << ", " << s.id << ", " << s.step << ", " << s.total << ", '"
               << tav::ToUtf8(s.extra) << "')";
}

// Shorthands: Report n alone is Report(2, n, -1, -1); a step start is Report(2, n, 0, -1).
inline Seen R(int kind, uint32_t id, int step, int total, const std::wstring& extra = L"") {
    return {kind, id, step, total, extra};
}
inline Seen Both(uint32_t id, const std::wstring& extra = L"") { return {2, id, -1, -1, extra}; }
inline Seen StepStart(uint32_t id) { return {2, id, 0, -1, L""}; }

struct Question {
    std::wstring text;
    std::wstring caption;
    uint32_t style;
    bool operator==(const Question&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Question& q) {
    return out << "('" << tav::ToUtf8(q.text) << "', '" << tav::ToUtf8(q.caption) << "', "
               << q.style << ")";
}

// The wizard: records reports (a result-log line is recognised by the log growing) and
// questions, and answers from a script (Cancel once it runs out).
class RecordingOwner final : public ITupOwner {
public:
    void AddStatusLine(const std::wstring&, int step, int total) override {
        statusStep = step;
        statusTotal = total;
        hasStatus = true;
    }
    void SetCurrentAction(const std::wstring& text) override {
        const size_t logLines = countLogLines();
        const bool logged = logLines > seenLogLines;
        seenLogLines = logLines;
        Seen seen{hasStatus ? (logged ? 2 : 0) : (logged ? 1 : -1), 0, -1, -1, L""};
        const size_t blank = text.find(L' ');
        seen.id = static_cast<uint32_t>(std::stoul(tav::ToUtf8(text.substr(1, blank - 1))));
        if (blank != std::wstring::npos) seen.extra = text.substr(blank + 1);
        if (hasStatus) {
            seen.step = statusStep;
            seen.total = statusTotal;
        }
        hasStatus = false;
        reports.push_back(seen);
    }
    int AskQuestion(const std::wstring& text, const std::wstring& caption, uint32_t style) override {
        questions.push_back({text, caption, style});
        if (answers.empty()) return sys::MessageAnswer::Cancel;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::function<size_t()> countLogLines = [] { return size_t(0); };
    std::vector<Seen> reports;
    std::vector<Question> questions;
    std::deque<int> answers;

private:
    int statusStep = 0;
    int statusTotal = 0;
    bool hasStatus = false;
    size_t seenLogLines = 0;
};

// What the scripted updaters did, in order, with the service requests that came between.
struct Journal {
    std::vector<std::wstring> entries;
    fakes::FakeServices* services = nullptr;
    size_t seenRequests = 0;

    void TakeServiceRequests() {
        if (!services) return;
        for (; seenRequests < services->requests.size(); ++seenRequests) {
            entries.push_back(services->requests[seenRequests]);
        }
    }
    void Note(const std::wstring& entry) {
        TakeServiceRequests();
        entries.push_back(entry);
    }
};

Journal& TheJournal();

// An updater whose operations answer from a script and write themselves into the journal as
// "Name.Operation"; its destruction is noted as "~Name".
class ScriptedUpdater : public CTupModuleUpdater {
public:
    ~ScriptedUpdater() override { TheJournal().Note(L"~" + name); }

    void Exchange(ObjContainer* container, bool isLoading) override {
        CTupModuleUpdater::Exchange(container, isLoading);
        if (isLoading) container->GetString(L"Name", name);
    }

    int PrepareUpdate() override { return Call(L"PrepareUpdate", prepare); }
    int CheckFilesExist() override { return Call(L"CheckFilesExist", filesExist); }
    int CheckVersions() override { return Call(L"CheckVersions", versions); }
    int CheckFilesWritable() override { return Call(L"CheckFilesWritable", writable); }
    int BackupFiles() override { return Call(L"BackupFiles", backup); }
    int ApplyUpdate() override { return Call(L"ApplyUpdate", apply); }
    int LaunchExecutables() override {
        launchSawBaseResult.push_back(BaseLaunchResult());
        return Call(L"LaunchExecutables", launch);
    }

    std::wstring name;
    int prepare = 1, filesExist = 1, versions = 0, writable = 1, backup = 1, apply = 1, launch = 1;
    // BaseLaunchResult() at each call of the own LaunchExecutables.
    std::vector<int> launchSawBaseResult;

private:
    int Call(const wchar_t* operation, int result) {
        TheJournal().Note(name + L"." + operation);
        return result;
    }
};

// An updater that keeps every base operation.
class PlainUpdater : public CTupModuleUpdater {};

// A creatable class under a name for the lifetime of the object.
class ScopedClass {
public:
    ScopedClass(const std::wstring& name, TupClassFactory::CreateFunction create)
        : name_(name), previous_(TupClassFactory::Register(name, create)) {}
    ~ScopedClass() { TupClassFactory::Register(name_, previous_); }
    ScopedClass(const ScopedClass&) = delete;
    ScopedClass& operator=(const ScopedClass&) = delete;

private:
    std::wstring name_;
    TupClassFactory::CreateFunction previous_;
};

// Package description pieces.
std::string StringItem(const std::string& key, const std::string& value);
std::string ListItem(const std::string& key, const std::vector<std::string>& values);
std::string Updater(int index, const std::string& classType, const std::string& name,
                    const std::vector<std::string>& services = {});

// The fake clock, with a hook on every sleep and a limit that turns endless waiting into an
// error instead of a test that never ends.
class GuardedClock final : public sys::IClock {
public:
    explicit GuardedClock(fakes::FakeClock& clock) : clock_(clock) {}
    uint64_t TickMs() override { return clock_.TickMs(); }
    sys::LocalTime Now() override { return clock_.Now(); }
    int64_t UnixSeconds() override { return clock_.UnixSeconds(); }
    void SleepMs(uint32_t milliseconds) override;

    std::function<void(uint32_t)> onSleep;

private:
    fakes::FakeClock& clock_;
};

// The machine with the server running from C:\TAV\ (Qelsrv.exe 7.2.0.0), its service "TavSvc"
// running, and a wizard in a scratch folder whose config.xml holds the package.
class RunWorld {
public:
    RunWorld();
    ~RunWorld();

    // Writes config.xml: a "Tarnova_Update" container named "C" with these updaters and extra
    // package keys, and the top-level extras.
    void WriteConfig(const std::string& updaters, const std::string& packageKeys = "",
                     const std::string& topLevel = "");
    // Builds the manager, loads the package and gives it the wizard (unless withOwner is false).
    CTupManager& Start(bool withOwner = true);
    ScriptedUpdater& Scripted(size_t index);

    // Result-log lines without their time stamps.
    std::vector<std::wstring> LogLines();
    // The journal after the last service requests.
    const std::vector<std::wstring>& Entries();

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
    IdTexts texts;
    std::wstring language = L"EN";
    uint32_t enforce = 0;
    GuardedClock clock{machine.clock};
    RecordingOwner owner;
    std::unique_ptr<CTupManager> manager;

private:
    ScopedClass alpha_, beta_, gamma_, generic_, plain_;
    sys::Machine guarded_;
    sys::Machine* previous_;
};

}  // namespace run_tests
