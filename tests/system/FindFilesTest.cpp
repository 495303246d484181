// Tests of the wildcard find of the host's file system and of the pattern rule behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "system/Files.h"
#include "system/Machine.h"

namespace {

namespace fs = std::filesystem;

TEST(MatchesFilePattern, StarAndQuestionMarkWithLettersFolded) {
    EXPECT_TRUE(sys::MatchesFilePattern(L"CustomTavLang.Xml", L"CustomTavLang*.Xml"));
    EXPECT_TRUE(sys::MatchesFilePattern(L"customtavlang_DE.XML", L"CustomTavLang*.Xml"));
    EXPECT_FALSE(sys::MatchesFilePattern(L"CustomTavLang.Xml.bak", L"CustomTavLang*.Xml"));
    EXPECT_FALSE(sys::MatchesFilePattern(L"MyCustomTavLang.Xml", L"CustomTavLang*.Xml"));
    EXPECT_FALSE(sys::MatchesFilePattern(L"CustomTavLang.Xm", L"CustomTavLang*.Xml"));

    EXPECT_TRUE(sys::MatchesFilePattern(L"abc.txt", L"a?c.txt"));
    EXPECT_FALSE(sys::MatchesFilePattern(L"ac.txt", L"a?c.txt"));
    EXPECT_FALSE(sys::MatchesFilePattern(L"abbc.txt", L"a?c.txt"));

    // A star has to give back what a later part of the pattern needs.
    EXPECT_TRUE(sys::MatchesFilePattern(L"aaab", L"*ab"));
    EXPECT_TRUE(sys::MatchesFilePattern(L"a.b.c.xml", L"*.xml"));
    EXPECT_TRUE(sys::MatchesFilePattern(L"xaybzc", L"*a*b*c"));
    EXPECT_FALSE(sys::MatchesFilePattern(L"xaybz", L"*a*b*c"));
    EXPECT_TRUE(sys::MatchesFilePattern(L"anything", L"**"));
    EXPECT_TRUE(sys::MatchesFilePattern(L"", L"*"));
    EXPECT_FALSE(sys::MatchesFilePattern(L"a", L""));

    // Only A-Z fold, as the C runtime does without a locale.
    EXPECT_TRUE(sys::MatchesFilePattern(L"\u00C4.xml", L"\u00C4.XML"));
    EXPECT_FALSE(sys::MatchesFilePattern(L"\u00C4.xml", L"\u00E4.xml"));
}

// A real folder, removed with its contents at the end of the test.
class Folder {
public:
    Folder() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        do {
            path_ = fs::temp_directory_path() /
                    ("tav-find-" + std::to_string(stamp) + "-" + std::to_string(++counter));
        } while (!fs::create_directory(path_));
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }
    void Touch(const std::string& name) const { std::ofstream(path_ / name) << "x"; }

private:
    fs::path path_;
};

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST(HostFindFiles, ListsMatchingFilesButNoFolders) {
    Folder dir;
    dir.Touch("CustomTavLang1.Xml");
    dir.Touch("customtavlang_b.XML");
    dir.Touch("CustomTavLang1.Xml.bak");
    dir.Touch("XCustomTavLang.Xml");
    dir.Touch("TavLang.Xml");
    fs::create_directory(dir.Path() / "CustomTavLangFolder.Xml");
    fs::create_directory(dir.Path() / "sub");
    std::ofstream(dir.Path() / "sub" / "CustomTavLang2.Xml") << "x";
    sys::IFiles& files = *sys::HostMachine().files;

    const std::vector<std::wstring> custom = {L"CustomTavLang1.Xml", L"customtavlang_b.XML"};
    EXPECT_EQ(Sorted(files.FindFiles(dir.Path().wstring(), L"CustomTavLang*.Xml")), custom);
    // With a trailing separator of either kind.
    EXPECT_EQ(Sorted(files.FindFiles((dir.Path() / "").wstring(), L"CustomTavLang*.Xml")),
              custom);
    EXPECT_EQ(Sorted(files.FindFiles(dir.Path().wstring() + L"\\", L"CustomTavLang*.Xml")),
              custom);

    const std::vector<std::wstring> all = {L"CustomTavLang1.Xml", L"CustomTavLang1.Xml.bak",
                                           L"TavLang.Xml", L"XCustomTavLang.Xml",
                                           L"customtavlang_b.XML"};
    EXPECT_EQ(Sorted(files.FindFiles(dir.Path().wstring(), L"*")), all);
    EXPECT_EQ(files.FindFiles(dir.Path().wstring(), L"?avLang.Xml"),
              std::vector<std::wstring>{L"TavLang.Xml"});
    EXPECT_TRUE(files.FindFiles((dir.Path() / "missing").wstring(), L"*").empty());
}

#ifndef _WIN32
TEST(HostFindFiles, FolderWithBackslashesIsFoundOnLinux) {
    Folder dir;
    dir.Touch("CustomTavLang.Xml");
    std::wstring folder = dir.Path().wstring();
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    EXPECT_EQ(sys::HostMachine().files->FindFiles(folder, L"customTAVLANG*.xml"),
              std::vector<std::wstring>{L"CustomTavLang.Xml"});
}
#endif

}  // namespace
