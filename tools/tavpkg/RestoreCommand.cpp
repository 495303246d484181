// tavpkg restore: the command line and printing of undoing an update run from its backup
// folder; the work itself is restore::RunRestorer's.
#include <string>
#include <vector>

#include "base/WideText.h"
#include "restore/RunRestorer.h"
#include "system/Machine.h"
#include "system/MachineLock.h"
#include "tavpkg/Commands.h"

namespace tavpkg {
namespace {

const char kHelp[] =
    "usage: tavpkg restore BACKUP_FOLDER [--dry-run] [--package FOLDER]\n"
    "Undoes an update run from its backup folder (below the install folder's _TupBkp). The\n"
    "package description and language files the run kept in BACKUP_FOLDER\\_wizard (or those\n"
    "of the wizard's FOLDER) and the run's result log _log.csv tell where each backed-up file\n"
    "belongs. Lists what it will do (--dry-run stops there), stops the services the package\n"
    "names, puts each backed-up file back through a staged copy and a replacing rename,\n"
    "removes the files the run added where there was none before and the .tup~new and .old\n"
    "files the run left, and starts the services again.\n"
    "Output lines: 'put back: BACKUP -> INSTALLED', 'remove: PATH (why)', 'cannot put back:\n"
    "INSTALLED (why)', 'services: NAMES', then 'stopped:', 'restored:', 'removed:', 'failed:',\n"
    "'started:' lines and a last 'restore: ...' line.\n"
    "Exit 0 when every file was put back; 1 when any file or service failed (the others are\n"
    "still done); 2 for a wrong command line; 3 when the backup cannot be read, a file's\n"
    "place cannot be told, a path lies outside the installation (the folder above _TupBkp)\n"
    "and every folder this machine's product key names, or the description names a service\n"
    "an update of the product does not stop, or when no other update can be kept out\n"
    "(nothing is changed); 1618 while another update (the wizard, tavpkg apply or restore)\n"
    "runs.\n";

constexpr int kIncomplete = 1;
constexpr int kRefused = 3;
constexpr int kBusy = 1618;

std::string U8(const std::wstring& text) { return tav::ToUtf8(text); }

void PrintPlan(const restore::RunRestorer& restorer, std::ostream& out) {
    using restore::Action;
    out << "restore from " << U8(restorer.BackupFolder()) << "\n";
    for (const Action& action : restorer.Actions()) {
        switch (action.kind) {
        case Action::PutBack:
            out << "put back: " << U8(action.backup) << " -> " << U8(action.installed) << "\n";
            break;
        case Action::Remove:
            out << "remove: " << U8(action.installed) << " (" << action.why << ")\n";
            break;
        case Action::CannotPutBack:
            out << "cannot put back: " << U8(action.installed) << " (" << action.why << ")\n";
            break;
        case Action::Skip:
            if (!action.why.empty()) out << "leave: " << U8(action.installed) << " (" << action.why << ")\n";
            break;
        }
        for (const auto& leftover : action.leftovers) out << "remove: " << U8(leftover) << " (left by the update)\n";
    }
    if (!restorer.Services().empty()) {
        std::string joined;
        for (const auto& name : restorer.Services()) joined += (joined.empty() ? "" : ", ") + U8(name);
        out << "services: " << joined << "\n";
    }
}

void PrintEvent(const restore::Event& event, std::ostream& out) {
    using restore::Event;
    const std::string subject = U8(event.subject);
    switch (event.kind) {
    case Event::ServiceStopped: out << "stopped: " << subject << "\n"; break;
    case Event::ServiceUnreachable: out << "failed: service " << subject << " cannot be reached\n"; break;
    case Event::ServiceNotStopped: out << "failed: service " << subject << " did not stop\n"; break;
    case Event::FilesLeftAlone: out << "restore: no file changed while a service still runs\n"; break;
    case Event::Restored: out << "restored: " << subject << "\n"; break;
    case Event::UpdatedFileLeftInUse: out << "left: " << subject << " (the updated file, still in use)\n"; break;
    case Event::NotPutBack: out << "failed: " << subject << " cannot be put back\n"; break;
    case Event::Removed: out << "removed: " << subject << "\n"; break;
    case Event::NotRemoved: out << "failed: " << subject << " cannot be removed\n"; break;
    case Event::ServiceStarted: out << "started: " << subject << "\n"; break;
    case Event::ServiceNotStarted: out << "failed: service " << subject << " did not start\n"; break;
    }
}

int Restore(const std::wstring& folder, const std::wstring& package, bool dryRun, std::ostream& out,
            std::ostream& err) {
    // The same lock as the update's: a restore must not run into an update, nor one into it.
    const sys::UpdateLock lock = sys::TakeUpdateLock();
    if (lock.state == sys::LockState::Busy) {
        err << "tavpkg restore: another update of this server is running (the wizard or tavpkg "
               "apply); nothing changed\n";
        return kBusy;
    }
    if (lock.state != sys::LockState::Taken) {
        err << "tavpkg restore: no other update can be kept out: " << U8(lock.problem)
            << "; nothing changed\n";
        return kRefused;
    }
    restore::RunRestorer restorer(*sys::CurrentMachine().files);
    std::vector<std::string> problems;
    if (!restorer.Prepare(folder, package, problems)) {
        for (const auto& problem : problems) err << "tavpkg restore: " << problem << "\n";
        err << "tavpkg restore: nothing changed\n";
        return kRefused;
    }
    PrintPlan(restorer, out);
    if (dryRun) {
        out << "restore: dry run, nothing changed\n";
        return 0;
    }
    const restore::Outcome outcome = restorer.Apply([&](const restore::Event& event) { PrintEvent(event, out); });
    if (outcome.filesTried) {
        out << "restore: " << outcome.done << " of " << outcome.total << " files put back or removed\n";
    }
    return outcome.complete ? 0 : kIncomplete;
}

}  // namespace

int RunRestore(const Args& args, std::ostream& out, std::ostream& err) {
    std::wstring folder, package;
    bool dryRun = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--help") {
            out << kHelp;
            return 0;
        }
        if (arg == L"--dry-run") {
            dryRun = true;
        } else if (arg == L"--package") {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                return UsageError(err, "restore", "--package needs a folder");
            }
            package = args[++i];
        } else if (arg.size() > 1 && arg[0] == L'-') {
            return UsageError(err, "restore", "unknown option '" + U8(arg) + "'");
        } else if (!folder.empty()) {
            return UsageError(err, "restore", "only one BACKUP_FOLDER may be given");
        } else {
            folder = arg;
        }
    }
    if (folder.empty()) return UsageError(err, "restore", "BACKUP_FOLDER is missing");
    return Restore(folder, package, dryRun, out, err);
}

}  // namespace tavpkg
