// tavpkg preview: what the update would do to this server, before anything changes.
#include <iostream>

#include "app/unattended/UnattendedApply.h"
#include "app/unattended/UnattendedUpdate.h"
#include "app/unattended/UpdateResultJson.h"
#include "app/unattended/UpdatePreview.h"
#include "base/WideText.h"
#include "system/ResultFile.h"
#include "tavpkg/Commands.h"

namespace tavpkg {
namespace {

const char kHelp[] =
    "usage: tavpkg preview [PACKAGE_FOLDER] [the options of tavpkg apply]\n"
    "       tavpkg preview [PACKAGE_FOLDER] --detect\n"
    "Runs the update of PACKAGE_FOLDER exactly as tavpkg apply would, on a copy of this\n"
    "server's state kept in memory, and prints what it would do: prerequisites, each file with\n"
    "its decision, services, registry values, components, programs and the backup folder.\n"
    "Nothing on the server changes: no file, registry value or service, no backup folder,\n"
    "result log or _todo. Files held open by the services are taken to be free once they stop.\n"
    "Answers the update asks for are given as to tavpkg apply (see tavpkg apply --help); the\n"
    "exit code is the one apply would give.\n"
    "\n"
    "  --json FILE   writes the result as tavpkg apply does, with \"preview\": true\n"
    "  --detect      needs no answers; prints one line and exits 0 when applying the package\n"
    "                would leave every installed file and registry value as it is, 1 when it\n"
    "                would change the server or the package's last run here failed, 2 when it\n"
    "                cannot tell (no installation, a broken package); with --json FILE the\n"
    "                answer is written in front of the preview's result\n";

}  // namespace

int RunPreview(const Args& args, std::ostream& out, std::ostream& err) {
    UnattendedOptions options;
    std::wstring error;
    if (!ParseUnattendedOptions(args, options, error)) {
        return UsageError(err, "preview", tav::ToUtf8(error));
    }
    if (options.help) {
        out << kHelp;
        return 0;
    }
    if (options.showLicence) return UsageError(err, "preview", "--show-licence belongs to tavpkg apply");
    options.packageFolder = FullFolder(options.packageFolder);

    const UpdateResult result = PreviewPackage(options, nullptr);
    const DetectAnswer answer = Detect(result);
    std::string writeError;
    const bool written =
        options.jsonFile.empty() ||
        sys::WriteResultFile(options.jsonFile,
                             options.detect ? DetectResultJson(result, answer) : UpdateResultJson(result),
                             writeError);
    if (!written) {
        err << "tavpkg preview: cannot write " << tav::ToUtf8(options.jsonFile) << ": " << writeError << "\n";
    }
    if (options.detect) {
        out << "detect: " << tav::ToUtf8(answer.line) << "\n";
        return written ? answer.exitCode : DetectExit::CannotTell;
    }
    // Quiet: the count line and what follows it (a refusal's or failure's reason).
    bool shown = !options.quiet;
    for (const std::wstring& line : PreviewPlanLines(result)) {
        shown = shown || line.rfind(L"preview: ", 0) == 0;
        if (shown) out << tav::ToUtf8(line) << "\n";
    }
    if (!written && result.exitCode == UnattendedExit::Updated) return UnattendedExit::Failed;
    return result.exitCode;
}

}  // namespace tavpkg
