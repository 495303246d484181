// Which file a command line starts and what it is handed, for each kind of program the
// updaters name.
#include <gtest/gtest.h>

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

TEST(ProgramStartTest, CommandLinesOfThePackageChangeOnlyWhereTheirProgramIsFound) {
    const Case cases[] = {
        {L"msiexec.exe /x {1234} /qn", L"", L"C:\\Windows\\system32\\msiexec.exe",
         L"msiexec.exe /x {1234} /qn"},
        {L"\"C:\\Program Files\\T\\t.exe\" -a", L"", L"C:\\Program Files\\T\\t.exe",
         L"\"C:\\Program Files\\T\\t.exe\" -a"},
        {L"C:\\TAV\\tool.exe /y", L"", L"", L"C:\\TAV\\tool.exe /y"},
        {L"net stop x", L"", L"", L"net stop x"},
    };
    for (const Case& c : cases) {
        sys::ProgramStart start;
        ASSERT_TRUE(sys::MakeCommandStart(c.program, kSystem, start)) << c.program;
        EXPECT_EQ(c.startedFile, start.program) << c.program;
        EXPECT_EQ(c.commandLine, start.commandLine) << c.program;
    }
    sys::ProgramStart start;
    EXPECT_FALSE(sys::MakeCommandStart(L"", kSystem, start));
    EXPECT_FALSE(sys::MakeCommandStart(L"cscript x.vbs", L"", start));
}

}  // namespace
