// A shell shortcut that a module creates in a special folder.
#pragma once

#include <cstdint>
#include <string>

#include "persist/PersistentObject.h"

class CTupTokenReplacer;

class CTupShortCut : public CPersistentObject {
public:
    // One entry of the special-folder table: a name accepted in Type and its CSIDL number.
    struct SpecialFolder {
        const wchar_t* name;
        int id;
    };
    // The table, closed by an entry with id -1.
    static const SpecialFolder kSpecialFolders[];

    // The first shortcut fills the process-wide map of special folders from the table.
    CTupShortCut();

    // Reads the keys; storing writes nothing.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // Writes SpecialFolder(Type)\SubFolder\Title.lnk, replacing an existing one; the folder is
    // not created. False when title or target is empty, Type is unknown, the special folder
    // cannot be obtained or the link cannot be saved.
    bool Create(const CTupTokenReplacer* replacer) const;

    // The CSIDL number of a special folder name (exact, case-sensitive); false when unknown.
    static bool SpecialFolderId(const std::wstring& name, int& id);

    // Shortcut file name (without ".lnk") and description.
    const std::wstring& Title() const { return title_; }
    void SetTitle(const std::wstring& title) { title_ = title; }
    const std::wstring& ExecutablePath() const { return executablePath_; }
    void SetExecutablePath(const std::wstring& path) { executablePath_ = path; }
    const std::wstring& WorkingFolder() const { return workingFolder_; }
    void SetWorkingFolder(const std::wstring& folder) { workingFolder_ = folder; }
    // Name of the special folder that holds the shortcut.
    const std::wstring& Type() const { return type_; }
    void SetType(const std::wstring& type) { type_ = type; }
    const std::wstring& SubFolder() const { return subFolder_; }
    void SetSubFolder(const std::wstring& folder) { subFolder_ = folder; }
    const std::wstring& IconFilePath() const { return iconFilePath_; }
    void SetIconFilePath(const std::wstring& path) { iconFilePath_ = path; }
    uint32_t IconID() const { return iconId_; }
    void SetIconID(uint32_t id) { iconId_ = id; }

private:
    std::wstring title_;
    std::wstring executablePath_;
    std::wstring workingFolder_;
    std::wstring type_;
    std::wstring subFolder_;
    std::wstring iconFilePath_;
    uint32_t iconId_ = 0;
};
