// The Windows file system implementation on a real folder tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "system/win32/Win32Files.h"
#include "win/WinScratchFolder.h"

namespace {

using sys::CreateFolderResult;
using sys::FileAttribute::Directory;
using sys::FileAttribute::ReadOnly;

// A handle of CreateFileW, closed when it goes.
class OpenFile {
public:
    OpenFile(const std::wstring& path, DWORD access, DWORD sharing)
        : handle_(CreateFileW(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~OpenFile() { Close(); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    void Close() {
        if (IsOpen()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    // What is left to read from the current position.
    std::string ReadRest() const {
        std::string bytes;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(handle_, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            bytes.append(buffer, read);
        }
        return bytes;
    }

private:
    HANDLE handle_;
};

DWORD RawAttributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

// Whether the file system keeps writers out of a read-only file. Wine run by root does not: it
// leaves that to the Unix permissions, which root passes.
bool ReadOnlyKeepsWritersOut(const std::wstring& readOnlyFile) {
    return !OpenFile(readOnlyFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE).IsOpen();
}

std::vector<std::wstring> Names(const std::vector<sys::FoundEntry>& entries, bool folders) {
    std::vector<std::wstring> names;
    for (const auto& entry : entries) {
        if (entry.isFolder == folders) names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FilesWin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch.Made()); }

    // Writes a file through the implementation and fails the test when that does not work.
    std::wstring Make(const std::wstring& name, const std::string& content) {
        const std::wstring path = scratch.PathOf(name);
        EXPECT_TRUE(files.WriteAll(path, content)) << "cannot write the test file";
        return path;
    }

    std::string Content(const std::wstring& path) {
        std::string bytes;
        EXPECT_TRUE(files.ReadAll(path, bytes));
        return bytes;
    }

    wintest::WinScratchFolder scratch;
    sys::win32::Win32Files files;
};

TEST_F(FilesWin, AttributesReadOnlySetAndClearedAndDirectoryBit) {
    const std::wstring file = Make(L"plain.txt", "x");
    uint32_t attributes = 0;
    ASSERT_TRUE(files.GetAttributes(file, attributes));
    EXPECT_EQ(0u, attributes & (ReadOnly | Directory));

    ASSERT_TRUE(files.SetAttributes(file, attributes | ReadOnly));
    ASSERT_TRUE(files.GetAttributes(file, attributes));
    EXPECT_EQ(ReadOnly, attributes & (ReadOnly | Directory));
    EXPECT_TRUE(RawAttributes(file) & FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(files.SetAttributes(file, attributes & ~ReadOnly));
    ASSERT_TRUE(files.GetAttributes(file, attributes));
    EXPECT_EQ(0u, attributes & ReadOnly);
    EXPECT_FALSE(RawAttributes(file) & FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(files.GetAttributes(scratch.Path(), attributes));
    EXPECT_TRUE(attributes & Directory);
    EXPECT_TRUE(sys::IsExistingFolder(files, scratch.Path()));
    EXPECT_FALSE(sys::IsExistingFile(files, scratch.Path()));
    EXPECT_TRUE(sys::IsExistingFile(files, file));

    attributes = 0x1234;
    EXPECT_FALSE(files.GetAttributes(scratch.PathOf(L"missing.txt"), attributes));
    EXPECT_EQ(0x1234u, attributes);
    EXPECT_FALSE(files.SetAttributes(scratch.PathOf(L"missing.txt"), ReadOnly));
}

TEST_F(FilesWin, CreateFolderCreatesOnlyBelowAnExistingParent) {
    const std::wstring folder = scratch.PathOf(L"made");
    EXPECT_EQ(CreateFolderResult::Created, files.CreateFolder(folder));
    EXPECT_TRUE(RawAttributes(folder) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(CreateFolderResult::AlreadyExists, files.CreateFolder(folder));

    const std::wstring orphan = scratch.PathOf(L"no-parent\\child");
    EXPECT_EQ(CreateFolderResult::Failed, files.CreateFolder(orphan));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(scratch.PathOf(L"no-parent")));
}

TEST_F(FilesWin, CopyHonoursFailIfExistsAndKeepsAttributes) {
    const std::wstring source = Make(L"source.dll", "new content");
    const std::wstring target = Make(L"target.dll", "old");

    EXPECT_FALSE(files.Copy(source, target, true));
    EXPECT_EQ("old", Content(target));
    EXPECT_TRUE(files.Copy(source, target, false));
    EXPECT_EQ("new content", Content(target));

    // A read-only source gives a read-only copy.
    ASSERT_TRUE(files.SetAttributes(source, FILE_ATTRIBUTE_READONLY));
    const std::wstring fresh = scratch.PathOf(L"fresh.dll");
    EXPECT_TRUE(files.Copy(source, fresh, true));
    EXPECT_EQ("new content", Content(fresh));
    EXPECT_TRUE(RawAttributes(fresh) & FILE_ATTRIBUTE_READONLY);

    EXPECT_FALSE(files.Copy(scratch.PathOf(L"missing.dll"), scratch.PathOf(L"other.dll"), false));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(scratch.PathOf(L"other.dll")));
}

TEST_F(FilesWin, CopyToNewFileMakesOnlyANewFileWithTheSourcesAttributesAndTime) {
    const std::wstring source = Make(L"source.dll", std::string(3 << 20, 'n'));
    ASSERT_TRUE(files.SetAttributes(source, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf(L"bin")));
    const std::wstring fresh = scratch.PathOf(L"bin\\fresh.dll");

    EXPECT_TRUE(files.CopyToNewFile(source, fresh, scratch.Path()));
    EXPECT_EQ(std::string(3 << 20, 'n'), Content(fresh));
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
              RawAttributes(fresh) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    WIN32_FILE_ATTRIBUTE_DATA from{}, to{};
    ASSERT_TRUE(GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &from));
    ASSERT_TRUE(GetFileAttributesExW(fresh.c_str(), GetFileExInfoStandard, &to));
    EXPECT_EQ(0, CompareFileTime(&from.ftLastWriteTime, &to.ftLastWriteTime));

    // Slashes name the same place.
    std::wstring slashed = scratch.PathOf(L"bin\\other.dll");
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    EXPECT_TRUE(files.CopyToNewFile(source, slashed, scratch.Path()));
    EXPECT_EQ(std::string(3 << 20, 'n'), Content(scratch.PathOf(L"bin\\other.dll")));

    // An existing file is no new name; nor is a target outside the folder named.
    const std::wstring taken = Make(L"bin\\taken.dll", "old");
    EXPECT_FALSE(files.CopyToNewFile(source, taken, L""));
    EXPECT_EQ("old", Content(taken));
    EXPECT_FALSE(files.CopyToNewFile(source, scratch.PathOf(L"other.dll"), scratch.PathOf(L"bin")));
    EXPECT_FALSE(files.CopyToNewFile(scratch.PathOf(L"missing.dll"), scratch.PathOf(L"bin\\x.dll"), L""));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(scratch.PathOf(L"other.dll")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(scratch.PathOf(L"bin\\x.dll")));
}

TEST_F(FilesWin, MoveRenamesFilesAndFoldersAndReplacesOnlyWhenAsked) {
    const std::wstring file = Make(L"module.dll", "current");
    const std::wstring old = scratch.PathOf(L"module.dll.old");
    EXPECT_TRUE(files.Move(file, old, false));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(file));
    EXPECT_EQ("current", Content(old));

    // An existing name is replaced only when asked.
    Make(L"module.dll", "newer");
    EXPECT_FALSE(files.Move(file, old, false));
    EXPECT_EQ("newer", Content(file));
    EXPECT_EQ("current", Content(old));
    EXPECT_TRUE(files.Move(file, old, true));
    EXPECT_EQ("newer", Content(old));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(file));

    // A read-only file can be renamed and stays read-only.
    ASSERT_TRUE(files.SetAttributes(old, FILE_ATTRIBUTE_READONLY));
    const std::wstring renamed = scratch.PathOf(L"module.dll.bak");
    EXPECT_TRUE(files.Move(old, renamed, false));
    EXPECT_TRUE(RawAttributes(renamed) & FILE_ATTRIBUTE_READONLY);

    // A folder moves with what is inside it.
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf(L"dir")));
    Make(L"dir\\inner.txt", "inside");
    EXPECT_TRUE(files.Move(scratch.PathOf(L"dir"), scratch.PathOf(L"dir.old"), false));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(scratch.PathOf(L"dir")));
    EXPECT_EQ("inside", Content(scratch.PathOf(L"dir.old\\inner.txt")));

    EXPECT_FALSE(files.Move(scratch.PathOf(L"missing"), scratch.PathOf(L"still-missing"), true));
}

TEST_F(FilesWin, ReadOnlyFileIsNeitherOverwrittenNorReplaced) {
    const std::wstring source = Make(L"source.dll", "new content");
    const std::wstring target = Make(L"target.dll", "kept");
    ASSERT_TRUE(files.SetAttributes(target, FILE_ATTRIBUTE_READONLY));

    EXPECT_FALSE(files.Move(source, target, true));
    EXPECT_EQ("kept", Content(target));
    EXPECT_EQ("new content", Content(source));
    if (!ReadOnlyKeepsWritersOut(target)) {
        GTEST_SKIP() << "this file system lets writers into read-only files (Wine run by root)";
    }
    EXPECT_FALSE(files.CanOpenExclusively(target));
    EXPECT_FALSE(files.Copy(source, target, false));
    EXPECT_FALSE(files.WriteAll(target, "overwritten"));
    EXPECT_EQ(nullptr, files.OpenForAppend(target));
    EXPECT_EQ("kept", Content(target));
    EXPECT_EQ("new content", Content(source));
}

TEST_F(FilesWin, RemoveLeavesReadOnlyFilesAndFolders) {
    const std::wstring file = Make(L"protected.txt", "x");
    ASSERT_TRUE(files.SetAttributes(file, FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(files.Remove(file));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, RawAttributes(file));

    ASSERT_TRUE(files.SetAttributes(file, FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(files.Remove(file));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(file));
    EXPECT_FALSE(files.Remove(file));

    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf(L"dir")));
    EXPECT_FALSE(files.Remove(scratch.PathOf(L"dir")));
    EXPECT_TRUE(RawAttributes(scratch.PathOf(L"dir")) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FilesWin, CanOpenExclusivelyOnlyWhileNobodyHoldsTheFile) {
    const std::wstring file = Make(L"busy.exe", "x");
    EXPECT_TRUE(files.CanOpenExclusively(file));

    for (DWORD sharing : {DWORD{0}, DWORD{FILE_SHARE_READ},
                          DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
        OpenFile held(file, GENERIC_READ, sharing);
        ASSERT_TRUE(held.IsOpen()) << sharing;
        EXPECT_FALSE(files.CanOpenExclusively(file)) << "held with sharing " << sharing;
        held.Close();
        EXPECT_TRUE(files.CanOpenExclusively(file)) << "after sharing " << sharing;
    }

    // The check itself leaves nothing open behind it.
    OpenFile after(file, GENERIC_READ | GENERIC_WRITE, 0);
    EXPECT_TRUE(after.IsOpen());
    after.Close();

    EXPECT_FALSE(files.CanOpenExclusively(scratch.PathOf(L"missing.exe")));
}

TEST_F(FilesWin, ReadAllAndWriteAllKeepEveryByte) {
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<char>((i * 7) % 256));
    bytes[0] = '\0';
    bytes.back() = '\0';
    const std::wstring file = Make(L"binary.bin", bytes);
    EXPECT_EQ(bytes, Content(file));

    // A shorter write leaves nothing of the longer content behind.
    ASSERT_TRUE(files.WriteAll(file, std::string("a\0b", 3)));
    EXPECT_EQ(std::string("a\0b", 3), Content(file));
    ASSERT_TRUE(files.WriteAll(file, std::string()));
    EXPECT_EQ("", Content(file));

    std::string untouched = "keep";
    EXPECT_FALSE(files.ReadAll(scratch.PathOf(L"missing.bin"), untouched));
    EXPECT_EQ("keep", untouched);
    EXPECT_FALSE(files.WriteAll(scratch.PathOf(L"no-folder\\file.bin"), "x"));
}

TEST_F(FilesWin, WriteAllReplacesAHiddenFileAndKeepsItsAttributes) {
    const std::wstring file = Make(L"hidden.ini", "old");
    ASSERT_TRUE(files.SetAttributes(file, FILE_ATTRIBUTE_HIDDEN));

    EXPECT_TRUE(files.WriteAll(file, "new"));
    EXPECT_EQ("new", Content(file));
    EXPECT_TRUE(RawAttributes(file) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FilesWin, FindEntriesListsMatchingFilesAndFoldersInAnyCase) {
    Make(L"Lang_A.xml", "x");
    Make(L"lang_b.XML", "x");
    Make(L"Lang_C.xml.bak", "x");
    Make(L"other.txt", "x");
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf(L"LANG_D.Xml")));
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf(L"sub")));
    Make(L"sub\\lang_e.xml", "x");

    const auto matching = files.FindEntries(scratch.Path(), L"LANG_*.xml");
    EXPECT_EQ((std::vector<std::wstring>{L"Lang_A.xml", L"lang_b.XML"}), Names(matching, false));
    EXPECT_EQ(std::vector<std::wstring>{L"LANG_D.Xml"}, Names(matching, true));

    // Everything, without "." and "..", whether the folder ends with a backslash or not.
    const auto all = files.FindEntries(scratch.Path() + L"\\", L"*");
    EXPECT_EQ((std::vector<std::wstring>{L"Lang_A.xml", L"Lang_C.xml.bak", L"lang_b.XML",
                                         L"other.txt"}),
              Names(all, false));
    EXPECT_EQ((std::vector<std::wstring>{L"LANG_D.Xml", L"sub"}), Names(all, true));
    EXPECT_EQ(6u, all.size());

    std::vector<std::wstring> found = files.FindFiles(scratch.Path(), L"?ang_?.xml");
    std::sort(found.begin(), found.end());
    EXPECT_EQ((std::vector<std::wstring>{L"Lang_A.xml", L"lang_b.XML"}), found);

    EXPECT_TRUE(files.FindEntries(scratch.Path(), L"nothing*.dll").empty());
    EXPECT_TRUE(files.FindEntries(scratch.PathOf(L"missing"), L"*").empty());
}

TEST_F(FilesWin, FreeSpaceOfTheVolumeThatHoldsAFolderOrFile) {
    // A folder with or without separator, a file, and a folder that is yet to be made.
    for (const std::wstring& path :
         {scratch.Path(), scratch.Path() + L"\\", Make(L"file.dat", "x"),
          scratch.PathOf(L"not-yet\\deeper")}) {
        uint64_t bytes = 0;
        EXPECT_TRUE(files.FreeSpace(path, bytes)) << tav::ToUtf8(path);
        EXPECT_GT(bytes, 0u) << tav::ToUtf8(path);
    }
    uint64_t untouched = 5;
    EXPECT_FALSE(files.FreeSpace(L"Q:\\no-such-drive", untouched));
    EXPECT_EQ(5u, untouched);
}

TEST_F(FilesWin, AccessListsAreReadAndWrittenBack) {
    const std::wstring file = Make(L"secured.txt", "x");
    sys::AccessList before;
    ASSERT_TRUE(files.ReadAccessList(file, before));

    ASSERT_FALSE(before.empty());
    for (const auto& entry : before) {
        EXPECT_EQ(0u, entry.sid.rfind(L"S-1-", 0)) << "not a SID in text form";
        EXPECT_NE(0u, entry.mask);
    }

    // Both kinds of entry; neither keeps the test from removing the file.
    const sys::AccessEntry everyoneReads{sys::AccessEntry::kAllowed, 0, FILE_GENERIC_READ,
                                         L"S-1-1-0"};
    const sys::AccessEntry anonymousDenied{sys::AccessEntry::kDenied, 0, FILE_APPEND_DATA,
                                           L"S-1-5-7"};
    sys::AccessList wanted{anonymousDenied};
    wanted.insert(wanted.end(), before.begin(), before.end());
    wanted.push_back(everyoneReads);
    EXPECT_TRUE(files.WriteAccessList(file, wanted));

    // Wine accepts the new list without changing the file's; Windows shows the new entries.
    sys::AccessList after;
    ASSERT_TRUE(files.ReadAccessList(file, after));
    const bool changed = std::count(after.begin(), after.end(), anonymousDenied) == 1 &&
                         std::count(after.begin(), after.end(), everyoneReads) >= 1;
    EXPECT_TRUE(after == before || changed) << after.size() << " entries";

    // Folders hand their entries down to what is made in them.
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf(L"dir")));
    sys::AccessList folder;
    ASSERT_TRUE(files.ReadAccessList(scratch.PathOf(L"dir"), folder));
    ASSERT_FALSE(folder.empty());
    constexpr uint8_t kInherit =
        sys::AccessEntry::kObjectInherit | sys::AccessEntry::kContainerInherit;
    EXPECT_TRUE(std::any_of(folder.begin(), folder.end(), [](const sys::AccessEntry& entry) {
        return (entry.flags & kInherit) != 0;
    }));

    sys::AccessList untouched{everyoneReads};
    EXPECT_FALSE(files.ReadAccessList(scratch.PathOf(L"missing.txt"), untouched));
    EXPECT_EQ(1u, untouched.size());
    EXPECT_FALSE(files.WriteAccessList(file, {sys::AccessEntry{0, 0, GENERIC_READ, L"not-a-sid"}}));
}

TEST_F(FilesWin, ASwapPutsTheNewFileInPlaceWithTheOldOnesAccessListAndKeepsTheOldBytes) {
    const std::wstring installed = Make(L"installed.dll", "old bytes");
    const std::wstring staged = Make(L"installed.dll.tup~new", "new bytes, longer");
    const std::wstring backup = scratch.PathOf(L"backup.dll");
    // The installed file's own list, unlike the one a new file gets. (Wine shows every file the
    // list its Unix mode gives, the same for both files here; Windows shows the written one.)
    sys::AccessList own;
    ASSERT_TRUE(files.ReadAccessList(installed, own));
    own.insert(own.begin(), sys::AccessEntry{sys::AccessEntry::kDenied, 0, FILE_APPEND_DATA, L"S-1-5-7"});
    ASSERT_TRUE(files.WriteAccessList(installed, own));
    sys::AccessList before;
    ASSERT_TRUE(files.ReadAccessList(installed, before));

    // A backup name that is taken changes nothing.
    Make(L"taken.dll", "someone's");
    EXPECT_EQ(sys::SwapResult::Refused, files.Swap(installed, staged, scratch.PathOf(L"taken.dll")));
    EXPECT_EQ("old bytes", Content(installed));
    EXPECT_EQ("someone's", Content(scratch.PathOf(L"taken.dll")));

    ASSERT_EQ(sys::SwapResult::Swapped, files.Swap(installed, staged, backup));
    EXPECT_EQ("new bytes, longer", Content(installed));
    EXPECT_EQ("old bytes", Content(backup));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, RawAttributes(staged));
    sys::AccessList after;
    ASSERT_TRUE(files.ReadAccessList(installed, after));
    EXPECT_EQ(before, after);
    sys::FileFacts facts;
    ASSERT_TRUE(files.GetFacts(installed, facts));
    EXPECT_EQ(17u, facts.size);
}

TEST_F(FilesWin, AppendedFileStaysOpenToReadersAndGrowsAtTheEnd) {
    const std::wstring path = Make(L"run.log", "start\n");
    auto log = files.OpenForAppend(path);
    ASSERT_NE(nullptr, log);
    EXPECT_EQ(6u, log->Length());  // opening never truncates
    ASSERT_TRUE(log->Write("one\n", 4));

    // Another reader, and even another appender, can open the file meanwhile.
    OpenFile reader(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(reader.IsOpen()) << GetLastError();
    EXPECT_EQ("start\none\n", reader.ReadRest());
    auto second = files.OpenForAppend(path);
    ASSERT_NE(nullptr, second);
    ASSERT_TRUE(second->Write("two\n", 4));
    ASSERT_TRUE(log->Write("three\n", 6));
    EXPECT_EQ(20u, log->Length());
    EXPECT_EQ("two\nthree\n", reader.ReadRest());

    std::string content;
    EXPECT_TRUE(files.ReadAll(path, content));
    EXPECT_EQ("start\none\ntwo\nthree\n", content);

    const std::wstring fresh = scratch.PathOf(L"fresh.log");
    EXPECT_NE(nullptr, files.OpenForAppend(fresh));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, RawAttributes(fresh));
    EXPECT_EQ(nullptr, files.OpenForAppend(scratch.PathOf(L"no-folder\\x.log")));
}

TEST_F(FilesWin, OpenForAppendFailsWhileAnotherHolderSharesNothing) {
    const std::wstring path = Make(L"held.log", "x");
    OpenFile held(path, GENERIC_READ, 0);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_EQ(nullptr, files.OpenForAppend(path));
    held.Close();
    EXPECT_NE(nullptr, files.OpenForAppend(path));
}

}  // namespace
