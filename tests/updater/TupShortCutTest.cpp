// A shortcut item: its keys (loading only), the special-folder table and Create.
#include "updater/TupShortCut.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "updater/TupItemTestSupport.h"

namespace {

// Records every shortcut asked for and saves none, for paths that only Windows normalises
// (two backslashes in a row), which the fake file system does not take.
class RecordingShell final : public sys::IShell {
public:
    explicit RecordingShell(sys::IShell* folders) : folders_(folders) {
        machine_ = sys::CurrentMachine();
        machine_.shell = this;
        previous_ = sys::ReplaceCurrentMachine(&machine_);
    }
    ~RecordingShell() override { sys::ReplaceCurrentMachine(previous_); }

    bool GetSpecialFolder(int csidl, bool create, std::wstring& path) override {
        return folders_->GetSpecialFolder(csidl, create, path);
    }
    bool CreateShortcut(const std::wstring& linkPath, const sys::ShortcutSpec&) override {
        links.push_back(linkPath);
        return true;
    }

    std::vector<std::wstring> links;

private:
    sys::IShell* folders_;
    sys::Machine machine_;
    sys::Machine* previous_;
};

using item_tests::MakeToken;
using item_tests::TestReplacer;

class TupShortCutTest : public ::testing::Test {
protected:
    TupShortCutTest() : replacer(&world.Manager()) {
        world.machine.shell.folders[23] = L"C:\\ProgramData\\Start Menu\\Programs";
        world.machine.shell.folders[0] = L"C:\\Users\\admin\\Desktop";
        world.machine.shell.folders[5] = L"C:\\Users\\admin\\Documents";
        world.machine.files.AddFolder(L"C:\\ProgramData\\Start Menu\\Programs\\Tarnova");
        world.machine.files.AddFolder(L"C:\\Users\\admin\\Desktop");
        world.machine.files.AddFolder(L"C:\\Users\\admin\\Documents");
        shortcut.SetTitle(L"Tarnova Admin");
        shortcut.SetExecutablePath(L"[$TN_INSTALL_PATH]TavAdmin.exe");
        shortcut.SetWorkingFolder(L"[$TN_INSTALL_PATH]");
        shortcut.SetType(L"COMMON_PROGRAMS");
        shortcut.SetSubFolder(L"[$GROUP]");
        shortcut.SetIconFilePath(L"[$TN_INSTALL_PATH]icons.dll");
        shortcut.SetIconID(3);
        replacer.tokens.push_back(MakeToken(L"[$GROUP]", L"Tarnova"));
    }

    const std::vector<std::pair<std::wstring, sys::ShortcutSpec>>& Made() {
        return world.machine.shell.shortcuts;
    }

    item_tests::ItemWorld world;
    TestReplacer replacer;
    CTupShortCut shortcut;
};

TEST_F(TupShortCutTest, KeysAreLoadedAndNothingIsStored) {
    ObjContainer section;
    section.SetString(L"Title", L"T");
    section.SetString(L"ExecutablePath", L"E");
    section.SetString(L"WorkingFolder", L"W");
    section.SetString(L"Type", L"DESKTOP");
    section.SetString(L"SubFolder", L"S");
    section.SetString(L"IconFilePath", L"I");
    section.SetUnsignedLong(L"IconID", 2);
    CTupShortCut loaded;
    loaded.Load(&section);
    EXPECT_EQ(L"T", loaded.Title());
    EXPECT_EQ(L"E", loaded.ExecutablePath());
    EXPECT_EQ(L"W", loaded.WorkingFolder());
    EXPECT_EQ(L"DESKTOP", loaded.Type());
    EXPECT_EQ(L"S", loaded.SubFolder());
    EXPECT_EQ(L"I", loaded.IconFilePath());
    EXPECT_EQ(2u, loaded.IconID());
    EXPECT_EQ(0u, loaded.Save()->Count());
    CTupShortCut fresh;
    EXPECT_EQ(0u, fresh.IconID());
    EXPECT_TRUE(fresh.Type().empty());
}

TEST_F(TupShortCutTest, TheTableHasTheWindowsNumbersAndEndsWithTheClosingEntry) {
    size_t count = 0;
    while (CTupShortCut::kSpecialFolders[count].id != -1) ++count;
    EXPECT_EQ(27u, count);
    EXPECT_STREQ(L"last unused entry", CTupShortCut::kSpecialFolders[count].name);
    const std::pair<const wchar_t*, int> expected[] = {
        {L"DESKTOP", 0},     {L"PRINTERS", 4},         {L"PERSONAL", 5},
        {L"MYDOCUMENTS", 5}, {L"STARTMENU", 11},       {L"MYMUSIC", 13},
        {L"MYVIDEO", 14},    {L"DESKTOPDIRECTORY", 16}, {L"COMMON_PROGRAMS", 23},
        {L"APPDATA", 26},    {L"PRINTHOOD", 27},
    };
    for (const auto& [name, id] : expected) {
        int found = -2;
        EXPECT_TRUE(CTupShortCut::SpecialFolderId(name, found)) << name;
        EXPECT_EQ(id, found) << name;
    }
    int found = -2;
    EXPECT_FALSE(CTupShortCut::SpecialFolderId(L"last unused entry", found));
    EXPECT_FALSE(CTupShortCut::SpecialFolderId(L"Desktop", found));
    EXPECT_FALSE(CTupShortCut::SpecialFolderId(L"", found));
}

TEST_F(TupShortCutTest, CreateWritesTheLinkBelowTheSpecialFolderWithTokensReplaced) {
    EXPECT_TRUE(shortcut.Create(&replacer));
    ASSERT_EQ(1u, Made().size());
    EXPECT_EQ(L"C:\\ProgramData\\Start Menu\\Programs\\Tarnova\\Tarnova Admin.lnk", Made()[0].first);
    const sys::ShortcutSpec& link = Made()[0].second;
    EXPECT_EQ(L"C:\\TAV\\TavAdmin.exe", link.target);
    EXPECT_EQ(L"C:\\TAV\\", link.workingFolder);
    EXPECT_EQ(L"Tarnova Admin", link.description);
    EXPECT_EQ(L"C:\\TAV\\icons.dll", link.iconFile);
    EXPECT_EQ(3, link.iconIndex);
    EXPECT_EQ(L"[$GROUP]", shortcut.SubFolder());  // the stored fields stay
}

TEST_F(TupShortCutTest, AnEmptySubFolderGivesTwoBackslashes) {
    RecordingShell shell(&world.machine.shell);
    shortcut.SetType(L"DESKTOP");
    shortcut.SetSubFolder(L"");
    EXPECT_TRUE(shortcut.Create(&replacer));
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\Users\\admin\\Desktop\\\\Tarnova Admin.lnk"},
              shell.links);
}

TEST_F(TupShortCutTest, MyDocumentsIsThePersonalFolder) {
    shortcut.SetType(L"MYDOCUMENTS");
    shortcut.SetSubFolder(L"Tav");
    world.machine.shell.folders[12] = L"C:\\Wrong";
    world.machine.files.AddFolder(L"C:\\Users\\admin\\Documents\\Tav");
    EXPECT_TRUE(shortcut.Create(nullptr));
    ASSERT_EQ(1u, Made().size());
    EXPECT_EQ(L"C:\\Users\\admin\\Documents\\Tav\\Tarnova Admin.lnk", Made()[0].first);
    EXPECT_EQ(L"[$TN_INSTALL_PATH]TavAdmin.exe", Made()[0].second.target);  // no replacer
}

TEST_F(TupShortCutTest, RefusedShortcuts) {
    CTupShortCut item = shortcut;
    item.SetType(L"Desktop");  // names are case-sensitive
    EXPECT_FALSE(item.Create(&replacer));
    item.SetType(L"");
    EXPECT_FALSE(item.Create(&replacer));
    item = shortcut;
    item.SetTitle(L"");
    EXPECT_FALSE(item.Create(&replacer));
    item = shortcut;
    item.SetExecutablePath(L"");
    EXPECT_FALSE(item.Create(&replacer));
    // Emptiness counts after replacement: without a product the install folder is empty.
    item = shortcut;
    item.SetExecutablePath(L"[$TN_INSTALL_PATH]");
    TestReplacer noProduct(nullptr);
    EXPECT_FALSE(item.Create(&noProduct));
    item = shortcut;
    item.SetType(L"FONTS");  // no such folder on this machine
    EXPECT_FALSE(item.Create(&replacer));
    // The sub-folder is not created: the save fails.
    item = shortcut;
    item.SetSubFolder(L"Missing");
    EXPECT_FALSE(item.Create(&replacer));
    EXPECT_TRUE(Made().empty());
}

TEST_F(TupShortCutTest, ConcurrentFirstShortcutsSeeTheWholeTable) {
    std::vector<std::thread> threads;
    std::vector<int> ids(8, -2);
    for (size_t i = 0; i < ids.size(); ++i) {
        threads.emplace_back([&ids, i] {
            CTupShortCut item;
            CTupShortCut::SpecialFolderId(L"PRINTHOOD", ids[i]);
        });
    }
    for (auto& thread : threads) thread.join();
    for (int id : ids) EXPECT_EQ(27, id);
}

}  // namespace
