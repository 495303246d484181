// Which file a command line starts and what it is handed, for each kind of program the
// updaters name.
#include <gtest/gtest.h>

#include "base/WideText.h"
#include "fakes/FakeFiles.h"
#include "system/ProgramStart.h"

namespace {

constexpr const wchar_t* kSystem = L"C:\\Windows\\system32";

struct Case {
    std::wstring program;
    std::wstring parameters;
    std::wstring startedFile;  // empty: left to Windows to find
    std::wstring commandLine;
};

TEST(ProgramStartTest, EachKindOfProgramStartsItsOwnFile) {
    const Case cases[] = {
        // Windows tools come from the system folder; the command line keeps its words.
        {L"regsvr32.exe", L"/s \"C:\\TAV\\x.dll\"", L"C:\\Windows\\system32\\regsvr32.exe",
         L"regsvr32.exe /s \"C:\\TAV\\x.dll\""},
        {L"cscript.exe", L" \"C:\\S\\a.vbs\"", L"C:\\Windows\\system32\\cscript.exe",
         L"cscript.exe  \"C:\\S\\a.vbs\""},
        {L"MSIEXEC", L"/i x.msi", L"C:\\Windows\\system32\\msiexec.exe", L"MSIEXEC /i x.msi"},
        // A quoted path first: the file inside the quotes, ".exe" added as Windows would.
        {L"\"D:\\Tarnova Server\\Qelsrv.exe\" /RegServer", L"", L"D:\\Tarnova Server\\Qelsrv.exe",
         L"\"D:\\Tarnova Server\\Qelsrv.exe\" /RegServer"},
        {L"\"C:\\Windows\\system32\\inetsrv\\appcmd\"", L"list site",
         L"C:\\Windows\\system32\\inetsrv\\appcmd.exe",
         L"\"C:\\Windows\\system32\\inetsrv\\appcmd\" list site"},
        // A path: quoted in the command line when it holds a blank.
        {L"D:\\Tarnova Server\\Tool.exe", L"/x", L"D:\\Tarnova Server\\Tool.exe",
         L"\"D:\\Tarnova Server\\Tool.exe\" /x"},
        {L"C:\\Win\\Microsoft.NET\\Framework\\v4.0.30319\\regasm", L"\"a.dll\"",
         L"C:\\Win\\Microsoft.NET\\Framework\\v4.0.30319\\regasm.exe",
         L"C:\\Win\\Microsoft.NET\\Framework\\v4.0.30319\\regasm \"a.dll\""},
        {L"\\\\srv\\share\\setup.exe", L"", L"\\\\srv\\share\\setup.exe", L"\\\\srv\\share\\setup.exe"},
        // A name without a folder is found by Windows, as it always was.
        {L"notepad.exe", L"a b.txt", L"", L"notepad.exe a b.txt"},
        {L"sub dir\\x.exe", L"", L"", L"\"sub dir\\x.exe\""},
    };
    for (const Case& c : cases) {
        sys::ProgramStart start;
        ASSERT_TRUE(sys::MakeProgramStart(c.program, c.parameters, kSystem, start)) << c.program;
        EXPECT_EQ(c.startedFile, start.program) << c.program;
        EXPECT_EQ(c.commandLine, start.commandLine) << c.program;
    }
}

TEST(ProgramStartTest, QuotingDoublesOnlyTheBackslashesBeforeTheClosingQuote) {
    const struct {
        std::wstring value, quoted;
    } cases[] = {
        {L"C:\\TAV\\", L"\"C:\\TAV\\\\\""},
        {L"C:\\TAV\\\\", L"\"C:\\TAV\\\\\\\\\""},
        {L"C:\\TAV\\x.dll", L"\"C:\\TAV\\x.dll\""},
        {L"", L"\"\""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.quoted, sys::Quoted(c.value)) << tav::ToUtf8(c.value);
    // Our own tools take an argument up to the next quote.
    EXPECT_EQ(L"\"C:\\TAV\\\"", sys::QuotedVerbatim(L"C:\\TAV\\"));
}

TEST(ProgramStartTest, ProgramsThatWouldBreakTheirQuotesAreRefused) {
    const struct {
        std::wstring program;
        std::wstring systemFolder;
    } cases[] = {
        {L"", kSystem},
        {L"D:\\Tarnova\" Server\\x.exe", kSystem},  // a quote inside a path
        {L"\"D:\\a\"b.exe\" /RegServer", kSystem},   // quotes close inside a word
        {L"\"D:\\Tarnova Server\\x.exe", kSystem},   // quotes never close
        {L"\"\" /x", kSystem},
        {L"regsvr32.exe", L""},  // a tool while the system folder is unknown
    };
    for (const auto& c : cases) {
        sys::ProgramStart start;
        EXPECT_FALSE(sys::MakeProgramStart(c.program, L"/p", c.systemFolder, start)) << c.program;
    }
}

TEST(ProgramStartTest, ACommandLineStartsTheProgramItNamesAndKeepsItsWords) {
    fakes::FakeFiles files;
    files.AddFile(L"C:\\Program.exe");  // what the folder's first word would start
    files.AddFile(L"C:\\Program Files\\Kelmark\\Tav\\tools\\setup.exe");
    files.AddFile(L"C:\\Program Files\\Kelmark\\Tav\\tools\\TavCheck.exe");
    files.AddFile(L"C:\\TAV\\tool.exe");
    files.AddFolder(L"C:\\TAV\\tool.exe x");
    const Case cases[] = {
        // The longest part ending at a blank that is a file.
        {L"C:\\Program Files\\Kelmark\\Tav\\tools\\setup.exe /q", L"",
         L"C:\\Program Files\\Kelmark\\Tav\\tools\\setup.exe",
         L"C:\\Program Files\\Kelmark\\Tav\\tools\\setup.exe /q"},
        {L"C:\\TAV\\tool.exe x /y", L"", L"C:\\TAV\\tool.exe", L"C:\\TAV\\tool.exe x /y"},
        // A quoted first word is the program.
        {L"\"C:\\Program Files\\T\\t.exe\" -a", L"", L"C:\\Program Files\\T\\t.exe",
         L"\"C:\\Program Files\\T\\t.exe\" -a"},
        // A bare name is the system folder's program, quoted or not.
        {L"msiexec.exe /x {1234} /qn", L"", L"C:\\Windows\\system32\\msiexec.exe",
         L"msiexec.exe /x {1234} /qn"},
        {L"net stop x", L"", L"C:\\Windows\\system32\\net.exe", L"net stop x"},
        {L"\"cmd.exe\" /c dir", L"", L"C:\\Windows\\system32\\cmd.exe", L"\"cmd.exe\" /c dir"},
    };
    for (const Case& c : cases) {
        sys::ProgramStart start;
        ASSERT_TRUE(sys::MakeCommandStart(c.program, kSystem, files, start)) << tav::ToUtf8(c.program);
        EXPECT_EQ(c.startedFile, start.program) << tav::ToUtf8(c.program);
        EXPECT_EQ(c.commandLine, start.commandLine) << tav::ToUtf8(c.program);
    }
    // Refused: no file as written at any blank, quotes that do not close, no system folder for a
    // bare name.
    fakes::FakeFiles empty;
    empty.AddFile(L"C:\\Program.exe");
    empty.AddFile(L"C:\\Program Files\\T\\TavCheck.exe");
    for (const auto& [line, folder] : {std::pair{L"C:\\Program Files\\T\\setup.exe /q", kSystem},
                                       std::pair{L"C:\\Program Files\\T\\TavCheck 0", kSystem},
                                       std::pair{L"", kSystem}, std::pair{L"\"C:\\a b.exe /q", kSystem},
                                       std::pair{L"cscript x.vbs", L""}}) {
        sys::ProgramStart start;
        EXPECT_FALSE(sys::MakeCommandStart(line, folder, empty, start)) << tav::ToUtf8(line);
    }
}

}  // namespace
