// Backup and file phase of a large module on a real folder tree, against the system's xcopy
// copying the same tree twice (once as the backup, once over the installed files).
// Usage: bench_file_update prepare|reset|xcopy|updater|profile ROOT [FILES] [TOTAL_MB] [FOLDERS]
// (defaults 10000, 1000, 300). Each step is its own run, so that bench/file-update-bench.sh can
// flush the disk caches' dirty pages between them; it makes ROOT a temporary folder and
// removes it at the end. "profile" is "updater" with the time of each kind of file-system call
// added up. Windows only.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "manager/TupManager.h"
#include "system/Machine.h"
#include "updater/TupModuleUpdater.h"
#include "win/WinScratchFolder.h"
#include "win/WinUpdaterSupport.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One file of the generated module: its path below the tree and its size.
struct TreeFile {
    std::wstring relative;
    size_t size;
};

// FILES files of about TOTAL_MB in all, spread over FOLDERS folders of two levels; sizes vary
// from half to one and a half times the mean.
std::vector<TreeFile> Layout(int files, size_t totalMb, int folders) {
    std::vector<TreeFile> layout;
    const size_t mean = totalMb * 1024 * 1024 / static_cast<size_t>(files);
    uint32_t state = 12345;
    for (int i = 0; i < files; ++i) {
        state = state * 1664525u + 1013904223u;
        const int folder = i % folders;
        wchar_t name[96];
        std::swprintf(name, 96, L"group%02d\\folder%03d\\file%05d.dat", folder / 20, folder, i);
        layout.push_back({name, mean / 2 + (state >> 8) % (mean + 1)});
    }
    return layout;
}

bool MakeFolders(const std::wstring& root, const std::wstring& relative) {
    for (size_t slash = relative.find(L'\\'); slash != std::wstring::npos;
         slash = relative.find(L'\\', slash + 1)) {
        const std::wstring folder = root + relative.substr(0, slash);
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return true;
}

// Writes every file of the layout below root with bytes that depend on the seed.
bool WriteTree(const std::wstring& root, const std::vector<TreeFile>& layout, uint32_t seed) {
    std::vector<uint32_t> buffer;
    for (const TreeFile& file : layout) {
        if (!MakeFolders(root, file.relative)) return false;
        buffer.resize(file.size / 4 + 1);
        uint32_t state = seed ^ static_cast<uint32_t>(file.size);
        for (uint32_t& word : buffer) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            word = state;
        }
        const HANDLE handle = CreateFileW((root + file.relative).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        const bool ok = WriteFile(handle, buffer.data(), static_cast<DWORD>(file.size), &written,
                                  nullptr) &&
                        written == file.size;
        CloseHandle(handle);
        if (!ok) return false;
    }
    return true;
}

// Runs a command line to its end with its output thrown away; false when it could not start
// or did not exit with 0.
bool Run(std::wstring commandLine) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherited, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = nul;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

// The machine's file system with the time spent in each kind of call added up, to see where
// the updater's time goes.
class ProfilingFiles final : public sys::IFiles {
    enum Kind { kAttributes, kFolders, kCopy, kMove, kOther, kKinds };

    template <typename Call>
    auto Timed(Kind kind, Call call) -> decltype(call()) {
        const Clock::time_point start = Clock::now();
        auto result = call();
        seconds_[kind] += Seconds(start);
        ++calls_[kind];
        return result;
    }

public:
    explicit ProfilingFiles(sys::IFiles& real) : real_(real) {}

    bool GetAttributes(const std::wstring& path, uint32_t& attributes) override {
        return Timed(kAttributes, [&] { return real_.GetAttributes(path, attributes); });
    }
    bool SetAttributes(const std::wstring& path, uint32_t attributes) override {
        return Timed(kOther, [&] { return real_.SetAttributes(path, attributes); });
    }
    sys::CreateFolderResult CreateFolder(const std::wstring& path) override {
        return Timed(kFolders, [&] { return real_.CreateFolder(path); });
    }
    bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override {
        return Timed(kCopy, [&] { return real_.Copy(from, to, failIfExists); });
    }
    bool Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) override {
        return Timed(kMove, [&] { return real_.Move(from, to, replaceExisting); });
    }
    bool Remove(const std::wstring& path) override {
        return Timed(kOther, [&] { return real_.Remove(path); });
    }
    bool CanOpenExclusively(const std::wstring& path) override {
        return Timed(kOther, [&] { return real_.CanOpenExclusively(path); });
    }
    bool ReadAll(const std::wstring& path, std::string& bytes) override {
        return Timed(kOther, [&] { return real_.ReadAll(path, bytes); });
    }
    bool WriteAll(const std::wstring& path, const std::string& bytes) override {
        return Timed(kOther, [&] { return real_.WriteAll(path, bytes); });
    }
    std::vector<sys::FoundEntry> FindEntries(const std::wstring& folder,
                                             const std::wstring& pattern) override {
        return Timed(kOther, [&] { return real_.FindEntries(folder, pattern); });
    }
    bool ReadAccessList(const std::wstring& path, sys::AccessList& list) override {
        return real_.ReadAccessList(path, list);
    }
    bool WriteAccessList(const std::wstring& path, const sys::AccessList& list) override {
        return real_.WriteAccessList(path, list);
    }
    bool FreeSpace(const std::wstring& path, uint64_t& bytes) override {
        return real_.FreeSpace(path, bytes);
    }
    bool CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) override {
        return real_.CreateTemporaryFile(prefix, path);
    }
    std::unique_ptr<sys::IAppendFile> OpenForAppend(const std::wstring& path) override {
        return real_.OpenForAppend(path);
    }

    void Print(const char* phase) {
        static const char* const kNames[] = {"attributes", "folders", "copy", "move", "other"};
        std::printf("  %-8s", phase);
        for (int kind = 0; kind < kKinds; ++kind) {
            std::printf(" %s %d calls %.2f s;", kNames[kind], calls_[kind], seconds_[kind]);
        }
        std::printf("\n");
        for (int kind = 0; kind < kKinds; ++kind) {
            calls_[kind] = 0;
            seconds_[kind] = 0;
        }
    }

private:
    sys::IFiles& real_;
    int calls_[kKinds] = {};
    double seconds_[kKinds] = {};
};

// The base updater with its file phase open to the benchmark.
class FileUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::ReplaceFiles;
};

// The trees of one benchmark below its root folder.
struct Trees {
    explicit Trees(const std::wstring& root)
        : install(root + L"\\INSTALL\\"), wizard(root + L"\\WIZARD\\"),
          package(wizard + L"package\\"), xcopyBackup(root + L"\\XCOPY-BACKUP") {}
    std::wstring install;
    std::wstring wizard;
    std::wstring package;
    std::wstring xcopyBackup;
};

// The system's xcopy: the installed tree into a new backup folder, then the package over it.
bool TimeXcopy(const Trees& trees) {
    const std::wstring install = trees.install.substr(0, trees.install.size() - 1);
    const std::wstring package = trees.package.substr(0, trees.package.size() - 1);
    Clock::time_point start = Clock::now();
    if (!Run(L"xcopy.exe \"" + install + L"\" \"" + trees.xcopyBackup + L"\" /e /i /q /y")) {
        return false;
    }
    const double backup = Seconds(start);
    start = Clock::now();
    if (!Run(L"xcopy.exe \"" + package + L"\" \"" + install + L"\" /e /i /q /y")) return false;
    std::printf("xcopy %.3f %.3f\n", backup, Seconds(start));
    return true;
}

// The updater: BackupFiles, then the file phase of ApplyUpdate, of one module holding every
// file of the layout.
bool TimeUpdater(const Trees& trees, const std::vector<TreeFile>& layout, bool profile) {
    wintest::StagedMachine machine(trees.wizard + L"TavUpdateWizard.exe", trees.install + L"Qelsrv.exe");
    ProfilingFiles profiling(*sys::CurrentMachine().files);
    if (profile) sys::CurrentMachine().files = &profiling;
    CStringBase texts(trees.wizard);
    const std::wstring language = L"EN";
    uint32_t enforce = 0;
    CTupManager manager(&texts, &language, enforce);
    FileUpdater module;
    module.Attach(&manager, &texts, &language);
    for (const TreeFile& file : layout) {
        CTupModuleFile entry;
        entry.SetUpdatePackageFile(file.relative);
        entry.SetInstallationFile(manager.InstallFolder() + file.relative);
        module.Files().push_back(entry);
    }
    const std::wstring backupRoot = manager.InstallFolder() + L"_TupBkp";
    if (!CreateDirectoryW(backupRoot.c_str(), nullptr) ||
        !CreateDirectoryW(manager.BackupFolder().c_str(), nullptr)) {
        return false;
    }
    if (profile) profiling.Print("set-up");
    Clock::time_point start = Clock::now();
    if (module.BackupFiles() != 1) return false;
    const double backup = Seconds(start);
    if (profile) profiling.Print("backup");
    start = Clock::now();
    if (module.ReplaceFiles() != 1) return false;
    const double replace = Seconds(start);
    if (profile) profiling.Print("replace");
    std::printf("updater %.3f %.3f\n", backup, replace);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string step = argc > 2 ? argv[1] : "";
    if (argc < 3 || (step != "prepare" && step != "reset" && step != "xcopy" && step != "updater" &&
                      step != "profile")) {
        std::fprintf(stderr,
                     "usage: bench_file_update prepare|reset|xcopy|updater|profile ROOT [FILES] "
                     "[TOTAL_MB] [FOLDERS]\n");
        return 2;
    }
    wchar_t root[MAX_PATH] = {};
    MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, root, MAX_PATH);
    const int files = argc > 3 ? std::atoi(argv[3]) : 10000;
    const size_t totalMb = argc > 4 ? static_cast<size_t>(std::atoi(argv[4])) : 1000;
    const int folders = argc > 5 ? std::atoi(argv[5]) : 300;
    if (files <= 0 || totalMb == 0 || folders <= 0) return 2;
    const Trees trees(root);
    const std::vector<TreeFile> layout = Layout(files, totalMb, folders);

    bool ok = true;
    if (step == "prepare") {
        size_t bytes = 0;
        for (const TreeFile& file : layout) bytes += file.size;
        std::printf("%d files, %.1f MB, %d folders\n", files, bytes / 1048576.0, folders);
        for (const std::wstring& folder : {trees.install, trees.wizard, trees.package}) {
            ok = ok && CreateDirectoryW(folder.c_str(), nullptr);
        }
        ok = ok && WriteTree(trees.package, layout, 0xC0FFEEu);
    } else if (step == "reset") {
        // The installed tree as it was before an update, and no backups.
        wintest::WinScratchFolder::RemoveTree(trees.xcopyBackup);
        wintest::WinScratchFolder::RemoveTree(trees.install + L"_TupBkp");
        ok = WriteTree(trees.install, layout, 0xBADF00Du);
    } else if (step == "xcopy") {
        ok = TimeXcopy(trees);
    } else {
        ok = TimeUpdater(trees, layout, step == "profile");
    }
    if (!ok) std::fprintf(stderr, "bench_file_update %s failed\n", step.c_str());
    return ok ? 0 : 1;
}
