// The package authors' tool: command dispatch and help.
#include "tavpkg/Tavpkg.h"

#include "base/WideText.h"
#include "tavpkg/Commands.h"

namespace tavpkg {
namespace {

const char kUsage[] =
    "usage: tavpkg COMMAND [ARGS]\n"
    "Shows what the Tarnova server update wizard would read.\n"
    "\n"
    "commands:\n"
    "  dump FILE                 package description (config.xml) as JSON\n"
    "  registry PATH [--recurse] [--depth N] [--view64]\n"
    "                            a registry key as JSON (Windows only)\n"
    "  version FILE [--product]  version of an executable file\n"
    "  text ID LANG [--folder DIR]\n"
    "                            a language text as the wizard reads it\n"
    "  plan FILE                 the module updaters the wizard would create, with their\n"
    "                            files and lists\n"
    "  sign FILE...              writes the signature line into web, script and XML files\n"
    "  verify FILE...            whether signed files are unchanged or customized\n"
    "  restore BACKUP_FOLDER [--dry-run] [--package FOLDER]\n"
    "                            undoes an update run from its backup folder\n"
    "  apply [PACKAGE_FOLDER] --accept-licence [options]\n"
    "                            applies the update without windows, for deployment tools\n"
    "  preview [PACKAGE_FOLDER] [options] [--detect]\n"
    "                            what the update would do to this server, changing nothing\n"
    "\n"
    "Each command explains itself with --help.\n";

}  // namespace

int UsageError(std::ostream& err, const std::string& command, const std::string& message) {
    err << "tavpkg" << (command.empty() ? "" : " " + command) << ": " << message
        << " (try --help)\n";
    return 2;
}

int ReadFileArguments(const Args& args, const std::string& command, const char* usage,
                      std::ostream& out, std::ostream& err, Args& files) {
    for (const auto& arg : args) {
        if (arg == L"--help") {
            out << usage;
            return 0;
        }
        if (arg.size() > 1 && arg[0] == L'-') {
            return UsageError(err, command, "unknown option '" + tav::ToUtf8(arg) + "'");
        }
        files.push_back(arg);
    }
    if (files.empty()) return UsageError(err, command, "FILE is missing");
    return -1;
}

int Run(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return UsageError(err, "", "a command is missing");
    const std::wstring& command = args[0];
    const Args rest(args.begin() + 1, args.end());
    if (command == L"--help" || command == L"-h" || command == L"help") {
        out << kUsage;
        return 0;
    }
    if (command == L"dump") return RunDump(rest, out, err);
    if (command == L"registry") return RunRegistry(rest, out, err);
    if (command == L"version") return RunVersion(rest, out, err);
    if (command == L"text") return RunText(rest, out, err);
    if (command == L"plan") return RunPlan(rest, out, err);
    if (command == L"sign") return RunSign(rest, out, err);
    if (command == L"verify") return RunVerify(rest, out, err);
    if (command == L"restore") return RunRestore(rest, out, err);
    if (command == L"apply") return RunApply(rest, out, err);
    if (command == L"preview") return RunPreview(rest, out, err);
    return UsageError(err, "", "unknown command '" + tav::ToUtf8(command) + "'");
}

}  // namespace tavpkg
