// tavpkg apply: the wizard's update without windows, for deployment tools.
#include <iostream>

#include "app/unattended/UnattendedApply.h"
#include "app/unattended/UnattendedUpdate.h"
#include "app/unattended/UpdateResultJson.h"
#include "app/WizardFlow.h"
#include "app/lang/StringBase.h"
#include "base/WideText.h"
#include "system/ResultFile.h"
#include "tavpkg/Commands.h"

#ifdef _WIN32
#include <cstdlib>
#endif

namespace tavpkg {
namespace {

const char kHelp[] =
    "usage: tavpkg apply [PACKAGE_FOLDER] --accept-licence [options]\n"
    "Applies the update package in PACKAGE_FOLDER (the folder of config.xml, TavLang.Xml and\n"
    "package\\; default the folder of tavpkg) to this server exactly as the wizard would, with\n"
    "no window: every question the wizard asks is answered by an option, and a question without\n"
    "its answer refuses the update before anything changes.\n"
    "\n"
    "  --accept-licence              accepts the licence agreement (required)\n"
    "  --show-licence                prints the licence agreement and ends\n"
    "  --install-prerequisites       runs the installers of missing prerequisites\n"
    "  --confirm-settings-update     allows updating the print processor or port monitor\n"
    "  --version-question yes|no     same version installed: replace its files, or only newer ones\n"
    "  --upgrade-first-release       allows updating a first release to a later release\n"
    "                                (--allow-older is its former name)\n"
    "  --secure-channel on|off       the communication settings the package asks for\n"
    "  --ssl-certificate on|off\n"
    "  --sync-compatibility on|off\n"
    "  --internal-secure-channel on|off\n"
    "  --service-retries N           tries to start a service again N times (default 1)\n"
    "  --continue-after-failure      runs the package's next part after a failed one\n"
    "  --enforce-update              skips the version questions and checks, as the wizard's switch\n"
    "  --language XX                 language of the status lines (AR CZ DK NL EN EE FI FR DE HU\n"
    "                                IT NO PL ES SE); the result log stays English\n"
    "  --quiet                       prints only the last line\n"
    "  --json FILE                   writes the result as JSON\n"
    "\n"
    "Exit codes: 0 updated or nothing to update; 3010 a prerequisite asks for a restart, the\n"
    "update is not applied: restart, then run it again; 1639 a question has no answer on the\n"
    "command line, or two options contradict (nothing changed); 1642 no installation of the\n"
    "server found (nothing changed); 1638 the installed server is a later release than the\n"
    "package's (nothing changed); 1603 a failed check (nothing changed) or a failed run (services\n"
    "started again, backup kept); 1618 another update runs on this machine; 2 wrong command line.\n";

}  // namespace

std::wstring FullFolder(const std::wstring& folder) {
#ifdef _WIN32
    if (folder.empty()) return folder;
    wchar_t* full = _wfullpath(nullptr, folder.c_str(), 0);
    if (!full) return folder;
    std::wstring result(full);
    std::free(full);
    return result;
#else
    return folder;
#endif
}

int RunApply(const Args& args, std::ostream& out, std::ostream& err) {
    UnattendedOptions options;
    std::wstring error;
    if (!ParseUnattendedOptions(args, options, error)) {
        return UsageError(err, "apply", tav::ToUtf8(error));
    }
    if (options.help) {
        out << kHelp;
        return 0;
    }
    if (options.detect) return UsageError(err, "apply", "--detect belongs to tavpkg preview");
    options.packageFolder = FullFolder(options.packageFolder);
    if (options.showLicence) {
        CStringBase texts(options.packageFolder);
        const std::wstring licence = LicenceTextOf(texts, options.language);
        if (licence.empty()) {
            err << "tavpkg apply: no licence text in the language files of the package folder\n";
            return 1;
        }
        out << tav::ToUtf8(licence) << "\n";
        return 0;
    }

    const auto print = [&out](const std::wstring& line) { out << tav::ToUtf8(line) << "\n" << std::flush; };
    UpdateResult result = ApplyPackage(options, options.quiet ? nullptr : std::function<void(const std::wstring&)>(print));

    std::string last = "apply: ";
    switch (result.exitCode) {
    case UnattendedExit::Updated:
        last += "updated";
        break;
    case UnattendedExit::RestartNeeded:
        last += "restart needed, not applied";
        break;
    case UnattendedExit::Busy:
        last += "busy";
        break;
    case UnattendedExit::NoAnswer:
    case UnattendedExit::NewerInstalled:
    case UnattendedExit::NotInstalled:
        last += "refused";
        break;
    default:
        last += result.ran ? "failed" : "refused";
        break;
    }
    last += " (exit " + std::to_string(result.exitCode) + ")";
    if (!result.reason.empty()) last += ": " + tav::ToUtf8(result.reason);
    if (!result.resultLog.empty()) last += "; result log " + tav::ToUtf8(result.resultLog);
    out << last << "\n";

    std::string writeError;
    if (!options.jsonFile.empty() &&
        !sys::WriteResultFile(options.jsonFile, UpdateResultJson(result), writeError)) {
        // A tool that reads the result must not take a missing one for success.
        err << "tavpkg apply: cannot write " << tav::ToUtf8(options.jsonFile) << ": " << writeError << "\n";
        if (result.exitCode == UnattendedExit::Updated) return UnattendedExit::Failed;
    }
    return result.exitCode;
}

}  // namespace tavpkg
