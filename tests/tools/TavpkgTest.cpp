// The package authors' tool: its commands, output and exit codes.
#include "tavpkg/Tavpkg.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "persist/ObjContainer.h"
#include "fakes/ScratchFolder.h"
#include "fakes/TavpkgRunner.h"
#include "tavpkg/ContainerJson.h"

namespace {

using Result = testing_support::ToolResult;
using testing_support::OneLine;
using testing_support::RunTool;
using Json = nlohmann::ordered_json;

class TavpkgTest : public ::testing::Test {
protected:
    testing_support::ScratchFolder folder;
};

TEST_F(TavpkgTest, DumpPrintsTheContainerAsJsonNewestFirst) {
    const std::wstring file = folder.Write(
        "config.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<config>\n"
        "  <ITEM key=\"Name\" type=\"OCString\">say \"hi\" \\ C:\\Tav&#9;tab&#10;nl&#13;</ITEM>\n"
        "  <ITEM key=\"Count\" type=\"OCUnsignedLong\">42</ITEM>\n"
        "  <ITEM key=\"Files\" type=\"OCStringList\">\n"
        "    <ITEM key=\"0\" type=\"OCStringListItem\">a.dll</ITEM>\n"
        "    <ITEM key=\"1\" type=\"OCStringListItem\">caf\xC3\xA9 \xE2\x82\xAC</ITEM>\n"
        "  </ITEM>\n"
        "  <ITEM key=\"None\" type=\"OCStringList\"></ITEM>\n"
        "  <ITEM key=\"Sub\" type=\"OCContainer\">\n"
        "    <ITEM key=\"Inner\" type=\"OCString\">x</ITEM>\n"
        "    <ITEM key=\"Empty\" type=\"OCContainer\"></ITEM>\n"
        "  </ITEM>\n"
        "  <ITEM key=\"Skipped\" type=\"OCBuffer\">00</ITEM>\n"
        "</config>\n");
    const Result r = RunTool({L"dump", file});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(Json::parse(
        "[\n"
        "  {\"name\": \"Sub\", \"type\": \"OCContainer\", \"value\": [\n"
        "    {\"name\": \"Empty\", \"type\": \"OCContainer\", \"value\": []},\n"
        "    {\"name\": \"Inner\", \"type\": \"OCString\", \"value\": \"x\"}\n"
        "  ]},\n"
        "  {\"name\": \"None\", \"type\": \"OCStringList\", \"value\": []},\n"
        "  {\"name\": \"Files\", \"type\": \"OCStringList\", \"value\": [\"a.dll\", "
        "\"caf\xC3\xA9 \xE2\x82\xAC\"]},\n"
        "  {\"name\": \"Count\", \"type\": \"OCUnsignedLong\", \"value\": 42},\n"
        "  {\"name\": \"Name\", \"type\": \"OCString\", "
        "\"value\": \"say \\\"hi\\\" \\\\ C:\\\\Tav\\ttab\\nnl\\r\"}\n"
        "]\n"),
        Json::parse(r.out));
}

TEST_F(TavpkgTest, JsonEscapesControlCharactersAndWritesBuffersAsUpperCaseHex) {
    ObjContainer c;
    c.SetString(L"Ctl\x01", std::wstring(L"a\x1F" L"b\x7F" L"c\0d", 7));
    const uint8_t bytes[] = {0x00, 0xAB, 0x0F, 0xF0};
    c.SetBuffer(L"Blob", bytes, sizeof bytes);
    c.SetBuffer(L"Nothing", nullptr, 0);
    EXPECT_EQ(Json::parse(
        "[\n"
        "  {\"name\": \"Nothing\", \"type\": \"OCBuffer\", \"value\": \"\"},\n"
        "  {\"name\": \"Blob\", \"type\": \"OCBuffer\", \"value\": \"00AB0FF0\"},\n"
        "  {\"name\": \"Ctl\\u0001\", \"type\": \"OCString\", "
        "\"value\": \"a\\u001fb\x7F" "c\\u0000d\"}\n"
        "]\n"),
        Json::parse(tavpkg::ContainerToJson(c)));
    EXPECT_EQ("[]\n", tavpkg::ContainerToJson(ObjContainer()));
}

TEST_F(TavpkgTest, DumpExitsWithOneWhenTheFileIsNotReadToTheEnd) {
    const std::wstring cut = folder.Write(
        "cut.xml", "<r><ITEM key=\"A\" type=\"OCString\">a</ITEM><ITEM key=\"B\" type=\"OCStr");
    Result r = RunTool({L"dump", cut});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(Json::parse(R"([{"name": "A", "type": "OCString", "value": "a"}])"), Json::parse(r.out));
    EXPECT_TRUE(OneLine(r.err)) << r.err;

    r = RunTool({L"dump", folder.PathOf("missing.xml")});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("[]\n", r.out);

    r = RunTool({L"dump", folder.Write("empty.xml", "")});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("[]\n", r.out);
}

TEST_F(TavpkgTest, WrongCommandLinesGiveOneLineAndExitTwo) {
    const std::wstring file = folder.Write("c.xml", "<r/>");
    const std::vector<std::vector<std::wstring>> wrong = {
        {L"bogus"},
        {L"dump"},
        {L"dump", file, file},
        {L"dump", L"--bogus", file},
        {L"registry"},
        {L"registry", L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"HKEY_LOCAL_MACHINE\\X"},
        {L"registry", L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"--depth"},
        {L"registry", L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"--depth", L"-2"},
        {L"registry", L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"--depth", L"two"},
        {L"registry", L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"--depth", L"1x"},
        {L"registry", L"HKEY_LOCAL_MACHINE\\SOFTWARE", L"--view32"},
        {L"version"},
        {L"version", file, file},
        {L"version", file, L"--products"},
    };
    for (const auto& args : wrong) {
        const Result r = RunTool(args);
        std::string shown;
        for (const auto& a : args) shown += std::string(a.begin(), a.end()) + " ";
        EXPECT_EQ(2, r.code) << shown;
        EXPECT_TRUE(OneLine(r.err)) << shown << ": " << r.err;
        EXPECT_EQ("", r.out) << shown;
    }

    // Without any command: one line that points to the help.
    const Result none = RunTool({});
    EXPECT_EQ(2, none.code);
    EXPECT_TRUE(OneLine(none.err)) << none.err;
    EXPECT_NE(std::string::npos, none.err.find("--help"));
    EXPECT_EQ("", none.out);
}

TEST_F(TavpkgTest, HelpExitsWithZero) {
    for (const auto& args : std::vector<std::vector<std::wstring>>{
             {L"--help"}, {L"dump", L"--help"}, {L"registry", L"--help"},
             {L"version", L"--help"}, {L"dump", L"file.xml", L"--help"}}) {
        const Result r = RunTool(args);
        EXPECT_EQ(0, r.code);
        EXPECT_NE(std::string::npos, r.out.find("usage")) << r.out;
        EXPECT_EQ("", r.err);
    }
}

#ifndef _WIN32
TEST_F(TavpkgTest, RegistryAndVersionAreWindowsOnlyOnThisBuild) {
    Result r = RunTool({L"registry", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav", L"--recurse",
                    L"--depth", L"1", L"--view64"});
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_EQ("", r.out);

    r = RunTool({L"version", folder.Write("a.exe", "MZ"), L"--product"});
    EXPECT_EQ(2, r.code);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_EQ("", r.out);
}
#else
TEST_F(TavpkgTest, RegistryAndVersionAnswerForWhatIsMissing) {
    Result r =
        RunTool({L"registry", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\NoSuchKeyForTests"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ("[]\n", r.out);

    r = RunTool({L"version", folder.Write("plain.exe", "not a program"), L"--product"});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("unknown_version\n", r.out);
}
#endif

}  // namespace
