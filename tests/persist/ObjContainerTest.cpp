// The container's table of operations: lookups, setters, copies and removal.
#include "persist/ObjContainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <random>
#include <string>
#include <vector>

#include "base/WideText.h"

namespace {

// Names of the entries, newest first.
std::vector<std::wstring> Names(const ObjContainer& c) {
    std::vector<std::wstring> names;
    for (size_t i = 0; i < c.Count(); ++i) names.push_back(c.At(i).name);
    return names;
}

TEST(ObjContainer, GettersLeaveTheDefaultForAMissingEntryOrTheWrongKind) {
    ObjContainer c;
    c.SetString(L"Text", L"hello");
    c.SetUnsignedLong(L"Number", 7);
    c.SetStringList(L"List", {L"a", L"b"});
    c.SetContainer(L"Sub", std::make_unique<ObjContainer>());

    std::wstring text = L"default";
    c.GetString(L"Number", text);
    c.GetString(L"List", text);
    c.GetString(L"Sub", text);
    c.GetString(L"Missing", text);
    EXPECT_EQ(L"default", text);

    uint32_t number = 42;
    c.GetUnsignedLong(L"Text", number);
    c.GetUnsignedLong(L"Missing", number);
    EXPECT_EQ(42u, number);

    OCStringListValue list{L"keep"};
    c.GetStringList(L"Text", list);
    c.GetStringList(L"Sub", list);
    c.GetStringList(L"Missing", list);
    EXPECT_EQ(OCStringListValue{L"keep"}, list);

    EXPECT_EQ(nullptr, c.GetContainer(L"Text"));
    EXPECT_EQ(nullptr, c.GetContainer(L"Missing"));
    EXPECT_EQ(OCNone, c.GetType(L"Missing"));
    EXPECT_FALSE(c.Exists(L"Missing"));
    EXPECT_EQ(nullptr, c.Find(L"Missing"));

    // The right kind, in any letter case, overwrites the default.
    c.GetString(L"tEXT", text);
    EXPECT_EQ(L"hello", text);
    c.GetUnsignedLong(L"NUMBER", number);
    EXPECT_EQ(7u, number);
    EXPECT_EQ(OCStringList, c.GetType(L"list"));
    EXPECT_EQ(OCContainer, c.GetType(L"SUB"));
    EXPECT_NE(nullptr, c.GetContainer(L"sub"));
}

TEST(ObjContainer, NamesFoldOnlyTheLettersAToZ) {
    ObjContainer c;
    c.SetString(L"\u00C9t\u00E9", L"upper");  // capital E acute
    c.SetString(L"\u00E9T\u00C9", L"lower");  // small e acute
    c.SetString(L"[x]", L"brackets");
    c.SetString(L"{X}", L"braces");           // '{' is '[' + 0x20, but not a letter
    EXPECT_EQ(4u, c.Count());

    std::wstring text;
    c.GetString(L"\u00C9T\u00E9", text);
    EXPECT_EQ(L"upper", text);
    c.GetString(L"{x}", text);
    EXPECT_EQ(L"braces", text);
    c.GetString(L"[X]", text);
    EXPECT_EQ(L"brackets", text);
}

TEST(ObjContainer, SettersReplaceAnEntryOfTheSameNameAndPutTheNewOneInFront) {
    ObjContainer c;
    c.SetString(L"Alpha", L"1");
    c.SetString(L"Beta", L"2");
    c.SetString(L"Gamma", L"3");
    EXPECT_EQ((std::vector<std::wstring>{L"Gamma", L"Beta", L"Alpha"}), Names(c));

    // Replacing the oldest entry, in another letter case and with another kind.
    c.SetUnsignedLong(L"ALPHA", 5);
    EXPECT_EQ((std::vector<std::wstring>{L"ALPHA", L"Gamma", L"Beta"}), Names(c));
    EXPECT_EQ(OCUnsignedLong, c.GetType(L"alpha"));
    std::wstring text = L"none";
    c.GetString(L"Alpha", text);
    EXPECT_EQ(L"none", text);

    // Every setter replaces, whatever the old kind was.
    c.SetStringList(L"beta", {L"x"});
    const uint8_t bytes[] = {1, 2, 0, 3};
    c.SetBuffer(L"GAMMA", bytes, sizeof bytes);
    c.SetContainer(L"alpha", std::make_unique<ObjContainer>());
    c.SetString(L"BETA", L"again");
    EXPECT_EQ((std::vector<std::wstring>{L"BETA", L"alpha", L"GAMMA"}), Names(c));
    EXPECT_EQ(OCString, c.At(0).kind);
    EXPECT_EQ(OCContainer, c.At(1).kind);
    ASSERT_EQ(OCBuffer, c.At(2).kind);
    EXPECT_EQ(OCBytes(bytes, bytes + 4), *c.At(2).Bytes());

    // Storing a value under its own name again moves it to the front.
    c.SetBuffer(c.At(2).name, c.At(2).Bytes()->data(), c.At(2).Bytes()->size());
    ASSERT_EQ(3u, c.Count());
    EXPECT_EQ(L"GAMMA", c.At(0).name);
    EXPECT_EQ(OCBytes(bytes, bytes + 4), *c.At(0).Bytes());
    c.SetString(c.At(1).name, *c.At(1).Text());
    EXPECT_EQ((std::vector<std::wstring>{L"BETA", L"GAMMA", L"alpha"}), Names(c));
    c.SetStringList(L"List", {L"p", L"q"});
    c.SetStringList(c.At(0).name, *c.At(0).List());
    OCStringListValue list;
    c.GetStringList(L"list", list);
    EXPECT_EQ((OCStringListValue{L"p", L"q"}), list);
    c.GetString(L"beta", text);
    EXPECT_EQ(L"again", text);
}

TEST(ObjContainer, StoredValuesAreCopies) {
    ObjContainer c;
    std::wstring text = L"original";
    c.SetString(L"T", text);
    text[0] = L'X';
    OCStringListValue list{L"one", L"two"};
    c.SetStringList(L"L", list);
    list.push_back(L"three");
    uint8_t bytes[] = {0xDE, 0xAD};
    c.SetBuffer(L"B", bytes, sizeof bytes);
    bytes[0] = 0;

    std::wstring textOut;
    c.GetString(L"T", textOut);
    EXPECT_EQ(L"original", textOut);
    OCStringListValue listOut;
    c.GetStringList(L"L", listOut);
    EXPECT_EQ((OCStringListValue{L"one", L"two"}), listOut);
    EXPECT_EQ((OCBytes{0xDE, 0xAD}), *c.Find(L"b")->Bytes());

    c.SetBuffer(L"Empty", nullptr, 0);
    EXPECT_EQ(OCBuffer, c.GetType(L"Empty"));
    EXPECT_TRUE(c.Find(L"Empty")->Bytes()->empty());
}

TEST(ObjContainer, GetStringListEmptiesTheOutputBeforeFillingIt) {
    ObjContainer c;
    c.SetStringList(L"Three", {L"c", L"a", L"b"});
    c.SetStringList(L"None", {});

    OCStringListValue out{L"old1", L"old2", L"old3", L"old4"};
    c.GetStringList(L"three", out);
    EXPECT_EQ((OCStringListValue{L"c", L"a", L"b"}), out);  // in list order, old items gone

    c.GetStringList(L"NONE", out);
    EXPECT_TRUE(out.empty());
}

TEST(ObjContainer, GetContainerHandsOutTheOwnedSubContainer) {
    ObjContainer c;
    auto sub = std::make_unique<ObjContainer>();
    ObjContainer* raw = sub.get();
    sub->SetUnsignedLong(L"Inner", 3);
    c.SetContainer(L"Sub", std::move(sub));

    EXPECT_EQ(raw, c.GetContainer(L"SUB"));
    c.GetContainer(L"sub")->SetString(L"Added", L"later");
    const ObjContainer& constView = c;
    ASSERT_NE(nullptr, constView.GetContainer(L"Sub"));
    EXPECT_EQ(2u, constView.GetContainer(L"Sub")->Count());
}

// A small tree with every kind a caller can store.
void Fill(ObjContainer& c) {
    c.SetString(L"Name", L"Tav");
    c.SetUnsignedLong(L"Count", 3);
    const uint8_t bytes[] = {9, 8, 7};
    c.SetBuffer(L"Blob", bytes, sizeof bytes);
    auto sub = std::make_unique<ObjContainer>();
    sub->SetString(L"Path", L"C:\\Tav");
    auto deeper = std::make_unique<ObjContainer>();
    deeper->SetStringList(L"Files", {L"a.dll", L"b.exe"});
    sub->SetContainer(L"Deeper", std::move(deeper));
    c.SetContainer(L"Sub", std::move(sub));
    c.SetStringList(L"List", {L"x", L"y"});
}

TEST(ObjContainer, CopyFromClearingFirstMakesAnIndependentDeepCopyInTheSameOrder) {
    ObjContainer source;
    Fill(source);
    ObjContainer copy;
    copy.SetString(L"Stale", L"gone");
    copy.SetString(L"name", L"overwritten");

    copy.CopyFrom(source, true);
    EXPECT_EQ(Names(source), Names(copy));
    EXPECT_FALSE(copy.Exists(L"Stale"));
    for (size_t i = 0; i < source.Count(); ++i) EXPECT_EQ(source.At(i).kind, copy.At(i).kind);

    std::wstring text;
    copy.GetString(L"Name", text);
    EXPECT_EQ(L"Tav", text);
    EXPECT_EQ((OCBytes{9, 8, 7}), *copy.Find(L"Blob")->Bytes());
    ObjContainer* sub = copy.GetContainer(L"Sub");
    ASSERT_NE(nullptr, sub);
    ASSERT_NE(source.GetContainer(L"Sub"), sub);
    ObjContainer* deeper = sub->GetContainer(L"Deeper");
    ASSERT_NE(nullptr, deeper);
    OCStringListValue files;
    deeper->GetStringList(L"Files", files);
    EXPECT_EQ((OCStringListValue{L"a.dll", L"b.exe"}), files);

    // Changing either side afterwards leaves the other alone, at every level.
    source.GetContainer(L"Sub")->GetContainer(L"Deeper")->SetStringList(L"Files", {L"changed"});
    source.GetContainer(L"Sub")->Remove(L"Path");
    deeper->SetString(L"OnlyInCopy", L"1");
    files.clear();
    deeper->GetStringList(L"Files", files);
    EXPECT_EQ((OCStringListValue{L"a.dll", L"b.exe"}), files);
    EXPECT_TRUE(sub->Exists(L"Path"));
    EXPECT_FALSE(source.GetContainer(L"Sub")->GetContainer(L"Deeper")->Exists(L"OnlyInCopy"));

    // Copying from itself changes nothing.
    copy.CopyFrom(copy, true);
    EXPECT_EQ(Names(source), Names(copy));
}

TEST(ObjContainer, CopyFromWithoutClearingReplacesSameNamesAndPutsTheCopiesInFront) {
    ObjContainer source;
    source.SetString(L"Shared", L"from source");
    source.SetUnsignedLong(L"New", 1);

    ObjContainer target;
    target.SetString(L"Own1", L"a");
    target.SetUnsignedLong(L"SHARED", 99);
    target.SetString(L"Own2", L"b");

    target.CopyFrom(source, false);
    EXPECT_EQ((std::vector<std::wstring>{L"New", L"Shared", L"Own2", L"Own1"}), Names(target));
    EXPECT_EQ(OCString, target.GetType(L"shared"));
    std::wstring text;
    target.GetString(L"Shared", text);
    EXPECT_EQ(L"from source", text);
    EXPECT_EQ(2u, source.Count());
}

TEST(ObjContainer, CopyFromASubContainerOfTheTarget) {
    // Clearing first would delete the source before it is copied.
    ObjContainer c;
    Fill(c);
    c.CopyFrom(*c.GetContainer(L"Sub"), true);
    EXPECT_EQ((std::vector<std::wstring>{L"Deeper", L"Path"}), Names(c));
    ASSERT_NE(nullptr, c.GetContainer(L"Deeper"));
    OCStringListValue files;
    c.GetContainer(L"Deeper")->GetStringList(L"Files", files);
    EXPECT_EQ((OCStringListValue{L"a.dll", L"b.exe"}), files);

    // Without clearing, an entry of the source replaces the container holding the source.
    ObjContainer d;
    auto sub = std::make_unique<ObjContainer>();
    sub->SetString(L"Other", L"o");
    sub->SetString(L"SUB", L"replaces its own container");
    d.SetString(L"Kept", L"k");
    d.SetContainer(L"Sub", std::move(sub));
    d.CopyFrom(*d.GetContainer(L"Sub"), false);
    EXPECT_EQ((std::vector<std::wstring>{L"SUB", L"Other", L"Kept"}), Names(d));
    std::wstring text;
    d.GetString(L"sub", text);
    EXPECT_EQ(L"replaces its own container", text);
}

TEST(ObjContainer, AddContainerCopyStoresAnIndependentCopyReplacingTheName) {
    ObjContainer source;
    Fill(source);
    ObjContainer c;
    c.SetString(L"Settings", L"was a string");
    c.SetString(L"Other", L"o");

    c.AddContainerCopy(L"SETTINGS", source);
    EXPECT_EQ((std::vector<std::wstring>{L"SETTINGS", L"Other"}), Names(c));
    ObjContainer* copy = c.GetContainer(L"settings");
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(Names(source), Names(*copy));

    source.RemoveAll();
    EXPECT_EQ(5u, copy->Count());
    ASSERT_NE(nullptr, copy->GetContainer(L"Sub"));
    EXPECT_NE(nullptr, copy->GetContainer(L"Sub")->GetContainer(L"Deeper"));

    // A container can be copied into itself as one of its entries.
    c.AddContainerCopy(L"Self", c);
    ObjContainer* self = c.GetContainer(L"Self");
    ASSERT_NE(nullptr, self);
    EXPECT_EQ((std::vector<std::wstring>{L"SETTINGS", L"Other"}), Names(*self));
    EXPECT_EQ(5u, self->GetContainer(L"Settings")->Count());
}

TEST(ObjContainer, RemoveDeletesOnlyThatNameAndRemoveAllEmpties) {
    ObjContainer c;
    c.SetString(L"A", L"1");
    c.SetString(L"B", L"2");
    c.SetString(L"C", L"3");

    c.Remove(L"b");
    EXPECT_EQ((std::vector<std::wstring>{L"C", L"A"}), Names(c));
    c.Remove(L"Missing");
    c.Remove(L"");
    EXPECT_EQ(2u, c.Count());

    c.RemoveAll();
    EXPECT_EQ(0u, c.Count());
    EXPECT_FALSE(c.Exists(L"A"));
    c.SetString(L"a", L"again");
    EXPECT_EQ(1u, c.Count());
}

// Large containers keep an index of their names: the same operations, checked against a plain
// list, across many inserts, replacements and removals, and across RemoveAll.
TEST(ObjContainer, LargeContainersAgreeWithASimpleModel) {
    // 60 names "entry<n>", each stored in a random mix of letter cases.
    constexpr uint32_t kNames = 60;
    std::vector<uint32_t> order;                 // model: numbers of the names, newest first
    std::vector<std::wstring> spelling(kNames);  // the spelling last stored
    std::vector<uint32_t> values(kNames);
    std::vector<std::wstring> lookups;           // every name in upper case
    for (uint32_t n = 0; n < kNames; ++n) lookups.push_back(L"ENTRY" + std::to_wstring(n));

    std::mt19937 random(12345);
    auto pick = [&random](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    auto forget = [&order](uint32_t n) {
        order.erase(std::remove(order.begin(), order.end(), n), order.end());
    };

    ObjContainer c;
    auto check = [&](int step) {
        std::vector<std::wstring> expectedNames;
        for (uint32_t n : order) expectedNames.push_back(spelling[n]);
        ASSERT_EQ(expectedNames, Names(c)) << "step " << step;
        std::vector<int64_t> expected(kNames, -1), actual(kNames, -1);
        for (uint32_t n : order) expected[n] = values[n];
        for (uint32_t n = 0; n < kNames; ++n) {
            uint32_t value = 0;
            c.GetUnsignedLong(lookups[n], value);
            if (c.Exists(lookups[n])) actual[n] = value;
        }
        ASSERT_EQ(expected, actual) << "step " << step;
    };

    for (int round = 0; round < 2; ++round) {
        for (int step = 0; step < 800; ++step) {
            const uint32_t n = pick(kNames);
            std::wstring name = L"entry" + std::to_wstring(n);
            for (auto& ch : name) {
                if (pick(2)) ch = static_cast<wchar_t>(std::towupper(ch));
            }
            forget(n);
            if (pick(3) == 0) {
                c.Remove(name);
            } else {
                values[n] = pick(1000000);
                spelling[n] = name;
                c.SetUnsignedLong(name, values[n]);
                order.insert(order.begin(), n);
            }
            check(step);
            if (HasFatalFailure()) return;
        }
        // Shrink below the index threshold, then empty and grow again.
        while (order.size() > 3) {
            c.Remove(lookups[order.back()]);
            order.pop_back();
        }
        check(-1);
        if (HasFatalFailure()) return;
        c.RemoveAll();
        order.clear();
        check(-2);
        if (HasFatalFailure()) return;
    }
}

TEST(ObjContainer, CopiesOfLargeContainersFindEveryName) {
    ObjContainer source;
    for (uint32_t i = 0; i < 100; ++i) source.SetUnsignedLong(L"Item" + std::to_wstring(i), i);
    ObjContainer copy;
    copy.SetUnsignedLong(L"ITEM5", 1000);
    copy.CopyFrom(source, false);
    ASSERT_EQ(100u, copy.Count());
    EXPECT_EQ(Names(source), Names(copy));
    for (uint32_t i = 0; i < 100; ++i) {
        uint32_t value = 0xFFFFFFFF;
        copy.GetUnsignedLong(L"item" + std::to_wstring(i), value);
        EXPECT_EQ(i, value);
    }
    ObjContainer cleared;
    for (uint32_t i = 0; i < 40; ++i) cleared.SetString(L"Old" + std::to_wstring(i), L"x");
    cleared.CopyFrom(source, true);
    EXPECT_FALSE(cleared.Exists(L"Old1"));
    EXPECT_EQ(100u, cleared.Count());
    EXPECT_EQ(OCUnsignedLong, cleared.GetType(L"ITEM99"));
}

}  // namespace
