// Undoes an update run from its backup folder: reads the result log and the package
// description the run kept, plans what to put back and remove (refusing anything it cannot
// place inside the installation), then stops the package's services, changes the files and
// starts the services again.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "restore/RestoreDescription.h"
#include "restore/RestoreLog.h"

namespace sys {
class IFiles;
}

namespace restore {

// What the restore will do for one installed file.
struct Action {
    enum Kind { PutBack, Remove, CannotPutBack, Skip } kind;
    std::wstring installed;
    std::wstring root;    // the place it may be changed in, with no link below it
    std::wstring backup;  // PutBack
    std::string why;      // Remove, CannotPutBack, Skip
    std::vector<std::wstring> leftovers;  // staged and ".old" files the run left beside it
};

// One thing that happened while the restore changed the machine, in order.
struct Event {
    enum Kind {
        ServiceStopped,
        ServiceUnreachable,
        ServiceNotStopped,
        FilesLeftAlone,  // a service still runs, so no file is changed
        Restored,
        UpdatedFileLeftInUse,  // subject: the ".old" file that holds the update's version
        NotPutBack,
        Removed,
        NotRemoved,
        ServiceStarted,
        ServiceNotStarted,
    } kind;
    std::wstring subject;
};

// How the changes went.
struct Outcome {
    bool complete = true;     // every file put back or removed, every service started
    bool filesTried = false;  // false when a service would not stop and no file was touched
    size_t done = 0;          // files put back or removed
    size_t total = 0;         // files to put back or remove
};

class RunRestorer {
public:
    explicit RunRestorer(sys::IFiles& files);

    // Reads the backup folder (and the description and language files in packageFolder, or
    // those the run kept when it is empty) and plans. False, with one line per reason, when
    // anything cannot be read or placed; nothing is changed then.
    bool Prepare(const std::wstring& backupFolder, const std::wstring& packageFolder,
                 std::vector<std::string>& problems);

    const std::wstring& BackupFolder() const { return backup_; }
    const std::vector<Action>& Actions() const { return actions_; }
    // The services to stop around the files, in stopping order.
    const std::vector<std::wstring>& Services() const { return services_; }

    // Carries out the plan; report hears of each step.
    Outcome Apply(const std::function<void(const Event&)>& report);

private:
    std::wstring BackupOf(const LoggedFile& file, const std::set<std::wstring>& claimed, std::string& why);
    std::wstring NamedBackup(const LoggedFile& file, std::string& why) const;
    bool BackupOnlyOwed(const LoggedFile& file) const;
    std::vector<EntryMatch> EntriesFor(const LoggedFile& file, std::vector<const Module*>* owners = nullptr) const;
    // Marks the files whose new version the run staged, from the list it left in the backup
    // folder (a run that ended before the file phase names them nowhere else).
    bool ReadStagedList(std::vector<std::string>& problems);
    bool CheckServices(std::vector<std::string>& problems);
    bool CheckPlaces(std::vector<std::string>& problems);
    bool Plan(std::vector<std::string>& problems);
    bool CheckLinks(std::vector<std::string>& problems);
    bool ApplyAction(const Action& action, Outcome& outcome, const std::function<void(const Event&)>& report);

    sys::IFiles& files_;
    std::wstring backup_;
    std::wstring installation_;
    std::vector<Module> modules_;
    std::vector<std::wstring> generalServices_;
    RunRecord record_;
    std::vector<std::wstring> rootOf_;  // per logged file: where it may be changed, when it is
    std::vector<Action> actions_;
    std::vector<size_t> actionFile_;  // per action: its logged file
    std::vector<std::wstring> services_;
};

}  // namespace restore
