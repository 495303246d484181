// The preview's plan and detection's answer, from the result of an update kept back.
#include "app/unattended/UpdatePreview.h"

#include "app/unattended/UnattendedUpdate.h"
#include "base/WideText.h"
#include "system/RegistryData.h"

namespace {

std::wstring Joined(const std::vector<std::wstring>& items) {
    std::wstring text;
    for (const std::wstring& item : items) text += (text.empty() ? L"" : L", ") + item;
    return text.empty() ? L"none" : text;
}

// A registry value's data in its one text form: text in quotes, a DWORD as a number, other
// types in hexadecimal.
std::wstring DataText(uint32_t type, const std::vector<uint8_t>& data) {
    const sys::RegistryDataText text = sys::DataText(type, data);
    switch (text.form) {
    case sys::RegistryDataText::Form::Text:
        return L"\"" + text.text + L"\"";
    case sys::RegistryDataText::Form::Number:
        return std::to_wstring(text.number);
    case sys::RegistryDataText::Form::Hex:
        break;
    }
    return L"hex:" + text.text;
}

std::wstring Change(const FileOutcome& file) {
    return (file.before.empty() ? L"(new)" : file.before) + L" -> " + file.after;
}

std::wstring FileLine(const UpdateResult& result, const FileOutcome& file) {
    switch (file.decision) {
    case FileDecision::Replaced:
        return L"replace      " + file.path + L"  " + Change(file);
    case FileDecision::KeptCustomized:
        return L"keep copy    " + file.path + L"  changed here: the administrator's copy goes to " +
               result.installFolder + L"_todo\\, then " + Change(file);
    case FileDecision::LeftAlone:
        return L"leave alone  " + file.path + L"  installed version newer or equal (" +
               file.before + L")";
    case FileDecision::Missing:
        return L"missing      " + file.path + L"  not installed and not required";
    case FileDecision::NotReplaced:
        return L"not replaced " + file.path;
    }
    return file.path;
}

// Registrations start regsvr32, regasm or a server's own /RegServer.
bool IsRegistration(const sys::StartedProgram& program) {
    const std::wstring words = tav::FoldLower(program.program + L" " + program.commandLine);
    return words.find(L"regsvr32") != std::wstring::npos ||
           words.find(L"regasm") != std::wstring::npos ||
           words.find(L"/regserver") != std::wstring::npos;
}

std::wstring Outcome(int exitCode) {
    switch (exitCode) {
    case UnattendedExit::Updated:
        return L"would update";
    case UnattendedExit::RestartNeeded:
        return L"would install prerequisites, then need a restart";
    case UnattendedExit::NoAnswer:
        return L"would refuse: a question has no answer";
    case UnattendedExit::NewerInstalled:
        return L"would refuse: a later release is installed";
    case UnattendedExit::NotInstalled:
        return L"would find no installation";
    case UnattendedExit::Busy:
        return L"busy";
    default:
        return L"would fail";
    }
}

}  // namespace

std::vector<std::wstring> PreviewPlanLines(const UpdateResult& result) {
    std::vector<std::wstring> lines;
    lines.push_back(L"Preview of the update of " +
                    (result.installFolder.empty() ? L"(no installation found)" : result.installFolder) +
                    L" from " + result.packageFolder + L"; nothing on this server was changed.");
    lines.push_back(L"Server version: " + (result.versionBefore.empty() ? L"unknown" : result.versionBefore) +
                    L" -> " + (result.versionAfter.empty() ? L"unknown" : result.versionAfter));
    lines.push_back(L"Prerequisites to install first: " + Joined(result.prerequisites));

    size_t counts[5] = {};
    if (!result.files.empty()) lines.push_back(L"Files:");
    std::wstring module = L"\x1";
    for (const FileOutcome& file : result.files) {
        ++counts[static_cast<int>(file.decision)];
        if (file.module != module) {
            module = file.module;
            lines.push_back(L"  " + (module.empty() ? L"(package)" : module) + L":");
        }
        lines.push_back(L"    " + FileLine(result, file));
    }
    lines.push_back(L"Services stopped, in order: " + Joined(result.servicesStopped));
    lines.push_back(L"Services started again: " + Joined(result.servicesStarted));

    if (!result.values.empty()) lines.push_back(L"Registry values:");
    for (const sys::WrittenValue& value : result.values) {
        lines.push_back(L"  " + value.key + L"\\" + value.name + L" = " + DataText(value.type, value.data) +
                        (value.replaced ? L"  (replaces " + DataText(value.previousType, value.previousData) + L")"
                                        : L"  (new)") +
                        (value.view == sys::RegistryView::Bits64 ? L"  [64-bit]" : L""));
    }

    std::vector<std::wstring> components;
    std::vector<std::wstring> programs;
    for (const sys::StartedProgram& program : result.programs) {
        (IsRegistration(program) ? components : programs)
            .push_back(L"  " + program.commandLine + (program.started ? L"" : L"  (not found: fails to start)"));
    }
    for (const sys::PreviewChange& change : result.changes) {
        if (change.what == L"certificate component") {
            components.push_back(L"  certificate component: " + change.subject + L"(" + change.detail + L")");
        } else if (change.what == L"register print processor") {
            components.push_back(L"  print processor " + change.subject + L" (" + change.detail + L")");
        } else if (change.what == L"create shortcut") {
            components.push_back(L"  shortcut " + change.subject + L" -> " + change.detail);
        }
    }
    if (!components.empty()) lines.push_back(L"Components registered:");
    lines.insert(lines.end(), components.begin(), components.end());
    if (!programs.empty()) lines.push_back(L"Programs, scripts and IIS commands:");
    lines.insert(lines.end(), programs.begin(), programs.end());
    if (!result.backupFolder.empty()) lines.push_back(L"Backup folder: " + result.backupFolder);
    if (!result.assumed.empty()) lines.push_back(L"Assumed, since a preview cannot know:");
    for (const std::wstring& line : result.assumed) lines.push_back(L"  " + line);

    std::wstring count = L"preview: " + std::to_wstring(counts[0]) + L" files replaced, " +
                         std::to_wstring(counts[1]) + L" kept in _todo, " + std::to_wstring(counts[2]) +
                         L" left alone, " + std::to_wstring(counts[3]) + L" missing, " +
                         std::to_wstring(counts[4]) + L" not replaced; " +
                         std::to_wstring(result.servicesStopped.size()) + L" services stopped; " +
                         std::to_wstring(result.values.size()) + L" registry values; " +
                         std::to_wstring(result.programs.size()) + L" programs; " +
                         Outcome(result.exitCode) + L" (exit " + std::to_wstring(result.exitCode) + L")";
    lines.push_back(count);
    if (result.exitCode != UnattendedExit::Updated) {
        std::wstring why = L"  ";
        if (!result.failedStep.empty()) why += L"at: " + result.failedStep + L"; ";
        lines.push_back(why + L"reason: " + result.reason);
    }
    return lines;
}

DetectAnswer Detect(const UpdateResult& result) {
    if (result.exitCode == UnattendedExit::Busy) {
        return {DetectExit::CannotTell, L"cannot tell: " + result.reason};
    }
    if (!result.installationFound) {
        return {DetectExit::CannotTell, L"cannot tell: no installation of the server was found"};
    }
    // Whatever the files say: steps after the file phase may be undone.
    if (result.hasLastRun && !result.lastRun.succeeded) {
        return {DetectExit::WouldChange, L"not applied: the last update run of this package failed (" +
                                             result.lastRun.when + L", backup folder " +
                                             result.lastRun.backupFolder + L")"};
    }
    if (!result.prerequisites.empty() || result.exitCode == UnattendedExit::RestartNeeded) {
        return {DetectExit::WouldChange,
                L"not applied: prerequisites would be installed first: " + Joined(result.prerequisites)};
    }
    if (result.exitCode != UnattendedExit::Updated) {
        std::wstring line = L"cannot tell: the update " + Outcome(result.exitCode);
        if (!result.failedStep.empty()) line += L" at: " + result.failedStep;
        if (!result.reason.empty()) line += L"; " + result.reason;
        return {DetectExit::CannotTell, line};
    }
    size_t changed = 0;
    std::wstring first;
    for (const FileOutcome& file : result.files) {
        if (!file.changed) continue;
        if (changed++ == 0) first = file.path;
    }
    if (changed > 0) {
        return {DetectExit::WouldChange, L"not applied: the update would change " +
                                             std::to_wstring(changed) + L" installed files (" + first +
                                             (changed > 1 ? L", ..." : L"") + L")"};
    }
    if (!result.listValuesChanged.empty()) {
        const size_t count = result.listValuesChanged.size();
        return {DetectExit::WouldChange, L"not applied: the update would write " + std::to_wstring(count) +
                                             L" registry values (" + result.listValuesChanged.front() +
                                             (count > 1 ? L", ..." : L"") + L")"};
    }
    return {DetectExit::Applied,
            L"applied: the update would leave every installed file and registry value as it is"};
}
