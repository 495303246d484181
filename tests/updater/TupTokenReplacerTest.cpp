// Token replacement: the nine steps in their order, their conditions, and no caching.
#include "updater/TupTokenReplacer.h"

#include <gtest/gtest.h>

#include "updater/TupItemTestSupport.h"

namespace {

using item_tests::MakeToken;
using item_tests::TestReplacer;
using sys::RegistryRoot;
using sys::RegistryView;

const std::wstring kProduct = L"SOFTWARE\\Kelmark\\Tav";

class TupTokenReplacerTest : public ::testing::Test {
protected:
    TupTokenReplacerTest() {
        world.machine.registry.PutString(RegistryRoot::LocalMachine, kProduct, RegistryView::Bits32,
                                         L"TAVCLNTMSIPATH", L"\\\\srv\\client\\TavClient.msi");
    }

    void PutProduct(const std::wstring& name, const std::wstring& value,
                    const std::wstring& key = kProduct, RegistryView view = RegistryView::Bits32) {
        world.machine.registry.PutString(RegistryRoot::LocalMachine, key, view, name, value);
    }

    // Replaces with a replacer over a manager that inspects the machine as it is now.
    std::wstring Replace(std::wstring text, bool* replaced = nullptr) {
        TestReplacer replacer(&world.Manager());
        replacer.tokens = tokens;
        const bool result = replacer.ReplaceTokens(text);
        if (replaced) *replaced = result;
        return text;
    }

    item_tests::ItemWorld world;
    std::vector<CTupToken> tokens;
};

TEST_F(TupTokenReplacerTest, InstallFolderTokens) {
    bool replaced = false;
    EXPECT_EQ(L"C:\\TAV\\bin\\x.dll", Replace(L"[$TN_INSTALL_PATH]bin\\x.dll", &replaced));
    EXPECT_TRUE(replaced);
    EXPECT_EQ(L"C:\\TAV\\a;C:\\TAV\\b;C:\\TAV\\c",
              Replace(L"[$TN_INSTALL_PATH]a;[$TN_RVX_INSTALL_PATH]b;[$TN_INSTALL_PATH]c"));
    EXPECT_EQ(L"\\\\srv\\client\\TavClient.msi", Replace(L"[$WEB_BASE_PATH]TavClient.msi"));
}

TEST_F(TupTokenReplacerTest, NoTokenNoChange) {
    bool replaced = true;
    EXPECT_EQ(L"C:\\Tav\\x.dll", Replace(L"C:\\Tav\\x.dll", &replaced));
    EXPECT_FALSE(replaced);
    EXPECT_EQ(L"", Replace(L"", &replaced));
    EXPECT_FALSE(replaced);
    // Matching is exact: lower case, a missing bracket or dollar sign is no token.
    EXPECT_EQ(L"[$tn_install_path]x", Replace(L"[$tn_install_path]x", &replaced));
    EXPECT_FALSE(replaced);
    EXPECT_EQ(L"[TN_INSTALL_PATH]x[$TN_INSTALL_PATH", Replace(L"[TN_INSTALL_PATH]x[$TN_INSTALL_PATH", &replaced));
    EXPECT_FALSE(replaced);
}

TEST_F(TupTokenReplacerTest, WithoutTheProductTheInstallFolderTokenDisappears) {
    world.machine.processes.processes.clear();
    bool replaced = false;
    EXPECT_EQ(L"x", Replace(L"[$TN_INSTALL_PATH]x", &replaced));
    EXPECT_TRUE(replaced);
    // The same without any manager.
    TestReplacer orphan(nullptr);
    std::wstring text = L"[$TN_INSTALL_PATH]x[$WEB_BASE_PATH]";
    EXPECT_TRUE(orphan.ReplaceTokens(text));
    EXPECT_EQ(L"x", text);
}

TEST_F(TupTokenReplacerTest, SystemRootGetsABackslashOnlyWhenItLacksOne) {
    bool replaced = true;
    EXPECT_EQ(L"[$SYSTEMROOT]system32", Replace(L"[$SYSTEMROOT]system32", &replaced));
    EXPECT_FALSE(replaced);  // the variable is not set
    world.machine.environment.variables[L"SYSTEMROOT"] = L"C:\\Windows";
    EXPECT_EQ(L"C:\\Windows\\system32", Replace(L"[$SYSTEMROOT]system32", &replaced));
    EXPECT_TRUE(replaced);
    world.machine.environment.variables[L"SYSTEMROOT"] = L"D:\\Win\\";
    EXPECT_EQ(L"D:\\Win\\x", Replace(L"[$SYSTEMROOT]x"));
}

TEST_F(TupTokenReplacerTest, CommonShellFoldersAreCreatedAndEndWithABackslash) {
    bool replaced = true;
    EXPECT_EQ(L"[$CSIDL_COMMON_PROGRAMS]Tav", Replace(L"[$CSIDL_COMMON_PROGRAMS]Tav", &replaced));
    EXPECT_FALSE(replaced);
    world.machine.shell.folders[23] = L"C:\\ProgramData\\Programs";
    world.machine.shell.folders[25] = L"C:\\Users\\Public\\Desktop\\";
    EXPECT_EQ(L"C:\\ProgramData\\Programs\\Tav|C:\\Users\\Public\\Desktop\\x.lnk",
              Replace(L"[$CSIDL_COMMON_PROGRAMS]Tav|[$CSIDL_COMMON_DESKTOPDIRECTORY]x.lnk"));
    EXPECT_TRUE(world.machine.files.FolderExists(L"C:\\ProgramData\\Programs"));
    EXPECT_TRUE(world.machine.files.FolderExists(L"C:\\Users\\Public\\Desktop"));
}

TEST_F(TupTokenReplacerTest, AValueIsFetchedOnlyWhenItsTokenOccurs) {
    world.machine.shell.folders[23] = L"C:\\ProgramData\\Programs";
    Replace(L"[$TN_INSTALL_PATH]x");
    EXPECT_FALSE(world.machine.files.FolderExists(L"C:\\ProgramData\\Programs"));
}

TEST_F(TupTokenReplacerTest, WebPathsOnlyWhenAllThreeAreSet) {
    const std::wstring text = L"[$TAV_WEBCLIENTPATH]|[$TAV_WEBSERVERPATH]|[$TAV_WEBQUEUEMANPATH]";
    PutProduct(L"WEBCLIENTPATH", L"C:\\web\\client");
    PutProduct(L"WEBQUEUEMANPATH", L"C:\\web\\queue");
    bool replaced = true;
    EXPECT_EQ(text, Replace(text, &replaced));  // WEBSERVERPATH is missing
    EXPECT_FALSE(replaced);
    PutProduct(L"WEBSERVERPATH", L"");
    EXPECT_EQ(L"[$TAV_WEBCLIENTPATH]x", Replace(L"[$TAV_WEBCLIENTPATH]x"));
    // The 64-bit view does not count.
    PutProduct(L"WEBSERVERPATH", L"C:\\web\\server", kProduct, RegistryView::Bits64);
    EXPECT_EQ(L"[$TAV_WEBCLIENTPATH]x", Replace(L"[$TAV_WEBCLIENTPATH]x"));
    PutProduct(L"WEBSERVERPATH", L"C:\\web\\server");
    EXPECT_EQ(L"C:\\web\\client|C:\\web\\server|C:\\web\\queue", Replace(text, &replaced));
    EXPECT_TRUE(replaced);
    EXPECT_EQ(L"C:\\web\\queue\\x", Replace(L"[$TAV_WEBQUEUEMANPATH]\\x"));
}

TEST_F(TupTokenReplacerTest, DifPathComesFromTheTavApsKeyWhenTavApsRuns) {
    PutProduct(L"DIFPATH", L"C:\\dif\\server");
    PutProduct(L"DIFPATH", L"C:\\dif\\aps", kProduct + L"\\TavAps");
    EXPECT_EQ(L"C:\\dif\\server\\a", Replace(L"[$TAV_DIFPATH]\\a"));
    world.machine.processes.processes.push_back({9, L"C:\\Aps\\TavAps.exe"});
    world.machine.RecordInstallFolder(L"C:\\Aps\\");
    EXPECT_EQ(L"C:\\dif\\aps\\a", Replace(L"[$TAV_DIFPATH]\\a"));
}

TEST_F(TupTokenReplacerTest, AMissingDifPathReplacesTheTokenWithNothing) {
    bool replaced = false;
    EXPECT_EQ(L"\\a", Replace(L"[$TAV_DIFPATH]\\a", &replaced));
    EXPECT_TRUE(replaced);
}

TEST_F(TupTokenReplacerTest, ModuleTokensInListOrderAndOnlyWithAValue) {
    CTupToken unresolved;
    unresolved.SetName(L"[$POS]");
    unresolved.SetRegKeyValue(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\POSPATH");
    tokens = {unresolved, MakeToken(L"[$A]", L"[$B]/"), MakeToken(L"[$B]", L"b"),
              MakeToken(L"", L"never")};
    bool replaced = false;
    // [$A]'s value holds [$B], which the later token replaces; [$B]'s value is not searched
    // for [$A] again. The unresolved token stays.
    EXPECT_EQ(L"b/ b [$POS]", Replace(L"[$A] [$B] [$POS]", &replaced));
    EXPECT_TRUE(replaced);
    EXPECT_EQ(L"[$POS]", Replace(L"[$POS]", &replaced));
    EXPECT_FALSE(replaced);
    // Module token names are any text, matched case-sensitively.
    tokens = {MakeToken(L"@host@", L"srv")};
    EXPECT_EQ(L"srv:@HOST@", Replace(L"@host@:@HOST@"));
}

TEST_F(TupTokenReplacerTest, ABuiltInValueHoldingALaterTokenIsReplacedAgain) {
    world.machine.environment.variables[L"SYSTEMROOT"] = L"[$TAV_DIFPATH]";
    PutProduct(L"DIFPATH", L"D:\\dif");
    tokens = {MakeToken(L"D:\\dif", L"never again")};  // the last step's values are final
    EXPECT_EQ(L"never again\\x", Replace(L"[$SYSTEMROOT]x"));
    tokens = {MakeToken(L"[$X]", L"[$TN_INSTALL_PATH]")};
    EXPECT_EQ(L"[$TN_INSTALL_PATH]", Replace(L"[$X]"));  // earlier steps do not run again
}

TEST_F(TupTokenReplacerTest, OccurrencesAreReplacedLeftToRightWithoutOverlap) {
    tokens = {MakeToken(L"aa", L"a")};
    EXPECT_EQ(L"aab", Replace(L"aaaab"));
    tokens = {MakeToken(L"x", L"xx")};
    EXPECT_EQ(L"xxxx", Replace(L"xx"));
}

TEST_F(TupTokenReplacerTest, NothingIsCachedBetweenCalls) {
    world.Manager();
    TestReplacer replacer(world.manager.get());
    CTupToken pos;
    pos.SetName(L"[$POS]");
    pos.SetRegKeyValue(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\POSPATH");
    replacer.tokens = {pos};
    const std::wstring text = L"[$TAV_DIFPATH]|[$POS]|[$SYSTEMROOT]";

    PutProduct(L"DIFPATH", L"one");
    PutProduct(L"POSPATH", L"p1");
    world.machine.environment.variables[L"SYSTEMROOT"] = L"C:\\W1";
    std::wstring first = text;
    replacer.ReplaceTokens(first);
    EXPECT_EQ(L"one|p1|C:\\W1\\", first);

    PutProduct(L"DIFPATH", L"two");
    PutProduct(L"POSPATH", L"p2");
    world.machine.environment.variables[L"SYSTEMROOT"] = L"C:\\W2";
    std::wstring second = text;
    replacer.ReplaceTokens(second);
    EXPECT_EQ(L"two|p2|C:\\W2\\", second);
}

}  // namespace
