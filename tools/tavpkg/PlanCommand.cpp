// tavpkg plan: the module updaters that the wizard would create from a package description,
// with what each of them would work on.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "manager/TupClassFactory.h"
#include "manager/TupManager.h"
#include "persist/ObjContainerXml.h"
#include "system/Machine.h"
#include "tavpkg/Commands.h"
#include "updater/TupModuleUpdater.h"

namespace tavpkg {
namespace {

const char kHelp[] =
    "usage: tavpkg plan FILE\n"
    "Loads FILE as a package description and creates the module updaters of each package\n"
    "container as the wizard would on this machine, with FILE's folder as the wizard's\n"
    "folder (its package folder is FILE's folder + package\\). Prints per container its\n"
    "component name and per updater its class name, affected services, files (package path\n"
    "-> installation path after the base preparation, which replaces the tokens) and its\n"
    "other lists. Class names that create no updater and gaps in numbered lists, which end\n"
    "a list early, are warnings on standard error.\n"
    "Exit 0; 1 when FILE is missing or not a well-formed document (what was read is still\n"
    "planned).\n";

std::string U8(const std::wstring& text) { return tav::ToUtf8(text); }


// Gaps and entries that a numbered list leaves unread, reported on standard error.
class Warnings {
public:
    explicit Warnings(std::ostream& err) : err_(err) {}

    void Add(const std::wstring& where, const std::string& message) {
        err_ << "tavpkg plan: warning: " << U8(where) << ": " << message << "\n";
    }

    // Elements named prefix + number that the reader does not reach: it reads prefix0,
    // prefix1, ... up to the first number that is missing or is not a container.
    void CheckNumbering(const ObjContainer& list, const std::wstring& where, const std::wstring& prefix) {
        int end = 0;
        while (list.GetContainer(prefix + std::to_wstring(end))) ++end;
        const std::wstring stop = prefix + std::to_wstring(end);
        for (size_t k = list.Count(); k-- > 0;) {  // in the order of the file
            const std::wstring& name = list.At(k).name;
            if (name.size() <= prefix.size() ||
                !tav::FoldEquals(std::wstring_view(name).substr(0, prefix.size()), prefix)) {
                continue;
            }
            const std::wstring digits = name.substr(prefix.size());
            if (digits.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
            if (digits.size() > 1 && digits[0] == L'0') {
                Add(where, U8(name) + " is not read: numbers are written without leading zeros");
            } else if (digits.size() > 9 || std::stoi(digits) > end) {
                Add(where, U8(name) + " is not read: the list ends before " + U8(stop) + ", which is missing");
            } else if (std::stoi(digits) == end) {
                Add(where, U8(name) + " is not a container: the list ends there");
            }
        }
    }

private:
    std::ostream& err_;
};

// The numbered lists of an updater's section and the element names each uses.
struct ListKey {
    const wchar_t* key;
    const wchar_t* prefix;
};
const ListKey kUpdaterLists[] = {
    {L"Files", L"File"},
    {L"ExecutablesToLaunch", L"File"},
    {L"Tokens", L"Token"},
    {L"RegistryKeys", L"Key"},
    {L"RegistryKeys64", L"Key"},
    {L"TokensToReplaceInFiles", L"FileTokenReplacement"},
    {L"ExecutionConditions", L"Condition"},
    {L"ShortCuts", L"ShortCut"},
};

bool CreatesUpdater(const std::wstring& className) {
    std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(className);
    return dynamic_cast<CTupModuleUpdater*>(object.get()) != nullptr;
}

void CheckPackageContainer(const ObjContainer& package, const std::wstring& name, Warnings& warnings) {
    const ObjContainer* updaters = package.GetContainer(L"Updaters");
    if (!updaters) return;
    const std::wstring where = name + L"\\Updaters";
    warnings.CheckNumbering(*updaters, where, L"Updater");
    for (int i = 0;; ++i) {
        const std::wstring sectionName = L"Updater" + std::to_wstring(i);
        const ObjContainer* section = updaters->GetContainer(sectionName);
        if (!section) break;
        const std::wstring sectionWhere = where + L"\\" + sectionName;
        std::wstring className;
        section->GetString(L"ClassType", className);
        if (className.empty()) {
            warnings.Add(sectionWhere, "no ClassType: the wizard creates no updater");
        } else if (!CreatesUpdater(className)) {
            warnings.Add(sectionWhere, "class '" + U8(className) +
                                           "' is not an updater class (names are case-sensitive): "
                                           "the wizard skips it");
        }
        for (const ListKey& list : kUpdaterLists) {
            if (const ObjContainer* elements = section->GetContainer(list.key)) {
                warnings.CheckNumbering(*elements, sectionWhere + L"\\" + list.key, list.prefix);
            }
        }
    }
}

std::string Join(const std::vector<std::wstring>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + U8(item);
    return text;
}

std::string Condition(const CTupExecutionCondition& condition) {
    std::string text;
    auto add = [&](const char* key, const std::wstring& value) {
        if (!value.empty()) text += (text.empty() ? "" : ", ") + std::string(key) + " " + U8(value);
    };
    add("PathExists", condition.PathExists());
    add("RegKeyExists", condition.RegKeyExists());
    add("ServiceExists", condition.ServiceExists());
    add("ServiceNotExists", condition.ServiceNotExists());
    return text.empty() ? "always met" : text;
}

void PrintStrings(std::ostream& out, const char* title, const std::vector<std::wstring>& items) {
    if (items.empty()) return;
    out << "    " << title << ":\n";
    for (const auto& item : items) out << "      " << U8(item) << "\n";
}

void PrintRegistryKeys(std::ostream& out, const char* title, const std::vector<CTupRegistryKey>& keys) {
    if (keys.empty()) return;
    out << "    " << title << ":\n";
    for (const auto& key : keys) {
        out << "      " << U8(key.KeyName()) << "\\" << U8(key.ValueName()) << " = ";
        if (key.IsString()) {
            out << "\"" << U8(key.StringValue()) << "\"\n";
        } else {
            out << key.NumberValue() << "\n";
        }
    }
}

void PrintUpdater(std::ostream& out, const CTupModuleUpdater& updater) {
    if (!updater.AffectedServices().empty()) {
        out << "    AffectedServices: " << Join(updater.AffectedServices()) << "\n";
    }
    out << "    Files:" << (updater.Files().empty() ? " none" : "") << "\n";
    for (const CTupModuleFile& file : updater.Files()) {
        out << "      " << U8(file.UpdatePackageFile()) << " -> " << U8(file.InstallationFile());
        std::string checks;
        auto add = [&](const char* key, uint32_t value) {
            if (value) checks += (checks.empty() ? "" : ", ") + std::string(key) + " " + std::to_string(value);
        };
        add("ExistenceCheckType", file.ExistenceCheckType());
        add("VersionCheckType", file.VersionCheckType());
        add("UpdateCheckType", file.UpdateCheckType());
        add("UserCustomizationCheckPlanned", file.UserCustomizationCheckPlanned());
        add("UpdateConditionType", file.UpdateConditionType());
        out << (checks.empty() ? "" : "  (" + checks + ")") << "\n";
    }
    if (!updater.Tokens().empty()) {
        out << "    Tokens:\n";
        for (const CTupToken& token : updater.Tokens()) {
            std::string sources;
            auto add = [&](const char* key, const std::wstring& value) {
                if (!value.empty()) sources += (sources.empty() ? "" : ", ") + std::string(key) + " " + U8(value);
            };
            add("Path", token.Path());
            add("EnvironmentVariable", token.EnvironmentVariable());
            add("RegKeyValue", token.RegKeyValue());
            add("ServiceLocation", token.ServiceLocation());
            out << "      " << U8(token.Name()) << " from " << (sources.empty() ? "nothing" : sources) << "\n";
        }
    }
    const CTupExecutionCondition& condition = updater.ExecutionCondition();
    if (!condition.PathExists().empty() || !condition.RegKeyExists().empty() ||
        !condition.ServiceExists().empty() || !condition.ServiceNotExists().empty()) {
        out << "    ExecutionCondition: " << Condition(condition) << "\n";
    }
    if (!updater.ExecutablesToLaunch().empty()) {
        out << "    ExecutablesToLaunch:\n";
        for (const CTupExecutableFile& program : updater.ExecutablesToLaunch()) {
            out << "      " << U8(program.Path());
            if (!program.Parameter().empty()) out << " " << U8(program.Parameter());
            out << (program.WaitTillEnd() ? "  (waits)" : "") << "\n";
        }
    }
    PrintRegistryKeys(out, "RegistryKeys", updater.RegistryKeys());
    PrintRegistryKeys(out, "RegistryKeys64", updater.RegistryKeys64());
    if (!updater.TokensToReplaceInFiles().empty()) {
        out << "    TokensToReplaceInFiles:\n";
        for (const CTupFileTokenReplacement& item : updater.TokensToReplaceInFiles()) {
            out << "      " << U8(item.File()) << ": " << U8(item.Token()) << " -> "
                << U8(item.Replacement()) << "\n";
        }
    }
    if (!updater.ExecutionConditions().empty()) {
        out << "    ExecutionConditions:\n";
        for (const CTupExecutionCondition& item : updater.ExecutionConditions()) {
            out << "      " << Condition(item) << "\n";
        }
    }
    if (!updater.ShortCuts().empty()) {
        out << "    ShortCuts:\n";
        for (const CTupShortCut& item : updater.ShortCuts()) {
            out << "      " << U8(item.Title()) << " in " << U8(item.Type());
            if (!item.SubFolder().empty()) out << "\\" << U8(item.SubFolder());
            out << " -> " << U8(item.ExecutablePath()) << "\n";
        }
    }
    PrintStrings(out, "ObjectsToRegister", updater.ObjectsToRegister());
    PrintStrings(out, "NetObjectsToRegister", updater.NetObjectsToRegister());
    PrintStrings(out, "Net4ObjectsToRegister", updater.Net4ObjectsToRegister());
    PrintStrings(out, "CommandsToExecute", updater.CommandsToExecute());
}

// Where an updater of the manager came from: its package container and section.
struct Origin {
    std::wstring container;
    std::wstring section;
};

// Loads one package container into the manager as the wizard's LoadNextPackage does and prints
// the updaters it then holds; origins follow the manager's updaters from container to container.
void PlanContainer(std::ostream& out, CTupManager& manager, ObjContainer* package,
                   const std::wstring& name, std::vector<Origin>& origins) {
    if (!package) {
        out << U8(name) << ": missing\n";
        return;
    }
    manager.Exchange(package, true);
    out << U8(name) << ": component \"" << U8(manager.ComponentName()) << "\"\n";
    if (ObjContainer* sections = package->GetContainer(L"Updaters")) {
        // The manager skips the sections whose class creates no updater.
        origins.clear();
        for (int i = 0;; ++i) {
            const std::wstring section = L"Updater" + std::to_wstring(i);
            const ObjContainer* updater = sections->GetContainer(section);
            if (!updater) break;
            std::wstring className;
            updater->GetString(L"ClassType", className);
            if (CreatesUpdater(className)) origins.push_back({name, section});
        }
    } else {
        out << "  no Updaters: the updaters of the container before stay\n";
    }
    const auto& updaters = manager.Updaters();
    for (size_t i = 0; i < updaters.size(); ++i) {
        CTupModuleUpdater& updater = *updaters[i];
        // Only the base preparation: derived ones write the registry and search the machine.
        updater.CTupModuleUpdater::PrepareUpdate();
        out << "  ";
        if (i < origins.size()) {
            out << U8(origins[i].section) << " ";
        }
        out << U8(manager.UpdaterClassNames()[i]);
        if (i < origins.size() && origins[i].container != name) {
            out << " (from " << U8(origins[i].container) << ")";
        }
        out << "\n";
        PrintUpdater(out, updater);
    }
}

}  // namespace

int RunPlan(const Args& args, std::ostream& out, std::ostream& err) {
    std::wstring file;
    for (const auto& arg : args) {
        if (arg == L"--help") {
            out << kHelp;
            return 0;
        }
        if (arg.size() > 1 && arg[0] == L'-') {
            return UsageError(err, "plan", "unknown option '" + U8(arg) + "'");
        }
        if (!file.empty()) return UsageError(err, "plan", "only one FILE may be given");
        file = arg;
    }
    if (file.empty()) return UsageError(err, "plan", "FILE is missing");

    if (!sys::IsExistingFile(*sys::CurrentMachine().files, file)) {
        err << "tavpkg plan: " << U8(file) << ": no such file\n";
        return 1;
    }
    ObjContainerXml description;
    const bool complete = description.Load(file);

    // The wizard's machine, with the wizard's own file in FILE's folder.
    const size_t slash = file.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : file.substr(0, slash + 1);
    sys::ProgramAtPath program(folder + L"TavUpdateWizard.exe");
    sys::Machine machine = sys::CurrentMachine();
    machine.program = &program;
    sys::MachineInPlace inPlace(&machine);

    const std::wstring language = L"EN";
    uint32_t enforce = 0;
    CTupManager manager(nullptr, &language, enforce);
    out << "install folder: "
        << (manager.InstallFolder().empty() ? std::string("none (no server process runs)")
                                            : U8(manager.InstallFolder()))
        << "\n";
    out << "package folder: " << U8(manager.PackageFolder()) << "\n";

    // The package containers in the order the wizard processes them.
    std::vector<std::wstring> names{manager.RunsTavAps() ? L"Tarnova_RVX_Update" : L"Tarnova_Update"};
    for (int i = 0; description.GetContainer(L"GenericUpdater" + std::to_wstring(i)); ++i) {
        names.push_back(L"GenericUpdater" + std::to_wstring(i));
    }

    Warnings warnings(err);
    warnings.CheckNumbering(description, L"(top level)", L"GenericUpdater");
    for (const wchar_t* main : {L"Tarnova_Update", L"Tarnova_RVX_Update"}) {
        if (const ObjContainer* package = description.GetContainer(main)) {
            CheckPackageContainer(*package, main, warnings);
        }
    }
    for (size_t i = 1; i < names.size(); ++i) {
        CheckPackageContainer(*description.GetContainer(names[i]), names[i], warnings);
    }

    std::vector<Origin> origins;
    for (const std::wstring& name : names) {
        PlanContainer(out, manager, description.GetContainer(name), name, origins);
    }
    const wchar_t* unused = manager.RunsTavAps() ? L"Tarnova_Update" : L"Tarnova_RVX_Update";
    if (description.GetContainer(unused)) {
        out << U8(unused) << ": not used on this machine ("
            << (manager.RunsTavAps() ? "TavAps runs" : "TavAps does not run") << ")\n";
    }

    if (!complete) {
        err << "tavpkg plan: " << U8(file) << ": not read to the end as a well-formed XML document\n";
        return 1;
    }
    return 0;
}

}  // namespace tavpkg
