// A file token replacement: its keys, its accessors, and the command line Apply starts.
#include "updater/TupFileTokenReplacement.h"

#include <gtest/gtest.h>

#include "updater/TupItemTestSupport.h"

namespace {

using item_tests::MakeToken;
using item_tests::TestReplacer;

const std::wstring kTool = L"\"C:\\Update\\package\\ReplaceTokenInFile.exe\"";

class TupFileTokenReplacementTest : public ::testing::Test {
protected:
    TupFileTokenReplacementTest() : replacer(&world.Manager()) {
        item.SetFile(L"[$TN_INSTALL_PATH]web\\config.js");
        item.SetToken(L"%HOST%");
        item.SetReplacement(L"[$HOST]");
        replacer.tokens.push_back(MakeToken(L"[$HOST]", L"srv01"));
    }

    item_tests::ItemWorld world;
    TestReplacer replacer;
    CTupFileTokenReplacement item;
};

TEST_F(TupFileTokenReplacementTest, KeysAndBothDirections) {
    ObjContainer section;
    section.SetString(L"File", L"a.txt");
    section.SetString(L"Token", L"@T@");
    CTupFileTokenReplacement loaded;
    loaded.SetReplacement(L"kept");
    loaded.Load(&section);
    EXPECT_EQ(L"a.txt", loaded.File());
    EXPECT_EQ(L"@T@", loaded.Token());
    EXPECT_EQ(L"kept", loaded.Replacement());
    auto saved = loaded.Save();
    EXPECT_EQ(3u, saved->Count());
    CTupFileTokenReplacement again;
    again.Load(saved.get());
    EXPECT_EQ(L"kept", again.Replacement());
}

TEST_F(TupFileTokenReplacementTest, AccessorsReplaceTokensInCopies) {
    EXPECT_EQ(L"C:\\TAV\\web\\config.js", item.GetFile(&replacer));
    EXPECT_EQ(L"%HOST%", item.GetToken(&replacer));
    EXPECT_EQ(L"srv01", item.GetReplacement(&replacer));
    EXPECT_EQ(L"[$HOST]", item.GetReplacement(nullptr));
    EXPECT_EQ(L"[$TN_INSTALL_PATH]web\\config.js", item.File());  // the stored field stays
}

TEST_F(TupFileTokenReplacementTest, ApplyStartsTheToolWithThreeQuotedValuesAndWaits) {
    world.machine.files.AddFile(L"C:\\TAV\\web\\config.js");
    world.machine.launcher.exitCode = 7;  // not examined
    item.Apply(&replacer, kTool);
    ASSERT_EQ(1u, world.machine.launcher.starts.size());
    EXPECT_EQ(kTool + L" \"C:\\TAV\\web\\config.js\" \"%HOST%\" \"srv01\"",
              world.machine.launcher.starts[0].commandLine);
    EXPECT_TRUE(world.machine.launcher.starts[0].waited);
}

TEST_F(TupFileTokenReplacementTest, ApplyStartsNothingForAMissingFileOrAFolder) {
    item.Apply(&replacer, kTool);
    world.machine.files.AddFolder(L"C:\\TAV\\web\\config.js");
    item.Apply(&replacer, kTool);
    EXPECT_TRUE(world.machine.launcher.starts.empty());
}

TEST_F(TupFileTokenReplacementTest, ApplyWithoutReplacerUsesTheFieldsAsStored) {
    CTupFileTokenReplacement plain;
    plain.SetFile(L"D:\\x.ini");
    plain.SetToken(L"[$A]");
    world.machine.files.AddFile(L"D:\\x.ini");
    world.machine.launcher.failing.push_back(L"x.ini");  // a failed start is not an error
    plain.Apply(nullptr, kTool);
    plain.SetFile(L"D:\\y.ini");
    world.machine.files.AddFile(L"D:\\y.ini");
    plain.Apply(nullptr, L"tool.exe");
    ASSERT_EQ(1u, world.machine.launcher.starts.size());
    EXPECT_EQ(L"tool.exe \"D:\\y.ini\" \"[$A]\" \"\"", world.machine.launcher.starts[0].commandLine);
}

}  // namespace
