// Fuzzes what decides the paths of a restore: any bytes as a backup folder's result log and
// kept package description must be read without harm, and whatever plan comes out may change
// only paths of a sound form inside the installation, with backups read from the backup folder
// only.
// An input is the description, a line "#LOG", then the log; without that line it is the log
// alone, read with a fixed description. "%I%" in the log stands for the installation's folder,
// which differs from process to process.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/lang/StringBase.h"
#include "base/WideText.h"
#include "restore/PathGuard.h"
#include "restore/RestoreLog.h"
#include "restore/RunRestorer.h"
#include "system/Machine.h"

namespace {

namespace fs = std::filesystem;

const char kDescription[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><CONFIG><ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
    "<ITEM key=\"ComponentName\" type=\"OCString\">Tarnova server</ITEM>"
    "<ITEM key=\"Updaters\" type=\"OCContainer\"><ITEM key=\"Updater0\" type=\"OCContainer\">"
    "<ITEM key=\"ClassType\" type=\"OCString\">CTupModuleUpdater</ITEM><ITEM key=\"Files\" type=\"OCContainer\">"
    "<ITEM key=\"File0\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" type=\"OCString\">bin\\a.dll</ITEM>"
    "<ITEM key=\"InstallationFile\" type=\"OCString\">[$TN_INSTALL_PATH]bin\\a.dll</ITEM></ITEM>"
    "<ITEM key=\"File1\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" type=\"OCString\">web\\*.asp</ITEM>"
    "<ITEM key=\"InstallationFile\" type=\"OCString\">[$TN_INSTALL_PATH]web\\*.asp</ITEM></ITEM>"
    "</ITEM></ITEM></ITEM></ITEM></CONFIG>";

void WriteFile(const fs::path& path, std::string_view bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A backup folder of this process with two backups and a language file of the English texts
// that a restore reads; made once.
const fs::path& BackupFolder() {
    static const fs::path folder = [] {
        const char* dir = std::getenv("TMPDIR");
        const fs::path root = fs::path(dir && *dir ? dir : "/tmp") / ("tav-fuzz-restore-" + std::to_string(getpid()));
        const fs::path backup = root / "inst" / "_TupBkp" / "run";
        fs::create_directories(backup / "_wizard");
        fs::create_directories(backup / "bin");
        fs::create_directories(backup / "web");
        WriteFile(backup / "bin" / "a.dll", "old a");
        WriteFile(backup / "web" / "b.asp", "old b");
        CStringBase texts(tav::FromUtf8(std::string(TAV_SOURCE_DIR) + "/resources"));
        std::string language = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><TAVLANG><LANGUAGES>"
                               "<LANG code=\"EN\" displayorder=\"1\">English</LANG></LANGUAGES>";
        for (uint32_t id : restore::RestoreTextIds()) {
            language += "<STRING code=\"" + std::to_string(id) + "\"><LANG code=\"EN\">" +
                        tav::ToUtf8(texts.GetTextOrEmpty(static_cast<int32_t>(id), L"EN")) + "</LANG></STRING>";
        }
        WriteFile(backup / "_wizard" / "TavLang.Xml", language + "</TAVLANG>");
        return backup;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& backup = BackupFolder();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find("\n#LOG\n");
    WriteFile(backup / "_wizard" / "config.xml", split == std::string_view::npos ? kDescription : input.substr(0, split));
    std::string log(split == std::string_view::npos ? input : input.substr(split + 6));
    const std::string installation = backup.parent_path().parent_path().string() + "\\";
    for (size_t at = log.find("%I%"); at != std::string::npos; at = log.find("%I%", at + installation.size())) {
        log.replace(at, 3, installation);
    }
    WriteFile(backup / "_log.csv", log);

    const std::wstring folder = tav::FromUtf8(backup.string()) + L"\\";
    restore::RunRestorer restorer(*sys::CurrentMachine().files);
    std::vector<std::string> problems;
    if (!restorer.Prepare(folder, std::wstring(), problems)) return 0;
    // A plan may only change sound paths, from backups inside the backup folder.
    for (const restore::Action& action : restorer.Actions()) {
        const bool changes = action.kind == restore::Action::PutBack || action.kind == restore::Action::Remove;
        if (changes && !restore::PathGuard::FormProblem(action.installed).empty()) std::abort();
        // This host's machine names no folder: nothing outside the installation may change.
        if (changes && !restore::PathGuard::LiesIn(action.installed, tav::FromUtf8(installation))) std::abort();
        for (const auto& leftover : action.leftovers) {
            if (!restore::PathGuard::FormProblem(leftover).empty()) std::abort();
        }
        if (action.kind == restore::Action::PutBack && !restore::PathGuard::LiesIn(action.backup, folder)) std::abort();
    }
    return 0;
}
