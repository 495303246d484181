// Shortcut items written as real .lnk files through the shell.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include "updater/TupItemTestSupport.h"
#include "updater/TupShortCut.h"
#include "win/WinTestSupport.h"

namespace {

// What a saved link holds.
struct LinkContent {
    std::wstring target, workingFolder, description, iconFile;
    int iconIndex = -1;
};

bool ReadLink(const std::wstring& path, LinkContent& content) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              SUCCEEDED(file->Load(path.c_str(), STGM_READ));
    if (ok) {
        wchar_t buffer[MAX_PATH] = {};
        link->GetPath(buffer, MAX_PATH, nullptr, 0);
        content.target = buffer;
        link->GetWorkingDirectory(buffer, MAX_PATH);
        content.workingFolder = buffer;
        link->GetDescription(buffer, MAX_PATH);
        content.description = buffer;
        link->GetIconLocation(buffer, MAX_PATH, &content.iconIndex);
        content.iconFile = buffer;
    }
    if (file) file->Release();
    link->Release();
    return ok;
}

class TupShortCutWin : public ::testing::Test {
protected:
    TupShortCutWin() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        wchar_t buffer[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                         buffer);
        appData = buffer;
        folder = appData + L"\\TavShortCutWinTest";
        CreateDirectoryW(folder.c_str(), nullptr);
        shortcut.SetTitle(L"Tav Probe");
        shortcut.SetExecutablePath(L"[$PROBE]");
        shortcut.SetWorkingFolder(L"C:\\windows");
        shortcut.SetType(L"APPDATA");
        shortcut.SetSubFolder(L"TavShortCutWinTest");
        shortcut.SetIconFilePath(L"[$PROBE]");
        shortcut.SetIconID(2);
        replacer.tokens.push_back(item_tests::MakeToken(L"[$PROBE]", wintest::ProbeExe()));
    }
    ~TupShortCutWin() override {
        DeleteFileW((folder + L"\\Tav Probe.lnk").c_str());
        DeleteFileW((appData + L"\\Tav Probe.lnk").c_str());
        RemoveDirectoryW(folder.c_str());
        CoUninitialize();
    }

    std::wstring appData, folder;
    item_tests::TestReplacer replacer{nullptr};
    CTupShortCut shortcut;
};

TEST_F(TupShortCutWin, CreateSavesALinkWithTargetFolderDescriptionAndIcon) {
    ASSERT_FALSE(appData.empty());
    EXPECT_TRUE(shortcut.Create(&replacer));
    LinkContent content;
    ASSERT_TRUE(ReadLink(folder + L"\\Tav Probe.lnk", content));
    EXPECT_EQ(0, lstrcmpiW(wintest::ProbeExe().c_str(), content.target.c_str())) << content.target;
    EXPECT_EQ(L"C:\\windows", content.workingFolder);
    EXPECT_EQ(L"Tav Probe", content.description);
    EXPECT_EQ(0, lstrcmpiW(wintest::ProbeExe().c_str(), content.iconFile.c_str()));
    EXPECT_EQ(2, content.iconIndex);
    // Saving again replaces the link.
    shortcut.SetWorkingFolder(L"C:\\");
    EXPECT_TRUE(shortcut.Create(&replacer));
    ASSERT_TRUE(ReadLink(folder + L"\\Tav Probe.lnk", content));
    EXPECT_EQ(L"C:\\", content.workingFolder);
}

TEST_F(TupShortCutWin, AnEmptySubFolderLeavesTwoBackslashesThatWindowsTakes) {
    shortcut.SetSubFolder(L"");
    EXPECT_TRUE(shortcut.Create(&replacer));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((appData + L"\\Tav Probe.lnk").c_str()));
}

TEST_F(TupShortCutWin, AMissingSubFolderIsNotCreated) {
    shortcut.SetSubFolder(L"TavShortCutWinTest\\Missing");
    EXPECT_FALSE(shortcut.Create(&replacer));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\Missing").c_str()));
}

}  // namespace
