// The result of an unattended update, a preview or a detection as JSON.
#include "app/unattended/UpdateResultJson.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "base/WideText.h"
#include "system/RegistryData.h"

namespace {

using Json = nlohmann::ordered_json;

std::string Utf8(const std::wstring& text) { return tav::ToUtf8(text); }

Json List(const std::vector<std::wstring>& items) {
    Json list = Json::array();
    for (const std::wstring& item : items) list.push_back(Utf8(item));
    return list;
}

// Registry data as its one text form has it: a string, a number, or hexadecimal digits.
Json Data(uint32_t type, const std::vector<uint8_t>& data) {
    const sys::RegistryDataText text = sys::DataText(type, data);
    if (text.form == sys::RegistryDataText::Form::Number) return text.number;
    return Utf8(text.text);
}

Json FileJson(const UpdateResult& result, const FileOutcome& file) {
    Json json = {{"path", Utf8(file.path)}, {"decision", Utf8(FileDecisionName(file.decision))}};
    if (file.decision == FileDecision::KeptCustomized && !result.installFolder.empty()) {
        json["todoFolder"] = Utf8(result.installFolder + L"_todo\\");
    }
    if (!file.module.empty()) json["module"] = Utf8(file.module);
    if (!file.packagePath.empty()) json["packagePath"] = Utf8(file.packagePath);
    if (result.preview) {
        json["before"] = Utf8(file.before);
        json["after"] = Utf8(file.after);
        json["changed"] = file.changed;
    }
    return json;
}

Json ValueJson(const sys::WrittenValue& value) {
    Json json = {{"key", Utf8(value.key)},
                 {"view", value.view == sys::RegistryView::Bits64 ? 64 : 32},
                 {"name", Utf8(value.name)},
                 {"type", Utf8(sys::RegTypeName(value.type))},
                 {"data", Data(value.type, value.data)}};
    if (value.replaced) {
        json["replaced"] = Data(value.previousType, value.previousData);
        json["replacedType"] = Utf8(sys::RegTypeName(value.previousType));
    }
    json["written"] = value.written;
    return json;
}

Json ResultJson(const UpdateResult& result) {
    Json json = {{"schemaVersion", kResultSchemaVersion},
                 {"exitCode", result.exitCode},
                 {"reason", Utf8(result.reason)},
                 {"failedStep", Utf8(result.failedStep)},
                 {"preview", result.preview},
                 {"applied", result.applied},
                 {"packageFolder", Utf8(result.packageFolder)},
                 {"installFolder", Utf8(result.installFolder)},
                 {"versionBefore", Utf8(result.versionBefore)},
                 {"versionAfter", Utf8(result.versionAfter)},
                 {"backupFolder", Utf8(result.backupFolder)},
                 {"resultLog", Utf8(result.resultLog)}};
    Json& files = json["files"] = Json::array();
    for (const FileOutcome& file : result.files) files.push_back(FileJson(result, file));
    json["prerequisites"] = List(result.prerequisites);
    json["servicesStopped"] = List(result.servicesStopped);
    json["servicesStarted"] = List(result.servicesStarted);
    Json& programs = json["programs"] = Json::array();
    for (const sys::StartedProgram& program : result.programs) {
        programs.push_back({{"program", Utf8(program.program)},
                            {"commandLine", Utf8(program.commandLine)},
                            {"waited", program.waited},
                            {"started", program.started}});
    }
    Json& values = json["registryValues"] = Json::array();
    for (const sys::WrittenValue& value : result.values) values.push_back(ValueJson(value));
    if (result.preview) json["assumed"] = List(result.assumed);
    json["seconds"] = std::round(result.seconds * 1000) / 1000;
    return json;
}

// Text that is not valid UTF-8 (a broken name read from the server) is written with
// replacement characters rather than refused.
std::string Dumped(const Json& json) {
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string UpdateResultJson(const UpdateResult& result) { return Dumped(ResultJson(result)); }

std::string DetectResultJson(const UpdateResult& result, const DetectAnswer& answer) {
    const char* word = answer.exitCode == DetectExit::Applied       ? "applied"
                       : answer.exitCode == DetectExit::WouldChange ? "not-applied"
                                                                    : "cannot-tell";
    Json json = {{"schemaVersion", kResultSchemaVersion},
                 {"detect", {{"exitCode", answer.exitCode}, {"answer", word}, {"line", Utf8(answer.line)}}}};
    const Json rest = ResultJson(result);
    for (const auto& field : rest.items()) {
        if (field.key() != "schemaVersion") json[field.key()] = field.value();
    }
    return Dumped(json);
}
