// Reading the updaters of a kept package description and matching installed paths to them.
#include "restore/RestoreDescription.h"

#include <memory>
#include <string_view>

#include "base/WideText.h"
#include "manager/TupClassFactory.h"
#include "persist/ObjContainerXml.h"
#include "restore/PathTemplate.h"
#include "system/Files.h"
#include "updater/TupModuleUpdater.h"

namespace restore {
namespace {

bool HasWildcard(const std::wstring& path) { return path.find_first_of(L"*?") != std::wstring::npos; }

std::wstring FolderPart(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring ShortNameOf(const std::wstring& className) {
    return className.size() <= 11 ? std::wstring() : className.substr(4, className.size() - 11);
}

}  // namespace

std::vector<Module> ReadModules(ObjContainerXml& description, std::vector<std::wstring>& components) {
    std::vector<ObjContainer*> containers{description.GetContainer(L"Tarnova_Update"),
                                          description.GetContainer(L"Tarnova_RVX_Update")};
    for (int i = 0; ObjContainer* generic = description.GetContainer(L"GenericUpdater" + std::to_wstring(i));
         ++i) {
        containers.push_back(generic);
    }
    std::vector<Module> modules;
    std::vector<Module> previous;
    for (ObjContainer* container : containers) {
        if (!container) continue;
        std::wstring component;
        container->GetString(L"ComponentName", component);
        components.push_back(component);
        std::vector<Module> current;
        if (ObjContainer* sections = container->GetContainer(L"Updaters")) {
            for (int i = 0;; ++i) {
                ObjContainer* section = sections->GetContainer(L"Updater" + std::to_wstring(i));
                if (!section) break;
                std::wstring className;
                section->GetString(L"ClassType", className);
                std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(className);
                auto* updater = dynamic_cast<CTupModuleUpdater*>(object.get());
                if (!updater) continue;
                updater->Load(section);
                current.push_back({component, ShortNameOf(className), updater->Files(),
                                   updater->Tokens(), updater->AffectedServices()});
            }
        } else {
            current = previous;
        }
        for (Module& module : current) module.component = component;
        previous = current;
        modules.insert(modules.end(), current.begin(), current.end());
    }
    return modules;
}

std::vector<EntryMatch> EntriesInstalling(const Module& module, const std::wstring& installed) {
    std::vector<EntryMatch> matches;
    for (const CTupModuleFile& file : module.files) {
        const std::wstring& package = file.UpdatePackageFile();
        if (!HasWildcard(package)) {
            if (PathTemplate(file.InstallationFile(), module.tokens).Matches(installed)) {
                matches.push_back({package, FolderPart(file.InstallationFile())});
            }
            continue;
        }
        // An expanded entry: the pattern's installation folder, then the package path below the
        // pattern's folder, every segment of which matches the pattern's name.
        const std::wstring packageFolder = FolderPart(package);
        const std::wstring namePattern = package.substr(packageFolder.size());
        const PathTemplate folder(FolderPart(file.InstallationFile()), module.tokens);
        for (size_t slash = installed.find(L'\\'); slash != std::wstring::npos;
             slash = installed.find(L'\\', slash + 1)) {
            const std::wstring below = installed.substr(slash + 1);
            if (below.empty() || !folder.Matches(std::wstring_view(installed).substr(0, slash + 1))) {
                continue;
            }
            bool segmentsMatch = true;
            for (size_t start = 0; start <= below.size();) {
                size_t end = below.find(L'\\', start);
                if (end == std::wstring::npos) end = below.size();
                segmentsMatch = segmentsMatch &&
                                sys::MatchesFilePattern(std::wstring_view(below).substr(start, end - start),
                                                        namePattern);
                start = end + 1;
            }
            if (segmentsMatch) matches.push_back({packageFolder + below, FolderPart(file.InstallationFile())});
        }
    }
    return matches;
}

}  // namespace restore
