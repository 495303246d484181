// A shell shortcut that a module creates in a special folder.
#include "updater/TupShortCut.h"

#include <map>
#include <mutex>

#include "system/Machine.h"
#include "updater/TupTokenReplacer.h"

// The CSIDL numbers of Windows. "MYDOCUMENTS" is the same folder as "PERSONAL".
const CTupShortCut::SpecialFolder CTupShortCut::kSpecialFolders[] = {
    {L"DESKTOP", 0},
    {L"INTERNET", 1},
    {L"PROGRAMS", 2},
    {L"CONTROLS", 3},
    {L"PRINTERS", 4},
    {L"PERSONAL", 5},
    {L"MYDOCUMENTS", 5},
    {L"FAVORITES", 6},
    {L"STARTUP", 7},
    {L"RECENT", 8},
    {L"SENDTO", 9},
    {L"BITBUCKET", 10},
    {L"STARTMENU", 11},
    {L"MYMUSIC", 13},
    {L"MYVIDEO", 14},
    {L"DESKTOPDIRECTORY", 16},
    {L"DRIVES", 17},
    {L"NETWORK", 18},
    {L"NETHOOD", 19},
    {L"FONTS", 20},
    {L"TEMPLATES", 21},
    {L"COMMON_STARTMENU", 22},
    {L"COMMON_PROGRAMS", 23},
    {L"COMMON_STARTUP", 24},
    {L"COMMON_DESKTOPDIRECTORY", 25},
    {L"APPDATA", 26},
    {L"PRINTHOOD", 27},
    {L"last unused entry", -1},
};

namespace {

std::once_flag g_mapFilled;
// Special folder names to CSIDL numbers; written once, read-only afterwards.
std::map<std::wstring, int> g_specialFolders;

void FillSpecialFolders() {
    std::call_once(g_mapFilled, [] {
        for (const auto* entry = CTupShortCut::kSpecialFolders; entry->id != -1; ++entry) {
            g_specialFolders.emplace(entry->name, entry->id);
        }
    });
}

std::wstring Join(const std::wstring& first, const std::wstring& second) {
    return first + L'\\' + second;
}

}  // namespace

CTupShortCut::CTupShortCut() { FillSpecialFolders(); }

void CTupShortCut::Exchange(ObjContainer* container, bool isLoading) {
    if (!container || !isLoading) return;
    container->GetString(L"Title", title_);
    container->GetString(L"ExecutablePath", executablePath_);
    container->GetString(L"WorkingFolder", workingFolder_);
    container->GetString(L"Type", type_);
    container->GetString(L"SubFolder", subFolder_);
    container->GetString(L"IconFilePath", iconFilePath_);
    container->GetUnsignedLong(L"IconID", iconId_);
}

bool CTupShortCut::SpecialFolderId(const std::wstring& name, int& id) {
    FillSpecialFolders();
    auto it = g_specialFolders.find(name);
    if (it == g_specialFolders.end()) return false;
    id = it->second;
    return true;
}

bool CTupShortCut::Create(const CTupTokenReplacer* replacer) const {
    std::wstring title = title_;
    std::wstring executablePath = executablePath_;
    std::wstring workingFolder = workingFolder_;
    std::wstring subFolder = subFolder_;
    std::wstring iconFilePath = iconFilePath_;
    if (replacer) {
        replacer->ReplaceTokens(title);
        replacer->ReplaceTokens(executablePath);
        replacer->ReplaceTokens(workingFolder);
        replacer->ReplaceTokens(subFolder);
        replacer->ReplaceTokens(iconFilePath);
    }
    if (title.empty() || executablePath.empty()) return false;

    int csidl = 0;
    if (!SpecialFolderId(type_, csidl)) return false;
    sys::IShell& shell = *sys::CurrentMachine().shell;
    std::wstring specialFolder;
    if (!shell.GetSpecialFolder(csidl, false, specialFolder)) return false;

    const std::wstring linkPath = Join(Join(specialFolder, subFolder), title + L".lnk");
    sys::ShortcutSpec shortcut;
    shortcut.target = executablePath;
    shortcut.workingFolder = workingFolder;
    shortcut.description = title;
    shortcut.iconFile = iconFilePath;
    shortcut.iconIndex = static_cast<int>(iconId_);
    return shell.CreateShortcut(linkPath, shortcut);
}
