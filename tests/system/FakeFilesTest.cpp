// The in-memory file system that native tests stand on: the Windows rules it keeps and the
// failures it lets a test arrange.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/FakeFiles.h"

namespace {

using sys::CreateFolderResult;
using sys::FileAttribute::Archive;
using sys::FileAttribute::Directory;
using sys::FileAttribute::Hidden;
using sys::FileAttribute::ReadOnly;

std::vector<std::wstring> Names(const std::vector<sys::FoundEntry>& entries) {
    std::vector<std::wstring> names;
    for (const auto& entry : entries) names.push_back(entry.name + (entry.isFolder ? L"\\" : L""));
    return names;
}

TEST(FakeFiles, NothingIsMadeInAMissingFolder) {
    fakes::FakeFiles files;
    EXPECT_EQ(CreateFolderResult::Failed, files.CreateFolder(L"C:\\Tav\\Bin"));
    EXPECT_FALSE(files.WriteAll(L"C:\\Tav\\a.txt", "x"));
    EXPECT_EQ(nullptr, files.OpenForAppend(L"C:\\Tav\\run.log"));
    files.AddFile(L"C:\\src.txt", "x");
    EXPECT_FALSE(files.Copy(L"C:\\src.txt", L"C:\\Tav\\src.txt", false));
    EXPECT_FALSE(files.Move(L"C:\\src.txt", L"C:\\Tav\\src.txt", false));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\src.txt"}), files.List());

    // A drive root always exists; each folder then makes room for the next.
    EXPECT_EQ(CreateFolderResult::Created, files.CreateFolder(L"C:\\Tav"));
    EXPECT_EQ(CreateFolderResult::AlreadyExists, files.CreateFolder(L"c:\\TAV\\"));
    EXPECT_EQ(CreateFolderResult::Created, files.CreateFolder(L"C:/Tav/Bin"));
    EXPECT_TRUE(files.WriteAll(L"c:\\tav\\bin\\a.txt", "x"));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\src.txt", L"C:\\Tav\\", L"C:\\Tav\\Bin\\",
                                         L"c:\\tav\\bin\\a.txt"}),
              files.List());

    // Set-up makes every folder above a file, and names match in any case and with slashes.
    files.AddFile(L"D:\\Deep\\Er\\file.dll", "bytes");
    EXPECT_TRUE(files.FolderExists(L"d:\\deep\\er"));
    EXPECT_TRUE(sys::IsExistingFile(files, L"D:/DEEP/ER/FILE.DLL"));
    EXPECT_EQ("bytes", files.Read(L"d:\\deep\\er\\file.dll"));

    // A file in the way of a folder, and a folder in the way of a file.
    EXPECT_FALSE(files.WriteAll(L"D:\\Deep", "x"));
    EXPECT_EQ(CreateFolderResult::Failed, files.CreateFolder(L"D:\\Deep\\Er\\file.dll\\sub"));
}

TEST(FakeFiles, AttributesKeepTheDirectoryBitAndReadOnlyProtects) {
    fakes::FakeFiles files;
    files.AddFolder(L"C:\\Tav");
    files.AddFile(L"C:\\Tav\\a.dll", "old");
    EXPECT_EQ(Directory, files.Attributes(L"C:\\Tav"));
    EXPECT_EQ(Archive, files.Attributes(L"C:\\Tav\\a.dll"));

    EXPECT_TRUE(files.SetAttributes(L"C:\\Tav", Hidden));
    EXPECT_EQ(Directory | Hidden, files.Attributes(L"C:\\Tav"));
    EXPECT_TRUE(files.SetAttributes(L"C:\\Tav\\a.dll", ReadOnly | Directory));
    EXPECT_EQ(ReadOnly, files.Attributes(L"C:\\Tav\\a.dll"));

    // A read-only file is neither removed, replaced, written nor opened exclusively; it can be
    // read, copied and renamed.
    files.AddFile(L"C:\\Tav\\b.dll", "new");
    EXPECT_FALSE(files.Remove(L"C:\\Tav\\a.dll"));
    EXPECT_FALSE(files.Copy(L"C:\\Tav\\b.dll", L"C:\\Tav\\a.dll", false));
    EXPECT_FALSE(files.Move(L"C:\\Tav\\b.dll", L"C:\\Tav\\a.dll", true));
    EXPECT_FALSE(files.WriteAll(L"C:\\Tav\\a.dll", "x"));
    EXPECT_EQ(nullptr, files.OpenForAppend(L"C:\\Tav\\a.dll"));
    EXPECT_FALSE(files.CanOpenExclusively(L"C:\\Tav\\a.dll"));
    EXPECT_EQ("old", files.Read(L"C:\\Tav\\a.dll"));

    EXPECT_TRUE(files.Copy(L"C:\\Tav\\a.dll", L"C:\\Tav\\c.dll", true));
    EXPECT_EQ(ReadOnly, files.Attributes(L"C:\\Tav\\c.dll"));
    EXPECT_FALSE(files.Copy(L"C:\\Tav\\b.dll", L"C:\\Tav\\c.dll", true));
    EXPECT_TRUE(files.Move(L"C:\\Tav\\a.dll", L"C:\\Tav\\a.dll.old", false));
    EXPECT_EQ(ReadOnly, files.Attributes(L"C:\\Tav\\a.dll.old"));

    uint32_t attributes = 0x1234;
    EXPECT_FALSE(files.GetAttributes(L"C:\\Tav\\a.dll", attributes));
    EXPECT_EQ(0x1234u, attributes);
}

TEST(FakeFiles, LockWithAttemptsFreesItselfAfterThatManyRefusals) {
    fakes::FakeFiles files;
    files.AddFile(L"C:\\Tav\\server.exe", "exe");
    files.Lock(L"C:\\Tav\\server.exe", 3);

    // While locked nothing gets at the file.
    std::string bytes;
    EXPECT_FALSE(files.ReadAll(L"C:\\Tav\\server.exe", bytes));
    EXPECT_FALSE(files.WriteAll(L"C:\\Tav\\server.exe", "x"));
    EXPECT_FALSE(files.Copy(L"C:\\Tav\\server.exe", L"C:\\Tav\\copy.exe", false));
    EXPECT_FALSE(files.Move(L"C:\\Tav\\server.exe", L"C:\\Tav\\server.exe.old", false));
    EXPECT_FALSE(files.Remove(L"C:\\Tav\\server.exe"));
    EXPECT_EQ(nullptr, files.OpenForAppend(L"C:\\Tav\\server.exe"));
    files.AddFile(L"C:\\Tav\\new.exe", "new");
    EXPECT_FALSE(files.Copy(L"C:\\Tav\\new.exe", L"C:\\Tav\\server.exe", false));
    EXPECT_FALSE(files.Move(L"C:\\Tav\\new.exe", L"C:\\Tav\\server.exe", true));

    // Only the exclusive-open checks count down; the fourth one finds the file free.
    EXPECT_EQ(0, files.exclusiveAttempts);
    EXPECT_FALSE(files.CanOpenExclusively(L"C:\\Tav\\server.exe"));
    EXPECT_FALSE(files.CanOpenExclusively(L"C:\\Tav\\server.exe"));
    EXPECT_FALSE(files.CanOpenExclusively(L"C:\\Tav\\server.exe"));
    EXPECT_TRUE(files.CanOpenExclusively(L"C:\\Tav\\server.exe"));
    EXPECT_EQ(4, files.exclusiveAttempts);
    EXPECT_TRUE(files.ReadAll(L"C:\\Tav\\server.exe", bytes));
    EXPECT_EQ("exe", bytes);

    // Without attempts the lock holds until it is lifted.
    files.Lock(L"C:\\Tav\\server.exe");
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(files.CanOpenExclusively(L"C:\\Tav\\server.exe"));
    files.Unlock(L"C:\\Tav\\server.exe");
    EXPECT_TRUE(files.CanOpenExclusively(L"C:\\Tav\\server.exe"));
    EXPECT_TRUE(files.Remove(L"C:\\Tav\\server.exe"));
    EXPECT_FALSE(files.CanOpenExclusively(L"C:\\Tav\\server.exe"));
}

TEST(FakeFiles, DenyDeleteAndDenyMoveStopOnlyWhatTheyName) {
    fakes::FakeFiles files;
    files.AddFile(L"C:\\Tav\\undeletable.dll", "a");
    files.AddFile(L"C:\\Tav\\unmovable.dll", "b");
    files.DenyDelete(L"C:\\Tav\\undeletable.dll");
    files.DenyMove(L"C:\\Tav\\unmovable.dll");

    EXPECT_FALSE(files.Remove(L"C:\\Tav\\undeletable.dll"));
    EXPECT_TRUE(files.Exists(L"C:\\Tav\\undeletable.dll"));
    EXPECT_TRUE(files.WriteAll(L"C:\\Tav\\undeletable.dll", "a2"));

    EXPECT_FALSE(files.Move(L"C:\\Tav\\unmovable.dll", L"C:\\Tav\\unmovable.dll.old", false));
    EXPECT_TRUE(files.Exists(L"C:\\Tav\\unmovable.dll"));
    EXPECT_FALSE(files.Exists(L"C:\\Tav\\unmovable.dll.old"));
    EXPECT_TRUE(files.Copy(L"C:\\Tav\\unmovable.dll", L"C:\\Tav\\unmovable.dll.old", true));
    EXPECT_TRUE(files.Remove(L"C:\\Tav\\unmovable.dll"));

    // The denial goes with the file when it is renamed.
    EXPECT_TRUE(files.Move(L"C:\\Tav\\undeletable.dll", L"C:\\Tav\\undeletable.old", false));
    EXPECT_FALSE(files.Remove(L"C:\\Tav\\undeletable.old"));
    EXPECT_EQ("a2", files.Read(L"C:\\Tav\\undeletable.old"));

    files.AddFolder(L"C:\\Full");
    files.DenyCreateIn(L"C:\\Full");
    EXPECT_FALSE(files.WriteAll(L"C:\\Full\\x.txt", "x"));
    EXPECT_EQ(CreateFolderResult::Failed, files.CreateFolder(L"C:\\Full\\sub"));
}

TEST(FakeFiles, MovingAFolderTakesEverythingBelowIt) {
    fakes::FakeFiles files;
    files.AddFile(L"C:\\Tav\\Bin\\server.exe", "exe");
    files.AddFile(L"C:\\Tav\\Bin\\Lang\\TavLang.Xml", "xml");
    files.AddFile(L"C:\\Tav\\Binaries.txt", "not below Bin");

    EXPECT_TRUE(files.Move(L"C:\\Tav\\Bin", L"C:\\Tav\\Bin.old", false));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\Tav\\Bin.old\\", L"C:\\Tav\\Bin.old\\server.exe",
                                         L"C:\\Tav\\Bin.old\\Lang\\",
                                         L"C:\\Tav\\Bin.old\\Lang\\TavLang.Xml",
                                         L"C:\\Tav\\Binaries.txt"}),
              files.List(L"C:\\Tav"));
    EXPECT_EQ("xml", files.Read(L"C:\\Tav\\Bin.old\\Lang\\TavLang.Xml"));
    EXPECT_FALSE(files.FolderExists(L"C:\\Tav\\Bin"));
    EXPECT_TRUE(files.FindEntries(L"C:\\Tav\\Bin", L"*").empty());

    // Separators at the end and slashes do not change the names below.
    EXPECT_TRUE(files.Move(L"C:\\Tav\\Bin.old\\", L"C:/Tav/Moved/", false));
    EXPECT_EQ((std::vector<std::wstring>{L"server.exe", L"Lang\\"}),
              Names(files.FindEntries(L"C:\\Tav\\Moved", L"*")));
    EXPECT_EQ((std::vector<std::wstring>{L"Moved\\", L"Binaries.txt"}),
              Names(files.FindEntries(L"C:\\Tav", L"*")));
    EXPECT_EQ("exe", files.Read(L"C:\\Tav\\Moved\\server.exe"));

    // A folder replaces nothing and cannot go below itself.
    files.AddFolder(L"C:\\Tav\\Other");
    EXPECT_FALSE(files.Move(L"C:\\Tav\\Moved", L"C:\\Tav\\Other", true));
    EXPECT_FALSE(files.Move(L"C:\\Tav\\Moved", L"C:\\Tav\\Moved\\Lang\\Inner", false));
    EXPECT_EQ("xml", files.Read(L"C:\\Tav\\Moved\\Lang\\TavLang.Xml"));
    EXPECT_TRUE(files.FolderExists(L"C:\\Tav\\Moved\\Lang"));
}

TEST(FakeFiles, MoveReplacesAFileOnlyWhenAsked) {
    fakes::FakeFiles files;
    files.AddFile(L"C:\\Tav\\a.dll", "new");
    files.AddFile(L"C:\\Tav\\a.dll.old", "old");

    EXPECT_FALSE(files.Move(L"C:\\Tav\\a.dll", L"C:\\Tav\\a.dll.old", false));
    EXPECT_EQ("old", files.Read(L"C:\\Tav\\a.dll.old"));
    EXPECT_TRUE(files.Move(L"C:\\Tav\\a.dll", L"C:\\Tav\\A.DLL.OLD", true));
    EXPECT_EQ("new", files.Read(L"C:\\Tav\\a.dll.old"));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\Tav\\", L"C:\\Tav\\A.DLL.OLD"}), files.List());

    // A rename that changes only the case takes the new spelling.
    EXPECT_TRUE(files.Move(L"C:\\Tav\\a.dll.old", L"C:\\Tav\\A.dll.old", false));
    EXPECT_EQ(std::vector<std::wstring>{L"A.dll.old"}, Names(files.FindEntries(L"C:\\Tav", L"*")));
}

TEST(FakeFiles, FindEntriesListsInCreationOrderWithTheFirstSpelling) {
    fakes::FakeFiles files;
    files.AddFolder(L"C:\\Tav");
    ASSERT_TRUE(files.WriteAll(L"C:\\Tav\\Zeta.xml", "z"));
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(L"C:\\Tav\\Alpha.XML"));
    ASSERT_TRUE(files.WriteAll(L"C:\\Tav\\mid.txt", "m"));
    ASSERT_TRUE(files.WriteAll(L"C:\\Tav\\beta.Xml", "b"));
    files.AddFile(L"C:\\Tav\\Alpha.XML\\below.xml");

    EXPECT_EQ((std::vector<std::wstring>{L"Zeta.xml", L"Alpha.XML\\", L"beta.Xml"}),
              Names(files.FindEntries(L"C:\\Tav\\", L"*.XML")));
    EXPECT_EQ((std::vector<std::wstring>{L"Zeta.xml", L"beta.Xml"}),
              files.FindFiles(L"c:\\tav", L"*.xml"));

    // Rewriting keeps a file's place and spelling; a removed and remade file goes last.
    ASSERT_TRUE(files.WriteAll(L"C:\\TAV\\ZETA.XML", "z2"));
    ASSERT_TRUE(files.Remove(L"C:\\Tav\\mid.txt"));
    ASSERT_TRUE(files.WriteAll(L"C:\\Tav\\Mid.txt", "m2"));
    EXPECT_EQ((std::vector<std::wstring>{L"Zeta.xml", L"Alpha.XML\\", L"beta.Xml", L"Mid.txt"}),
              Names(files.FindEntries(L"C:\\Tav", L"*")));

    EXPECT_TRUE(files.FindEntries(L"C:\\Tav\\Zeta.xml", L"*").empty());
    EXPECT_TRUE(files.FindEntries(L"C:\\Missing", L"*").empty());
}

TEST(FakeFiles, AppendAndWriteFailuresArrangedByTheTest) {
    fakes::FakeFiles files;
    files.AddFile(L"C:\\Tav\\run.log", "start\n");
    auto first = files.OpenForAppend(L"C:\\Tav\\run.log");
    auto second = files.OpenForAppend(L"C:\\Tav\\run.log");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(2, files.opens);
    EXPECT_TRUE(first->Write("a\n", 2));
    EXPECT_TRUE(second->Write("b\n", 2));
    EXPECT_EQ(10u, first->Length());
    EXPECT_EQ("start\na\nb\n", files.Read(L"C:\\Tav\\run.log"));

    // A full disk: the write that does not fit fails, and so does every later one.
    files.FailWritesAfter(3);
    EXPECT_TRUE(first->Write("abc", 3));
    EXPECT_FALSE(first->Write("d", 1));
    EXPECT_FALSE(files.WriteAll(L"C:\\Tav\\other.txt", "x"));
    EXPECT_EQ("start\na\nb\nabc", files.Read(L"C:\\Tav\\run.log"));

    uint64_t bytes = 0;
    files.freeBytes = 12345;
    EXPECT_TRUE(files.FreeSpace(L"C:\\Tav", bytes));
    EXPECT_EQ(12345u, bytes);
}

}  // namespace
