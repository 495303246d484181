// Containers loaded from and saved to the real registry, in both views.
#include <gtest/gtest.h>

#include <cstring>

#include "persist/ObjContainer.h"
#include "win/WinTestSupport.h"

namespace {

using wintest::ScratchKey;
using wintest::StringBytes;

std::wstring StringOf(const ObjContainer& c, std::wstring_view name) {
    std::wstring text = L"<missing>";
    c.GetString(name, text);
    return text;
}

class RegistryContainerWin : public ::testing::TestWithParam<bool> {
protected:
    bool view64() const { return GetParam(); }

    ScratchKey key_{L"TavRegistryContainerTest"};
};

TEST_P(RegistryContainerWin, ReadsEachValueTypeAsStored) {
    ASSERT_TRUE(key_.WriteString(view64(), L"", L"Name", L"Tarnova"));
    ASSERT_TRUE(key_.WriteString(view64(), L"", L"", L"main value"));
    ASSERT_TRUE(key_.WriteString(view64(), L"", L"Home", L"%SystemRoot%\\x", REG_EXPAND_SZ));
    ASSERT_TRUE(key_.WriteDword(view64(), L"", L"Count", 0xFFFFFFFEu));
    const wchar_t list[] = L"one\0two words\0\0";
    ASSERT_TRUE(key_.Write(view64(), L"", L"List", REG_MULTI_SZ, list, sizeof list));
    const wchar_t empty[] = L"";
    ASSERT_TRUE(key_.Write(view64(), L"", L"EmptyList", REG_MULTI_SZ, empty, sizeof empty));
    const uint8_t blob[] = {0x00, 0x01, 0xFF, 0x00};
    ASSERT_TRUE(key_.Write(view64(), L"", L"Blob", REG_BINARY, blob, sizeof blob));
    const uint64_t big = 0x0102030405060708ull;
    ASSERT_TRUE(key_.Write(view64(), L"", L"Big", REG_QWORD, &big, sizeof big));
    // A default value that is not a string keeps its empty name.
    ASSERT_TRUE(key_.WriteDword(view64(), L"Other", L"", 17));

    ObjContainer c;
    c.LoadFromRegistry(key_.Path(), false, -1, view64());

    EXPECT_EQ(7u, c.Count());
    EXPECT_EQ(L"Tarnova", StringOf(c, L"Name"));
    EXPECT_EQ(L"main value", StringOf(c, L"$(RegistryDefault)"));
    EXPECT_EQ(L"%SystemRoot%\\x", StringOf(c, L"Home"));
    uint32_t count = 0;
    c.GetUnsignedLong(L"Count", count);
    EXPECT_EQ(0xFFFFFFFEu, count);
    OCStringListValue strings{L"untouched"};
    c.GetStringList(L"List", strings);
    EXPECT_EQ((OCStringListValue{L"one", L"two words"}), strings);
    ASSERT_EQ(OCStringList, c.GetType(L"EmptyList"));
    c.GetStringList(L"EmptyList", strings);
    EXPECT_TRUE(strings.empty());
    ASSERT_EQ(OCBuffer, c.GetType(L"Blob"));
    EXPECT_EQ(OCBytes(blob, blob + sizeof blob), *c.Find(L"Blob")->Bytes());
    EXPECT_FALSE(c.Exists(L"Big"));

    ObjContainer other;
    other.LoadFromRegistry(key_.Path(L"Other"), false, -1, view64());
    ASSERT_EQ(OCUnsignedLong, other.GetType(L""));
    EXPECT_FALSE(other.Exists(L"$(RegistryDefault)"));

    // Any root name other than the three known ones means the local machine.
    ObjContainer misspelt;
    std::wstring path = key_.Path();
    path.replace(0, path.find(L'\\'), L"HKLM");
    misspelt.LoadFromRegistry(path, false, -1, view64());
    EXPECT_EQ(L"Tarnova", StringOf(misspelt, L"Name"));
}

TEST_P(RegistryContainerWin, WritesEachKindAsItsRegistryType) {
    ObjContainer c;
    c.SetString(L"Name", L"Tarnova");
    c.SetString(L"$(registrydefault)", L"main value");
    c.SetUnsignedLong(L"Count", 0x12345678u);
    c.SetStringList(L"List", {L"one", L"two"});
    c.SetStringList(L"EmptyList", {});
    const uint8_t blob[] = {0xDE, 0xAD, 0x00, 0xEF};
    c.SetBuffer(L"Blob", blob, sizeof blob);
    c.SaveToRegistry(key_.Path(), view64());

    auto name = key_.Read(view64(), L"", L"Name");
    ASSERT_TRUE(name.present);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), name.type);
    EXPECT_EQ(StringBytes(L"Tarnova"), name.bytes);  // with its terminating zero

    auto main = key_.Read(view64(), L"", L"");
    ASSERT_TRUE(main.present);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), main.type);
    EXPECT_EQ(StringBytes(L"main value"), main.bytes);
    EXPECT_FALSE(key_.Read(view64(), L"", L"$(registrydefault)").present);

    auto count = key_.Read(view64(), L"", L"Count");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), count.type);
    EXPECT_EQ((std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}), count.bytes);

    auto list = key_.Read(view64(), L"", L"List");
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), list.type);
    const wchar_t listText[] = L"one\0two\0";  // and the array's own zero ends the list
    ASSERT_EQ(sizeof listText, list.bytes.size());
    EXPECT_EQ(0, std::memcmp(listText, list.bytes.data(), sizeof listText));

    auto emptyList = key_.Read(view64(), L"", L"EmptyList");
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), emptyList.type);
    EXPECT_EQ((std::vector<uint8_t>{0, 0}), emptyList.bytes);

    auto bytes = key_.Read(view64(), L"", L"Blob");
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), bytes.type);
    EXPECT_EQ(std::vector<uint8_t>(blob, blob + sizeof blob), bytes.bytes);

    // Reading back gives the container that was saved, the default value under its entry name.
    ObjContainer back;
    back.LoadFromRegistry(key_.Path(), false, -1, view64());
    EXPECT_EQ(c.Count(), back.Count());
    EXPECT_EQ(L"main value", StringOf(back, L"$(RegistryDefault)"));
    EXPECT_EQ(L"Tarnova", StringOf(back, L"Name"));
    OCStringListValue strings;
    back.GetStringList(L"List", strings);
    EXPECT_EQ((OCStringListValue{L"one", L"two"}), strings);
}

TEST_P(RegistryContainerWin, SubkeysFollowRecurseAndDepth) {
    // A -> B -> C below the key, each with its level as a value.
    ASSERT_TRUE(key_.WriteDword(view64(), L"A", L"Level", 1));
    ASSERT_TRUE(key_.WriteDword(view64(), L"A\\B", L"Level", 2));
    ASSERT_TRUE(key_.WriteDword(view64(), L"A\\B\\C", L"Level", 3));

    // Levels of subkeys read below the key.
    auto depthRead = [&](bool recurse, int depth) {
        ObjContainer c;
        c.LoadFromRegistry(key_.Path(), recurse, depth, view64());
        int levels = 0;
        const ObjContainer* at = &c;
        const wchar_t* names[] = {L"A", L"B", L"C"};
        for (const wchar_t* sub : names) {
            at = at->GetContainer(sub);
            if (!at) break;
            uint32_t level = 99;
            at->GetUnsignedLong(L"Level", level);
            EXPECT_EQ(static_cast<uint32_t>(levels + 1), level);
            ++levels;
        }
        return levels;
    };
    EXPECT_EQ(0, depthRead(false, -1));
    EXPECT_EQ(0, depthRead(true, 0));
    EXPECT_EQ(1, depthRead(true, 1));
    EXPECT_EQ(2, depthRead(true, 2));
    EXPECT_EQ(3, depthRead(true, -1));

    // Saving writes sub-containers as subkeys, created below the same view.
    ObjContainer tree;
    auto child = std::make_unique<ObjContainer>();
    auto grandchild = std::make_unique<ObjContainer>();
    grandchild->SetString(L"Where", L"deep");
    child->SetContainer(L"Deep", std::move(grandchild));
    child->SetUnsignedLong(L"Size", 5);
    tree.SetContainer(L"Saved", std::move(child));
    tree.SaveToRegistry(key_.Path(), view64());
    EXPECT_EQ(StringBytes(L"deep"), key_.Read(view64(), L"Saved\\Deep", L"Where").bytes);
    EXPECT_TRUE(key_.Read(view64(), L"Saved", L"Size").present);
    EXPECT_FALSE(key_.Exists(!view64(), L"Saved"));
}

TEST_P(RegistryContainerWin, NothingToSaveCreatesNoKey) {
    ObjContainer empty;
    empty.SaveToRegistry(key_.Path(), view64());
    EXPECT_FALSE(key_.Exists(view64()));

    // An empty sub-container gives no subkey either.
    ObjContainer c;
    c.SetContainer(L"Hollow", std::make_unique<ObjContainer>());
    c.SaveToRegistry(key_.Path(), view64());
    EXPECT_TRUE(key_.Exists(view64()));
    EXPECT_FALSE(key_.Exists(view64(), L"Hollow"));
}

TEST_P(RegistryContainerWin, MissingKeyLeavesTheContainerAlone) {
    ObjContainer c;
    c.SetString(L"Name", L"default");
    c.LoadFromRegistry(key_.Path(L"Absent"), true, -1, view64());
    EXPECT_EQ(1u, c.Count());
    EXPECT_EQ(L"default", StringOf(c, L"Name"));
}

INSTANTIATE_TEST_SUITE_P(BothViews, RegistryContainerWin, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "View64" : "View32";
                         });

TEST(RegistryViewsWin, AValueIsSeenOnlyInTheViewItWasWrittenIn) {
    ScratchKey key(L"TavRegistryViewTest");
    ObjContainer only32;
    only32.SetString(L"Written", L"in 32");
    only32.SaveToRegistry(key.Path(L"Narrow"), false);
    ObjContainer only64;
    only64.SetString(L"Written", L"in 64");
    only64.SaveToRegistry(key.Path(L"Wide"), true);

    ObjContainer seen;
    seen.LoadFromRegistry(key.Path(L"Narrow"), false, -1, false);
    EXPECT_EQ(L"in 32", StringOf(seen, L"Written"));
    ObjContainer unseen;
    unseen.LoadFromRegistry(key.Path(L"Narrow"), false, -1, true);
    EXPECT_EQ(0u, unseen.Count());
    EXPECT_FALSE(key.Exists(true, L"Narrow"));

    ObjContainer seen64;
    seen64.LoadFromRegistry(key.Path(L"Wide"), false, -1, true);
    EXPECT_EQ(L"in 64", StringOf(seen64, L"Written"));
    ObjContainer unseen64;
    unseen64.LoadFromRegistry(key.Path(L"Wide"), false, -1, false);
    EXPECT_EQ(0u, unseen64.Count());
    EXPECT_FALSE(key.Exists(false, L"Wide"));

    // The same name in both views holds two different values.
    only64.SaveToRegistry(key.Path(L"Narrow"), true);
    ObjContainer again32;
    again32.LoadFromRegistry(key.Path(L"Narrow"), false, -1, false);
    EXPECT_EQ(L"in 32", StringOf(again32, L"Written"));
    ObjContainer again64;
    again64.LoadFromRegistry(key.Path(L"Narrow"), false, -1, true);
    EXPECT_EQ(L"in 64", StringOf(again64, L"Written"));
}

}  // namespace
