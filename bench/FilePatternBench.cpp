// Expansion of a wildcard file entry over a large package: the module updater's
// ExpandFilePatterns against the entry-by-entry expansion that searches the whole list for
// every file found and inserts each new entry at the head.
// Usage: bench_file_patterns [FILES] [RUNS]   (defaults 20000 and 15)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "base/WideText.h"
#include "fakes/FakeMachine.h"
#include "manager/TupManager.h"
#include "updater/TupModuleUpdater.h"

namespace {

const std::wstring kPackage = L"C:\\Update\\package\\";

class BenchUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::ExpandFilePatterns;
    using CTupModuleUpdater::FindFiles;
};

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool Wild(const std::wstring& path) { return path.find_first_of(L"*?") != std::wstring::npos; }

// The straightforward expansion: a search of the whole list for each file found and an insert
// at the head for each new entry, quadratic in the files found.
void ExpandEntryByEntry(BenchUpdater& updater, std::vector<CTupModuleFile>& files) {
    std::vector<CTupModuleFile> patterns;
    for (const auto& file : files) {
        if (Wild(file.UpdatePackageFile())) patterns.push_back(file);
    }
    for (const auto& pattern : patterns) {
        std::vector<std::wstring> found;
        updater.FindFiles(kPackage + pattern.UpdatePackageFile(), found);
        const std::wstring folder = FolderOf(pattern.InstallationFile());
        for (const auto& path : found) {
            const std::wstring relative = path.substr(kPackage.size());
            const bool present = std::any_of(files.begin(), files.end(), [&](const CTupModuleFile& f) {
                return tav::FoldEquals(f.UpdatePackageFile(), relative) &&
                       tav::FoldEquals(FolderOf(f.InstallationFile()), folder);
            });
            if (present) continue;
            CTupModuleFile entry = pattern;
            entry.SetUpdatePackageFile(relative);
            entry.SetInstallationFile(folder + relative.substr(FolderOf(pattern.UpdatePackageFile()).size()));
            files.insert(files.begin(), entry);
        }
    }
    std::erase_if(files, [](const CTupModuleFile& f) { return Wild(f.UpdatePackageFile()); });
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

CTupModuleFile MakeFile(const std::wstring& package, const std::wstring& installed) {
    CTupModuleFile file;
    file.SetUpdatePackageFile(package);
    file.SetInstallationFile(installed);
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;

    fakes::FakeMachine machine;
    machine.program.path = L"C:\\Update\\TavUpdateWizard.exe";
    machine.processes.processes.push_back({8, L"C:\\TAV\\Qelsrv.exe"});
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        std::swprintf(name, 32, L"bin\\f%06d.dll", i);
        machine.files.AddFile(kPackage + name, "x");
    }
    machine.files.AddFile(kPackage + L"bin\\readme.txt", "x");

    CStringBase texts(L"C:\\NoLanguageFiles");
    const std::wstring language = L"EN";
    uint32_t enforce = 0;
    CTupManager manager(&texts, &language, enforce);

    // The pattern, behind a tenth of its files already listed for the same folder.
    std::vector<CTupModuleFile> list;
    for (int i = 0; i < count; i += 10) {
        wchar_t name[32];
        std::swprintf(name, 32, L"BIN\\F%06d.DLL", i);
        list.push_back(MakeFile(name, L"C:\\TAV\\bin\\renamed.dll"));
    }
    list.push_back(MakeFile(L"bin\\*.dll", L"C:\\TAV\\bin\\x.dll"));

    BenchUpdater updater;
    updater.Attach(&manager, &texts, &language);
    updater.Files() = list;
    std::vector<std::wstring> found;
    updater.FindFiles(kPackage + L"bin\\*.dll", found);
    const double search = [&] {
        double best = 1e9;
        for (int run = 0; run < runs; ++run) {
            std::vector<std::wstring> again;
            const auto start = std::chrono::steady_clock::now();
            updater.FindFiles(kPackage + L"bin\\*.dll", again);
            best = std::min(best, Seconds(start));
        }
        return best;
    }();

    double best = 1e9;
    int result = 0;
    for (int run = 0; run < runs; ++run) {
        updater.Files() = list;  // copying the list back is not timed
        const auto start = std::chrono::steady_clock::now();
        result = updater.ExpandFilePatterns();
        best = std::min(best, Seconds(start));
    }
    const std::vector<CTupModuleFile> expanded = updater.Files();

    std::vector<CTupModuleFile> reference = list;
    const auto start = std::chrono::steady_clock::now();
    ExpandEntryByEntry(updater, reference);
    const double entryByEntry = Seconds(start);

    bool same = reference.size() == expanded.size();
    for (size_t i = 0; same && i < expanded.size(); ++i) {
        same = reference[i].UpdatePackageFile() == expanded[i].UpdatePackageFile() &&
               reference[i].InstallationFile() == expanded[i].InstallationFile();
    }

    std::printf("package files matched: %zu, entries before: %zu, after: %d\n", found.size(),
                list.size(), result);
    std::printf("wildcard search alone (fake file system): %9.2f ms (best of %d)\n", search * 1e3, runs);
    std::printf("ExpandFilePatterns:                       %9.2f ms (best of %d)\n", best * 1e3, runs);
    std::printf("entry-by-entry expansion:                 %9.2f ms (once)\n", entryByEntry * 1e3);
    std::printf("same list in the same order: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
