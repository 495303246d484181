// Tests of the judging of paths a restore would change, in Windows form as real logs hold them.
#include <gtest/gtest.h>

#include <string>

#include "fakes/FakeMachine.h"
#include "restore/PathGuard.h"

namespace {

using restore::PathGuard;

TEST(PathGuardTest, RefusesEveryFormThatCouldLeadElsewhere) {
    struct Case {
        const wchar_t* path;
        const char* problem;  // a part of the reason; empty when sound
    };
    const Case cases[] = {
        {L"C:\\Tav\\bin\\a.dll", ""},
        {L"d:/Tav//bin/a.dll", ""},
        {L"C:\\Tav\\bin\\a.dll.old", ""},
        {L"C:\\Tav\\..\\Windows\\a.dll", "\"..\" component"},
        {L"C:\\Tav\\.\\a.dll", "\"..\" component"},
        {L"C:\\Tav\\...\\a.dll", "ending in a dot or blank"},
        {L"C:\\Tav\\a.dll ", "ending in a dot or blank"},
        {L"\\\\server\\share\\a.dll", "UNC"},
        {L"\\\\?\\C:\\Tav\\a.dll", "UNC"},
        {L"\\\\.\\C:\\Tav\\a.dll", "UNC"},
        {L"//server/share/a.dll", "UNC"},
        {L"C:\\Tav\\a.dll:stream", "alternate data stream"},
        {L"C:\\Tav\\a.dll::$DATA", "alternate data stream"},
        {L"C:Tav\\a.dll", "not a full path"},
        {L"\\Tav\\a.dll", "not a full path"},
        {L"Tav\\a.dll", "not a full path"},
        {L"", "empty"},
        {L"C:\\Tav\\CON", "device"},
        {L"C:\\Tav\\com1.txt", "device"},
        {L"C:\\Tav\\LPT9 .log", "device"},
        {L"C:\\Tav\\COM\u00b9", "device"},
        {L"C:\\Tav\\lpt\u00b3.txt", "device"},
        {L"C:\\Tav\\com\u00b2 .log", "device"},
        {L"C:\\Tav\\com\u00b4", ""},
        {L"C:\\Tav\\console.txt", ""},
        {L"C:\\Tav\\a*.dll", "character"},
        {L"C:\\Tav\\a\x01.dll", "character"},
    };
    for (const Case& c : cases) {
        const std::string problem = PathGuard::FormProblem(c.path);
        if (*c.problem) {
            EXPECT_NE(std::string::npos, problem.find(c.problem)) << tav::ToUtf8(c.path) << ": " << problem;
        } else {
            EXPECT_EQ("", problem) << tav::ToUtf8(c.path);
        }
    }
}

TEST(PathGuardTest, TheInstallationIsTheFolderAboveTheBackupsOwnTupBkp) {
    struct Case {
        const wchar_t* backup;
        const wchar_t* installation;  // empty: refused
    };
    const Case cases[] = {
        {L"C:\\Tav\\_TupBkp\\20261209_1\\", L"C:\\Tav\\"},
        {L"C:\\Tav\\_tupbkp\\20261209_1", L"C:\\Tav\\"},
        {L"C:/Program Files/Tav/_TupBkp/run/", L"C:\\Program Files\\Tav\\"},
        {L"C:\\Tav\\Bkp\\20261209_1\\", L""},
        {L"C:\\_TupBkp\\20261209_1\\", L""},  // a drive's root is no installation
        {L"C:\\Tav\\_TupBkp\\", L""},
        {L"C:\\Tav\\_TupBkp\\..\\x\\", L""},
        {L"\\\\server\\share\\Tav\\_TupBkp\\run\\", L""},
        {L"Tav\\_TupBkp\\run\\", L""},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(std::wstring(c.installation), PathGuard::InstallationOf(c.backup, why)) << tav::ToUtf8(c.backup);
        EXPECT_EQ(!*c.installation, !why.empty()) << tav::ToUtf8(c.backup);
    }
}

TEST(PathGuardTest, APathMayBeChangedOnlyInsideTheInstallationOrAFolderNamedForIt) {
    fakes::FakeMachine machine;
    const PathGuard guard(machine.files, L"C:\\Tav\\");
    const std::vector<std::wstring> folders{L"C:\\Windows\\System32\\spool\\prtprocs\\x64\\", L"C:\\",
                                            L"C:\\Tav\\..\\Windows\\", L"\\\\server\\share\\"};
    struct Case {
        const wchar_t* path;
        const wchar_t* root;  // empty: refused
    };
    const Case cases[] = {
        {L"C:\\Tav\\bin\\a.dll", L"C:\\Tav\\"},
        {L"c:\\TAV\\a.dll", L"C:\\Tav\\"},
        {L"C:\\Windows\\System32\\spool\\prtprocs\\x64\\p.dll", L"C:\\Windows\\System32\\spool\\prtprocs\\x64\\"},
        {L"C:\\Tav", L""},           // the installation itself
        {L"C:\\Tavern\\a.dll", L""},  // a folder whose name only begins like it
        {L"C:\\Windows\\a.dll", L""},  // a drive root or an unsound folder allows nothing
        {L"\\\\server\\share\\a.dll", L""},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(std::wstring(c.root), guard.RootFor(c.path, folders, why)) << tav::ToUtf8(c.path);
        EXPECT_EQ(!*c.root, !why.empty()) << tav::ToUtf8(c.path);
    }
}

TEST(PathGuardTest, ALinkBelowTheRootIsRefusedWhereverItIsOnTheWay) {
    fakes::FakeMachine machine;
    machine.files.AddFolder(L"C:\\Tav\\web\\sub");
    machine.files.AddFile(L"C:\\Tav\\web\\sub\\a.asp", "x");
    const PathGuard guard(machine.files, L"C:\\Tav\\");
    EXPECT_EQ("", guard.LinkOnTheWay(L"C:\\Tav\\", L"C:\\Tav\\web\\sub\\a.asp"));
    EXPECT_EQ("", guard.LinkOnTheWay(L"C:\\Tav\\", L"C:\\Tav\\web\\new\\b.asp"));
    for (const wchar_t* link : {L"C:\\Tav\\web", L"C:\\Tav\\web\\sub", L"C:\\Tav\\web\\sub\\a.asp"}) {
        uint32_t attributes = 0;
        ASSERT_TRUE(machine.files.GetAttributes(link, attributes));
        ASSERT_TRUE(machine.files.SetAttributes(link, attributes | sys::FileAttribute::ReparsePoint));
        EXPECT_NE(std::string::npos, guard.LinkOnTheWay(L"C:\\Tav\\", L"C:\\Tav\\web\\sub\\a.asp").find(
                                         "link or junction at " + tav::ToUtf8(link)));
        ASSERT_TRUE(machine.files.SetAttributes(link, attributes));
    }
}

}  // namespace
