// Tests of tavpkg text: the text printed, exit codes and usage errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/Machine.h"
#include "fakes/ScratchFolder.h"
#include "fakes/TavpkgRunner.h"

namespace {

using Result = testing_support::ToolResult;
using testing_support::OneLine;
using testing_support::RunTool;

class TextCommandTest : public ::testing::Test {
protected:
    TextCommandTest() {
        folder.Write("TavLang.Xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TAVLANG>\n"
                     "<STRING code=\"53000\"><LANG code=\"EN\">Welcome</LANG>"
                     "<LANG code=\"DE\">Willkommen f\xC3\xBCr Sie</LANG></STRING>\n"
                     "<STRING code=\"-3\"><LANG code=\"EN\">negative</LANG></STRING>\n"
                     "<STRING code=\"7\"><LANG code=\"EN\"></LANG></STRING>\n"
                     "</TAVLANG>\n");
        folder_ = folder.PathOf("");
    }

    testing_support::ScratchFolder folder;
    std::wstring folder_;
};

TEST_F(TextCommandTest, PrintsTheTextAsUtf8WithANewline) {
    Result r = RunTool({L"text", L"53000", L"EN", L"--folder", folder_});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Welcome\n");
    EXPECT_EQ(r.err, "");

    r = RunTool({L"text", L"--folder", folder_, L"53000", L"DEU"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Willkommen f\xC3\xBCr Sie\n");

    r = RunTool({L"text", L"-3", L"EN", L"--folder", folder_});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "negative\n");

    // An empty text is a text.
    r = RunTool({L"text", L"7", L"EN", L"--folder", folder_});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "\n");
}

TEST_F(TextCommandTest, MissingTextExitsWithOne) {
    for (const auto& args : std::vector<std::vector<std::wstring>>{
             {L"text", L"53000", L"FR", L"--folder", folder_},
             {L"text", L"53001", L"EN", L"--folder", folder_},
             {L"text", L"53000", L"EN", L"--folder", folder_ + L"/missing"}}) {
        const Result r = RunTool(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(OneLine(r.err)) << r.err;
    }
}

TEST_F(TextCommandTest, WrongCommandLinesAreUsageErrors) {
    for (const auto& args : std::vector<std::vector<std::wstring>>{
             {L"text"},
             {L"text", L"53000"},
             {L"text", L"53000", L"EN", L"DE"},
             {L"text", L"5300x", L"EN"},
             {L"text", L"", L"EN"},
             {L"text", L"-", L"EN"},
             {L"text", L"2147483648", L"EN"},
             {L"text", L"53000", L""},
             {L"text", L"53000", L"EN", L"--folder"},
             {L"text", L"53000", L"EN", L"--lang"}}) {
        const Result r = RunTool(args);
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(OneLine(r.err)) << r.err;
    }
    const Result help = RunTool({L"text", L"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("usage: tavpkg text ID LANG [--folder DIR]"), std::string::npos);
    EXPECT_NE(RunTool({L"--help"}).out.find("text ID LANG"), std::string::npos);
}

// The program path of the host replaced with one inside the test's folder.
class ToolIn final : public sys::IProgram {
public:
    explicit ToolIn(std::wstring path) : path_(std::move(path)) {}
    std::wstring ExecutablePath() override { return path_; }

private:
    std::wstring path_;
};

TEST_F(TextCommandTest, WithoutAFolderReadsTheToolsOwn) {
    ToolIn program(folder.PathOf("tavpkg"));
    sys::Machine machine = sys::HostMachine();
    machine.program = &program;
    sys::Machine* previous = sys::ReplaceCurrentMachine(&machine);
    const Result r = RunTool({L"text", L"53000", L"EN"});
    sys::ReplaceCurrentMachine(previous);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Welcome\n");
}

}  // namespace
