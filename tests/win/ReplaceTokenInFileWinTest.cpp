// The built ReplaceTokenInFile.exe on real files: exact bytes in each encoding, exit codes,
// attributes, a locked file, and the updater running it from a package folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "system/win32/Win32Launcher.h"
#include "updater/TupModuleUpdaterTestWorld.h"
#include "win/WinScratchFolder.h"
#include "win/WinTestSupport.h"
#include "win/WinUpdaterSupport.h"

namespace {

using namespace std::string_literals;

std::wstring Tool() { return wintest::WindowsPathOf(TAV_REPLACE_TOKEN_EXE); }

// Runs the tool with the file, token and replacement each in double quotes, as the updater
// writes them; the exit code, or -1 when it did not start.
int RunTool(const std::wstring& file, const std::wstring& token, const std::wstring& replacement) {
    sys::win32::Win32Launcher launcher;
    uint32_t exitCode = 0;
    const std::wstring line = L"\"" + Tool() + L"\" \"" + file + L"\" \"" + token + L"\" \"" +
                              replacement + L"\"";
    if (!launcher.Run(L"", line, true, &exitCode)) return -1;
    return static_cast<int>(exitCode);
}

int RunToolWith(const std::wstring& arguments) {
    sys::win32::Win32Launcher launcher;
    uint32_t exitCode = 0;
    if (!launcher.Run(L"", L"\"" + Tool() + L"\" " + arguments, true, &exitCode)) return -1;
    return static_cast<int>(exitCode);
}

std::string Utf16(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

class ReplaceTokenInFileWin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch.Made()); }

    // Writes content to a file of the scratch folder, runs the tool on it and reads it back.
    int Edit(const std::string& content, const std::wstring& token,
             const std::wstring& replacement, std::string& result) {
        const std::wstring file = scratch.PathOf(L"settings.ini");
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_TRUE(wintest::WriteWholeFile(file, content));
        const int code = RunTool(file, token, replacement);
        EXPECT_TRUE(wintest::ReadWholeFile(file, result));
        return code;
    }

    // The number of entries in the scratch folder: a temporary file left behind shows.
    int Entries() const {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW(scratch.PathOf(L"*").c_str(), &found);
        int count = 0;
        if (search == INVALID_HANDLE_VALUE) return 0;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") ++count;
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return count;
    }

    wintest::WinScratchFolder scratch;
};

TEST_F(ReplaceTokenInFileWin, Utf8FilesGetUtf8AndKeepTheirMark) {
    std::string result;
    // A folder ending in a backslash is one argument, not an escaped quote.
    EXPECT_EQ(0, Edit("root=[$P]\r\nagain=[$P]x\r\n", L"[$P]", L"C:\\Program Files\\M\u00FCller\\",
                      result));
    EXPECT_EQ("root=C:\\Program Files\\M\xC3\xBCller\\\r\nagain=C:\\Program Files\\M\xC3\xBCller\\x\r\n",
              result);
    EXPECT_EQ(0, Edit("\xEF\xBB\xBF<a v=\"@T@\"/>", L"@T@", L"\u20AC\u03A9", result));
    EXPECT_EQ("\xEF\xBB\xBF<a v=\"\xE2\x82\xAC\xCE\xA9\"/>", result);
    EXPECT_EQ(1, Entries());
}

TEST_F(ReplaceTokenInFileWin, Utf16FilesGetUtf16) {
    std::string result;
    EXPECT_EQ(0, Edit(Utf16(L"host=%HOST%;port=1\r\n"), L"%HOST%", L"srv\u00E9\u03A9", result));
    EXPECT_EQ(Utf16(L"host=srv\u00E9\u03A9;port=1\r\n"), result);
}

TEST_F(ReplaceTokenInFileWin, CodePageFilesGetTheCodePageOrStayUntouched) {
    if (GetACP() != 1252) GTEST_SKIP() << "the system code page is " << GetACP();
    std::string result;
    const std::string content = "Stra\xDF" "e=@T@";  // not UTF-8
    EXPECT_EQ(0, Edit(content, L"@T@", L"M\u00FCller \u20AC", result));
    EXPECT_EQ("Stra\xDF" "e=M\xFCller \x80", result);
    // Omega has no Windows-1252 byte and no best-fit look-alike is accepted.
    EXPECT_EQ(1, Edit(content, L"@T@", L"\u03A9", result));
    EXPECT_EQ(content, result);
    EXPECT_EQ(1, Edit(content, L"@T@", L"\u0100", result));  // best fit would give 'A'
    EXPECT_EQ(content, result);
    EXPECT_EQ(1, Entries());
}

TEST_F(ReplaceTokenInFileWin, ExitCodesAndAttributes) {
    const std::wstring file = scratch.PathOf(L"ro.ini");
    ASSERT_TRUE(wintest::WriteWholeFile(file, "a=@T@"));
    const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), attributes));
    EXPECT_EQ(0, RunTool(file, L"@T@", L"b"));
    std::string content;
    ASSERT_TRUE(wintest::ReadWholeFile(file, content));
    EXPECT_EQ("a=b", content);
    EXPECT_EQ(attributes, GetFileAttributesW(file.c_str()));

    // Nothing to replace: the file is not written again.
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL));
    FILETIME before{}, after{};
    {
        wintest::OpenFile handle(CreateFileW(file.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(handle.IsOpen());
        SYSTEMTIME longAgo{2001, 1, 1, 1, 12, 0, 0, 0};
        ASSERT_TRUE(SystemTimeToFileTime(&longAgo, &before));
        ASSERT_TRUE(SetFileTime(handle.Get(), nullptr, nullptr, &before));
    }
    EXPECT_EQ(0, RunTool(file, L"@T@", L"c"));
    {
        wintest::OpenFile handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(GetFileTime(handle.Get(), nullptr, nullptr, &after));
    }
    EXPECT_EQ(before.dwLowDateTime, after.dwLowDateTime);
    EXPECT_EQ(before.dwHighDateTime, after.dwHighDateTime);

    // A file another program holds without sharing stays as it is.
    {
        ASSERT_TRUE(wintest::WriteWholeFile(file, "x=@T@"));
        wintest::OpenFile held(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           0, nullptr));
        ASSERT_TRUE(held.IsOpen());
        EXPECT_EQ(1, RunTool(file, L"@T@", L"y"));
    }
    ASSERT_TRUE(wintest::ReadWholeFile(file, content));
    EXPECT_EQ("x=@T@", content);
    EXPECT_EQ(1, Entries());

    EXPECT_EQ(1, RunTool(scratch.PathOf(L"missing.ini"), L"@T@", L"y"));
    EXPECT_EQ(1, RunTool(scratch.Path(), L"@T@", L"y"));  // a folder
    EXPECT_EQ(2, RunTool(file, L"", L"y"));
    EXPECT_EQ(2, RunToolWith(L"\"" + file + L"\" \"@T@\""));
    EXPECT_EQ(2, RunToolWith(L""));
}

// The updater's token replacement phase with the tool in the wizard's package folder.
TEST(ReplaceTokenInFileUpdaterWin, TheUpdaterRunsTheToolFromThePackageFolder) {
    wintest::WinScratchFolder wizard;
    ASSERT_TRUE(wizard.Made());
    const std::wstring package = wizard.PathOf(L"package\\");
    ASSERT_TRUE(CreateDirectoryW(package.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(Tool().c_str(), (package + L"ReplaceTokenInFile.exe").c_str(), TRUE));
    const std::wstring file = wizard.PathOf(L"web.config");
    ASSERT_TRUE(wintest::WriteWholeFile(file, "\xEF\xBB\xBF<add value=\"%HOST%\"/>"));

    wintest::ProgramElsewhere program(wizard.PathOf(L"TavUpdateWizard.exe"));
    updater_tests::IdTexts texts;
    std::wstring language = L"EN";
    updater_tests::RecordingOwner owner;
    uint32_t enforce = 0;
    CTupManager manager(&texts, &language, enforce);
    manager.SetOwner(&owner);
    ASSERT_EQ(package, manager.PackageFolder());
    CTupModuleUpdater updater;
    updater.Attach(&manager, &texts, &language);
    CTupFileTokenReplacement item;
    item.SetFile(file);
    item.SetToken(L"%HOST%");
    item.SetReplacement(L"srv\u00FC");
    updater.TokensToReplaceInFiles() = {item};

    // No files: the file phase passes and the later phases follow.
    EXPECT_EQ(1, updater.ApplyUpdate());

    std::string content;
    ASSERT_TRUE(wintest::ReadWholeFile(file, content));
    EXPECT_EQ("\xEF\xBB\xBF<add value=\"srv\xC3\xBC\"/>", content);
    std::lock_guard<std::mutex> lock(owner.mutex);
    ASSERT_FALSE(owner.reports.empty());
    EXPECT_EQ(tav::kTextReplacingTokenInFile, owner.reports.back().id);
}

}  // namespace
