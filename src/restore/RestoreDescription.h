// What a package description kept with a backup tells a restore: each updater's files, tokens
// and services, and which of its file entries install a given path.
#pragma once

#include <string>
#include <vector>

#include "updater/TupModuleFile.h"
#include "updater/TupToken.h"

class ObjContainerXml;

namespace restore {

// One module updater of the description, as far as a restore needs it.
struct Module {
    std::wstring component;
    std::wstring shortName;
    std::vector<CTupModuleFile> files;
    std::vector<CTupToken> tokens;
    std::vector<std::wstring> services;
};

// The updaters of every package container, as the wizard would create them; a container
// without updaters keeps those of the container before, as in the wizard. components gets the
// component name of each container.
std::vector<Module> ReadModules(ObjContainerXml& description, std::vector<std::wstring>& components);

// A file entry of a module that installs a given path.
struct EntryMatch {
    std::wstring packagePath;      // the package file, below the package and backup folders
    std::wstring installedFolder;  // the entry's installation folder, tokens unreplaced
};

// The entries of a module whose installation path (or, for a wildcard entry, its folder with
// a package path below it that matches the pattern) gives installed.
std::vector<EntryMatch> EntriesInstalling(const Module& module, const std::wstring& installed);

}  // namespace restore
