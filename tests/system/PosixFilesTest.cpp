// The Linux file system implementation on a real folder, with the Windows rules it keeps.
// Only the Linux build has it.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fakes/ScratchFolder.h"
#include "system/linux/PosixFiles.h"

namespace {

using sys::CreateFolderResult;
using sys::FileAttribute::Directory;
using sys::FileAttribute::ReadOnly;

std::vector<std::wstring> Sorted(const std::vector<sys::FoundEntry>& entries) {
    std::vector<std::wstring> names;
    for (const auto& entry : entries) names.push_back(entry.name + (entry.isFolder ? L"/" : L""));
    std::sort(names.begin(), names.end());
    return names;
}

class PosixFilesTest : public ::testing::Test {
protected:
    // A file written by the test itself, not by the code under test.
    std::wstring Make(const std::string& name, const std::string& content) {
        return scratch.Write(name, content);
    }

    std::string Content(const std::wstring& path) {
        std::string bytes;
        EXPECT_TRUE(files.ReadAll(path, bytes));
        return bytes;
    }

    bool Exists(const std::wstring& path) {
        uint32_t attributes = 0;
        return files.GetAttributes(path, attributes);
    }

    void MakeReadOnly(const std::wstring& path) {
        ASSERT_TRUE(files.SetAttributes(path, ReadOnly));
    }

    testing_support::ScratchFolder scratch;
    sys::posix::PosixFiles files;
};

TEST_F(PosixFilesTest, AttributesShowReadOnlyAndFolders) {
    const std::wstring file = Make("a.txt", "x");
    uint32_t attributes = 0;
    ASSERT_TRUE(files.GetAttributes(file, attributes));
    EXPECT_EQ(0u, attributes & (ReadOnly | Directory));

    MakeReadOnly(file);
    ASSERT_TRUE(files.GetAttributes(file, attributes));
    EXPECT_EQ(ReadOnly, attributes & (ReadOnly | Directory));
    ASSERT_TRUE(files.SetAttributes(file, attributes & ~ReadOnly));
    ASSERT_TRUE(files.GetAttributes(file, attributes));
    EXPECT_EQ(0u, attributes & ReadOnly);

    ASSERT_TRUE(files.GetAttributes(scratch.PathOf(""), attributes));
    EXPECT_TRUE(attributes & Directory);
    attributes = 0x1234;
    EXPECT_FALSE(files.GetAttributes(scratch.PathOf("missing"), attributes));
    EXPECT_EQ(0x1234u, attributes);
}

TEST_F(PosixFilesTest, CreateFolderNeedsItsParent) {
    EXPECT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf("made")));
    EXPECT_TRUE(sys::IsExistingFolder(files, scratch.PathOf("made")));
    EXPECT_EQ(CreateFolderResult::AlreadyExists, files.CreateFolder(scratch.PathOf("made")));
    EXPECT_EQ(CreateFolderResult::Failed, files.CreateFolder(scratch.PathOf("none/child")));
    EXPECT_FALSE(Exists(scratch.PathOf("none")));
}

TEST_F(PosixFilesTest, CopyHonoursFailIfExistsAndKeepsReadOnly) {
    const std::wstring source = Make("source.dll", "new content");
    const std::wstring target = Make("target.dll", "old");
    EXPECT_FALSE(files.Copy(source, target, true));
    EXPECT_EQ("old", Content(target));
    EXPECT_TRUE(files.Copy(source, target, false));
    EXPECT_EQ("new content", Content(target));

    MakeReadOnly(source);
    const std::wstring fresh = scratch.PathOf("fresh.dll");
    EXPECT_TRUE(files.Copy(source, fresh, true));
    uint32_t attributes = 0;
    ASSERT_TRUE(files.GetAttributes(fresh, attributes));
    EXPECT_TRUE(attributes & ReadOnly);

    EXPECT_FALSE(files.Copy(scratch.PathOf("missing"), scratch.PathOf("other"), false));
    EXPECT_FALSE(Exists(scratch.PathOf("other")));
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf("dir")));
    EXPECT_FALSE(files.Copy(target, scratch.PathOf("dir"), false));
}

TEST_F(PosixFilesTest, ReadOnlyFileIsNeitherOverwrittenNorRemoved) {
    const std::wstring source = Make("source.dll", "new content");
    const std::wstring target = Make("target.dll", "kept");
    MakeReadOnly(target);

    EXPECT_FALSE(files.Copy(source, target, false));
    EXPECT_FALSE(files.Move(source, target, true));
    EXPECT_FALSE(files.WriteAll(target, "overwritten"));
    EXPECT_EQ(nullptr, files.OpenForAppend(target));
    EXPECT_FALSE(files.CanOpenExclusively(target));
    EXPECT_FALSE(files.Remove(target));
    EXPECT_EQ("kept", Content(target));
    EXPECT_EQ("new content", Content(source));

    // It can still be renamed, and removed once it is writable again.
    const std::wstring renamed = scratch.PathOf("target.dll.old");
    EXPECT_TRUE(files.Move(target, renamed, false));
    ASSERT_TRUE(files.SetAttributes(renamed, 0));
    EXPECT_TRUE(files.CanOpenExclusively(renamed));
    EXPECT_TRUE(files.Remove(renamed));
    EXPECT_FALSE(Exists(renamed));
}

TEST_F(PosixFilesTest, MoveRenamesFilesAndFoldersAndReplacesOnlyWhenAsked) {
    const std::wstring file = Make("module.dll", "current");
    const std::wstring old = scratch.PathOf("module.dll.old");
    EXPECT_TRUE(files.Move(file, old, false));
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ("current", Content(old));

    Make("module.dll", "newer");
    EXPECT_FALSE(files.Move(file, old, false));
    EXPECT_EQ("current", Content(old));
    EXPECT_TRUE(files.Move(file, old, true));
    EXPECT_EQ("newer", Content(old));
    EXPECT_FALSE(Exists(file));

    // Folders move with their contents; Windows separators work as well.
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf("dir")));
    Make("dir/inner.txt", "inside");
    std::wstring windowsStyle = scratch.PathOf("dir");
    std::replace(windowsStyle.begin(), windowsStyle.end(), L'/', L'\\');
    EXPECT_TRUE(files.Move(windowsStyle, windowsStyle + L".old", false));
    EXPECT_EQ("inside", Content(scratch.PathOf("dir.old/inner.txt")));
    EXPECT_FALSE(Exists(scratch.PathOf("dir")));

    // A folder is never replaced, and nothing moves when the source is missing.
    EXPECT_FALSE(files.Move(old, scratch.PathOf("dir.old"), true));
    EXPECT_EQ("newer", Content(old));
    EXPECT_FALSE(files.Move(scratch.PathOf("missing"), scratch.PathOf("other"), true));
}

TEST_F(PosixFilesTest, RemoveDeletesFilesOnly) {
    const std::wstring file = Make("a.txt", "x");
    EXPECT_TRUE(files.Remove(file));
    EXPECT_FALSE(Exists(file));
    EXPECT_FALSE(files.Remove(file));
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf("dir")));
    EXPECT_FALSE(files.Remove(scratch.PathOf("dir")));
    EXPECT_TRUE(sys::IsExistingFolder(files, scratch.PathOf("dir")));
}

TEST_F(PosixFilesTest, CopyToNewFileNeverWritesThroughALink) {
    namespace fs = std::filesystem;
    const fs::path root(tav::ToUtf8(scratch.PathOf("")));
    struct Case {
        const char* name;
        const char* target;  // below the scratch folder
        const char* within;  // below the scratch folder; empty: the target's folder
        bool copied;
    };
    const Case cases[] = {
        {"a free name", "inst/bin/a.dll", "inst", true},
        {"a link at the name", "inst/bin/linked.dll", "inst", false},
        {"a link to nothing at the name", "inst/bin/dangling.dll", "", false},
        {"a folder link below within", "inst/lnk/a.dll", "inst", false},
        {"a folder link above within", "inst/lnk/b.dll", "inst/lnk", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root / "inst");
        fs::remove_all(root / "elsewhere");
        fs::create_directories(root / "inst" / "bin");
        fs::create_directories(root / "elsewhere");
        const std::wstring victim = Make("elsewhere/victim.dll", "someone's");
        fs::create_symlink(root / "elsewhere" / "victim.dll", root / "inst" / "bin" / "linked.dll");
        fs::create_symlink(root / "elsewhere" / "gone.dll", root / "inst" / "bin" / "dangling.dll");
        fs::create_directory_symlink(root / "elsewhere", root / "inst" / "lnk");
        const std::wstring source = Make("new.dll", "new bytes");
        MakeReadOnly(source);

        const std::wstring target = scratch.PathOf(c.target);
        EXPECT_EQ(c.copied, files.CopyToNewFile(source, target, *c.within ? scratch.PathOf(c.within) : L""));
        EXPECT_EQ("someone's", Content(victim));
        EXPECT_FALSE(fs::exists(root / "elsewhere" / "gone.dll"));
        if (c.copied) {
            EXPECT_EQ("new bytes", Content(target));
            uint32_t attributes = 0;
            EXPECT_TRUE(files.GetAttributes(target, attributes) && (attributes & ReadOnly));
        } else {
            EXPECT_FALSE(fs::exists(root / "elsewhere" / "a.dll"));
        }
    }
}

TEST_F(PosixFilesTest, ReadAllAndWriteAllKeepEveryByte) {
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<char>((i * 7) % 256));
    const std::wstring file = scratch.PathOf("binary.bin");
    ASSERT_TRUE(files.WriteAll(file, bytes));
    EXPECT_EQ(bytes, Content(file));
    ASSERT_TRUE(files.WriteAll(file, std::string("a\0b", 3)));
    EXPECT_EQ(std::string("a\0b", 3), Content(file));

    std::string untouched = "keep";
    EXPECT_FALSE(files.ReadAll(scratch.PathOf("missing"), untouched));
    EXPECT_FALSE(files.ReadAll(scratch.PathOf(""), untouched));
    EXPECT_EQ("keep", untouched);
    EXPECT_FALSE(files.WriteAll(scratch.PathOf("none/file.bin"), "x"));
}

TEST_F(PosixFilesTest, FindEntriesMatchesInAnyCase) {
    Make("Lang_A.xml", "x");
    Make("lang_b.XML", "x");
    Make("Lang_C.xml.bak", "x");
    ASSERT_EQ(CreateFolderResult::Created, files.CreateFolder(scratch.PathOf("LANG_D.Xml")));
    Make("LANG_D.Xml/lang_e.xml", "x");

    EXPECT_EQ((std::vector<std::wstring>{L"LANG_D.Xml/", L"Lang_A.xml", L"lang_b.XML"}),
              Sorted(files.FindEntries(scratch.PathOf(""), L"lang_*.XML")));
    std::wstring windowsStyle = scratch.PathOf("");
    std::replace(windowsStyle.begin(), windowsStyle.end(), L'/', L'\\');
    EXPECT_EQ((std::vector<std::wstring>{L"LANG_D.Xml/", L"Lang_A.xml", L"Lang_C.xml.bak",
                                         L"lang_b.XML"}),
              Sorted(files.FindEntries(windowsStyle + L"\\", L"*")));
    EXPECT_TRUE(files.FindEntries(scratch.PathOf("missing"), L"*").empty());
}

TEST_F(PosixFilesTest, FreeSpaceOfTheVolumeThatHoldsAPath) {
    for (const std::wstring& path :
         {scratch.PathOf(""), Make("file.dat", "x"), scratch.PathOf("not-yet/deeper/x.dll")}) {
        uint64_t bytes = 0;
        EXPECT_TRUE(files.FreeSpace(path, bytes)) << tav::ToUtf8(path);
        EXPECT_GT(bytes, 0u) << tav::ToUtf8(path);
    }
    uint64_t untouched = 5;
    const std::wstring belowAFile = scratch.PathOf("file.dat/x");
    EXPECT_FALSE(files.FreeSpace(belowAFile, untouched));
    EXPECT_EQ(5u, untouched);
}

TEST_F(PosixFilesTest, AppendingAddsAtTheEndFromEveryWriter) {
    const std::wstring path = Make("run.log", "start\n");
    auto first = files.OpenForAppend(path);
    auto second = files.OpenForAppend(path);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(6u, first->Length());
    ASSERT_TRUE(first->Write("one\n", 4));
    ASSERT_TRUE(second->Write("two\n", 4));
    ASSERT_TRUE(first->Write("three\n", 6));
    EXPECT_EQ(20u, second->Length());
    EXPECT_EQ("start\none\ntwo\nthree\n", Content(path));

    EXPECT_NE(nullptr, files.OpenForAppend(scratch.PathOf("fresh.log")));
    EXPECT_TRUE(sys::IsExistingFile(files, scratch.PathOf("fresh.log")));
    EXPECT_EQ(nullptr, files.OpenForAppend(scratch.PathOf("none/x.log")));
}

}  // namespace

#endif  // _WIN32
