// Putting back what an update run replaced, from its backup folder.
#include "restore/RunRestorer.h"

#include <algorithm>
#include <map>
#include <memory>

#include "app/lang/StringBase.h"
#include "base/WideText.h"
#include "manager/TupManager.h"
#include "persist/ObjContainerXml.h"
#include "restore/PathGuard.h"
#include "system/Files.h"
#include "system/Machine.h"
#include "system/Service.h"
#include "system/Shell.h"
#include "updater/TupStagedCopy.h"
#include "updater/TupTokenReplacer.h"

namespace restore {
namespace {

std::string U8(const std::wstring& text) { return tav::ToUtf8(text); }

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

// Replaces a module's tokens from this machine, the installation being the backup's own.
class FolderTokens : public CTupTokenReplacer {
public:
    FolderTokens(const Module& module, const std::wstring& installation)
        : module_(module), installation_(installation) {}

    // The folder with its tokens replaced; empty when one stays unknown.
    std::wstring Replace(std::wstring folder) const {
        Put(folder, kInstallPath, installation_);
        Put(folder, kRvxInstallPath, installation_);
        // Special folders are only looked up here: planning creates nothing.
        for (const auto& [token, csidl] : {std::pair{kCommonPrograms, 23}, std::pair{kCommonDesktop, 25}}) {
            std::wstring path;
            if (folder.find(token) != std::wstring::npos &&
                sys::CurrentMachine().shell->GetSpecialFolder(csidl, false, path)) {
                Put(folder, token, WithSeparator(path));
            }
        }
        ReplaceTokens(folder);
        if (folder.find(L"[$") != std::wstring::npos) return std::wstring();
        for (const CTupToken& token : module_.tokens) {
            if (!token.Name().empty() && folder.find(token.Name()) != std::wstring::npos) return std::wstring();
        }
        return folder;
    }

protected:
    const CTupManager* TokenManager() const override { return nullptr; }
    const std::vector<CTupToken>& ModuleTokens() const override { return module_.tokens; }

private:
    static void Put(std::wstring& text, const std::wstring& token, const std::wstring& value) {
        for (size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, at + value.size())) {
            text.replace(at, token.size(), value);
        }
    }

    const Module& module_;
    const std::wstring& installation_;
};

// Folders this machine's product key names, read with the default view: the web folders,
// the job ticket folders, and every value of the key that a token of the description reads.
// Only administrators can write the key, so only there may a restore reach outside the
// installation.
std::vector<std::wstring> MachineFolders(const std::vector<Module>& modules) {
    std::vector<std::wstring> folders;
    const std::wstring key = CTupManager::kProductKey;
    for (const auto& [subkey, name] : {std::pair{L"", L"WEBCLIENTPATH"}, std::pair{L"", L"WEBSERVERPATH"},
                                       std::pair{L"", L"WEBQUEUEMANPATH"}, std::pair{L"", L"DIFPATH"},
                                       std::pair{L"", L"POSJTCONFIGFOLDER"}, std::pair{L"\\TavAps", L"DIFPATH"}}) {
        ObjContainer values;
        values.LoadFromRegistry(key + subkey, false, -1, false);
        std::wstring folder;
        values.GetString(name, folder);
        if (!folder.empty()) folders.push_back(folder);
    }
    const std::wstring inKey = key + L"\\";
    for (const Module& module : modules) {
        for (const CTupToken& token : module.tokens) {
            const std::wstring& value = token.RegKeyValue();
            if (value.size() <= inKey.size() || !tav::FoldEquals(value.substr(0, inKey.size()), inKey)) continue;
            CTupToken fromKey;
            fromKey.SetRegKeyValue(value);
            const std::wstring folder = fromKey.GetValue();
            if (!folder.empty()) folders.push_back(folder);
        }
    }
    // A folder of unsound form, or a drive's root, names no place.
    std::erase_if(folders, [](const std::wstring& folder) {
        std::wstring normal = PathGuard::Normal(folder);
        while (!normal.empty() && (normal.back() == L'\\' || normal.back() == L'/')) normal.pop_back();
        return !PathGuard::FormProblem(folder).empty() || normal.size() <= 2;
    });
    return folders;
}

// Whether folder is one of roots or lies below one.
bool WithinAny(const std::wstring& folder, const std::vector<std::wstring>& roots) {
    const std::wstring inside = PathGuard::Normal(folder + L"\\");
    return std::any_of(roots.begin(), roots.end(), [&](const std::wstring& root) {
        return tav::FoldEquals(inside, PathGuard::Normal(root + L"\\")) || PathGuard::LiesIn(inside, root);
    });
}

// The services the product's updaters stop: the server's and the remote print server's, the
// web server, the spooler and the LPD services. The spooler's companions follow it on their own.
bool IsProductService(const std::wstring& name) {
    static const wchar_t* const kServices[] = {L"tavsvc", L"tavaps", L"tavapsvc", L"w3svc",
                                               L"spooler", L"lpdsvc", L"tavlpdsvc"};
    return std::any_of(std::begin(kServices), std::end(kServices),
                       [&](const wchar_t* service) { return tav::FoldEquals(name, service); });
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

// A link's target is never changed.
void ClearReadOnly(sys::IFiles& files, const std::wstring& path) {
    uint32_t attributes = 0;
    if (files.GetAttributes(path, attributes) && (attributes & sys::FileAttribute::ReadOnly) &&
        !(attributes & sys::FileAttribute::ReparsePoint)) {
        files.SetAttributes(path, sys::FileAttribute::Normal);
    }
}

}  // namespace

RunRestorer::RunRestorer(sys::IFiles& files) : files_(files) {}

bool RunRestorer::Prepare(const std::wstring& backupFolder, const std::wstring& packageFolder,
                          std::vector<std::string>& problems) {
    auto refuse = [&](const std::string& why) {
        problems.push_back(why);
        return false;
    };
    backup_ = WithSeparator(backupFolder);
    std::string why;
    installation_ = PathGuard::InstallationOf(backup_, why);
    if (installation_.empty()) return refuse(U8(backupFolder) + ": " + why);
    if (!sys::IsExistingFolder(files_, backup_)) return refuse(U8(backupFolder) + ": no such folder");
    const std::wstring wizard =
        WithSeparator(packageFolder.empty() ? backup_ + CTupManager::kBackupWizardFolder : packageFolder);
    const std::wstring descriptionPath = wizard + L"config.xml";
    if (!sys::IsExistingFile(files_, descriptionPath)) {
        return refuse("the package description " + U8(descriptionPath) +
                      " is missing (give the wizard's folder with --package)");
    }
    const std::wstring logPath = backup_ + L"_log.csv";
    std::string log;
    if (!files_.ReadAll(logPath, log)) return refuse("the result log " + U8(logPath) + " cannot be read");

    CStringBase table(ForXmlReader(wizard));
    std::map<uint32_t, std::wstring> texts;
    for (uint32_t id : RestoreTextIds()) {
        const std::wstring* text = table.GetText(static_cast<int32_t>(id), L"EN");
        if (!text || text->empty()) {
            return refuse("the language files of " + U8(wizard) + " have no English text " + std::to_string(id) +
                          ", so the result log cannot be read");
        }
        texts[id] = *text;
    }

    ObjContainerXml description;
    if (!description.Load(ForXmlReader(descriptionPath))) {
        return refuse("the package description " + U8(descriptionPath) + " is not well-formed");
    }
    std::vector<std::wstring> components;
    modules_ = ReadModules(description, components);
    if (const ObjContainer* info = description.GetContainer(L"AdditionalUpdateInformation")) {
        info->GetStringList(L"GeneralAffectedServices", generalServices_);
    }
    record_ = ReadRunRecord(ReadResultLog(log, components, texts));
    return ReadStagedList(problems) && CheckServices(problems) && CheckPlaces(problems) &&
           Plan(problems) && CheckLinks(problems);
}

bool RunRestorer::ReadStagedList(std::vector<std::string>& problems) {
    const std::wstring listPath = backup_ + CTupManager::kStagedListName;
    std::string bytes;
    if (!sys::IsExistingFile(files_, listPath)) return true;
    if (!files_.ReadAll(listPath, bytes)) {
        problems.push_back("the list of staged files " + U8(listPath) + " cannot be read");
        return false;
    }
    const std::wstring text = tav::FromUtf8(bytes);
    const std::wstring suffix = TupStaging::kSuffix;
    size_t number = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty()) continue;
        const std::string where = "line " + std::to_string(number) + " of " + U8(listPath);
        if (line.size() <= suffix.size() || !tav::FoldEquals(line.substr(line.size() - suffix.size()), suffix)) {
            problems.push_back(where + " names no staged file: " + U8(line));
            continue;
        }
        const std::wstring installed = line.substr(0, line.size() - suffix.size());
        auto logged = std::find_if(record_.files.begin(), record_.files.end(),
                                   [&](const LoggedFile& file) { return tav::FoldEquals(file.installed, installed); });
        if (logged != record_.files.end()) {
            logged->staged = true;
            continue;
        }
        // Not named in the log: a file of one of the run's modules, as the description says.
        LoggedFile file;
        file.installed = installed;
        file.staged = true;
        file.line = number;
        for (const Module& module : modules_) {
            if (EntriesInstalling(module, installed).empty()) continue;
            file.component = module.component;
            break;
        }
        if (file.component.empty()) {
            problems.push_back(where + " names " + U8(installed) +
                               ", which no file of the package description installs");
            continue;
        }
        record_.files.push_back(std::move(file));
    }
    return problems.empty();
}

std::vector<EntryMatch> RunRestorer::EntriesFor(const LoggedFile& file, std::vector<const Module*>* owners) const {
    std::vector<EntryMatch> matches;
    for (const Module& module : modules_) {
        if (module.component != file.component) continue;
        if (!file.module.empty() && !tav::FoldEquals(module.shortName, file.module)) continue;
        for (EntryMatch& match : EntriesInstalling(module, file.installed)) {
            matches.push_back(std::move(match));
            if (owners) owners->push_back(&module);
        }
    }
    return matches;
}

// A restore stops only services an update of the product would stop, whatever the kept
// description names.
bool RunRestorer::CheckServices(std::vector<std::string>& problems) {
    for (const Module& module : modules_) {
        for (const auto& name : module.services) {
            if (IsProductService(name)) continue;
            problems.push_back("the package description names the service " + U8(name) +
                               " among the affected services of " + U8(module.component) +
                               ", which is not one an update of the product stops");
        }
    }
    for (const auto& name : generalServices_) {
        if (IsProductService(name)) continue;
        problems.push_back("the package description names the service " + U8(name) +
                           " among its general affected services, which is not one an update of the product stops");
    }
    return problems.empty();
}

// Every file the restore would look at or change must lie where it may, judged before the file
// system is asked anything about it.
bool RunRestorer::CheckPlaces(std::vector<std::string>& problems) {
    const PathGuard guard(files_, installation_);
    std::vector<std::wstring> places = MachineFolders(modules_);
    places.push_back(installation_);
    rootOf_.assign(record_.files.size(), std::wstring());
    for (size_t i = 0; i < record_.files.size(); ++i) {
        const LoggedFile& file = record_.files[i];
        const bool changed = file.replaced || file.inFlight || file.oldMade;
        if (!(file.backedUp || (file.noneBefore && changed) || file.touched || file.staged)) continue;
        std::vector<const Module*> owners;
        const std::vector<EntryMatch> entries = EntriesFor(file, &owners);
        std::vector<std::wstring> folders;
        for (size_t e = 0; e < entries.size(); ++e) {
            // What the description spells out itself counts only inside a place this machine names.
            const std::wstring folder = FolderTokens(*owners[e], installation_).Replace(entries[e].installedFolder);
            if (!folder.empty() && PathGuard::FormProblem(folder).empty() && WithinAny(folder, places)) {
                folders.push_back(folder);
            }
        }
        std::string why;
        rootOf_[i] = guard.RootFor(file.installed, folders, why);
        if (rootOf_[i].empty()) {
            problems.push_back("line " + std::to_string(file.line) + " of the result log names " +
                               U8(file.installed) + ", which " + why);
        }
    }
    return problems.empty();
}

// The package path whose backup holds the installed file, or empty with the reason.
std::wstring RunRestorer::BackupOf(const LoggedFile& file, const std::set<std::wstring>& claimed, std::string& why) {
    std::vector<std::wstring> present;
    for (const EntryMatch& entry : EntriesFor(file)) {
        const std::wstring& path = entry.packagePath;
        // A package path that leads out of the backup folder names no backup of it.
        const std::wstring full = backup_ + path;
        if (!PathGuard::FormProblem(full).empty() || !PathGuard::LiesIn(full, backup_)) continue;
        if (!sys::IsExistingFile(files_, full)) continue;
        if (std::none_of(present.begin(), present.end(), [&](const std::wstring& p) { return tav::FoldEquals(p, path); })) {
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

// Whether the file's backup, which the log names or the description places in the backup
// folder, is simply not there: a run that ended before its swap made it, while the file kept
// its old version (nothing lies beside it under ".old").
bool RunRestorer::BackupOnlyOwed(const LoggedFile& file) const {
    if (sys::IsExistingFile(files_, file.installed + TupStaging::kOldSuffix)) return false;
    std::vector<std::wstring> places;
    if (!file.backupName.empty()) {
        places.push_back(backup_ + file.backupName);
    } else {
        for (const EntryMatch& entry : EntriesFor(file)) places.push_back(backup_ + entry.packagePath);
    }
    const auto placed = [&](const std::wstring& full) {
        return PathGuard::FormProblem(full).empty() && PathGuard::LiesIn(full, backup_);
    };
    return !places.empty() && std::all_of(places.begin(), places.end(), placed) &&
           std::none_of(places.begin(), places.end(), [&](const std::wstring& full) { return sys::IsExistingFile(files_, full); });
}

// The backup the log names for the file, when it lies in the backup folder and is there.
std::wstring RunRestorer::NamedBackup(const LoggedFile& file, std::string& why) const {
    const std::wstring full = backup_ + file.backupName;
    if (!PathGuard::FormProblem(full).empty() || !PathGuard::LiesIn(full, backup_)) {
        why = "line " + std::to_string(file.line) + " of the result log names a backup outside the backup folder";
    } else if (!sys::IsExistingFile(files_, full)) {
        why = "the backup " + U8(full) + " that the result log names is missing";
    } else {
        return file.backupName;
    }
    return std::wstring();
}

bool RunRestorer::Plan(std::vector<std::string>& problems) {
    // Which backup is whose: files with one candidate first, then the rest without those.
    std::map<size_t, std::wstring> backupOf;
    std::map<size_t, std::string> unknown;
    std::set<size_t> owedOnly;  // logged as backed up; the run ended before the swap made it
    std::set<std::wstring> claimed;  // folded backup names
    for (const LoggedFile& file : record_.files) {
        if (!file.backupName.empty()) claimed.insert(tav::FoldLower(file.backupName));
    }
    for (bool progress = true; progress;) {
        progress = false;
        unknown.clear();
        for (size_t i = 0; i < record_.files.size(); ++i) {
            const LoggedFile& file = record_.files[i];
            const bool unfinished = file.backupStarted && !file.noneBefore && !file.backupRefused;
            if (!(file.backedUp || unfinished) || backupOf.count(i)) continue;
            std::string why;
            const std::wstring path = file.backupName.empty() ? BackupOf(file, claimed, why) : NamedBackup(file, why);
            if (path.empty()) {
                unknown[i] = why;
                continue;
            }
            backupOf[i] = path;
            claimed.insert(tav::FoldLower(path));
            progress = true;
        }
    }

    for (const auto& [index, why] : unknown) {
        const LoggedFile& file = record_.files[index];
        // A backup the run never finished is not needed as long as the file was not touched,
        // nor one the swap was still to make while the file kept its old version.
        if (!file.backedUp && !file.touched) continue;
        if (file.backedUp && !file.replaced && !file.oldMade && BackupOnlyOwed(file)) {
            owedOnly.insert(index);
            continue;
        }
        problems.push_back("cannot tell which backup holds " + U8(file.installed) + ": " + why);
    }
    // Every file of the backup folder must have its place.
    std::vector<std::wstring> backups;
    ListFiles(files_, backup_, std::wstring(), backups);
    for (const auto& path : backups) {
        // The staged list, and a backup copy the run was still making (it never holds a
        // backup's name), are the run's own.
        const bool own = tav::FoldEquals(path, L"_log.csv") || tav::FoldEquals(path, CTupManager::kStagedListName) ||
                         (path.size() > 8 && tav::FoldEquals(path.substr(path.size() - 8), TupStaging::kSuffix)) ||
                         tav::FoldEquals(path.substr(0, path.find(L'\\')), CTupManager::kBackupWizardFolder);
        if (own || claimed.count(tav::FoldLower(path))) continue;
        problems.push_back("cannot tell where " + U8(backup_ + path) +
                           " belongs: the result log names no installed file that it is the backup of");
    }
    if (!problems.empty()) return false;

    for (size_t i = 0; i < record_.files.size(); ++i) {
        const LoggedFile& file = record_.files[i];
        Action action{Action::Skip, file.installed, rootOf_[i], std::wstring(), std::string(), {}};
        // Only what the log shows the file phase did, or was doing when the run ended.
        const bool changed = file.replaced || file.inFlight || file.oldMade;
        if (owedOnly.count(i)) {
            action.why = "its backup was still to be made when the run ended, and the update did not change it";
        } else if (file.backedUp) {
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
        if (file.touched || file.staged) {
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
            actionFile_.push_back(i);
            actions_.push_back(std::move(action));
        }
    }

    // The services the package names that the run stopped.
    std::vector<std::wstring> names;
    std::set<std::wstring> usedComponents(record_.components.begin(), record_.components.end());
    for (const Module& module : modules_) {
        if (!usedComponents.count(module.component)) continue;
        for (const auto& name : module.services) {
            if (std::none_of(names.begin(), names.end(), [&](const std::wstring& n) { return tav::FoldEquals(n, name); })) {
                names.push_back(name);
            }
        }
    }
    services_ = CTupManager::StopOrder(std::move(names), generalServices_);
    return true;
}

// No link or junction may lead a change, or the backup read for one, out of its place.
bool RunRestorer::CheckLinks(std::vector<std::string>& problems) {
    const PathGuard guard(files_, installation_);
    for (size_t a = 0; a < actions_.size(); ++a) {
        const Action& action = actions_[a];
        const LoggedFile& file = record_.files[actionFile_[a]];
        const std::wstring& root = rootOf_[actionFile_[a]];
        std::vector<std::pair<std::wstring, std::wstring>> ways;  // root, path
        if (action.kind == Action::PutBack) ways.push_back({installation_, action.backup});
        if (action.kind == Action::PutBack || action.kind == Action::Remove) ways.push_back({root, action.installed});
        // A leftover goes itself, link or not; only the folders on its way must lead nowhere else.
        for (const auto& leftover : action.leftovers) ways.push_back({root, leftover.substr(0, leftover.rfind(L'\\'))});
        for (const auto& [from, path] : ways) {
            const std::string why = guard.LinkOnTheWay(from, path);
            if (why.empty()) continue;
            problems.push_back("line " + std::to_string(file.line) + " of the result log names " +
                               U8(file.installed) + ", whose way " + why);
            break;
        }
    }
    return problems.empty();
}

Outcome RunRestorer::Apply(const std::function<void(const Event&)>& report) {
    Outcome outcome;
    std::vector<std::wstring> toStart;  // in stopping order
    bool stopped = true;
    for (const auto& name : services_) {
        sys::OpenFailure failure = sys::OpenFailure::None;
        ServicePtr service(ServMon::CreateServiceByName(name, &failure));
        if (!service) {
            if (failure == sys::OpenFailure::NoSuchService) continue;
            report({Event::ServiceUnreachable, name});
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
            report({Event::ServiceNotStopped, name});
            stopped = false;
            break;
        }
        report({Event::ServiceStopped, name});
        toStart.push_back(name);
    }

    outcome.filesTried = stopped;
    if (!stopped) {
        outcome.complete = false;
        report({Event::FilesLeftAlone, std::wstring()});
    } else {
        for (const Action& action : actions_) {
            if (action.kind == Action::PutBack || action.kind == Action::Remove) ++outcome.total;
            if (action.kind == Action::CannotPutBack) outcome.complete = false;
            if (!ApplyAction(action, outcome, report)) outcome.complete = false;
        }
    }

    for (auto it = toStart.rbegin(); it != toStart.rend(); ++it) {
        ServicePtr service(ServMon::CreateServiceByName(*it));
        if (service && (service->GetState() == ServMon::kRunning || service->Start(false, nullptr, true))) {
            report({Event::ServiceStarted, *it});
        } else {
            report({Event::ServiceNotStarted, *it});
            outcome.complete = false;
        }
    }
    return outcome;
}

bool RunRestorer::ApplyAction(const Action& action, Outcome& outcome,
                              const std::function<void(const Event&)>& report) {
    bool ok = true;
    if (action.kind == Action::PutBack) {
        ClearReadOnly(files_, action.installed);
        // A folder removed since the update is made again.
        const bool folderReady = CreateFoldersAbove(files_, action.installed);
        const TupStaging::Outcome placed = folderReady
                                               ? TupStaging::CopyIntoPlace(files_, action.backup, action.installed, action.root)
                                               : TupStaging::Outcome::NotCopied;
        if (!TupStaging::Placed(placed)) {
            report({Event::NotPutBack, action.installed});
            return false;
        }
        report({Event::Restored, action.installed});
        ++outcome.done;
        // A file in use was moved aside to make way; what lies there is the update's.
        const std::wstring old = action.installed + TupStaging::kOldSuffix;
        if (placed == TupStaging::Outcome::ReplacedBesideOld && !files_.Remove(old)) {
            report({Event::UpdatedFileLeftInUse, old});
        }
    } else if (action.kind == Action::Remove) {
        ClearReadOnly(files_, action.installed);
        if (files_.Remove(action.installed)) {
            report({Event::Removed, action.installed});
            ++outcome.done;
        } else {
            report({Event::NotRemoved, action.installed});
            ok = false;
        }
    }
    for (const auto& leftover : action.leftovers) {
        if (!sys::IsExistingFile(files_, leftover)) continue;
        if (TupStaging::ClearName(files_, leftover)) {
            report({Event::Removed, leftover});
        } else {
            report({Event::NotRemoved, leftover});
            ok = false;
        }
    }
    return ok;
}

}  // namespace restore
