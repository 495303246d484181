// Reading back an update run's result log: its lines by text id, then per installed file what
// the backup and the file phase did to it.
#include "restore/RestoreLog.h"

#include <algorithm>
#include <string_view>

#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "updater/TupModuleUpdater.h"

namespace restore {
namespace {

// The separator between the log writer's time stamp and the line the run handed it.
constexpr std::string_view kStampEnd = " - ;";

// The text of a result-log column as the run wrote it: quoted when it held a semicolon or
// started with a quote, inner quotes doubled.
std::string Unquote(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string(text);
    std::string plain;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        plain += text[i];
        if (text[i] == '"' && text[i + 1] == '"') ++i;
    }
    return plain;
}

bool StartsWith(std::wstring_view text, std::wstring_view start) {
    return text.size() >= start.size() && text.substr(0, start.size()) == start;
}

bool IsFilePhaseOutcome(uint32_t id) {
    using namespace tav;
    return id == kTextFileUpdated || id == kTextFileNotCopied || id == kTextFileNotRemoved ||
           id == kTextUpdatePackageFileMissing || id == kTextReadOnlyNotClearedForUpdate ||
           id == kTextTargetFolderNotCreated;
}

}  // namespace

const std::vector<uint32_t>& RestoreTextIds() {
    using namespace tav;
    static const std::vector<uint32_t> ids{
        kTextBackingUpModule,   kTextBackingUpFile,          kTextFileBackedUp,
        kTextNoFileToBackUp,    kTextBackupAlreadyExists,    kTextFileNotBackedUp,
        kTextBackupSubfolderNotCreated, kTextUpdatingModule, kTextUpdatingFile,
        kTextFileUpdated,       kTextFileRenamedToOld,       kTextFileNotCopied,
        kTextFileNotRemoved,    kTextUpdatePackageFileMissing, kTextReadOnlyNotClearedForUpdate,
        kTextTargetFolderNotCreated, kTextServiceStopped,    kTextServiceStarted,
    };
    return ids;
}

std::vector<ResultLogLine> ReadResultLog(const std::string& bytes,
                                         const std::vector<std::wstring>& components,
                                         const std::map<uint32_t, std::wstring>& texts) {
    // Longer names first, so that a name that begins another one does not take its lines.
    std::vector<std::wstring> names = components;
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    std::vector<ResultLogLine> lines;
    size_t from = 0;
    size_t number = 0;
    while (from < bytes.size()) {
        ++number;
        size_t end = bytes.find('\n', from);
        if (end == std::string::npos) end = bytes.size();
        std::string_view raw(bytes.data() + from, end - from);
        from = end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        const size_t stamp = raw.find(kStampEnd);
        if (stamp == std::string_view::npos) continue;
        const std::wstring text = tav::FromUtf8(Unquote(raw.substr(stamp + kStampEnd.size())));

        const std::wstring* component = nullptr;
        for (const auto& name : names) {
            if (StartsWith(text, name + L": ")) {
                component = &name;
                break;
            }
        }
        if (!component) continue;
        const std::wstring_view message = std::wstring_view(text).substr(component->size() + 2);

        // The longest text that the message is, or begins with a blank after.
        const std::pair<const uint32_t, std::wstring>* found = nullptr;
        for (const auto& entry : texts) {
            const std::wstring& known = entry.second;
            if (known.empty() || (found && found->second.size() >= known.size())) continue;
            if (message == known || (StartsWith(message, known) && message.size() > known.size() &&
                                     message[known.size()] == L' ')) {
                found = &entry;
            }
        }
        if (!found) continue;
        const size_t textEnd = found->second.size();
        lines.push_back({*component, found->first,
                         message.size() > textEnd ? std::wstring(message.substr(textEnd + 1))
                                                  : std::wstring(),
                         number});
    }
    return lines;
}

RunRecord ReadRunRecord(const std::vector<ResultLogLine>& lines) {
    using namespace tav;
    RunRecord record;
    std::map<std::wstring, size_t> byPath;  // folded installed path -> index in files
    auto fileFor = [&](const ResultLogLine& line, const std::wstring& module) -> LoggedFile& {
        const std::wstring key = tav::FoldLower(line.extra);
        auto it = byPath.find(key);
        if (it == byPath.end()) {
            it = byPath.emplace(key, record.files.size()).first;
            LoggedFile file;
            file.installed = line.extra;
            file.component = line.component;
            file.module = module;
            file.line = line.number;
            record.files.push_back(std::move(file));
        }
        return record.files[it->second];
    };
    const size_t none = static_cast<size_t>(-1);
    size_t pendingBackup = none;  // the file whose backup outcome comes next
    size_t lastTouched = none;
    size_t touches = 0;
    std::wstring module;
    for (const ResultLogLine& line : lines) {
        if (std::find(record.components.begin(), record.components.end(), line.component) ==
            record.components.end()) {
            record.components.push_back(line.component);
        }
        // A file is in flight only until the log says anything else.
        if (lastTouched != none && line.textId != kTextFileRenamedToOld) {
            record.files[lastTouched].inFlight = false;
        }
        const uint32_t id = line.textId;
        if (id == kTextBackingUpModule || id == kTextUpdatingModule) {
            module = line.extra;
            pendingBackup = none;
        } else if (id == kTextBackingUpFile && !line.extra.empty()) {
            LoggedFile& file = fileFor(line, module);
            pendingBackup = none;
            // The first run that backed a file up, or found none, tells how it was before.
            if (!file.backedUp && !file.noneBefore && !file.backupRefused) {
                file.backupStarted = true;
                pendingBackup = static_cast<size_t>(&file - record.files.data());
            }
        } else if (id == kTextFileBackedUp || id == kTextNoFileToBackUp ||
                   id == kTextBackupAlreadyExists || id == kTextFileNotBackedUp ||
                   id == kTextBackupSubfolderNotCreated) {
            if (pendingBackup == none) continue;
            LoggedFile& file = record.files[pendingBackup];
            pendingBackup = none;
            if (id == kTextFileBackedUp) {
                // The line names the backup when it is not named after the package path.
                const std::wstring named = file.installed + CTupModuleUpdater::kBackupNameSeparator;
                if (tav::FoldEquals(line.extra, file.installed)) {
                    file.backedUp = true;
                } else if (line.extra.size() > named.size() &&
                           tav::FoldEquals(std::wstring_view(line.extra).substr(0, named.size()), named)) {
                    file.backedUp = true;
                    file.backupName = line.extra.substr(named.size());
                }
            } else if (id == kTextNoFileToBackUp) {
                file.noneBefore = true;
            } else {
                file.backupRefused = true;
            }
        } else if (id == kTextUpdatingFile && !line.extra.empty()) {
            LoggedFile& file = fileFor(line, module);
            if (!file.touched) file.firstTouch = touches++;
            file.touched = true;
            file.inFlight = true;
            lastTouched = static_cast<size_t>(&file - record.files.data());
        } else if (id == kTextFileRenamedToOld && !line.extra.empty()) {
            fileFor(line, module).oldMade = true;
        } else if (IsFilePhaseOutcome(id)) {
            if (id == kTextFileUpdated && !line.extra.empty()) fileFor(line, module).replaced = true;
            lastTouched = none;
        } else if (id == kTextServiceStopped && !line.extra.empty()) {
            auto& stopped = record.stoppedServices;
            if (std::none_of(stopped.begin(), stopped.end(),
                             [&](const std::wstring& name) { return tav::FoldEquals(name, line.extra); })) {
                stopped.push_back(line.extra);
            }
        } else if (id == kTextServiceStarted) {
            std::erase_if(record.stoppedServices,
                          [&](const std::wstring& name) { return tav::FoldEquals(name, line.extra); });
        }
    }
    return record;
}

}  // namespace restore
