// A shell shortcut that a module creates in a special folder.
#include "updater/TupShortCut.h"

const CTupShortCut::SpecialFolder CTupShortCut::kSpecialFolders[] = {
    {L"last unused entry", -1},
};

CTupShortCut::CTupShortCut() = default;

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

bool CTupShortCut::Create(const CTupTokenReplacer* /*replacer*/) const { return false; }

bool CTupShortCut::SpecialFolderId(const std::wstring& /*name*/, int& /*id*/) { return false; }
