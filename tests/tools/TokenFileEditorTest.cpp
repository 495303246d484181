// ReplaceTokenInFile's logic on the fake machine: each encoding with its mark kept, where a
// token may match, files left untouched on every failure, attributes, and the command line.
#include "ReplaceTokenInFile/TokenFileEditor.h"

#include <gtest/gtest.h>

#include <sstream>

#include "ReplaceTokenInFile/ReplaceTokenCommand.h"
#include "base/WideText.h"
#include "fakes/FakeMachine.h"

namespace {

using replacetoken::TokenFileEditor;
using Outcome = TokenFileEditor::Outcome;
using namespace std::string_literals;

const std::wstring kFile = L"C:\\TAV\\web\\settings.ini";

// UTF-16LE bytes of text, with the byte-order mark in front.
std::string Utf16(const std::wstring& text) {
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    tav::AppendUtf16Le(bytes, text);
    return std::string(bytes.begin(), bytes.end());
}

// A double-byte code page in miniature: 0x81 begins a two-byte character.
class LeadByteCodePage final : public sys::ICodePage {
public:
    bool FromWide(std::wstring_view text, std::string& bytes) override {
        return sys::Windows1252CodePage().FromWide(text, bytes);
    }
    bool IsLeadByte(uint8_t byte) override { return byte == 0x81; }
    void ToLower(std::string&) override {}  // not used by the editor
};

class TokenFileEditorTest : public ::testing::Test {
protected:
    // The file's content after replacing token, and the outcome.
    Outcome Edit(const std::string& content, const std::wstring& token,
                 const std::wstring& replacement, std::string& result) {
        machine.files.AddFile(kFile, content);
        const Outcome outcome = TokenFileEditor().Replace(kFile, token, replacement);
        result = machine.files.Read(kFile);
        return outcome;
    }

    // Only the file itself is in its folder: no temporary file was left behind.
    void ExpectNoLeftovers() {
        EXPECT_EQ(std::vector<std::wstring>{kFile}, machine.files.List(L"C:\\TAV\\web"));
    }

    fakes::FakeMachine machine;
};

TEST_F(TokenFileEditorTest, EachEncodingKeepsItsMarkAndGetsTheReplacementInItsOwnForm) {
    std::string result;
    // UTF-8 without a mark stays without one.
    EXPECT_EQ(Outcome::Replaced, Edit("a=[$X];b=[$X]\r\n", L"[$X]", L"C:\\Müller\\", result));
    EXPECT_EQ("a=C:\\M\xC3\xBCller\\;b=C:\\M\xC3\xBCller\\\r\n", result);

    EXPECT_EQ(Outcome::Replaced, Edit("\xEF\xBB\xBFname=\xC3\xA9@T@", L"@T@", L"\u20AC", result));
    EXPECT_EQ("\xEF\xBB\xBFname=\xC3\xA9\xE2\x82\xAC", result);

    EXPECT_EQ(Outcome::Replaced, Edit(Utf16(L"k=@T@\r\n"), L"@T@", L"\u03A9 \u00FC", result));
    EXPECT_EQ(Utf16(L"k=\u03A9 \u00FC\r\n"), result);

    // Not UTF-8 (0xDF alone): the system code page, here Windows-1252.
    EXPECT_EQ(Outcome::Replaced, Edit("Stra\xDF" "e=@T@", L"@T@", L"M\u00FCller \u20AC", result));
    EXPECT_EQ("Stra\xDF" "e=M\xFCller \x80", result);
    ExpectNoLeftovers();
}

TEST_F(TokenFileEditorTest, TokensMatchWholeNonOverlappingAndNeverLoop) {
    std::string result;
    EXPECT_EQ(Outcome::Replaced, Edit("@T@mid@T@@T@", L"@T@", L"x@T@x", result));
    EXPECT_EQ("x@T@xmidx@T@xx@T@x", result);
    EXPECT_EQ(Outcome::Replaced, Edit("aaa", L"aa", L"X", result));
    EXPECT_EQ("Xa", result);
    EXPECT_EQ(Outcome::Replaced, Edit("[$A]-[$A]", L"[$A]", L"", result));
    EXPECT_EQ("-", result);
    EXPECT_EQ(Outcome::Replaced, Edit("short@T@", L"@T@", L"a much longer text", result));
    EXPECT_EQ("shorta much longer text", result);
    // Case matters.
    EXPECT_EQ(Outcome::Unchanged, Edit("[$a]", L"[$A]", L"x", result));
    EXPECT_EQ("[$a]", result);
}

TEST_F(TokenFileEditorTest, Utf16MatchesOnlyWholeUnitsAndKeepsWhatItCannotRead) {
    std::string result;
    // The bytes of "A" (41 00) also stand at an odd offset, inside U+4100 U+2000.
    EXPECT_EQ(Outcome::Replaced,
              Edit(Utf16(L"\u4100\u2000A"), L"A", L"B", result));
    EXPECT_EQ(Utf16(L"\u4100\u2000B"), result);

    // An odd last byte and an unpaired surrogate are kept as they were.
    std::string odd = Utf16(L"@T@") + "\x7A";
    EXPECT_EQ(Outcome::Replaced, Edit(odd, L"@T@", L"ok", result));
    EXPECT_EQ(Utf16(L"ok") + "\x7A", result);
    const std::string lone = "\xFF\xFE\x00\xD8"s + Utf16(L"=@T@").substr(2);
    EXPECT_EQ(Outcome::Replaced, Edit(lone, L"@T@", L"ok", result));
    EXPECT_EQ("\xFF\xFE\x00\xD8"s + Utf16(L"=ok").substr(2), result);
}

TEST_F(TokenFileEditorTest, ADoubleByteCodePageMatchesOnlyWhereACharacterBegins) {
    LeadByteCodePage codePage;
    std::string result;
    size_t count = 0;
    // 0x81 0x40 is one character whose second byte is '@'; the last '@' is a character.
    EXPECT_EQ(Outcome::Replaced,
              TokenFileEditor::ReplaceInContent("\x81@x\xFF@", L"@", L"#", codePage, result, count));
    EXPECT_EQ("\x81@x\xFF#", result);
    EXPECT_EQ(1u, count);
}

TEST_F(TokenFileEditorTest, TextTheFileCannotHoldLeavesItUntouched) {
    std::string result;
    const std::string codePageFile = "caf\xE9=@T@";
    EXPECT_EQ(Outcome::NotRepresentable, Edit(codePageFile, L"@T@", L"\u03A9", result));
    EXPECT_EQ(codePageFile, result);
    EXPECT_EQ(Outcome::NotRepresentable, Edit(codePageFile, L"\u0416", L"x", result));
    // An unpaired surrogate has no UTF-8 form.
    EXPECT_EQ(Outcome::NotRepresentable,
              Edit("plain @T@", L"@T@", std::wstring(1, static_cast<wchar_t>(0xD800)), result));
    EXPECT_EQ("plain @T@", result);
    // UTF-16 big endian and UTF-32 are not edited at all.
    const std::string bigEndian = "\xFE\xFF\x00@\x00T\x00@"s;
    EXPECT_EQ(Outcome::UnsupportedFile, Edit(bigEndian, L"@", L"x", result));
    EXPECT_EQ(bigEndian, result);
    EXPECT_EQ(Outcome::UnsupportedFile, Edit("\xFF\xFE\0\0@\0\0\0"s, L"@", L"x", result));
    ExpectNoLeftovers();
}

TEST_F(TokenFileEditorTest, NothingToReplaceDoesNotRewriteTheFile) {
    machine.files.FailWritesAfter(0);  // any write would fail
    std::string result;
    EXPECT_EQ(Outcome::Unchanged, Edit("no token here", L"@T@", L"x", result));
    EXPECT_EQ(Outcome::Unchanged, Edit("same @T@", L"@T@", L"@T@", result));
    EXPECT_EQ(Outcome::Unchanged, Edit("", L"@T@", L"x", result));
    EXPECT_EQ("", result);
}

TEST_F(TokenFileEditorTest, AFailedWriteLeavesTheFileAsItWasAndNoTemporaryFile) {
    const std::string content = "first @T@ line\r\nsecond @T@ line\r\n";
    machine.files.FailWritesAfter(10);  // a disk that fills up during the write
    std::string result;
    EXPECT_EQ(Outcome::WriteFailed, Edit(content, L"@T@", L"replacement", result));
    EXPECT_EQ(content, result);
    ExpectNoLeftovers();

    // A folder that takes no new file.
    fakes::FakeMachine other;
    other.files.AddFile(kFile, content);
    other.files.DenyCreateIn(L"C:\\TAV\\web");
    EXPECT_EQ(Outcome::WriteFailed, TokenFileEditor().Replace(kFile, L"@T@", L"x"));
    EXPECT_EQ(content, other.files.Read(kFile));
}

TEST_F(TokenFileEditorTest, AFileThatCannotBeReplacedKeepsItsContentAndAttributes) {
    const uint32_t attributes = sys::FileAttribute::ReadOnly | sys::FileAttribute::Archive;
    machine.files.AddFile(kFile, "a=@T@", attributes);
    machine.files.DenyDelete(kFile);  // the move onto it fails after the new file is written
    EXPECT_EQ(Outcome::WriteFailed, TokenFileEditor().Replace(kFile, L"@T@", L"b"));
    EXPECT_EQ("a=@T@", machine.files.Read(kFile));
    EXPECT_EQ(attributes, machine.files.Attributes(kFile));
    ExpectNoLeftovers();
}

TEST_F(TokenFileEditorTest, AttributesStayAndATakenTemporaryNameIsLeftAlone) {
    const uint32_t attributes = sys::FileAttribute::ReadOnly | sys::FileAttribute::Hidden |
                                sys::FileAttribute::Archive;
    machine.files.AddFile(kFile, "@T@", attributes);
    machine.files.AddFile(kFile + L"~0.tmp", "someone else's");
    EXPECT_EQ(Outcome::Replaced, TokenFileEditor().Replace(kFile, L"@T@", L"done"));
    EXPECT_EQ("done", machine.files.Read(kFile));
    EXPECT_EQ(attributes, machine.files.Attributes(kFile));
    EXPECT_EQ("someone else's", machine.files.Read(kFile + L"~0.tmp"));
    EXPECT_EQ(2u, machine.files.List(L"C:\\TAV\\web").size());
}

TEST_F(TokenFileEditorTest, MissingFilesFoldersAndEmptyTokensFail) {
    machine.files.AddFolder(L"C:\\TAV\\folder.ini");
    machine.files.AddFile(kFile, "@T@");
    TokenFileEditor editor;
    EXPECT_EQ(Outcome::ReadFailed, editor.Replace(L"C:\\TAV\\missing.ini", L"@T@", L"x"));
    EXPECT_EQ(Outcome::ReadFailed, editor.Replace(L"C:\\TAV\\folder.ini", L"@T@", L"x"));
    machine.files.Lock(kFile);
    EXPECT_EQ(Outcome::ReadFailed, editor.Replace(kFile, L"@T@", L"x"));
    machine.files.Unlock(kFile);
    EXPECT_EQ(Outcome::EmptyToken, editor.Replace(kFile, L"", L"x"));
    EXPECT_EQ("@T@", machine.files.Read(kFile));
}

TEST_F(TokenFileEditorTest, CommandLineSplitsAsTheUpdaterQuotesAndGivesExitCodes) {
    using replacetoken::SplitCommandLine;
    // A quoted folder that ends with a backslash stays one argument; no escapes.
    const std::vector<std::wstring> split = SplitCommandLine(
        L"\"C:\\Update\\package\\ReplaceTokenInFile.exe\" \"C:\\a b\\f.ini\"\t\"%T%\" "
        L"\"C:\\Program Files\\TAV\\\"");
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\Update\\package\\ReplaceTokenInFile.exe",
                                         L"C:\\a b\\f.ini", L"%T%", L"C:\\Program Files\\TAV\\"}),
              split);
    EXPECT_EQ((std::vector<std::wstring>{L"tool", L"", L"x", L"open end"}),
              SplitCommandLine(L"  tool \"\" x \"open end"));

    machine.files.AddFile(kFile, "path=%T%");
    std::ostringstream err;
    EXPECT_EQ(0, replacetoken::Run({kFile, L"%T%", L"C:\\TAV\\"}, err));
    EXPECT_EQ("path=C:\\TAV\\", machine.files.Read(kFile));
    EXPECT_EQ(0, replacetoken::Run({kFile, L"%T%", L"y"}, err));  // no longer there
    EXPECT_TRUE(err.str().empty());
    EXPECT_EQ(1, replacetoken::Run({L"C:\\none.ini", L"%T%", L"y"}, err));
    EXPECT_EQ(2, replacetoken::Run({kFile, L"", L"y"}, err));
    EXPECT_EQ(2, replacetoken::Run({kFile, L"%T%"}, err));
    EXPECT_EQ(2, replacetoken::Run({kFile, L"a", L"b", L"c"}, err));
    EXPECT_NE(std::string::npos, err.str().find("usage"));
}

}  // namespace
