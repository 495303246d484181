// tavpkg sign and verify: signing files of each signed type, verifying them after edits that
// do and do not count, files of other types, and re-signing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "fakes/ScratchFolder.h"
#include "fakes/TavpkgRunner.h"

namespace {

using Result = testing_support::ToolResult;
using testing_support::OneLine;
using testing_support::RunTool;

const char kScript[] =
    "// Print queue helpers\n"
    "/* Shared by the queue pages.\n"
    "   Keep in step with queues.htm. */\n"
    "function refresh(queue) {\n"
    "    var url = \"http://server/queue\";\n"
    "    if (queue.length > 0) {\n"
    "        return queue[0]; // the oldest job\n"
    "    }\n"
    "    return null;\n"
    "}\n";

const char kPage[] =
    "<html>\n"
    "<head><title>Queues</title></head>\n"
    "<body>\n"
    "  <!-- the list -->\n"
    "  <p>Printers</p>\n"
    "</body>\n"
    "</html>\n";

class SignVerifyCommandTest : public ::testing::Test {
protected:
    std::string Read(const std::wstring& path) {
        std::ifstream file(tav::ToUtf8(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    static size_t SignatureLines(const std::string& text) {
        size_t count = 0;
        for (size_t at = text.find("Signature={"); at != std::string::npos;
             at = text.find("Signature={", at + 1)) {
            ++count;
        }
        return count;
    }

    static std::string Name(const std::wstring& path) { return tav::ToUtf8(path); }

    testing_support::ScratchFolder folder;
};

TEST_F(SignVerifyCommandTest, SignedFilesOfEachTypeVerifyUnchanged) {
    const std::wstring js = folder.Write("queue.js", kScript);
    const std::wstring css = folder.Write("site.CSS", "body { color: red; } /* main */\n");
    const std::wstring htm = folder.Write("queues.htm", kPage);
    const std::wstring tpl = folder.Write("row.tpl", "<tr><td>[NAME]</td></tr>\n");
    const std::wstring asp = folder.Write("jobs.asp", "<% Response.Write(\"x\") %>\n<p>Jobs</p>\n");
    const std::wstring xml = folder.Write(
        "settings.xml", "<?xml version=\"1.0\"?>\n<config>\n  <item key=\"a\">1</item>\n</config>\n");

    const Result sign = RunTool({L"sign", js, css, htm, tpl, asp, xml});
    EXPECT_EQ(0, sign.code) << sign.err;
    EXPECT_EQ("", sign.err);
    EXPECT_EQ(Name(js) + ": signed (CJsSignature)\n" + Name(css) + ": signed (CJsSignature)\n" +
                  Name(htm) + ": signed (CHtmlSignature)\n" + Name(tpl) +
                  ": signed (CHtmlSignature)\n" + Name(asp) + ": signed (CASPSignature)\n" +
                  Name(xml) + ": signed (CXMLSignature)\n",
              sign.out);
    for (const auto& file : {js, css, htm, tpl, asp, xml}) {
        EXPECT_EQ(1u, SignatureLines(Read(file))) << Name(file);
    }
    // The signed content is still there.
    EXPECT_EQ(0u, Read(js).find(kScript));

    const Result verify = RunTool({L"verify", js, css, htm, tpl, asp, xml});
    EXPECT_EQ(0, verify.code) << verify.err;
    EXPECT_EQ("", verify.err);
    EXPECT_EQ(Name(js) + ": unchanged (CJsSignature)\n" + Name(css) +
                  ": unchanged (CJsSignature)\n" + Name(htm) + ": unchanged (CHtmlSignature)\n" +
                  Name(tpl) + ": unchanged (CHtmlSignature)\n" + Name(asp) +
                  ": unchanged (CASPSignature)\n" + Name(xml) + ": unchanged (CXMLSignature)\n",
              verify.out);
}

TEST_F(SignVerifyCommandTest, EditedContentIsCustomized) {
    const std::wstring js = folder.Write("queue.js", kScript);
    const std::wstring htm = folder.Write("queues.htm", kPage);
    ASSERT_EQ(0, RunTool({L"sign", js, htm}).code);

    std::string page = Read(htm);
    page.replace(page.find("Printers"), 8, "Printer list");
    folder.Write("queues.htm", page);

    const Result r = RunTool({L"verify", js, htm});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(Name(js) + ": unchanged (CJsSignature)\n" + Name(htm) +
                  ": customized (CHtmlSignature)\n",
              r.out);
    EXPECT_EQ("", r.err);

    // A file of a signed type that was never signed is customized as well.
    const std::wstring plain = folder.Write("plain.js", kScript);
    EXPECT_EQ(1, RunTool({L"verify", plain}).code);
}

// Comments, blank lines and indentation are not part of a script's signed content.
TEST_F(SignVerifyCommandTest, CommentOnlyEditOfAScriptStaysUnchanged) {
    const std::wstring js = folder.Write("queue.js", kScript);
    ASSERT_EQ(0, RunTool({L"sign", js}).code);

    std::string text = Read(js);
    text.insert(0, "// Changed by the administrator\n\n");
    text.replace(text.find("Keep in step"), 12, "Keep in line");
    text.replace(text.find("// the oldest job"), 17, "/* first */");
    text.replace(text.find("    return null;"), 16, "\treturn null;   ");
    folder.Write("queue.js", text);
    Result r = RunTool({L"verify", js});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(Name(js) + ": unchanged (CJsSignature)\n", r.out);

    // Code is content.
    text.replace(text.find("return null;"), 12, "return queue;");
    folder.Write("queue.js", text);
    r = RunTool({L"verify", js});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(Name(js) + ": customized (CJsSignature)\n", r.out);
}

TEST_F(SignVerifyCommandTest, FilesOfOtherTypesAndMissingFilesExitTwo) {
    const std::wstring txt = folder.Write("readme.txt", "Read me.\n");
    const std::wstring js = folder.Write("queue.js", kScript);  // never signed: customized

    Result r = RunTool({L"verify", txt});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("", r.out);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find(Name(txt)));

    // The other files are still verified; the file that cannot be judged decides the code.
    r = RunTool({L"verify", js, txt, folder.PathOf("missing.js")});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ(Name(js) + ": customized (CJsSignature)\n", r.out);
    EXPECT_NE(std::string::npos, r.err.find("missing.js: no such file"));

    r = RunTool({L"sign", txt, js});
    EXPECT_EQ(2, r.code);
    EXPECT_EQ("Read me.\n", Read(txt));
    EXPECT_EQ(Name(js) + ": signed (CJsSignature)\n", r.out);
    EXPECT_TRUE(OneLine(r.err)) << r.err;

    // A file that cannot be read is not signed.
    r = RunTool({L"sign", folder.PathOf("missing.js")});
    EXPECT_EQ(1, r.code);
    EXPECT_EQ("", r.out);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
}

TEST_F(SignVerifyCommandTest, SigningAgainReplacesTheEarlierLine) {
    const std::wstring js = folder.Write("queue.js", kScript);
    const std::wstring htm = folder.Write("queues.htm", kPage);
    ASSERT_EQ(0, RunTool({L"sign", js, htm}).code);

    folder.Write("queue.js", Read(js) + "refresh([]);\n");
    std::string page = Read(htm);
    page.replace(page.find("Printers"), 8, "Printer list");
    folder.Write("queues.htm", page);
    ASSERT_EQ(1, RunTool({L"verify", js, htm}).code);

    ASSERT_EQ(0, RunTool({L"sign", js, htm}).code);
    const std::string script = Read(js);
    EXPECT_EQ(1u, SignatureLines(script)) << script;
    EXPECT_NE(std::string::npos, script.find("refresh([]);\n"));
    EXPECT_EQ(1u, SignatureLines(Read(htm)));
    EXPECT_NE(std::string::npos, Read(htm).find("Printer list"));
    EXPECT_EQ(0, RunTool({L"verify", js, htm}).code);
}

TEST_F(SignVerifyCommandTest, WrongCommandLinesAndHelp) {
    const std::wstring js = folder.Write("queue.js", kScript);
    for (const auto& args : std::vector<std::vector<std::wstring>>{
             {L"sign"}, {L"verify"}, {L"sign", L"--force", js}, {L"verify", js, L"-q"}}) {
        const Result r = RunTool(args);
        EXPECT_EQ(2, r.code);
        EXPECT_TRUE(OneLine(r.err)) << r.err;
        EXPECT_EQ("", r.out);
    }
    EXPECT_EQ(kScript, Read(js));
    for (const auto& command : {L"sign", L"verify"}) {
        const Result r = RunTool({command, L"--help"});
        EXPECT_EQ(0, r.code);
        EXPECT_NE(std::string::npos, r.out.find("usage")) << r.out;
    }
}

}  // namespace
