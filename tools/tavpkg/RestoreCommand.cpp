// tavpkg restore: puts back the files an update run replaced, from its backup folder, and
// removes what the run added or left half done.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "base/WideText.h"
#include "manager/TupClassFactory.h"
#include "manager/TupManager.h"
#include "persist/ObjContainerXml.h"
#include "system/Machine.h"
#include "system/Service.h"
#include "tavpkg/Commands.h"
#include "tavpkg/RestoreLog.h"
#include "updater/TupModuleUpdater.h"
#include "updater/TupStagedCopy.h"

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
    "still done); 2 for a wrong command line; 3 when the backup cannot be read or a file's\n"
    "place cannot be told (nothing is changed).\n";

constexpr int kIncomplete = 1;
constexpr int kRefused = 3;

std::string U8(const std::wstring& text) { return tav::ToUtf8(text); }

bool HasWildcard(const std::wstring& path) { return path.find_first_of(L"*?") != std::wstring::npos; }

std::wstring FolderPart(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring WithSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

// A path as the XML reader opens it: the Linux build's file system knows no backslashes, which
// a backup folder's paths there still hold.
std::wstring ForXmlReader(std::wstring path) {
#ifndef _WIN32
    for (wchar_t& c : path) c = c == L'\\' ? L'/' : c;
#endif
    return path;
}

// An installation path as the description writes it: literal text and tokens, which the run
// replaced by values this tool cannot know for certain; a token matches any text.
class PathTemplate {
public:
    PathTemplate(const std::wstring& text, const std::vector<CTupToken>& moduleTokens) {
        std::vector<std::wstring> names;
        for (const CTupToken& token : moduleTokens) {
            if (!token.Name().empty()) names.push_back(token.Name());
        }
        std::wstring literal;
        for (size_t i = 0; i < text.size();) {
            size_t length = 0;
            if (text.compare(i, 2, L"[$") == 0) {
                const size_t close = text.find(L']', i + 2);
                if (close != std::wstring::npos) length = close + 1 - i;
            }
            for (const auto& name : names) {
                if (!length && text.compare(i, name.size(), name) == 0) length = name.size();
            }
            if (!length) {
                literal += text[i++];
                continue;
            }
            pieces_.push_back({false, literal});
            pieces_.push_back({true, std::wstring()});
            literal.clear();
            i += length;
        }
        pieces_.push_back({false, literal});
    }

    // Whether path is the template with some text in place of each token (letters folded).
    bool Matches(std::wstring_view path) const {
        std::vector<bool> at(path.size() + 1, false);  // positions reachable so far
        at[0] = true;
        for (const Piece& piece : pieces_) {
            std::vector<bool> next(path.size() + 1, false);
            if (piece.token) {
                bool reached = false;
                for (size_t p = 0; p <= path.size(); ++p) next[p] = reached = reached || at[p];
            } else {
                const size_t n = piece.text.size();
                for (size_t p = 0; p + n <= path.size(); ++p) {
                    if (at[p] && tav::FoldEquals(path.substr(p, n), piece.text)) next[p + n] = true;
                }
            }
            at.swap(next);
        }
        return at[path.size()];
    }

private:
    struct Piece {
        bool token;
        std::wstring text;
    };
    std::vector<Piece> pieces_;
};

// One module updater of the description, as far as a restore needs it.
struct Module {
    std::wstring component;
    std::wstring shortName;
    std::vector<CTupModuleFile> files;
    std::vector<CTupToken> tokens;
    std::vector<std::wstring> services;
};

std::wstring ShortNameOf(const std::wstring& className) {
    return className.size() <= 11 ? std::wstring() : className.substr(4, className.size() - 11);
}

// The updaters of every package container, as the wizard would create them; a container
// without updaters keeps those of the container before, as in the wizard.
std::vector<Module> ReadModules(ObjContainerXml& description, std::vector<std::wstring>& components) {
    std::vector<ObjContainer*> containers{description.GetContainer(L"Tarnova_Update"),
                                          description.GetContainer(L"Tarnova_RVX_Update")};
    for (int i = 0; ObjContainer* generic = description.GetContainer(L"GenericUpdater" + std::to_wstring(i));
         ++i) {
        containers.push_back(generic);
    }
    std::vector<Module> modules;
    std::vector<Module> previous;
    for (ObjContainer* container : containers) {
        if (!container) continue;
        std::wstring component;
        container->GetString(L"ComponentName", component);
        components.push_back(component);
        std::vector<Module> current;
        if (ObjContainer* sections = container->GetContainer(L"Updaters")) {
            for (int i = 0;; ++i) {
                ObjContainer* section = sections->GetContainer(L"Updater" + std::to_wstring(i));
                if (!section) break;
                std::wstring className;
                section->GetString(L"ClassType", className);
                std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(className);
                auto* updater = dynamic_cast<CTupModuleUpdater*>(object.get());
                if (!updater) continue;
                updater->Load(section);
                current.push_back({component, ShortNameOf(className), updater->Files(),
                                   updater->Tokens(), updater->AffectedServices()});
            }
        } else {
            current = previous;
        }
        for (Module& module : current) module.component = component;
        previous = current;
        modules.insert(modules.end(), current.begin(), current.end());
    }
    return modules;
}

// The package paths that a module's file entries give for an installed path.
void AddPackagePaths(const Module& module, const std::wstring& installed, std::set<std::wstring>& paths) {
    for (const CTupModuleFile& file : module.files) {
        const std::wstring& package = file.UpdatePackageFile();
        if (!HasWildcard(package)) {
            if (PathTemplate(file.InstallationFile(), module.tokens).Matches(installed)) {
                paths.insert(package);
            }
            continue;
        }
        // An expanded entry: the pattern's installation folder, then the package path below the
        // pattern's folder, every segment of which matches the pattern's name.
        const std::wstring packageFolder = FolderPart(package);
        const std::wstring namePattern = package.substr(packageFolder.size());
        const PathTemplate folder(FolderPart(file.InstallationFile()), module.tokens);
        for (size_t slash = installed.find(L'\\'); slash != std::wstring::npos;
             slash = installed.find(L'\\', slash + 1)) {
            const std::wstring below = installed.substr(slash + 1);
            if (below.empty() || !folder.Matches(std::wstring_view(installed).substr(0, slash + 1))) {
                continue;
            }
            bool segmentsMatch = true;
            for (size_t start = 0; start <= below.size();) {
                size_t end = below.find(L'\\', start);
                if (end == std::wstring::npos) end = below.size();
                segmentsMatch = segmentsMatch &&
                                sys::MatchesFilePattern(std::wstring_view(below).substr(start, end - start),
                                                        namePattern);
                start = end + 1;
            }
            if (segmentsMatch) paths.insert(packageFolder + below);
        }
    }
}

// Every file below folder, as paths relative to it with backslashes.
void ListFiles(sys::IFiles& files, const std::wstring& root, const std::wstring& relative,
               std::vector<std::wstring>& found) {
    for (const sys::FoundEntry& entry : files.FindEntries(root + relative, L"*")) {
        const std::wstring path = relative + entry.name;
        if (entry.isFolder) {
            ListFiles(files, root, path + L"\\", found);
        } else {
            found.push_back(path);
        }
    }
}

// What the restore will do for one installed file.
struct Action {
    enum Kind { PutBack, Remove, CannotPutBack, Skip } kind;
    std::wstring installed;
    std::wstring backup;  // PutBack
    std::string why;      // Remove, CannotPutBack, Skip
    std::vector<std::wstring> leftovers;  // staged and ".old" files the run left beside it
};

struct ReleaseService {
    void operator()(ServMon::CService* service) const { service->Release(); }
};
using ServicePtr = std::unique_ptr<ServMon::CService, ReleaseService>;

// Creates the missing folders above path, from its root down; false when one cannot be made.
bool CreateFoldersAbove(sys::IFiles& files, const std::wstring& path) {
    const size_t last = path.find_last_of(L"\\/");
    if (last == std::wstring::npos || last == 0) return true;
    const std::wstring parent = path.substr(0, last);
    if (sys::IsExistingFolder(files, parent)) return true;
    if (parent.back() == L':' || !CreateFoldersAbove(files, parent)) return parent.back() == L':';
    return sys::CreateOrFindFolder(files, parent);
}

bool SameBytes(sys::IFiles& files, const std::wstring& a, const std::wstring& b) {
    std::string first, second;
    return files.ReadAll(a, first) && files.ReadAll(b, second) && first == second;
}

class Restore {
public:
    Restore(std::ostream& out, std::ostream& err) : out_(out), err_(err), files_(*sys::CurrentMachine().files) {}

    int Run(const std::wstring& backupArgument, const std::wstring& packageFolder, bool dryRun) {
        backup_ = WithSeparator(backupArgument);
        if (!sys::IsExistingFolder(files_, backup_)) return Refuse(U8(backupArgument) + ": no such folder");
        const std::wstring wizard =
            WithSeparator(packageFolder.empty() ? backup_ + CTupManager::kBackupWizardFolder : packageFolder);
        const std::wstring descriptionPath = wizard + L"config.xml";
        if (!sys::IsExistingFile(files_, descriptionPath)) {
            return Refuse("the package description " + U8(descriptionPath) +
                          " is missing (give the wizard's folder with --package)");
        }
        const std::wstring logPath = backup_ + L"_log.csv";
        std::string log;
        if (!files_.ReadAll(logPath, log)) return Refuse("the result log " + U8(logPath) + " cannot be read");

        CStringBase table(ForXmlReader(wizard));
        std::map<uint32_t, std::wstring> texts;
        for (uint32_t id : RestoreTextIds()) {
            const std::wstring* text = table.GetText(static_cast<int32_t>(id), L"EN");
            if (!text || text->empty()) {
                return Refuse("the language files of " + U8(wizard) + " have no English text " +
                              std::to_string(id) + ", so the result log cannot be read");
            }
            texts[id] = *text;
        }

        ObjContainerXml description;
        if (!description.Load(ForXmlReader(descriptionPath))) {
            return Refuse("the package description " + U8(descriptionPath) + " is not well-formed");
        }
        std::vector<std::wstring> components;
        modules_ = ReadModules(description, components);
        if (const ObjContainer* info = description.GetContainer(L"AdditionalUpdateInformation")) {
            info->GetStringList(L"GeneralAffectedServices", generalServices_);
        }
        record_ = ReadRunRecord(ReadResultLog(log, components, texts));

        if (!Plan()) return kRefused;
        Print();
        if (dryRun) {
            out_ << "restore: dry run, nothing changed\n";
            return 0;
        }
        return Apply();
    }

private:
    int Refuse(const std::string& why) {
        err_ << "tavpkg restore: " << why << "; nothing changed\n";
        return kRefused;
    }

    // The package path whose backup holds the installed file, or empty with the reason.
    std::wstring BackupOf(const LoggedFile& file, const std::set<std::wstring>& claimed, std::string& why) {
        std::set<std::wstring> paths;
        for (const Module& module : modules_) {
            if (module.component != file.component) continue;
            if (!file.module.empty() && !tav::FoldEquals(module.shortName, file.module)) continue;
            AddPackagePaths(module, file.installed, paths);
        }
        std::vector<std::wstring> present;
        for (const auto& path : paths) {
            if (!sys::IsExistingFile(files_, backup_ + path)) continue;
            if (std::none_of(present.begin(), present.end(),
                             [&](const std::wstring& p) { return tav::FoldEquals(p, path); })) {
                present.push_back(path);
            }
        }
        // A backup that another file is known to own is not this one's.
        if (present.size() > 1) {
            std::erase_if(present, [&](const std::wstring& p) { return claimed.count(tav::FoldLower(p)) > 0; });
        }
        if (present.size() == 1) return present.front();
        why = present.empty() ? "no file of the package description that installs it has a backup"
                              : "more than one backup could be its own";
        return std::wstring();
    }

    bool Plan() {
        // Which backup is whose: files with one candidate first, then the rest without those.
        std::map<size_t, std::wstring> backupOf;
        std::map<size_t, std::string> unknown;
        std::set<std::wstring> claimed;  // folded package paths
        for (bool progress = true; progress;) {
            progress = false;
            unknown.clear();
            for (size_t i = 0; i < record_.files.size(); ++i) {
                const LoggedFile& file = record_.files[i];
                const bool unfinished = file.backupStarted && !file.noneBefore && !file.backupRefused;
                if (!(file.backedUp || unfinished) || backupOf.count(i)) continue;
                std::string why;
                const std::wstring path = BackupOf(file, claimed, why);
                if (path.empty()) {
                    unknown[i] = why;
                    continue;
                }
                backupOf[i] = path;
                claimed.insert(tav::FoldLower(path));
                progress = true;
            }
        }

        bool refused = false;
        for (const auto& [index, why] : unknown) {
            const LoggedFile& file = record_.files[index];
            // A backup the run never finished is not needed as long as the file was not touched.
            if (!file.backedUp && !file.touched) continue;
            err_ << "tavpkg restore: cannot tell which backup holds " << U8(file.installed) << ": " << why
                 << "\n";
            refused = true;
        }
        // Every file of the backup folder must have its place.
        std::vector<std::wstring> backups;
        ListFiles(files_, backup_, std::wstring(), backups);
        for (const auto& path : backups) {
            const bool own = tav::FoldEquals(path, L"_log.csv") ||
                             tav::FoldEquals(path.substr(0, path.find(L'\\')), CTupManager::kBackupWizardFolder);
            if (own || claimed.count(tav::FoldLower(path))) continue;
            err_ << "tavpkg restore: cannot tell where " << U8(backup_ + path)
                 << " belongs: the result log names no installed file that it is the backup of\n";
            refused = true;
        }
        if (refused) {
            err_ << "tavpkg restore: nothing changed\n";
            return false;
        }

        for (size_t i = 0; i < record_.files.size(); ++i) {
            const LoggedFile& file = record_.files[i];
            Action action{Action::Skip, file.installed, std::wstring(), std::string(), {}};
            // Only what the log shows the file phase did, or was doing when the run ended.
            const bool changed = file.replaced || file.inFlight || file.oldMade;
            if (file.backedUp) {
                action.kind = Action::PutBack;
                action.backup = backup_ + backupOf[i];
            } else if (file.noneBefore && changed) {
                if (sys::IsExistingFile(files_, file.installed)) {
                    action.kind = Action::Remove;
                    action.why = "added by the update";
                }
            } else if (changed) {
                action.kind = Action::CannotPutBack;
                action.why = "the update kept no backup of it";
            } else if (file.backupStarted && !file.backupRefused && !file.noneBefore) {
                action.why = "its backup was not finished, and the update did not change it";
            }
            if (file.touched) {
                const std::wstring staged = file.installed + TupStaging::kSuffix;
                if (sys::IsExistingFile(files_, staged)) action.leftovers.push_back(staged);
                // ".old" is the run's when the log says so, or when the run stopped while it had
                // moved the file aside and it holds what the backup holds.
                const std::wstring old = file.installed + TupStaging::kOldSuffix;
                if (sys::IsExistingFile(files_, old) &&
                    (file.oldMade || (file.inFlight && action.kind == Action::PutBack &&
                                      SameBytes(files_, old, action.backup)))) {
                    action.leftovers.push_back(old);
                }
            }
            if (action.kind != Action::Skip || !action.leftovers.empty() || !action.why.empty()) {
                actions_.push_back(std::move(action));
            }
        }

        // The services the package names that the run stopped.
        std::vector<std::wstring> names;
        std::set<std::wstring> usedComponents(record_.components.begin(), record_.components.end());
        for (const Module& module : modules_) {
            if (!usedComponents.count(module.component)) continue;
            for (const auto& name : module.services) {
                if (std::none_of(names.begin(), names.end(),
                                 [&](const std::wstring& n) { return tav::FoldEquals(n, name); })) {
                    names.push_back(name);
                }
            }
        }
        services_ = CTupManager::StopOrder(std::move(names), generalServices_);
        return true;
    }

    void Print() {
        out_ << "restore from " << U8(backup_) << "\n";
        for (const Action& action : actions_) {
            switch (action.kind) {
            case Action::PutBack:
                out_ << "put back: " << U8(action.backup) << " -> " << U8(action.installed) << "\n";
                break;
            case Action::Remove:
                out_ << "remove: " << U8(action.installed) << " (" << action.why << ")\n";
                break;
            case Action::CannotPutBack:
                out_ << "cannot put back: " << U8(action.installed) << " (" << action.why << ")\n";
                break;
            case Action::Skip:
                if (!action.why.empty()) out_ << "leave: " << U8(action.installed) << " (" << action.why << ")\n";
                break;
            }
            for (const auto& leftover : action.leftovers) {
                out_ << "remove: " << U8(leftover) << " (left by the update)\n";
            }
        }
        if (!services_.empty()) {
            std::string joined;
            for (const auto& name : services_) joined += (joined.empty() ? "" : ", ") + U8(name);
            out_ << "services: " << joined << "\n";
        }
    }

    int Apply() {
        bool complete = true;
        std::vector<std::wstring> toStart;  // in stopping order
        bool stopped = true;
        for (const auto& name : services_) {
            sys::OpenFailure failure = sys::OpenFailure::None;
            ServicePtr service(ServMon::CreateServiceByName(name, &failure));
            if (!service) {
                if (failure == sys::OpenFailure::NoSuchService) continue;
                out_ << "failed: service " << U8(name) << " cannot be reached\n";
                stopped = false;
                break;
            }
            const bool wasStoppedByRun =
                std::any_of(record_.stoppedServices.begin(), record_.stoppedServices.end(),
                            [&](const std::wstring& n) { return tav::FoldEquals(n, name); });
            if (service->GetState() == ServMon::kStopped) {
                // The run stopped it and did not live to start it again.
                if (wasStoppedByRun) toStart.push_back(name);
                continue;
            }
            if (!service->Stop(false, true, nullptr)) {
                out_ << "failed: service " << U8(name) << " did not stop\n";
                stopped = false;
                break;
            }
            out_ << "stopped: " << U8(name) << "\n";
            toStart.push_back(name);
        }

        size_t done = 0, total = 0;
        if (!stopped) {
            complete = false;
            out_ << "restore: no file changed while a service still runs\n";
        } else {
            for (const Action& action : actions_) {
                if (action.kind == Action::PutBack || action.kind == Action::Remove) ++total;
                if (action.kind == Action::CannotPutBack) complete = false;
                if (!ApplyAction(action, done)) complete = false;
            }
        }

        for (auto it = toStart.rbegin(); it != toStart.rend(); ++it) {
            ServicePtr service(ServMon::CreateServiceByName(*it));
            if (service && (service->GetState() == ServMon::kRunning || service->Start(false, nullptr, true))) {
                out_ << "started: " << U8(*it) << "\n";
            } else {
                out_ << "failed: service " << U8(*it) << " did not start\n";
                complete = false;
            }
        }
        if (stopped) out_ << "restore: " << done << " of " << total << " files put back or removed\n";
        return complete ? 0 : kIncomplete;
    }

    bool ApplyAction(const Action& action, size_t& done) {
        bool ok = true;
        if (action.kind == Action::PutBack) {
            uint32_t attributes = 0;
            if (files_.GetAttributes(action.installed, attributes) &&
                (attributes & sys::FileAttribute::ReadOnly)) {
                files_.SetAttributes(action.installed, sys::FileAttribute::Normal);
            }
            // A folder removed since the update is made again.
            const bool folderReady = CreateFoldersAbove(files_, action.installed);
            const TupStaging::Outcome outcome =
                folderReady ? TupStaging::CopyIntoPlace(files_, action.backup, action.installed)
                            : TupStaging::Outcome::NotCopied;
            if (TupStaging::Placed(outcome)) {
                out_ << "restored: " << U8(action.installed) << "\n";
                ++done;
                // A file in use was moved aside to make way; what lies there is the update's.
                const std::wstring old = action.installed + TupStaging::kOldSuffix;
                if (outcome == TupStaging::Outcome::ReplacedBesideOld && !files_.Remove(old)) {
                    out_ << "left: " << U8(old) << " (the updated file, still in use)\n";
                }
            } else {
                out_ << "failed: " << U8(action.installed) << " cannot be put back\n";
                return false;
            }
        } else if (action.kind == Action::Remove) {
            uint32_t attributes = 0;
            if (files_.GetAttributes(action.installed, attributes) && (attributes & sys::FileAttribute::ReadOnly)) {
                files_.SetAttributes(action.installed, sys::FileAttribute::Normal);
            }
            if (files_.Remove(action.installed)) {
                out_ << "removed: " << U8(action.installed) << "\n";
                ++done;
            } else {
                out_ << "failed: " << U8(action.installed) << " cannot be removed\n";
                ok = false;
            }
        }
        for (const auto& leftover : action.leftovers) {
            if (!sys::IsExistingFile(files_, leftover)) continue;
            files_.SetAttributes(leftover, sys::FileAttribute::Normal);
            if (files_.Remove(leftover)) {
                out_ << "removed: " << U8(leftover) << "\n";
            } else {
                out_ << "failed: " << U8(leftover) << " cannot be removed\n";
                ok = false;
            }
        }
        return ok;
    }

    std::ostream& out_;
    std::ostream& err_;
    sys::IFiles& files_;
    std::wstring backup_;
    std::vector<Module> modules_;
    std::vector<std::wstring> generalServices_;
    RunRecord record_;
    std::vector<Action> actions_;
    std::vector<std::wstring> services_;
};

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
    return Restore(out, err).Run(folder, package, dryRun);
}

}  // namespace tavpkg
